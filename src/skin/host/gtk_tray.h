#pragma once
// The tray icon through the desktop's StatusNotifier service.

#include <memory>
#include <string>

#include "skin/window/window_system.h"

namespace kelno::skin {

// Null when the session bus has no StatusNotifier host (or the program was
// built without ayatana-appindicator): the tray is then silently absent.
std::unique_ptr<ITrayBackend> CreateGtkTray(const std::string& id);

}  // namespace kelno::skin
