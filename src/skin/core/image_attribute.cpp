#include "skin/core/image_attribute.h"

#include <algorithm>

#include "skin/core/attribute_values.h"

namespace kelno::skin {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

void ApplyPair(std::string_view key, std::string_view value, ImageAttribute& out) {
    if (value.empty()) return;
    if (key == "file" || key == "res") {
        out.file = std::string(value);
    } else if (key == "restype") {
        out.resType = std::string(value);
    } else if (key == "dest" || key == "source" || key == "corner") {
        auto rc = ParseRect(value);
        if (!rc) return;
        if (key == "dest")
            out.dest = rc;
        else if (key == "source")
            out.source = rc;
        else
            out.corner = *rc;
    } else if (key == "mask") {
        if (auto color = ParseColor(value)) out.mask = *color;
    } else if (key == "fade") {
        if (auto fade = ParseInt(value)) out.fade = std::clamp(*fade, 0, 255);
    } else if (key == "hole" || key == "xtiled" || key == "ytiled" || key == "hsl") {
        bool on = EqualsNoCase(value, "true");
        if (key == "hole")
            out.hole = on;
        else if (key == "xtiled")
            out.xtiled = on;
        else if (key == "ytiled")
            out.ytiled = on;
        else
            out.hsl = on;
    }
}

void ApplyText(std::string_view text, ImageAttribute& out) {
    size_t p = 0;
    const size_t n = text.size();
    while (p < n) {
        while (p < n && IsBlank(text[p])) ++p;
        if (p >= n) return;
        size_t keyStart = p;
        while (p < n && text[p] != '=' && !IsBlank(text[p])) ++p;
        std::string_view key = text.substr(keyStart, p - keyStart);
        while (p < n && IsBlank(text[p])) ++p;
        if (p >= n || text[p] != '=') return;
        ++p;
        if (p >= n || text[p] != '\'') return;
        ++p;
        size_t valueStart = p;
        while (p < n && text[p] != '\'') ++p;
        if (p >= n) return;  // no closing quote: the pair is not applied
        ApplyPair(key, text.substr(valueStart, p - valueStart), out);
        ++p;
        if (p >= n || text[p] != ' ') return;
    }
}

}  // namespace

ImageAttribute ParseImageAttribute(std::string_view image, std::string_view modify) {
    ImageAttribute out;
    if (image.find('=') == std::string_view::npos) {
        out.file = std::string(TrimBlanks(image));
    } else {
        ApplyText(image, out);
    }
    ApplyText(modify, out);
    return out;
}

}  // namespace kelno::skin
