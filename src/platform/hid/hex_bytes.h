#pragma once
// Byte strings written as hexadecimal text ("05 01 09 06"): how report
// descriptors are stored in files and shown to people.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kelno::hid {

// Reads whitespace-separated hexadecimal bytes (one or two digits each, an
// optional "0x" prefix). Nothing when a token is not a byte.
std::optional<std::vector<uint8_t>> ParseHexBytes(std::string_view text);

// "05 01 09 06": two lower-case digits per byte, single spaces.
std::string FormatHexBytes(std::span<const uint8_t> bytes);

}  // namespace kelno::hid
