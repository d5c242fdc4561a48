#include "skin/core/container.h"

#include <algorithm>

#include "skin/controls/scrollbar.h"
#include "skin/core/attribute_values.h"
#include "skin/core/paint_manager.h"

namespace kelno::skin {
namespace {

constexpr int kDefaultScrollBarWidth = 10;
constexpr int kLineStep = 20;

}  // namespace

CContainerUI::CContainerUI() = default;

CContainerUI::~CContainerUI() {
    RemoveAll();
    delete verticalScrollBar_;
}

std::string CContainerUI::GetClass() const {
    return "ContainerUI";
}

void* CContainerUI::GetInterface(std::string_view name) {
    if (EqualsNoCase(name, "Container")) return this;
    return CControlUI::GetInterface(name);
}

// --- children ---

CControlUI* CContainerUI::GetItemAt(int index) const {
    if (index < 0 || index >= GetCount()) return nullptr;
    return items_[static_cast<size_t>(index)];
}

int CContainerUI::GetItemIndex(const CControlUI* control) const {
    auto it = std::find(items_.begin(), items_.end(), control);
    return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

bool CContainerUI::SetItemIndex(CControlUI* control, int index) {
    int from = GetItemIndex(control);
    if (from < 0 || index < 0 || index >= GetCount()) return false;
    items_.erase(items_.begin() + from);
    items_.insert(items_.begin() + index, control);
    NeedUpdate();
    return true;
}

bool CContainerUI::Add(CControlUI* control) {
    return AddAt(control, GetCount());
}

bool CContainerUI::AddAt(CControlUI* control, int index) {
    if (!control || GetItemIndex(control) >= 0) return false;
    if (index < 0 || index > GetCount()) index = GetCount();
    items_.insert(items_.begin() + index, control);
    control->SetManager(GetManager(), this, GetManager() != nullptr);
    control->SetInternVisible(IsVisible());
    NeedUpdate();
    return true;
}

bool CContainerUI::Remove(CControlUI* control, bool doNotDestroy) {
    return RemoveAt(GetItemIndex(control), doNotDestroy);
}

bool CContainerUI::RemoveAt(int index, bool doNotDestroy) {
    CControlUI* control = GetItemAt(index);
    if (!control) return false;
    items_.erase(items_.begin() + index);
    if (GetManager()) GetManager()->ReapObjects(control);
    if (doNotDestroy) {
        control->SetManager(nullptr, nullptr, false);
    } else if (GetManager()) {
        // Detached from this container so nothing walks back into it.
        control->SetManager(GetManager(), nullptr, false);
        GetManager()->AddDelayedCleanup(control);
    } else {
        delete control;
    }
    NeedUpdate();
    return true;
}

void CContainerUI::RemoveAll() {
    while (!items_.empty()) RemoveAt(GetCount() - 1);
    scrollPos_ = 0;
}

// --- layout parameters ---

void CContainerUI::SetInset(Rect rc) {
    rcInset_ = rc;
    NeedUpdate();
}

void CContainerUI::SetChildPadding(int padding) {
    childPadding_ = std::max(padding, 0);
    NeedUpdate();
}

// --- scrolling ---

void CContainerUI::EnableScrollBar(bool vertical) {
    if (vertical == (verticalScrollBar_ != nullptr)) return;
    if (vertical) {
        verticalScrollBar_ = new CScrollBarUI;
        verticalScrollBar_->SetOwner(this);
        verticalScrollBar_->SetManager(GetManager(), this, false);
        verticalScrollBar_->SetVisible(false);
    } else {
        if (GetManager()) GetManager()->ReapObjects(verticalScrollBar_);
        delete verticalScrollBar_;
        verticalScrollBar_ = nullptr;
        scrollPos_ = 0;
    }
    NeedUpdate();
}

int CContainerUI::GetScrollPos() const {
    return scrollPos_;
}

int CContainerUI::GetScrollRange() const {
    return verticalScrollBar_ ? verticalScrollBar_->GetScrollRange() : 0;
}

void CContainerUI::SetScrollPos(int pos) {
    pos = std::clamp(pos, 0, GetScrollRange());
    if (pos == scrollPos_) return;
    int dy = scrollPos_ - pos;
    scrollPos_ = pos;
    if (verticalScrollBar_) verticalScrollBar_->SetScrollPos(pos);
    ShiftChildren(dy);
    Invalidate();
}

void CContainerUI::LineUp() {
    SetScrollPos(scrollPos_ - Scale(kLineStep));
}
void CContainerUI::LineDown() {
    SetScrollPos(scrollPos_ + Scale(kLineStep));
}
void CContainerUI::PageUp() {
    SetScrollPos(scrollPos_ - std::max(InnerRect().Height(), 1));
}
void CContainerUI::PageDown() {
    SetScrollPos(scrollPos_ + std::max(InnerRect().Height(), 1));
}

void CContainerUI::EnsureVisible(CControlUI* control) {
    if (!control || !verticalScrollBar_) return;
    if (GetManager()) GetManager()->UpdateLayout();
    Rect inner = InnerRect();
    const Rect& rc = control->GetPos();
    if (rc.top < inner.top)
        SetScrollPos(scrollPos_ - (inner.top - rc.top));
    else if (rc.bottom > inner.bottom)
        SetScrollPos(scrollPos_ + (rc.bottom - inner.bottom));
}

Rect CContainerUI::InnerRect() const {
    Rect inset = Scale(rcInset_);
    const Rect& rc = GetPos();
    Rect inner{rc.left + inset.left, rc.top + inset.top, rc.right - inset.right,
               rc.bottom - inset.bottom};
    if (verticalScrollBar_ && verticalScrollBar_->IsOwnVisible()) {
        inner.right -= verticalScrollBar_->GetPos().Width();
    }
    if (inner.right < inner.left) inner.right = inner.left;
    if (inner.bottom < inner.top) inner.bottom = inner.top;
    return inner;
}

int CContainerUI::ProcessScrollBar(int contentHeight) {
    if (!verticalScrollBar_) return 0;
    const Rect& rc = GetPos();
    Rect inset = Scale(rcInset_);
    int viewHeight = std::max(rc.Height() - inset.top - inset.bottom, 0);
    int range = std::max(contentHeight - viewHeight, 0);
    verticalScrollBar_->SetScrollRange(range);
    verticalScrollBar_->SetPage(viewHeight);
    scrollPos_ = std::clamp(scrollPos_, 0, range);
    verticalScrollBar_->SetScrollPos(scrollPos_);
    verticalScrollBar_->SetVisible(range > 0);
    int width = verticalScrollBar_->GetFixedWidth() > 0 ? Scale(verticalScrollBar_->GetFixedWidth())
                                                        : Scale(kDefaultScrollBarWidth);
    verticalScrollBar_->SetPos({rc.right - inset.right - width, rc.top + inset.top,
                                rc.right - inset.right, rc.bottom - inset.bottom},
                               false);
    return scrollPos_;
}

void CContainerUI::ShiftChildren(int dy) {
    for (CControlUI* child : items_) {
        if (child->IsFloat()) continue;
        Rect rc = child->GetPos().Offset(0, dy);
        child->SetPos(rc, false);
    }
}

void CContainerUI::SetFloatPos(CControlUI* child, const Rect& rc) {
    Point xy = child->GetFixedXY();
    int x = rc.left + Scale(xy.x);
    int y = rc.top + Scale(xy.y);
    child->SetPos({x, y, x + Scale(child->GetFixedWidth()), y + Scale(child->GetFixedHeight())},
                  false);
}

// --- CControlUI ---

void CContainerUI::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init) {
    for (CControlUI* child : items_) child->SetManager(manager, this, init);
    if (verticalScrollBar_) verticalScrollBar_->SetManager(manager, this, false);
    CControlUI::SetManager(manager, parent, init);
}

void CContainerUI::SetVisible(bool visible) {
    CControlUI::SetVisible(visible);
    for (CControlUI* child : items_) child->SetInternVisible(IsVisible());
}

void CContainerUI::SetInternVisible(bool visible) {
    CControlUI::SetInternVisible(visible);
    for (CControlUI* child : items_) child->SetInternVisible(IsVisible());
}

void CContainerUI::SetEnabled(bool enabled) {
    CControlUI::SetEnabled(enabled);
    for (CControlUI* child : items_) child->SetEnabled(enabled);
}

void CContainerUI::SetPos(Rect rc, bool needInvalidate) {
    CControlUI::SetPos(rc, needInvalidate);
    ProcessScrollBar(0);  // a plain container never scrolls
    Rect inner = InnerRect();
    for (CControlUI* child : items_) {
        if (!child->IsOwnVisible()) continue;
        if (child->IsFloat()) {
            SetFloatPos(child, GetPos());
            continue;
        }
        Rect pad = Scale(child->GetPadding());
        Rect area{inner.left + pad.left, inner.top + pad.top, inner.right - pad.right,
                  inner.bottom - pad.bottom};
        Size want = child->EstimateSize({area.Width(), area.Height()});
        int w = want.cx > 0 ? want.cx : area.Width();
        int h = want.cy > 0 ? want.cy : area.Height();
        w = std::clamp(w, Scale(child->GetMinWidth()),
                       std::max(Scale(child->GetMaxWidth()), Scale(child->GetMinWidth())));
        h = std::clamp(h, Scale(child->GetMinHeight()),
                       std::max(Scale(child->GetMaxHeight()), Scale(child->GetMinHeight())));
        child->SetPos({area.left, area.top, area.left + w, area.top + h}, false);
    }
}

void CContainerUI::SetAttribute(std::string_view name, std::string_view value) {
    if (name == "inset") {
        if (auto rc = ParseRect(value)) SetInset(*rc);
    } else if (name == "childpadding") {
        if (auto v = ParseInt(value)) SetChildPadding(*v);
    } else if (name == "mousechild") {
        if (auto b = ParseBool(value)) SetMouseChildEnabled(*b);
    } else if (name == "vscrollbar") {
        if (auto b = ParseBool(value)) EnableScrollBar(*b);
    } else if (name == "vscrollbarstyle") {
        EnableScrollBar(true);
        verticalScrollBar_->ApplyAttributeList(value);
    } else {
        CControlUI::SetAttribute(name, value);
    }
}

CControlUI* CContainerUI::FindControl(FindControlProc proc, void* data, uint32_t flags) {
    if ((flags & UIFIND_VISIBLE) && !IsVisible()) return nullptr;
    if ((flags & UIFIND_ENABLED) && !IsEnabled()) return nullptr;
    if (flags & UIFIND_HITTEST) {
        if (!GetPos().Contains(*static_cast<Point*>(data))) return nullptr;
        if (!mouseChildEnabled_) return CControlUI::FindControl(proc, data, flags);
    }
    if (flags & UIFIND_ME_FIRST) {
        if (CControlUI* found = CControlUI::FindControl(proc, data, flags)) return found;
    }
    if ((flags & UIFIND_HITTEST) && verticalScrollBar_) {
        if (CControlUI* found = verticalScrollBar_->FindControl(proc, data, flags)) return found;
    }
    if (flags & UIFIND_TOP_FIRST) {
        for (auto it = items_.rbegin(); it != items_.rend(); ++it) {
            if (CControlUI* found = (*it)->FindControl(proc, data, flags)) return found;
        }
    } else {
        for (CControlUI* child : items_) {
            if (CControlUI* found = child->FindControl(proc, data, flags)) return found;
        }
    }
    if (!(flags & UIFIND_ME_FIRST)) return CControlUI::FindControl(proc, data, flags);
    return nullptr;
}

void CContainerUI::DoEvent(TEventUI& event) {
    if (event.Type == UiEvent::ScrollWheel && verticalScrollBar_ &&
        verticalScrollBar_->IsOwnVisible() && IsEnabled()) {
        if (event.wheelDelta > 0)
            LineUp();
        else
            LineDown();
        return;
    }
    CControlUI::DoEvent(event);
}

void CContainerUI::DoPaint(cairo_t* cr, const Rect& dirty) {
    Rect visible = GetPos().Intersect(dirty);
    if (visible.IsEmpty()) return;
    CControlUI::DoPaint(cr, dirty);
    Rect inner = InnerRect().Intersect(visible);
    cairo_save(cr);
    cairo_rectangle(cr, visible.left, visible.top, visible.Width(), visible.Height());
    cairo_clip(cr);
    for (CControlUI* child : items_) {
        if (!child->IsVisible()) continue;
        // Float children may use the inset; others stay inside it.
        const Rect& clip = child->IsFloat() ? visible : inner;
        if (child->GetPos().Intersect(clip).IsEmpty()) continue;
        cairo_save(cr);
        cairo_rectangle(cr, clip.left, clip.top, clip.Width(), clip.Height());
        cairo_clip(cr);
        child->DoPaint(cr, clip);
        cairo_restore(cr);
    }
    if (verticalScrollBar_ && verticalScrollBar_->IsVisible())
        verticalScrollBar_->DoPaint(cr, visible);
    cairo_restore(cr);
}

}  // namespace kelno::skin
