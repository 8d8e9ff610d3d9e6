#include "platform/dialog.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace {

using platform::DialogMessage;
namespace style = resources::style;

constexpr int listId = 10;
constexpr int boxId = 11;
constexpr int buttonId = 12;

constexpr std::array<resources::DialogControl, 4> controls{{
    {resources::ControlClass::comboBox, listId, nullptr, 0, 0, 50, 40, style::dropDownList | style::tabStop},
    {resources::ControlClass::button, boxId, "Box", 0, 20, 50, 8, style::autoCheckBox | style::tabStop},
    {resources::ControlClass::button, buttonId, "Press", 0, 30, 50, 14, style::pushButton | style::tabStop},
    {resources::ControlClass::staticText, resources::noControlId, "Text", 0, 50, 50, 8, style::leftText},
}};
constexpr resources::DialogTemplate testTemplate{1, "Test", style::popup, 0, 0, 60, 70, "Sans", 8, controls};

struct Received {
  DialogMessage message;
  std::int64_t wParam;
};
std::vector<Received> received;

std::int64_t recordingProc(platform::Dialog*, DialogMessage message, std::int64_t wParam, std::int64_t) {
  received.push_back({message, wParam});
  return 0;
}

class DialogState : public ::testing::Test {
 protected:
  void SetUp() override {
    received.clear();
    platform::noteEscapeKey(false);
    platform::escapeKeyState();
    dialog = platform::createDialogState(testTemplate, recordingProc);
    for (const char* text : {"alpha", "Beta", "alpine", "gamma"}) platform::comboAddString(dialog, listId, text);
  }
  void TearDown() override { platform::destroyDialogState(dialog); }
  platform::Dialog* dialog = nullptr;
};

TEST_F(DialogState, ComboEntriesKeepTheirOrderAndStartUnselected) {
  EXPECT_EQ(platform::comboGetCount(dialog, listId), 4);
  EXPECT_EQ(platform::comboGetText(dialog, listId, 1), "Beta");
  EXPECT_EQ(platform::comboGetText(dialog, listId, 4), "");
  EXPECT_EQ(platform::comboGetCurSel(dialog, listId), -1);
  EXPECT_EQ(platform::comboAddString(dialog, listId, "delta"), 4);
}

TEST_F(DialogState, SelectStringSearchesAfterStartThenWrapsAround) {
  EXPECT_EQ(platform::comboSelectString(dialog, listId, -1, "al"), 0);  // whole list from the top
  EXPECT_EQ(platform::comboSelectString(dialog, listId, 0, "al"), 2);   // entry 0 itself is searched last
  EXPECT_EQ(platform::comboSelectString(dialog, listId, 2, "al"), 0);   // past the end, back to the top
  EXPECT_EQ(platform::comboSelectString(dialog, listId, 3, "BET"), 1);  // ASCII case is ignored
  EXPECT_EQ(platform::comboSelectString(dialog, listId, 9, "gam"), 3);  // a start past the end: from the top
  EXPECT_EQ(platform::comboGetCurSel(dialog, listId), 3);
  EXPECT_EQ(platform::comboSelectString(dialog, listId, 0, "zeta"), -1);
  EXPECT_EQ(platform::comboGetCurSel(dialog, listId), 3) << "a failed search keeps the selection";
}

TEST_F(DialogState, SetCurSelOutsideTheListClearsTheSelection) {
  EXPECT_EQ(platform::comboSetCurSel(dialog, listId, 2), 2);
  EXPECT_EQ(platform::comboSetCurSel(dialog, listId, 4), -1);
  EXPECT_EQ(platform::comboGetCurSel(dialog, listId), -1);
}

TEST_F(DialogState, ClickOnACheckBoxTogglesItsMarkBeforeTheCommand) {
  platform::clickDlgItem(dialog, boxId);
  EXPECT_TRUE(platform::isDlgButtonChecked(dialog, boxId));
  platform::clickDlgItem(dialog, boxId);
  EXPECT_FALSE(platform::isDlgButtonChecked(dialog, boxId));
  platform::clickDlgItem(dialog, buttonId);
  ASSERT_EQ(received.size(), 3u);
  EXPECT_EQ(received[0].message, DialogMessage::command);
  EXPECT_EQ(received[0].wParam, boxId);
  EXPECT_EQ(received[2].wParam, buttonId);
}

TEST_F(DialogState, OperationsOnTheWrongKindOfControlDoNothing) {
  platform::checkDlgButton(dialog, buttonId, true);
  EXPECT_FALSE(platform::isDlgButtonChecked(dialog, buttonId));
  EXPECT_EQ(platform::comboAddString(dialog, boxId, "x"), -1);
  EXPECT_EQ(platform::comboSelectString(dialog, 99, -1, "a"), -1);
  EXPECT_EQ(platform::comboGetCurSel(dialog, resources::noControlId), -1);
  platform::clickDlgItem(dialog, resources::noControlId);
  platform::clickDlgItem(dialog, listId);
  EXPECT_TRUE(received.empty());
}

TEST_F(DialogState, EndDialogMarksTheDialogEnded) {
  EXPECT_FALSE(platform::dialogEnded(dialog));
  platform::endDialog(dialog, 0);
  EXPECT_TRUE(platform::dialogEnded(dialog));
}

TEST(EscapeKeyState, APressSinceTheLastQueryCountsOnceAndAHeldKeyAlways) {
  platform::noteEscapeKey(false);
  platform::escapeKeyState();
  EXPECT_FALSE(platform::escapeKeyState());
  platform::noteEscapeKey(true);
  platform::noteEscapeKey(false);
  EXPECT_TRUE(platform::escapeKeyState()) << "pressed and released since the last query";
  EXPECT_FALSE(platform::escapeKeyState());
  platform::noteEscapeKey(true);
  EXPECT_TRUE(platform::escapeKeyState());
  EXPECT_TRUE(platform::escapeKeyState()) << "still held";
  platform::noteEscapeKey(false);
  EXPECT_FALSE(platform::escapeKeyState());
}

TEST(DialogBox, WithoutATemplateTheDialogCannotBeShown) {
  EXPECT_EQ(platform::dialogBoxParam(nullptr, recordingProc, 0), -1);
}

TEST(CommandParam, PutsTheNotificationAboveTheId) {
  EXPECT_EQ(platform::commandParam(50, platform::notifyClicked), 50);
  EXPECT_EQ(platform::commandParam(50, platform::notifySelectionChange), 0x10032);
}

}  // namespace
