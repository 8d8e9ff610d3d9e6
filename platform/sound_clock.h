#pragma once
// The clock of a sound output: how many frames the output has played at any moment, read between its
// callbacks. An output (a device, or the silent output's own thread) pulls blocks of frames; each
// callback means every frame handed over before it has been consumed. Those moments are the only
// truth there is, and they arrive with jitter (scheduling, device timing). Reading the count of
// consumed frames alone would step by a whole block (23 ms at 1024 frames and 44,100 Hz); adding the
// wall time since the last callback would still jump by the jitter at every callback.
//
// So the clock runs a delay-locked loop over the callback times: it predicts when the next callback
// is due, corrects that prediction by a fraction of each error, and learns the output's real frame
// period (a device may run a few per cent fast or slow against the wall clock). Between callbacks the
// position runs linearly from the block's filtered start time to the predicted next callback. The
// result is continuous when callbacks come early or late, follows the output's own rate (not the wall
// clock's), and stays within a small fraction of a block of the consumed frames.
//
// Limits: between callbacks the position may run at most two blocks ahead of the consumed frames and
// at most one block behind, so a stalled output stops the clock instead of letting it run away. A
// callback more than resetSeconds away from its prediction (a suspended process, a device restart)
// restarts the loop at that callback. The clock never runs backwards only for readers that keep the
// largest value they have returned (the sound library does, per stream); framesAt itself is a pure
// function of the state.
//
// Units: frames (one sample per channel) and seconds of std::chrono::steady_clock. Not synchronised:
// the sound library guards it with its lock.

#include <chrono>
#include <cstdint>

namespace platform {

using SoundTime = std::chrono::steady_clock::time_point;

class OutputClock {
 public:
  // rate: the output's nominal frames per second.
  explicit OutputClock(int rate);

  // A callback at `time` takes `frames` frames: everything handed over before is consumed. Returns the
  // index of the first frame of the new block (the frames consumed so far).
  std::int64_t onCallback(SoundTime time, std::int64_t frames);

  // The position at `time`, in frames (fractional); 0 before the first callback.
  double framesAt(SoundTime time) const;

  std::int64_t consumedFrames() const { return consumed_; }
  std::int64_t callbacks() const { return callbacks_; }
  SoundTime lastCallback() const { return lastCallback_; }
  int rate() const { return rate_; }

  static constexpr double bandwidthHz = 1.0;   // how fast the loop follows the callbacks
  static constexpr double resetSeconds = 0.1;  // errors beyond this restart the loop

 private:
  double secondsSinceEpoch(SoundTime time) const;
  void restart(double now, std::int64_t frames);

  int rate_;
  std::int64_t consumed_ = 0;  // frames handed over before the current block
  std::int64_t block_ = 0;     // frames of the current block
  std::int64_t callbacks_ = 0;
  SoundTime epoch_{};  // the first callback; times are kept as seconds since then
  SoundTime lastCallback_{};
  double blockStart_ = 0;    // filtered time of the current block's first frame
  double nextCallback_ = 0;  // predicted time of the next callback
  double framePeriod_ = 0;   // learned seconds per frame
};

}  // namespace platform
