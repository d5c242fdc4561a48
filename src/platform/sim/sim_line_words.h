#pragma once
// The words and numbers of one control protocol line (sim_device_set.h).

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

namespace kelno::sim {

// The line cut at spaces, tabs and carriage returns.
std::vector<std::string_view> Words(std::string_view line);

// A number in decimal (or `base`), or hexadecimal after "0x".
std::optional<size_t> ParseNumber(std::string_view text, int base = 10);

}  // namespace kelno::sim
