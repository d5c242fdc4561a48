#include "core/text_codec.h"

#include <gtest/gtest.h>

namespace kelno {
namespace {

TEST(TextCodec, Utf8ValidityTable) {
    const std::pair<std::string, bool> cases[] = {
        {"", true},
        {"plain ascii", true},
        {"中文", true},
        {"\xF0\x9F\x8E\xAE", true},   // a four-byte character
        {"\xD6\xD0\xCE\xC4", false},  // GBK
        {"\xC0\xAF", false},          // overlong '/'
        {"\xED\xA0\x80", false},      // surrogate
        {"\xE4\xB8", false},          // truncated
        {"\xF5\x80\x80\x80", false},  // above U+10FFFF
    };
    for (const auto& [text, valid] : cases) EXPECT_EQ(IsValidUtf8(text), valid) << text;
}

TEST(TextCodec, LegacyGbkDecodesToUtf8) {
    EXPECT_EQ(ToWideText("\xD6\xD0\xCE\xC4"), "中文");
    EXPECT_EQ(ToWideText("Game \xC5\xE4\xD6\xC3"), "Game 配置");
    EXPECT_EQ(ToWideText("already 中文"), "already 中文");
    EXPECT_EQ(ToNarrowText("\xD6\xD0\xCE\xC4"), "中文");
}

TEST(TextCodec, UndecodableBytesBecomeReplacementCharacters) {
    const std::string result = ToWideText("a\xFF" "b\x81");
    EXPECT_TRUE(IsValidUtf8(result));
    EXPECT_EQ(result, "a\xEF\xBF\xBD" "b\xEF\xBF\xBD");
}

TEST(TextCodec, CodePageCanBeChangedButNotToAnUnknownOne) {
    EXPECT_EQ(LegacyCodePage(), "CP936");
    EXPECT_FALSE(SetLegacyCodePage("NO-SUCH-CODEPAGE"));
    EXPECT_EQ(LegacyCodePage(), "CP936");
    ASSERT_TRUE(SetLegacyCodePage("CP1252"));
    EXPECT_EQ(ToWideText("caf\xE9"), "café");
    ASSERT_TRUE(SetLegacyCodePage("CP936"));
}

TEST(TextCodec, StripsOnlyALeadingBom) {
    EXPECT_EQ(StripUtf8Bom("\xEF\xBB\xBF{}"), "{}");
    EXPECT_EQ(StripUtf8Bom("{}\xEF\xBB\xBF"), "{}\xEF\xBB\xBF");
    EXPECT_EQ(StripUtf8Bom("\xEF\xBB"), "\xEF\xBB");
}

}  // namespace
}  // namespace kelno
