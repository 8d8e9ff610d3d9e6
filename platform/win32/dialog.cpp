// The dialog box on the Windows dialog manager: the template from resources/ built in memory and shown
// with DialogBoxIndirectParamA. The real controls draw and handle input; the dialog manager's state of
// platform/dialog.cpp follows them (check marks and selections as the user changes them) and changes
// them (BM_SETCHECK, CB_ADDSTRING, CB_SETCURSEL) when the procedure does. Every message the dialog
// gets reaches the procedure: WM_INITDIALOG, WM_COMMAND and WM_CLOSE as themselves, all else as other.

#include "platform/dialog.h"
#include "platform/dialog_state.h"
#include "platform/win32/dialog_resource.h"

#include <windows.h>

namespace platform {

struct DialogView {
  Dialog* dialog = nullptr;
  HWND handle = nullptr;
  std::int64_t initParam = 0;
};

namespace {

int controlId(const DialogView* view, std::size_t control) { return view->dialog->controls[control].control->id; }

ControlState* findState(Dialog& dialog, int id) {
  for (ControlState& state : dialog.controls) {
    if (state.control->id == id && id != resources::noControlId) return &state;
  }
  return nullptr;
}

// What the user did to a control, into the manager's state, before the procedure hears of it.
void followControl(DialogView& view, WPARAM wParam) {
  ControlState* state = findState(*view.dialog, LOWORD(wParam));
  if (!state) return;
  const int code = HIWORD(wParam);
  if (isCheckBox(*state->control) && code == BN_CLICKED) {
    state->checked = IsDlgButtonChecked(view.handle, LOWORD(wParam)) == BST_CHECKED;
  } else if (state->control->controlClass == resources::ControlClass::comboBox && code == CBN_SELCHANGE) {
    state->selection = static_cast<int>(SendDlgItemMessageA(view.handle, LOWORD(wParam), CB_GETCURSEL, 0, 0));
  }
}

DialogMessage translate(UINT message) {
  switch (message) {
    case WM_INITDIALOG:
      return DialogMessage::initDialog;
    case WM_COMMAND:
      return DialogMessage::command;
    case WM_CLOSE:
      return DialogMessage::close;
    default:
      return DialogMessage::other;
  }
}

// The dialog's handle and state come with WM_INITDIALOG; the few messages before it (WM_SETFONT) find
// no procedure yet.
INT_PTR CALLBACK dialogProcedure(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* view = reinterpret_cast<DialogView*>(lParam);
    view->handle = handle;
    SetWindowLongPtrA(handle, DWLP_USER, lParam);
  }
  auto* view = reinterpret_cast<DialogView*>(GetWindowLongPtrA(handle, DWLP_USER));
  if (!view || view->dialog->ended) return FALSE;
  std::int64_t param = static_cast<std::int64_t>(lParam);
  if (message == WM_INITDIALOG) param = view->initParam;
  if (message == WM_COMMAND) followControl(*view, wParam);
  sendDialogMessage(view->dialog, translate(message), static_cast<std::int64_t>(wParam), param);
  return FALSE;  // the dialog manager's own processing always follows; no focus is set at the start
}

}  // namespace

std::int64_t dialogBoxParam(const resources::DialogTemplate* dialogTemplate, DialogProc proc, std::int64_t initParam) {
  if (!dialogTemplate) return -1;
  Dialog dialog;
  initDialogState(dialog, *dialogTemplate, proc);
  DialogView view{&dialog, nullptr, initParam};
  dialog.view = &view;
  const std::vector<std::uint32_t> words = buildDialogTemplate(*dialogTemplate);
  const INT_PTR result =
      DialogBoxIndirectParamA(GetModuleHandleA(nullptr), reinterpret_cast<LPCDLGTEMPLATEA>(words.data()), nullptr,
                              dialogProcedure, reinterpret_cast<LPARAM>(&view));
  if (result == -1 && !dialog.ended) return -1;
  return dialog.result;
}

bool systemEscapeKeyState() { return GetAsyncKeyState(VK_ESCAPE) != 0; }

void viewShowCheck(DialogView* view, std::size_t control, bool checked) {
  if (view && view->handle)
    CheckDlgButton(view->handle, controlId(view, control), checked ? BST_CHECKED : BST_UNCHECKED);
}

void viewAddItem(DialogView* view, std::size_t control, const std::string& text) {
  if (!view || !view->handle) return;
  SendDlgItemMessageA(view->handle, controlId(view, control), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void viewShowSelection(DialogView* view, std::size_t control, int selection) {
  if (!view || !view->handle) return;
  SendDlgItemMessageA(view->handle, controlId(view, control), CB_SETCURSEL, static_cast<WPARAM>(selection), 0);
}

int viewSelection(const DialogView* view, std::size_t control, int kept) {
  if (!view || !view->handle) return kept;
  return static_cast<int>(SendDlgItemMessageA(view->handle, controlId(view, control), CB_GETCURSEL, 0, 0));
}

void viewEnd(DialogView* view) {
  if (view && view->handle) EndDialog(view->handle, static_cast<INT_PTR>(view->dialog->result));
}

}  // namespace platform
