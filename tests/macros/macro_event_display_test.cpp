#include <gtest/gtest.h>

#include "macros/delay_text.h"
#include "macros/macro_event_display.h"
#include "macros/mouse_event_lookup.h"

namespace kelno {
namespace {

TEST(MacroEventDisplay, NamesStylesAndNumbersTable) {
    struct Case {
        MacroEvent event;
        const char* textId;
        const char* nameStyle;
        const char* directionStyle;
        bool showsNumber;
        int number;
    };
    const Case cases[] = {
        {{10, 0x04, true},
         "keyboard_key_A",
         kMacroKeyboardLabelStyle,
         kMacroDownLabelStyle,
         false,
         0},
        {{10, 0x28, false},
         "keyboard_key_Enter",
         kMacroKeyboardLabelStyle,
         kMacroUpLabelStyle,
         false,
         0},
        // Usage 0x01 belongs to a media row only; keys name keyboard rows alone.
        {{10, 0x01, true}, "", kMacroKeyboardLabelStyle, kMacroDownLabelStyle, false, 0},
        {{9, 0x40, false},
         "keyboard_key_RAlt",
         kMacroKeyboardLabelStyle,
         kMacroUpLabelStyle,
         false,
         0},
        {{9, 0x01, true},
         "keyboard_key_LCtrl",
         kMacroKeyboardLabelStyle,
         kMacroDownLabelStyle,
         false,
         0},
        {{9, 0x03, true}, "", kMacroKeyboardLabelStyle, kMacroDownLabelStyle, false, 0},
        {{1, 0x10, true},
         "mouse_key_forward",
         kMacroMouseLabelStyle,
         kMacroDownLabelStyle,
         false,
         0},
        {{1, 0x08, false}, "mouse_key_back", kMacroMouseLabelStyle, kMacroUpLabelStyle, false, 0},
        {{1, 0x20, true}, "", kMacroMouseLabelStyle, kMacroDownLabelStyle, false, 0},
        {{4, 10, true},
         "mouse_move_to_left_text",
         kMacroMouseLabelStyle,
         kMacroTextLabelStyle,
         true,
         10},
        {{4, 255, false},
         "mouse_move_to_right_text",
         kMacroMouseLabelStyle,
         kMacroTextLabelStyle,
         true,
         255},
        {{5, 7, true},
         "mouse_move_to_up_text",
         kMacroMouseLabelStyle,
         kMacroTextLabelStyle,
         true,
         7},
        {{5, 0, false},
         "mouse_move_to_down_text",
         kMacroMouseLabelStyle,
         kMacroTextLabelStyle,
         true,
         0},
        // Types 2 and 3 look like moves but have neither name nor number.
        {{2, 9, true}, "", kMacroMouseLabelStyle, kMacroTextLabelStyle, false, 0},
        {{3, 9, false}, "", kMacroMouseLabelStyle, kMacroTextLabelStyle, false, 0},
        {{7, 4, true}, "", "", kMacroDownLabelStyle, false, 0},
    };
    for (const auto& c : cases) {
        const MacroEventDisplay display = DescribeMacroEvent(c.event);
        const std::string label =
            "type " + std::to_string(c.event.type) + " button " + std::to_string(c.event.button);
        EXPECT_EQ(display.nameTextId, c.textId) << label;
        EXPECT_EQ(display.nameStyle, c.nameStyle) << label;
        EXPECT_EQ(display.directionStyle, c.directionStyle) << label;
        EXPECT_EQ(display.showsNumber, c.showsNumber) << label;
        EXPECT_EQ(display.number, c.number) << label;
    }
}

TEST(DelayText, LeadingDigitsClampedAndRewriteWhenNotCanonical) {
    struct Case {
        const char* text;
        uint16_t value;
        bool rewrite;
    };
    const Case cases[] = {
        {"50", 50, false},
        {"0", 0, false},
        {"65535", 65535, false},
        {"", 0, true},
        {"abc", 0, true},
        {"0120", 120, true},
        {"12ms", 12, true},
        {"-5", 0, true},
        {"70000", 65535, true},  // clamped, never 70000 mod 65536
        {"99999999999999999999999", 65535, true},
    };
    for (const auto& c : cases) {
        const DelayText read = ReadDelayText(c.text);
        EXPECT_EQ(read.value, c.value) << c.text;
        EXPECT_EQ(read.needsRewrite, c.rewrite) << c.text;
        EXPECT_EQ(read.canonical, std::to_string(c.value)) << c.text;
    }
}

TEST(MouseEventLookup, ButtonMessagesAndExtraButtons) {
    struct Case {
        uint16_t message;
        ExtraMouseButton extra;
        std::optional<MacroEvent> event;
    };
    const Case cases[] = {
        {0x0201, ExtraMouseButton::Back, MacroEvent{1, 0x01, true}},
        {0x0202, ExtraMouseButton::Forward, MacroEvent{1, 0x01, false}},
        {0x0205, ExtraMouseButton::Back, MacroEvent{1, 0x02, false}},
        {0x0207, ExtraMouseButton::Back, MacroEvent{1, 0x04, true}},
        {0x020B, ExtraMouseButton::Forward, MacroEvent{1, 0x10, true}},
        {0x020C, ExtraMouseButton::Back, MacroEvent{1, 0x08, false}},
        {0x0200, ExtraMouseButton::Back, std::nullopt},
        {0x020A, ExtraMouseButton::Back, std::nullopt},  // the wheel row is not a button
        {0x0004, ExtraMouseButton::Back, std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MouseButtonEvent(c.message, c.extra), c.event) << c.message;
}

TEST(MouseEventLookup, PointerMovesClampTheirDistance) {
    EXPECT_EQ(PointerMoveEvent(PointerMoveDirection::Left, 10), (MacroEvent{4, 10, true}));
    EXPECT_EQ(PointerMoveEvent(PointerMoveDirection::Right, 300), (MacroEvent{4, 255, false}));
    EXPECT_EQ(PointerMoveEvent(PointerMoveDirection::Up, -4), (MacroEvent{5, 0, true}));
    EXPECT_EQ(PointerMoveEvent(PointerMoveDirection::Down, 256), (MacroEvent{5, 255, false}));
}

}  // namespace
}  // namespace kelno
