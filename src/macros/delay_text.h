#pragma once
// Delays typed by the user (the delay edit of an action, the fixed recording
// delay) read as numbers the macro can hold.

#include <cstdint>
#include <string>
#include <string_view>

namespace kelno {

struct DelayText {
    uint16_t value = 0;  // 0..65535
    // The text is not the plain decimal form of `value` (empty, no digits,
    // leading zeros, trailing junk, too large): the edit should show
    // `canonical` so the user sees what is stored.
    bool needsRewrite = false;
    std::string canonical;
};

// The leading decimal digits of `text` (0 when there are none), clamped to
// 0..65535 rather than wrapped, so "70000" is 65535 and never 4464.
DelayText ReadDelayText(std::string_view text);

}  // namespace kelno
