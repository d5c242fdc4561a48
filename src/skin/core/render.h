#pragma once
// Drawing primitives of the skin library over cairo and pango: colours,
// borders, pictures with the image attribute language, and text.

#include <cairo.h>
#include <pango/pango.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "skin/core/font_info.h"
#include "skin/core/geometry.h"
#include "skin/core/image_attribute.h"

namespace kelno::skin {

struct ImageData;

void SetSourceArgb(cairo_t* cr, uint32_t argb);
void FillRect(cairo_t* cr, const Rect& rc, uint32_t argb);
// A border of `width` pixels inside `rc`.
void DrawBorder(cairo_t* cr, const Rect& rc, uint32_t argb, int width);

// Draws `image` per `attr` inside `rcItem`; `scale` turns the attribute's
// dest rectangle into device pixels. False when there is nothing to draw.
bool DrawImageData(cairo_t* cr, const ImageData& image, const Rect& rcItem,
                   const ImageAttribute& attr, double scale);

// One laid-out text. Byte indexes are into the UTF-8 text.
class TextLayout {
  public:
    // `width` < 0: no width limit. `style` is TextStyle bits.
    TextLayout(const std::string& text, const FontInfo& font, double scale, int width,
               uint32_t style);
    ~TextLayout();
    TextLayout(const TextLayout&) = delete;
    TextLayout& operator=(const TextLayout&) = delete;

    Size PixelSize() const;
    // Characters no installed font could draw (shown as boxes).
    int MissingGlyphCount() const;
    // The caret before byte `index` (zero width), relative to the layout.
    Rect CaretRect(int index) const;
    // The byte index whose caret is nearest to a point of the layout.
    int XYToIndex(Point pt) const;
    // The boxes (one or more a line) that show the bytes [from, to) as
    // selected, relative to the layout.
    std::vector<Rect> RangeRects(int from, int to) const;
    // Where the first line starts below rc.top for the vertical alignment.
    int TopOffset(const Rect& rc) const;
    // Draws inside `rc` aligned by the style, in `argb`.
    void Draw(cairo_t* cr, const Rect& rc, uint32_t argb) const;

  private:
    PangoLayout* layout_ = nullptr;
    uint32_t style_ = 0;
    int textLength_ = 0;
};

// The layout a control made last, kept until its text, font, scale, width
// or style change: shaping text is most of what a repaint costs, and most
// repaints (a light, a hover) leave the text as it was.
class CachedTextLayout {
  public:
    const TextLayout& Get(const std::string& text, const FontInfo& font, double scale, int width,
                          uint32_t style);

  private:
    std::string text_;
    FontInfo font_;
    double scale_ = 0;
    int width_ = 0;
    uint32_t style_ = 0;
    std::unique_ptr<TextLayout> layout_;
};

}  // namespace kelno::skin
