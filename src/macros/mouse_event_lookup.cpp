#include "macros/mouse_event_lookup.h"

#include <algorithm>

namespace kelno {
namespace {

MacroEvent EventOfRow(const MouseEventRow& row) {
    MacroEvent event = MacroEvent::FromTypeByte(row.typeByte);
    event.button = row.button;
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
    for (size_t i = 0; i < kMouseButtonRowCount; ++i) {
        const MouseEventRow& row = kMouseEventTable[i];
        if (row.message != message) continue;
        if (IsExtraMessage(message) && row.button != ExtraButtonBit(extra)) continue;
        return EventOfRow(row);
    }
    return std::nullopt;
}

MacroEvent PointerMoveEvent(PointerMoveDirection direction, long distance) {
    MacroEvent event =
        EventOfRow(kMouseEventTable[kFirstPointerMoveRow + static_cast<size_t>(direction)]);
    event.button = static_cast<uint8_t>(std::clamp(distance, 0L, 255L));
    return event;
}

}  // namespace kelno
