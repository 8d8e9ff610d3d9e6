#include "tools/music/renderer.h"

#include "tools/music/drums.h"
#include "tools/music/effects.h"
#include "tools/music/sequencer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

namespace music {

namespace {

constexpr int blockSize = 64;

// The settings of one instrument for the current block.
struct Live {
  double cutoff = 1000.0;
  double resonance = 0.0;
  double pan = 0.0;
};

// Equal-power panning: -1 is hard left, 1 hard right.
std::array<float, 2> panGains(double pan) {
  const double angle = (std::clamp(pan, -1.0, 1.0) + 1.0) * pi / 4.0;
  return {static_cast<float>(std::cos(angle)), static_cast<float>(std::sin(angle))};
}

class SynthVoice {
 public:
  SynthVoice(const Instrument& instrument, double note, float velocity, std::uint32_t seed)
      : instrument_(&instrument),
        note_(note),
        velocity_(velocity),
        amp_(instrument.attackMs, instrument.decayMs, instrument.sustain, instrument.releaseMs),
        filterEnv_(instrument.filterEnvMs),
        fmEnv_(std::max(instrument.fmDecayMs, 1.0)),
        pitchEnv_(instrument.pitchEnvMs),
        filterLeft_(instrument.filterType, instrument.cutoffHz, instrument.resonance),
        filterRight_(instrument.filterType, instrument.cutoffHz, instrument.resonance) {
    Noise phases(seed);
    const int count = instrument.unison;
    for (int i = 0; i < count; ++i) {
      // Spread evenly over [-1, 1]; free-running phases so unison voices never start in step.
      const double spread = count == 1 ? 0.0 : 2.0 * i / (count - 1) - 1.0;
      const double phase = count == 1 ? 0.0 : 0.5 + 0.5 * phases.next();
      unison_.push_back(Oscillator(instrument.wave, phase, seed + 17u * static_cast<std::uint32_t>(i + 1)));
      detune_.push_back(std::exp2(spread * instrument.detuneCents / 2400.0));
      spread_.push_back(spread * instrument.width);
    }
    osc2_ = Oscillator(instrument.wave2, 0.0, seed ^ 0x5bd1e995u);
    modulator_ = Oscillator(Wave::sine, 0.0, seed);
    amp_.gateOn();
  }

  void gateOff() { amp_.gateOff(); }
  bool finished() const { return amp_.finished(); }

  void render(const Live& live, float* left, float* right, int count) {
    prepareBlock(live, count);
    const double unisonScale = 1.0 / std::sqrt(static_cast<double>(unison_.size()));
    const double fmScale = instrument_->fmIndex / (2.0 * pi);
    const double drive = instrument_->drive;
    const double driveNorm = drive > 0.0 ? 1.0 / std::tanh(drive) : 1.0;
    for (int n = 0; n < count; ++n) {
      const double modulation = fmScale > 0.0 ? fmScale * fmEnv_.next() * modulator_.next() : 0.0;
      double l = 0.0, r = 0.0;
      for (std::size_t i = 0; i < unison_.size(); ++i) {
        const double value = unison_[i].next(modulation);
        l += value * gains_[i][0];
        r += value * gains_[i][1];
      }
      l *= unisonScale;
      r *= unisonScale;
      if (instrument_->osc2Level > 0.0) {
        const double value = osc2_.next() * instrument_->osc2Level * 0.7071;
        l += value;
        r += value;
      }
      if (drive > 0.0) {
        l = std::tanh(drive * l) * driveNorm;
        r = std::tanh(drive * r) * driveNorm;
      }
      const double level = amp_.next() * velocity_;
      left[n] += static_cast<float>(filterLeft_.process(static_cast<float>(l)) * level);
      right[n] += static_cast<float>(filterRight_.process(static_cast<float>(r)) * level);
    }
  }

 private:
  void prepareBlock(const Live& live, int count) {
    double note = note_ + instrument_->pitchEnvSemitones * pitchEnv_.level();
    if (instrument_->vibratoHz > 0.0) {
      note += instrument_->vibratoSemitones * std::sin(2.0 * pi * vibratoPhase_);
      vibratoPhase_ += instrument_->vibratoHz * count / sampleRate;
      vibratoPhase_ -= std::floor(vibratoPhase_);
    }
    for (int n = 0; n < count; ++n) {
      pitchEnv_.next();
      filterEnv_.next();
    }
    const double hz = noteFrequency(note);
    for (std::size_t i = 0; i < unison_.size(); ++i) unison_[i].setFrequency(hz * detune_[i]);
    osc2_.setFrequency(hz * std::exp2(instrument_->osc2Semitones / 12.0));
    modulator_.setFrequency(hz * instrument_->fmRatio);
    const double cutoff = live.cutoff * std::exp2(instrument_->filterEnvOctaves * filterEnv_.level() * velocity_) *
                          std::pow(hz / 261.63, instrument_->keyTrack);
    if (live.resonance != resonance_) {
      resonance_ = live.resonance;
      filterLeft_.set(instrument_->filterType, cutoff, resonance_);
      filterRight_.set(instrument_->filterType, cutoff, resonance_);
    } else {
      filterLeft_.setCutoff(cutoff);
      filterRight_.setCutoff(cutoff);
    }
    gains_.resize(unison_.size());
    for (std::size_t i = 0; i < unison_.size(); ++i) gains_[i] = panGains(live.pan + spread_[i]);
  }

  const Instrument* instrument_;
  double note_;
  float velocity_;
  Envelope amp_;
  Decay filterEnv_, fmEnv_, pitchEnv_;
  Filter filterLeft_, filterRight_;
  double resonance_ = -1.0;
  std::vector<Oscillator> unison_;
  std::vector<double> detune_, spread_;
  std::vector<std::array<float, 2>> gains_;
  Oscillator osc2_, modulator_;
  double vibratoPhase_ = 0.0;
};

DrumKind drumKind(InstrumentKind kind) {
  switch (kind) {
    case InstrumentKind::kick:
      return DrumKind::kick;
    case InstrumentKind::snare:
      return DrumKind::snare;
    default:
      return DrumKind::hat;
  }
}

class Voice {
 public:
  Voice(const Instrument& instrument, const NoteEvent& event, std::uint32_t seed)
      : instrument_(event.instrument), start_(event.on), off_(event.off), velocity_(event.velocity) {
    if (instrument.kind == InstrumentKind::synth) {
      synth_.emplace(instrument, event.note, event.velocity, seed);
    } else {
      drum_.emplace(drumKind(instrument.kind), instrument.drum, seed);
    }
  }

  int instrument() const { return instrument_; }
  bool fading() const { return fadeStep_ > 0.0f; }
  void fadeOut() { fadeStep_ = 1.0f / static_cast<float>(samplesFor(3.0)); }
  bool finished() const { return fade_ <= 0.0f || (synth_ ? synth_->finished() : drum_->finished()); }

  // Adds the block starting at sample `at` into the instrument's bus.
  void render(const Live& live, std::int64_t at, float* left, float* right) {
    int from = static_cast<int>(std::clamp<std::int64_t>(start_ - at, 0, blockSize));
    while (from < blockSize) {
      if (!gateClosed_ && off_ - at <= from) {
        gateClosed_ = true;
        if (synth_) synth_->gateOff();
      }
      // Stop at the gate's closing, if it falls inside this block.
      int to = blockSize;
      if (!gateClosed_ && off_ - at < blockSize) to = static_cast<int>(off_ - at);
      renderSpan(live, left + from, right + from, to - from);
      from = to;
    }
  }

 private:
  void renderSpan(const Live& live, float* left, float* right, int count) {
    if (count <= 0) return;
    std::array<float, blockSize> l{}, r{};
    if (synth_) {
      synth_->render(live, l.data(), r.data(), count);
    } else {
      const auto gains = panGains(live.pan);
      for (int n = 0; n < count; ++n) {
        const float value = drum_->next() * velocity_;
        l[static_cast<std::size_t>(n)] = value * gains[0];
        r[static_cast<std::size_t>(n)] = value * gains[1];
      }
    }
    for (int n = 0; n < count; ++n) {
      if (fadeStep_ > 0.0f) fade_ = std::max(0.0f, fade_ - fadeStep_);
      left[n] += l[static_cast<std::size_t>(n)] * fade_;
      right[n] += r[static_cast<std::size_t>(n)] * fade_;
    }
  }

  int instrument_;
  std::int64_t start_, off_;
  float velocity_;
  bool gateClosed_ = false;
  float fade_ = 1.0f;
  float fadeStep_ = 0.0f;
  std::optional<SynthVoice> synth_;
  std::optional<DrumVoice> drum_;
};

class Renderer {
 public:
  explicit Renderer(const Score& score)
      : score_(score),
        automation_(score),
        events_(scheduleNotes(score)),
        delay_(score.delay.beats * score.beatMs, score.delay.feedback, score.delay.cutoffHz),
        reverb_(score.reverb.decaySeconds, score.reverb.dampingHz, score.reverb.preDelayMs),
        buses_(score.instruments.size()),
        gains_(score.instruments.size(), 0.0) {
    for (const NoteEvent& event : events_) {
      if (score.instruments[static_cast<std::size_t>(event.instrument)].kind == InstrumentKind::kick) {
        kicks_.push_back(event);
      }
    }
    for (std::size_t i = 0; i < gains_.size(); ++i) gains_[i] = instrumentGain(static_cast<int>(i), 0);
    masterGain_ = dbToGain(automation_.value(-1, Param::gain, 0.0));
  }

  Song run(const ProgressFunction& progress) {
    const std::int64_t total = sampleAt(score_.lengthMs);
    Song song;
    song.left.assign(static_cast<std::size_t>(total), 0.0f);
    song.right.assign(static_cast<std::size_t>(total), 0.0f);
    std::int64_t reported = 0;
    for (std::int64_t at = 0; at < total; at += blockSize) {
      renderBlock(at);
      const std::size_t count = static_cast<std::size_t>(std::min<std::int64_t>(blockSize, total - at));
      std::copy_n(mixLeft_.begin(), count, song.left.begin() + at);
      std::copy_n(mixRight_.begin(), count, song.right.begin() + at);
      if (progress && at - reported >= total / 100) {
        reported = at;
        progress(static_cast<double>(at) / static_cast<double>(total));
      }
    }
    limit(song.left, song.right, static_cast<float>(dbToGain(score_.ceilingDb)));
    if (progress) progress(1.0);
    return song;
  }

 private:
  struct Bus {
    std::array<float, blockSize> left{}, right{};
  };

  double msAt(std::int64_t sample) const { return static_cast<double>(sample) * 1000.0 / sampleRate; }

  // How far the kicks push ducking instruments down at a sample: 5 ms down, then back over 180 ms.
  double pumpAt(std::int64_t sample) const {
    const auto after = std::upper_bound(kicks_.begin(), kicks_.end(), sample,
                                        [](std::int64_t at, const NoteEvent& kick) { return at < kick.on; });
    if (after == kicks_.begin()) return 0.0;
    const NoteEvent& kick = *(after - 1);
    const double ms = msAt(sample - kick.on);
    const double shape = ms < 5.0 ? ms / 5.0 : std::exp(-(ms - 5.0) / 60.0);
    return shape * kick.velocity;
  }

  double instrumentGain(int index, std::int64_t sample) const {
    const Instrument& instrument = score_.instruments[static_cast<std::size_t>(index)];
    double gain = dbToGain(automation_.value(index, Param::gain, msAt(sample)));
    if (instrument.duck > 0.0) gain *= 1.0 - instrument.duck * pumpAt(sample);
    return gain;
  }

  void startVoices(std::int64_t at) {
    while (nextEvent_ < events_.size() && events_[nextEvent_].on < at + blockSize) {
      const NoteEvent& event = events_[nextEvent_++];
      const Instrument& instrument = score_.instruments[static_cast<std::size_t>(event.instrument)];
      int sounding = 0;
      for (const Voice& voice : voices_) sounding += voice.instrument() == event.instrument && !voice.fading();
      if (sounding >= instrument.voices) {
        for (Voice& voice : voices_) {
          if (voice.instrument() == event.instrument && !voice.fading()) {
            voice.fadeOut();
            break;
          }
        }
      }
      const std::uint32_t seed = score_.seed * 2654435761u + static_cast<std::uint32_t>(nextEvent_) * 40503u;
      voices_.emplace_back(instrument, event, seed);
    }
  }

  void renderBlock(std::int64_t at) {
    startVoices(at);
    const double ms = msAt(at);
    for (Bus& bus : buses_) bus = Bus{};
    for (Voice& voice : voices_) {
      const int index = voice.instrument();
      Bus& bus = buses_[static_cast<std::size_t>(index)];
      Live live;
      live.cutoff = automation_.value(index, Param::cutoff, ms);
      live.resonance = automation_.value(index, Param::resonance, ms);
      live.pan = automation_.value(index, Param::pan, ms);
      voice.render(live, at, bus.left.data(), bus.right.data());
    }
    std::erase_if(voices_, [](const Voice& voice) { return voice.finished(); });

    std::array<float, blockSize> reverbLeft{}, reverbRight{}, delayLeft{}, delayRight{};
    mixLeft_.fill(0.0f);
    mixRight_.fill(0.0f);
    for (std::size_t i = 0; i < buses_.size(); ++i) {
      const int index = static_cast<int>(i);
      const double startGain = gains_[i];
      const double endGain = instrumentGain(index, at + blockSize);
      gains_[i] = endGain;
      const float reverbSend = static_cast<float>(automation_.value(index, Param::reverb, ms));
      const float delaySend = static_cast<float>(automation_.value(index, Param::delay, ms));
      for (int n = 0; n < blockSize; ++n) {
        const float gain = static_cast<float>(startGain + (endGain - startGain) * n / blockSize);
        const float l = buses_[i].left[static_cast<std::size_t>(n)] * gain;
        const float r = buses_[i].right[static_cast<std::size_t>(n)] * gain;
        mixLeft_[static_cast<std::size_t>(n)] += l;
        mixRight_[static_cast<std::size_t>(n)] += r;
        reverbLeft[static_cast<std::size_t>(n)] += l * reverbSend;
        reverbRight[static_cast<std::size_t>(n)] += r * reverbSend;
        delayLeft[static_cast<std::size_t>(n)] += l * delaySend;
        delayRight[static_cast<std::size_t>(n)] += r * delaySend;
      }
    }
    const double startMaster = masterGain_;
    masterGain_ = dbToGain(automation_.value(-1, Param::gain, msAt(at + blockSize)));
    for (int n = 0; n < blockSize; ++n) {
      const std::size_t k = static_cast<std::size_t>(n);
      const Stereo echo = delay_.process({delayLeft[k], delayRight[k]});
      const Stereo room = reverb_.process({reverbLeft[k] + 0.3f * echo.left, reverbRight[k] + 0.3f * echo.right});
      const float master = static_cast<float>(startMaster + (masterGain_ - startMaster) * n / blockSize);
      mixLeft_[k] = (mixLeft_[k] + echo.left + room.left) * master;
      mixRight_[k] = (mixRight_[k] + echo.right + room.right) * master;
    }
  }

  const Score& score_;
  Automation automation_;
  std::vector<NoteEvent> events_;
  std::vector<NoteEvent> kicks_;
  std::size_t nextEvent_ = 0;
  std::vector<Voice> voices_;
  Delay delay_;
  Reverb reverb_;
  std::vector<Bus> buses_;
  std::vector<double> gains_;
  double masterGain_ = 1.0;
  std::array<float, blockSize> mixLeft_{}, mixRight_{};
};

}  // namespace

Song renderScore(const Score& score, const ProgressFunction& progress) { return Renderer(score).run(progress); }

}  // namespace music
