#include "platform/linux/evdev_scan_codes.h"

#include <algorithm>
#include <array>

namespace kelno::input {
namespace {

constexpr ScanCode Plain(uint8_t code) {
    return {code, false};
}
constexpr ScanCode E0(uint8_t code) {
    return {code, true};
}

// Where a key has two readings, the codes are the ones a Windows low-level
// keyboard hook reports, so that a key captured here and one captured there
// name the same row of the key tables.
constexpr std::array kRows = {
    // The main block and the keypad: evdev codes 1-83 were taken from set 1.
    EvdevScanCodeRow{1, Plain(0x01)},   // Esc
    EvdevScanCodeRow{2, Plain(0x02)},   // 1
    EvdevScanCodeRow{3, Plain(0x03)},   // 2
    EvdevScanCodeRow{4, Plain(0x04)},   // 3
    EvdevScanCodeRow{5, Plain(0x05)},   // 4
    EvdevScanCodeRow{6, Plain(0x06)},   // 5
    EvdevScanCodeRow{7, Plain(0x07)},   // 6
    EvdevScanCodeRow{8, Plain(0x08)},   // 7
    EvdevScanCodeRow{9, Plain(0x09)},   // 8
    EvdevScanCodeRow{10, Plain(0x0A)},  // 9
    EvdevScanCodeRow{11, Plain(0x0B)},  // 0
    EvdevScanCodeRow{12, Plain(0x0C)},  // -
    EvdevScanCodeRow{13, Plain(0x0D)},  // =
    EvdevScanCodeRow{14, Plain(0x0E)},  // Backspace
    EvdevScanCodeRow{15, Plain(0x0F)},  // Tab
    EvdevScanCodeRow{16, Plain(0x10)},  // Q
    EvdevScanCodeRow{17, Plain(0x11)},  // W
    EvdevScanCodeRow{18, Plain(0x12)},  // E
    EvdevScanCodeRow{19, Plain(0x13)},  // R
    EvdevScanCodeRow{20, Plain(0x14)},  // T
    EvdevScanCodeRow{21, Plain(0x15)},  // Y
    EvdevScanCodeRow{22, Plain(0x16)},  // U
    EvdevScanCodeRow{23, Plain(0x17)},  // I
    EvdevScanCodeRow{24, Plain(0x18)},  // O
    EvdevScanCodeRow{25, Plain(0x19)},  // P
    EvdevScanCodeRow{26, Plain(0x1A)},  // [
    EvdevScanCodeRow{27, Plain(0x1B)},  // ]
    EvdevScanCodeRow{28, Plain(0x1C)},  // Enter
    EvdevScanCodeRow{29, Plain(0x1D)},  // Left Ctrl
    EvdevScanCodeRow{30, Plain(0x1E)},  // A
    EvdevScanCodeRow{31, Plain(0x1F)},  // S
    EvdevScanCodeRow{32, Plain(0x20)},  // D
    EvdevScanCodeRow{33, Plain(0x21)},  // F
    EvdevScanCodeRow{34, Plain(0x22)},  // G
    EvdevScanCodeRow{35, Plain(0x23)},  // H
    EvdevScanCodeRow{36, Plain(0x24)},  // J
    EvdevScanCodeRow{37, Plain(0x25)},  // K
    EvdevScanCodeRow{38, Plain(0x26)},  // L
    EvdevScanCodeRow{39, Plain(0x27)},  // ;
    EvdevScanCodeRow{40, Plain(0x28)},  // '
    EvdevScanCodeRow{41, Plain(0x29)},  // ` (Hankaku/Zenkaku on a Japanese board)
    EvdevScanCodeRow{42, Plain(0x2A)},  // Left Shift
    EvdevScanCodeRow{43, Plain(0x2B)},  // \ (# on an ISO board)
    EvdevScanCodeRow{44, Plain(0x2C)},  // Z
    EvdevScanCodeRow{45, Plain(0x2D)},  // X
    EvdevScanCodeRow{46, Plain(0x2E)},  // C
    EvdevScanCodeRow{47, Plain(0x2F)},  // V
    EvdevScanCodeRow{48, Plain(0x30)},  // B
    EvdevScanCodeRow{49, Plain(0x31)},  // N
    EvdevScanCodeRow{50, Plain(0x32)},  // M
    EvdevScanCodeRow{51, Plain(0x33)},  // ,
    EvdevScanCodeRow{52, Plain(0x34)},  // .
    EvdevScanCodeRow{53, Plain(0x35)},  // /
    EvdevScanCodeRow{54, Plain(0x36)},  // Right Shift
    EvdevScanCodeRow{55, Plain(0x37)},  // Keypad *
    EvdevScanCodeRow{56, Plain(0x38)},  // Left Alt
    EvdevScanCodeRow{57, Plain(0x39)},  // Space
    EvdevScanCodeRow{58, Plain(0x3A)},  // Caps Lock
    EvdevScanCodeRow{59, Plain(0x3B)},  // F1
    EvdevScanCodeRow{60, Plain(0x3C)},  // F2
    EvdevScanCodeRow{61, Plain(0x3D)},  // F3
    EvdevScanCodeRow{62, Plain(0x3E)},  // F4
    EvdevScanCodeRow{63, Plain(0x3F)},  // F5
    EvdevScanCodeRow{64, Plain(0x40)},  // F6
    EvdevScanCodeRow{65, Plain(0x41)},  // F7
    EvdevScanCodeRow{66, Plain(0x42)},  // F8
    EvdevScanCodeRow{67, Plain(0x43)},  // F9
    EvdevScanCodeRow{68, Plain(0x44)},  // F10
    // Num Lock sends a plain 45 on the wire and Pause E1 1D 45; Windows
    // reports them the other way round (Num Lock 45 extended, Pause a plain
    // 45), and that is the reading the key tables use.
    EvdevScanCodeRow{69, E0(0x45)},      // Num Lock
    EvdevScanCodeRow{70, Plain(0x46)},   // Scroll Lock
    EvdevScanCodeRow{71, Plain(0x47)},   // Keypad 7
    EvdevScanCodeRow{72, Plain(0x48)},   // Keypad 8
    EvdevScanCodeRow{73, Plain(0x49)},   // Keypad 9
    EvdevScanCodeRow{74, Plain(0x4A)},   // Keypad -
    EvdevScanCodeRow{75, Plain(0x4B)},   // Keypad 4
    EvdevScanCodeRow{76, Plain(0x4C)},   // Keypad 5
    EvdevScanCodeRow{77, Plain(0x4D)},   // Keypad 6
    EvdevScanCodeRow{78, Plain(0x4E)},   // Keypad +
    EvdevScanCodeRow{79, Plain(0x4F)},   // Keypad 1
    EvdevScanCodeRow{80, Plain(0x50)},   // Keypad 2
    EvdevScanCodeRow{81, Plain(0x51)},   // Keypad 3
    EvdevScanCodeRow{82, Plain(0x52)},   // Keypad 0
    EvdevScanCodeRow{83, Plain(0x53)},   // Keypad .
    EvdevScanCodeRow{86, Plain(0x56)},   // the ISO key beside Left Shift
    EvdevScanCodeRow{87, Plain(0x57)},   // F11
    EvdevScanCodeRow{88, Plain(0x58)},   // F12
    EvdevScanCodeRow{89, Plain(0x73)},   // Ro (Japanese \ _, Brazilian / ?)
    EvdevScanCodeRow{90, Plain(0x78)},   // Katakana
    EvdevScanCodeRow{91, Plain(0x77)},   // Hiragana
    EvdevScanCodeRow{92, Plain(0x79)},   // Henkan
    EvdevScanCodeRow{93, Plain(0x70)},   // Katakana/Hiragana
    EvdevScanCodeRow{94, Plain(0x7B)},   // Muhenkan
    EvdevScanCodeRow{96, E0(0x1C)},      // Keypad Enter
    EvdevScanCodeRow{97, E0(0x1D)},      // Right Ctrl
    EvdevScanCodeRow{98, E0(0x35)},      // Keypad /
    EvdevScanCodeRow{99, E0(0x37)},      // Print Screen
    EvdevScanCodeRow{100, E0(0x38)},     // Right Alt (AltGr)
    EvdevScanCodeRow{102, E0(0x47)},     // Home
    EvdevScanCodeRow{103, E0(0x48)},     // Up
    EvdevScanCodeRow{104, E0(0x49)},     // Page Up
    EvdevScanCodeRow{105, E0(0x4B)},     // Left
    EvdevScanCodeRow{106, E0(0x4D)},     // Right
    EvdevScanCodeRow{107, E0(0x4F)},     // End
    EvdevScanCodeRow{108, E0(0x50)},     // Down
    EvdevScanCodeRow{109, E0(0x51)},     // Page Down
    EvdevScanCodeRow{110, E0(0x52)},     // Insert
    EvdevScanCodeRow{111, E0(0x53)},     // Delete
    EvdevScanCodeRow{113, E0(0x20)},     // Mute
    EvdevScanCodeRow{114, E0(0x2E)},     // Volume Down
    EvdevScanCodeRow{115, E0(0x30)},     // Volume Up
    EvdevScanCodeRow{116, E0(0x5E)},     // Power
    EvdevScanCodeRow{117, Plain(0x59)},  // Keypad =
    EvdevScanCodeRow{119, Plain(0x45)},  // Pause (see Num Lock)
    EvdevScanCodeRow{121, Plain(0x7E)},  // Keypad , (Brazilian)
    // Korean boards send F2 and F1 for these two, without a release; a byte
    // with its top bit set reads as a release in set 1, so they are
    // reported with it cleared (72, 71), as Windows does.
    EvdevScanCodeRow{122, Plain(0x72)},  // Hangul/English
    EvdevScanCodeRow{123, Plain(0x71)},  // Hanja
    EvdevScanCodeRow{124, Plain(0x7D)},  // Yen
    EvdevScanCodeRow{125, E0(0x5B)},     // Left Windows
    EvdevScanCodeRow{126, E0(0x5C)},     // Right Windows
    EvdevScanCodeRow{127, E0(0x5D)},     // Menu
    // The media and application keys many gaming boards carry.
    EvdevScanCodeRow{128, E0(0x68)},     // Browser Stop
    EvdevScanCodeRow{140, E0(0x21)},     // Calculator
    EvdevScanCodeRow{142, E0(0x5F)},     // Sleep
    EvdevScanCodeRow{143, E0(0x63)},     // Wake
    EvdevScanCodeRow{144, E0(0x6B)},     // My Computer
    EvdevScanCodeRow{155, E0(0x6C)},     // Mail
    EvdevScanCodeRow{156, E0(0x66)},     // Browser Favourites
    EvdevScanCodeRow{158, E0(0x6A)},     // Browser Back
    EvdevScanCodeRow{159, E0(0x69)},     // Browser Forward
    EvdevScanCodeRow{163, E0(0x19)},     // Next Track
    EvdevScanCodeRow{164, E0(0x22)},     // Play/Pause
    EvdevScanCodeRow{165, E0(0x10)},     // Previous Track
    EvdevScanCodeRow{166, E0(0x24)},     // Stop
    EvdevScanCodeRow{171, E0(0x6D)},     // Media Select
    EvdevScanCodeRow{172, E0(0x32)},     // Browser Home
    EvdevScanCodeRow{173, E0(0x67)},     // Browser Refresh
    EvdevScanCodeRow{183, Plain(0x64)},  // F13
    EvdevScanCodeRow{184, Plain(0x65)},  // F14
    EvdevScanCodeRow{185, Plain(0x66)},  // F15
    EvdevScanCodeRow{186, Plain(0x67)},  // F16
    EvdevScanCodeRow{187, Plain(0x68)},  // F17
    EvdevScanCodeRow{188, Plain(0x69)},  // F18
    EvdevScanCodeRow{189, Plain(0x6A)},  // F19
    EvdevScanCodeRow{190, Plain(0x6B)},  // F20
    EvdevScanCodeRow{191, Plain(0x6C)},  // F21
    EvdevScanCodeRow{192, Plain(0x6D)},  // F22
    EvdevScanCodeRow{193, Plain(0x6E)},  // F23
    EvdevScanCodeRow{194, Plain(0x76)},  // F24
    EvdevScanCodeRow{217, E0(0x65)},     // Browser Search
};

constexpr bool AscendingWithoutRepeats() {
    for (size_t i = 1; i < kRows.size(); ++i) {
        if (kRows[i - 1].evdev >= kRows[i].evdev) return false;
    }
    return true;
}
static_assert(AscendingWithoutRepeats(), "the lookup searches the rows by evdev code");

}  // namespace

std::span<const EvdevScanCodeRow> EvdevScanCodeTable() {
    return kRows;
}

std::optional<ScanCode> ScanCodeOfEvdevKey(int evdevCode) {
    const auto row = std::lower_bound(
        kRows.begin(), kRows.end(), evdevCode,
        [](const EvdevScanCodeRow& r, int code) { return static_cast<int>(r.evdev) < code; });
    if (row == kRows.end() || row->evdev != evdevCode) return std::nullopt;
    return row->scan;
}

std::optional<ScanCode> ScanCodeOfXKeycode(int xKeycode) {
    if (xKeycode < kXKeycodeOffset) return std::nullopt;
    return ScanCodeOfEvdevKey(xKeycode - kXKeycodeOffset);
}

}  // namespace kelno::input
