#pragma once
// The settings the startup dialog edits and the main sequence reads.

#include <cstdint>

namespace shell {

extern std::int32_t screenWidth;   // pixels
extern std::int32_t screenHeight;  // pixels
extern std::int32_t screenBits;    // colour depth: 32 or 16
extern bool fullscreen;            // switch the display mode, borderless window
extern bool musicOn;               // play the music audibly (otherwise on a silent output)

// 800 x 600, 32 bits, fullscreen, music on.
void storeDefaultSettings();

}  // namespace shell
