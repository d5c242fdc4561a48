// The keys a single-key capture recognises: reported scan codes to rows of
// the keyboard default table.
#include "keys/key_capture_table.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>

namespace kelno::keyboard {
namespace {

std::string NameOf(uint8_t scanCode, bool extended) {
    const auto row = FindCaptureRow(scanCode, extended);
    if (!row) return "(none)";
    return CaptureRowKey(*row)->name;
}

TEST(KeyCaptureTable, FindsTheRowOfAReportedKey) {
    struct Case {
        uint8_t scan;
        bool extended;
        const char* name;
    };
    const Case cases[] = {
        // The E0 flag alone tells left from right, and the keypad from the
        // navigation cluster.
        {0x1D, false, "LCtrl"},
        {0x1D, true, "RCtrl"},
        {0x38, false, "LAlt"},
        {0x38, true, "RAlt"},
        {0x2A, false, "LShift"},
        {0x36, false, "RShift"},
        {0x5B, true, "LWin"},
        {0x5C, true, "RWin"},
        {0x5D, true, "App"},
        {0x1C, false, "Enter"},
        {0x1C, true, "Num Enter"},
        {0x35, false, "/"},
        {0x35, true, "Num /"},
        {0x37, false, "Num *"},
        {0x37, true, "Print Scr"},
        {0x47, true, "Home"},
        {0x47, false, "Num 7"},
        {0x53, true, "Delete"},
        {0x53, false, "Decimal"},
        {0x52, false, "Num 0"},
        {0x48, true, "Up"},
        // Pause and Num Lock share 45 and differ by the flag.
        {0x45, false, "Pause"},
        {0x45, true, "Num Lock"},
        {0x46, false, "Scroll Lock"},
        {0x57, false, "F11"},
        {0x58, false, "F12"},
        {0x2B, false, "xiegang"},
        {0x33, false, "<"},
        // International keys.
        {0x56, false, "K45"},
        {0x73, false, "K56"},
        {0x7D, false, "K14"},
        {0x7E, false, "K107"},
        {0x7B, false, "K131"},
        {0x79, false, "K132"},
        {0x70, false, "K133"},
        {0xF2, false, "K150"},
        {0xF1, false, "K151"},
        // Keys the table lacks.
        {0x00, false, "(none)"},
        {0x5B, false, "(none)"},
        {0x1E, true, "(none)"},
        {0x46, true, "(none)"},  // Ctrl+Break
        {0xFF, true, "(none)"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(NameOf(c.scan, c.extended), c.name)
            << std::hex << int(c.scan) << (c.extended ? " E0" : "");
    }
}

TEST(KeyCaptureTable, EveryRowIsAKeyboardKeyWithItsOwnCode) {
    const auto codes = CaptureScanCodes();
    std::set<std::pair<uint8_t, bool>> seen;
    for (size_t row = 0; row < kCaptureRowCount; ++row) {
        const KeyNameRow* key = CaptureRowKey(row);
        ASSERT_NE(key, nullptr) << row;
        EXPECT_EQ(key->type, 0x20) << key->name;
        if (row < kModifierRowCount) {
            // A modifier alone: one modifier bit, left Ctrl first, no usage.
            EXPECT_EQ(key->b1, 1u << row) << key->name;
            EXPECT_EQ(key->b2, 0) << key->name;
        } else {
            EXPECT_EQ(key->b1, 0) << key->name;
            EXPECT_NE(key->b2, 0) << key->name;
        }
        EXPECT_TRUE(seen.insert({codes[row].code, codes[row].extended}).second)
            << key->name << " shares its code";
        EXPECT_EQ(FindCaptureRow(codes[row].code, codes[row].extended), row) << key->name;
    }
    EXPECT_EQ(CaptureRowKey(kCaptureRowCount), nullptr);
}

}  // namespace
}  // namespace kelno::keyboard
