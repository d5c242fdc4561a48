#include "keys/key_assignment_codec.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <limits>

#include "keys/key_capture_table.h"
#include "keys/key_names.h"

namespace kelno::keyassign {
namespace {

constexpr AssignmentCode Media(uint16_t usage) {
    return {type::kMedia, static_cast<uint8_t>(usage & 0xFF), static_cast<uint8_t>(usage >> 8)};
}
constexpr AssignmentCode CtrlWith(uint8_t usage) {
    return {type::kKeyboardKey, 0x01, usage};
}

constexpr std::array<AssignmentCode, 5> kMouseButtons = {{
    {type::kMouseButton, 0x01, 0},
    {type::kMouseButton, 0x04, 0},
    {type::kMouseButton, 0x02, 0},
    {type::kMouseButton, 0x10, 0},
    {type::kMouseButton, 0x08, 0},
}};

constexpr std::array<AssignmentCode, 3> kDpi = {{
    {type::kDpi, 1, 0},
    {type::kDpi, 2, 0},
    {type::kDpi, 3, 0},
}};

constexpr std::array<AssignmentCode, 3> kSystem = {{
    {type::kSystem, 0x01, 0},
    {type::kSystem, 0x02, 0},
    {type::kSystem, 0x04, 0},
}};

constexpr std::array<AssignmentCode, 18> kMedia = {{
    Media(0x0183),
    Media(0x00CD),
    Media(0x00B7),
    Media(0x00B6),
    Media(0x00B5),
    Media(0x00EA),
    Media(0x00E9),
    Media(0x00E2),
    Media(0x0223),
    Media(0x0227),
    Media(0x0226),
    Media(0x0224),
    Media(0x0225),
    Media(0x022A),
    Media(0x0221),
    Media(0x0194),
    Media(0x0192),
    Media(0x018A),
}};

constexpr std::array<AssignmentCode, 11> kCombinationKeys = {{
    CtrlWith(0x12),
    CtrlWith(0x11),
    CtrlWith(0x1D),
    CtrlWith(0x16),
    CtrlWith(0x06),
    CtrlWith(0x1B),
    CtrlWith(0x19),
    CtrlWith(0x09),
    CtrlWith(0x04),
    CtrlWith(0x2D),
    CtrlWith(0x2E),
}};

bool InRange(int index, size_t size) {
    return index >= 0 && static_cast<size_t>(index) < size;
}

// A table category takes its row's code; without a valid row the key keeps
// what it has.
AssignmentCode RowOr(std::span<const AssignmentCode> rows, int row, AssignmentCode current) {
    return InRange(row, rows.size()) ? rows[static_cast<size_t>(row)] : current;
}

int FindRow(std::span<const AssignmentCode> rows, AssignmentCode value) {
    for (size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].param1 == value.param1 && rows[i].param2 == value.param2) {
            return static_cast<int>(i);
        }
    }
    return kNoSelection;
}

uint8_t Nibbles(const MotionChoice& motion) {
    return static_cast<uint8_t>(motion.delay << 4 | motion.speed);
}

void ShowNibbles(uint8_t param, MotionChoice& motion) {
    motion.delay = param >> 4;
    motion.speed = param & 0x0F;
}

// The modifier of a check: the current code's bits of that family when it
// has any (a captured right Alt is not turned into left Alt), else the left
// key's bit.
uint8_t ModifierBits(int check, AssignmentCode current) {
    if (check < kCheckCtrl || check > kCheckWin) return 0;
    const auto left = static_cast<uint8_t>(1u << (check - 1));
    const auto family = static_cast<uint8_t>(left | left << 4);
    const uint8_t kept = current.type == type::kKeyboardKey ? current.param1 & family : 0;
    return kept != 0 ? kept : left;
}

// The default-table row of an ordinary key with this usage.
std::optional<size_t> KeyRowOfUsage(uint8_t usage) {
    const auto table = keyboard::KeyboardDefaultNameTable();
    for (size_t row = keyboard::kModifierRowCount; row < table.size(); ++row) {
        if (table[row].type == type::kKeyboardKey && table[row].b1 == 0 && table[row].b2 == usage) {
            return row;
        }
    }
    return std::nullopt;
}

uint8_t UsageOfKeyRow(std::optional<size_t> row) {
    const auto table = keyboard::KeyboardDefaultNameTable();
    if (!row || *row >= table.size()) return 0;
    const keyboard::KeyNameRow& key = table[*row];
    return key.type == type::kKeyboardKey && key.b1 == 0 ? key.b2 : 0;
}

void DecodeKeyboardKey(AssignmentCode value, KeyPanelChoice& choice) {
    if (value.param1 > 0x80) {
        choice.category = Category::CombinationKey;
        choice.combinationRow = FindRow(kCombinationKeys, value);
        return;
    }
    choice.category = Category::KeyboardKey;
    choice.keyNameRow = KeyRowOfUsage(value.param2);
    if (value.param1 == 0) {
        // A plain key the table cannot name shows nothing at all.
        choice.modifierCheck = choice.keyNameRow ? kCheckNoModifier : kCheckNone;
        return;
    }
    choice.modifierCheck = ModifierCheckOfBits(value.param1);
}

void DecodeMacro(AssignmentCode value, int macroCount, KeyPanelChoice& choice) {
    choice.category = Category::Macro;
    const bool known = InRange(value.param1, static_cast<size_t>(std::max(macroCount, 0)));
    if (value.type == type::kMacroCounted) {
        choice.macroRow = known ? value.param1 : kNoSelection;
        choice.macroCyclesShown = known;
        choice.macroCycles = value.param2;
        choice.macroRepeat = kMacroRepeatCounted;
        return;
    }
    // Repeat modes 0-3 are the list items; a 4 would claim the counted item
    // without a count.
    if (known) {
        choice.macroRow = value.param1;
        choice.macroRepeat = value.param2 < kMacroRepeatCounted ? value.param2 : kNoSelection;
    }
}

}  // namespace

std::optional<Category> CategoryFromNumber(int number) {
    if (number < 0 || number >= kCategoryCount) return std::nullopt;
    return static_cast<Category>(number);
}

bool CategoryOffered(Category category, int deviceKind) {
    constexpr int kKeyboard = 1;
    if (deviceKind != kKeyboard) return true;
    return category != Category::Dpi && category != Category::GunKey;
}

std::span<const AssignmentCode> MouseButtonRows() {
    return kMouseButtons;
}
std::span<const AssignmentCode> DpiRows() {
    return kDpi;
}
std::span<const AssignmentCode> SystemRows() {
    return kSystem;
}
std::span<const AssignmentCode> MediaRows() {
    return kMedia;
}
std::span<const AssignmentCode> CombinationKeyRows() {
    return kCombinationKeys;
}

int ReadEditNumber(std::string_view text) {
    const auto blank = [](char ch) { return ch == ' ' || ch == '\t'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty() ||
        !std::all_of(text.begin(), text.end(), [](char ch) { return ch >= '0' && ch <= '9'; })) {
        return 0;
    }
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error == std::errc::result_out_of_range || value > std::numeric_limits<int>::max()) {
        value = std::numeric_limits<int>::max();
    }
    return static_cast<int>(negative ? -value : value);
}

KeyPanelChoice ClampEditNumbers(const KeyPanelChoice& choice) {
    KeyPanelChoice clamped = choice;
    const auto clampMotion = [](MotionChoice& motion, int minCount) {
        motion.count = std::clamp(motion.count, minCount, EditLimits::kMaxCount);
        motion.delay = std::clamp(motion.delay, 0, EditLimits::kMaxNibble);
        motion.speed = std::clamp(motion.speed, 0, EditLimits::kMaxNibble);
    };
    clampMotion(clamped.swing, 0);
    // The wheel stores option 1 as the negative count; 0 has no such form.
    clampMotion(clamped.wheel, clamped.wheel.option == 1 ? 1 : 0);
    clamped.fireInterval = std::clamp(clamped.fireInterval, 0, EditLimits::kMaxByte);
    clamped.fireCount = std::clamp(clamped.fireCount, 0, EditLimits::kMaxByte);
    clamped.macroCycles = std::clamp(clamped.macroCycles, 0, EditLimits::kMaxByte);
    return clamped;
}

AssignmentCode Encode(const KeyPanelChoice& choice, AssignmentCode current, AssignmentCode defaults,
                      int macroCount) {
    if (!choice.category) return defaults;
    const KeyPanelChoice c = ClampEditNumbers(choice);
    switch (*c.category) {
        case Category::Default:
            return defaults;
        case Category::MouseButton:
            return RowOr(kMouseButtons, c.mouseButtonRow, current);
        case Category::MouseSwing: {
            // Sign and magnitude: bit 7 is the direction.
            uint8_t count = current.param2;
            if (c.swing.option == 1) count = static_cast<uint8_t>(c.swing.count | 0x80);
            if (c.swing.option == 0) count = static_cast<uint8_t>(c.swing.count);
            return {type::kMouseSwing, Nibbles(c.swing), count};
        }
        case Category::MouseWheel: {
            // Option 1 is the count as a negative 8-bit number.
            uint8_t count = current.param2;
            if (c.wheel.option == 1) count = static_cast<uint8_t>((128 - c.wheel.count) | 0x80);
            if (c.wheel.option == 0) count = static_cast<uint8_t>(c.wheel.count);
            return {type::kMouseWheel, Nibbles(c.wheel), count};
        }
        case Category::Dpi:
            return RowOr(kDpi, c.dpiRow, current);
        case Category::RapidFire:
            return {type::kRapidFire, static_cast<uint8_t>(c.fireInterval),
                    static_cast<uint8_t>(c.fireCount)};
        case Category::KeyboardKey:
            return {type::kKeyboardKey, ModifierBits(c.modifierCheck, current),
                    UsageOfKeyRow(c.keyNameRow)};
        case Category::Media:
            return RowOr(kMedia, c.mediaRow, current);
        case Category::System:
            return RowOr(kSystem, c.systemRow, current);
        case Category::Macro: {
            // The index is a byte on the device; a row at or past the count
            // names no macro.
            const int usable = std::clamp(macroCount, 0, EditLimits::kMaxByte + 1);
            if (!InRange(c.macroRow, static_cast<size_t>(usable))) return current;
            const auto index = static_cast<uint8_t>(c.macroRow);
            if (c.macroRepeat == kMacroRepeatCounted) {
                return {type::kMacroCounted, index, static_cast<uint8_t>(c.macroCycles)};
            }
            const int repeat = InRange(c.macroRepeat, kMacroRepeatCounted) ? c.macroRepeat : 0;
            return {type::kMacro, index, static_cast<uint8_t>(repeat)};
        }
        case Category::GunKey:
            if (!InRange(c.gunKeyRow, kGunKeyCount)) return current;
            return {type::kGunKey, static_cast<uint8_t>(c.gunKeyRow), 0};
        case Category::CombinationKey:
            return RowOr(kCombinationKeys, c.combinationRow, current);
    }
    return defaults;
}

KeyPanelChoice Decode(AssignmentCode value, AssignmentCode defaults, int macroCount) {
    KeyPanelChoice choice;
    if (value == defaults) {
        choice.category = Category::Default;
        return choice;
    }
    switch (value.type) {
        case type::kMouseButton:
            choice.category = Category::MouseButton;
            choice.mouseButtonRow = FindRow(kMouseButtons, value);
            break;
        case type::kMouseSwing:
            choice.category = Category::MouseSwing;
            ShowNibbles(value.param1, choice.swing);
            choice.swing.count = value.param2 & 0x7F;
            choice.swing.option = value.param2 >> 7;
            break;
        case type::kMouseWheel:
            choice.category = Category::MouseWheel;
            ShowNibbles(value.param1, choice.wheel);
            if (value.param2 & 0x80) {
                choice.wheel.count = 128 - (value.param2 & 0x7F);
                choice.wheel.option = 1;
            } else {
                choice.wheel.count = value.param2;
                choice.wheel.option = 0;
            }
            break;
        case type::kDpi:
            choice.category = Category::Dpi;
            choice.dpiRow = FindRow(kDpi, value);
            break;
        case type::kRapidFire:
            choice.category = Category::RapidFire;
            choice.fireInterval = value.param1;
            choice.fireCount = value.param2;
            break;
        case type::kKeyboardKey:
            DecodeKeyboardKey(value, choice);
            break;
        case type::kMedia:
            choice.category = Category::Media;
            choice.mediaRow = FindRow(kMedia, value);
            break;
        case type::kSystem:
            choice.category = Category::System;
            choice.systemRow = FindRow(kSystem, value);
            break;
        case type::kMacro:
        case type::kMacroCounted:
            DecodeMacro(value, macroCount, choice);
            break;
        case type::kGunKey:
            choice.category = Category::GunKey;
            choice.gunKeyRow = InRange(value.param1, kGunKeyCount) ? value.param1 : kNoSelection;
            break;
        case type::kUnassigned:
            choice.category = Category::CombinationKey;
            break;
        default:
            break;
    }
    return choice;
}

int ModifierCheckOfBits(uint8_t modifierBits) {
    if (!std::has_single_bit(modifierBits)) return kCheckNoModifier;
    // The capture row of the bit: left Ctrl, Shift, Alt, Win, then the right
    // ones; both sides of a family share its check.
    const int row = std::countr_zero(modifierBits);
    return (row + 1) % 5 + (row + 1) / 5;
}

std::optional<CapturedKey> CaptureKey(size_t row, int modifierCheck, AssignmentCode current) {
    const keyboard::KeyNameRow* key = keyboard::CaptureRowKey(row);
    if (key == nullptr || key->type != type::kKeyboardKey) return std::nullopt;
    if (row < keyboard::kModifierRowCount) {
        return CapturedKey{
            {type::kKeyboardKey, key->b1, 0}, ModifierCheckOfBits(key->b1), std::nullopt};
    }
    const bool checked = modifierCheck >= kCheckNoModifier && modifierCheck <= kCheckWin;
    const int check = checked ? modifierCheck : kCheckNoModifier;
    return CapturedKey{{type::kKeyboardKey, ModifierBits(check, current), key->b2}, check, row};
}

}  // namespace kelno::keyassign
