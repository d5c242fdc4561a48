#include "macros/macro_event_display.h"

#include "keys/key_names.h"

namespace kelno {
namespace {

constexpr uint8_t kKeyCategory = 0x20;
constexpr size_t kModifierRows = 8;

std::string KeyTextId(const char* name) {
    return std::string(keyboard::kKeyTextPrefix) + name;
}

std::string KeyName(uint8_t usage) {
    const auto rows = keyboard::KeyboardDefaultNameTable();
    for (size_t i = kModifierRows; i < rows.size(); ++i)
        if (rows[i].type == kKeyCategory && rows[i].b1 == 0 && rows[i].b2 == usage)
            return KeyTextId(rows[i].name);
    return {};
}

std::string ModifierName(uint8_t bit) {
    const auto rows = keyboard::KeyboardDefaultNameTable();
    for (size_t i = 0; i < kModifierRows && i < rows.size(); ++i)
        if (rows[i].b1 == bit) return KeyTextId(rows[i].name);
    return {};
}

std::string MouseButtonName(uint8_t button) {
    for (size_t i = 0; i < kMouseButtonRowCount; ++i)
        if (kMouseEventTable[i].button == button) return kMouseEventTable[i].nameKey;
    return {};
}

std::string PointerMoveName(const MacroEvent& event) {
    const uint8_t typeByte = event.TypeByte();
    for (size_t i = kFirstPointerMoveRow; i < kFirstPointerMoveRow + kPointerMoveRowCount; ++i)
        if (kMouseEventTable[i].typeByte == typeByte) return kMouseEventTable[i].nameKey;
    return {};
}

bool IsKeyboardType(uint8_t type) {
    return type == 9 || type == 10;
}
bool IsMouseType(uint8_t type) {
    return type >= 1 && type <= 5;
}
// Types 2 and 3 are never made here but are shown like pointer moves.
bool IsMoveLike(uint8_t type) {
    return type >= 2 && type <= 5;
}
bool IsPointerMove(uint8_t type) {
    return type == static_cast<uint8_t>(MacroEventType::HorizontalMove) ||
           type == static_cast<uint8_t>(MacroEventType::VerticalMove);
}

}  // namespace

std::string MacroEventNameTextId(const MacroEvent& event) {
    switch (static_cast<MacroEventType>(event.type)) {
        case MacroEventType::Key:
            return KeyName(event.button);
        case MacroEventType::ModifierKey:
            return ModifierName(event.button);
        case MacroEventType::MouseButton:
            return MouseButtonName(event.button);
        case MacroEventType::HorizontalMove:
        case MacroEventType::VerticalMove:
            return PointerMoveName(event);
    }
    return {};
}

MacroEventDisplay DescribeMacroEvent(const MacroEvent& event) {
    MacroEventDisplay display;
    display.nameTextId = MacroEventNameTextId(event);
    if (IsKeyboardType(event.type)) display.nameStyle = kMacroKeyboardLabelStyle;
    if (IsMouseType(event.type)) display.nameStyle = kMacroMouseLabelStyle;
    if (IsMoveLike(event.type)) {
        display.directionStyle = kMacroTextLabelStyle;
        display.showsNumber = IsPointerMove(event.type);
        if (display.showsNumber) display.number = event.button;
    } else {
        display.directionStyle = event.down ? kMacroDownLabelStyle : kMacroUpLabelStyle;
    }
    return display;
}

}  // namespace kelno
