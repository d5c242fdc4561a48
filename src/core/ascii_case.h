#pragma once
// Comparing names without regard to ASCII letter case (control names,
// profile names, attribute values). Bytes outside ASCII compare as they are.

#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>

namespace kelno {

inline char ToLowerAsciiChar(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

inline bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return ToLowerAsciiChar(x) == ToLowerAsciiChar(y);
           });
}

inline std::string ToLowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = ToLowerAsciiChar(c);
    return out;
}

}  // namespace kelno
