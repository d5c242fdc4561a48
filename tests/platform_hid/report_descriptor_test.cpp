#include "platform/hid/report_descriptor.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/hid/hex_bytes.h"

namespace kelno::hid {
namespace {

namespace fs = std::filesystem;
using Lengths = std::map<uint8_t, uint16_t>;

const fs::path kSamples = KELNO_HID_DESCRIPTOR_DIR;

std::vector<uint8_t> Bytes(std::string_view hex) {
    auto bytes = ParseHexBytes(hex);
    EXPECT_TRUE(bytes.has_value()) << hex;
    return bytes.value_or(std::vector<uint8_t>{});
}

std::vector<uint8_t> ReadSample(const fs::path& file) {
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    return Bytes(text.str());
}

std::vector<fs::path> SampleFiles() {
    std::vector<fs::path> files;
    if (!fs::is_directory(kSamples)) return files;
    for (const auto& entry : fs::directory_iterator(kSamples)) {
        if (entry.path().extension() == ".rdesc") files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

TEST(ReportDescriptorSamples, EverySampleParsesAndEveryPrefixEndsInAResult) {
    const auto files = SampleFiles();
    if (files.empty()) GTEST_SKIP() << "no descriptor samples in " << kSamples;
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.filename().string());
        const std::vector<uint8_t> bytes = ReadSample(file);
        const ParsedDescriptor parsed = ParseReportDescriptor(bytes);
        ASSERT_TRUE(parsed.ok) << parsed.error;
        ASSERT_FALSE(parsed.collections.empty());
        for (const ParsedCollection& collection : parsed.collections) {
            EXPECT_FALSE(collection.info.reportIds.empty());
            if (!parsed.usesReportIds) {
                EXPECT_EQ(collection.info.reportIds, std::vector<uint8_t>{0});
            }
        }
        // A device may hand over a cut descriptor; each cut parses to some
        // answer (mostly an error), never a crash.
        for (size_t length = 0; length < bytes.size(); ++length) {
            const ParsedDescriptor cut =
                ParseReportDescriptor(std::span<const uint8_t>(bytes.data(), length));
            if (!cut.ok) {
                EXPECT_FALSE(cut.error.empty());
            }
        }
    }
}

struct SampleCollection {
    const char* file;
    size_t collectionCount;
    size_t index;
    uint16_t usagePage;
    uint16_t usage;
    std::vector<uint8_t> reportIds;
    Lengths input;
    Lengths output;
    Lengths feature;

    friend void PrintTo(const SampleCollection& c, std::ostream* out) {
        *out << c.file << " #" << c.index;
    }
};

// Worked out by reading each descriptor item by item.
const SampleCollection kSampleCollections[] = {
    {"steelseries-rival310-if1", 2, 0, 0x0001, 0x06, {1}, {{1, 9}}, {}, {}},
    {"steelseries-rival310-if1", 2, 1, 0x000C, 0x01, {2}, {{2, 5}}, {}, {}},
    {"pcsensor-footswitch-if1", 1, 0, 0x0001, 0x00, {0}, {{0, 8}}, {{0, 8}}, {}},
    // Report 1 and 2 both live in the mouse collection (nested Physical
    // collections); the consumer collection owns 3.
    {"mi-dongle-wireless-mouse", 2, 0, 0x0001, 0x02, {1, 2}, {{1, 4}, {2, 4}}, {}, {}},
    {"mi-dongle-wireless-mouse", 2, 1, 0x000C, 0x01, {3}, {{3, 2}}, {}, {}},
    // No report ids: input, output and a feature inside a nested Logical
    // collection, lengths without an id byte.
    {"ms-comfort-sculpt-keyboard", 1, 0, 0x0001, 0x06, {0}, {{0, 8}}, {{0, 1}}, {{0, 6}}},
    {"logitech-gpro-wireless", 5, 0, 0x0001, 0x06, {1, 14}, {{1, 8}}, {{14, 2}}, {}},
    {"logitech-gpro-wireless", 5, 1, 0x0001, 0x02, {2}, {{2, 9}}, {}, {}},
    {"logitech-gpro-wireless", 5, 2, 0xFF00, 0x01, {16}, {{16, 7}}, {{16, 7}}, {}},
    {"logitech-gpro-wireless", 5, 3, 0xFF00, 0x02, {17}, {{17, 20}}, {{17, 20}}, {}},
    {"logitech-gpro-wireless",
     5,
     4,
     0xFF00,
     0x04,
     {32, 33},
     {{32, 15}, {33, 32}},
     {{32, 15}, {33, 32}},
     {}},
    {"cmedia-hs100b-headset-kernelfixed", 1, 0, 0x000C, 0x01, {0}, {{0, 4}}, {{0, 4}}, {}},
};

class ReportDescriptorSample : public testing::TestWithParam<SampleCollection> {};

TEST_P(ReportDescriptorSample, CollectionMatchesTheDescriptor) {
    const SampleCollection& expected = GetParam();
    const fs::path file = kSamples / (std::string(expected.file) + ".rdesc");
    if (!fs::exists(file)) GTEST_SKIP() << "missing sample " << file;
    const ParsedDescriptor parsed = ParseReportDescriptor(ReadSample(file));
    ASSERT_TRUE(parsed.ok) << parsed.error;
    ASSERT_EQ(parsed.collections.size(), expected.collectionCount);
    const ReportCollection& info = parsed.collections[expected.index].info;
    EXPECT_EQ(info.usagePage, expected.usagePage);
    EXPECT_EQ(info.usage, expected.usage);
    EXPECT_EQ(info.reportIds, expected.reportIds);
    EXPECT_EQ(info.inputLengths, expected.input);
    EXPECT_EQ(info.outputLengths, expected.output);
    EXPECT_EQ(info.featureLengths, expected.feature);
}

INSTANTIATE_TEST_SUITE_P(Samples, ReportDescriptorSample, testing::ValuesIn(kSampleCollections),
                         [](const auto& info) {
                             std::string name = std::string(info.param.file) + "_" +
                                                std::to_string(info.param.index);
                             for (char& c : name) {
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             }
                             return name;
                         });

struct Malformed {
    const char* name;
    const char* hex;
    const char* error;  // part of the expected message

    friend void PrintTo(const Malformed& m, std::ostream* out) { *out << m.hex; }
};

const Malformed kMalformed[] = {
    {"TruncatedItem", "05 01 09 02 a1 01 26 ff", "truncated item at byte 6"},
    {"TruncatedLongItem", "fe 05 00 01 02", "truncated long item at byte 0"},
    {"LongItemWithoutHeader", "fe 01", "truncated long item"},
    {"EndWithoutCollection", "05 01 09 02 c0", "End Collection without a Collection"},
    {"CollectionLeftOpen", "05 01 09 02 a1 01 a1 00 c0", "collection not closed"},
    {"HugeReportCount", "a1 01 75 08 97 ff ff ff 7f 81 02 c0", "Report Count above 65535"},
    {"HugeReportSize", "a1 01 77 00 00 01 00 95 01 81 02 c0", "Report Size above 256"},
    {"ReportTooLong", "a1 01 75 80 96 ff ff 81 02 c0", "report longer than 16384"},
    {"PopWithoutPush", "05 01 b4", "Pop without Push"},
    {"ReportIdZero", "a1 01 85 00 c0", "invalid Report ID"},
    {"ReportIdTooWide", "a1 01 86 00 01 c0", "invalid Report ID"},
};

class ReportDescriptorMalformed : public testing::TestWithParam<Malformed> {};

TEST_P(ReportDescriptorMalformed, EndsInAnError) {
    const ParsedDescriptor parsed = ParseReportDescriptor(Bytes(GetParam().hex));
    EXPECT_FALSE(parsed.ok);
    EXPECT_TRUE(parsed.collections.empty());
    EXPECT_NE(parsed.error.find(GetParam().error), std::string::npos) << parsed.error;
}

INSTANTIATE_TEST_SUITE_P(Cases, ReportDescriptorMalformed, testing::ValuesIn(kMalformed),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ReportDescriptor, DeepNestingAndEndlessPushAreRefused) {
    std::string nested;
    for (int i = 0; i < 100; ++i) nested += "a1 01 ";
    EXPECT_NE(ParseReportDescriptor(Bytes(nested)).error.find("nested too deep"),
              std::string::npos);
    std::string pushes;
    for (int i = 0; i < 100; ++i) pushes += "a4 ";
    EXPECT_NE(ParseReportDescriptor(Bytes(pushes)).error.find("Push nested too deep"),
              std::string::npos);
}

TEST(ReportDescriptor, PushLeftOnTheStackIsHarmless) {
    const ParsedDescriptor parsed =
        ParseReportDescriptor(Bytes("05 01 09 02 a1 01 a4 75 08 95 01 09 30 81 02 c0 a4"));
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_EQ(parsed.collections.at(0).info.inputLengths, (Lengths{{0, 1}}));
}

TEST(ReportDescriptor, EmptyDescriptorHasNoCollections) {
    const ParsedDescriptor parsed = ParseReportDescriptor({});
    EXPECT_TRUE(parsed.ok);
    EXPECT_TRUE(parsed.collections.empty());
}

TEST(ReportDescriptor, FieldsCarryOffsetsUsagesAndLogicalRange) {
    // Report 1: 3 buttons (range), 5 bits padding, X/Y as signed bytes.
    // Report 2 in the same collection: a key array whose usage range comes
    // before its Usage Page, as some keyboards write it.
    const ParsedDescriptor parsed = ParseReportDescriptor(
        Bytes("05 01 09 02 a1 01 85 01 05 09 19 01 29 03 15 00 25 01 75 01 95 03 81 02"
              " 95 05 81 01 05 01 09 30 09 31 15 81 25 7f 75 08 95 02 81 06"
              " 85 02 19 00 29 ff 05 07 15 00 25 ff 95 06 81 00 c0"));
    ASSERT_TRUE(parsed.ok) << parsed.error;
    ASSERT_EQ(parsed.collections.size(), 1u);
    const auto& fields = parsed.collections[0].fields;
    ASSERT_EQ(fields.size(), 4u);

    EXPECT_EQ(fields[0].reportId, 1);
    EXPECT_EQ(fields[0].bitOffset, 0u);
    EXPECT_TRUE(fields[0].IsVariable());
    EXPECT_EQ(fields[0].usagePage, 0x09);
    EXPECT_EQ(fields[0].usageMinimum, 0x00090001u);
    EXPECT_EQ(fields[0].usageMaximum, 0x00090003u);

    EXPECT_TRUE(fields[1].IsConstant());
    EXPECT_EQ(fields[1].bitOffset, 3u);

    EXPECT_EQ(fields[2].bitOffset, 8u);
    EXPECT_EQ(fields[2].usages, (std::vector<uint32_t>{0x00010030, 0x00010031}));
    EXPECT_EQ(fields[2].logicalMinimum, -127);
    EXPECT_EQ(fields[2].logicalMaximum, 127);

    EXPECT_EQ(fields[3].reportId, 2);
    EXPECT_EQ(fields[3].bitOffset, 0u);
    EXPECT_TRUE(fields[3].IsArray());
    EXPECT_EQ(fields[3].usagePage, 0x07);
    EXPECT_EQ(fields[3].usageMinimum, 0x00070000u);
    EXPECT_EQ(fields[3].usageMaximum, 0x000700FFu);
    // One byte 0xff with a minimum of 0 means 255, not -1.
    EXPECT_EQ(fields[3].logicalMaximum, 255);

    EXPECT_EQ(parsed.collections[0].info.inputLengths, (Lengths{{1, 4}, {2, 7}}));
}

TEST(ReportDescriptor, ExtendedUsagesCarryTheirOwnPage) {
    // Usage 0x000C00E9 written in four bytes under the Generic Desktop page,
    // and a four-byte usage on the collection itself.
    const ParsedDescriptor parsed = ParseReportDescriptor(
        Bytes("05 01 0b 01 00 a0 ff a1 01 0b e9 00 0c 00 75 01 95 01 81 02 95 07 81 01 c0"));
    ASSERT_TRUE(parsed.ok) << parsed.error;
    ASSERT_EQ(parsed.collections.size(), 1u);
    EXPECT_EQ(parsed.collections[0].info.usagePage, 0xFFA0);
    EXPECT_EQ(parsed.collections[0].info.usage, 0x0001);
    ASSERT_EQ(parsed.collections[0].fields.size(), 2u);
    EXPECT_EQ(parsed.collections[0].fields[0].usages, std::vector<uint32_t>{0x000C00E9});
    EXPECT_EQ(parsed.collections[0].fields[0].usagePage, 0x000C);
}

TEST(ReportDescriptor, PopRestoresSizeCountAndReportId) {
    // Push with report 1 / 8x8 bits, change everything for report 2, pop and
    // add to report 1 again.
    const ParsedDescriptor parsed =
        ParseReportDescriptor(Bytes("06 00 ff 09 01 a1 01 85 01 75 08 95 08 09 01 81 02 a4"
                                    " 85 02 75 01 95 03 09 02 81 02 b4 09 03 81 02 c0"));
    ASSERT_TRUE(parsed.ok) << parsed.error;
    const ReportCollection& info = parsed.collections.at(0).info;
    EXPECT_EQ(info.reportIds, (std::vector<uint8_t>{1, 2}));
    EXPECT_EQ(info.inputLengths, (Lengths{{1, 17}, {2, 2}}));
    EXPECT_EQ(parsed.collections[0].fields.back().bitOffset, 64u);
}

TEST(ReportDescriptor, LongItemsAreSkippedAndDelimitersKeepTheFirstUsage) {
    // A long item between the usage and the collection; a delimiter set
    // offering usage 0x30 or 0x31 for one field.
    const ParsedDescriptor parsed =
        ParseReportDescriptor(Bytes("05 01 09 02 fe 02 10 aa bb a1 01 a9 01 09 30 09 31 a9 00"
                                    " 75 08 95 01 81 02 c0"));
    ASSERT_TRUE(parsed.ok) << parsed.error;
    ASSERT_EQ(parsed.collections.size(), 1u);
    EXPECT_EQ(parsed.collections[0].info.usage, 0x02);
    EXPECT_EQ(parsed.collections[0].fields.at(0).usages, std::vector<uint32_t>{0x00010030});
}

TEST(ReportDescriptor, OnlyApplicationCollectionsAtTheTopAreTopLevel) {
    // Application, a Physical collection at the top (its report belongs to
    // no top-level collection), and an Application nested in an
    // Application (part of the outer one).
    const ParsedDescriptor parsed =
        ParseReportDescriptor(Bytes("05 0d 09 02 a1 01 85 01 75 08 95 01 09 30 81 02"
                                    "   09 20 a1 01 85 02 09 42 81 02 c0 c0"
                                    " 05 01 09 01 a1 00 85 03 09 30 81 02 c0"
                                    " 05 0c 09 01 a1 01 85 04 09 e9 81 02 c0"));
    ASSERT_TRUE(parsed.ok) << parsed.error;
    ASSERT_EQ(parsed.collections.size(), 2u);
    EXPECT_EQ(parsed.collections[0].info.usagePage, 0x0D);
    EXPECT_EQ(parsed.collections[0].info.reportIds, (std::vector<uint8_t>{1, 2}));
    EXPECT_EQ(parsed.collections[1].info.usagePage, 0x0C);
    EXPECT_EQ(parsed.collections[1].info.reportIds, std::vector<uint8_t>{4});

    EXPECT_EQ(CollectionOwningReport(parsed, ReportType::Input, 2), 0);
    EXPECT_EQ(CollectionOwningReport(parsed, ReportType::Input, 4), 1);
    EXPECT_EQ(CollectionOwningReport(parsed, ReportType::Input, 3), -1);
    EXPECT_EQ(CollectionOwningReport(parsed, ReportType::Output, 4), -1);
}

TEST(ReportDescriptor, WithoutReportIdsEveryCollectionOwnsReportZero) {
    const ParsedDescriptor parsed =
        ParseReportDescriptor(Bytes("06 1c ff 09 92 a1 01 75 08 95 40 09 01 81 02 09 01 91 02 c0"));
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_FALSE(parsed.usesReportIds);
    const ReportCollection& info = parsed.collections.at(0).info;
    EXPECT_EQ(info.reportIds, std::vector<uint8_t>{0});
    EXPECT_EQ(info.inputLengths, (Lengths{{0, 64}}));
    EXPECT_EQ(info.outputLengths, (Lengths{{0, 64}}));
    EXPECT_EQ(info.MaxLength(ReportType::Feature), 0);
    EXPECT_EQ(CollectionOwningReport(parsed, ReportType::Input, 0), 0);
}

}  // namespace
}  // namespace kelno::hid
