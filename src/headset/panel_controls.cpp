#include "headset/panel_controls.h"

#include "skin/controls/button.h"
#include "skin/controls/progress.h"

namespace kelno::headset_controls {
namespace {

skin::COptionUI* Option(ChildLookup& children, const std::string& name) {
    return children.FindAs<skin::COptionUI>(name, "Option");
}

}  // namespace

bool IsSelected(ChildLookup& children, const std::string& name) {
    skin::COptionUI* option = Option(children, name);
    return option && option->IsSelected();
}

void SetSelected(ChildLookup& children, const std::string& name, bool selected) {
    if (skin::COptionUI* option = Option(children, name)) option->Selected(selected);
}

void SelectOneOf(ChildLookup& children, const std::string& prefix, int first, int last,
                 int selected) {
    // Clear first: deselecting after a grouped select would undo it.
    for (int n = first; n <= last; ++n)
        if (n != selected) SetSelected(children, prefix + std::to_string(n), false);
    if (selected >= first && selected <= last)
        SetSelected(children, prefix + std::to_string(selected), true);
}

std::optional<int> SliderValue(ChildLookup& children, const std::string& name) {
    auto* slider = children.FindAs<skin::CSliderUI>(name, "Slider");
    if (!slider) return std::nullopt;
    return slider->GetValue();
}

void SetSliderValue(ChildLookup& children, const std::string& name, int value) {
    if (auto* slider = children.FindAs<skin::CSliderUI>(name, "Slider")) slider->SetValue(value);
}

void SetEnabled(ChildLookup& children, const std::string& name, bool enabled) {
    if (skin::CControlUI* control = children.Find(name)) control->SetEnabled(enabled);
}

}  // namespace kelno::headset_controls
