// Runs the kelno-hidinfo binary on sample descriptors and compares its
// lines with collections worked out by reading the descriptors.
#include <gtest/gtest.h>
#include <json/value.h>

#include <filesystem>
#include <string>

#include "core/json_file.h"
#include "platform/hid/hex_bytes.h"
#include "support/command_run.h"
#include "support/fuse_hidraw/fake_sysfs.h"
#include "support/temp_folder.h"

namespace kelno {
namespace {

namespace fs = std::filesystem;

using test::CommandRun;

CommandRun RunTool(const std::string& arguments) {
    return test::RunCommand(std::string(KELNO_HIDINFO_BINARY) + " " + arguments + " 2>/dev/null");
}

struct ToolCase {
    const char* sample;
    const char* expected;  // the tool's whole output
};

const ToolCase kCases[] = {
    {"steelseries-rival310-if1",
     "{\"usage_page\":1,\"usage\":6,\"report_ids\":[1],\"input_len\":{\"1\":9},"
     "\"output_len\":{},\"feature_len\":{}}\n"
     "{\"usage_page\":12,\"usage\":1,\"report_ids\":[2],\"input_len\":{\"2\":5},"
     "\"output_len\":{},\"feature_len\":{}}\n"},
    {"ms-comfort-sculpt-keyboard",
     "{\"usage_page\":1,\"usage\":6,\"report_ids\":[0],\"input_len\":{\"0\":8},"
     "\"output_len\":{\"0\":1},\"feature_len\":{\"0\":6}}\n"},
    {"mi-dongle-wireless-mouse",
     "{\"usage_page\":1,\"usage\":2,\"report_ids\":[1,2],\"input_len\":{\"1\":4,\"2\":4},"
     "\"output_len\":{},\"feature_len\":{}}\n"
     "{\"usage_page\":12,\"usage\":1,\"report_ids\":[3],\"input_len\":{\"3\":2},"
     "\"output_len\":{},\"feature_len\":{}}\n"},
};

TEST(HidinfoTool, PrintsOneJsonLinePerTopLevelCollection) {
    for (const ToolCase& test : kCases) {
        const fs::path file =
            fs::path(KELNO_HID_DESCRIPTOR_DIR) / (std::string(test.sample) + ".rdesc");
        if (!fs::exists(file)) GTEST_SKIP() << "missing sample " << file;
        const CommandRun run = RunTool(file.string());
        EXPECT_EQ(run.status, 0) << test.sample;
        EXPECT_EQ(run.output, test.expected) << test.sample;
    }
}

TEST(HidinfoTool, EveryLineIsJson) {
    const fs::path file = fs::path(KELNO_HID_DESCRIPTOR_DIR) / "logitech-gpro-wireless.rdesc";
    if (!fs::exists(file)) GTEST_SKIP() << "missing sample " << file;
    const CommandRun run = RunTool(file.string());
    ASSERT_EQ(run.status, 0);
    size_t lines = 0;
    size_t start = 0;
    for (size_t end; (end = run.output.find('\n', start)) != std::string::npos; start = end + 1) {
        const Json::Value line = ParseJsonText(run.output.substr(start, end - start));
        ASSERT_TRUE(line.isObject()) << run.output.substr(start, end - start);
        EXPECT_TRUE(line["input_len"].isObject());
        ++lines;
    }
    EXPECT_EQ(lines, 5u);
}

TEST(HidinfoTool, BadInputFailsWithoutOutput) {
    test::TempFolder folder;
    const auto notHex = folder.WriteFile("text.rdesc", "hello world\n");
    const auto malformed = folder.WriteFile("bad.rdesc", "05 01 09 02 a1 01 c0 c0\n");
    for (const std::string& arguments : {notHex.string(), malformed.string(),
                                         (folder / "missing.rdesc").string(), std::string()}) {
        const CommandRun run = RunTool(arguments);
        EXPECT_NE(run.status, 0) << arguments;
        EXPECT_EQ(run.output, "") << arguments;
    }
}

TEST(HidinfoTool, ListsEveryCollectionOfTheHidrawNodes) {
    test::TempFolder folder;
    test::FakeSysfs sysfs(folder / "sys");
    sysfs.Add({.number = 2,
               .vendorId = 0x0C45,
               .productId = 0x7650,
               .interfaceNumber = 1,
               .bcdDevice = 0x0105,
               .descriptor = hid::ParseHexBytes("05 0c 09 01 a1 01 85 03 09 e9 75 08 95 01 81 02 c0"
                                                " 06 1c ff 09 92 a1 01 85 04 09 01 95 3f 91 02 c0")
                                 .value()});
    folder.WriteFile("dev/hidraw2", "");
    const std::string dev = (folder / "dev").string();

    const CommandRun run = RunTool("--list --sysfs " + (folder / "sys").string() + " --dev " + dev);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output,
              "{\"path\":\"" + dev +
                  "/hidraw2#vid_0c45&pid_7650&mi_01&col01\",\"vendor_id\":3141,"
                  "\"product_id\":30288,\"version\":261,\"interface\":1,\"collection\":1,"
                  "\"usage_page\":12,\"usage\":1,\"report_ids\":[3],\"input_len\":{\"3\":2},"
                  "\"output_len\":{},\"feature_len\":{},\"accessible\":true}\n"
                  "{\"path\":\"" +
                  dev +
                  "/hidraw2#vid_0c45&pid_7650&mi_01&col02\",\"vendor_id\":3141,"
                  "\"product_id\":30288,\"version\":261,\"interface\":1,\"collection\":2,"
                  "\"usage_page\":65308,\"usage\":146,\"report_ids\":[4],\"input_len\":{},"
                  "\"output_len\":{\"4\":64},\"feature_len\":{},\"accessible\":true}\n");

    EXPECT_NE(RunTool("--list --sysfs").status, 0);
    EXPECT_NE(RunTool("--list --bogus x").status, 0);
}

}  // namespace
}  // namespace kelno
