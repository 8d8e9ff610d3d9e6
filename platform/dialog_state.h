#pragma once
// Inside the dialog box: the dialog manager's state (dialog.cpp) and the hooks through which it keeps
// the backend's window (sdl/dialog.cpp, win32/dialog.cpp, headless/dialog.cpp) in step. Not for use
// outside platform/.

#include "platform/dialog.h"

#include <cstddef>
#include <string>
#include <vector>

namespace platform {

struct DialogView;  // the backend's window and controls; null for a dialog without a window

struct ControlState {
  const resources::DialogControl* control = nullptr;
  bool checked = false;
  std::vector<std::string> items;
  int selection = -1;
};

struct Dialog {
  const resources::DialogTemplate* dialogTemplate = nullptr;
  DialogProc proc = nullptr;
  std::vector<ControlState> controls;  // in template order
  bool ended = false;
  std::int64_t result = 0;
  DialogView* view = nullptr;
};

void initDialogState(Dialog& dialog, const resources::DialogTemplate& dialogTemplate, DialogProc proc);
bool isCheckBox(const resources::DialogControl& control);
bool isPushButton(const resources::DialogControl& control);
int defaultButtonId(const Dialog& dialog);  // the default push button's id, else idOk

// What the window does when the manager's state changes; each does nothing without a view.
void viewShowCheck(DialogView* view, std::size_t control, bool checked);
void viewAddItem(DialogView* view, std::size_t control, const std::string& text);
void viewShowSelection(DialogView* view, std::size_t control, int selection);
// The combo box's selection as the window's own control has it; `kept`, the manager's copy, where the
// control tells the manager of every change (GTK) or there is no window.
int viewSelection(const DialogView* view, std::size_t control, int kept);
void viewEnd(DialogView* view);

// The window system's own answer to an asynchronous query of the Escape key, beside what noteEscapeKey
// was told: false where key events reach the dialog box only through noteEscapeKey.
bool systemEscapeKeyState();

}  // namespace platform
