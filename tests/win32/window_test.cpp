// The Win32 window's messages, both ways: Win32 messages taken from the queue reach the procedure as the
// platform's messages (unknown ones as Message::other), and the platform's messages handed to the default
// processing reach DefWindowProcA as their Win32 messages (close destroys the window).

#include "platform/window.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <utility>
#include <vector>

namespace {

using platform::Message;

std::vector<std::pair<Message, std::int64_t>> received;  // what the procedure was given, with wParam

std::int64_t recordingProc(platform::Window* window, Message message, std::int64_t wParam, std::int64_t lParam) {
  received.emplace_back(message, wParam);
  return platform::defWindowProc(window, message, wParam, lParam);
}

bool wasReceived(Message message, std::int64_t wParam) {
  for (const auto& [got, gotWParam] : received) {
    if (got == message && gotWParam == wParam) return true;
  }
  return false;
}

// One test: the demo has one window in a process's life.
TEST(Win32Window, MessagesGoBothWaysBetweenWin32AndThePlatform) {
  ASSERT_TRUE(platform::registerWindowClass());
  platform::Window* window = platform::createWindow("window test", 64, 48, 32, false, recordingProc);
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(wasReceived(Message::create, 0));
  HWND handle = FindWindowA("Lumarix", "window test");
  ASSERT_NE(handle, nullptr);

  // Queued Win32 messages reach the procedure as platform messages.
  PostMessageA(handle, WM_KEYDOWN, VK_ESCAPE, 0);
  PostMessageA(handle, WM_USER + 7, 1234, 0);
  for (int taken = 0; platform::peekMessage() && taken < 100; ++taken) {
    platform::dispatchMessage(platform::getMessage());
  }
  EXPECT_TRUE(wasReceived(Message::keyDown, platform::keyEscape));
  EXPECT_TRUE(wasReceived(Message::other, 1234)) << "a message the demo does not know keeps its parameters";
  EXPECT_FALSE(platform::windowDestroyed(window));

  // Close handed to the default processing reaches DefWindowProcA as WM_CLOSE, which destroys the window.
  platform::sendMessage(window, Message::close, 0, 0);
  EXPECT_TRUE(wasReceived(Message::close, 0));
  EXPECT_TRUE(wasReceived(Message::destroy, 0));
  EXPECT_TRUE(platform::windowDestroyed(window));

  platform::destroyWindow(window);
  platform::unregisterWindowClass();
}

}  // namespace
