#include "devices/detect/udev_rules.h"

#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace kelno {
namespace {

SupportedDeviceEntry Row(uint16_t vendorId, uint16_t productId, uint16_t interfaceNumber,
                         uint16_t collectionNumber) {
    SupportedDeviceEntry row;
    row.vendorId = vendorId;
    row.productId = productId;
    row.interfaceNumber = interfaceNumber;
    row.collectionNumber = collectionNumber;
    return row;
}

Catalogue WithSupportedDevices(std::vector<SupportedDeviceEntry> rows) {
    return Catalogue(std::move(rows), {}, {}, {});
}

// The rule lines of a rules text, comments and blank lines left out.
std::vector<std::string> RuleLines(const std::string& rules) {
    std::vector<std::string> lines;
    std::istringstream in(rules);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line[0] != '#') lines.push_back(line);
    }
    return lines;
}

std::string Rule(const char* vendor, const char* product) {
    return std::string("SUBSYSTEM==\"hidraw\", ATTRS{idVendor}==\"") + vendor +
           "\", ATTRS{idProduct}==\"" + product + "\", TAG+=\"uaccess\"";
}

TEST(UdevRules, OneLinePerProductInTableOrder) {
    const Catalogue catalogue = WithSupportedDevices({
        Row(0x1A2B, 0x00FF, 1, 4),
        Row(0x0A0B, 0x0C0D, 0, 0),
        Row(0x1A2B, 0x00FF, 1, 3),  // same product, another collection
        Row(0x1A2B, 0x00FF, 2, 0),  // and another interface
        Row(0x1A2B, 0x0100, 1, 4),  // same vendor, another product
        Row(0x0A0B, 0x0C0D, 3, 1),
    });
    EXPECT_EQ(RuleLines(MakeUdevRules(catalogue)),
              (std::vector<std::string>{Rule("1a2b", "00ff"), Rule("0a0b", "0c0d"),
                                        Rule("1a2b", "0100")}));
}

TEST(UdevRules, RowsWithoutBothIdsGiveNoLine) {
    const Catalogue catalogue = WithSupportedDevices({
        Row(0, 0, 1, 4),
        Row(0x1234, 0, 1, 4),
        Row(0, 0x5678, 1, 4),
        Row(0xFFFF, 0x0001, 1, 4),
    });
    EXPECT_EQ(RuleLines(MakeUdevRules(catalogue)),
              (std::vector<std::string>{Rule("ffff", "0001")}));
}

TEST(UdevRules, HeaderCommentsEvenWithoutProducts) {
    const std::string rules = MakeUdevRules(WithSupportedDevices({Row(0, 0, 1, 4)}));
    EXPECT_TRUE(RuleLines(rules).empty());
    ASSERT_FALSE(rules.empty());
    EXPECT_EQ(rules[0], '#');
    EXPECT_NE(rules.find("uaccess"), std::string::npos);
    EXPECT_EQ(rules.back(), '\n');
}

TEST(UdevRules, ShippedCatalogueGivesWellFormedLines) {
    const std::vector<std::string> lines = RuleLines(MakeUdevRules(Catalogue::Shipped()));
    ASSERT_FALSE(lines.empty());
    const std::regex wellFormed(
        "SUBSYSTEM==\"hidraw\", ATTRS\\{idVendor\\}==\"[0-9a-f]{4}\", "
        "ATTRS\\{idProduct\\}==\"[0-9a-f]{4}\", TAG\\+=\"uaccess\"");
    for (const std::string& line : lines) EXPECT_TRUE(std::regex_match(line, wellFormed)) << line;
}

}  // namespace
}  // namespace kelno
