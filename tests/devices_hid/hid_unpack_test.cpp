#include "devices/hid/hid_unpack.h"

#include <gtest/gtest.h>

#include "platform/hid/hex_bytes.h"

namespace kelno {
namespace {

using hid::ReportType;

struct Interface {
    hid::ParsedDescriptor parsed;
    std::vector<hid::ReportField> fields;  // of the first collection
    std::vector<HidDataEntry> input;

    explicit Interface(std::string_view hex) {
        parsed = hid::ParseReportDescriptor(hid::ParseHexBytes(hex).value());
        EXPECT_TRUE(parsed.ok) << parsed.error;
        if (!parsed.collections.empty()) fields = parsed.collections[0].fields;
        input = HidBuildDataEntries(fields, ReportType::Input);
    }

    bool Unpack(std::string_view reportHex) {
        const auto report = hid::ParseHexBytes(reportHex).value();
        return HidUnpackReport(report, ReportType::Input, input, fields, parsed.usesReportIds);
    }
};

std::vector<uint16_t> Usages(const HidDataEntry& entry) {
    std::vector<uint16_t> usages;
    for (const uint16_t usage : entry.usages) {
        if (usage == 0) break;
        usages.push_back(usage);
    }
    return usages;
}

// A consumer collection whose notifications are 16-bit usages in an array
// (report 2), the way the keyboards announce events.
constexpr const char* kConsumerArray =
    "05 0c 09 01 a1 01 85 02 19 00 2a ff 0f 15 00 26 ff 0f 75 10 95 02 81 00 c0";

// A keyboard: 8 modifier bits, a reserved byte, a 6-key array (report 1).
constexpr const char* kKeyboard =
    "05 01 09 06 a1 01 85 01 05 07 19 e0 29 e7 15 00 25 01 75 01 95 08 81 02"
    " 75 08 95 01 81 01 19 00 29 ff 15 00 26 ff 00 95 06 81 00 c0";

// A mouse: 3 buttons, padding, X/Y as signed 12-bit values, wheel (report 2).
constexpr const char* kMouse =
    "05 01 09 02 a1 01 85 02 05 09 19 01 29 03 15 00 25 01 75 01 95 03 81 02"
    " 95 05 81 01 05 01 09 30 09 31 16 01 f8 26 ff 07 75 0c 95 02 81 06"
    " 09 38 15 81 25 7f 75 08 95 01 81 06 c0";

TEST(HidUnpack, ArrayItemsGiveTheUsagesTheyCarry) {
    Interface consumer(kConsumerArray);
    ASSERT_EQ(consumer.input.size(), 1u);
    const HidDataEntry& entry = consumer.input[0];
    EXPECT_TRUE(entry.isButtonData);
    EXPECT_EQ(entry.usagePage, 0x0C);
    EXPECT_EQ(entry.usageMax, 0x0FFFu);
    EXPECT_EQ(entry.maxUsageLength, 2u);

    ASSERT_TRUE(consumer.Unpack("02 01 04 00 00"));
    EXPECT_TRUE(entry.isDataSet);
    EXPECT_EQ(entry.status, kHidpStatusSuccess);
    EXPECT_EQ(entry.usages, (std::vector<uint16_t>{0x401, 0}));

    ASSERT_TRUE(consumer.Unpack("02 05 05 07 06"));
    EXPECT_EQ(entry.usages, (std::vector<uint16_t>{0x505, 0x607}));
}

TEST(HidUnpack, ButtonEntriesKeepTheUsagesInTheirRange) {
    Interface keyboard(kKeyboard);
    ASSERT_EQ(keyboard.input.size(), 2u);
    const HidDataEntry& modifiers = keyboard.input[0];
    const HidDataEntry& keys = keyboard.input[1];
    EXPECT_EQ(modifiers.usageMin, 0xE0u);
    EXPECT_EQ(modifiers.usageMax, 0xE7u);
    // Both entries are on the Keyboard page: 8 + 6 keys can be down at once.
    EXPECT_EQ(modifiers.maxUsageLength, 14u);

    // Left shift and right alt down; keys A and B; an empty slot.
    ASSERT_TRUE(keyboard.Unpack("01 42 00 04 05 00 00 00 00"));
    EXPECT_EQ(Usages(modifiers), (std::vector<uint16_t>{0xE1, 0xE6}));
    EXPECT_EQ(Usages(keys), (std::vector<uint16_t>{0xE1, 0xE6, 0x04, 0x05}));
}

TEST(HidUnpack, ValuesAreReadWithTheirSign) {
    Interface mouse(kMouse);
    ASSERT_EQ(mouse.input.size(), 4u);
    EXPECT_TRUE(mouse.input[0].isButtonData);
    const HidDataEntry& x = mouse.input[1];
    const HidDataEntry& y = mouse.input[2];
    const HidDataEntry& wheel = mouse.input[3];
    EXPECT_EQ(x.usage, 0x30);
    EXPECT_EQ(wheel.usage, 0x38);

    // Button 2; X = -2 (0xFFE), Y = 0x123; wheel -1.
    ASSERT_TRUE(mouse.Unpack("02 02 fe 3f 12 ff"));
    EXPECT_EQ(Usages(mouse.input[0]), std::vector<uint16_t>{2});
    EXPECT_EQ(x.value, 0xFFEu);
    EXPECT_EQ(x.scaledValue, -2);
    EXPECT_EQ(y.value, 0x123u);
    EXPECT_EQ(y.scaledValue, 0x123);
    EXPECT_EQ(wheel.scaledValue, -1);
    EXPECT_TRUE(x.isDataSet && y.isDataSet && wheel.isDataSet);
}

TEST(HidUnpack, ReportOfAnotherIdLeavesEveryEntryUntouched) {
    Interface mouse(kMouse);
    const std::vector<HidDataEntry> before = mouse.input;
    EXPECT_TRUE(mouse.Unpack("07 ff ff ff ff ff"));
    EXPECT_TRUE(mouse.Unpack(""));
    for (size_t i = 0; i < before.size(); ++i) {
        EXPECT_FALSE(mouse.input[i].isDataSet);
        EXPECT_EQ(mouse.input[i].usages, before[i].usages);
        EXPECT_EQ(mouse.input[i].value, before[i].value);
    }
}

TEST(HidUnpack, ShortReportFailsOnValuesAndNeverReadsBeyondIt) {
    Interface mouse(kMouse);
    // Buttons fit, X does not.
    EXPECT_FALSE(mouse.Unpack("02 01"));
    EXPECT_TRUE(mouse.input[0].isDataSet);
    EXPECT_EQ(Usages(mouse.input[0]), std::vector<uint16_t>{1});
    EXPECT_EQ(mouse.input[1].status, kHidpStatusInvalidReportLength);
    EXPECT_FALSE(mouse.input[1].isDataSet);

    Interface keyboard(kKeyboard);
    EXPECT_TRUE(keyboard.Unpack("01 01 00 04"));
    EXPECT_EQ(keyboard.input[1].status, kHidpStatusInvalidReportLength);
}

TEST(HidUnpack, WithoutReportIdsDataStartsAtByteZero) {
    Interface pad("06 00 ff 09 01 a1 01 09 10 09 11 15 00 26 ff 00 75 08 95 02 81 02 c0");
    ASSERT_EQ(pad.input.size(), 2u);
    EXPECT_FALSE(pad.input[0].isButtonData);
    ASSERT_TRUE(pad.Unpack("7f 80"));
    EXPECT_EQ(pad.input[0].value, 0x7Fu);
    EXPECT_EQ(pad.input[1].value, 0x80u);
    EXPECT_EQ(pad.input[1].scaledValue, 0x80);
}

TEST(HidUnpack, MoreButtonsThanTheListHoldsAreCutNotOverrun) {
    Interface buttons("05 09 09 01 a1 01 19 01 29 10 15 00 25 01 75 01 95 10 81 02 c0");
    ASSERT_EQ(buttons.input.size(), 1u);
    HidDataEntry& entry = buttons.input[0];
    ASSERT_EQ(entry.usages.size(), 16u);
    // Shrink the list as a caller with a short buffer would have it.
    entry.usages.resize(3);
    ASSERT_TRUE(buttons.Unpack("ff ff"));
    EXPECT_EQ(entry.usages, (std::vector<uint16_t>{1, 2, 3}));
    EXPECT_EQ(entry.status, kHidpStatusBufferTooSmall);
}

struct EntryCountCase {
    const char* name;
    const char* descriptor;
    size_t buttons;
    size_t values;
};

const EntryCountCase kEntryCounts[] = {
    {"ButtonsOnly", kConsumerArray, 1, 0},
    {"PaddingOnly", "06 00 ff 09 01 a1 01 75 08 95 04 81 01 c0", 0, 0},
    // Two explicit usages in a 1-bit variable item: one entry each.
    {"ExplicitButtonUsages", "05 0c 09 01 a1 01 09 e9 09 ea 75 01 95 02 81 02 c0", 2, 0},
    // A range of 0x10000 value usages over 4 elements: 4 entries.
    {"ValueRangeCutAtTheElementCount",
     "06 00 ff 09 01 a1 01 19 00 2b ff ff 00 ff 75 08 95 04 81 02 c0", 0, 4},
    {"VendorDataArray", "06 1c ff 09 92 a1 01 85 04 09 01 75 08 95 3f 81 02 c0", 0, 1},
};

class HidDataEntryCount : public testing::TestWithParam<EntryCountCase> {};

TEST_P(HidDataEntryCount, ButtonEntriesComeFirstThenValueUsages) {
    Interface device(GetParam().descriptor);
    size_t buttons = 0;
    for (const HidDataEntry& entry : device.input) {
        if (!entry.isButtonData) break;
        ++buttons;
    }
    EXPECT_EQ(buttons, GetParam().buttons);
    EXPECT_EQ(device.input.size() - buttons, GetParam().values);
}

INSTANTIATE_TEST_SUITE_P(Cases, HidDataEntryCount, testing::ValuesIn(kEntryCounts),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kelno
