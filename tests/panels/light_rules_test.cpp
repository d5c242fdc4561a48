#include "panels/light_rules.h"

#include <gtest/gtest.h>

namespace kelno {
namespace {

// A compact view of one result: enabled state of colour (check/layout/
// palette), brightness, speed, direction, and visibility where set.
struct Expect {
    int type;
    int mode;
    bool offered;
    const char* enabled;  // 6 chars: check, colour, palette, brightness, speed, direction: 1/0/-
    const char* visible;  // 5 chars: brightness, speed, direction, custom, on/off: 1/0/-
    int sameMode;         // 1 shown, 0 hidden, -1 unchanged
};

char Flag(const std::optional<bool>& value) {
    return value ? (*value ? '1' : '0') : '-';
}

TEST(LightingRules, Table) {
    const Expect cases[] = {
        // Keyboard: everything starts with the custom groups and same-mode hidden,
        // brightness and speed shown (mode 23 hides both).
        {1, 1, true, "000111", "11100", 0},
        {1, 5, true, "000101", "10000", 1},
        {1, 5, false, "000101", "10000", 0},
        {1, 6, true, "000111", "11000", 1},
        {1, 8, true, "111110", "11000", 0},
        {1, 14, true, "111111", "11100", 0},
        {1, 22, true, "000101", "10011", 0},
        {1, 23, true, "000001", "00000", 1},
        {1, 24, true, "000110", "11000", 0},
        {1, 15, true, "000000", "11000", 0},
        {1, 30, true, "000000", "11000", 0},
        // Mouse: visibility is never changed.
        {2, 0, true, "111111", "-----", 0},
        {2, 2, true, "111111", "-----", 1},
        {2, 3, true, "011100", "-----", 1},
        {2, 6, true, "000110", "-----", 0},
        {2, 8, false, "000000", "-----", 0},
        {2, 9, true, "000000", "-----", 0},
        // Mouse pad and headset.
        {3, 0, true, "111111", "-----", 0},
        {7, 3, true, "011100", "-----", 1},
        {7, 4, true, "111110", "-----", 1},
        {3, 5, true, "000000", "-----", 0},
        // Type 5 leaves direction and same-mode alone.
        {5, 1, true, "01110-", "-----", -1},
        {5, 4, true, "00011-", "-----", -1},
        {5, 7, true, "00000-", "-----", -1},
        // Anything else changes nothing.
        {6, 1, true, "------", "-----", -1},
    };
    for (const auto& c : cases) {
        const LightingGroupChanges r = LightingRules(c.type, c.mode, c.offered);
        const std::string enabled{Flag(r.multiColourCheck.enabled),
                                  Flag(r.colourLayout.enabled),
                                  Flag(r.palette.enabled),
                                  Flag(r.brightness.enabled),
                                  Flag(r.speed.enabled),
                                  Flag(r.direction.enabled)};
        const std::string visible{Flag(r.brightness.visible), Flag(r.speed.visible),
                                  Flag(r.direction.visible), Flag(r.customLayout.visible),
                                  Flag(r.onOffLayout.visible)};
        const int sameMode = r.sameModeButton ? (*r.sameModeButton ? 1 : 0) : -1;
        const std::string where =
            "type " + std::to_string(c.type) + " mode " + std::to_string(c.mode);
        EXPECT_EQ(enabled, c.enabled) << where;
        EXPECT_EQ(visible, c.visible) << where;
        EXPECT_EQ(sameMode, c.sameMode) << where;
    }
}

}  // namespace
}  // namespace kelno
