#pragma once
// One font of the paint manager's font table: face, pixel size and style.

#include <string>

namespace kelno::skin {

struct FontInfo {
    std::string face = "Sans";
    int size = 12;  // pixels at 96 dpi
    bool bold = false;
    bool underline = false;
    bool italic = false;
    bool operator==(const FontInfo&) const = default;
};

}  // namespace kelno::skin
