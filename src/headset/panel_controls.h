#pragma once
// Silent reads and writes of the headset audio panels' switches, option
// groups and sliders: none of the writes raises a notification.

#include <optional>
#include <string>

#include "panels/child_lookup.h"

namespace kelno::headset_controls {

bool IsSelected(ChildLookup& children, const std::string& name);
void SetSelected(ChildLookup& children, const std::string& name, bool selected);
// Selects prefix + `selected` among prefix + first..last and clears the
// others; a number outside the range clears them all.
void SelectOneOf(ChildLookup& children, const std::string& prefix, int first, int last,
                 int selected);
// Nothing when the slider is missing.
std::optional<int> SliderValue(ChildLookup& children, const std::string& name);
void SetSliderValue(ChildLookup& children, const std::string& name, int value);
void SetEnabled(ChildLookup& children, const std::string& name, bool enabled);

}  // namespace kelno::headset_controls
