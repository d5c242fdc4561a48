#pragma once
// Linux key codes (evdev, what an X server with the evdev or libinput
// driver reports as keycode - 8) to PC set-1 scan codes with the E0 flag,
// the key identity of the input-capture seam. An explicit table, because
// the two are not the same numbering: they agree for the main block and the
// keypad (1-83) and part ways after it (the E0 keys, the Japanese, Korean
// and ISO extra keys, Num Lock and Pause).

#include <cstdint>
#include <optional>
#include <span>

namespace kelno::input {

// How X numbers a key: the evdev code plus this offset.
inline constexpr int kXKeycodeOffset = 8;

struct ScanCode {
    uint8_t code = 0;
    bool extended = false;  // the E0 prefix
    bool operator==(const ScanCode&) const = default;
};

struct EvdevScanCodeRow {
    uint16_t evdev;
    ScanCode scan;
};

// The rows by ascending evdev code.
std::span<const EvdevScanCodeRow> EvdevScanCodeTable();

// The scan code of an evdev key code; nullopt for keys the table does not
// know (they cannot be captured).
std::optional<ScanCode> ScanCodeOfEvdevKey(int evdevCode);

// The same for an X keycode; nullopt below the offset too.
std::optional<ScanCode> ScanCodeOfXKeycode(int xKeycode);

}  // namespace kelno::input
