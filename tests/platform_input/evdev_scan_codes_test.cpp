// Linux key codes to the set-1 scan codes the key tables use.
#include "platform/linux/evdev_scan_codes.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>

namespace kelno::input {
namespace {

TEST(EvdevScanCodes, KeysOfFullSizeBoards) {
    struct Case {
        int evdev;
        uint8_t code;
        bool extended;
        const char* key;
    };
    const Case cases[] = {
        {1, 0x01, false, "Esc"},
        {30, 0x1E, false, "A"},
        {41, 0x29, false, "`"},
        {58, 0x3A, false, "Caps Lock"},
        {68, 0x44, false, "F10"},
        {87, 0x57, false, "F11"},
        {88, 0x58, false, "F12"},
        // The keypad: plain codes, except Enter and / which carry E0.
        {71, 0x47, false, "Keypad 7"},
        {79, 0x4F, false, "Keypad 1"},
        {83, 0x53, false, "Keypad ."},
        {55, 0x37, false, "Keypad *"},
        {96, 0x1C, true, "Keypad Enter"},
        {98, 0x35, true, "Keypad /"},
        // Num Lock and Pause both send 45 and differ by E0, Windows' way.
        {69, 0x45, true, "Num Lock"},
        {119, 0x45, false, "Pause"},
        {70, 0x46, false, "Scroll Lock"},
        {99, 0x37, true, "Print Screen"},
        // The right-hand modifiers and the Windows keys.
        {97, 0x1D, true, "Right Ctrl"},
        {100, 0x38, true, "Right Alt"},
        {125, 0x5B, true, "Left Windows"},
        {126, 0x5C, true, "Right Windows"},
        {127, 0x5D, true, "Menu"},
        // The navigation block: the keypad's codes with E0.
        {102, 0x47, true, "Home"},
        {103, 0x48, true, "Up"},
        {104, 0x49, true, "Page Up"},
        {105, 0x4B, true, "Left"},
        {106, 0x4D, true, "Right"},
        {107, 0x4F, true, "End"},
        {108, 0x50, true, "Down"},
        {109, 0x51, true, "Page Down"},
        {110, 0x52, true, "Insert"},
        {111, 0x53, true, "Delete"},
        // ISO, Japanese and Korean extra keys.
        {86, 0x56, false, "ISO <>"},
        {89, 0x73, false, "Ro"},
        {92, 0x79, false, "Henkan"},
        {93, 0x70, false, "Katakana/Hiragana"},
        {94, 0x7B, false, "Muhenkan"},
        {124, 0x7D, false, "Yen"},
        {122, 0x72, false, "Hangul"},
        {123, 0x71, false, "Hanja"},
        {113, 0x20, true, "Mute"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ScanCodeOfEvdevKey(c.evdev), (ScanCode{c.code, c.extended})) << c.key;
        EXPECT_EQ(ScanCodeOfXKeycode(c.evdev + kXKeycodeOffset), (ScanCode{c.code, c.extended}))
            << c.key;
    }
}

TEST(EvdevScanCodes, UnknownCodesHaveNone) {
    for (int evdev : {-1, 0, 84, 85, 95, 101, 112, 118, 120, 255, 256, 0x2FF, 100000}) {
        EXPECT_EQ(ScanCodeOfEvdevKey(evdev), std::nullopt) << evdev;
    }
    // X keycodes start at 8: anything below is not a key.
    for (int keycode : {-8, 0, 7}) EXPECT_EQ(ScanCodeOfXKeycode(keycode), std::nullopt) << keycode;
}

TEST(EvdevScanCodes, NoTwoKeysShareACode) {
    // The key tables find a key by its code: a shared one would make two
    // keys the same key. Codes with the top bit set would read as releases.
    std::set<std::pair<uint8_t, bool>> seen;
    for (const EvdevScanCodeRow& row : EvdevScanCodeTable()) {
        EXPECT_TRUE(seen.insert({row.scan.code, row.scan.extended}).second) << row.evdev;
        EXPECT_LT(row.scan.code, 0x80) << row.evdev;
        EXPECT_NE(row.scan.code, 0) << row.evdev;
    }
}

}  // namespace
}  // namespace kelno::input
