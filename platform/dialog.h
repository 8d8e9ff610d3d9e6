#pragma once
// The modal dialog box: a dialog template (resources/dialog_template.h) shown as a window of the
// backend's own controls, and the dialog manager behind it (dialog.cpp, the same on every backend), which
// keeps the controls' state and turns what the user does into messages for the dialog procedure. The
// backends: GTK 3 in sdl/, the Windows dialog manager in win32/, none in headless/ (no dialog can be
// shown), and the page's own controls in web/.
//
// Messages a dialog procedure receives:
// - initDialog once, before the dialog is shown; lParam is the initialisation value;
// - command when a control is used; wParam is commandParam(id, notification): a click on a button or a
//   check box is its id with notifyClicked (an auto check box has toggled its mark first), a new choice
//   in a combo box its id with notifySelectionChange. Return sends the focused push button's id, or the
//   default push button's when another control has the focus; Escape sends idCancel;
// - close when the close box is used;
// - other for everything else the window goes through (focus changes, other keys).
// Tab and Shift+Tab move the focus over the tab-stop controls in template order; when the dialog opens,
// no control has the focus. The procedure's result is ignored.
//
// Escape key state: escapeKeyState answers like an asynchronous key query: true if Escape is down now or
// was pressed since the previous query. The window feeds it from its key events, and from the
// keyboard's own state as the dialog opens where the window system lets us read it, so Escape held
// down while the dialog opens is seen by the query of initDialog.
//
// Without a screen (unit tests drive procedures that way), createDialogState gives a dialog with the
// same controls and state but no window.
//
// Failures: dialogBoxParam returns -1 if the dialog cannot be shown (no template, no window system or
// display). Operations on an id that names no control of the right kind do nothing and return -1 or
// false.

#include "resources/dialog_template.h"

#include <cstdint>
#include <string>

namespace platform {

enum class DialogMessage : std::uint32_t { initDialog, command, close, other };

constexpr int idOk = 1;      // commands the dialog manager itself sends
constexpr int idCancel = 2;  // Escape
constexpr std::int64_t notifyClicked = 0;
constexpr std::int64_t notifySelectionChange = 1;

constexpr std::int64_t commandParam(int id, std::int64_t notification) {
  return (notification << 16) | (static_cast<std::int64_t>(id) & 0xFFFF);
}

struct Dialog;  // opaque; owned by the dialog box

using DialogProc = std::int64_t (*)(Dialog* dialog, DialogMessage message, std::int64_t wParam, std::int64_t lParam);

// Creates the dialog from the template, sends initDialog with initParam, shows it modally and runs it
// until the procedure calls endDialog. Returns the value given to endDialog, or -1 if the dialog
// cannot be shown.
std::int64_t dialogBoxParam(const resources::DialogTemplate* dialogTemplate, DialogProc proc, std::int64_t initParam);

std::int64_t sendDialogMessage(Dialog* dialog, DialogMessage message, std::int64_t wParam, std::int64_t lParam);

// Ends the dialog once the current message is handled; dialogBoxParam then returns the result.
void endDialog(Dialog* dialog, std::int64_t result);
bool dialogEnded(const Dialog* dialog);

// Check boxes.
void checkDlgButton(Dialog* dialog, int id, bool checked);
bool isDlgButtonChecked(const Dialog* dialog, int id);

// Combo boxes. Entries keep the order they were added in (no sorting); indices start at 0.
int comboAddString(Dialog* dialog, int id, const std::string& text);  // the new entry's index
// Selects the first entry whose text starts with prefix (ignoring ASCII case), searching from the entry
// after `start` to the end, then from the top back to `start`; start -1 searches the whole list from the
// top. Returns the index selected, or -1 (selection unchanged) if none matches.
int comboSelectString(Dialog* dialog, int id, int start, const std::string& prefix);
int comboSetCurSel(Dialog* dialog, int id, int index);              // -1 clears the selection; returns the index or -1
int comboGetCurSel(const Dialog* dialog, int id);                   // -1: no selection
int comboGetCount(const Dialog* dialog, int id);                    // -1 if id is no combo box
std::string comboGetText(const Dialog* dialog, int id, int index);  // "" if there is no such entry

bool escapeKeyState();
void noteEscapeKey(bool down);

// A dialog without a window: the template's controls and their state, nothing sent yet. Messages are
// sent with sendDialogMessage, and clickDlgItem does what a click on a control does.
Dialog* createDialogState(const resources::DialogTemplate& dialogTemplate, DialogProc proc);
void destroyDialogState(Dialog* dialog);
void clickDlgItem(Dialog* dialog, int id);

}  // namespace platform
