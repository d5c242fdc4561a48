#include "skin/core/attribute_values.h"

#include <algorithm>
#include <cctype>

namespace kelno::skin {
namespace {

constexpr long kIntLimit = 1'000'000;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Reads a decimal integer at `pos`; advances past it. False when none.
bool ReadInt(std::string_view text, size_t& pos, int& out) {
    size_t p = pos;
    bool negative = false;
    if (p < text.size() && (text[p] == '-' || text[p] == '+')) {
        negative = text[p] == '-';
        ++p;
    }
    if (p >= text.size() || !IsDigit(text[p])) return false;
    long value = 0;
    while (p < text.size() && IsDigit(text[p])) {
        value = std::min(value * 10 + (text[p] - '0'), kIntLimit);
        ++p;
    }
    out = static_cast<int>(negative ? -value : value);
    pos = p;
    return true;
}

}  // namespace

std::string_view TrimBlanks(std::string_view text) {
    const char* blanks = " \t\r\n";
    size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) return {};
    size_t last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

std::optional<int> ParseInt(std::string_view text) {
    text = TrimBlanks(text);
    size_t pos = 0;
    int value = 0;
    if (!ReadInt(text, pos, value) || pos != text.size()) return std::nullopt;
    return value;
}

std::optional<bool> ParseBool(std::string_view text) {
    text = TrimBlanks(text);
    if (EqualsNoCase(text, "true") || text == "1") return true;
    if (EqualsNoCase(text, "false") || text == "0") return false;
    return std::nullopt;
}

std::optional<uint32_t> ParseColor(std::string_view text) {
    text = TrimBlanks(text);
    if (!text.empty() && text[0] == '#') {
        text.remove_prefix(1);
    } else if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
    }
    if (text.empty() || text.size() > 8) return std::nullopt;
    uint32_t value = 0;
    for (char c : text) {
        int h = HexValue(c);
        if (h < 0) return std::nullopt;
        value = (value << 4) | static_cast<uint32_t>(h);
    }
    if (text.size() <= 6) value |= 0xFF000000u;  // no alpha given: opaque
    return value;
}

bool ParseIntList(std::string_view text, int* values, int count) {
    text = TrimBlanks(text);
    std::fill(values, values + count, 0);
    size_t pos = 0;
    int read = 0;
    while (read < count && pos < text.size()) {
        if (!ReadInt(text, pos, values[read])) return false;
        ++read;
        if (pos < text.size()) ++pos;  // one separator
    }
    return read > 0;
}

std::optional<Rect> ParseRect(std::string_view text) {
    int v[4];
    if (!ParseIntList(text, v, 4)) return std::nullopt;
    return Rect{v[0], v[1], v[2], v[3]};
}

std::optional<Size> ParseSize(std::string_view text) {
    int v[2];
    if (!ParseIntList(text, v, 2)) return std::nullopt;
    return Size{v[0], v[1]};
}

}  // namespace kelno::skin
