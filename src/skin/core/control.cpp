#include "skin/core/control.h"

#include <algorithm>
#include <cmath>

#include "core/debug_output.h"
#include "skin/core/attribute_values.h"
#include "skin/core/image_cache.h"
#include "skin/core/paint_manager.h"
#include "skin/core/render.h"
#include "skin/core/resource_manager.h"
#include "skin/core/xml_document.h"

namespace kelno::skin {
namespace {

// Sizes from layouts or code stay within a range layout arithmetic handles.
constexpr int kMaxLength = 1'000'000;

constexpr std::string_view kStyleAttribute = "style";

}  // namespace

CControlUI::CControlUI() = default;

CControlUI::~CControlUI() {
    if (manager_) manager_->ReapObjects(this);
}

std::string CControlUI::GetClass() const {
    return "ControlUI";
}

void* CControlUI::GetInterface(std::string_view name) {
    if (EqualsNoCase(name, "Control")) return this;
    return nullptr;
}

void CControlUI::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init) {
    bool attaching = manager != nullptr && manager != manager_;
    manager_ = manager;
    parent_ = parent;
    if (init && attaching) manager_->InitControls(this, parent);
}

// --- text ---

std::string CControlUI::GetText() const {
    if (!textId_.empty()) return CResourceManager::GetInstance().GetText(textId_);
    if (resourceText_) return CResourceManager::GetInstance().GetText(text_);
    return text_;
}

void CControlUI::SetText(const std::string& text) {
    if (text_ == text && textId_.empty()) return;
    text_ = text;
    textId_.clear();
    Invalidate();
}

void CControlUI::SetTextId(const std::string& id) {
    textId_ = id;
    Invalidate();
}

void CControlUI::SetResourceText(bool on) {
    resourceText_ = on;
    Invalidate();
}

std::string CControlUI::GetToolTip() const {
    if (resourceText_ && !tooltip_.empty())
        return CResourceManager::GetInstance().GetText(tooltip_);
    return tooltip_;
}

// --- geometry ---

void CControlUI::SetPos(Rect rc, bool needInvalidate) {
    if (rc.right < rc.left) rc.right = rc.left;
    if (rc.bottom < rc.top) rc.bottom = rc.top;
    if (rc == rcItem_) {
        updateNeeded_ = false;
        return;
    }
    Rect old = rcItem_;
    rcItem_ = rc;
    updateNeeded_ = false;
    if (needInvalidate && manager_ && IsVisible()) {
        manager_->Invalidate(old);
        manager_->Invalidate(rcItem_);
    }
}

void CControlUI::SetPadding(Rect rc) {
    rcPadding_ = rc;
    NeedParentUpdate();
}

void CControlUI::SetFixedXY(Point xy) {
    xyFixed_ = xy;
    NeedParentUpdate();
}

void CControlUI::SetFixedWidth(int cx) {
    cxyFixed_.cx = std::clamp(cx, 0, kMaxLength);
    NeedParentUpdate();
}

void CControlUI::SetFixedHeight(int cy) {
    cxyFixed_.cy = std::clamp(cy, 0, kMaxLength);
    NeedParentUpdate();
}

void CControlUI::SetMinWidth(int cx) {
    cxyMin_.cx = std::clamp(cx, 0, kMaxLength);
    NeedParentUpdate();
}

void CControlUI::SetMaxWidth(int cx) {
    cxyMax_.cx = std::clamp(cx, 0, kMaxLength);
    NeedParentUpdate();
}

void CControlUI::SetMinHeight(int cy) {
    cxyMin_.cy = std::clamp(cy, 0, kMaxLength);
    NeedParentUpdate();
}

void CControlUI::SetMaxHeight(int cy) {
    cxyMax_.cy = std::clamp(cy, 0, kMaxLength);
    NeedParentUpdate();
}

void CControlUI::SetFloat(bool on) {
    float_ = on;
    NeedParentUpdate();
}

Size CControlUI::EstimateSize(Size) {
    return {Scale(cxyFixed_.cx), Scale(cxyFixed_.cy)};
}

int CControlUI::Scale(int logical) const {
    return manager_ ? manager_->ScaleValue(logical) : logical;
}

Rect CControlUI::Scale(const Rect& logical) const {
    return {Scale(logical.left), Scale(logical.top), Scale(logical.right), Scale(logical.bottom)};
}

// --- state ---

void CControlUI::SetVisible(bool visible) {
    if (visible_ == visible) return;
    bool wasVisible = IsVisible();
    visible_ = visible;
    if (focused_ && !visible && manager_) manager_->SetFocus(nullptr);
    if (wasVisible != IsVisible()) {
        if (manager_ && wasVisible) manager_->Invalidate(rcItem_);
        NeedParentUpdate();
    }
}

void CControlUI::SetInternVisible(bool visible) {
    internVisible_ = visible;
    if (!visible && focused_ && manager_) manager_->SetFocus(nullptr);
}

void CControlUI::SetEnabled(bool enabled) {
    if (enabled_ == enabled) return;
    enabled_ = enabled;
    Invalidate();
}

void CControlUI::SetFocus() {
    if (manager_) manager_->SetFocus(this);
}

bool CControlUI::Activate() {
    return IsVisible() && IsEnabled();
}

// --- looks ---

void CControlUI::SetBkColor(uint32_t argb) {
    bkColor_ = argb;
    Invalidate();
}

void CControlUI::SetBorderColor(uint32_t argb) {
    borderColor_ = argb;
    Invalidate();
}

void CControlUI::SetFocusBorderColor(uint32_t argb) {
    focusBorderColor_ = argb;
    Invalidate();
}

void CControlUI::SetBorderSize(int size) {
    borderSize_ = std::max(size, 0);
    Invalidate();
}

void CControlUI::SetBkImage(const std::string& image) {
    bkImage_ = image;
    Invalidate();
}

void CControlUI::SetForeImage(const std::string& image) {
    foreImage_ = image;
    Invalidate();
}

// --- layout and repaint ---

void CControlUI::Invalidate() {
    if (manager_ && IsVisible()) manager_->Invalidate(rcItem_);
}

void CControlUI::NeedUpdate() {
    if (!IsVisible()) return;
    updateNeeded_ = true;
    Invalidate();
    if (manager_) manager_->NeedUpdate();
}

void CControlUI::NeedParentUpdate() {
    if (parent_) {
        parent_->NeedUpdate();
        parent_->Invalidate();
    } else {
        NeedUpdate();
    }
    if (manager_) manager_->NeedUpdate();
}

// --- attributes ---

void CControlUI::SetAttribute(std::string_view name, std::string_view value) {
    auto setColor = [&](void (CControlUI::*setter)(uint32_t)) {
        if (auto c = ParseColor(value)) (this->*setter)(*c);
    };
    auto setInt = [&](void (CControlUI::*setter)(int)) {
        if (auto v = ParseInt(value)) (this->*setter)(*v);
    };
    auto setBool = [&](auto&& apply) {
        if (auto b = ParseBool(value)) apply(*b);
    };
    if (name == "name") {
        SetName(std::string(value));
    } else if (name == kStyleAttribute) {
        ApplyStyle(value);
    } else if (name == "pos") {
        if (auto rc = ParseRect(value)) {
            SetFixedXY({rc->left, rc->top});
            SetFixedWidth(rc->right - rc->left);
            SetFixedHeight(rc->bottom - rc->top);
        }
    } else if (name == "float") {
        setBool([&](bool b) { SetFloat(b); });
    } else if (name == "padding") {
        if (auto rc = ParseRect(value)) SetPadding(*rc);
    } else if (name == "width") {
        setInt(&CControlUI::SetFixedWidth);
    } else if (name == "height") {
        setInt(&CControlUI::SetFixedHeight);
    } else if (name == "minwidth") {
        setInt(&CControlUI::SetMinWidth);
    } else if (name == "maxwidth") {
        setInt(&CControlUI::SetMaxWidth);
    } else if (name == "minheight") {
        setInt(&CControlUI::SetMinHeight);
    } else if (name == "maxheight") {
        setInt(&CControlUI::SetMaxHeight);
    } else if (name == "bkcolor") {
        setColor(&CControlUI::SetBkColor);
    } else if (name == "bordercolor") {
        setColor(&CControlUI::SetBorderColor);
    } else if (name == "focusbordercolor") {
        setColor(&CControlUI::SetFocusBorderColor);
    } else if (name == "bordersize") {
        setInt(&CControlUI::SetBorderSize);
    } else if (name == "bkimage") {
        SetBkImage(std::string(value));
    } else if (name == "foreimage") {
        SetForeImage(std::string(value));
    } else if (name == "text") {
        SetText(std::string(value));
    } else if (name == "textid") {
        SetTextId(std::string(value));
    } else if (name == "resourcetext") {
        setBool([&](bool b) { SetResourceText(b); });
    } else if (name == "tooltip") {
        SetToolTip(std::string(value));
    } else if (name == "userdata") {
        SetUserData(std::string(value));
    } else if (name == "tag") {
        if (auto v = ParseInt(value)) SetTag(static_cast<uintptr_t>(*v));
    } else if (name == "visible") {
        setBool([&](bool b) { SetVisible(b); });
    } else if (name == "enabled") {
        setBool([&](bool b) { SetEnabled(b); });
    } else if (name == "mouse") {
        setBool([&](bool b) { SetMouseEnabled(b); });
    } else if (name == "keyboard") {
        setBool([&](bool b) { SetKeyboardEnabled(b); });
    } else if (name == "menu") {
        setBool([&](bool b) { contextMenu_ = b; });
    } else if (name == "cursor") {
        static const struct {
            const char* name;
            CursorShape shape;
        } kCursors[] = {{"arrow", CursorShape::Arrow},   {"hand", CursorShape::Hand},
                        {"ibeam", CursorShape::IBeam},   {"sizewe", CursorShape::SizeWE},
                        {"sizens", CursorShape::SizeNS}, {"wait", CursorShape::Wait}};
        for (const auto& c : kCursors) {
            if (EqualsNoCase(value, c.name)) SetCursor(c.shape);
        }
    }
}

void CControlUI::ApplyAttributeList(std::string_view list) {
    for (const auto& [name, value] : ParseAttributeList(list)) SetAttribute(name, value);
}

void CControlUI::ApplyStyle(std::string_view styleName) {
    const std::string* attributes = CResourceManager::GetInstance().GetStyle(styleName);
    if (!attributes) {
        DebugOutput("skin: unknown style \"" + std::string(styleName) + "\" ignored");
        return;
    }
    for (const auto& [name, value] : ParseAttributeList(*attributes)) {
        // A style lists attributes, not other styles: nothing to chain or loop through.
        if (name != kStyleAttribute) SetAttribute(name, value);
    }
}

// --- tree walk, events, painting ---

CControlUI* CControlUI::FindControl(FindControlProc proc, void* data, uint32_t flags) {
    if ((flags & UIFIND_VISIBLE) && !IsVisible()) return nullptr;
    if ((flags & UIFIND_ENABLED) && !IsEnabled()) return nullptr;
    if ((flags & UIFIND_HITTEST) &&
        (!mouseEnabled_ || !rcItem_.Contains(*static_cast<Point*>(data))))
        return nullptr;
    return proc(this, data);
}

void CControlUI::Event(TEventUI& event) {
    if (event.Type == UiEvent::MouseEnter || event.Type == UiEvent::MouseLeave) {
        bool hot = event.Type == UiEvent::MouseEnter;
        if (hot != hot_) {
            hot_ = hot;
            Invalidate();
        }
    }
    DoEvent(event);
}

void CControlUI::DoEvent(TEventUI& event) {
    switch (event.Type) {
        case UiEvent::SetCursor:
            if (manager_ && manager_->GetHost()) manager_->GetHost()->SetCursor(cursor_);
            return;
        case UiEvent::SetFocus:
            focused_ = true;
            Invalidate();
            return;
        case UiEvent::KillFocus:
            focused_ = false;
            Invalidate();
            return;
        case UiEvent::Timer:
            if (manager_) manager_->SendNotify(this, notify::kTimer, event.wParam, event.lParam);
            return;
        case UiEvent::ContextMenu:
            if (contextMenu_ && manager_) {
                manager_->SendNotify(this, notify::kMenu, event.wParam, event.lParam);
                return;
            }
            break;
        default:
            break;
    }
    if (parent_) parent_->DoEvent(event);
}

void CControlUI::DoPaint(cairo_t* cr, const Rect& dirty) {
    if (rcItem_.Intersect(dirty).IsEmpty()) return;
    PaintBkColor(cr);
    PaintBkImage(cr);
    PaintStatusImage(cr);
    PaintForeImage(cr);
    PaintText(cr);
    PaintBorder(cr);
}

void CControlUI::PaintBkColor(cairo_t* cr) {
    FillRect(cr, rcItem_, bkColor_);
}

void CControlUI::PaintBkImage(cairo_t* cr) {
    if (!bkImage_.empty()) DrawImage(cr, bkImage_);
}

void CControlUI::PaintForeImage(cairo_t* cr) {
    if (!foreImage_.empty()) DrawImage(cr, foreImage_);
}

void CControlUI::PaintBorder(cairo_t* cr) {
    uint32_t color = (focused_ && focusBorderColor_ != 0) ? focusBorderColor_ : borderColor_;
    DrawBorder(cr, rcItem_, color, Scale(borderSize_));
}

bool CControlUI::DrawImage(cairo_t* cr, std::string_view image, std::string_view modify) {
    if (!manager_ || image.empty()) return false;
    ImageAttribute attr = ParseImageAttribute(image, modify);
    if (attr.file.empty()) return false;
    auto data = manager_->GetImage(attr.file, attr.mask);
    if (!data) return false;
    return DrawImageData(cr, *data, rcItem_, attr, manager_->GetDPIScale());
}

}  // namespace kelno::skin
