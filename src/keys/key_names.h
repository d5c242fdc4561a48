#pragma once
// Names of key codes for the key captions of a device page: the keyboard
// default table (keys, modifiers, media, system and keyboard functions),
// each a language text id "keyboard_key_" + name.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kelno::keyboard {

struct KeyNameRow {
    uint8_t type;  // 0x20 key, 0x30 consumer, 0x40 system, 0xA0 / 0xD0 functions
    uint8_t b1;
    uint8_t b2;
    const char* name;  // after "keyboard_key_"
};

inline constexpr const char* kKeyTextPrefix = "keyboard_key_";

// The rows in table order: the eight modifiers, the ordinary keys, then the
// media, system and keyboard-function rows.
std::span<const KeyNameRow> KeyboardDefaultNameTable();

// The text ids naming a code: for a keyboard key (0x20) one per modifier
// bit (left Ctrl first) and then the key's usage; for the other types the
// row with equal bytes. Empty when nothing names it.
std::vector<std::string> KeyCodeTextIds(uint8_t type, uint8_t b1, uint8_t b2);

}  // namespace kelno::keyboard
