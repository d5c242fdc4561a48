#include "skin/layout/layouts.h"

#include "skin/core/attribute_values.h"
#include "skin/core/paint_manager.h"

namespace kelno::skin {

std::string CHorizontalLayoutUI::GetClass() const {
    return "HorizontalLayoutUI";
}

void* CHorizontalLayoutUI::GetInterface(std::string_view name) {
    if (EqualsNoCase(name, "HorizontalLayout")) return this;
    return CContainerUI::GetInterface(name);
}

std::string CVerticalLayoutUI::GetClass() const {
    return "VerticalLayoutUI";
}

void* CVerticalLayoutUI::GetInterface(std::string_view name) {
    if (EqualsNoCase(name, "VerticalLayout")) return this;
    return CContainerUI::GetInterface(name);
}

std::string CTabLayoutUI::GetClass() const {
    return "TabLayoutUI";
}

void* CTabLayoutUI::GetInterface(std::string_view name) {
    if (EqualsNoCase(name, "TabLayout")) return this;
    return CContainerUI::GetInterface(name);
}

bool CTabLayoutUI::Add(CControlUI* control) {
    return AddAt(control, GetCount());
}

bool CTabLayoutUI::AddAt(CControlUI* control, int index) {
    if (!CContainerUI::AddAt(control, index)) return false;
    if (curSel_ < 0)
        curSel_ = GetItemIndex(control);
    else if (GetItemIndex(control) <= curSel_)
        ++curSel_;
    ShowOnly(curSel_);
    // "selectedid" from the layout names a page that may only now exist.
    if (pendingSel_ >= 0 && pendingSel_ < GetCount()) {
        int sel = pendingSel_;
        pendingSel_ = -1;
        SelectItem(sel);
    }
    return true;
}

bool CTabLayoutUI::RemoveAt(int index, bool doNotDestroy) {
    if (!CContainerUI::RemoveAt(index, doNotDestroy)) return false;
    if (index < curSel_ || curSel_ >= GetCount()) --curSel_;
    if (curSel_ < 0 && GetCount() > 0) curSel_ = 0;
    ShowOnly(curSel_);
    return true;
}

void CTabLayoutUI::RemoveAll() {
    CContainerUI::RemoveAll();
    curSel_ = -1;
}

bool CTabLayoutUI::SelectItem(int index, bool notify) {
    if (index < 0 || index >= GetCount()) return false;
    if (index == curSel_) return true;
    int old = curSel_;
    curSel_ = index;
    ShowOnly(index);
    NeedUpdate();
    if (notify && GetManager())
        GetManager()->SendNotify(this, notify::kTabSelect, static_cast<uintptr_t>(index),
                                 static_cast<intptr_t>(old));
    return true;
}

bool CTabLayoutUI::SelectItem(CControlUI* control, bool notify) {
    return SelectItem(GetItemIndex(control), notify);
}

void CTabLayoutUI::ShowOnly(int index) {
    // A hidden page also loses the focus (CControlUI::SetInternVisible).
    for (int i = 0; i < GetCount(); ++i) GetItemAt(i)->SetVisible(i == index);
}

void CTabLayoutUI::SetAttribute(std::string_view name, std::string_view value) {
    if (name == "selectedid") {
        if (auto v = ParseInt(value)) {
            if (!SelectItem(*v)) pendingSel_ = *v;
        }
    } else {
        CContainerUI::SetAttribute(name, value);
    }
}

}  // namespace kelno::skin
