#pragma once
// The image attribute language: a text of key='value' pairs that names a
// picture and how to draw it, e.g. "file='a.png' source='0,0,20,20'
// corner='4,4,4,4'". A text without '=' is a plain file name. A second,
// modifying text overrides keys of the first. Parsing stays in bounds
// whatever the input; a malformed pair ends parsing of that text.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "skin/core/geometry.h"

namespace kelno::skin {

struct ImageAttribute {
    std::string file;            // "file" or "res": resource id or file name
    std::string resType;         // "restype"
    std::optional<Rect> dest;    // relative to the control, logical pixels
    std::optional<Rect> source;  // image pixels
    Rect corner;                 // nine-slice borders (left, top, right, bottom)
    uint32_t mask = 0;           // colour made transparent; 0 = none
    int fade = 255;              // 0..255 opacity
    bool hole = false;           // nine-slice without its centre
    bool xtiled = false;
    bool ytiled = false;
    bool hsl = false;
    bool operator==(const ImageAttribute&) const = default;
};

ImageAttribute ParseImageAttribute(std::string_view image, std::string_view modify = {});

}  // namespace kelno::skin
