#include "panels/widgets/hand_img_button.h"

#include <array>
#include <utility>

#include "panels/widgets/hand_image_text.h"
#include "panels/widgets/widget_paint.h"
#include "skin/core/attribute_values.h"
#include "skin/core/image_cache.h"
#include "skin/core/paint_manager.h"

namespace kelno::widgets {
namespace {

// The system cursors a skin may name; those this platform has no shape for
// show the arrow.
skin::CursorShape CursorByName(std::string_view name) {
    static constexpr std::array<std::pair<std::string_view, skin::CursorShape>, 6> kShapes = {{
        {"arrow", skin::CursorShape::Arrow},
        {"ibeam", skin::CursorShape::IBeam},
        {"wait", skin::CursorShape::Wait},
        {"hand", skin::CursorShape::Hand},
        {"sizewe", skin::CursorShape::SizeWE},
        {"sizens", skin::CursorShape::SizeNS},
    }};
    for (const auto& [text, shape] : kShapes) {
        if (skin::EqualsNoCase(name, text)) return shape;
    }
    return skin::CursorShape::Arrow;
}

}  // namespace

void NotifyHover(skin::CControlUI& control, const skin::TEventUI& event) {
    if (!control.GetManager()) return;
    if (event.Type == skin::UiEvent::MouseEnter)
        control.GetManager()->SendNotify(&control, kMouseEnterNotify);
    if (event.Type == skin::UiEvent::MouseLeave)
        control.GetManager()->SendNotify(&control, kMouseLeaveNotify);
}

// --- CHandImgButtonUI ----------------------------------------------------------

std::string CHandImgButtonUI::GetClass() const {
    return "HandImgButtonUI";
}

void* CHandImgButtonUI::GetInterface(std::string_view name) {
    if (skin::EqualsNoCase(name, kElementName)) return this;
    return skin::CButtonUI::GetInterface(name);
}

void CHandImgButtonUI::SetAttribute(std::string_view name, std::string_view value) {
    if (name == "handimage") {
        handImage_ = std::string(value);
    } else if (name == "deletenormalimage") {
        deleteNormalImage_ = std::string(value);
    } else if (name == "deletehotimage") {
        deleteHotImage_ = std::string(value);
    } else {
        skin::CButtonUI::SetAttribute(name, value);
    }
}

skin::Rect CHandImgButtonUI::DeleteRect() const {
    const skin::Rect& rc = GetPos();
    const skin::ImageAttribute attr = ParseHandImage(deleteNormalImage_);
    if (attr.dest) {
        const skin::Rect dest = Scale(*attr.dest);
        return skin::Rect{rc.left + dest.left, rc.top + dest.top, rc.left + dest.right,
                          rc.top + dest.bottom};
    }
    const int size = Scale(kDefaultCornerSize);
    return skin::Rect{rc.right - size, rc.top, rc.right, rc.top + size};
}

void CHandImgButtonUI::DoEvent(skin::TEventUI& event) {
    NotifyHover(*this, event);
    if (event.Type == skin::UiEvent::ButtonDown && IsEnabled()) {
        pressedOnCorner_ = DeleteRect().Contains(event.ptMouse);
        if (pressedOnCorner_) return;
    }
    if (event.Type == skin::UiEvent::ButtonUp && pressedOnCorner_) {
        pressedOnCorner_ = false;
        if (DeleteRect().Contains(event.ptMouse) && GetManager()) {
            GetManager()->SendNotify(this, kDeleteNotify);
        }
        return;
    }
    if (event.Type == skin::UiEvent::MouseMove) Invalidate();  // the corner's hot state
    skin::CButtonUI::DoEvent(event);
}

void CHandImgButtonUI::PaintStatusImage(cairo_t* cr) {
    skin::CButtonUI::PaintStatusImage(cr);
    if (!handImage_.empty()) DrawPicture(*this, cr, ParseHandImage(handImage_), GetPos());
    const std::string& corner =
        IsHot() && !deleteHotImage_.empty() ? deleteHotImage_ : deleteNormalImage_;
    if (!corner.empty()) DrawPicture(*this, cr, ParseHandImage(corner), GetPos());
}

// --- CHandImgSelectButtonUI ---------------------------------------------------------

std::string CHandImgSelectButtonUI::GetClass() const {
    return "HandImgSelectButtonUI";
}

void* CHandImgSelectButtonUI::GetInterface(std::string_view name) {
    if (skin::EqualsNoCase(name, kElementName)) return this;
    return skin::CButtonUI::GetInterface(name);
}

void CHandImgSelectButtonUI::SetAttribute(std::string_view name, std::string_view value) {
    if (name == "handimage") {
        handImage_ = std::string(value);
    } else if (name == "cursor") {
        SetCursor(CursorByName(value));
    } else {
        skin::CButtonUI::SetAttribute(name, value);
    }
}

void CHandImgSelectButtonUI::DoEvent(skin::TEventUI& event) {
    NotifyHover(*this, event);
    skin::CButtonUI::DoEvent(event);
}

void CHandImgSelectButtonUI::SetSelected(bool selected) {
    if (selected_ == selected) return;
    selected_ = selected;
    Invalidate();
}

void CHandImgSelectButtonUI::PaintStatusImage(cairo_t* cr) {
    skin::CButtonUI::PaintStatusImage(cr);
    if (handImage_.empty() || !GetManager()) return;
    skin::ImageAttribute attr = ParseHandImage(handImage_);
    const auto image = GetManager()->GetImage(attr.file, attr.mask);
    if (!image) return;
    const int half = image->width / 2;
    const std::string source = "source='" + std::to_string(selected_ ? half : 0) + ",0," +
                               std::to_string(selected_ ? image->width : half) + "," +
                               std::to_string(image->height) + "'";
    DrawPicture(*this, cr, ParseHandImage(handImage_, source), GetPos());
}

}  // namespace kelno::widgets
