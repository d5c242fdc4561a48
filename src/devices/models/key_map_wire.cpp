#include "devices/models/key_map_wire.h"

#include <algorithm>

namespace kelno::keymap {
namespace {

void PutLe16(std::vector<uint8_t>& out, size_t offset, size_t value) {
    out[offset] = static_cast<uint8_t>(value);
    out[offset + 1] = static_cast<uint8_t>(value >> 8);
}

}  // namespace

bool IsUnmapped(uint8_t deviceKey) {
    return deviceKey == kKeyboardUnmapped || deviceKey == kMouseUnmapped;
}

std::vector<uint8_t> MatchKeyMap(std::span<const uint8_t> keyMap,
                                 std::span<const KeyCode> defaults, uint8_t unmapped) {
    std::vector<uint8_t> deviceKeys(defaults.size(), unmapped);
    const size_t deviceKeyCount = std::min<size_t>(keyMap.size() / 3, unmapped);
    std::vector<bool> taken(deviceKeyCount, false);
    for (size_t page = 0; page < defaults.size(); ++page) {
        for (size_t k = 0; k < deviceKeyCount; ++k) {
            if (taken[k] || !std::equal(defaults[page].begin(), defaults[page].end(),
                                        keyMap.begin() + static_cast<std::ptrdiff_t>(3 * k)))
                continue;
            deviceKeys[page] = static_cast<uint8_t>(k);
            taken[k] = true;
            break;
        }
    }
    return deviceKeys;
}

std::vector<uint8_t> BuildKeyMap(std::span<const uint8_t> readKeyMap,
                                 std::span<const uint8_t> deviceKeys,
                                 std::span<const KeyCode> assignments) {
    std::vector<uint8_t> map(readKeyMap.begin(), readKeyMap.end());
    const size_t count = std::min(assignments.size(), deviceKeys.size());
    for (size_t page = 0; page < count; ++page) {
        const size_t offset = 3 * size_t{deviceKeys[page]};
        if (IsUnmapped(deviceKeys[page]) || offset + 3 > map.size()) continue;
        std::copy(assignments[page].begin(), assignments[page].end(),
                  map.begin() + static_cast<std::ptrdiff_t>(offset));
    }
    return map;
}

size_t MacroImageSize(std::span<const std::vector<MacroEvent>> macros) {
    size_t size = 16 + 6 * macros.size();
    for (const auto& events : macros) size += 4 * events.size();
    return size;
}

MacroImage BuildMacroImage(std::span<const std::vector<MacroEvent>> macros, size_t capacity) {
    const size_t size = MacroImageSize(macros);
    // The image's own length and offset fields are 16 bits wide.
    const size_t limit = std::min<size_t>(capacity, 0xFFFF);
    if (size > limit) return {{}, static_cast<int>((size - limit) / 4) + 1};

    std::vector<uint8_t> image(size, 0);
    PutLe16(image, 0, kMacroImageMagic);
    PutLe16(image, 2, size);
    PutLe16(image, 4, macros.size());
    size_t record = 16 + 2 * macros.size();
    for (size_t m = 0; m < macros.size(); ++m) {
        PutLe16(image, 16 + 2 * m, record);
        PutLe16(image, record, macros[m].size());
        size_t event = record + 4;
        for (const MacroEvent& e : macros[m]) {
            const auto compact = e.ToCompact();
            std::copy(compact.begin(), compact.end(),
                      image.begin() + static_cast<std::ptrdiff_t>(event));
            event += 4;
        }
        record = event;
    }
    return {std::move(image), 0};
}

}  // namespace kelno::keymap
