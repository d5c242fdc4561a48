// The hidraw backend against a fake sysfs tree; the device files are plain
// files here (the FUSE tests serve real-acting nodes).
#include "platform/linux/hidraw_backend.h"

#include <gtest/gtest.h>

#include <fstream>

#include "platform/hid/hex_bytes.h"
#include "platform/linux/hidraw_paths.h"
#include "support/fuse_hidraw/fake_sysfs.h"
#include "support/temp_folder.h"

namespace kelno::hid {
namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> Bytes(std::string_view hex) {
    return ParseHexBytes(hex).value();
}

// Four top-level collections, as the keyboard's command interface has them.
const std::vector<uint8_t> kFourCollections = Bytes(
    "05 01 09 80 a1 01 85 01 09 81 75 01 95 01 81 02 75 07 81 01 c0"
    " 05 0c 09 01 a1 01 85 03 19 00 2a ff 0f 75 10 95 01 81 00 c0"
    " 06 1c ff 09 92 a1 01 85 04 09 01 75 08 95 3f 81 02 09 01 91 02 c0"
    " 06 00 ff 09 01 a1 01 85 05 09 01 75 08 95 07 b1 02 c0");
// One mouse collection without report ids.
const std::vector<uint8_t> kOneCollection =
    Bytes("05 01 09 02 a1 01 05 09 19 01 29 03 75 01 95 03 81 02 95 05 81 01 c0");

class HidrawBackendTest : public testing::Test {
  protected:
    HidrawBackendTest() : sysfs(folder / "sys") { fs::create_directories(folder / "dev"); }

    void AddNode(const test::FakeHidrawNode& node) {
        sysfs.Add(node);
        folder.WriteFile("dev/hidraw" + std::to_string(node.number), "");
    }
    // hidraw3 with the four collections; returns the command collection's path.
    std::string AddKeyboardNode() {
        AddNode({.number = 3,
                 .vendorId = 0x0C45,
                 .productId = 0x7650,
                 .interfaceNumber = 1,
                 .descriptor = kFourCollections});
        return Dev() + "/hidraw3#vid_0c45&pid_7650&mi_01&col03";
    }
    HidrawBackend Backend() { return HidrawBackend(folder / "sys", folder / "dev"); }
    std::string Dev() const { return (folder / "dev").string(); }

    test::TempFolder folder;
    test::FakeSysfs sysfs;
};

TEST_F(HidrawBackendTest, EnumerationGivesOnePathPerTopLevelCollection) {
    AddNode({.number = 3,
             .vendorId = 0x0C45,
             .productId = 0x7650,
             .interfaceNumber = 1,
             .bcdDevice = 0x0105,
             .descriptor = kFourCollections});
    AddNode({.number = 10,
             .vendorId = 0x046D,
             .productId = 0xC08B,
             .interfaceNumber = 0,
             .descriptor = kOneCollection});
    // Bluetooth: no USB interface above it, so interface 0 and no release.
    AddNode({.number = 4,
             .bus = 0x0005,
             .vendorId = 0x054C,
             .productId = 0x05C4,
             .interfaceNumber = 2,
             .bcdDevice = 0x0100,
             .descriptor = kOneCollection});

    const auto interfaces = Backend().Enumerate();
    ASSERT_TRUE(interfaces.has_value());
    std::vector<std::string> paths;
    for (const InterfaceInfo& info : *interfaces) paths.push_back(info.path);
    EXPECT_EQ(paths, (std::vector<std::string>{
                         Dev() + "/hidraw3#vid_0c45&pid_7650&mi_01&col01",
                         Dev() + "/hidraw3#vid_0c45&pid_7650&mi_01&col02",
                         Dev() + "/hidraw3#vid_0c45&pid_7650&mi_01&col03",
                         Dev() + "/hidraw3#vid_0c45&pid_7650&mi_01&col04",
                         Dev() + "/hidraw4#vid_054c&pid_05c4&mi_00",
                         Dev() + "/hidraw10#vid_046d&pid_c08b&mi_00",
                     }));

    const InterfaceInfo& command = (*interfaces)[2];
    EXPECT_EQ(command.attributes, (DeviceAttributes{0x0C45, 0x7650, 0x0105}));
    EXPECT_EQ(command.interfaceNumber, 1);
    EXPECT_EQ(command.collectionNumber, 3);
    EXPECT_EQ(command.collection.usagePage, 0xFF1C);
    EXPECT_EQ(command.collection.usage, 0x92);
    EXPECT_EQ(command.collection.inputLengths, (std::map<uint8_t, uint16_t>{{4, 64}}));
    EXPECT_TRUE(command.accessible);  // plain files, and the tests run as root

    EXPECT_EQ((*interfaces)[4].attributes.versionNumber, 0);
    EXPECT_EQ((*interfaces)[4].collectionNumber, 0);
}

TEST_F(HidrawBackendTest, UnreadableNodesAreSkippedNotFatal) {
    AddNode({.number = 0, .vendorId = 1, .productId = 2, .descriptor = kOneCollection});
    AddNode({.number = 1, .vendorId = 3, .productId = 4, .descriptor = Bytes("a1 01 c0 c0")});
    AddNode({.number = 2, .vendorId = 5, .productId = 6, .descriptor = kOneCollection});
    std::ofstream(sysfs.HidDeviceFolder(2) / "uevent") << "HID_ID=garbage\n";

    const auto interfaces = Backend().Enumerate();
    ASSERT_TRUE(interfaces.has_value());
    ASSERT_EQ(interfaces->size(), 1u);
    EXPECT_EQ(interfaces->front().attributes.vendorId, 1);
}

TEST_F(HidrawBackendTest, NoHidrawClassIsAnEmptyListAndNoSysfsIsAFailure) {
    fs::remove_all(folder / "sys" / "class" / "hidraw");
    const auto none = Backend().Enumerate();
    ASSERT_TRUE(none.has_value());
    EXPECT_TRUE(none->empty());
    EXPECT_FALSE(HidrawBackend(folder / "missing", folder / "dev").Enumerate().has_value());
}

TEST_F(HidrawBackendTest, OpenTellsMissingFromNotAHidrawNode) {
    const std::string path = AddKeyboardNode();
    HidrawBackend backend = Backend();
    // The "node" is a plain file: it opens but answers no hidraw request.
    EXPECT_EQ(backend.Open(path).status, OpenStatus::NotSupported);

    fs::remove(folder / "dev" / "hidraw3");
    EXPECT_EQ(backend.Open(path).status, OpenStatus::NotFound);
    EXPECT_EQ(backend.Open(Dev() + "/hidraw9#vid_0c45&pid_7650&mi_01&col03").status,
              OpenStatus::NotFound);
}

TEST_F(HidrawBackendTest, PresenceFollowsTheNodeAndItsSysfsEntry) {
    const std::string path = AddKeyboardNode();
    HidrawBackend backend = Backend();
    EXPECT_TRUE(backend.IsPresent(path));
    EXPECT_FALSE(backend.IsPresent(Dev() + "/hidraw3#vid_0c45&pid_7650&mi_01&col05"));
    EXPECT_FALSE(backend.IsPresent(Dev() + "/hidraw3#vid_0c45&pid_7651&mi_01&col03"));

    fs::remove(folder / "dev" / "hidraw3");
    EXPECT_FALSE(backend.IsPresent(path));
    folder.WriteFile("dev/hidraw3", "");
    sysfs.Remove(3);
    EXPECT_FALSE(backend.IsPresent(path));
}

struct NodePathCase {
    const char* path;
    bool accepted;
};

TEST(HidrawPaths, OnlyHidrawNodesDirectlyUnderTheDeviceRootAreAccepted) {
    const NodePathCase cases[] = {
        {"/dev/hidraw3#vid_0c45&pid_7650&mi_01&col04", true},
        {"/dev/hidraw12", true},
        {"/dev/hidraw#vid_0c45", false},
        {"/dev/hidraw3x#vid_0c45", false},
        {"/dev/../etc/hidraw3", false},
        {"/dev/sub/hidraw3", false},
        {"/tmp/hidraw3", false},
        {"/dev/./hidraw3", false},
        {"", false},
        {"#vid_0c45", false},
    };
    for (const NodePathCase& c : cases) {
        EXPECT_EQ(HidrawNodeOfPath("/dev", c.path).has_value(), c.accepted) << c.path;
    }
}

TEST(HidrawPaths, TokensAreLowerCaseHexWithFixedWidths) {
    const DeviceAttributes attributes{0xABCD, 0x00EF, 0};
    EXPECT_EQ(HidrawCollectionPath("/dev", "hidraw0", attributes, 10, 0),
              "/dev/hidraw0#vid_abcd&pid_00ef&mi_0a");
    EXPECT_EQ(HidrawCollectionPath("/dev", "hidraw0", attributes, 0, 11),
              "/dev/hidraw0#vid_abcd&pid_00ef&mi_00&col0b");
}

}  // namespace
}  // namespace kelno::hid
