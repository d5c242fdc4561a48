#include "skin/controls/combo.h"

#include <algorithm>

#include "skin/core/attribute_values.h"
#include "skin/core/paint_manager.h"
#include "skin/core/render.h"

namespace kelno::skin {

// The open list: lays the combo's items out in a column, paints and hit
// tests them, and scrolls with the wheel. The items stay the combo's.
class CComboDropUI : public CControlUI {
  public:
    explicit CComboDropUI(CComboUI& owner) : owner_(owner) {}
    std::string GetClass() const override { return "ComboDropUI"; }

    void Arrange() {
        const Rect& rc = GetPos();
        int y = rc.top - scroll_;
        for (int i = 0; i < owner_.GetCount(); ++i) {
            CControlUI* item = owner_.GetItemAt(i);
            if (!item->IsOwnVisible()) continue;
            int h = item->GetFixedHeight() > 0 ? Scale(item->GetFixedHeight()) : Scale(24);
            item->SetPos({rc.left + 1, y, rc.right - 1, y + h}, false);
            y += h;
        }
        content_ = y + scroll_ - rc.top;
    }
    int ContentHeight() const { return content_; }

    CControlUI* FindControl(FindControlProc proc, void* data, uint32_t flags) override {
        if ((flags & UIFIND_HITTEST) && !GetPos().Contains(*static_cast<Point*>(data)))
            return nullptr;
        for (int i = 0; i < owner_.GetCount(); ++i) {
            if (CControlUI* found = owner_.GetItemAt(i)->FindControl(proc, data, flags))
                return found;
        }
        return CControlUI::FindControl(proc, data, flags);
    }

    void DoEvent(TEventUI& event) override {
        if (event.Type == UiEvent::ScrollWheel) {
            int range = std::max(content_ - GetPos().Height(), 0);
            scroll_ = std::clamp(scroll_ - event.wheelDelta * Scale(24), 0, range);
            Arrange();
            Invalidate();
        }
    }

    void DoPaint(cairo_t* cr, const Rect& dirty) override {
        const Rect& rc = GetPos();
        if (rc.Intersect(dirty).IsEmpty()) return;
        FillRect(cr, rc, GetBkColor() ? GetBkColor() : 0xFFFFFFFF);
        cairo_save(cr);
        cairo_rectangle(cr, rc.left, rc.top, rc.Width(), rc.Height());
        cairo_clip(cr);
        for (int i = 0; i < owner_.GetCount(); ++i) {
            CControlUI* item = owner_.GetItemAt(i);
            if (item->IsOwnVisible()) item->DoPaint(cr, rc.Intersect(dirty));
        }
        cairo_restore(cr);
        DrawBorder(cr, rc, GetBorderColor() ? GetBorderColor() : 0xFF808080, 1);
    }

  private:
    CComboUI& owner_;
    int scroll_ = 0;
    int content_ = 0;
};

CComboUI::CComboUI() {
    SetMouseChildEnabled(false);  // closed: the items are not under the pointer
    drop_ = std::make_unique<CComboDropUI>(*this);
}

CComboUI::~CComboUI() {
    CloseDrop();
    drop_->SetManager(nullptr, nullptr, false);
    // Items go first: the drop refers to them only while open.
    RemoveAll();
}

std::string CComboUI::GetClass() const {
    return "ComboUI";
}

void* CComboUI::GetInterface(std::string_view name) {
    if (EqualsNoCase(name, "Combo")) return this;
    if (EqualsNoCase(name, "IListOwner")) return static_cast<IListOwnerUI*>(this);
    return CContainerUI::GetInterface(name);
}

bool CComboUI::Add(CControlUI* control) {
    return AddAt(control, GetCount());
}

bool CComboUI::AddAt(CControlUI* control, int index) {
    if (!CContainerUI::AddAt(control, index)) return false;
    // The box keeps the focus while its list is open: keys move the choice.
    control->SetKeyboardEnabled(false);
    if (IListItemUI* item = AsListItem(control)) item->SetOwner(this);
    const int at = GetItemIndex(control);
    if (curSel_ >= at) ++curSel_;
    Reindex(at);
    return true;
}

bool CComboUI::Remove(CControlUI* control, bool doNotDestroy) {
    return RemoveAt(GetItemIndex(control), doNotDestroy);
}

bool CComboUI::RemoveAt(int index, bool doNotDestroy) {
    if (!CContainerUI::RemoveAt(index, doNotDestroy)) return false;
    if (index == curSel_)
        curSel_ = -1;
    else if (index < curSel_)
        --curSel_;
    Reindex(index);
    Invalidate();
    return true;
}

void CComboUI::RemoveAll() {
    curSel_ = -1;
    CContainerUI::RemoveAll();
    Invalidate();
}

void CComboUI::Reindex(int from) {
    ReindexListItems(*this, from);
    if (IsDropOpen()) {
        drop_->Arrange();
        drop_->Invalidate();
    }
}

bool CComboUI::SelectItem(int index, bool notify) {
    if (IsDropOpen() && notify) CloseDrop();  // the user's pick ends the drop-down
    if (index == curSel_) return index >= 0;
    if (index < -1 || index >= GetCount()) return false;
    if (IListItemUI* old = AsListItem(GetItemAt(curSel_))) old->Select(false);
    int previous = curSel_;
    curSel_ = index;
    if (IListItemUI* item = AsListItem(GetItemAt(index))) item->Select(true);
    Invalidate();
    if (notify && GetManager())
        GetManager()->SendNotify(this, notify::kItemSelect, static_cast<uintptr_t>(index),
                                 static_cast<intptr_t>(previous));
    return true;
}

std::string CComboUI::GetText() const {
    CControlUI* item = GetItemAt(curSel_);
    return item ? item->GetText() : std::string();
}

bool CComboUI::IsDropOpen() const {
    return GetManager() && GetManager()->GetPopup() == drop_.get();
}

void CComboUI::OpenDrop() {
    CPaintManagerUI* pm = GetManager();
    if (!pm || IsDropOpen() || !IsEnabled()) return;
    const Rect& rc = GetPos();
    int width = dropBoxSize_.cx > 0 ? Scale(dropBoxSize_.cx) : rc.Width();
    drop_->SetManager(pm, nullptr, false);
    drop_->SetPos({rc.left, rc.bottom, rc.left + width, rc.bottom + 1}, false);
    drop_->Arrange();
    int height = std::min(drop_->ContentHeight() + 2, Scale(dropBoxSize_.cy));
    Size client = pm->GetClientSize();
    Rect box{rc.left, rc.bottom, rc.left + width, rc.bottom + height};
    // Opens upwards when there is no room below and more room above.
    if (box.bottom > client.cy && rc.top > client.cy - rc.bottom)
        box = {rc.left, rc.top - height, rc.left + width, rc.top};
    drop_->SetPos(box, false);
    drop_->Arrange();
    pm->OpenPopup(drop_.get(), [this] { Invalidate(); });
    pm->SendNotify(this, notify::kDropDown);
}

void CComboUI::CloseDrop() {
    if (IsDropOpen()) GetManager()->ClosePopup();
}

void CComboUI::SetVisible(bool visible) {
    CContainerUI::SetVisible(visible);
    if (!IsVisible()) CloseDrop();
}

void CComboUI::SetInternVisible(bool visible) {
    CContainerUI::SetInternVisible(visible);
    if (!IsVisible()) CloseDrop();
}

void CComboUI::SetEnabled(bool enabled) {
    CContainerUI::SetEnabled(enabled);
    if (!enabled) CloseDrop();
}

void CComboUI::SetAttribute(std::string_view name, std::string_view value) {
    if (SetListInfoAttribute(info_, name, value)) {
        Invalidate();
    } else if (name == "dropboxsize") {
        if (auto s = ParseSize(value)) dropBoxSize_ = *s;
    } else if (name == "textpadding") {
        if (auto rc = ParseRect(value)) textPadding_ = *rc;
    } else if (name == "textcolor") {
        if (auto c = ParseColor(value)) textColor_ = *c;
    } else if (name == "font") {
        if (auto v = ParseInt(value)) font_ = *v;
    } else if (name == "normalimage") {
        normalImage_ = std::string(value);
    } else if (name == "hotimage") {
        hotImage_ = std::string(value);
    } else if (name == "pushedimage") {
        pushedImage_ = std::string(value);
    } else if (name == "disabledimage") {
        disabledImage_ = std::string(value);
    } else {
        CContainerUI::SetAttribute(name, value);
    }
}

void CComboUI::SetPos(Rect rc, bool needInvalidate) {
    // The items are laid out by the drop-down, not inside the box.
    CControlUI::SetPos(rc, needInvalidate);
}

void CComboUI::DoEvent(TEventUI& event) {
    switch (event.Type) {
        case UiEvent::ButtonDown:
        case UiEvent::DblClick:
            if (IsEnabled()) {
                if (IsDropOpen())
                    CloseDrop();
                else
                    OpenDrop();
            }
            return;
        case UiEvent::KeyDown:
            if (!IsEnabled()) return;
            if (event.chKey == keys::kUp && curSel_ > 0)
                SelectItem(curSel_ - 1, true);
            else if (event.chKey == keys::kDown && curSel_ + 1 < GetCount())
                SelectItem(curSel_ + 1, true);
            else if (event.chKey == keys::kEscape)
                CloseDrop();
            return;
        case UiEvent::ScrollWheel:
            if (IsDropOpen()) drop_->DoEvent(event);
            return;
        case UiEvent::KillFocus:
            CloseDrop();  // the focus went elsewhere (Tab, code)
            CContainerUI::DoEvent(event);
            return;
        default:
            CControlUI::DoEvent(event);
    }
}

void CComboUI::DoPaint(cairo_t* cr, const Rect& dirty) {
    CControlUI::DoPaint(cr, dirty);
}

void CComboUI::PaintStatusImage(cairo_t* cr) {
    const std::string* image = &normalImage_;
    if (!IsEnabled() && !disabledImage_.empty())
        image = &disabledImage_;
    else if (IsDropOpen() && !pushedImage_.empty())
        image = &pushedImage_;
    else if (IsHot() && !hotImage_.empty())
        image = &hotImage_;
    if (!image->empty()) DrawImage(cr, *image);
}

void CComboUI::PaintText(cairo_t* cr) {
    std::string text = GetText();
    if (text.empty() || !GetManager()) return;
    Rect pad = Scale(textPadding_);
    const Rect& rc = GetPos();
    Rect box{rc.left + pad.left, rc.top + pad.top, rc.right - pad.right, rc.bottom - pad.bottom};
    shownText_
        .Get(text, GetManager()->GetFont(font_), GetManager()->GetDPIScale(), box.Width(),
             DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS)
        .Draw(cr, box, IsEnabled() ? textColor_ : info_.disabledTextColor);
}

}  // namespace kelno::skin
