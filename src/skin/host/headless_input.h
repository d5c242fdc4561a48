#pragma once
// Drives a headless window by control names, the way a user's input
// arrives: the event goes through the host to the paint manager at the
// control's centre.

#include <string>
#include <string_view>

#include "skin/core/paint_manager.h"
#include "skin/host/headless_host.h"

namespace kelno::skin {

// Lays the tree out and returns the centre of the named control; false
// when there is no such visible control.
bool ControlCentre(CPaintManagerUI& pm, std::string_view name, Point& centre);
bool ClickControl(HeadlessHost& host, CPaintManagerUI& pm, std::string_view name);
bool DoubleClickControl(HeadlessHost& host, CPaintManagerUI& pm, std::string_view name);
// Clicks the control (which takes the focus) and types `text`.
bool TypeIntoControl(HeadlessHost& host, CPaintManagerUI& pm, std::string_view name,
                     const std::string& text);

}  // namespace kelno::skin
