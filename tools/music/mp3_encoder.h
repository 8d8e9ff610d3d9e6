#pragma once
// MP3 encoding of a finished song with LAME: variable bit rate around 190 kbit/s (LAME's V2), joint
// stereo, 44,100 Hz, and the LAME tag in the first frame, which records the encoder's delay and
// padding so that a gapless decoder (mpg123) puts the song's first sample at 0 ms and ends on its last
// one. No ID3 tag and nothing that varies from run to run: the same samples give the same bytes.
// Failures of the encoder are reported as std::runtime_error.

#include <functional>
#include <vector>

namespace music {

// Called now and then with the fraction encoded, 0 to 1.
using EncodeProgress = std::function<void(double)>;

std::vector<unsigned char> encodeMp3(const std::vector<float>& left, const std::vector<float>& right,
                                     const EncodeProgress& progress = {});

}  // namespace music
