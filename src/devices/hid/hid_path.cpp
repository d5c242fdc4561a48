#include "devices/hid/hid_path.h"

#include <algorithm>

#include "core/ascii_case.h"

namespace kelno {

uint16_t ParsePathHexToken(std::string_view path, std::string_view token) {
    if (token.empty() || token.size() > path.size()) return 0;
    const auto found = std::search(path.begin(), path.end(), token.begin(), token.end(),
                                   [](char a, char b) {
                                       return ToLowerAsciiChar(a) == ToLowerAsciiChar(b);
                                   });
    if (found == path.end()) return 0;
    uint32_t value = 0;
    for (auto it = found + static_cast<std::ptrdiff_t>(token.size()); it != path.end(); ++it) {
        const char c = ToLowerAsciiChar(*it);
        int digit;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else {
            break;
        }
        // Keep only what the low 16 bits need; more digits cannot overflow.
        value = ((value << 4) | static_cast<uint32_t>(digit)) & 0xFFFFu;
    }
    return static_cast<uint16_t>(value);
}

}  // namespace kelno
