#include "devices/models/page_lookup.h"

#include "skin/controls/button.h"
#include "skin/core/attribute_values.h"
#include "skin/layout/layouts.h"

namespace kelno {
namespace {

template <typename Match>
skin::CControlUI* FindDescendant(skin::CControlUI* root, const Match& match) {
    auto* container =
        root ? static_cast<skin::CContainerUI*>(root->GetInterface("Container")) : nullptr;
    if (!container) return nullptr;
    for (int i = 0; i < container->GetCount(); ++i) {
        skin::CControlUI* child = container->GetItemAt(i);
        if (!child) continue;
        if (match(child)) return child;
        if (skin::CControlUI* found = FindDescendant(child, match)) return found;
    }
    return nullptr;
}

}  // namespace

skin::CControlUI* FindDescendantByName(skin::CControlUI* root, std::string_view name) {
    return FindDescendant(root, [name](skin::CControlUI* control) {
        return skin::EqualsNoCase(control->GetName(), name);
    });
}

skin::CContainerUI* FindDescendantByInterface(skin::CControlUI* root, std::string_view name) {
    skin::CControlUI* found = FindDescendant(root, [name](skin::CControlUI* control) {
        return control->GetInterface(name) != nullptr && control->GetInterface("Container");
    });
    return found ? static_cast<skin::CContainerUI*>(found->GetInterface("Container")) : nullptr;
}

void SelectTab(skin::CControlUI* tabLayout, int index) {
    if (!tabLayout) return;
    if (auto* tabs = static_cast<skin::CTabLayoutUI*>(tabLayout->GetInterface("TabLayout"))) {
        tabs->SelectItem(index);
    }
}

void SetOptionSelected(skin::CControlUI* control, bool selected) {
    if (!control) return;
    if (auto* option = static_cast<skin::COptionUI*>(control->GetInterface("Option")))
        option->Selected(selected);
}

bool IsOptionSelected(skin::CControlUI* control) {
    auto* option =
        control ? static_cast<skin::COptionUI*>(control->GetInterface("Option")) : nullptr;
    return option && option->IsSelected();
}

}  // namespace kelno
