#pragma once
// The startup dialog "Config": before any window, context or sound exists, it lets the user change the
// settings (resolution, fullscreen, colour depth, music) from their defaults, then continue with "Go!"
// or end the process with "Cancel", the close box or Escape (exit code 0, nothing to clean up).
//
// The check boxes change their setting at each click; the resolution is stored only on "Go!", and
// without a selection the current size stays.

#include "platform/dialog.h"

#include <array>
#include <cstdint>

namespace shell {

struct Resolution {
  const char* text;
  std::int32_t width;
  std::int32_t height;
};

// The resolution list, in its order.
constexpr std::array<Resolution, 4> resolutions{{
    {"640 x 480", 640, 480},
    {"800 x 600", 800, 600},
    {"1024 x 768", 1024, 768},
    {"1280 x 960", 1280, 960},
}};

// Shows the dialog modally and returns after "Go!"; ends the process on Cancel, close or Escape. If no
// dialog can be shown, fatalError reports "Startup Dialog" / "Can`t create startup dialog".
void runConfigDialog();

// The dialog procedure: edits the settings in place; returns 0 for every message.
std::int64_t configDialogProc(platform::Dialog* dialog, platform::DialogMessage message, std::int64_t wParam,
                              std::int64_t lParam);

}  // namespace shell
