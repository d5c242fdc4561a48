#pragma once
// The key assignment panel's choices and the assignment code (bytes 2-4 of
// a key's assignment value: function type and two parameters) they stand
// for, both ways, with the built-in tables the panel's lists offer as data.
// The panel reads its controls into a KeyPanelChoice, encodes it and shows
// a decoded choice; nothing here touches a control.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace kelno::keyassign {

struct AssignmentCode {
    uint8_t type = 0;
    uint8_t param1 = 0;
    uint8_t param2 = 0;
    bool operator==(const AssignmentCode&) const = default;
};

namespace type {
inline constexpr uint8_t kMouseButton = 0x10;
inline constexpr uint8_t kMouseSwing = 0x11;
inline constexpr uint8_t kMouseWheel = 0x12;
inline constexpr uint8_t kDpi = 0x13;
inline constexpr uint8_t kRapidFire = 0x14;
inline constexpr uint8_t kKeyboardKey = 0x20;
inline constexpr uint8_t kMedia = 0x30;
inline constexpr uint8_t kSystem = 0x40;
inline constexpr uint8_t kMacro = 0x70;
inline constexpr uint8_t kMacroCounted = 0x71;
inline constexpr uint8_t kGunKey = 0x72;
inline constexpr uint8_t kUnassigned = 0xB0;  // shown as a combination key, none chosen
}  // namespace type

// The function list's categories: the user data of the items of
// "keyset_function_combo" and the page numbers of "function_switch_tablayout".
enum class Category : int {
    Default = 0,
    MouseButton = 1,
    MouseSwing = 2,
    MouseWheel = 3,
    Dpi = 4,
    RapidFire = 5,
    KeyboardKey = 6,
    Media = 7,
    System = 8,
    Macro = 9,
    GunKey = 10,
    CombinationKey = 11,
};
inline constexpr int kCategoryCount = 12;

// The category of a list item's number; none outside 0-11.
std::optional<Category> CategoryFromNumber(int number);
// Keyboards (device kind 1) offer neither DPI nor gun keys.
bool CategoryOffered(Category category, int deviceKind);

// Rows of the lists that pick a whole code, in the lists' item order.
std::span<const AssignmentCode> MouseButtonRows();     // left, middle, right, forward, back
std::span<const AssignmentCode> DpiRows();             // DPI 1, 2, 3
std::span<const AssignmentCode> SystemRows();          // power, sleep, wake-up
std::span<const AssignmentCode> MediaRows();           // 18 consumer usages
std::span<const AssignmentCode> CombinationKeyRows();  // Ctrl + O N Z S C X V F A - =

inline constexpr int kGunKeyCount = 4;         // the recoil panel's presets
inline constexpr int kMacroRepeatOptions = 5;  // items of "keyset_macro_over_combo"
inline constexpr int kMacroRepeatCounted = 4;  // the item that plays a number of times
inline constexpr int kNoSelection = -1;

// Modifier checks "key_ComBox_check_0".."4".
enum ModifierCheck : int {
    kCheckNone = kNoSelection,
    kCheckNoModifier = 0,
    kCheckCtrl = 1,
    kCheckShift = 2,
    kCheckAlt = 3,
    kCheckWin = 4,
};

// The stored limits of the numbers typed into the panel's edits.
struct EditLimits {
    static constexpr int kMaxCount = 127;  // swing and wheel counts (7 bits)
    static constexpr int kMaxNibble = 15;  // delay and speed (4 bits each)
    static constexpr int kMaxByte = 255;   // fire interval and count, macro cycles
};

// Direction and numbers of the swing or the wheel page.
struct MotionChoice {
    int option = kNoSelection;  // item of the direction list: 0 or 1
    int count = 0;
    int delay = 0;
    int speed = 0;
    bool operator==(const MotionChoice&) const = default;
};

// What the panel's controls say. Rows and options are list item indexes,
// kNoSelection when no item is selected; the numbers are the edits' values.
struct KeyPanelChoice {
    std::optional<Category> category;  // none: no function item selected

    int mouseButtonRow = kNoSelection;
    MotionChoice swing;
    MotionChoice wheel;
    int dpiRow = kNoSelection;
    int fireInterval = 0;
    int fireCount = 0;

    int modifierCheck = kCheckNone;
    // The default-table row named in "keyset_keyboard_text_edit"; none while
    // the edit is empty.
    std::optional<size_t> keyNameRow;

    int mediaRow = kNoSelection;
    int systemRow = kNoSelection;

    int macroRow = kNoSelection;
    int macroRepeat = kNoSelection;  // item of "keyset_macro_over_combo"
    int macroCycles = 0;
    bool macroCyclesShown = false;  // "keyset_macro_cycle_layout" visible

    int gunKeyRow = kNoSelection;
    int combinationRow = kNoSelection;

    bool operator==(const KeyPanelChoice&) const = default;
};

// An edit's text as a number: decimal digits with an optional sign and
// surrounding blanks; anything else, and an empty text, reads as 0. Very
// long numbers saturate.
int ReadEditNumber(std::string_view text);

// The choice with its edit numbers clamped to what an encoding stores (the
// wheel's count 1-127 in option 1, where 0 would wrap to -128). The panel
// writes these numbers back into its edits after encoding, so the edits
// show what the key does.
KeyPanelChoice ClampEditNumbers(const KeyPanelChoice& choice);

// The code for the choice. `current` supplies what a choice leaves alone (a
// table category with no row, a macro choice without a valid macro) and the
// modifier side: a checked modifier keeps the current code's bit of that
// family, so a captured right Alt stays right Alt. Category 0, none and any
// unknown category give `defaults`. A macro row must be below `macroCount`.
AssignmentCode Encode(const KeyPanelChoice& choice, AssignmentCode current, AssignmentCode defaults,
                      int macroCount);

// The choice that shows `value`: category 0 when it equals `defaults`, no
// category for a type the panel cannot show (the panel then hides its
// editing area). Lists whose rows match nothing stay unselected.
KeyPanelChoice Decode(AssignmentCode value, AssignmentCode defaults, int macroCount);

// The modifier check that stands for one modifier bit (left or right):
// Ctrl 1, Shift 2, Alt 3, Win 4; 0 for no bit or several.
int ModifierCheckOfBits(uint8_t modifierBits);

// A key pressed during single-key capture, as capture row `row`.
struct CapturedKey {
    AssignmentCode value;              // becomes the key's current code
    int modifierCheck;                 // the check to select
    std::optional<size_t> keyNameRow;  // the key text; none for a modifier alone
    bool operator==(const CapturedKey&) const = default;
};

// A modifier row selects its family's check and is captured alone; an
// ordinary key is captured with the modifier of the selected check (the
// current code's bit of that family, else its left bit; none when no check
// is selected, which then selects check 0). None for a row outside the
// capture table.
std::optional<CapturedKey> CaptureKey(size_t row, int modifierCheck, AssignmentCode current);

}  // namespace kelno::keyassign
