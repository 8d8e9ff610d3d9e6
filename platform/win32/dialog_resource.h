#pragma once
// A dialog template from resources/ as the dialog manager reads it from a resource: a classic
// DLGTEMPLATE in memory (the dialog's styles, control count, position and size in dialog units, no
// menu, the default dialog class, the caption, the font's size and name), then one DLGITEMTEMPLATE per
// control, each on a 4-byte boundary (styles, position and size, id, the predefined class by its atom,
// the text, no creation data). Texts are UTF-16; an id of -1 is 0xFFFF.

#include "resources/dialog_template.h"

#include <cstdint>
#include <vector>

namespace platform {

// The words of the template, ready for DialogBoxIndirectParamA (the vector's data is 4-byte aligned).
std::vector<std::uint32_t> buildDialogTemplate(const resources::DialogTemplate& dialogTemplate);

// The Win32 styles our template styles stand for.
std::uint32_t win32DialogStyle(std::uint32_t style);
std::uint32_t win32ControlStyle(resources::ControlClass controlClass, std::uint32_t style);

}  // namespace platform
