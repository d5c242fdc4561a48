#include "skin/controls/button.h"

#include "skin/core/attribute_values.h"
#include "skin/core/paint_manager.h"
#include "skin/core/render.h"

namespace kelno::skin {

// --- CButtonUI ---

CButtonUI::CButtonUI() {
    SetTextStyle(DT_SINGLELINE | DT_VCENTER | DT_CENTER | DT_END_ELLIPSIS);
}

std::string CButtonUI::GetClass() const {
    return "ButtonUI";
}

void* CButtonUI::GetInterface(std::string_view name) {
    if (EqualsNoCase(name, "Button")) return this;
    return CLabelUI::GetInterface(name);
}

void CButtonUI::SetImage(std::string& slot, const std::string& image) {
    slot = image;
    Invalidate();
}

uint32_t CButtonUI::GetButtonState() const {
    uint32_t state = state_;
    if (IsHot()) state |= UISTATE_HOT;
    if (IsFocused()) state |= UISTATE_FOCUSED;
    if (!IsEnabled()) state |= UISTATE_DISABLED;
    return state;
}

bool CButtonUI::Activate() {
    if (!CLabelUI::Activate()) return false;
    if (GetManager()) GetManager()->SendNotify(this, notify::kClick);
    return true;
}

void CButtonUI::SetAttribute(std::string_view name, std::string_view value) {
    auto color = [&](uint32_t& target) {
        if (auto c = ParseColor(value)) {
            target = *c;
            Invalidate();
        }
    };
    auto image = [&](std::string& target) { SetImage(target, std::string(value)); };
    if (name == "normalimage")
        image(normalImage_);
    else if (name == "hotimage")
        image(hotImage_);
    else if (name == "pushedimage")
        image(pushedImage_);
    else if (name == "focusedimage")
        image(focusedImage_);
    else if (name == "disabledimage")
        image(disabledImage_);
    else if (name == "hotforeimage")
        image(hotForeImage_);
    else if (name == "pushedforeimage")
        image(pushedForeImage_);
    else if (name == "hottextcolor")
        color(hotTextColor_);
    else if (name == "pushedtextcolor")
        color(pushedTextColor_);
    else if (name == "focusedtextcolor")
        color(focusedTextColor_);
    else if (name == "hotbkcolor")
        color(hotBkColor_);
    else if (name == "pushedbkcolor")
        color(pushedBkColor_);
    else
        CLabelUI::SetAttribute(name, value);
}

void CButtonUI::DoEvent(TEventUI& event) {
    if (!IsMouseEnabled() && event.Type != UiEvent::SetFocus && event.Type != UiEvent::KillFocus &&
        event.Type != UiEvent::Timer) {
        return CLabelUI::DoEvent(event);
    }
    switch (event.Type) {
        case UiEvent::ButtonDown:
        case UiEvent::DblClick:
            if (IsEnabled() && GetPos().Contains(event.ptMouse)) {
                state_ |= UISTATE_PUSHED | UISTATE_CAPTURED;
                Invalidate();
            }
            return;
        case UiEvent::MouseMove:
            if (state_ & UISTATE_CAPTURED) {
                bool inside = GetPos().Contains(event.ptMouse);
                uint32_t next = inside ? (state_ | UISTATE_PUSHED) : (state_ & ~UISTATE_PUSHED);
                if (next != state_) {
                    state_ = next;
                    Invalidate();
                }
            }
            return;
        case UiEvent::ButtonUp:
            if (state_ & UISTATE_CAPTURED) {
                bool inside = GetPos().Contains(event.ptMouse);
                state_ &= ~(UISTATE_PUSHED | UISTATE_CAPTURED);
                Invalidate();
                if (inside) Activate();
            }
            return;
        case UiEvent::KeyDown:
            if (IsKeyboardEnabled() && (event.chKey == ' ' || event.chKey == keys::kReturn)) {
                Activate();
                return;
            }
            break;
        default:
            break;
    }
    CLabelUI::DoEvent(event);
}

uint32_t CButtonUI::CurrentTextColor() const {
    if (!IsEnabled()) return GetDisabledTextColor();
    if ((state_ & UISTATE_PUSHED) && pushedTextColor_) return pushedTextColor_;
    if (IsHot() && hotTextColor_) return hotTextColor_;
    if (IsFocused() && focusedTextColor_) return focusedTextColor_;
    return GetTextColor();
}

const std::string& CButtonUI::StateImage() const {
    auto pick = [this](const std::string& image) -> const std::string& {
        return image.empty() ? normalImage_ : image;
    };
    if (!IsEnabled()) return pick(disabledImage_);
    if (state_ & UISTATE_PUSHED) return pick(pushedImage_);
    if (IsHot()) return pick(hotImage_);
    if (IsFocused()) return pick(focusedImage_);
    return normalImage_;
}

void CButtonUI::PaintBkColor(cairo_t* cr) {
    uint32_t color = GetBkColor();
    if (IsEnabled() && (state_ & UISTATE_PUSHED) && pushedBkColor_)
        color = pushedBkColor_;
    else if (IsEnabled() && IsHot() && hotBkColor_)
        color = hotBkColor_;
    FillRect(cr, GetPos(), color);
}

void CButtonUI::PaintStatusImage(cairo_t* cr) {
    const std::string& image = StateImage();
    if (!image.empty()) DrawImage(cr, image);
}

void CButtonUI::PaintForeImage(cairo_t* cr) {
    const std::string* fore = &GetForeImage();
    if ((state_ & UISTATE_PUSHED) && !pushedForeImage_.empty())
        fore = &pushedForeImage_;
    else if (IsHot() && !hotForeImage_.empty())
        fore = &hotForeImage_;
    if (!fore->empty()) DrawImage(cr, *fore);
}

// --- COptionUI ---

COptionUI::~COptionUI() = default;

std::string COptionUI::GetClass() const {
    return "OptionUI";
}

void* COptionUI::GetInterface(std::string_view name) {
    if (EqualsNoCase(name, "Option")) return this;
    return CButtonUI::GetInterface(name);
}

void COptionUI::SetGroup(const std::string& group) {
    group_ = group;
    if (selected_) Selected(true);  // the new group keeps one selected option
}

void COptionUI::Selected(bool selected, bool notify) {
    if (selected_ == selected) return;
    selected_ = selected;
    // Without a manager the group's other options cannot be found yet:
    // the rule is applied when the option is attached.
    pendingSelect_ = selected && !GetManager();
    if (selected)
        state_ |= UISTATE_SELECTED;
    else
        state_ &= ~UISTATE_SELECTED;
    Invalidate();
    CPaintManagerUI* pm = GetManager();
    if (selected && !group_.empty() && pm && pm->GetRoot()) {
        for (CControlUI* c : pm->FindSubControlsByClass(pm->GetRoot(), "Option")) {
            auto* other = static_cast<COptionUI*>(c->GetInterface("Option"));
            if (other != this && other->group_ == group_ && other->selected_)
                other->Selected(false, notify);
        }
    }
    if (notify && pm) pm->SendNotify(this, notify::kSelectChanged, selected ? 1 : 0);
}

bool COptionUI::Activate() {
    if (!IsVisible() || !IsEnabled()) return false;
    if (!group_.empty())
        Selected(true, true);
    else
        Selected(!selected_, true);
    return true;
}

void COptionUI::SetAttribute(std::string_view name, std::string_view value) {
    auto color = [&](uint32_t& target) {
        if (auto c = ParseColor(value)) {
            target = *c;
            Invalidate();
        }
    };
    if (name == "group") {
        SetGroup(std::string(value));
    } else if (name == "selected") {
        if (auto b = ParseBool(value)) Selected(*b);
    } else if (name == "selectedimage") {
        SetSelectedImage(std::string(value));
    } else if (name == "selectedhotimage") {
        SetImage(selectedHotImage_, std::string(value));
    } else if (name == "selectedtextcolor") {
        color(selectedTextColor_);
    } else if (name == "selectedbkcolor") {
        color(selectedBkColor_);
    } else {
        CButtonUI::SetAttribute(name, value);
    }
}

void COptionUI::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init) {
    CButtonUI::SetManager(manager, parent, init);
    if (manager && pendingSelect_) {
        pendingSelect_ = false;
        // Re-run the group rule now that the other options can be found.
        selected_ = false;
        Selected(true);
    }
}

uint32_t COptionUI::CurrentTextColor() const {
    if (selected_ && IsEnabled() && selectedTextColor_) return selectedTextColor_;
    return CButtonUI::CurrentTextColor();
}

const std::string& COptionUI::StateImage() const {
    if (selected_ && IsEnabled()) {
        if (IsHot() && !selectedHotImage_.empty()) return selectedHotImage_;
        if (!selectedImage_.empty()) return selectedImage_;
    }
    return CButtonUI::StateImage();
}

void COptionUI::PaintBkColor(cairo_t* cr) {
    if (selected_ && selectedBkColor_)
        FillRect(cr, GetPos(), selectedBkColor_);
    else
        CButtonUI::PaintBkColor(cr);
}

// --- CCheckBoxUI ---

std::string CCheckBoxUI::GetClass() const {
    return "CheckBoxUI";
}

void* CCheckBoxUI::GetInterface(std::string_view name) {
    if (EqualsNoCase(name, "CheckBox")) return this;
    return COptionUI::GetInterface(name);
}

}  // namespace kelno::skin
