#pragma once
// Drawing helpers the widgets share.

#include <cairo.h>

#include <cstdint>

#include "skin/core/control.h"
#include "skin/core/image_attribute.h"

namespace kelno::widgets {

// Draws a parsed picture inside `rc` through the control's paint manager.
// False when there is no manager or the picture cannot be loaded.
bool DrawPicture(const skin::CControlUI& control, cairo_t* cr, const skin::ImageAttribute& attr,
                 const skin::Rect& rc);

// Fills `rc` with an RGB colour at `alpha` (0 to 255).
void FillColour(cairo_t* cr, const skin::Rect& rc, uint8_t red, uint8_t green, uint8_t blue,
                uint8_t alpha);

}  // namespace kelno::widgets
