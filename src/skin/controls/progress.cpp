#include "skin/controls/progress.h"

#include <algorithm>

#include "skin/core/attribute_values.h"
#include "skin/core/paint_manager.h"
#include "skin/core/render.h"

namespace kelno::skin {

// --- CProgressUI ---

std::string CProgressUI::GetClass() const {
    return "ProgressUI";
}

void* CProgressUI::GetInterface(std::string_view name) {
    if (EqualsNoCase(name, "Progress")) return this;
    return CLabelUI::GetInterface(name);
}

void CProgressUI::SetMinValue(int value) {
    min_ = value;
    if (max_ < min_) max_ = min_;
    value_ = std::clamp(value_, min_, max_);
    Invalidate();
}

void CProgressUI::SetMaxValue(int value) {
    max_ = value;
    if (min_ > max_) min_ = max_;
    value_ = std::clamp(value_, min_, max_);
    Invalidate();
}

void CProgressUI::SetValue(int value) {
    value = std::clamp(value, min_, max_);
    if (value == value_) return;
    value_ = value;
    Invalidate();
}

void CProgressUI::SetHorizontal(bool on) {
    horizontal_ = on;
    Invalidate();
}

Rect CProgressUI::FilledRect() const {
    const Rect& rc = GetPos();
    if (max_ <= min_) return {rc.left, rc.top, rc.left, rc.top};
    long span = max_ - min_;
    long part = value_ - min_;
    if (horizontal_) {
        return {rc.left, rc.top, rc.left + static_cast<int>(rc.Width() * part / span), rc.bottom};
    }
    int height = static_cast<int>(rc.Height() * part / span);
    return {rc.left, rc.bottom - height, rc.right, rc.bottom};
}

void CProgressUI::SetAttribute(std::string_view name, std::string_view value) {
    if (name == "min") {
        if (auto v = ParseInt(value)) SetMinValue(*v);
    } else if (name == "max") {
        if (auto v = ParseInt(value)) SetMaxValue(*v);
    } else if (name == "value") {
        if (auto v = ParseInt(value)) SetValue(*v);
    } else if (name == "hor") {
        if (auto b = ParseBool(value)) SetHorizontal(*b);
    } else if (name == "forecolor") {
        if (auto c = ParseColor(value)) {
            foreColor_ = *c;
            Invalidate();
        }
    } else {
        CLabelUI::SetAttribute(name, value);
    }
}

void CProgressUI::PaintForeImage(cairo_t* cr) {
    Rect filled = FilledRect();
    if (filled.IsEmpty()) return;
    const Rect& rc = GetPos();
    if (!GetForeImage().empty() && GetManager()) {
        ImageAttribute attr = ParseImageAttribute(GetForeImage());
        if (auto image = GetManager()->GetImage(attr.file, attr.mask)) {
            // The image covers the whole bar; only the filled part shows.
            cairo_save(cr);
            cairo_rectangle(cr, filled.left, filled.top, filled.Width(), filled.Height());
            cairo_clip(cr);
            DrawImageData(cr, *image, rc, attr, GetManager()->GetDPIScale());
            cairo_restore(cr);
            return;
        }
    }
    FillRect(cr, filled, foreColor_);
}

// --- CSliderUI ---

std::string CSliderUI::GetClass() const {
    return "SliderUI";
}

void* CSliderUI::GetInterface(std::string_view name) {
    if (EqualsNoCase(name, "Slider")) return this;
    return CProgressUI::GetInterface(name);
}

void CSliderUI::SetChangeStep(int step) {
    step_ = std::max(step, 1);
}

void CSliderUI::SetValue(int value, bool notify) {
    int before = GetValue();
    CProgressUI::SetValue(value);
    if (notify && GetManager() && GetValue() != before)
        GetManager()->SendNotify(this, notify::kValueChanged, static_cast<uintptr_t>(GetValue()));
}

Rect CSliderUI::GetThumbRect() const {
    const Rect& rc = GetPos();
    int tw = Scale(thumbSize_.cx), th = Scale(thumbSize_.cy);
    long span = std::max(GetMaxValue() - GetMinValue(), 1);
    long part = GetValue() - GetMinValue();
    if (IsHorizontal()) {
        int x = rc.left + static_cast<int>((rc.Width() - tw) * part / span);
        int y = rc.top + (rc.Height() - th) / 2;
        return {x, y, x + tw, y + th};
    }
    int y = rc.bottom - th - static_cast<int>((rc.Height() - th) * part / span);
    int x = rc.left + (rc.Width() - tw) / 2;
    return {x, y, x + tw, y + th};
}

int CSliderUI::ValueAt(Point pt) const {
    const Rect& rc = GetPos();
    long span = GetMaxValue() - GetMinValue();
    int tw = Scale(thumbSize_.cx), th = Scale(thumbSize_.cy);
    long travel, offset;
    if (IsHorizontal()) {
        travel = std::max(rc.Width() - tw, 1);
        offset = std::clamp<long>(pt.x - rc.left - tw / 2, 0, travel);
    } else {
        travel = std::max(rc.Height() - th, 1);
        offset = std::clamp<long>(rc.bottom - th / 2 - pt.y, 0, travel);
    }
    // Rounded to the nearest step from the minimum.
    long value = GetMinValue() + (offset * span + travel / 2) / travel;
    long steps = (value - GetMinValue() + step_ / 2) / step_;
    return std::clamp(static_cast<int>(GetMinValue() + steps * step_), GetMinValue(),
                      GetMaxValue());
}

void CSliderUI::SetAttribute(std::string_view name, std::string_view value) {
    if (name == "step") {
        if (auto v = ParseInt(value)) SetChangeStep(*v);
    } else if (name == "thumbsize") {
        if (auto s = ParseSize(value)) thumbSize_ = *s;
    } else if (name == "thumbimage") {
        thumbImage_ = std::string(value);
    } else if (name == "thumbhotimage") {
        thumbHotImage_ = std::string(value);
    } else if (name == "thumbpushedimage") {
        thumbPushedImage_ = std::string(value);
    } else if (name == "thumbcolor") {
        if (auto c = ParseColor(value)) thumbColor_ = *c;
    } else {
        CProgressUI::SetAttribute(name, value);
    }
}

void CSliderUI::DoEvent(TEventUI& event) {
    auto moveTo = [&](Point pt) {
        int before = GetValue();
        CProgressUI::SetValue(ValueAt(pt));
        if (GetValue() != before && GetManager())
            GetManager()->SendNotify(this, notify::kMoveValueChanged,
                                     static_cast<uintptr_t>(GetValue()));
    };
    switch (event.Type) {
        case UiEvent::ButtonDown:
        case UiEvent::DblClick:
            if (IsEnabled()) {
                dragging_ = true;
                dragStartValue_ = GetValue();
                moveTo(event.ptMouse);
            }
            return;
        case UiEvent::MouseMove:
            if (dragging_) moveTo(event.ptMouse);
            return;
        case UiEvent::ButtonUp:
            // The value comes from the last move: a release outside the
            // window (focus lost) must not jump the thumb.
            if (dragging_) {
                dragging_ = false;
                Invalidate();
                if (GetValue() != dragStartValue_ && GetManager())
                    GetManager()->SendNotify(this, notify::kValueChanged,
                                             static_cast<uintptr_t>(GetValue()));
            }
            return;
        case UiEvent::ScrollWheel:
            if (IsEnabled() && !dragging_) {
                SetValue(GetValue() + (event.wheelDelta > 0 ? step_ : -step_), true);
                return;
            }
            break;
        default:
            break;
    }
    CProgressUI::DoEvent(event);
}

void CSliderUI::PaintForeImage(cairo_t* cr) {
    CProgressUI::PaintForeImage(cr);
    Rect thumb = GetThumbRect();
    const std::string* image = &thumbImage_;
    if (dragging_ && !thumbPushedImage_.empty())
        image = &thumbPushedImage_;
    else if (IsHot() && !thumbHotImage_.empty())
        image = &thumbHotImage_;
    if (!image->empty() && GetManager()) {
        ImageAttribute attr = ParseImageAttribute(*image);
        if (auto data = GetManager()->GetImage(attr.file, attr.mask)) {
            attr.dest.reset();
            DrawImageData(cr, *data, thumb, attr, GetManager()->GetDPIScale());
            return;
        }
    }
    FillRect(cr, thumb, thumbColor_);
}

}  // namespace kelno::skin
