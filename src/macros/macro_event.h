#pragma once
// One macro event (a key, modifier or mouse button pressed or released, or a
// relative pointer move) with the delay that follows it, its JSON form in
// macro files and the compact 4-byte form devices store.

#include <json/value.h>

#include <array>
#include <cstdint>
#include <string>

namespace kelno {

enum class MacroEventType : uint8_t {
    MouseButton = 1,
    HorizontalMove = 4,  // "down" moves left, "up" right
    VerticalMove = 5,    // "down" moves up, "up" down
    ModifierKey = 9,     // Button: one bit of the HID modifier byte
    Key = 10,            // Button: HID keyboard usage
};

struct MacroLimits {
    static constexpr int kMacrosPerDevice = 50;
    static constexpr int kEventsPerMacro = 2000;
    static constexpr int kMaxDelay = 65535;
    static constexpr int kDefaultFixedDelay = 50;
};

struct MacroEvent {
    uint8_t type = 0;    // MacroEventType, or anything a file held
    uint8_t button = 0;  // key, button bit or distance
    bool down = false;   // "down"; every other "Action" counts as "up"
    uint16_t delay = 0;  // ms after this event, 0..65535
    // The recorder marks the first event of a new recording: its "Delay" is
    // the integer 0 until the next event rewrites it as text. Readers never
    // set it, so every other delay is written as a decimal string.
    bool integerDelay = false;

    bool operator==(const MacroEvent&) const = default;

    // Reads an event object. "Delay" may be a decimal string or a number;
    // it is read like atol and clamped to 0..65535 (a hand-edited 70000
    // plays as 65535, not as 70000 mod 65536). Nothing here fails.
    static MacroEvent FromJson(const Json::Value& event);
    // The object macro files hold ("Delay" as a decimal string, or the
    // integer when integerDelay is set).
    Json::Value ToJson() const;
    // The type in bits 0-6 and "down" in bit 7, as in the compact form and
    // the mouse event table.
    uint8_t TypeByte() const;
    // An event of that type byte: button 0, delay 0.
    static MacroEvent FromTypeByte(uint8_t typeByte);
    // Bytes 0-1 delay (LE), byte 2 the type byte, byte 3 button.
    std::array<uint8_t, 4> ToCompact() const;
};

// The compact form of an event object, as the devices build their macro image.
std::array<uint8_t, 4> MacroEventToCompact(const Json::Value& event);

// The mouse event table: window-message codes of the recorder, button bits,
// type bytes and the language keys of their display names.
struct MouseEventRow {
    uint16_t message;
    uint8_t button;
    uint8_t typeByte;  // type in bits 0-6, "down" in bit 7
    uint8_t category;
    const char* nameKey;
};
extern const std::array<MouseEventRow, 15> kMouseEventTable;
// Rows 0-9 are the buttons (down and up), rows 10-13 the pointer moves
// (left, right, up, down); the wheel row is not used by macros.
inline constexpr size_t kMouseButtonRowCount = 10;
inline constexpr size_t kFirstPointerMoveRow = 10;
inline constexpr size_t kPointerMoveRowCount = 4;

}  // namespace kelno
