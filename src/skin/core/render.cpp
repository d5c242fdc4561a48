#include "skin/core/render.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>

#include "skin/core/image_cache.h"
#include "skin/core/ui_defs.h"

namespace kelno::skin {
namespace {

// Draws the `src` part of the picture into `dst`, stretched or tiled.
void DrawPart(cairo_t* cr, cairo_surface_t* surface, const Rect& src, const Rect& dst, bool xtiled,
              bool ytiled, double alpha) {
    if (src.IsEmpty() || dst.IsEmpty()) return;
    cairo_save(cr);
    cairo_rectangle(cr, dst.left, dst.top, dst.Width(), dst.Height());
    cairo_clip(cr);
    cairo_surface_t* part =
        cairo_surface_create_for_rectangle(surface, src.left, src.top, src.Width(), src.Height());
    cairo_pattern_t* pattern = cairo_pattern_create_for_surface(part);
    double sx = xtiled ? 1.0 : static_cast<double>(src.Width()) / dst.Width();
    double sy = ytiled ? 1.0 : static_cast<double>(src.Height()) / dst.Height();
    cairo_matrix_t m;
    cairo_matrix_init_scale(&m, sx, sy);
    cairo_matrix_translate(&m, -dst.left, -dst.top);
    cairo_pattern_set_matrix(pattern, &m);
    cairo_pattern_set_extend(pattern, (xtiled || ytiled) ? CAIRO_EXTEND_REPEAT : CAIRO_EXTEND_PAD);
    cairo_set_source(cr, pattern);
    if (alpha >= 1.0)
        cairo_paint(cr);
    else
        cairo_paint_with_alpha(cr, alpha);
    cairo_pattern_destroy(pattern);
    cairo_surface_destroy(part);
    cairo_restore(cr);
}

PangoFontDescription* MakeFontDescription(const FontInfo& font, double scale) {
    PangoFontDescription* desc = pango_font_description_new();
    pango_font_description_set_family(desc, font.face.c_str());
    int px = std::clamp(static_cast<int>(std::lround(font.size * scale)), 1, 1000);
    pango_font_description_set_absolute_size(desc, px * PANGO_SCALE);
    pango_font_description_set_weight(desc, font.bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_font_description_set_style(desc, font.italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    return desc;
}

PangoContext* SharedPangoContext() {
    // Measuring needs no surface; one context per thread is enough.
    thread_local PangoContext* context = [] {
        PangoContext* c = pango_font_map_create_context(pango_cairo_font_map_get_default());
        cairo_font_options_t* options = cairo_font_options_create();
        cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
        pango_cairo_context_set_font_options(c, options);
        cairo_font_options_destroy(options);
        return c;
    }();
    return context;
}

}  // namespace

void SetSourceArgb(cairo_t* cr, uint32_t argb) {
    cairo_set_source_rgba(cr, ((argb >> 16) & 0xFF) / 255.0, ((argb >> 8) & 0xFF) / 255.0,
                          (argb & 0xFF) / 255.0, ((argb >> 24) & 0xFF) / 255.0);
}

void FillRect(cairo_t* cr, const Rect& rc, uint32_t argb) {
    if (rc.IsEmpty() || (argb >> 24) == 0) return;
    SetSourceArgb(cr, argb);
    cairo_rectangle(cr, rc.left, rc.top, rc.Width(), rc.Height());
    cairo_fill(cr);
}

void DrawBorder(cairo_t* cr, const Rect& rc, uint32_t argb, int width) {
    if (width <= 0 || rc.IsEmpty() || (argb >> 24) == 0) return;
    width = std::min({width, rc.Width() / 2 + 1, rc.Height() / 2 + 1});
    SetSourceArgb(cr, argb);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
    cairo_rectangle(cr, rc.left, rc.top, rc.Width(), rc.Height());
    cairo_rectangle(cr, rc.left + width, rc.top + width, rc.Width() - 2 * width,
                    rc.Height() - 2 * width);
    cairo_fill(cr);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
}

bool DrawImageData(cairo_t* cr, const ImageData& image, const Rect& rcItem,
                   const ImageAttribute& attr, double scale) {
    Rect dst = rcItem;
    if (attr.dest) {
        const Rect& d = *attr.dest;
        auto s = [scale](int v) { return static_cast<int>(std::lround(v * scale)); };
        dst = Rect{rcItem.left + s(d.left), rcItem.top + s(d.top), rcItem.left + s(d.right),
                   rcItem.top + s(d.bottom)}
                  .Intersect(rcItem);
    }
    Rect src{0, 0, image.width, image.height};
    if (attr.source) src = attr.source->Intersect(src);
    if (dst.IsEmpty() || src.IsEmpty()) return false;
    double alpha = attr.fade / 255.0;
    // Nine-slice borders never exceed the source or the destination.
    int cl = std::clamp(attr.corner.left, 0, std::min(src.Width(), dst.Width()) / 2);
    int cr_ = std::clamp(attr.corner.right, 0, std::min(src.Width(), dst.Width()) / 2);
    int ct = std::clamp(attr.corner.top, 0, std::min(src.Height(), dst.Height()) / 2);
    int cb = std::clamp(attr.corner.bottom, 0, std::min(src.Height(), dst.Height()) / 2);
    if (cl == 0 && cr_ == 0 && ct == 0 && cb == 0) {
        DrawPart(cr, image.surface, src, dst, attr.xtiled, attr.ytiled, alpha);
        return true;
    }
    const int sx[4] = {src.left, src.left + cl, src.right - cr_, src.right};
    const int sy[4] = {src.top, src.top + ct, src.bottom - cb, src.bottom};
    const int dx[4] = {dst.left, dst.left + cl, dst.right - cr_, dst.right};
    const int dy[4] = {dst.top, dst.top + ct, dst.bottom - cb, dst.bottom};
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col) {
            bool centre = row == 1 && col == 1;
            if (centre && attr.hole) continue;
            DrawPart(cr, image.surface, {sx[col], sy[row], sx[col + 1], sy[row + 1]},
                     {dx[col], dy[row], dx[col + 1], dy[row + 1]}, centre && attr.xtiled,
                     centre && attr.ytiled, alpha);
        }
    }
    return true;
}

TextLayout::TextLayout(const std::string& text, const FontInfo& font, double scale, int width,
                       uint32_t style)
    : style_(style), textLength_(static_cast<int>(text.size())) {
    layout_ = pango_layout_new(SharedPangoContext());
    PangoFontDescription* desc = MakeFontDescription(font, scale);
    pango_layout_set_font_description(layout_, desc);
    pango_font_description_free(desc);
    if (font.underline) {
        PangoAttrList* attrs = pango_attr_list_new();
        pango_attr_list_insert(attrs, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
        pango_layout_set_attributes(layout_, attrs);
        pango_attr_list_unref(attrs);
    }
    pango_layout_set_text(layout_, text.c_str(), static_cast<int>(text.size()));
    if (width >= 0) pango_layout_set_width(layout_, width * PANGO_SCALE);
    if (style & DT_SINGLELINE) pango_layout_set_single_paragraph_mode(layout_, TRUE);
    if ((style & DT_WORDBREAK) && !(style & DT_SINGLELINE)) {
        pango_layout_set_wrap(layout_, PANGO_WRAP_WORD_CHAR);
    } else if (width >= 0 && (style & DT_END_ELLIPSIS)) {
        pango_layout_set_ellipsize(layout_, PANGO_ELLIPSIZE_END);
    }
    if (width >= 0) {
        if (style & DT_CENTER)
            pango_layout_set_alignment(layout_, PANGO_ALIGN_CENTER);
        else if (style & DT_RIGHT)
            pango_layout_set_alignment(layout_, PANGO_ALIGN_RIGHT);
    }
}

TextLayout::~TextLayout() {
    g_object_unref(layout_);
}

Size TextLayout::PixelSize() const {
    int w = 0, h = 0;
    pango_layout_get_pixel_size(layout_, &w, &h);
    return {w, h};
}

int TextLayout::MissingGlyphCount() const {
    return pango_layout_get_unknown_glyphs_count(layout_);
}

Rect TextLayout::CaretRect(int index) const {
    PangoRectangle pos;
    pango_layout_index_to_pos(layout_, std::clamp(index, 0, textLength_), &pos);
    int x = PANGO_PIXELS(pos.x), y = PANGO_PIXELS(pos.y);
    return {x, y, x, y + PANGO_PIXELS(pos.height)};
}

int TextLayout::TopOffset(const Rect& rc) const {
    Size size = PixelSize();
    if (style_ & DT_VCENTER) return (rc.Height() - size.cy) / 2;
    if (style_ & DT_BOTTOM) return rc.Height() - size.cy;
    return 0;
}

int TextLayout::XYToIndex(Point pt) const {
    int index = 0, trailing = 0;
    pango_layout_xy_to_index(layout_, pt.x * PANGO_SCALE, pt.y * PANGO_SCALE, &index, &trailing);
    const char* text = pango_layout_get_text(layout_);
    while (trailing-- > 0 && index < textLength_) {
        index = static_cast<int>(g_utf8_next_char(text + index) - text);
    }
    return std::clamp(index, 0, textLength_);
}

std::vector<Rect> TextLayout::RangeRects(int from, int to) const {
    std::vector<Rect> rects;
    from = std::clamp(from, 0, textLength_);
    to = std::clamp(to, 0, textLength_);
    if (from >= to) return rects;
    PangoLayoutIter* line = pango_layout_get_iter(layout_);
    do {
        PangoLayoutLine* current = pango_layout_iter_get_line_readonly(line);
        const int start = current->start_index;
        const int end = start + current->length;
        if (end < from || start >= to) continue;
        int top = 0, bottom = 0;
        pango_layout_iter_get_line_yrange(line, &top, &bottom);
        int* ranges = nullptr;
        int count = 0;
        pango_layout_line_get_x_ranges(current, std::max(from, start), std::min(to, end), &ranges,
                                       &count);
        for (int i = 0; i < count; ++i) {
            rects.push_back({PANGO_PIXELS(ranges[2 * i]), PANGO_PIXELS(top),
                             PANGO_PIXELS(ranges[2 * i + 1]), PANGO_PIXELS(bottom)});
        }
        g_free(ranges);
    } while (pango_layout_iter_next_line(line));
    pango_layout_iter_free(line);
    return rects;
}

void TextLayout::Draw(cairo_t* cr, const Rect& rc, uint32_t argb) const {
    if (rc.IsEmpty()) return;
    int y = rc.top + TopOffset(rc);
    cairo_save(cr);
    cairo_rectangle(cr, rc.left, rc.top, rc.Width(), rc.Height());
    cairo_clip(cr);
    SetSourceArgb(cr, argb);
    cairo_move_to(cr, rc.left, y);
    pango_cairo_show_layout(cr, layout_);
    cairo_restore(cr);
}

const TextLayout& CachedTextLayout::Get(const std::string& text, const FontInfo& font, double scale,
                                        int width, uint32_t style) {
    if (!layout_ || text != text_ || !(font == font_) || scale != scale_ || width != width_ ||
        style != style_) {
        layout_ = std::make_unique<TextLayout>(text, font, scale, width, style);
        text_ = text;
        font_ = font;
        scale_ = scale;
        width_ = width;
        style_ = style;
    }
    return *layout_;
}

}  // namespace kelno::skin
