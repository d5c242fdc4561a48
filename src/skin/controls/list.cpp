#include "skin/controls/list.h"

#include <algorithm>

#include "skin/core/attribute_values.h"
#include "skin/core/paint_manager.h"
#include "skin/core/render.h"

namespace kelno::skin {

bool SetListInfoAttribute(TListInfoUI& info, std::string_view name, std::string_view value) {
    if (name.substr(0, 4) != "item") return false;
    std::string_view key = name.substr(4);
    auto color = [&](uint32_t& target) {
        if (auto c = ParseColor(value)) target = *c;
    };
    if (key == "font") {
        if (auto v = ParseInt(value)) info.font = *v;
    } else if (key == "align") {
        ApplyTextStyleAttribute(info.textStyle, "align", value);
    } else if (key == "textpadding") {
        if (auto rc = ParseRect(value)) info.textPadding = *rc;
    } else if (key == "textcolor")
        color(info.textColor);
    else if (key == "bkcolor")
        color(info.bkColor);
    else if (key == "selectedtextcolor")
        color(info.selectedTextColor);
    else if (key == "selectedbkcolor")
        color(info.selectedBkColor);
    else if (key == "hottextcolor")
        color(info.hotTextColor);
    else if (key == "hotbkcolor")
        color(info.hotBkColor);
    else if (key == "disabledtextcolor")
        color(info.disabledTextColor);
    else if (key == "selectedimage")
        info.selectedImage = std::string(value);
    else if (key == "hotimage")
        info.hotImage = std::string(value);
    else
        return false;
    return true;
}

IListItemUI* AsListItem(CControlUI* control) {
    return dynamic_cast<IListItemUI*>(control);
}

void ReindexListItems(CContainerUI& items, int from) {
    for (int i = std::max(from, 0); i < items.GetCount(); ++i) {
        if (IListItemUI* item = AsListItem(items.GetItemAt(i))) item->SetIndex(i);
    }
}

// --- IListItemUI ---

bool IListItemUI::HandleItemEvent(CControlUI& self, TEventUI& event) {
    switch (event.Type) {
        case UiEvent::ButtonDown:
            if (self.IsEnabled() && owner_) owner_->SelectItem(index_, true);
            return true;
        case UiEvent::ButtonUp:
            if (self.IsEnabled() && self.GetPos().Contains(event.ptMouse) && self.GetManager())
                self.GetManager()->SendNotify(&self, notify::kItemClick);
            return true;
        case UiEvent::DblClick:
            if (self.IsEnabled()) self.Activate();
            return true;
        case UiEvent::MouseEnter:
        case UiEvent::MouseLeave:
            self.Invalidate();
            return true;
        case UiEvent::KeyDown:
            if (owner_) owner_->DoEvent(event);
            return true;
        default:
            return false;
    }
}

bool IListItemUI::NotifyActivated(CControlUI& self, bool activated) {
    if (activated && self.GetManager()) self.GetManager()->SendNotify(&self, notify::kItemActivate);
    return activated;
}

bool IListItemUI::IsItemHot(const CControlUI& self) {
    CPaintManagerUI* pm = self.GetManager();
    for (const CControlUI* c = pm ? pm->GetHot() : nullptr; c; c = c->GetParent()) {
        if (c == &self) return true;
    }
    return false;
}

void IListItemUI::PaintItemBk(CControlUI& self, cairo_t* cr) {
    TListInfoUI* info = owner_ ? owner_->GetListInfo() : nullptr;
    if (!info) {
        self.CControlUI::PaintBkColor(cr);
        return;
    }
    uint32_t color = self.GetBkColor() ? self.GetBkColor() : info->bkColor;
    const std::string* image = nullptr;
    if (selected_) {
        color = info->selectedBkColor;
        if (!info->selectedImage.empty()) image = &info->selectedImage;
    } else if (IsItemHot(self) && self.IsEnabled()) {
        color = info->hotBkColor;
        if (!info->hotImage.empty()) image = &info->hotImage;
    }
    FillRect(cr, self.GetPos(), color);
    if (image) self.DrawImage(cr, *image);
}

uint32_t IListItemUI::ItemTextColor(const CControlUI& self, const TListInfoUI& info) const {
    if (!self.IsEnabled()) return info.disabledTextColor;
    if (selected_) return info.selectedTextColor;
    if (IsItemHot(self) && info.hotTextColor) return info.hotTextColor;
    return info.textColor;
}

// --- CListLabelElementUI ---

CListLabelElementUI::CListLabelElementUI() {
    SetFixedHeight(24);
}

std::string CListLabelElementUI::GetClass() const {
    return "ListLabelElementUI";
}

void* CListLabelElementUI::GetInterface(std::string_view name) {
    if (EqualsNoCase(name, "ListLabelElement") || EqualsNoCase(name, "ListItem")) return this;
    return CLabelUI::GetInterface(name);
}

void CListLabelElementUI::PaintText(cairo_t* cr) {
    TListInfoUI* info = owner_ ? owner_->GetListInfo() : nullptr;
    if (!info) return CLabelUI::PaintText(cr);
    Rect pad = Scale(info->textPadding);
    const Rect& rc = GetPos();
    Rect text{rc.left + pad.left, rc.top + pad.top, rc.right - pad.right, rc.bottom - pad.bottom};
    if (!GetManager()) return;
    LayoutOf(GetText(), info->font, text.Width(), info->textStyle)
        .Draw(cr, text, ItemTextColor(*this, *info));
}

// --- CListTextElementUI ---

std::string CListTextElementUI::GetClass() const {
    return "ListTextElementUI";
}

void* CListTextElementUI::GetInterface(std::string_view name) {
    if (EqualsNoCase(name, "ListTextElement")) return this;
    return CListLabelElementUI::GetInterface(name);
}

std::string CListTextElementUI::GetText(int column) const {
    if (column < 0 || column >= static_cast<int>(texts_.size())) return {};
    return texts_[static_cast<size_t>(column)];
}

void CListTextElementUI::SetText(int column, const std::string& text) {
    if (column < 0 || column > 255) return;  // columns come from callers, keep them sane
    if (static_cast<int>(texts_.size()) <= column) texts_.resize(static_cast<size_t>(column) + 1);
    texts_[static_cast<size_t>(column)] = text;
    Invalidate();
}

void CListTextElementUI::PaintText(cairo_t* cr) {
    TListInfoUI* info = owner_ ? owner_->GetListInfo() : nullptr;
    if (!info || info->columns.empty() || !GetManager()) return CListLabelElementUI::PaintText(cr);
    Rect pad = Scale(info->textPadding);
    const Rect& rc = GetPos();
    columnLayouts_.resize(texts_.size());
    for (size_t i = 0; i < info->columns.size() && i < texts_.size(); ++i) {
        Rect cell{info->columns[i].first + pad.left, rc.top + pad.top,
                  info->columns[i].second - pad.right, rc.bottom - pad.bottom};
        if (cell.IsEmpty()) continue;
        columnLayouts_[i]
            .Get(texts_[i], GetManager()->GetFont(info->font), GetManager()->GetDPIScale(),
                 cell.Width(), info->textStyle)
            .Draw(cr, cell, ItemTextColor(*this, *info));
    }
}

// --- CListContainerElementUI ---

std::string CListContainerElementUI::GetClass() const {
    return "ListContainerElementUI";
}

void* CListContainerElementUI::GetInterface(std::string_view name) {
    if (EqualsNoCase(name, "ListContainerElement") || EqualsNoCase(name, "ListItem")) return this;
    return CHorizontalLayoutUI::GetInterface(name);
}

// --- header ---

std::string CListHeaderItemUI::GetClass() const {
    return "ListHeaderItemUI";
}

void* CListHeaderItemUI::GetInterface(std::string_view name) {
    if (EqualsNoCase(name, "ListHeaderItem")) return this;
    return CLabelUI::GetInterface(name);
}

std::string CListHeaderUI::GetClass() const {
    return "ListHeaderUI";
}

void* CListHeaderUI::GetInterface(std::string_view name) {
    if (EqualsNoCase(name, "ListHeader")) return this;
    return CHorizontalLayoutUI::GetInterface(name);
}

Size CListHeaderUI::EstimateSize(Size available) {
    Size size = CHorizontalLayoutUI::EstimateSize(available);
    if (size.cy == 0) size.cy = Scale(24);
    return size;
}

// --- CListUI ---

CListUI::CListUI() {
    header_ = new CListHeaderUI;
    header_->SetVisible(false);
    body_ = new CVerticalLayoutUI;
    body_->EnableScrollBar(true);
    CContainerUI::AddAt(header_, 0);
    CContainerUI::AddAt(body_, 1);
}

std::string CListUI::GetClass() const {
    return "ListUI";
}

void* CListUI::GetInterface(std::string_view name) {
    if (EqualsNoCase(name, "List")) return this;
    if (EqualsNoCase(name, "IListOwner")) return static_cast<IListOwnerUI*>(this);
    return CVerticalLayoutUI::GetInterface(name);
}

int CListUI::GetCount() const {
    return body_->GetCount();
}
CControlUI* CListUI::GetItemAt(int index) const {
    return body_->GetItemAt(index);
}
int CListUI::GetItemIndex(const CControlUI* control) const {
    return body_->GetItemIndex(control);
}

bool CListUI::Add(CControlUI* control) {
    if (!control) return false;
    if (auto* header = dynamic_cast<CListHeaderUI*>(control)) {
        // The layout's header replaces the built-in one.
        CContainerUI::Remove(header_);
        header_ = header;
        header_->SetVisible(true);
        return CContainerUI::AddAt(header_, 0);
    }
    return AddAt(control, GetCount());
}

bool CListUI::AddAt(CControlUI* control, int index) {
    if (!control) return false;
    if (!body_->AddAt(control, index)) return false;
    if (IListItemUI* item = AsListItem(control)) item->SetOwner(this);
    const int at = body_->GetItemIndex(control);
    if (curSel_ >= at) ++curSel_;
    ReindexListItems(*body_, at);
    return true;
}

bool CListUI::Remove(CControlUI* control, bool doNotDestroy) {
    return RemoveAt(body_->GetItemIndex(control), doNotDestroy);
}

bool CListUI::RemoveAt(int index, bool doNotDestroy) {
    if (!body_->RemoveAt(index, doNotDestroy)) return false;
    if (index == curSel_)
        curSel_ = -1;
    else if (index < curSel_)
        --curSel_;
    ReindexListItems(*body_, index);
    return true;
}

void CListUI::RemoveAll() {
    curSel_ = -1;
    body_->RemoveAll();
}

TListInfoUI* CListUI::GetListInfo() {
    return &info_;
}

bool CListUI::SelectItem(int index, bool notify) {
    if (index == curSel_) return index >= 0;
    if (index < -1 || index >= GetCount()) return false;
    if (IListItemUI* old = AsListItem(GetItemAt(curSel_))) old->Select(false);
    int previous = curSel_;
    curSel_ = index;
    if (index >= 0) {
        if (IListItemUI* item = AsListItem(GetItemAt(index))) item->Select(true);
        EnsureVisible(index);
    }
    if (notify && GetManager())
        GetManager()->SendNotify(this, notify::kItemSelect, static_cast<uintptr_t>(index),
                                 static_cast<intptr_t>(previous));
    return true;
}

void CListUI::EnsureVisible(int index) {
    body_->EnsureVisible(GetItemAt(index));
}

void CListUI::SetScrollPos(int pos) {
    body_->SetScrollPos(pos);
}

void CListUI::SetAttribute(std::string_view name, std::string_view value) {
    if (SetListInfoAttribute(info_, name, value)) {
        Invalidate();
    } else if (name == "header") {
        if (auto b = ParseBool(value)) header_->SetVisible(*b);
    } else if (name == "vscrollbar") {
        if (auto b = ParseBool(value)) body_->EnableScrollBar(*b);
    } else if (name == "inset" || name == "childpadding") {
        body_->SetAttribute(name, value);
    } else {
        CVerticalLayoutUI::SetAttribute(name, value);
    }
}

void CListUI::SetPos(Rect rc, bool needInvalidate) {
    CVerticalLayoutUI::SetPos(rc, needInvalidate);
    info_.columns.clear();
    if (header_->IsVisible()) {
        for (int i = 0; i < header_->GetCount(); ++i) {
            const Rect& col = header_->GetItemAt(i)->GetPos();
            info_.columns.emplace_back(col.left, col.right);
        }
    }
}

void CListUI::DoEvent(TEventUI& event) {
    if (event.Type == UiEvent::KeyDown && IsEnabled()) {
        int count = GetCount();
        int next = curSel_;
        switch (event.chKey) {
            case keys::kUp:
                next = curSel_ > 0 ? curSel_ - 1 : 0;
                break;
            case keys::kDown:
                next = curSel_ + 1 < count ? curSel_ + 1 : count - 1;
                break;
            case keys::kHome:
                next = 0;
                break;
            case keys::kEnd:
                next = count - 1;
                break;
            case keys::kReturn:
                if (CControlUI* item = GetItemAt(curSel_)) item->Activate();
                return;
            default:
                break;
        }
        if (next != curSel_ && next >= 0) SelectItem(next, true);
        return;
    }
    CVerticalLayoutUI::DoEvent(event);
}

}  // namespace kelno::skin
