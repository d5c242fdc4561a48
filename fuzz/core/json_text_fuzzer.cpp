// Any bytes a profile, list or macro file may hold: parsing never crashes,
// and what the program writes back is valid UTF-8 that parses again.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/json_file.h"
#include "core/text_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (!kelno::IsValidUtf8(kelno::ToWideText(bytes))) std::abort();

    const Json::Value value = kelno::ParseJsonText(bytes);
    const std::string written = kelno::FormatJsonText(value);
    if (!kelno::IsValidUtf8(written)) std::abort();
    if (!value.isNull() && kelno::ParseJsonText(written).isNull()) std::abort();
    return 0;
}
