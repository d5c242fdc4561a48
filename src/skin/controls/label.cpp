#include "skin/controls/label.h"

#include "skin/core/attribute_values.h"
#include "skin/core/paint_manager.h"
#include "skin/core/render.h"

namespace kelno::skin {

bool ApplyTextStyleAttribute(uint32_t& style, std::string_view name, std::string_view value) {
    auto setFlag = [&](uint32_t flag, bool on) { style = on ? (style | flag) : (style & ~flag); };
    if (name == "align") {
        style &= ~(DT_CENTER | DT_RIGHT);
        if (value == "center")
            style |= DT_CENTER;
        else if (value == "right")
            style |= DT_RIGHT;
    } else if (name == "valign") {
        style &= ~(DT_VCENTER | DT_BOTTOM);
        if (value == "vcenter" || value == "center")
            style |= DT_VCENTER;
        else if (value == "bottom")
            style |= DT_BOTTOM;
    } else if (name == "endellipsis") {
        if (auto b = ParseBool(value)) setFlag(DT_END_ELLIPSIS, *b);
    } else if (name == "wordbreak" || name == "multiline") {
        if (auto b = ParseBool(value)) {
            setFlag(DT_WORDBREAK, *b);
            setFlag(DT_SINGLELINE, !*b);
        }
    } else if (name == "singleline") {
        if (auto b = ParseBool(value)) setFlag(DT_SINGLELINE, *b);
    } else {
        return false;
    }
    return true;
}

std::string CLabelUI::GetClass() const {
    return "LabelUI";
}

void* CLabelUI::GetInterface(std::string_view name) {
    if (EqualsNoCase(name, "Label")) return this;
    return CControlUI::GetInterface(name);
}

void CLabelUI::SetFont(int id) {
    font_ = id;
    Invalidate();
}

void CLabelUI::SetTextColor(uint32_t argb) {
    textColor_ = argb;
    Invalidate();
}

void CLabelUI::SetDisabledTextColor(uint32_t argb) {
    disabledTextColor_ = argb;
    Invalidate();
}

void CLabelUI::SetTextStyle(uint32_t style) {
    textStyle_ = style;
    Invalidate();
}

void CLabelUI::SetTextPadding(Rect rc) {
    textPadding_ = rc;
    Invalidate();
}

Rect CLabelUI::GetTextRect() const {
    Rect pad = Scale(textPadding_);
    const Rect& rc = GetPos();
    return {rc.left + pad.left, rc.top + pad.top, rc.right - pad.right, rc.bottom - pad.bottom};
}

Size CLabelUI::EstimateSize(Size available) {
    Size size = CControlUI::EstimateSize(available);
    if (autoCalcWidth_ && GetManager()) {
        const FontInfo& font = GetManager()->GetFont(font_);
        const TextLayout& layout =
            measuredText_.Get(GetText(), font, GetManager()->GetDPIScale(), -1, DT_SINGLELINE);
        Rect pad = Scale(textPadding_);
        size.cx = layout.PixelSize().cx + pad.left + pad.right;
    }
    return size;
}

void CLabelUI::SetAttribute(std::string_view name, std::string_view value) {
    if (ApplyTextStyleAttribute(textStyle_, name, value)) {
        Invalidate();
    } else if (name == "font") {
        if (auto v = ParseInt(value)) SetFont(*v);
    } else if (name == "textcolor") {
        if (auto c = ParseColor(value)) SetTextColor(*c);
    } else if (name == "disabledtextcolor") {
        if (auto c = ParseColor(value)) SetDisabledTextColor(*c);
    } else if (name == "textpadding") {
        if (auto rc = ParseRect(value)) SetTextPadding(*rc);
    } else if (name == "autocalcwidth") {
        if (auto b = ParseBool(value)) {
            autoCalcWidth_ = *b;
            NeedParentUpdate();
        }
    } else {
        CControlUI::SetAttribute(name, value);
    }
}

uint32_t CLabelUI::CurrentTextColor() const {
    return IsEnabled() ? textColor_ : disabledTextColor_;
}

void CLabelUI::DrawTextIn(cairo_t* cr, const std::string& text, const Rect& rc, uint32_t color,
                          uint32_t style) const {
    if (text.empty() || rc.IsEmpty() || !GetManager()) return;
    LayoutOf(text, font_, rc.Width(), style).Draw(cr, rc, color);
}

const TextLayout& CLabelUI::LayoutOf(const std::string& text, int font, int width,
                                     uint32_t style) const {
    return drawnText_.Get(text, GetManager()->GetFont(font), GetManager()->GetDPIScale(), width,
                          style);
}

void CLabelUI::PaintText(cairo_t* cr) {
    DrawTextIn(cr, GetText(), GetTextRect(), CurrentTextColor(), textStyle_);
}

CTextUI::CTextUI() {
    SetTextStyle(DT_WORDBREAK);
}

std::string CTextUI::GetClass() const {
    return "TextUI";
}

void* CTextUI::GetInterface(std::string_view name) {
    if (EqualsNoCase(name, "Text")) return this;
    return CLabelUI::GetInterface(name);
}

}  // namespace kelno::skin
