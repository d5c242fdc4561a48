#pragma once
// Parsers for the value texts of layout attributes. Each parser reads in
// bounds whatever the input and reports failure instead of guessing.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/ascii_case.h"
#include "skin/core/geometry.h"

namespace kelno::skin {

using kelno::EqualsNoCase;
using kelno::ToLowerAscii;

std::string_view TrimBlanks(std::string_view text);

// A decimal integer (optional sign), clamped to +-1,000,000 so that later
// arithmetic cannot overflow.
std::optional<int> ParseInt(std::string_view text);
// "true"/"false" (any case), also "1"/"0".
std::optional<bool> ParseBool(std::string_view text);
// "#AARRGGBB", "#RRGGBB" (opaque), with or without '#', also "0x" prefix.
std::optional<uint32_t> ParseColor(std::string_view text);
// Up to `count` integers separated by single non-digit characters, e.g.
// "1,2,3,4". Missing trailing values stay 0; fails when none is present.
bool ParseIntList(std::string_view text, int* values, int count);
std::optional<Rect> ParseRect(std::string_view text);
std::optional<Size> ParseSize(std::string_view text);

}  // namespace kelno::skin
