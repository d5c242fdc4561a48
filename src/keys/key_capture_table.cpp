#include "keys/key_capture_table.h"

#include <array>

namespace kelno::keyboard {
namespace {

constexpr ScanCode Plain(uint8_t code) {
    return {code, false};
}
constexpr ScanCode E0(uint8_t code) {
    return {code, true};
}

// Codes as a low-level keyboard hook reports them: the key's set-1 make code,
// flagged extended where the key sends an E0 prefix. Two keys break the plain
// rule because their make codes collide: Pause sends E1 1D 45 and is reported
// as 45 without the flag, so Num Lock (a bare 45 on the wire) is the one
// reported extended.
constexpr std::array<ScanCode, kCaptureRowCount> kCodes = {{
    // LCtrl, LShift, LAlt, LWin, RCtrl, RShift, RAlt, RWin
    Plain(0x1D),
    Plain(0x2A),
    Plain(0x38),
    E0(0x5B),
    E0(0x1D),
    Plain(0x36),
    E0(0x38),
    E0(0x5C),
    // A .. Z
    Plain(0x1E),
    Plain(0x30),
    Plain(0x2E),
    Plain(0x20),
    Plain(0x12),
    Plain(0x21),
    Plain(0x22),
    Plain(0x23),
    Plain(0x17),
    Plain(0x24),
    Plain(0x25),
    Plain(0x26),
    Plain(0x32),
    Plain(0x31),
    Plain(0x18),
    Plain(0x19),
    Plain(0x10),
    Plain(0x13),
    Plain(0x1F),
    Plain(0x14),
    Plain(0x16),
    Plain(0x2F),
    Plain(0x11),
    Plain(0x2D),
    Plain(0x15),
    Plain(0x2C),
    // 1 .. 9, 0
    Plain(0x02),
    Plain(0x03),
    Plain(0x04),
    Plain(0x05),
    Plain(0x06),
    Plain(0x07),
    Plain(0x08),
    Plain(0x09),
    Plain(0x0A),
    Plain(0x0B),
    // Enter, Esc, BackSpace, Tab, Space, -, =, [, ], backslash, ;, ', `, comma, ., /
    Plain(0x1C),
    Plain(0x01),
    Plain(0x0E),
    Plain(0x0F),
    Plain(0x39),
    Plain(0x0C),
    Plain(0x0D),
    Plain(0x1A),
    Plain(0x1B),
    Plain(0x2B),
    Plain(0x27),
    Plain(0x28),
    Plain(0x29),
    Plain(0x33),
    Plain(0x34),
    Plain(0x35),
    // Caps Lock, F1 .. F12
    Plain(0x3A),
    Plain(0x3B),
    Plain(0x3C),
    Plain(0x3D),
    Plain(0x3E),
    Plain(0x3F),
    Plain(0x40),
    Plain(0x41),
    Plain(0x42),
    Plain(0x43),
    Plain(0x44),
    Plain(0x57),
    Plain(0x58),
    // Print Scr (E0 2A E0 37, reported as its second half), Scroll Lock, Pause
    E0(0x37),
    Plain(0x46),
    Plain(0x45),
    // Insert, Home, Page Up, Delete, End, Page Down, Right, Left, Down, Up
    E0(0x52),
    E0(0x47),
    E0(0x49),
    E0(0x53),
    E0(0x4F),
    E0(0x51),
    E0(0x4D),
    E0(0x4B),
    E0(0x50),
    E0(0x48),
    // Num Lock (see above), Num /, Num *, Num -, Num +, Num Enter
    E0(0x45),
    E0(0x35),
    Plain(0x37),
    Plain(0x4A),
    Plain(0x4E),
    E0(0x1C),
    // Num 1 .. Num 9, Num 0, Decimal: the navigation codes without E0
    Plain(0x4F),
    Plain(0x50),
    Plain(0x51),
    Plain(0x4B),
    Plain(0x4C),
    Plain(0x4D),
    Plain(0x47),
    Plain(0x48),
    Plain(0x49),
    Plain(0x52),
    Plain(0x53),
    // App
    E0(0x5D),
    // The international keys, by the usage each row carries:
    // K45 usage 0x64 (ISO key beside left Shift) 56; K56 0x87 (Ro) 73;
    // K14 0x89 (Yen) 7D; K107 0x85 (keypad comma) 7E; K131 0x8B (Muhenkan)
    // 7B; K132 0x8A (Henkan) 79; K133 0x88 (Katakana/Hiragana) 70.
    Plain(0x56),
    Plain(0x73),
    Plain(0x7D),
    Plain(0x7E),
    Plain(0x7B),
    Plain(0x79),
    Plain(0x70),
    // K150 0x90 (Hangul) F2 and K151 0x91 (Hanja) F1: make-only codes. Many
    // Korean keyboards send right Alt and right Ctrl for these keys instead,
    // and then those rows match; the rows here serve a capture that passes
    // the real codes through. F1/F2 collide with no other row.
    Plain(0xF2),
    Plain(0xF1),
}};

}  // namespace

std::span<const ScanCode, kCaptureRowCount> CaptureScanCodes() {
    return kCodes;
}

const KeyNameRow* CaptureRowKey(size_t row) {
    if (row >= kCaptureRowCount) return nullptr;
    return &KeyboardDefaultNameTable()[row];
}

std::optional<size_t> FindCaptureRow(uint8_t scanCode, bool extended) {
    const ScanCode wanted{scanCode, extended};
    for (size_t row = 0; row < kCodes.size(); ++row) {
        if (kCodes[row] == wanted) return row;
    }
    return std::nullopt;
}

}  // namespace kelno::keyboard
