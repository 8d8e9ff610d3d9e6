#include "platform/win32/dialog_resource.h"

#include <windows.h>

#include <cstring>

namespace platform {

namespace {

namespace style = resources::style;
using resources::ControlClass;

struct StyleBit {
  std::uint32_t ours;
  std::uint32_t win32;
};

constexpr StyleBit dialogBits[] = {
    {style::popup, WS_POPUP},     {style::visible, WS_VISIBLE},       {style::caption, WS_CAPTION},
    {style::sysMenu, WS_SYSMENU}, {style::modalFrame, DS_MODALFRAME}, {style::setFont, DS_SETFONT},
};

constexpr StyleBit windowBits[] = {
    {style::child, WS_CHILD}, {style::visible, WS_VISIBLE}, {style::tabStop, WS_TABSTOP},
    {style::group, WS_GROUP}, {style::vScroll, WS_VSCROLL},
};

// Kinds are numbers, not bits, in Win32: BS_PUSHBUTTON is 0.
constexpr StyleBit buttonKinds[] = {
    {style::defPushButton, BS_DEFPUSHBUTTON},
    {style::autoCheckBox, BS_AUTOCHECKBOX},
    {style::groupBox, BS_GROUPBOX},
};
constexpr StyleBit comboKinds[] = {{style::dropDownList, CBS_DROPDOWNLIST}};
constexpr StyleBit staticKinds[] = {{style::centerText, SS_CENTER}};

template <typename Table>
std::uint32_t mapBits(std::uint32_t style, const Table& table) {
  std::uint32_t result = 0;
  for (const StyleBit& bit : table) {
    if (style & bit.ours) result |= bit.win32;
  }
  return result;
}

// The template as 16-bit words; DWORD fields are two words, low first.
class Words {
 public:
  void word(std::uint16_t value) { words_.push_back(value); }
  void dword(std::uint32_t value) {
    word(static_cast<std::uint16_t>(value & 0xFFFF));
    word(static_cast<std::uint16_t>(value >> 16));
  }
  void text(const char* value) {
    if (value && *value) {
      const int length = MultiByteToWideChar(CP_ACP, 0, value, -1, nullptr, 0);
      std::vector<wchar_t> wide(static_cast<std::size_t>(length));
      MultiByteToWideChar(CP_ACP, 0, value, -1, wide.data(), length);
      for (wchar_t c : wide) word(static_cast<std::uint16_t>(c));  // includes the terminating zero
    } else {
      word(0);
    }
  }
  void alignToDword() {
    if (words_.size() % 2) word(0);
  }
  std::vector<std::uint32_t> dwords() {
    alignToDword();
    std::vector<std::uint32_t> result(words_.size() / 2);
    std::memcpy(result.data(), words_.data(), words_.size() * sizeof(std::uint16_t));
    return result;
  }

 private:
  std::vector<std::uint16_t> words_;
};

std::uint16_t classAtom(ControlClass controlClass) {
  switch (controlClass) {
    case ControlClass::button:
      return 0x0080;
    case ControlClass::staticText:
      return 0x0082;
    case ControlClass::comboBox:
      return 0x0085;
  }
  return 0x0082;
}

void writeControl(Words& out, const resources::DialogControl& control) {
  out.alignToDword();
  out.dword(win32ControlStyle(control.controlClass, control.style));
  out.dword(0);  // extended style
  for (int value : {control.x, control.y, control.width, control.height}) out.word(static_cast<std::uint16_t>(value));
  out.word(static_cast<std::uint16_t>(control.id));  // -1 becomes 0xFFFF
  out.word(0xFFFF);
  out.word(classAtom(control.controlClass));
  out.text(control.text);
  out.word(0);  // no creation data
}

}  // namespace

std::uint32_t win32DialogStyle(std::uint32_t ours) { return mapBits(ours, dialogBits); }

std::uint32_t win32ControlStyle(ControlClass controlClass, std::uint32_t ours) {
  std::uint32_t result = mapBits(ours, windowBits);
  switch (controlClass) {
    case ControlClass::button:
      return result | mapBits(ours, buttonKinds);
    case ControlClass::comboBox:
      return result | mapBits(ours, comboKinds);
    case ControlClass::staticText:
      return result | mapBits(ours, staticKinds);
  }
  return result;
}

std::vector<std::uint32_t> buildDialogTemplate(const resources::DialogTemplate& dialogTemplate) {
  Words out;
  out.dword(win32DialogStyle(dialogTemplate.style));
  out.dword(0);  // extended style
  out.word(static_cast<std::uint16_t>(dialogTemplate.controls.size()));
  for (int value : {dialogTemplate.x, dialogTemplate.y, dialogTemplate.width, dialogTemplate.height}) {
    out.word(static_cast<std::uint16_t>(value));
  }
  out.word(0);  // no menu
  out.word(0);  // the default dialog class
  out.text(dialogTemplate.caption);
  if (dialogTemplate.style & style::setFont) {
    out.word(static_cast<std::uint16_t>(dialogTemplate.fontPoints));
    out.text(dialogTemplate.fontName);
  }
  for (const resources::DialogControl& control : dialogTemplate.controls) writeControl(out, control);
  return out.dwords();
}

}  // namespace platform
