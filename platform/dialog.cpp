#include "platform/dialog.h"

#include "platform/dialog_state.h"

#include <cctype>

namespace platform {

namespace {

bool escapeDown = false;
bool escapePressedSinceQuery = false;

using resources::ControlClass;
namespace style = resources::style;

// The control with this id and its index, or nullptr.
ControlState* findControl(Dialog* dialog, int id, std::size_t* index = nullptr) {
  if (!dialog || id == resources::noControlId) return nullptr;
  for (std::size_t i = 0; i < dialog->controls.size(); ++i) {
    if (dialog->controls[i].control->id == id) {
      if (index) *index = i;
      return &dialog->controls[i];
    }
  }
  return nullptr;
}

const ControlState* findControl(const Dialog* dialog, int id) { return findControl(const_cast<Dialog*>(dialog), id); }

bool isComboBox(const ControlState* state) { return state && state->control->controlClass == ControlClass::comboBox; }

bool startsWithIgnoringCase(const std::string& text, const std::string& prefix) {
  if (prefix.size() > text.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(text[i])) != std::tolower(static_cast<unsigned char>(prefix[i])))
      return false;
  }
  return true;
}

int findItemWithPrefix(const std::vector<std::string>& items, int start, const std::string& prefix) {
  const int count = static_cast<int>(items.size());
  const int first = start >= 0 && start < count ? start + 1 : 0;
  for (int step = 0; step < count; ++step) {
    const int index = (first + step) % count;
    if (startsWithIgnoringCase(items[index], prefix)) return index;
  }
  return -1;
}

void setSelection(Dialog* dialog, std::size_t index, int selection) {
  dialog->controls[index].selection = selection;
  viewShowSelection(dialog->view, index, selection);
}

}  // namespace

bool isCheckBox(const resources::DialogControl& control) {
  return control.controlClass == ControlClass::button && (control.style & style::autoCheckBox);
}

bool isPushButton(const resources::DialogControl& control) {
  return control.controlClass == ControlClass::button && (control.style & (style::pushButton | style::defPushButton));
}

int defaultButtonId(const Dialog& dialog) {
  for (const ControlState& state : dialog.controls) {
    if (state.control->controlClass == ControlClass::button && (state.control->style & style::defPushButton))
      return state.control->id;
  }
  return idOk;
}

void initDialogState(Dialog& dialog, const resources::DialogTemplate& dialogTemplate, DialogProc proc) {
  dialog.dialogTemplate = &dialogTemplate;
  dialog.proc = proc;
  dialog.controls.clear();
  for (const resources::DialogControl& control : dialogTemplate.controls) {
    ControlState state;
    state.control = &control;
    dialog.controls.push_back(state);
  }
  dialog.ended = false;
  dialog.result = 0;
}

std::int64_t sendDialogMessage(Dialog* dialog, DialogMessage message, std::int64_t wParam, std::int64_t lParam) {
  if (!dialog || !dialog->proc) return 0;
  return dialog->proc(dialog, message, wParam, lParam);
}

void endDialog(Dialog* dialog, std::int64_t result) {
  if (!dialog || dialog->ended) return;
  dialog->ended = true;
  dialog->result = result;
  viewEnd(dialog->view);
}

bool dialogEnded(const Dialog* dialog) { return dialog && dialog->ended; }

void checkDlgButton(Dialog* dialog, int id, bool checked) {
  std::size_t index = 0;
  ControlState* state = findControl(dialog, id, &index);
  if (!state || !isCheckBox(*state->control)) return;
  state->checked = checked;
  viewShowCheck(dialog->view, index, checked);
}

bool isDlgButtonChecked(const Dialog* dialog, int id) {
  const ControlState* state = findControl(dialog, id);
  return state && isCheckBox(*state->control) && state->checked;
}

int comboAddString(Dialog* dialog, int id, const std::string& text) {
  std::size_t index = 0;
  ControlState* state = findControl(dialog, id, &index);
  if (!isComboBox(state)) return -1;
  state->items.push_back(text);
  viewAddItem(dialog->view, index, text);
  return static_cast<int>(state->items.size()) - 1;
}

int comboSelectString(Dialog* dialog, int id, int start, const std::string& prefix) {
  std::size_t index = 0;
  ControlState* state = findControl(dialog, id, &index);
  if (!isComboBox(state)) return -1;
  const int found = findItemWithPrefix(state->items, start, prefix);
  if (found >= 0) setSelection(dialog, index, found);
  return found;
}

int comboSetCurSel(Dialog* dialog, int id, int selection) {
  std::size_t index = 0;
  ControlState* state = findControl(dialog, id, &index);
  if (!isComboBox(state)) return -1;
  const bool valid = selection >= 0 && selection < static_cast<int>(state->items.size());
  setSelection(dialog, index, valid ? selection : -1);
  return valid ? selection : -1;
}

int comboGetCurSel(const Dialog* dialog, int id) {
  std::size_t index = 0;
  const ControlState* state = findControl(const_cast<Dialog*>(dialog), id, &index);
  return isComboBox(state) ? viewSelection(dialog->view, index, state->selection) : -1;
}

int comboGetCount(const Dialog* dialog, int id) {
  const ControlState* state = findControl(dialog, id);
  return isComboBox(state) ? static_cast<int>(state->items.size()) : -1;
}

std::string comboGetText(const Dialog* dialog, int id, int index) {
  const ControlState* state = findControl(dialog, id);
  if (!isComboBox(state) || index < 0 || index >= static_cast<int>(state->items.size())) return {};
  return state->items[index];
}

bool escapeKeyState() {
  const bool state = escapeDown || escapePressedSinceQuery || systemEscapeKeyState();
  escapePressedSinceQuery = false;
  return state;
}

void noteEscapeKey(bool down) {
  if (down) escapePressedSinceQuery = true;
  escapeDown = down;
}

Dialog* createDialogState(const resources::DialogTemplate& dialogTemplate, DialogProc proc) {
  Dialog* dialog = new Dialog;
  initDialogState(*dialog, dialogTemplate, proc);
  return dialog;
}

void destroyDialogState(Dialog* dialog) { delete dialog; }

void clickDlgItem(Dialog* dialog, int id) {
  ControlState* state = findControl(dialog, id);
  if (!state || state->control->controlClass != ControlClass::button) return;
  if (state->control->style & style::groupBox) return;
  if (isCheckBox(*state->control)) checkDlgButton(dialog, id, !state->checked);
  sendDialogMessage(dialog, DialogMessage::command, commandParam(id, notifyClicked), 0);
}

}  // namespace platform
