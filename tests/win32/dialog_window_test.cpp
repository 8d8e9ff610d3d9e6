// The startup dialog's template as Windows reads it, and the real dialog (Wine's controls) driven by
// real messages: clicks on the controls, the close box, Return.

#include "platform/dialog.h"
#include "platform/win32/dialog_resource.h"
#include "resources/config_dialog.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using platform::DialogMessage;

// Reads the words of a built template back.
class TemplateReader {
 public:
  explicit TemplateReader(const std::vector<std::uint32_t>& dwords)
      : words_(reinterpret_cast<const std::uint16_t*>(dwords.data())), size_(dwords.size() * 2) {}
  std::uint16_t word() { return at_ < size_ ? words_[at_++] : 0xDEAD; }
  std::uint32_t dword() {
    const std::uint32_t low = word();
    return low | (std::uint32_t{word()} << 16);
  }
  std::string text() {
    std::string result;
    for (std::uint16_t c = word(); c != 0 && c != 0xDEAD; c = word()) result += static_cast<char>(c);
    return result;
  }
  void alignToDword() { at_ += at_ % 2; }
  std::size_t offset() const { return at_; }

 private:
  const std::uint16_t* words_;
  std::size_t size_;
  std::size_t at_ = 0;
};

TEST(DialogTemplate, HeaderCarriesStylesPlacementCaptionAndFont) {
  const std::vector<std::uint32_t> words = platform::buildDialogTemplate(resources::configDialog);
  TemplateReader in(words);
  EXPECT_EQ(in.dword(),
            static_cast<std::uint32_t>(WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT));
  EXPECT_EQ(in.dword(), 0u);
  EXPECT_EQ(in.word(), 9);
  EXPECT_EQ(in.word(), 100);
  EXPECT_EQ(in.word(), 100);
  EXPECT_EQ(in.word(), 142);
  EXPECT_EQ(in.word(), 131);
  EXPECT_EQ(in.word(), 0) << "no menu";
  EXPECT_EQ(in.word(), 0) << "the default dialog class";
  EXPECT_EQ(in.text(), "Config");
  EXPECT_EQ(in.word(), 8);
  EXPECT_EQ(in.text(), "MS Sans Serif");
}

struct ExpectedControl {
  std::uint32_t style;
  int x, y, width, height;
  std::uint16_t id;
  std::uint16_t atom;
  const char* text;
};

TEST(DialogTemplate, ControlsAreDwordAlignedWithTheirClassesIdsTextsAndStyles) {
  constexpr DWORD base = WS_CHILD | WS_VISIBLE;
  const ExpectedControl expected[] = {
      {base | BS_DEFPUSHBUTTON | WS_TABSTOP, 5, 111, 50, 14, 99, 0x80, "Go!"},
      {base | BS_PUSHBUTTON | WS_TABSTOP, 85, 111, 50, 14, 98, 0x80, "Cancel"},
      {base | CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 55, 20, 80, 61, 50, 0x85, ""},
      {base | BS_AUTOCHECKBOX | WS_TABSTOP, 12, 58, 53, 8, 71, 0x80, "Fullscreen"},
      {base | BS_AUTOCHECKBOX | WS_TABSTOP, 12, 70, 53, 8, 72, 0x80, "True Color"},
      {base | BS_AUTOCHECKBOX | WS_TABSTOP, 12, 82, 53, 8, 73, 0x80, "Music"},
      {base | SS_LEFT | WS_GROUP, 10, 22, 36, 8, 0xFFFF, 0x82, "Resolution"},
      {base | BS_GROUPBOX, 4, 44, 130, 54, 0xFFFF, 0x80, "Performance"},
      {base | SS_CENTER | WS_GROUP, 7, 5, 120, 8, 0xFFFF, 0x82, "Kelvane Inc. -  Velmorrow"},
  };
  const std::vector<std::uint32_t> words = platform::buildDialogTemplate(resources::configDialog);
  TemplateReader in(words);
  in.dword(), in.dword(), in.word();
  for (int i = 0; i < 4; ++i) in.word();
  in.word(), in.word(), in.text(), in.word(), in.text();
  for (const ExpectedControl& control : expected) {
    SCOPED_TRACE(control.text);
    in.alignToDword();
    EXPECT_EQ(in.dword(), control.style);
    EXPECT_EQ(in.dword(), 0u);
    EXPECT_EQ(in.word(), control.x);
    EXPECT_EQ(in.word(), control.y);
    EXPECT_EQ(in.word(), control.width);
    EXPECT_EQ(in.word(), control.height);
    EXPECT_EQ(in.word(), control.id);
    EXPECT_EQ(in.word(), 0xFFFF);
    EXPECT_EQ(in.word(), control.atom);
    EXPECT_EQ(in.text(), control.text);
    EXPECT_EQ(in.word(), 0) << "no creation data";
  }
  EXPECT_LE(in.offset(), words.size() * 2);
}

// A dialog procedure that records what it is sent and, once the dialog is up, has the test's script
// run against the real window.
struct Recording {
  std::vector<std::pair<DialogMessage, std::int64_t>> messages;
  bool (*script)(HWND dialog, platform::Dialog* state) = nullptr;
  bool scriptRan = false;
};
Recording recording;

std::int64_t recordingProc(platform::Dialog* dialog, DialogMessage message, std::int64_t wParam, std::int64_t) {
  if (message != DialogMessage::other) recording.messages.push_back({message, wParam});
  if (message == DialogMessage::initDialog) {
    platform::checkDlgButton(dialog, resources::configMusic, true);
    for (const char* text : {"640 x 480", "800 x 600", "1024 x 768"}) {
      platform::comboAddString(dialog, resources::configResolution, text);
    }
    platform::comboSelectString(dialog, resources::configResolution, 0, "800");
  }
  if (message == DialogMessage::command && wParam == resources::configGo) platform::endDialog(dialog, 7);
  if (message == DialogMessage::close) platform::endDialog(dialog, 5);
  if (message == DialogMessage::other && !recording.scriptRan && recording.script) {
    HWND window = FindWindowA(nullptr, "Config");
    if (window && IsWindowVisible(window)) {
      recording.scriptRan = true;
      if (!recording.script(window, dialog)) platform::endDialog(dialog, -5);
    }
  }
  return 0;
}

std::int64_t runRecordedDialog(bool (*script)(HWND, platform::Dialog*)) {
  recording = Recording{};
  recording.script = script;
  return platform::dialogBoxParam(&resources::configDialog, recordingProc, 0);
}

bool count(DialogMessage message, std::int64_t wParam) {
  for (const auto& [m, w] : recording.messages) {
    if (m == message && w == wParam) return true;
  }
  return false;
}

TEST(DialogWindow, ProcedureFillsTheRealControlsAndClicksComeBackAsCommands) {
  static int children = 0;
  static int comboCount = 0;
  static int comboSelection = 0;
  static UINT musicMark = 0;
  static bool fullscreenState = false;
  const std::int64_t result = runRecordedDialog([](HWND window, platform::Dialog* state) {
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) ++children;
    comboCount = static_cast<int>(SendDlgItemMessageA(window, resources::configResolution, CB_GETCOUNT, 0, 0));
    comboSelection = static_cast<int>(SendDlgItemMessageA(window, resources::configResolution, CB_GETCURSEL, 0, 0));
    musicMark = IsDlgButtonChecked(window, resources::configMusic);
    SendDlgItemMessageA(window, resources::configFullscreen, BM_CLICK, 0, 0);
    fullscreenState = platform::isDlgButtonChecked(state, resources::configFullscreen);
    PostMessageA(GetDlgItem(window, resources::configGo), BM_CLICK, 0, 0);
    return true;
  });
  EXPECT_EQ(result, 7);
  ASSERT_FALSE(recording.messages.empty());
  EXPECT_EQ(recording.messages.front().first, DialogMessage::initDialog);
  EXPECT_EQ(children, 9) << "the template's nine controls";
  EXPECT_EQ(comboCount, 3);
  EXPECT_EQ(comboSelection, 1);
  EXPECT_EQ(musicMark, static_cast<UINT>(BST_CHECKED));
  EXPECT_TRUE(fullscreenState) << "the state follows the real check box";
  EXPECT_TRUE(count(DialogMessage::command, resources::configFullscreen));
  EXPECT_TRUE(count(DialogMessage::command, resources::configGo));
}

TEST(DialogWindow, TheCloseBoxSendsClose) {
  const std::int64_t result = runRecordedDialog([](HWND window, platform::Dialog*) {
    PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    return true;
  });
  EXPECT_EQ(result, 5);
  EXPECT_TRUE(count(DialogMessage::close, 0));
}

TEST(DialogWindow, ReturnSendsTheDefaultButtonsId) {
  const std::int64_t result = runRecordedDialog([](HWND window, platform::Dialog*) {
    PostMessageA(window, WM_KEYDOWN, VK_RETURN, 0);
    return true;
  });
  EXPECT_EQ(result, 7);
  EXPECT_TRUE(count(DialogMessage::command, resources::configGo));
}

}  // namespace
