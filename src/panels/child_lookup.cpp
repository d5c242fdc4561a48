#include "panels/child_lookup.h"

#include "skin/controls/list.h"

namespace kelno {

skin::CControlUI* ChildLookup::Find(const std::string& name) {
    if (auto found = found_.find(name); found != found_.end()) return found->second;
    skin::CControlUI* control = FindDescendantByName(&owner_, name);
    if (control) found_.emplace(name, control);
    return control;
}

bool ChildLookup::Owns(const skin::CControlUI* control) const {
    for (const skin::CControlUI* up = control; up; up = up->GetParent()) {
        if (up == &owner_) return true;
    }
    return false;
}

skin::CControlUI* AppendListItem(skin::CControlUI& combo, const std::string& text) {
    constexpr int kItemHeight = 30;
    auto* container = static_cast<skin::CContainerUI*>(combo.GetInterface("Container"));
    if (!container) return nullptr;
    auto* item = new skin::CListLabelElementUI();
    item->SetFixedHeight(kItemHeight);
    item->SetText(text);
    item->SetUserData(text);
    container->Add(item);
    return item;
}

}  // namespace kelno
