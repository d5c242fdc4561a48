#include "panels/widgets/widget_paint.h"

#include "skin/core/image_cache.h"
#include "skin/core/paint_manager.h"
#include "skin/core/render.h"

namespace kelno::widgets {

bool DrawPicture(const skin::CControlUI& control, cairo_t* cr, const skin::ImageAttribute& attr,
                 const skin::Rect& rc) {
    skin::CPaintManagerUI* manager = control.GetManager();
    if (!manager || attr.file.empty()) return false;
    const auto image = manager->GetImage(attr.file, attr.mask);
    if (!image) return false;
    return skin::DrawImageData(cr, *image, rc, attr, manager->GetDPIScale());
}

void FillColour(cairo_t* cr, const skin::Rect& rc, uint8_t red, uint8_t green, uint8_t blue,
                uint8_t alpha) {
    if (rc.Width() <= 0 || rc.Height() <= 0 || alpha == 0) return;
    cairo_save(cr);
    cairo_set_source_rgba(cr, red / 255.0, green / 255.0, blue / 255.0, alpha / 255.0);
    cairo_rectangle(cr, rc.left, rc.top, rc.Width(), rc.Height());
    cairo_fill(cr);
    cairo_restore(cr);
}

}  // namespace kelno::widgets
