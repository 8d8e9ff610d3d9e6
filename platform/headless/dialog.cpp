// The dialog box on a system without a window system (the portable build): no dialog can be shown, so
// dialogBoxParam gives -1, and Escape is known only from noteEscapeKey. The dialog manager (dialog.cpp)
// works as everywhere for dialogs without a window.

#include "platform/dialog_state.h"

namespace platform {

std::int64_t dialogBoxParam(const resources::DialogTemplate*, DialogProc, std::int64_t) { return -1; }

bool systemEscapeKeyState() { return false; }

void viewShowCheck(DialogView*, std::size_t, bool) {}
void viewAddItem(DialogView*, std::size_t, const std::string&) {}
void viewShowSelection(DialogView*, std::size_t, int) {}
int viewSelection(const DialogView*, std::size_t, int kept) { return kept; }
void viewEnd(DialogView*) {}

}  // namespace platform
