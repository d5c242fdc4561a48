#pragma once
// CLabelUI shows one text in a font and colour with alignment; CTextUI is a
// label that wraps its text over several lines.

#include "skin/core/control.h"
#include "skin/core/render.h"

namespace kelno::skin {

class CLabelUI : public CControlUI {
  public:
    std::string GetClass() const override;
    void* GetInterface(std::string_view name) override;

    int GetFont() const { return font_; }
    void SetFont(int id);
    uint32_t GetTextColor() const { return textColor_; }
    void SetTextColor(uint32_t argb);
    uint32_t GetDisabledTextColor() const { return disabledTextColor_; }
    void SetDisabledTextColor(uint32_t argb);
    uint32_t GetTextStyle() const { return textStyle_; }
    void SetTextStyle(uint32_t style);
    const Rect& GetTextPadding() const { return textPadding_; }
    void SetTextPadding(Rect rc);
    // The text rectangle: the control less its text padding (device pixels).
    Rect GetTextRect() const;
    // Width follows the text when "autocalcwidth" is on.
    Size EstimateSize(Size available) override;

    void SetAttribute(std::string_view name, std::string_view value) override;
    void PaintText(cairo_t* cr) override;

  protected:
    // The colour the text is drawn in for the current state.
    virtual uint32_t CurrentTextColor() const;
    void DrawTextIn(cairo_t* cr, const std::string& text, const Rect& rc, uint32_t color,
                    uint32_t style) const;
    // The control's text laid out in `font` (kept between paints).
    const TextLayout& LayoutOf(const std::string& text, int font, int width, uint32_t style) const;

  private:
    int font_ = -1;
    uint32_t textColor_ = 0xFF000000;
    uint32_t disabledTextColor_ = 0xFFA0A0A0;
    uint32_t textStyle_ = DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS;
    Rect textPadding_;
    bool autoCalcWidth_ = false;
    mutable CachedTextLayout drawnText_;
    CachedTextLayout measuredText_;
};

class CTextUI : public CLabelUI {
  public:
    CTextUI();
    std::string GetClass() const override;
    void* GetInterface(std::string_view name) override;
};

// Applies "align"/"valign"/"endellipsis"/"wordbreak"/"singleline" to a
// style; false when the name is none of these.
bool ApplyTextStyleAttribute(uint32_t& style, std::string_view name, std::string_view value);

}  // namespace kelno::skin
