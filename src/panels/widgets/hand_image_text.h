#pragma once
// The picture texts of the hand-image buttons: key='value' pairs read from
// a picture text and then from a second, modifying text whose pairs
// override the same keys of the first. Leading blanks are skipped; a key
// runs to '=' or a blank; the value is enclosed in single quotes; after the
// closing quote parsing of that text goes on only when a blank follows. A
// pair with an empty value, an unknown key or a malformed value is ignored.

#include <string_view>

#include "skin/core/image_attribute.h"

namespace kelno::widgets {

skin::ImageAttribute ParseHandImage(std::string_view image, std::string_view modify = {});

}  // namespace kelno::widgets
