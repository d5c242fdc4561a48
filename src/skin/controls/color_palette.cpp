#include "skin/controls/color_palette.h"

#include <algorithm>
#include <cmath>

#include "skin/core/attribute_values.h"
#include "skin/core/paint_manager.h"
#include "skin/core/render.h"

namespace kelno::skin {

uint32_t HsvToRgb(int hue, int saturation, int value) {
    double h = ((hue % 360) + 360) % 360 / 60.0;
    double s = std::clamp(saturation, 0, 1000) / 1000.0;
    double v = std::clamp(value, 0, 1000) / 1000.0;
    double c = v * s;
    double x = c * (1 - std::fabs(std::fmod(h, 2.0) - 1));
    double r = 0, g = 0, b = 0;
    switch (static_cast<int>(h)) {
        case 0:
            r = c;
            g = x;
            break;
        case 1:
            r = x;
            g = c;
            break;
        case 2:
            g = c;
            b = x;
            break;
        case 3:
            g = x;
            b = c;
            break;
        case 4:
            r = x;
            b = c;
            break;
        default:
            r = c;
            b = x;
            break;
    }
    double m = v - c;
    auto byte = [](double f) {
        return static_cast<uint32_t>(std::lround(std::clamp(f, 0.0, 1.0) * 255));
    };
    return 0xFF000000u | byte(r + m) << 16 | byte(g + m) << 8 | byte(b + m);
}

void RgbToHsv(uint32_t rgb, int& hue, int& saturation, int& value) {
    double r = ((rgb >> 16) & 0xFF) / 255.0, g = ((rgb >> 8) & 0xFF) / 255.0,
           b = (rgb & 0xFF) / 255.0;
    double mx = std::max({r, g, b}), mn = std::min({r, g, b}), d = mx - mn;
    double h = 0;
    if (d > 0) {
        if (mx == r)
            h = 60 * std::fmod((g - b) / d, 6.0);
        else if (mx == g)
            h = 60 * ((b - r) / d + 2);
        else
            h = 60 * ((r - g) / d + 4);
    }
    if (h < 0) h += 360;
    hue = static_cast<int>(std::lround(h)) % 360;
    saturation = mx > 0 ? static_cast<int>(std::lround(d / mx * 1000)) : 0;
    value = static_cast<int>(std::lround(mx * 1000));
}

CColorPaletteUI::~CColorPaletteUI() {
    if (field_) cairo_surface_destroy(field_);
}

std::string CColorPaletteUI::GetClass() const {
    return "ColorPaletteUI";
}

void* CColorPaletteUI::GetInterface(std::string_view name) {
    if (EqualsNoCase(name, "ColorPalette")) return this;
    return CControlUI::GetInterface(name);
}

uint32_t CColorPaletteUI::GetSelectColor() const {
    return HsvToRgb(hue_, saturation_, value_);
}

void CColorPaletteUI::SetSelectColor(uint32_t argb, bool notify) {
    uint32_t before = GetSelectColor();
    RgbToHsv(argb, hue_, saturation_, value_);
    Invalidate();
    if (notify && GetManager() && GetSelectColor() != before)
        GetManager()->SendNotify(this, notify::kColorChanged, GetSelectColor());
}

Rect CColorPaletteUI::BarRect() const {
    const Rect& rc = GetPos();
    return {rc.left, rc.bottom - Scale(barHeight_), rc.right, rc.bottom};
}

Rect CColorPaletteUI::FieldRect() const {
    const Rect& rc = GetPos();
    int bottom = std::max(rc.top, rc.bottom - Scale(barHeight_) - Scale(gap_));
    return {rc.left, rc.top, rc.right, bottom};
}

void CColorPaletteUI::PickAt(Point pt) {
    if (drag_ == Drag::Field) {
        Rect f = FieldRect();
        if (f.Width() <= 1 || f.Height() <= 1) return;
        int x = std::clamp(pt.x - f.left, 0, f.Width() - 1);
        int y = std::clamp(pt.y - f.top, 0, f.Height() - 1);
        hue_ = x * 359 / (f.Width() - 1);
        saturation_ = 1000 - y * 1000 / (f.Height() - 1);
    } else if (drag_ == Drag::Bar) {
        Rect b = BarRect();
        if (b.Width() <= 1) return;
        value_ = std::clamp(pt.x - b.left, 0, b.Width() - 1) * 1000 / (b.Width() - 1);
    }
    Invalidate();
}

void CColorPaletteUI::SetAttribute(std::string_view name, std::string_view value) {
    if (name == "barheight") {
        if (auto v = ParseInt(value)) barHeight_ = std::max(*v, 1);
    } else if (name == "color") {
        if (auto c = ParseColor(value)) SetSelectColor(*c);
    } else {
        CControlUI::SetAttribute(name, value);
    }
}

void CColorPaletteUI::DoEvent(TEventUI& event) {
    switch (event.Type) {
        case UiEvent::ButtonDown:
        case UiEvent::DblClick:
            if (!IsEnabled()) return;
            dragStartColor_ = GetSelectColor();
            drag_ = FieldRect().Contains(event.ptMouse) ? Drag::Field
                    : BarRect().Contains(event.ptMouse) ? Drag::Bar
                                                        : Drag::None;
            PickAt(event.ptMouse);
            return;
        case UiEvent::MouseMove:
            if (drag_ != Drag::None) PickAt(event.ptMouse);
            return;
        case UiEvent::ButtonUp:
            if (drag_ != Drag::None) {
                drag_ = Drag::None;
                if (GetSelectColor() != dragStartColor_ && GetManager())
                    GetManager()->SendNotify(this, notify::kColorChanged, GetSelectColor());
            }
            return;
        default:
            CControlUI::DoEvent(event);
    }
}

void CColorPaletteUI::PaintStatusImage(cairo_t* cr) {
    Rect f = FieldRect();
    if (f.Width() > 1 && f.Height() > 1) {
        // The field depends only on its size: drawn once, reused.
        Size size{f.Width(), f.Height()};
        if (!field_ || size != fieldSize_) {
            if (field_) cairo_surface_destroy(field_);
            field_ = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size.cx, size.cy);
            unsigned char* data = cairo_image_surface_get_data(field_);
            int stride = cairo_image_surface_get_stride(field_);
            for (int y = 0; y < size.cy; ++y) {
                auto* row = reinterpret_cast<uint32_t*>(data + static_cast<size_t>(y) * stride);
                for (int x = 0; x < size.cx; ++x)
                    row[x] =
                        HsvToRgb(x * 359 / (size.cx - 1), 1000 - y * 1000 / (size.cy - 1), 1000);
            }
            cairo_surface_mark_dirty(field_);
            fieldSize_ = size;
        }
        cairo_set_source_surface(cr, field_, f.left, f.top);
        cairo_rectangle(cr, f.left, f.top, f.Width(), f.Height());
        cairo_fill(cr);
        // Darkened by the chosen brightness.
        FillRect(cr, f, static_cast<uint32_t>((1000 - value_) * 255 / 1000) << 24);
        int mx = f.left + hue_ * (f.Width() - 1) / 359;
        int my = f.top + (1000 - saturation_) * (f.Height() - 1) / 1000;
        DrawBorder(cr, {mx - 3, my - 3, mx + 4, my + 4}, 0xFFFFFFFF, 1);
    }
    Rect b = BarRect();
    if (b.Width() > 0) {
        cairo_pattern_t* ramp = cairo_pattern_create_linear(b.left, 0, b.right, 0);
        uint32_t full = HsvToRgb(hue_, saturation_, 1000);
        cairo_pattern_add_color_stop_rgb(ramp, 0, 0, 0, 0);
        cairo_pattern_add_color_stop_rgb(ramp, 1, ((full >> 16) & 0xFF) / 255.0,
                                         ((full >> 8) & 0xFF) / 255.0, (full & 0xFF) / 255.0);
        cairo_set_source(cr, ramp);
        cairo_rectangle(cr, b.left, b.top, b.Width(), b.Height());
        cairo_fill(cr);
        cairo_pattern_destroy(ramp);
        int vx = b.left + value_ * (b.Width() - 1) / 1000;
        FillRect(cr, {vx - 1, b.top, vx + 2, b.bottom}, 0xFFFFFFFF);
    }
}

}  // namespace kelno::skin
