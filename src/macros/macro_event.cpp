#include "macros/macro_event.h"

#include <algorithm>
#include <cstdlib>

#include "core/json_access.h"

namespace kelno {
namespace {

constexpr uint8_t kDownBit = 0x80;

long ParseDelay(const Json::Value& delay) {
    if (delay.isString()) return std::atol(delay.asCString());
    if (const auto number = json::AsInt64(delay)) {
        return static_cast<long>(std::clamp<int64_t>(*number, -1, MacroLimits::kMaxDelay + 1));
    }
    return 0;
}

}  // namespace

const std::array<MouseEventRow, 15> kMouseEventTable = {{
    {0x0201, 0x01, 0x81, 0x10, "mouse_key_left"},
    {0x0202, 0x01, 0x01, 0x10, "mouse_key_left"},
    {0x0204, 0x02, 0x81, 0x10, "mouse_key_right"},
    {0x0205, 0x02, 0x01, 0x10, "mouse_key_right"},
    {0x0207, 0x04, 0x81, 0x10, "mouse_key_middle"},
    {0x0208, 0x04, 0x01, 0x10, "mouse_key_middle"},
    {0x020B, 0x10, 0x81, 0x10, "mouse_key_forward"},
    {0x020C, 0x10, 0x01, 0x10, "mouse_key_forward"},
    {0x020B, 0x08, 0x81, 0x10, "mouse_key_back"},
    {0x020C, 0x08, 0x01, 0x10, "mouse_key_back"},
    {0x0004, 0x00, 0x84, 0x15, "mouse_move_to_left_text"},
    {0x0004, 0x00, 0x04, 0x15, "mouse_move_to_right_text"},
    {0x0005, 0x00, 0x85, 0x15, "mouse_move_to_up_text"},
    {0x0005, 0x00, 0x05, 0x15, "mouse_move_to_down_text"},
    {0x020A, 0x00, 0x00, 0x12, "mouse_cursor_text"},
}};

MacroEvent MacroEvent::FromJson(const Json::Value& event) {
    MacroEvent result;
    result.type = static_cast<uint8_t>(json::ReadInt64(event, "Type"));
    result.button = static_cast<uint8_t>(json::ReadInt64(event, "Button"));
    result.down = json::ReadString(event, "Action") == "down";
    result.delay = static_cast<uint16_t>(
        std::clamp<long>(ParseDelay(json::Member(event, "Delay")), 0, MacroLimits::kMaxDelay));
    return result;
}

Json::Value MacroEvent::ToJson() const {
    Json::Value event(Json::objectValue);
    event["Type"] = type;
    event["Button"] = button;
    event["Action"] = down ? "down" : "up";
    if (integerDelay)
        event["Delay"] = delay;
    else
        event["Delay"] = std::to_string(delay);
    return event;
}

uint8_t MacroEvent::TypeByte() const {
    return static_cast<uint8_t>((type & 0x7F) | (down ? kDownBit : 0x00));
}

MacroEvent MacroEvent::FromTypeByte(uint8_t typeByte) {
    MacroEvent event;
    event.type = static_cast<uint8_t>(typeByte & ~kDownBit);
    event.down = (typeByte & kDownBit) != 0;
    return event;
}

std::array<uint8_t, 4> MacroEvent::ToCompact() const {
    return {static_cast<uint8_t>(delay), static_cast<uint8_t>(delay >> 8), TypeByte(), button};
}

std::array<uint8_t, 4> MacroEventToCompact(const Json::Value& event) {
    return MacroEvent::FromJson(event).ToCompact();
}

}  // namespace kelno
