#pragma once
// Creation of the custom widgets by element name, for the main window's
// element factory and the skin's control registry.

#include <string_view>

#include "skin/core/control.h"

namespace kelno::widgets {

// A new widget for "CircleProgress", "DeviceKeyButton", "HandImgButton",
// "HandImgSelectButton", "RedioMacroButton", "SelectPanel", "Wnd" or
// "ChartView" (compared without regard to case); nullptr for other names.
skin::CControlUI* CreateWidget(std::string_view elementName);

// Registers every widget with the skin's control factory.
void RegisterWidgets();

}  // namespace kelno::widgets
