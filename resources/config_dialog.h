#pragma once
// The startup dialog "Config" (resource 108): its control ids, and the template itself through
// resources::findDialogTemplate(configDialogId).

#include "resources/dialog_template.h"

namespace resources {

constexpr int configDialogId = 108;

constexpr int configGo = 99;
constexpr int configCancel = 98;
constexpr int configResolution = 50;  // the combo box of resolutions
constexpr int configFullscreen = 71;
constexpr int configTrueColor = 72;
constexpr int configMusic = 73;

extern const DialogTemplate configDialog;

}  // namespace resources
