#pragma once
// Reading the numbers an interface path carries ("vid_0c45&pid_7650&mi_01&col04").

#include <cstdint>
#include <string_view>

namespace kelno {

// Finds `token` in `path` without regard to case and reads the hexadecimal
// digits right after it, as "%x" would: up to the first other character,
// keeping the low 16 bits. 0 when the token or the digits are missing.
uint16_t ParsePathHexToken(std::string_view path, std::string_view token);

inline uint16_t ParsePathVendorId(std::string_view path) { return ParsePathHexToken(path, "vid_"); }
inline uint16_t ParsePathProductId(std::string_view path) { return ParsePathHexToken(path, "pid_"); }
inline uint16_t ParsePathInterfaceNumber(std::string_view path) {
    return ParsePathHexToken(path, "&mi_");
}
inline uint16_t ParsePathCollectionNumber(std::string_view path) {
    return ParsePathHexToken(path, "&col");
}

}  // namespace kelno
