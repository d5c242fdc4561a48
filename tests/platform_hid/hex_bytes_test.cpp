#include "platform/hid/hex_bytes.h"

#include <gtest/gtest.h>

namespace kelno::hid {
namespace {

TEST(HexBytes, ReadsSeparatedBytesInAnyCaseAndPrefix) {
    const auto bytes = ParseHexBytes(" 05 1\n0xFF,a0\t\r\n");
    ASSERT_TRUE(bytes.has_value());
    EXPECT_EQ(*bytes, (std::vector<uint8_t>{0x05, 0x01, 0xFF, 0xA0}));
    EXPECT_EQ(ParseHexBytes("")->size(), 0u);
}

TEST(HexBytes, RefusesTokensThatAreNotBytes) {
    for (const char* text : {"123", "0x", "zz", "05 g1", "0x100", "05-01"}) {
        EXPECT_FALSE(ParseHexBytes(text).has_value()) << text;
    }
}

TEST(HexBytes, FormatsWhatItReads) {
    const std::vector<uint8_t> bytes{0x00, 0x0a, 0xff};
    EXPECT_EQ(FormatHexBytes(bytes), "00 0a ff");
    EXPECT_EQ(ParseHexBytes(FormatHexBytes(bytes)), bytes);
}

}  // namespace
}  // namespace kelno::hid
