#include "shell/config_dialog.h"

#include "platform/window.h"
#include "resources/config_dialog.h"
#include "shell/settings.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using platform::DialogMessage;
using ::testing::ExitedWithCode;
namespace ids = resources;

bool quitMessagePosted() {
  bool posted = false;
  while (platform::peekMessage()) posted = platform::getMessage().message == platform::Message::quit || posted;
  return posted;
}

class ConfigDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    shell::storeDefaultSettings();
    platform::noteEscapeKey(false);
    platform::escapeKeyState();
    quitMessagePosted();
    dialog = platform::createDialogState(resources::configDialog, shell::configDialogProc);
  }
  void TearDown() override { platform::destroyDialogState(dialog); }

  void send(DialogMessage message, std::int64_t wParam = 0) { shell::configDialogProc(dialog, message, wParam, 0); }
  void init() { send(DialogMessage::initDialog); }
  void click(int id) { platform::clickDlgItem(dialog, id); }

  platform::Dialog* dialog = nullptr;
};

TEST_F(ConfigDialog, InitShowsTheSettingsAndSelects800x600) {
  init();
  EXPECT_TRUE(platform::isDlgButtonChecked(dialog, ids::configFullscreen));
  EXPECT_TRUE(platform::isDlgButtonChecked(dialog, ids::configTrueColor));
  EXPECT_TRUE(platform::isDlgButtonChecked(dialog, ids::configMusic));
  ASSERT_EQ(platform::comboGetCount(dialog, ids::configResolution), 4);
  const char* texts[] = {"640 x 480", "800 x 600", "1024 x 768", "1280 x 960"};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(platform::comboGetText(dialog, ids::configResolution, i), texts[i]);
  EXPECT_EQ(platform::comboGetCurSel(dialog, ids::configResolution), 1);
  EXPECT_FALSE(platform::dialogEnded(dialog));
}

TEST_F(ConfigDialog, InitLeavesTheBoxesOfSettingsThatAreOffUnchecked) {
  shell::fullscreen = false;
  shell::screenBits = 16;
  shell::musicOn = false;
  init();
  EXPECT_FALSE(platform::isDlgButtonChecked(dialog, ids::configFullscreen));
  EXPECT_FALSE(platform::isDlgButtonChecked(dialog, ids::configTrueColor));
  EXPECT_FALSE(platform::isDlgButtonChecked(dialog, ids::configMusic));
}

TEST_F(ConfigDialog, GoWithTheDefaultsEndsTheDialogAndPostsAQuitMessage) {
  init();
  click(ids::configGo);
  EXPECT_EQ(shell::screenWidth, 800);
  EXPECT_EQ(shell::screenHeight, 600);
  EXPECT_EQ(shell::screenBits, 32);
  EXPECT_TRUE(shell::fullscreen);
  EXPECT_TRUE(shell::musicOn);
  EXPECT_TRUE(platform::dialogEnded(dialog));
  EXPECT_TRUE(quitMessagePosted());
}

TEST_F(ConfigDialog, EachClickTogglesItsSettingInStepWithTheMark) {
  init();
  click(ids::configTrueColor);
  EXPECT_EQ(shell::screenBits, 16);
  EXPECT_FALSE(platform::isDlgButtonChecked(dialog, ids::configTrueColor));
  click(ids::configTrueColor);
  EXPECT_EQ(shell::screenBits, 32);
  EXPECT_TRUE(platform::isDlgButtonChecked(dialog, ids::configTrueColor));
  click(ids::configFullscreen);
  click(ids::configMusic);
  EXPECT_FALSE(shell::fullscreen);
  EXPECT_FALSE(shell::musicOn);
  EXPECT_FALSE(platform::isDlgButtonChecked(dialog, ids::configFullscreen));
  EXPECT_FALSE(platform::isDlgButtonChecked(dialog, ids::configMusic));
  click(ids::configGo);
  EXPECT_EQ(shell::screenBits, 32);
  EXPECT_FALSE(shell::fullscreen);
  EXPECT_FALSE(shell::musicOn);
}

TEST_F(ConfigDialog, OnlyClicksToggle) {
  init();
  send(DialogMessage::command, platform::commandParam(ids::configFullscreen, 1));
  send(DialogMessage::command, platform::commandParam(ids::configTrueColor, 5));
  EXPECT_TRUE(shell::fullscreen);
  EXPECT_EQ(shell::screenBits, 32);
}

TEST_F(ConfigDialog, GoStoresTheSelectedResolution) {
  const std::pair<int, int> sizes[] = {{640, 480}, {800, 600}, {1024, 768}, {1280, 960}};
  for (int index = 0; index < 4; ++index) {
    platform::destroyDialogState(dialog);
    dialog = platform::createDialogState(resources::configDialog, shell::configDialogProc);
    shell::storeDefaultSettings();
    init();
    platform::comboSetCurSel(dialog, ids::configResolution, index);
    EXPECT_EQ(shell::screenWidth, 800) << "the size changes only on Go!";
    click(ids::configGo);
    EXPECT_EQ(shell::screenWidth, sizes[index].first) << index;
    EXPECT_EQ(shell::screenHeight, sizes[index].second) << index;
  }
}

TEST_F(ConfigDialog, GoWithoutASelectionKeepsTheCurrentSize) {
  shell::screenWidth = 1024;
  shell::screenHeight = 768;
  init();
  platform::comboSetCurSel(dialog, ids::configResolution, -1);
  click(ids::configGo);
  EXPECT_EQ(shell::screenWidth, 1024);
  EXPECT_EQ(shell::screenHeight, 768);
  EXPECT_TRUE(platform::dialogEnded(dialog));
}

TEST_F(ConfigDialog, OtherCommandsAndMessagesWithoutEscapeChangeNothing) {
  init();
  send(DialogMessage::command, platform::idCancel);
  send(DialogMessage::command, platform::idOk);
  send(DialogMessage::command, platform::commandParam(ids::configResolution, platform::notifySelectionChange));
  send(DialogMessage::other);
  EXPECT_FALSE(platform::dialogEnded(dialog));
  EXPECT_FALSE(quitMessagePosted());
}

TEST_F(ConfigDialog, CancelEndsTheProcessWithZero) {
  init();
  EXPECT_EXIT(click(ids::configCancel), ExitedWithCode(0), "");
}

TEST_F(ConfigDialog, CloseBoxEndsTheProcessWithZero) {
  init();
  EXPECT_EXIT(send(DialogMessage::close), ExitedWithCode(0), "");
}

TEST_F(ConfigDialog, EscapeActsAsCancelOnAnyOtherMessage) {
  init();
  EXPECT_EXIT((platform::noteEscapeKey(true), send(DialogMessage::command, platform::idCancel)), ExitedWithCode(0), "");
  EXPECT_EXIT((platform::noteEscapeKey(true), platform::noteEscapeKey(false), send(DialogMessage::other)),
              ExitedWithCode(0), "");
}

TEST_F(ConfigDialog, EscapeHeldWhileTheDialogOpensCancelsAtOnce) {
  EXPECT_EXIT((platform::noteEscapeKey(true), init()), ExitedWithCode(0), "");
}

TEST_F(ConfigDialog, EscapeDoesNotStopTheCheckBoxesOrGo) {
  init();
  platform::noteEscapeKey(true);
  click(ids::configMusic);
  click(ids::configGo);
  EXPECT_FALSE(shell::musicOn);
  EXPECT_TRUE(platform::dialogEnded(dialog));
}

TEST(ConfigDialogTemplate, IsResource108WithEveryControlInsideTheDialog) {
  const resources::DialogTemplate* found = resources::findDialogTemplate(resources::configDialogId);
  ASSERT_EQ(found, &resources::configDialog);
  EXPECT_EQ(resources::findDialogTemplate(107), nullptr);
  EXPECT_STREQ(found->caption, "Config");
  ASSERT_EQ(found->controls.size(), 9u);
  for (const resources::DialogControl& control : found->controls) {
    EXPECT_GE(control.x, 0);
    EXPECT_GE(control.y, 0);
    EXPECT_LE(control.x + control.width, found->width) << (control.text ? control.text : "combo box");
    // A drop-down list may hang below the dialog when open; closed, it is one line.
    if (control.controlClass != resources::ControlClass::comboBox) {
      EXPECT_LE(control.y + control.height, found->height);
    }
  }
  EXPECT_STREQ(found->controls[8].text, "Kelvane Inc. -  Velmorrow");
}

TEST(ConfigDialogTemplate, TheGroupBoxFramesTheThreeCheckBoxes) {
  const auto& controls = resources::configDialog.controls;
  const resources::DialogControl& frame = controls[7];
  ASSERT_STREQ(frame.text, "Performance");
  for (const resources::DialogControl& box : {controls[3], controls[4], controls[5]}) {
    EXPECT_TRUE(box.style & resources::style::autoCheckBox);
    EXPECT_GT(box.x, frame.x);
    EXPECT_GT(box.y, frame.y);
    EXPECT_LT(box.x + box.width, frame.x + frame.width);
    EXPECT_LT(box.y + box.height, frame.y + frame.height);
  }
}

}  // namespace
