#include "macros/delay_text.h"

#include "macros/macro_event.h"

namespace kelno {

DelayText ReadDelayText(std::string_view text) {
    long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') break;
        // Stop growing once past the limit: a long run of digits cannot overflow.
        if (value <= MacroLimits::kMaxDelay) value = value * 10 + (c - '0');
    }
    DelayText result;
    result.value =
        static_cast<uint16_t>(value > MacroLimits::kMaxDelay ? MacroLimits::kMaxDelay : value);
    result.canonical = std::to_string(result.value);
    result.needsRewrite = text != result.canonical;
    return result;
}

}  // namespace kelno
