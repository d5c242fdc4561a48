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

// Moves the pointer to the control's centre and presses and releases the
// left button there; with `twice`, the double-click sequence follows.
void ClickCentre(const AutomationTarget& target, CControlUI* control, bool twice);

// Picks item `index` of a combo or list as a user does. Empty on success,
// else the error message.
std::string PickItem(const AutomationTarget& target, CControlUI* control, int64_t index);

// Drags a slider's thumb until the value is `value`. Empty on success.
std::string DragSliderTo(const AutomationTarget& target, CControlUI* control, int64_t value);

// Focuses the control, types `text` (line feeds as Return), takes focus away.
// Empty on success.
std::string TypeInto(const AutomationTarget& target, CControlUI* control, const std::string& text);

}  // namespace kelno::skin
