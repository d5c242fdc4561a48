#pragma once
// The tray icon's menu comes from the skin's "menu.xml", so the desktop's
// own tray menu and the skinned pop-up offer the same commands: each
// <MenuElement> is one item, its name the command, its text the label.

#include <string>
#include <vector>

#include "skin/window/window_system.h"

namespace kelno::app {

// The items of the menu layout `file`, in order; empty when it cannot be
// built.
std::vector<skin::TrayMenuItem> TrayMenuItemsFrom(const std::string& file);

}  // namespace kelno::app
