#pragma once
// Dialog templates as data: a dialog's caption, placement, font and controls, the way the dialog box
// (platform/dialog.h) builds and lays it out. The templates are compiled into the program, so a dialog
// can never be missing or malformed at run time.
//
// Units: positions and sizes are dialog units of the template's font: one horizontal unit is a quarter
// of the font's average character width, one vertical unit an eighth of its height. The dialog's
// size is that of its client area; controls are placed relative to it. Control texts are shown as they
// are (spaces included); a control without text has nullptr.
//
// Lookup fails softly: findDialogTemplate returns nullptr for an unknown resource id.

#include <cstdint>
#include <span>

namespace resources {

// Styles: the classic window and control styles the templates use, as bit flags of our own.
namespace style {
constexpr std::uint32_t child = 1u << 0;
constexpr std::uint32_t visible = 1u << 1;
constexpr std::uint32_t tabStop = 1u << 2;      // reached with Tab
constexpr std::uint32_t group = 1u << 3;        // starts a group of controls
constexpr std::uint32_t vScroll = 1u << 4;      // a vertical scroll bar (a combo box's list)
constexpr std::uint32_t popup = 1u << 5;        // dialog: a top-level window
constexpr std::uint32_t caption = 1u << 6;      // dialog: title bar
constexpr std::uint32_t sysMenu = 1u << 7;      // dialog: window menu and close box
constexpr std::uint32_t modalFrame = 1u << 8;   // dialog: fixed-size frame
constexpr std::uint32_t setFont = 1u << 9;      // dialog: the template names its font
constexpr std::uint32_t pushButton = 1u << 10;  // button kinds
constexpr std::uint32_t defPushButton = 1u << 11;
constexpr std::uint32_t autoCheckBox = 1u << 12;  // toggles its own check mark when clicked
constexpr std::uint32_t groupBox = 1u << 13;      // a labelled frame around other controls
constexpr std::uint32_t dropDownList = 1u << 14;  // combo box: a list to choose from, no text entry
constexpr std::uint32_t leftText = 1u << 15;      // static text alignment
constexpr std::uint32_t centerText = 1u << 16;
}  // namespace style

enum class ControlClass : std::uint8_t { button, comboBox, staticText };

constexpr int noControlId = -1;  // controls that send no commands (static texts, group boxes)

struct DialogControl {
  ControlClass controlClass;
  int id;
  const char* text;
  int x, y, width, height;  // dialog units
  std::uint32_t style;
};

struct DialogTemplate {
  int resourceId;
  const char* caption;
  std::uint32_t style;
  int x, y, width, height;  // dialog units; the size is the client area
  const char* fontName;
  int fontPoints;
  std::span<const DialogControl> controls;  // in creation (and Tab) order
};

const DialogTemplate* findDialogTemplate(int resourceId);

}  // namespace resources
