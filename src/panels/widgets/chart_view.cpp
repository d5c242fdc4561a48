#include "panels/widgets/chart_view.h"

#include <algorithm>
#include <array>
#include <numbers>

#include "skin/core/attribute_values.h"
#include "skin/core/render.h"

namespace kelno::widgets {
namespace {

constexpr std::array<uint32_t, 6> kItemColours = {0xFF3399FF, 0xFFFF6633, 0xFF66CC66,
                                                  0xFFFFCC33, 0xFFCC66CC, 0xFF33CCCC};

uint32_t ItemColour(size_t index) {
    return kItemColours[index % kItemColours.size()];
}

}  // namespace

std::string CChartViewUI::GetClass() const {
    return "ChartViewUI";
}

void* CChartViewUI::GetInterface(std::string_view name) {
    if (skin::EqualsNoCase(name, kElementName)) return this;
    return skin::CControlUI::GetInterface(name);
}

void CChartViewUI::SetAttribute(std::string_view name, std::string_view value) {
    if (name == "view") {
        if (skin::EqualsNoCase(value, "pie")) view_ = View::Pie;
        if (skin::EqualsNoCase(value, "histpgram")) view_ = View::Bars;
    } else if (name == "shadowimage") {
        shadowImage_ = std::string(value);
    } else if (name == "shadowimageheight") {
        shadowImageHeight_ = skin::ParseInt(value).value_or(shadowImageHeight_);
    } else if (name == "pillarimage") {
        pillarImage_ = std::string(value);
    } else if (name == "pillarimagewidth") {
        pillarImageWidth_ = skin::ParseInt(value).value_or(pillarImageWidth_);
    } else if (name == "showhtml") {
        showHtml_ = skin::EqualsNoCase(value, "true");
    } else if (name == "showtext") {
        showText_ = skin::EqualsNoCase(value, "true");
    } else if (name == "font") {
        font_ = skin::ParseInt(value).value_or(font_);
    } else {
        skin::CControlUI::SetAttribute(name, value);
    }
}

void CChartViewUI::AddItem(std::string name, double value) {
    items_.push_back(Item{std::move(name), std::max(value, 0.0)});
    Invalidate();
}

void CChartViewUI::RemoveAllItems() {
    items_.clear();
    Invalidate();
}

void CChartViewUI::PaintText(cairo_t* cr) {
    if (items_.empty()) return;
    if (view_ == View::Pie) {
        PaintPie(cr);
    } else {
        PaintBars(cr);
    }
}

void CChartViewUI::PaintPie(cairo_t* cr) const {
    double total = 0;
    for (const Item& item : items_) total += item.value;
    const skin::Rect& rc = GetPos();
    const double radius = std::min(rc.Width(), rc.Height()) / 2.0;
    if (total <= 0 || radius <= 0) return;
    const double cx = rc.left + rc.Width() / 2.0;
    const double cy = rc.top + rc.Height() / 2.0;
    double angle = -std::numbers::pi / 2;
    for (size_t i = 0; i < items_.size(); ++i) {
        const double sweep = 2 * std::numbers::pi * items_[i].value / total;
        cairo_save(cr);
        skin::SetSourceArgb(cr, ItemColour(i));
        cairo_move_to(cr, cx, cy);
        cairo_arc(cr, cx, cy, radius, angle, angle + sweep);
        cairo_close_path(cr);
        cairo_fill(cr);
        cairo_restore(cr);
        angle += sweep;
    }
}

void CChartViewUI::PaintBars(cairo_t* cr) const {
    double highest = 0;
    for (const Item& item : items_) highest = std::max(highest, item.value);
    const skin::Rect& rc = GetPos();
    if (highest <= 0 || rc.Width() <= 0) return;
    const int slot = rc.Width() / static_cast<int>(items_.size());
    const int width =
        pillarImageWidth_ > 0 ? std::min(Scale(pillarImageWidth_), slot) : slot * 2 / 3;
    for (size_t i = 0; i < items_.size(); ++i) {
        const int height = static_cast<int>(rc.Height() * items_[i].value / highest);
        const int left = rc.left + static_cast<int>(i) * slot + (slot - width) / 2;
        skin::FillRect(cr, skin::Rect{left, rc.bottom - height, left + width, rc.bottom},
                       ItemColour(i));
    }
}

}  // namespace kelno::widgets
