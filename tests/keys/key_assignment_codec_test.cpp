// The key assignment panel's choices to assignment codes and back.
#include "keys/key_assignment_codec.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "keys/key_capture_table.h"
#include "keys/key_names.h"

namespace kelno::keyassign {
namespace {

constexpr AssignmentCode kLeftButton{type::kMouseButton, 0x01, 0};
constexpr AssignmentCode kKeyA{type::kKeyboardKey, 0x00, 0x04};
constexpr int kMacros = 3;

std::string Hex(AssignmentCode code) {
    char text[16];
    std::snprintf(text, sizeof text, "%02X %02X %02X", code.type, code.param1, code.param2);
    return text;
}

size_t NameRow(const char* name) {
    const auto table = keyboard::KeyboardDefaultNameTable();
    for (size_t row = 0; row < table.size(); ++row) {
        if (std::string(table[row].name) == name) return row;
    }
    ADD_FAILURE() << name;
    return 0;
}

KeyPanelChoice Choose(Category category) {
    KeyPanelChoice choice;
    choice.category = category;
    return choice;
}

MotionChoice Motion(int option, int count, int delay = 0, int speed = 0) {
    return {option, count, delay, speed};
}

KeyPanelChoice Key(int check, std::optional<size_t> row) {
    KeyPanelChoice choice = Choose(Category::KeyboardKey);
    choice.modifierCheck = check;
    choice.keyNameRow = row;
    return choice;
}

KeyPanelChoice Swing(MotionChoice motion) {
    KeyPanelChoice choice = Choose(Category::MouseSwing);
    choice.swing = motion;
    return choice;
}

KeyPanelChoice Wheel(MotionChoice motion) {
    KeyPanelChoice choice = Choose(Category::MouseWheel);
    choice.wheel = motion;
    return choice;
}

KeyPanelChoice Fire(int interval, int count) {
    KeyPanelChoice choice = Choose(Category::RapidFire);
    choice.fireInterval = interval;
    choice.fireCount = count;
    return choice;
}

KeyPanelChoice Macro(int row, int repeat, int cycles = 0) {
    KeyPanelChoice choice = Choose(Category::Macro);
    choice.macroRow = row;
    choice.macroRepeat = repeat;
    choice.macroCycles = cycles;
    return choice;
}

template <typename Field>
KeyPanelChoice Row(Category category, Field field, int row) {
    KeyPanelChoice choice = Choose(category);
    choice.*field = row;
    return choice;
}

TEST(KeyAssignmentEncode, ChoicesGiveTheirCodes) {
    struct Case {
        const char* what;
        KeyPanelChoice choice;
        AssignmentCode current;
        AssignmentCode expected;
    };
    const AssignmentCode rightAlt{type::kKeyboardKey, 0x40, 0x00};
    const AssignmentCode rightCtrlC{type::kKeyboardKey, 0x10, 0x06};
    const Case cases[] = {
        {"no function item", KeyPanelChoice{}, kKeyA, kLeftButton},
        {"default", Choose(Category::Default), kKeyA, kLeftButton},
        {"middle button",
         Row(Category::MouseButton, &KeyPanelChoice::mouseButtonRow, 1),
         kKeyA,
         {0x10, 0x04, 0x00}},
        {"back button",
         Row(Category::MouseButton, &KeyPanelChoice::mouseButtonRow, 4),
         kKeyA,
         {0x10, 0x08, 0x00}},
        {"DPI 3", Row(Category::Dpi, &KeyPanelChoice::dpiRow, 2), kKeyA, {0x13, 0x03, 0x00}},
        {"wake-up",
         Row(Category::System, &KeyPanelChoice::systemRow, 2),
         kKeyA,
         {0x40, 0x04, 0x00}},
        {"first media row",
         Row(Category::Media, &KeyPanelChoice::mediaRow, 0),
         kKeyA,
         {0x30, 0x83, 0x01}},
        {"last media row",
         Row(Category::Media, &KeyPanelChoice::mediaRow, 17),
         kKeyA,
         {0x30, 0x8A, 0x01}},
        {"Ctrl+=",
         Row(Category::CombinationKey, &KeyPanelChoice::combinationRow, 10),
         kKeyA,
         {0x20, 0x01, 0x2E}},
        // A table category without a valid row keeps the key as it is.
        {"no button row", Choose(Category::MouseButton), kKeyA, kKeyA},
        {"button row past the table",
         Row(Category::MouseButton, &KeyPanelChoice::mouseButtonRow, 5), kKeyA, kKeyA},
        {"no DPI row", Choose(Category::Dpi), kKeyA, kKeyA},
        {"no media row", Row(Category::Media, &KeyPanelChoice::mediaRow, 18), kKeyA, kKeyA},
        {"no system row", Choose(Category::System), kKeyA, kKeyA},
        {"no combination row", Choose(Category::CombinationKey), kKeyA, kKeyA},
        // Swing: bit 7 is the direction, the magnitude stays in bits 0-6.
        {"swing 3 option 1", Swing(Motion(1, 3, 2, 5)), kKeyA, {0x11, 0x25, 0x83}},
        {"swing 3 option 0", Swing(Motion(0, 3)), kKeyA, {0x11, 0x00, 0x03}},
        {"swing 200 stays 127", Swing(Motion(1, 200)), kKeyA, {0x11, 0x00, 0xFF}},
        {"swing -4 is 0", Swing(Motion(0, -4)), kKeyA, {0x11, 0x00, 0x00}},
        {"swing without direction keeps byte 4",
         Swing(Motion(kNoSelection, 9, 1, 1)),
         kKeyA,
         {0x11, 0x11, 0x04}},
        // Wheel: option 1 is the negative count.
        {"wheel 3 option 1", Wheel(Motion(1, 3)), kKeyA, {0x12, 0x00, 0xFD}},
        {"wheel 3 option 0", Wheel(Motion(0, 3)), kKeyA, {0x12, 0x00, 0x03}},
        {"wheel 0 option 1 is -1, not -128", Wheel(Motion(1, 0)), kKeyA, {0x12, 0x00, 0xFF}},
        {"wheel 300 option 1 is -127", Wheel(Motion(1, 300)), kKeyA, {0x12, 0x00, 0x81}},
        {"wheel 300 option 0 is 127", Wheel(Motion(0, 300)), kKeyA, {0x12, 0x00, 0x7F}},
        {"delay and speed clamp to 4 bits", Wheel(Motion(0, 1, 16, 99)), kKeyA, {0x12, 0xFF, 0x01}},
        {"negative delay and speed are 0", Wheel(Motion(0, 1, -1, -7)), kKeyA, {0x12, 0x00, 0x01}},
        // Rapid fire: bytes clamp, never wrap.
        {"fire", Fire(40, 7), kKeyA, {0x14, 40, 7}},
        {"fire 300 and -1", Fire(300, -1), kKeyA, {0x14, 0xFF, 0x00}},
        // Keyboard key: the check's modifier with the key text's usage.
        {"Ctrl + C", Key(kCheckCtrl, NameRow("C")), kKeyA, {0x20, 0x01, 0x06}},
        {"Win + F12", Key(kCheckWin, NameRow("F12")), kKeyA, {0x20, 0x08, 0x45}},
        {"C without modifier", Key(kCheckNoModifier, NameRow("C")), rightCtrlC, {0x20, 0x00, 0x06}},
        {"C without check", Key(kCheckNone, NameRow("C")), kKeyA, {0x20, 0x00, 0x06}},
        {"empty key text", Key(kCheckShift, std::nullopt), kKeyA, {0x20, 0x02, 0x00}},
        {"key text row that is no key",
         Key(kCheckNone, NameRow("Volume Up")),
         kKeyA,
         {0x20, 0x00, 0x00}},
        {"key text row past the table", Key(kCheckNone, 500), kKeyA, {0x20, 0x00, 0x00}},
        {"check past Win", Key(7, NameRow("C")), kKeyA, {0x20, 0x00, 0x06}},
        // The checked family keeps the current side.
        {"right Alt alone survives", Key(kCheckAlt, std::nullopt), rightAlt, {0x20, 0x40, 0x00}},
        {"right Ctrl + C survives", Key(kCheckCtrl, NameRow("C")), rightCtrlC, {0x20, 0x10, 0x06}},
        {"another family takes its left bit",
         Key(kCheckShift, NameRow("C")),
         rightCtrlC,
         {0x20, 0x02, 0x06}},
        {"the side of a non-key code is ignored",
         Key(kCheckCtrl, NameRow("C")),
         {type::kMouseButton, 0x10, 0},
         {0x20, 0x01, 0x06}},
        // Macros: the index must name one of the device's macros.
        {"macro 2 once", Macro(2, 0), kKeyA, {0x70, 0x02, 0x00}},
        {"macro 1 mode 3", Macro(1, 3), kKeyA, {0x70, 0x01, 0x03}},
        {"macro 0 without repeat item", Macro(0, kNoSelection), kKeyA, {0x70, 0x00, 0x00}},
        {"macro 0 ten times", Macro(0, kMacroRepeatCounted, 10), kKeyA, {0x71, 0x00, 0x0A}},
        {"macro cycles clamp", Macro(0, kMacroRepeatCounted, 1000), kKeyA, {0x71, 0x00, 0xFF}},
        {"macro index equal to the count", Macro(kMacros, 0), kKeyA, kKeyA},
        {"no macro selected", Macro(kNoSelection, 0), kKeyA, kKeyA},
        // Gun keys.
        {"gun key 3",
         Row(Category::GunKey, &KeyPanelChoice::gunKeyRow, 3),
         kKeyA,
         {0x72, 0x03, 0x00}},
        {"gun key past the presets", Row(Category::GunKey, &KeyPanelChoice::gunKeyRow, 4), kKeyA,
         kKeyA},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Hex(Encode(c.choice, c.current, kLeftButton, kMacros)), Hex(c.expected))
            << c.what;
    }
}

TEST(KeyAssignmentEncode, WithoutMacrosNoMacroIsChosen) {
    EXPECT_EQ(Encode(Macro(0, 0), kKeyA, kLeftButton, 0), kKeyA);
    EXPECT_EQ(Encode(Macro(0, 0), kKeyA, kLeftButton, -5), kKeyA);
}

TEST(KeyAssignmentDecode, CodesShowTheirChoices) {
    struct Case {
        const char* what;
        AssignmentCode value;
        KeyPanelChoice expected;
    };
    KeyPanelChoice wheelMinus3 = Wheel(Motion(1, 3, 1, 2));
    KeyPanelChoice macroCounted = Macro(2, kMacroRepeatCounted, 9);
    macroCounted.macroCyclesShown = true;
    KeyPanelChoice macroCountedUnknown = Macro(kNoSelection, kMacroRepeatCounted, 9);
    const Case cases[] = {
        {"the default", kLeftButton, Choose(Category::Default)},
        {"right button",
         {0x10, 0x02, 0x00},
         Row(Category::MouseButton, &KeyPanelChoice::mouseButtonRow, 2)},
        {"unknown button", {0x10, 0x20, 0x00}, Choose(Category::MouseButton)},
        {"swing 3 option 1", {0x11, 0x25, 0x83}, Swing(Motion(1, 3, 2, 5))},
        {"swing 5 option 0", {0x11, 0x00, 0x05}, Swing(Motion(0, 5))},
        {"wheel -3", {0x12, 0x12, 0xFD}, wheelMinus3},
        {"wheel 3", {0x12, 0x00, 0x03}, Wheel(Motion(0, 3))},
        {"DPI 2", {0x13, 0x02, 0x00}, Row(Category::Dpi, &KeyPanelChoice::dpiRow, 1)},
        {"DPI 4 selects nothing", {0x13, 0x04, 0x00}, Choose(Category::Dpi)},
        {"fire", {0x14, 200, 9}, Fire(200, 9)},
        {"Volume Up", {0x30, 0xE9, 0x00}, Row(Category::Media, &KeyPanelChoice::mediaRow, 6)},
        {"sleep", {0x40, 0x02, 0x00}, Row(Category::System, &KeyPanelChoice::systemRow, 1)},
        // Keyboard keys.
        {"A", {0x20, 0x00, 0x04}, Key(kCheckNoModifier, NameRow("A"))},
        {"K151", {0x20, 0x00, 0x91}, Key(kCheckNoModifier, NameRow("K151"))},
        {"unnamed usage clears the checks", {0x20, 0x00, 0xE8}, Key(kCheckNone, std::nullopt)},
        // The combination list only offers Ctrl + key: a stored Ctrl + O is
        // a keyboard key with the Ctrl check.
        {"Ctrl + O", {0x20, 0x01, 0x12}, Key(kCheckCtrl, NameRow("O"))},
        {"right Ctrl + C", {0x20, 0x10, 0x06}, Key(kCheckCtrl, NameRow("C"))},
        {"right Alt alone", {0x20, 0x40, 0x00}, Key(kCheckAlt, std::nullopt)},
        {"right Win alone", {0x20, 0x80, 0x00}, Key(kCheckWin, std::nullopt)},
        {"left Shift alone", {0x20, 0x02, 0x00}, Key(kCheckShift, std::nullopt)},
        {"Ctrl + Shift + S shows no check",
         {0x20, 0x03, 0x16},
         Key(kCheckNoModifier, NameRow("S"))},
        {"modifier above 0x80", {0x20, 0x81, 0x12}, Choose(Category::CombinationKey)},
        {"unassigned", {0xB0, 0x00, 0x00}, Choose(Category::CombinationKey)},
        // Macros.
        {"macro 1 mode 2", {0x70, 0x01, 0x02}, Macro(1, 2)},
        {"macro index equal to the count",
         {0x70, kMacros, 0x00},
         Macro(kNoSelection, kNoSelection)},
        {"macro mode past the list", {0x70, 0x01, 0x04}, Macro(1, kNoSelection)},
        {"macro 2 nine times", {0x71, 0x02, 0x09}, macroCounted},
        {"counted macro past the list", {0x71, 0x07, 0x09}, macroCountedUnknown},
        {"gun key 1", {0x72, 0x01, 0x00}, Row(Category::GunKey, &KeyPanelChoice::gunKeyRow, 1)},
        {"gun key 9", {0x72, 0x09, 0x00}, Choose(Category::GunKey)},
        // The panel cannot show these.
        {"keyboard function", {0xA0, 0x01, 0x00}, KeyPanelChoice{}},
        {"profile key", {0xD0, 0xA2, 0x01}, KeyPanelChoice{}},
        {"nothing", {0x00, 0x00, 0x00}, KeyPanelChoice{}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Decode(c.value, kLeftButton, kMacros), c.expected) << c.what;
    }
}

// Whatever the panel shows, saving it unchanged stores the same code.
TEST(KeyAssignmentCodec, ShownCodesEncodeUnchanged) {
    std::vector<AssignmentCode> codes;
    for (auto rows : {MouseButtonRows(), DpiRows(), SystemRows(), MediaRows()}) {
        codes.insert(codes.end(), rows.begin(), rows.end());
    }
    for (size_t row = 0; row < keyboard::kCaptureRowCount; ++row) {
        const keyboard::KeyNameRow* key = keyboard::CaptureRowKey(row);
        codes.push_back({key->type, key->b1, key->b2});
        codes.push_back({key->type, 0x20, key->b2});
    }
    for (const AssignmentCode& combination : CombinationKeyRows()) codes.push_back(combination);
    for (int byte4 : {0x00, 0x01, 0x7F, 0x80, 0x81, 0xFD, 0xFF}) {
        codes.push_back({type::kMouseSwing, 0x3C, static_cast<uint8_t>(byte4)});
        if (byte4 != 0x80) codes.push_back({type::kMouseWheel, 0xC3, static_cast<uint8_t>(byte4)});
    }
    codes.insert(codes.end(),
                 {{0x14, 0xFF, 0x00}, {0x70, 0x02, 0x03}, {0x71, 0x00, 0xFF}, {0x72, 0x03, 0x00}});
    const AssignmentCode unrelated{type::kSystem, 0x01, 0x00};
    for (const AssignmentCode& code : codes) {
        const KeyPanelChoice shown = Decode(code, kLeftButton, kMacros);
        EXPECT_EQ(Hex(Encode(shown, code, kLeftButton, kMacros)), Hex(code));
        // The shown choice alone tells the code when the key held something else,
        // except for a captured side of a modifier family.
        if (code.type == type::kKeyboardKey && (code.param1 & 0xF0)) continue;
        EXPECT_EQ(Hex(Encode(shown, unrelated, kLeftButton, kMacros)), Hex(code));
    }
}

TEST(KeyAssignmentCodec, TheClampedNumbersAreWhatTheCodeHolds) {
    KeyPanelChoice typed;
    typed.category = Category::MouseWheel;
    typed.swing = Motion(1, 500, 20, -3);
    typed.wheel = Motion(1, 0, 7, 99);
    typed.fireInterval = 256;
    typed.fireCount = -1;
    typed.macroCycles = 99999;

    KeyPanelChoice expected = typed;
    expected.swing = Motion(1, 127, 15, 0);
    expected.wheel = Motion(1, 1, 7, 15);
    expected.fireInterval = 255;
    expected.fireCount = 0;
    expected.macroCycles = 255;
    const KeyPanelChoice clamped = ClampEditNumbers(typed);
    EXPECT_EQ(clamped, expected);

    // Decoding what was stored shows the clamped numbers again.
    for (Category category : {Category::MouseSwing, Category::MouseWheel}) {
        KeyPanelChoice choice = typed;
        choice.category = category;
        const KeyPanelChoice shown =
            Decode(Encode(choice, kKeyA, kLeftButton, kMacros), kLeftButton, kMacros);
        EXPECT_EQ(shown.swing, category == Category::MouseSwing ? clamped.swing : MotionChoice{});
        EXPECT_EQ(shown.wheel, category == Category::MouseWheel ? clamped.wheel : MotionChoice{});
    }
}

TEST(KeyAssignmentCodec, EditTextsReadAsDecimal) {
    struct Case {
        const char* text;
        int value;
    };
    const Case cases[] = {
        {"", 0},
        {"12", 12},
        {" 7 ", 7},
        {"-3", -3},
        {"+4", 4},
        {"12abc", 0},
        {"abc", 0},
        {"-", 0},
        {"0x10", 0},
        {"1 2", 0},
        {"99999999999999999999", 2147483647},
        {"-99999999999", -2147483647},
    };
    for (const Case& c : cases) EXPECT_EQ(ReadEditNumber(c.text), c.value) << c.text;
}

TEST(KeyAssignmentCodec, KeyboardsOfferNeitherDpiNorGunKeys) {
    for (int number = 0; number < kCategoryCount; ++number) {
        const Category category = *CategoryFromNumber(number);
        const bool mouseOnly = category == Category::Dpi || category == Category::GunKey;
        EXPECT_EQ(CategoryOffered(category, 1), !mouseOnly) << number;
        EXPECT_TRUE(CategoryOffered(category, 2)) << number;
    }
    EXPECT_FALSE(CategoryFromNumber(-1));
    EXPECT_FALSE(CategoryFromNumber(kCategoryCount));
}

size_t CaptureRowNamed(const char* name) {
    const size_t row = NameRow(name);
    EXPECT_LT(row, keyboard::kCaptureRowCount) << name;
    return row;
}

TEST(KeyCapture, KeysPressedDuringCapture) {
    struct Case {
        const char* what;
        const char* key;
        int check;
        AssignmentCode current;
        CapturedKey expected;
    };
    const AssignmentCode rightAlt{type::kKeyboardKey, 0x40, 0x00};
    const Case cases[] = {
        // A modifier is captured alone and selects its family's check.
        {"left Ctrl", "LCtrl", kCheckNone, kKeyA, {{0x20, 0x01, 0x00}, kCheckCtrl, std::nullopt}},
        {"right Ctrl", "RCtrl", kCheckWin, kKeyA, {{0x20, 0x10, 0x00}, kCheckCtrl, std::nullopt}},
        {"right Shift",
         "RShift",
         kCheckNone,
         kKeyA,
         {{0x20, 0x20, 0x00}, kCheckShift, std::nullopt}},
        {"right Alt", "RAlt", kCheckNone, kKeyA, {{0x20, 0x40, 0x00}, kCheckAlt, std::nullopt}},
        {"left Win", "LWin", kCheckNone, kKeyA, {{0x20, 0x08, 0x00}, kCheckWin, std::nullopt}},
        {"right Win", "RWin", kCheckNone, kKeyA, {{0x20, 0x80, 0x00}, kCheckWin, std::nullopt}},
        // An ordinary key takes the selected check.
        {"C without check",
         "C",
         kCheckNone,
         kKeyA,
         {{0x20, 0x00, 0x06}, kCheckNoModifier, NameRow("C")}},
        {"C with check 0",
         "C",
         kCheckNoModifier,
         rightAlt,
         {{0x20, 0x00, 0x06}, kCheckNoModifier, NameRow("C")}},
        {"C with Ctrl", "C", kCheckCtrl, kKeyA, {{0x20, 0x01, 0x06}, kCheckCtrl, NameRow("C")}},
        {"C after right Alt",
         "C",
         kCheckAlt,
         rightAlt,
         {{0x20, 0x40, 0x06}, kCheckAlt, NameRow("C")}},
        {"Num Enter",
         "Num Enter",
         kCheckNone,
         kKeyA,
         {{0x20, 0x00, 0x58}, kCheckNoModifier, NameRow("Num Enter")}},
    };
    for (const Case& c : cases) {
        const auto captured = CaptureKey(CaptureRowNamed(c.key), c.check, c.current);
        ASSERT_TRUE(captured) << c.what;
        EXPECT_EQ(Hex(captured->value), Hex(c.expected.value)) << c.what;
        EXPECT_EQ(captured->modifierCheck, c.expected.modifierCheck) << c.what;
        EXPECT_EQ(captured->keyNameRow, c.expected.keyNameRow) << c.what;
    }
    EXPECT_FALSE(CaptureKey(keyboard::kCaptureRowCount, kCheckNone, kKeyA));
}

// Capture stores the key, then the panel applies its controls: the captured
// code must come out of that encoding unchanged, and show the same way.
TEST(KeyCapture, TheAppliedCaptureKeepsTheKey) {
    struct Step {
        const char* key;
        AssignmentCode expected;
    };
    const Step presses[] = {
        {"RAlt", {0x20, 0x40, 0x00}},   {"C", {0x20, 0x40, 0x06}},
        {"RCtrl", {0x20, 0x10, 0x00}},  {"Num 5", {0x20, 0x10, 0x5D}},
        {"LShift", {0x20, 0x02, 0x00}}, {"K45", {0x20, 0x02, 0x64}},
    };
    KeyPanelChoice panel = Key(kCheckNone, std::nullopt);
    AssignmentCode current = kKeyA;
    for (const Step& press : presses) {
        const auto captured = CaptureKey(CaptureRowNamed(press.key), panel.modifierCheck, current);
        ASSERT_TRUE(captured) << press.key;
        panel.modifierCheck = captured->modifierCheck;
        panel.keyNameRow = captured->keyNameRow;
        current = captured->value;
        current = Encode(panel, current, kLeftButton, kMacros);
        EXPECT_EQ(Hex(current), Hex(press.expected)) << press.key;
        EXPECT_EQ(Decode(current, kLeftButton, kMacros), panel) << press.key;
    }
}

}  // namespace
}  // namespace kelno::keyassign
