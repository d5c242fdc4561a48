#include "macros/mouse_event_lookup.h"

#include <algorithm>

namespace kelno {
namespace {

constexpr size_t kMouseButtonRows = 10;
constexpr size_t kFirstMoveRow = 10;
constexpr uint8_t kDownBit = 0x80;

MacroEvent EventOfRow(const MouseEventRow& row) {
    MacroEvent event;
    event.type = static_cast<uint8_t>(row.typeByte & ~kDownBit);
    event.button = row.button;
    event.down = (row.typeByte & kDownBit) != 0;
    return event;
}

bool IsExtraMessage(uint16_t message) {
    return message == mouse_message::kExtraDown || message == mouse_message::kExtraUp;
}

uint8_t ExtraButtonBit(ExtraMouseButton extra) {
    return extra == ExtraMouseButton::Forward ? 0x10 : 0x08;
}

}  // namespace

std::optional<MacroEvent> MouseButtonEvent(uint16_t message, ExtraMouseButton extra) {
    for (size_t i = 0; i < kMouseButtonRows; ++i) {
        const MouseEventRow& row = kMouseEventTable[i];
        if (row.message != message) continue;
        if (IsExtraMessage(message) && row.button != ExtraButtonBit(extra)) continue;
        return EventOfRow(row);
    }
    return std::nullopt;
}

MacroEvent PointerMoveEvent(PointerMoveDirection direction, long distance) {
    MacroEvent event = EventOfRow(kMouseEventTable[kFirstMoveRow + static_cast<size_t>(direction)]);
    event.button = static_cast<uint8_t>(std::clamp(distance, 0L, 255L));
    return event;
}

}  // namespace kelno
