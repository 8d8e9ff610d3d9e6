// For the end-to-end tests: tells the running demo's window that the program was deactivated (0) or
// activated (1), as Alt+Tab does, by posting WM_ACTIVATEAPP to it, and writes into FILE what follows a
// second later: whether the window is minimised and the display's current mode ("iconic 1 mode
// 1024x768"), or "no demo window". (A file: started in a Wine virtual desktop, the program's standard
// output outlives the command that started it.)
// usage: velmorrow-post-activation 0|1 FILE

#include <windows.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  std::FILE* out = std::fopen(argv[2], "w");
  if (!out) return 2;
  HWND window = FindWindowA("Lumarix", "Velmorrow");
  if (window) {
    PostMessageA(window, WM_ACTIVATEAPP, std::strcmp(argv[1], "1") == 0 ? TRUE : FALSE, 0);
    Sleep(1000);
    DEVMODEA mode{};
    mode.dmSize = sizeof(DEVMODEA);
    EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode);
    std::fprintf(out, "iconic %d mode %lux%lu\n", IsIconic(window) ? 1 : 0, mode.dmPelsWidth, mode.dmPelsHeight);
  } else {
    std::fprintf(out, "no demo window\n");
  }
  return std::fclose(out) == 0 ? 0 : 2;
}
