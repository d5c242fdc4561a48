#include "skin/controls/scrollbar.h"

#include <algorithm>

#include "skin/core/attribute_values.h"
#include "skin/core/container.h"
#include "skin/core/paint_manager.h"
#include "skin/core/render.h"

namespace kelno::skin {

CScrollBarUI::CScrollBarUI() {
    SetKeyboardEnabled(false);
}

std::string CScrollBarUI::GetClass() const {
    return "ScrollBarUI";
}

void* CScrollBarUI::GetInterface(std::string_view name) {
    if (EqualsNoCase(name, "ScrollBar")) return this;
    return CControlUI::GetInterface(name);
}

void CScrollBarUI::SetScrollRange(int range) {
    range_ = std::max(range, 0);
    pos_ = std::clamp(pos_, 0, range_);
    Invalidate();
}

void CScrollBarUI::SetScrollPos(int pos) {
    pos_ = std::clamp(pos, 0, range_);
    Invalidate();
}

void CScrollBarUI::SetPage(int page) {
    page_ = std::max(page, 0);
}

Rect CScrollBarUI::GetThumbRect() const {
    const Rect& rc = GetPos();
    int track = rc.Height();
    if (track <= 0) return {};
    int total = range_ + std::max(page_, 1);
    int thumb = std::max(track * std::max(page_, 1) / total, std::min(track, Scale(16)));
    int travel = track - thumb;
    int top =
        range_ > 0 ? rc.top + static_cast<int>(static_cast<long>(travel) * pos_ / range_) : rc.top;
    return {rc.left, top, rc.right, top + thumb};
}

void CScrollBarUI::SetAttribute(std::string_view name, std::string_view value) {
    if (name == "thumbcolor") {
        if (auto c = ParseColor(value)) thumbColor_ = *c;
    } else if (name == "trackcolor") {
        if (auto c = ParseColor(value)) trackColor_ = *c;
    } else if (name == "thumbimage") {
        thumbImage_ = std::string(value);
    } else {
        CControlUI::SetAttribute(name, value);
    }
}

void CScrollBarUI::DoEvent(TEventUI& event) {
    if (!owner_) return CControlUI::DoEvent(event);
    switch (event.Type) {
        case UiEvent::ButtonDown:
        case UiEvent::DblClick: {
            Rect thumb = GetThumbRect();
            if (thumb.Contains(event.ptMouse)) {
                dragging_ = true;
                dragStartY_ = event.ptMouse.y;
                dragStartPos_ = pos_;
            } else if (event.ptMouse.y < thumb.top) {
                owner_->PageUp();
            } else {
                owner_->PageDown();
            }
            return;
        }
        case UiEvent::MouseMove:
            if (dragging_) {
                Rect thumb = GetThumbRect();
                int travel = GetPos().Height() - thumb.Height();
                if (travel > 0) {
                    long delta = static_cast<long>(event.ptMouse.y - dragStartY_) * range_ / travel;
                    owner_->SetScrollPos(dragStartPos_ + static_cast<int>(delta));
                }
            }
            return;
        case UiEvent::ButtonUp:
            dragging_ = false;
            return;
        case UiEvent::ScrollWheel:
            owner_->DoEvent(event);
            return;
        default:
            CControlUI::DoEvent(event);
    }
}

void CScrollBarUI::PaintBkColor(cairo_t* cr) {
    FillRect(cr, GetPos(), GetBkColor() ? GetBkColor() : trackColor_);
}

void CScrollBarUI::PaintStatusImage(cairo_t* cr) {
    Rect thumb = GetThumbRect();
    if (!thumbImage_.empty()) {
        ImageAttribute attr = ParseImageAttribute(thumbImage_);
        Rect rel{thumb.left - GetPos().left, thumb.top - GetPos().top, thumb.right - GetPos().left,
                 thumb.bottom - GetPos().top};
        attr.dest = rel;  // device pixels already: drawn with scale 1
        if (auto image = GetManager() ? GetManager()->GetImage(attr.file, attr.mask) : nullptr) {
            DrawImageData(cr, *image, GetPos(), attr, 1.0);
            return;
        }
    }
    FillRect(cr, thumb, thumbColor_);
}

}  // namespace kelno::skin
