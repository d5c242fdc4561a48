#include "devices/detect/catalogue.h"

#include <gtest/gtest.h>

namespace kelno {
namespace {

const Catalogue& Shipped() {
    return Catalogue::Shipped();
}

// One path through the catalogue: parse, the pre-open test, then the match
// on the opened interface's capabilities.
struct PathCase {
    const char* name;
    const char* path;
    uint16_t vendorId, productId, interfaceNumber, collectionNumber;
    bool candidate;
    uint16_t usagePage, usage;
    int row;  // matchRow result
    uint16_t kind, variant;
};

void PrintTo(const PathCase& c, std::ostream* os) {
    *os << c.path;
}

class CatalogueEdgeCases : public testing::TestWithParam<PathCase> {};

TEST_P(CatalogueEdgeCases, ParsesTestsAndMatches) {
    const PathCase& c = GetParam();
    SupportedDeviceEntry entry = ParseInterfacePath(c.path);
    EXPECT_EQ(entry.vendorId, c.vendorId);
    EXPECT_EQ(entry.productId, c.productId);
    EXPECT_EQ(entry.interfaceNumber, c.interfaceNumber);
    EXPECT_EQ(entry.collectionNumber, c.collectionNumber);
    EXPECT_EQ(entry.path, c.path);
    EXPECT_EQ(Shipped().isCandidate(entry), c.candidate);

    entry.usagePage = c.usagePage;
    entry.usage = c.usage;
    EXPECT_EQ(Shipped().matchRow(entry), c.row);
    EXPECT_EQ(entry.kind, c.kind);
    EXPECT_EQ(entry.variant, c.variant);
}

INSTANTIATE_TEST_SUITE_P(
    Shipped, CatalogueEdgeCases,
    testing::Values(
        PathCase{"KeyboardVendorCollection", "/dev/hidraw3#vid_0c45&pid_7650&mi_01&col04", 0x0C45,
                 0x7650, 1, 4, true, 0xFF1C, 0x92, 0, 1, 0},
        PathCase{"ConsumerUsageOnCollection4MatchesNothing",
                 "/dev/hidraw3#vid_0c45&pid_7650&mi_01&col04", 0x0C45, 0x7650, 1, 4, true, 0x000C,
                 0x01, -1, 0, 0},
        PathCase{"KeyboardConsumerCollection", "/dev/hidraw3#vid_0c45&pid_7650&mi_01&col03", 0x0C45,
                 0x7650, 1, 3, true, 0x000C, 0x01, 1, 1, 0xFF},
        PathCase{"UpperCaseTokens", "\\\\?\\HID#VID_0C45&PID_7650&MI_01&COL04#7&1d", 0x0C45, 0x7650,
                 1, 4, true, 0xFF1C, 0x92, 0, 1, 0},
        PathCase{"NoCollectionTokenOnlyTheHeadsetRow", "/dev/hidraw1#vid_0c45&pid_7650&mi_03",
                 0x0C45, 0x7650, 3, 0, false, 0x000C, 0x01, -1, 0, 0},
        PathCase{"NoTokensAtAllFitsTheHeadsetTemplate", "/dev/hidraw9&mi_03", 0, 0, 3, 0, true,
                 0x000C, 0x01, 6, 7, 0},
        PathCase{"ZeroIdsReachTheMouseRowFirst", "x#vid_0000&pid_0000&mi_01&col04", 0, 0, 1, 4,
                 true, 0xFF1C, 0x92, 2, 2, 0},
        PathCase{"OtherProductIsNoCandidate", "/dev/hidraw2#vid_046d&pid_c52b&mi_01&col04", 0x046D,
                 0xC52B, 1, 4, false, 0xFF1C, 0x92, -1, 0, 0},
        PathCase{"DigitsStopAtTheFirstOtherCharacter", "#vid_0c45x&pid_7650&mi_1g&col4z", 0x0C45,
                 0x7650, 1, 4, true, 0xFF1C, 0x92, 0, 1, 0},
        PathCase{"LongNumbersKeepTheLow16Bits", "#vid_10c45&pid_f7650&mi_01&col04", 0x0C45, 0x7650,
                 1, 4, true, 0xFF1C, 0x92, 0, 1, 0},
        PathCase{"TokenWithoutDigitsIsZero", "#vid_&pid_zz&mi_01&col04", 0, 0, 1, 4, true, 0xFF1C,
                 0x92, 2, 2, 0}),
    [](const testing::TestParamInfo<PathCase>& info) { return std::string(info.param.name); });

TEST(Catalogue, ShippedSupportedTableHasSevenRowsWithRunTimeFieldsClear) {
    const auto& rows = Shipped().SupportedDeviceTable();
    ASSERT_EQ(rows.size(), 7u);
    const uint16_t expected[7][8] = {
        {0x0C45, 0x7650, 1, 4, 1, 0, 0xFF1C, 0x92}, {0x0C45, 0x7650, 1, 3, 1, 0xFF, 0x000C, 0x01},
        {0, 0, 1, 4, 2, 0, 0xFF1C, 0x92},           {0, 0, 1, 3, 2, 0xFF, 0x000C, 0x01},
        {0, 0, 1, 4, 3, 0, 0xFF1C, 0x92},           {0, 0, 1, 3, 3, 0xFF, 0x000C, 0x01},
        {0, 0, 3, 0, 7, 0, 0x000C, 0x01},
    };
    for (size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(i);
        const auto& r = rows[i];
        const uint16_t actual[8] = {r.vendorId, r.productId, r.interfaceNumber, r.collectionNumber,
                                    r.kind,     r.variant,   r.usagePage,       r.usage};
        EXPECT_TRUE(std::equal(std::begin(actual), std::end(actual), std::begin(expected[i])));
        EXPECT_EQ(r.connected, 0);
        EXPECT_EQ(r.linked, 0);
        EXPECT_EQ(r.linkedIndex, 0);
        EXPECT_TRUE(r.path.empty());
    }
}

TEST(Catalogue, KindAndPageTablesAreParallel) {
    const auto& kinds = Shipped().DeviceKindTable();
    const auto& pages = Shipped().DevicePageTable();
    ASSERT_EQ(kinds.size(), 4u);
    ASSERT_EQ(pages.size(), 4u);
    const char* names[] = {"mouse", "keyboard", "MousePad", "HD"};
    const char* pageFiles[] = {
        "XML\\DeviceXml\\mousedevice.xml", "XML\\DeviceXml\\keyboarddevice.xml",
        "XML\\DeviceXml\\mousepaddevice.xml", "XML\\DeviceXml\\hs6533device.xml"};
    const int32_t counts[4][2] = {{6, 7}, {126, 126}, {15, 0}, {13, 0}};
    const int32_t lightIndex[] = {1, 0, 2, 3};
    for (size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(kinds[i].kindName, names[i]);
        EXPECT_EQ(kinds[i].optionLayoutXml, "XML\\CustomControlXML\\DeviceOption.xml");
        EXPECT_EQ(kinds[i].tabGroup, "tab_header_device");
        EXPECT_EQ(kinds[i].powerSwitchName, "device_power_switch");
        EXPECT_EQ(kinds[i].lightTableIndex, lightIndex[i]);
        EXPECT_EQ(pages[i].pageXml, pageFiles[i]);
        EXPECT_EQ(pages[i].primaryCount, counts[i][0]);
        EXPECT_EQ(pages[i].secondaryCount, counts[i][1]);
        EXPECT_EQ(pages[i].showPowerIndicator, 0);
        EXPECT_EQ(pages[i].previewKeyIndex, -1);
        EXPECT_EQ(pages[i].lightConfigName, "tovra_light");
        // Every kind row is keyed to a supported row of the same kind.
        EXPECT_NE(Shipped().findSupportedRow(kinds[i].vendorId, kinds[i].productId, kinds[i].kind,
                                             kinds[i].variant),
                  -1);
    }
}

TEST(Catalogue, LookupsByKey) {
    struct Case {
        int vendorId, productId, kind, variant, supportedRow, kindRow;
    };
    const Case cases[] = {
        {0x0C45, 0x7650, 1, 0, 0, 1},
        {0x0C45, 0x7650, 1, 0xFF, 1, -1},
        {0, 0, 7, 0, 6, 3},
        {0, 0, 2, 0, 2, 0},
        {0, 0, 3, 0, 4, 2},
        {0, 0, 6, 0, -1, -1},
        {0x0C45, 0x7651, 1, 0, -1, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.vendorId << "/" << c.productId << "/" << c.kind);
        EXPECT_EQ(Shipped().findSupportedRow(c.vendorId, c.productId, c.kind, c.variant),
                  c.supportedRow);
        EXPECT_EQ(Shipped().findKindRow(c.vendorId, c.productId, c.kind, c.variant), c.kindRow);
    }
}

TEST(Catalogue, SameInterfaceIgnoresRunTimeFields) {
    const SupportedDeviceEntry& row = Shipped().SupportedDeviceTable()[0];
    SupportedDeviceEntry slot = row;
    slot.connected = 1;
    slot.path = "/dev/hidraw3#vid_0c45&pid_7650&mi_01&col04";
    slot.linked = 1;
    slot.linkedIndex = 5;
    EXPECT_TRUE(sameInterface(slot, row));
    EXPECT_FALSE(sameInterface(Shipped().SupportedDeviceTable()[1], row));
    SupportedDeviceEntry otherUsage = row;
    otherUsage.usage = 0x93;
    EXPECT_FALSE(sameInterface(otherUsage, row));
}

// The shipped tabs are mouse, keyboard, pad, headset while the firmware rows
// are two keyboards, a mouse and the application: the keyboard tab lines up
// with its row; the mouse's row is its kind's only one, so it is the
// mouse's wherever it stands; the other keyboard row gets nothing.
TEST(Catalogue, FirmwareListOffersARowOnlyToATabOfItsKind) {
    struct Case {
        const char* name;
        std::vector<int32_t> tabVersions;  // mouse, keyboard, pad, headset
        int32_t appVersion;
        std::vector<std::pair<std::string, int32_t>> expected;  // imageName, version
    };
    const Case cases[] = {
        {"nothing connected, no app version", {0, 0, 0, 0}, 0, {}},
        {"keyboard tab connected",
         {0, 0x0105, 0, 0},
         0x1000,
         {{"QB42M16D", 0x0105}, {"ALL", 0x1000}}},
        {"pad and headset get no other kind's firmware",
         {0x0102, 0x0105, 0x0101, 0x0100},
         0,
         {{"QB42M16D", 0x0105}, {"QB42M09D_1", 0x0102}}},
        {"the mouse alone", {0x0102, 0, 0, 0}, 0, {{"QB42M09D_1", 0x0102}}},
        {"fewer tab items than rows", {3}, 2, {{"QB42M09D_1", 3}, {"ALL", 2}}},
        {"more tab items than rows",
         {1, 1, 1, 1, 1, 1},
         5,
         {{"QB42M16D", 1}, {"QB42M09D_1", 1}, {"ALL", 5}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto rows = Shipped().firmwareList(c.tabVersions, c.appVersion);
        ASSERT_EQ(rows.size(), c.expected.size());
        for (size_t i = 0; i < rows.size(); ++i) {
            EXPECT_EQ(rows[i].imageName, c.expected[i].first);
            EXPECT_EQ(rows[i].currentVersion, c.expected[i].second);
        }
    }
    // The table itself stays untouched.
    for (const auto& row : Shipped().FirmwareTable()) EXPECT_EQ(row.currentVersion, 0);
    const auto& app = Shipped().FirmwareTable().back();
    EXPECT_EQ(app, (FirmwareEntry{0, 1, 0, "TOVRA", "ALL", "R17_T46_T45", "AP", "V1000.02"}));
}

TEST(Catalogue, FirmwareListFillsEveryRowWhoseTabHasItsKind) {
    const auto tab = [](DeviceKind kind) {
        DeviceKindEntry entry;
        entry.kind = KindCode(kind);
        return entry;
    };
    const Catalogue matching({},
                             {tab(DeviceKind::Keyboard), tab(DeviceKind::Keyboard),
                              tab(DeviceKind::Mouse), tab(DeviceKind::Headset)},
                             {}, Shipped().FirmwareTable());
    const std::vector<int32_t> versions{0x0110, 0x0105, 0x0102, 0x0100};
    const auto rows = matching.firmwareList(versions, 7);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].currentVersion, 0x0110);
    EXPECT_EQ(rows[1].currentVersion, 0x0105);
    EXPECT_EQ(rows[2].currentVersion, 0x0102);
    EXPECT_EQ(rows[3].currentVersion, 7);
}

}  // namespace
}  // namespace kelno
