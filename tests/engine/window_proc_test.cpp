#include "engine/window.h"

#include <gtest/gtest.h>

namespace {

using platform::Message;

class WindowProc : public ::testing::Test {
 protected:
  void SetUp() override {
    drainQueue();
    engine::windowProc(nullptr, Message::create, 0, 0);
  }
  void TearDown() override { drainQueue(); }
  static void drainQueue() {
    while (platform::peekMessage()) platform::getMessage();
  }
};

TEST_F(WindowProc, CreateSetsTheActiveFlag) { EXPECT_TRUE(engine::windowActive); }

TEST_F(WindowProc, DestroyClearsTheFlagAndPostsAQuitMessage) {
  EXPECT_EQ(engine::windowProc(nullptr, Message::destroy, 0, 0), 0);
  EXPECT_FALSE(engine::windowActive);
  ASSERT_TRUE(platform::peekMessage());
  const platform::Event quit = platform::getMessage();
  EXPECT_EQ(quit.message, Message::quit);
  EXPECT_EQ(quit.wParam, 0);
}

TEST_F(WindowProc, EscapeRunsTheDestroyBranch) {
  EXPECT_EQ(engine::windowProc(nullptr, Message::keyDown, platform::keyEscape, 0), 0);
  EXPECT_FALSE(engine::windowActive);
  ASSERT_TRUE(platform::peekMessage());
  EXPECT_EQ(platform::getMessage().message, Message::quit);
}

TEST_F(WindowProc, OtherKeysAreSwallowed) {
  for (std::int64_t key : {std::int64_t{0x20}, std::int64_t{'a'}, std::int64_t{0x0D}})
    EXPECT_EQ(engine::windowProc(nullptr, Message::keyDown, key, 0), 0);
  EXPECT_TRUE(engine::windowActive);
  EXPECT_FALSE(platform::peekMessage());
}

TEST_F(WindowProc, ScreenSaverAndMonitorPowerAreRefused) {
  EXPECT_EQ(engine::windowProc(nullptr, Message::sysCommand, platform::scScreenSave, 0), 0);
  EXPECT_EQ(engine::windowProc(nullptr, Message::sysCommand, platform::scMonitorPower, 0), 0);
  EXPECT_TRUE(engine::windowActive);
}

TEST_F(WindowProc, QuitMessageEndsNothingByItself) {
  EXPECT_EQ(engine::windowProc(nullptr, Message::quit, 0, 0), 0);
  EXPECT_TRUE(engine::windowActive);
}

}  // namespace
