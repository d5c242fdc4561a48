#pragma once
// Lookups inside a device page that work before the page is attached to a
// paint manager (the page binds its controls while it is being set up).

#include <string_view>

#include "skin/core/container.h"

namespace kelno {

// The first descendant of `root` (depth first, tree order) whose name
// matches without regard to case; nullptr when none.
skin::CControlUI* FindDescendantByName(skin::CControlUI* root, std::string_view name);
// The first descendant container that answers GetInterface(`name`).
skin::CContainerUI* FindDescendantByInterface(skin::CControlUI* root, std::string_view name);
// Selects page `index` of a tab layout; nothing for null or other controls.
void SelectTab(skin::CControlUI* tabLayout, int index);

// Selects or clears an option or check box without notifying; nothing for
// null or other controls.
void SetOptionSelected(skin::CControlUI* control, bool selected);
// False for null or other controls.
bool IsOptionSelected(skin::CControlUI* control);

}  // namespace kelno
