// The hand-image buttons' picture texts come from skin files: the parser
// must stay in bounds whatever the two texts hold. The input is split at
// its first NUL into the picture text and the modifying text.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "panels/widgets/hand_image_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t split = input.find('\0');
    const std::string_view image = input.substr(0, split);
    const std::string_view modify =
        split == std::string_view::npos ? std::string_view{} : input.substr(split + 1);
    const kelno::skin::ImageAttribute attr = kelno::widgets::ParseHandImage(image, modify);
    if (attr.fade < 0 || attr.fade > 255) __builtin_trap();
    return 0;
}
