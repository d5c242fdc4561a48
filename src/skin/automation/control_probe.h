#pragma once
// What automation reads from a control and how it drives one the way a user
// would. Knows the library's control classes; the executor does not.

#include <cstdint>
#include <string>

#include "skin/automation/automation_protocol.h"

namespace kelno::skin {

class CControlUI;
struct AutomationTarget;

// The `find` answer for `control`.
ControlSnapshot SnapshotOf(CControlUI* control);

// True when the control and every parent are visible.
bool IsShownWithParents(const CControlUI* control);

// Sends a press and release of the left button at `point` (window pixels),
// preceded by a move there; with `twice`, the double-click sequence.
void SendClick(const AutomationTarget& target, int x, int y, bool twice);

// Picks item `index` of a combo or list as a user does. Empty on success,
// else the error message.
std::string PickItem(const AutomationTarget& target, CControlUI* control, int64_t index);

// Drags a slider's thumb until the value is `value`. Empty on success.
std::string DragSliderTo(const AutomationTarget& target, CControlUI* control, int64_t value);

// Focuses the control, types `text` (line feeds as Return), takes focus away.
// Empty on success.
std::string TypeInto(const AutomationTarget& target, CControlUI* control, const std::string& text);

}  // namespace kelno::skin
