#include "skin/window/message_param.h"

#include <tuple>

namespace kelno::skin {
namespace {

template <typename... Ts>
bool TryIntegral(const MessageParam& param, int64_t& out) {
    return ([&] {
        if (const Ts* v = std::any_cast<Ts>(&param)) {
            out = static_cast<int64_t>(*v);
            return true;
        }
        return false;
    }() || ...);
}

}  // namespace

int64_t MessageInt(const MessageParam& param, int64_t fallback) {
    int64_t value = fallback;
    TryIntegral<int, unsigned, long, unsigned long, long long, unsigned long long, short,
                unsigned short, char, signed char, unsigned char, bool>(param, value);
    return value;
}

}  // namespace kelno::skin
