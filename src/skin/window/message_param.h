#pragma once
// Window message payloads: owned values of any copyable type, never raw
// pointers into the sender's memory. A large or move-only payload travels as a
// std::shared_ptr inside the std::any.

#include <any>
#include <cstdint>

namespace kelno::skin {

using MessageParam = std::any;

// The integer in `param` when it holds any integral type or bool; `fallback`
// otherwise (empty, or some other type).
int64_t MessageInt(const MessageParam& param, int64_t fallback = 0);

}  // namespace kelno::skin
