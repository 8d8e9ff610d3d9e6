// The demo window on Win32 and WGL: the window class "Lumarix", CreateWindowExA, the window procedure,
// PeekMessageA/GetMessageA/DispatchMessageA, ChangeDisplaySettingsA with CDS_FULLSCREEN for the exact
// mode, and an OpenGL context through ChoosePixelFormat, SetPixelFormat and wglCreateContext.
//
// The Win32 window procedure turns the messages the demo knows into platform messages for the
// procedure given to createWindow; every other message reaches it as Message::other and, handed to
// defWindowProc, goes on to DefWindowProcA as itself.

#include "platform/window.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdlib>

namespace platform {

struct Window {
  HWND handle = nullptr;
  HDC deviceContext = nullptr;
  HGLRC renderingContext = nullptr;
  WindowProc proc = nullptr;
  int width = 0;  // the client area asked for
  int height = 0;
  int bits = 32;  // the colour bits asked of the pixel format
  bool fullscreen = false;
  bool destroyed = false;
};

namespace {

constexpr const char* className = "Lumarix";
constexpr DWORD windowedStyle = WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU;
constexpr DWORD fullscreenStyle = WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;

Window theWindow;  // the demo has exactly one window
bool classRegistered = false;
bool displayModeChanged = false;
bool atExitRegistered = false;
std::array<int, 3> changedTo{};  // width, height, bits
// Fullscreen and another program activated (Alt+Tab, Win+D): the desktop gets its own mode back while
// the user works there, and the demo waits minimised; activated again, it takes its mode back.
bool modeGivenAway = false;

// The Win32 message being handled, so that Message::other can be given to DefWindowProcA as itself.
struct RawMessage {
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
};
RawMessage currentRaw;
MSG lastTaken{};  // the message getMessage took last, for dispatchMessage

// The Win32 messages the demo knows and the platform message each stands for, used both ways.
struct MessagePair {
  UINT win32;
  Message message;
};
constexpr MessagePair knownMessages[] = {
    {WM_CREATE, Message::create},   {WM_DESTROY, Message::destroy},       {WM_PAINT, Message::paint},
    {WM_KEYDOWN, Message::keyDown}, {WM_SYSCOMMAND, Message::sysCommand}, {WM_CLOSE, Message::close},
    {WM_QUIT, Message::quit}};

Message translate(UINT message) {
  for (const MessagePair& pair : knownMessages) {
    if (pair.win32 == message) return pair.message;
  }
  return Message::other;
}

// Message::other stands for the Win32 message being handled.
UINT toWin32(Message message) {
  for (const MessagePair& pair : knownMessages) {
    if (pair.message == message) return pair.win32;
  }
  return currentRaw.message;
}

// Windowed, the client area is the resolution in real pixels whatever the monitor's scaling: the frame
// is fitted around it again (also when a move to another monitor changes the frame's size).
void keepClientSize(HWND handle, int width, int height) {
  RECT outer{};
  RECT client{};
  GetWindowRect(handle, &outer);
  GetClientRect(handle, &client);
  const int extraWidth = width - (client.right - client.left);
  const int extraHeight = height - (client.bottom - client.top);
  if (extraWidth == 0 && extraHeight == 0) return;
  SetWindowPos(handle, nullptr, 0, 0, outer.right - outer.left + extraWidth, outer.bottom - outer.top + extraHeight,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// A window the system placed partly outside its monitor's work area (a large resolution on a scaled
// laptop screen) is moved so that it fits, or so that its caption is at the work area's top left where
// it is larger than the work area; its size never changes.
void fitIntoWorkArea(HWND handle) {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(MONITORINFO);
  RECT outer{};
  if (!GetWindowRect(handle, &outer) || !GetMonitorInfoA(MonitorFromWindow(handle, MONITOR_DEFAULTTONEAREST), &monitor))
    return;
  const RECT& work = monitor.rcWork;
  const auto place = [](LONG at, LONG size, LONG first, LONG end) {
    return at + size > end ? std::max(first, end - size) : std::max(first, at);
  };
  const LONG x = place(outer.left, outer.right - outer.left, work.left, work.right);
  const LONG y = place(outer.top, outer.bottom - outer.top, work.top, work.bottom);
  if (x != outer.left || y != outer.top)
    SetWindowPos(handle, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void onApplicationActivation(HWND handle, bool active);

// What the window does on Windows beyond the demo's own procedure.
void handleSystemMessage(HWND handle, UINT message, WPARAM wParam) {
  if (message == WM_ACTIVATEAPP && theWindow.fullscreen) onApplicationActivation(handle, wParam != FALSE);
  if (message == WM_DPICHANGED && !theWindow.fullscreen) keepClientSize(handle, theWindow.width, theWindow.height);
}

LRESULT CALLBACK windowProcedure(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CREATE) theWindow.handle = handle;  // the handle is known from the first message on
  if (handle != theWindow.handle || !theWindow.proc) return DefWindowProcA(handle, message, wParam, lParam);
  handleSystemMessage(handle, message, wParam);
  const RawMessage outer = currentRaw;
  currentRaw = RawMessage{message, wParam, lParam};
  if (message == WM_DESTROY) theWindow.destroyed = true;
  const LRESULT result = static_cast<LRESULT>(theWindow.proc(
      &theWindow, translate(message), static_cast<std::int64_t>(wParam), static_cast<std::int64_t>(lParam)));
  currentRaw = outer;
  return result;
}

// Gives the desktop its own mode back however the process ends.
void restoreModeAtExit() {
  if (displayModeChanged) ChangeDisplaySettingsA(nullptr, 0);
  displayModeChanged = false;
}

DEVMODEA exactMode(int width, int height, int bits) {
  DEVMODEA mode{};
  mode.dmSize = sizeof(DEVMODEA);
  mode.dmPelsWidth = static_cast<DWORD>(width);
  mode.dmPelsHeight = static_cast<DWORD>(height);
  mode.dmBitsPerPel = static_cast<DWORD>(bits);
  mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
  return mode;
}

bool changeDisplayMode(int width, int height, int bits) {
  DEVMODEA mode = exactMode(width, height, bits);
  if (ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN) != DISP_CHANGE_SUCCESSFUL) return false;
  if (!atExitRegistered) std::atexit(restoreModeAtExit);
  atExitRegistered = true;
  displayModeChanged = true;
  changedTo = {width, height, bits};
  return true;
}

bool showsMode(int width, int height, int bits) {
  DEVMODEA current{};
  current.dmSize = sizeof(DEVMODEA);
  return EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &current) &&
         static_cast<int>(current.dmPelsWidth) == width && static_cast<int>(current.dmPelsHeight) == height &&
         static_cast<int>(current.dmBitsPerPel) == bits;
}

// The mode this process switched the display to, and still holds.
bool inMode(int width, int height, int bits) {
  return displayModeChanged && changedTo == std::array<int, 3>{width, height, bits};
}

void onApplicationActivation(HWND handle, bool active) {
  if (!active && displayModeChanged) {
    restoreModeAtExit();
    modeGivenAway = true;
    ShowWindow(handle, SW_MINIMIZE);
  } else if (active && modeGivenAway) {
    modeGivenAway = false;
    changeDisplayMode(changedTo[0], changedTo[1], changedTo[2]);
    ShowWindow(handle, SW_RESTORE);
    SetWindowPos(handle, HWND_TOP, 0, 0, changedTo[0], changedTo[1], SWP_NOACTIVATE);
  }
}

// The display and the system stay awake while the demo plays: a power plan's display timeout is not a
// screen saver request, so refusing SC_SCREENSAVE and SC_MONITORPOWER alone does not stop it.
void keepDisplayOn(bool on) { SetThreadExecutionState(on ? ES_CONTINUOUS | ES_DISPLAY_REQUIRED : ES_CONTINUOUS); }

HWND createWin32Window(const std::string& caption, int width, int height, bool fullscreen) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  if (fullscreen) {
    return CreateWindowExA(WS_EX_APPWINDOW, className, caption.c_str(), fullscreenStyle, 0, 0, width, height, nullptr,
                           nullptr, instance, nullptr);
  }
  // The client area is exactly the resolution: the frame and the caption come on top.
  RECT outer{0, 0, width, height};
  AdjustWindowRectEx(&outer, windowedStyle, FALSE, 0);
  HWND handle =
      CreateWindowExA(0, className, caption.c_str(), windowedStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                      outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr, instance, nullptr);
  if (handle) {
    keepClientSize(handle, width, height);  // the frame at the monitor's own scaling
    fitIntoWorkArea(handle);
  }
  return handle;
}

// The program's own icon (resource 1, in the taskbar and Alt+Tab); Windows' generic one without it.
HICON programIcon() {
  HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(1));
  return icon ? icon : LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
}

}  // namespace

bool registerWindowClass() {
  if (classRegistered) return true;
  WNDCLASSA windowClass{};
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = windowProcedure;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.hIcon = programIcon();
  windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  windowClass.lpszClassName = className;
  classRegistered = RegisterClassA(&windowClass) != 0;
  return classRegistered;
}

// Whether the display can show the mode is known only by switching to it (a test of the change may
// answer yes for a mode the display then refuses), so the check is the switch itself: the mode stays
// set for createWindow, and goes back when the process ends however it ends. A display already in
// exactly that mode needs no switch (Wine on a one-mode X server refuses to switch to the mode it shows).
bool displayModeSupported(int width, int height, int bits) {
  return inMode(width, height, bits) || showsMode(width, height, bits) || changeDisplayMode(width, height, bits);
}

Window* createWindow(const std::string& caption, int width, int height, int bits, bool fullscreen, WindowProc proc) {
  if (!classRegistered || theWindow.handle || width <= 0 || height <= 0) return nullptr;
  if (fullscreen && !displayModeSupported(width, height, bits)) return nullptr;
  theWindow = Window{nullptr, nullptr, nullptr, proc, width, height, bits, fullscreen, false};
  HWND handle = createWin32Window(caption, width, height, fullscreen);
  if (!handle) {
    theWindow = Window{};
    return nullptr;
  }
  theWindow.handle = handle;
  ShowWindow(handle, SW_SHOWDEFAULT);  // the show command the process was started with
  UpdateWindow(handle);
  SetForegroundWindow(handle);
  keepDisplayOn(true);
  return &theWindow;
}

bool createGlContext(Window* window) {
  if (!window || !window->handle || window->renderingContext) return false;
  window->deviceContext = GetDC(window->handle);
  PIXELFORMATDESCRIPTOR descriptor{};
  descriptor.nSize = sizeof(PIXELFORMATDESCRIPTOR);
  descriptor.nVersion = 1;
  descriptor.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
  descriptor.iPixelType = PFD_TYPE_RGBA;
  descriptor.cColorBits = static_cast<BYTE>(window->bits);  // only the low byte reaches the format
  descriptor.cDepthBits = 16;
  descriptor.iLayerType = PFD_MAIN_PLANE;
  const int format = ChoosePixelFormat(window->deviceContext, &descriptor);
  SetPixelFormat(window->deviceContext, format, &descriptor);
  window->renderingContext = wglCreateContext(window->deviceContext);
  wglMakeCurrent(window->deviceContext, window->renderingContext);
  return format != 0 && window->renderingContext != nullptr;
}

void releaseGlContext(Window* window) {
  if (!window || !window->deviceContext) return;
  wglMakeCurrent(window->deviceContext, nullptr);
  if (window->renderingContext) wglDeleteContext(window->renderingContext);
  ReleaseDC(window->handle, window->deviceContext);
  window->renderingContext = nullptr;
  window->deviceContext = nullptr;
}

void swapBuffers(Window* window) {
  if (window && window->deviceContext) SwapBuffers(window->deviceContext);
}

void destroyWindow(Window* window) {
  if (!window || !window->handle) return;
  if (!window->destroyed && IsWindow(window->handle)) DestroyWindow(window->handle);
  window->destroyed = true;
  restoreDesktopMode(window);
  keepDisplayOn(false);
}

bool windowDestroyed(const Window* window) { return !window || !window->handle || window->destroyed; }

void showCursor(bool show) { ShowCursor(show ? TRUE : FALSE); }

void restoreDesktopMode(Window* window) {
  if (window && window->fullscreen) {
    restoreModeAtExit();
    window->fullscreen = false;
  }
}

void unregisterWindowClass() {
  if (theWindow.renderingContext) releaseGlContext(&theWindow);
  if (theWindow.handle && IsWindow(theWindow.handle)) DestroyWindow(theWindow.handle);
  restoreModeAtExit();
  keepDisplayOn(false);
  if (classRegistered) UnregisterClassA(className, GetModuleHandleA(nullptr));
  classRegistered = false;
}

bool peekMessage() {
  MSG message;
  return PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE) != FALSE;
}

Event getMessage() {
  if (GetMessageA(&lastTaken, nullptr, 0, 0) == -1) return Event{};
  Event event;
  event.window = lastTaken.hwnd && lastTaken.hwnd == theWindow.handle ? &theWindow : nullptr;
  event.message = translate(lastTaken.message);
  event.wParam = static_cast<std::int64_t>(lastTaken.wParam);
  event.lParam = static_cast<std::int64_t>(lastTaken.lParam);
  return event;
}

std::int64_t dispatchMessage(const Event& event) {
  if (event.message == Message::quit) return 0;
  const bool taken = event.wParam == static_cast<std::int64_t>(lastTaken.wParam) &&
                     event.lParam == static_cast<std::int64_t>(lastTaken.lParam) &&
                     (event.message == Message::other || toWin32(event.message) == lastTaken.message);
  if (taken) {
    TranslateMessage(&lastTaken);  // key presses also as characters: Alt+Space opens the window menu
    return static_cast<std::int64_t>(DispatchMessageA(&lastTaken));
  }
  return sendMessage(event.window, event.message, event.wParam, event.lParam);
}

std::int64_t sendMessage(Window* window, Message message, std::int64_t wParam, std::int64_t lParam) {
  if (!window || !window->proc) return defWindowProc(window, message, wParam, lParam);
  return window->proc(window, message, wParam, lParam);
}

void postQuitMessage(int exitCode) { PostQuitMessage(exitCode); }

std::int64_t defWindowProc(Window* window, Message message, std::int64_t wParam, std::int64_t lParam) {
  HWND handle = window ? window->handle : nullptr;
  if (!handle || !IsWindow(handle)) return 0;
  return static_cast<std::int64_t>(
      DefWindowProcA(handle, toWin32(message), static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam)));
}

}  // namespace platform
