// Image attribute texts come from layout files: parsing must stay in bounds
// and produce sane values whatever the bytes. The input is split at its
// first NUL into the picture text and the modifying text.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "skin/core/attribute_values.h"
#include "skin/core/image_attribute.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    size_t split = text.find('\0');
    std::string_view image = text.substr(0, split);
    std::string_view modify =
        split == std::string_view::npos ? std::string_view{} : text.substr(split + 1);
    kelno::skin::ImageAttribute a = kelno::skin::ParseImageAttribute(image, modify);
    if (a.fade < 0 || a.fade > 255) std::abort();
    kelno::skin::ParseRect(text);
    kelno::skin::ParseColor(text);
    return 0;
}
