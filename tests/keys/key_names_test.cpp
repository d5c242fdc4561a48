// Key captions: which language text ids name a key code.
#include "keys/key_names.h"

#include <gtest/gtest.h>

namespace kelno::keyboard {
namespace {

TEST(KeyNames, TextIdsOfKeyCodes) {
    struct Case {
        uint8_t type, b1, b2;
        std::vector<std::string> ids;
    };
    const Case cases[] = {
        {0x20, 0x00, 0x04, {"keyboard_key_A"}},
        {0x20, 0x00, 0x29, {"keyboard_key_Esc"}},
        {0x20, 0x00, 0x62, {"keyboard_key_Num 0"}},
        {0x20, 0x00, 0x91, {"keyboard_key_K151"}},
        // Modifiers alone and with a key, left Ctrl first.
        {0x20, 0x80, 0x00, {"keyboard_key_RWin"}},
        {0x20, 0x03, 0x06, {"keyboard_key_LCtrl", "keyboard_key_LShift", "keyboard_key_C"}},
        {0x20, 0x00, 0x00, {}},
        // Media, system and keyboard functions.
        {0x30, 0xCD, 0x00, {"keyboard_key_media_play"}},
        {0x30, 0x23, 0x02, {"keyboard_key_Browaer Home"}},
        {0x40, 0x02, 0x00, {"keyboard_key_Sleep"}},
        {0xA0, 0x01, 0x00, {"keyboard_key_FN"}},
        {0xA0, 0x1B, 0x00, {"keyboard_key_GM"}},
        {0xD0, 0xA2, 0x05, {"keyboard_key_M5"}},
        // Nothing names these.
        {0xA0, 0x24, 0x00, {}},
        {0x20, 0x01, 0xFF, {}},
        {0x70, 0x01, 0x00, {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(KeyCodeTextIds(c.type, c.b1, c.b2), c.ids)
            << std::hex << int(c.type) << " " << int(c.b1) << " " << int(c.b2);
    }
}

TEST(KeyNames, TheDefaultTableHasItsRowsInOrder) {
    const auto table = KeyboardDefaultNameTable();
    ASSERT_EQ(table.size(), 141u);
    EXPECT_STREQ(table[0].name, "LCtrl");
    EXPECT_STREQ(table[8].name, "A");
    EXPECT_STREQ(table[112].name, "K151");
    EXPECT_STREQ(table[113].name, "Launch App2");
    EXPECT_STREQ(table[140].name, "GM");
}

}  // namespace
}  // namespace kelno::keyboard
