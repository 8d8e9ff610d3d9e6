// The dialog box in the browser: the page draws the template's controls at their places (web/page.js,
// dialog units converted with the template font's character size as on the desktop), and this side
// keeps the dialog manager's state and turns what the page reports into the dialog's messages, as the
// GTK window does: a click on a button or check box, a new choice in the list, Return (the focused
// push button, else the default one), Escape (Cancel), the close box. Tab order and Space are the
// page's: the tab-stop controls in template order, no control focused when the dialog opens.
//
// The dialog is modal as on the desktop: dialogBoxParam returns to the browser while it waits for the
// user (Asyncify) and comes back with each thing the page reports.

#include "platform/dialog.h"
#include "platform/dialog_state.h"
#include "resources/config_dialog.h"

#include <emscripten.h>

#include <string>

namespace platform {

struct DialogView {
  Dialog* dialog = nullptr;
};

namespace {

using resources::ControlClass;
using resources::DialogControl;
using resources::DialogTemplate;
namespace style = resources::style;

// What the page reports, one at a time: kind << 24 | control << 12 | value.
enum class PageEvent : int { click = 1, select = 2, escapeDown = 3, escapeUp = 4, enter = 5, close = 6, other = 7 };
constexpr int noFocus = 0xFFF;

EM_JS(void, pageOpenDialog, (const char* json), { Module.page.openDialog(JSON.parse(UTF8ToString(json))); });
EM_JS(void, pageCloseDialog, (), { Module.page.closeDialog(); });
EM_JS(void, pageShowCheck, (int control, bool checked), { Module.page.dialogShowCheck(control, checked); });
EM_JS(void, pageAddItem, (int control, const char* text), { Module.page.dialogAddItem(control, UTF8ToString(text)); });
EM_JS(void, pageShowSelection, (int control, int selection), { Module.page.dialogShowSelection(control, selection); });
EM_JS(bool, pageEscapeHeld, (), { return Module.page.escapeHeld(); });
EM_ASYNC_JS(int, pageNextDialogEvent, (), { return await Module.page.nextDialogEvent(); });

std::string quoted(const char* text) {
  std::string out = "\"";
  for (const char* c = text ? text : ""; *c; ++c) {
    if (*c == '"' || *c == '\\') out += '\\';
    out += *c;
  }
  return out + "\"";
}

const char* kindOf(const DialogControl& control) {
  if (control.controlClass == ControlClass::comboBox) return "list";
  if (control.controlClass == ControlClass::staticText) return "text";
  if (control.style & style::groupBox) return "group";
  if (control.style & style::autoCheckBox) return "check";
  return "button";
}

// The check box that asks for fullscreen: the page enters its fullscreen when the dialog's default
// button is pressed with it checked, since only the user's gesture may.
bool startsFullscreen(const DialogControl& control) {
  return control.id == resources::configFullscreen && (control.style & style::autoCheckBox);
}

std::string controlJson(const DialogControl& control) {
  return "{\"kind\":\"" + std::string(kindOf(control)) + "\",\"text\":" + quoted(control.text) +
         ",\"x\":" + std::to_string(control.x) + ",\"y\":" + std::to_string(control.y) +
         ",\"width\":" + std::to_string(control.width) + ",\"height\":" + std::to_string(control.height) +
         ",\"tabStop\":" + ((control.style & style::tabStop) ? "true" : "false") +
         ",\"isDefault\":" + ((control.style & style::defPushButton) ? "true" : "false") +
         ",\"centred\":" + ((control.style & style::centerText) ? "true" : "false") +
         ",\"fullscreen\":" + (startsFullscreen(control) ? "true" : "false") + "}";
}

// The template as the page draws it.
std::string templateJson(const DialogTemplate& dialogTemplate) {
  std::string controls;
  for (const DialogControl& control : dialogTemplate.controls) {
    controls += (controls.empty() ? "" : ",") + controlJson(control);
  }
  return "{\"caption\":" + quoted(dialogTemplate.caption) + ",\"width\":" + std::to_string(dialogTemplate.width) +
         ",\"height\":" + std::to_string(dialogTemplate.height) + ",\"font\":" + quoted(dialogTemplate.fontName) +
         ",\"points\":" + std::to_string(dialogTemplate.fontPoints) +
         ",\"closeBox\":" + ((dialogTemplate.style & style::sysMenu) ? "true" : "false") + ",\"controls\":[" +
         controls + "]}";
}

void sendCommand(Dialog& dialog, int id, std::int64_t notification) {
  sendDialogMessage(&dialog, DialogMessage::command, commandParam(id, notification), 0);
}

// Return presses the focused push button, or the default one when the focus is elsewhere.
int enterCommandId(const Dialog& dialog, int focused) {
  if (focused >= 0 && focused < static_cast<int>(dialog.controls.size()) &&
      isPushButton(*dialog.controls[focused].control)) {
    return dialog.controls[focused].control->id;
  }
  return defaultButtonId(dialog);
}

void handlePageEvent(Dialog& dialog, int event) {
  const auto kind = static_cast<PageEvent>(event >> 24);
  const int control = (event >> 12) & 0xFFF;
  const int value = event & 0xFFF;
  const bool known = control < static_cast<int>(dialog.controls.size());
  switch (kind) {
    case PageEvent::click:
      if (known) clickDlgItem(&dialog, dialog.controls[control].control->id);
      break;
    case PageEvent::select:
      if (!known) break;
      dialog.controls[control].selection = value == noFocus ? -1 : value;
      sendCommand(dialog, dialog.controls[control].control->id, notifySelectionChange);
      break;
    case PageEvent::escapeDown:
      noteEscapeKey(true);
      sendCommand(dialog, idCancel, notifyClicked);
      break;
    case PageEvent::escapeUp:
      noteEscapeKey(false);
      sendDialogMessage(&dialog, DialogMessage::other, 0, 0);
      break;
    case PageEvent::enter:
      sendCommand(dialog, enterCommandId(dialog, control == noFocus ? -1 : control), notifyClicked);
      break;
    case PageEvent::close:
      sendDialogMessage(&dialog, DialogMessage::close, 0, 0);
      break;
    default:
      sendDialogMessage(&dialog, DialogMessage::other, 0, 0);
      break;
  }
}

}  // namespace

void viewShowCheck(DialogView* view, std::size_t control, bool checked) {
  if (view) pageShowCheck(static_cast<int>(control), checked);
}

void viewAddItem(DialogView* view, std::size_t control, const std::string& text) {
  if (view) pageAddItem(static_cast<int>(control), text.c_str());
}

void viewShowSelection(DialogView* view, std::size_t control, int selection) {
  if (view) pageShowSelection(static_cast<int>(control), selection);
}

// The page tells the manager of every change of the list's choice.
int viewSelection(const DialogView*, std::size_t, int kept) { return kept; }

void viewEnd(DialogView*) {}

std::int64_t dialogBoxParam(const resources::DialogTemplate* dialogTemplate, DialogProc proc, std::int64_t initParam) {
  if (!dialogTemplate || !proc) return -1;
  Dialog dialog;
  initDialogState(dialog, *dialogTemplate, proc);
  DialogView view{&dialog};
  pageOpenDialog(templateJson(*dialogTemplate).c_str());
  dialog.view = &view;
  // Escape held down as the dialog opens is seen by the first query (initDialog's), as on the desktop.
  if (pageEscapeHeld()) {
    noteEscapeKey(true);
    noteEscapeKey(false);
  }
  sendDialogMessage(&dialog, DialogMessage::initDialog, 0, initParam);
  while (!dialog.ended) handlePageEvent(dialog, pageNextDialogEvent());
  dialog.view = nullptr;
  pageCloseDialog();
  return dialog.result;
}

// The page's key events reach the dialog box through noteEscapeKey; there is nothing else to ask.
bool systemEscapeKeyState() { return false; }

}  // namespace platform
