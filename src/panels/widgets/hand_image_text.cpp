#include "panels/widgets/hand_image_text.h"

#include <algorithm>
#include <array>
#include <optional>

#include "skin/core/attribute_values.h"

namespace kelno::widgets {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Four decimal integers, each followed by one separating character.
std::optional<skin::Rect> ParseFour(std::string_view value) {
    std::array<int, 4> numbers{};
    size_t pos = 0;
    for (int& number : numbers) {
        if (pos > value.size()) return std::nullopt;  // fewer than four numbers
        const size_t start = pos;
        while (pos < value.size() &&
               ((value[pos] >= '0' && value[pos] <= '9') || (pos == start && value[pos] == '-'))) {
            ++pos;
        }
        const std::optional<int> parsed = skin::ParseInt(value.substr(start, pos - start));
        if (!parsed) return std::nullopt;
        number = *parsed;
        ++pos;  // the separator
    }
    return skin::Rect{numbers[0], numbers[1], numbers[2], numbers[3]};
}

bool IsTrue(std::string_view value) {
    return skin::EqualsNoCase(value, "true");
}

void Apply(skin::ImageAttribute& attr, std::string_view key, std::string_view value) {
    if (value.empty()) return;
    if (key == "file" || key == "res") {
        attr.file = std::string(value);
    } else if (key == "restype") {
        attr.resType = std::string(value);
    } else if (key == "dest" || key == "source" || key == "corner") {
        const std::optional<skin::Rect> rect = ParseFour(value);
        if (!rect) return;
        if (key == "dest") attr.dest = rect;
        if (key == "source") attr.source = rect;
        if (key == "corner") attr.corner = *rect;
    } else if (key == "mask") {
        if (value.front() == '#') value.remove_prefix(1);
        uint32_t mask = 0;
        if (value.empty() || value.size() > 8) return;
        for (char c : value) {
            const int digit = c >= '0' && c <= '9'   ? c - '0'
                              : c >= 'a' && c <= 'f' ? c - 'a' + 10
                              : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                     : -1;
            if (digit < 0) return;
            mask = mask << 4 | static_cast<uint32_t>(digit);
        }
        attr.mask = mask;
    } else if (key == "fade") {
        if (const std::optional<int> fade = skin::ParseInt(value))
            attr.fade = std::clamp(*fade, 0, 255);
    } else if (key == "hole") {
        attr.hole = IsTrue(value);
    } else if (key == "xtiled") {
        attr.xtiled = IsTrue(value);
    } else if (key == "ytiled") {
        attr.ytiled = IsTrue(value);
    } else if (key == "hsl") {
        attr.hsl = IsTrue(value);
    }
}

void ParseInto(skin::ImageAttribute& attr, std::string_view text) {
    size_t pos = 0;
    while (pos < text.size()) {
        while (pos < text.size() && IsBlank(text[pos])) ++pos;
        const size_t keyStart = pos;
        while (pos < text.size() && text[pos] != '=' && !IsBlank(text[pos])) ++pos;
        const std::string_view key = text.substr(keyStart, pos - keyStart);
        if (pos >= text.size() || text[pos] != '=') return;
        ++pos;
        if (pos >= text.size() || text[pos] != '\'') return;
        ++pos;
        const size_t close = text.find('\'', pos);
        if (close == std::string_view::npos) return;
        Apply(attr, key, text.substr(pos, close - pos));
        pos = close + 1;
        if (pos >= text.size() || !IsBlank(text[pos])) return;
    }
}

}  // namespace

skin::ImageAttribute ParseHandImage(std::string_view image, std::string_view modify) {
    skin::ImageAttribute attr;
    ParseInto(attr, image);
    ParseInto(attr, modify);
    return attr;
}

}  // namespace kelno::widgets
