#include "panels/widgets/circle_progress.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "skin/core/attribute_values.h"
#include "skin/core/render.h"

namespace kelno::widgets {
namespace {

double Radians(double degrees) {
    return degrees * std::numbers::pi / 180.0;
}

}  // namespace

std::string CCircleProgressUI::GetClass() const {
    return "CircleProgressUI";
}

void* CCircleProgressUI::GetInterface(std::string_view name) {
    if (skin::EqualsNoCase(name, kElementName)) return this;
    return skin::CProgressUI::GetInterface(name);
}

void CCircleProgressUI::SetAttribute(std::string_view name, std::string_view value) {
    if (name == "forecolor") {
        if (const auto colour = skin::ParseColor(value)) arcColour_ = *colour;
    }
    skin::CProgressUI::SetAttribute(name, value);
}

double CCircleProgressUI::SweepDegrees() const {
    const int range = GetMaxValue() - GetMinValue();
    if (range <= 0) return 0;
    return std::clamp(360.0 * GetValue() / range, 0.0, 360.0);
}

void CCircleProgressUI::PaintBkColor(cairo_t* cr) {
    const skin::Rect& rc = GetPos();
    const double radius = std::min(rc.Width(), rc.Height()) / 2.0;
    if (radius <= 0 || GetBkColor() == 0) return;
    cairo_save(cr);
    skin::SetSourceArgb(cr, GetBkColor());
    cairo_arc(cr, rc.left + rc.Width() / 2.0, rc.top + rc.Height() / 2.0, radius, 0,
              2 * std::numbers::pi);
    cairo_fill(cr);
    cairo_restore(cr);
}

void CCircleProgressUI::PaintForeImage(cairo_t* cr) {
    const skin::Rect& rc = GetPos();
    const double radius = std::min(rc.Width(), rc.Height()) / 2.0;
    const double sweep = SweepDegrees();
    if (radius <= 0 || sweep <= 0) return;
    const double cx = rc.left + rc.Width() / 2.0;
    const double cy = rc.top + rc.Height() / 2.0;
    cairo_save(cr);
    skin::SetSourceArgb(cr, arcColour_);
    cairo_move_to(cr, cx, cy);
    cairo_arc(cr, cx, cy, radius, Radians(90), Radians(90 + sweep));
    cairo_close_path(cr);
    cairo_fill(cr);
    cairo_restore(cr);
}

}  // namespace kelno::widgets
