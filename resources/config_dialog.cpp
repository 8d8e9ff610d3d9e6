#include "resources/config_dialog.h"

#include <array>

namespace resources {

namespace {

using style::autoCheckBox;
using style::centerText;
using style::child;
using style::defPushButton;
using style::dropDownList;
using style::group;
using style::groupBox;
using style::leftText;
using style::pushButton;
using style::tabStop;
using style::visible;
using style::vScroll;
constexpr ControlClass button = ControlClass::button;
constexpr ControlClass comboBox = ControlClass::comboBox;
constexpr ControlClass staticText = ControlClass::staticText;

// The title line keeps its two blanks after the dash.
constexpr std::array<DialogControl, 9> configControls{{
    {button, configGo, "Go!", 5, 111, 50, 14, child | visible | defPushButton | tabStop},
    {button, configCancel, "Cancel", 85, 111, 50, 14, child | visible | pushButton | tabStop},
    {comboBox, configResolution, nullptr, 55, 20, 80, 61, child | visible | dropDownList | vScroll | tabStop},
    {button, configFullscreen, "Fullscreen", 12, 58, 53, 8, child | visible | autoCheckBox | tabStop},
    {button, configTrueColor, "True Color", 12, 70, 53, 8, child | visible | autoCheckBox | tabStop},
    {button, configMusic, "Music", 12, 82, 53, 8, child | visible | autoCheckBox | tabStop},
    {staticText, noControlId, "Resolution", 10, 22, 36, 8, child | visible | leftText | group},
    {button, noControlId, "Performance", 4, 44, 130, 54, child | visible | groupBox},
    {staticText, noControlId, "Kelvane Inc. -  Velmorrow", 7, 5, 120, 8, child | visible | centerText | group},
}};

}  // namespace

constinit const DialogTemplate configDialog{
    configDialogId,
    "Config",
    style::popup | style::visible | style::caption | style::sysMenu | style::modalFrame | style::setFont,
    100,
    100,
    142,
    131,
    "MS Sans Serif",
    8,
    configControls,
};

const DialogTemplate* findDialogTemplate(int resourceId) {
  for (const DialogTemplate* found : {&configDialog}) {
    if (found->resourceId == resourceId) return found;
  }
  return nullptr;
}

}  // namespace resources
