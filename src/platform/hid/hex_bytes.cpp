#include "platform/hid/hex_bytes.h"

namespace kelno::hid {
namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == ',';
}

}  // namespace

std::optional<std::vector<uint8_t>> ParseHexBytes(std::string_view text) {
    std::vector<uint8_t> bytes;
    size_t pos = 0;
    while (pos < text.size()) {
        if (IsSpace(text[pos])) {
            ++pos;
            continue;
        }
        size_t end = pos;
        while (end < text.size() && !IsSpace(text[end])) ++end;
        std::string_view token = text.substr(pos, end - pos);
        if (token.size() > 2 && token[0] == '0' && (token[1] == 'x' || token[1] == 'X')) {
            token.remove_prefix(2);
        }
        if (token.empty() || token.size() > 2) return std::nullopt;
        int value = 0;
        for (const char c : token) {
            const int digit = HexDigit(c);
            if (digit < 0) return std::nullopt;
            value = value * 16 + digit;
        }
        bytes.push_back(static_cast<uint8_t>(value));
        pos = end;
    }
    return bytes;
}

std::string FormatHexBytes(std::span<const uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(bytes.size() * 3);
    for (const uint8_t byte : bytes) {
        if (!text.empty()) text += ' ';
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0x0F];
    }
    return text;
}

}  // namespace kelno::hid
