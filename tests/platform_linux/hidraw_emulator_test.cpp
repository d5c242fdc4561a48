// The emulated keyboard behind FUSE-served hidraw nodes: the real backend,
// HID layer and command channel against the firmware the emulator runs.
#include <gtest/gtest.h>

#include <future>

#include "devices/hid/command_channel.h"
#include "devices/hid/hid_device_record.h"
#include "platform/linux/hidraw_backend.h"
#include "platform/sim/sim_devices.h"
#include "support/fuse_hidraw/fake_sysfs.h"
#include "support/fuse_hidraw/fuse_hidraw_server.h"
#include "support/temp_folder.h"

namespace kelno {
namespace {

using namespace std::chrono_literals;

constexpr auto kHangGuard = 10s;

class HidrawEmulatorTest : public testing::Test {
  protected:
    void SetUp() override {
        server = std::make_unique<test::FuseHidrawServer>(folder / "dev");
        if (!server->Mounted()) GTEST_SKIP() << "FUSE not usable here: " << server->Error();
        keyboard = sim::MakeSimDevice(sim::SimKind::Keyboard);
        server->AddNode(5, keyboard);
        const hid::DeviceAttributes ids = keyboard->Attributes();
        sysfs.Add({.number = 5,
                   .vendorId = ids.vendorId,
                   .productId = ids.productId,
                   .interfaceNumber = keyboard->InterfaceNumber(),
                   .bcdDevice = ids.versionNumber,
                   .descriptor = keyboard->ReportDescriptor()});
        backend = std::make_shared<hid::HidrawBackend>(folder / "sys", folder / "dev");
    }

    std::string Path(int collection) const {
        return (folder / "dev").string() + "/hidraw5#vid_0c45&pid_7650&mi_01&col0" +
               std::to_string(collection);
    }

    test::TempFolder folder;
    std::unique_ptr<test::FuseHidrawServer> server;
    test::FakeSysfs sysfs{folder / "sys"};
    std::shared_ptr<sim::SimCommandDevice> keyboard;
    std::shared_ptr<hid::HidrawBackend> backend;
};

TEST_F(HidrawEmulatorTest, KeyboardCollectionsCarryTheCataloguePaths) {
    const auto interfaces = backend->Enumerate();
    ASSERT_TRUE(interfaces.has_value());
    ASSERT_EQ(interfaces->size(), 4u);
    const hid::InterfaceInfo& consumer = (*interfaces)[2];
    const hid::InterfaceInfo& command = (*interfaces)[3];
    EXPECT_EQ(consumer.path, Path(3));
    EXPECT_EQ(consumer.collection.usagePage, 0x000C);
    EXPECT_EQ(consumer.collection.usage, 0x01);
    EXPECT_EQ(command.path, Path(4));
    EXPECT_EQ(command.collection.usagePage, 0xFF1C);
    EXPECT_EQ(command.collection.usage, 0x92);
    EXPECT_EQ(command.collection.inputLengths, (std::map<uint8_t, uint16_t>{{4, 64}}));
}

TEST_F(HidrawEmulatorTest, CommandsAndNotificationsShareTheNodeWithoutMixing) {
    CHidCommandChannel channel(backend);
    ASSERT_TRUE(channel.OpenInterface(Path(4)));
    HidDeviceRecord notifications(backend);
    ASSERT_TRUE(HidOpen(notifications, Path(3), true, true, true, false));

    auto notification = std::async(std::launch::async, [&notifications] {
        std::vector<uint8_t> report(notifications.caps.MaxLength(hid::ReportType::Input));
        size_t received = 0;
        if (!HidReadReport(notifications, report.size(), report.data(), kHidWaitForever,
                           &received)) {
            return uint16_t{0};
        }
        report.resize(received);
        if (!HidUnpackReport(report, hid::ReportType::Input, notifications.inputData,
                             notifications.fields, notifications.caps.usesReportIds) ||
            notifications.inputData.empty()) {
            return uint16_t{0};
        }
        return notifications.inputData[0].usages.at(0);
    });

    std::array<uint8_t, kDeviceInfoSize> info{};
    for (int i = 0; i < 3; ++i) ASSERT_EQ(channel.ReadInfo(info), kChannelOk);
    EXPECT_EQ(info[5], sim::kSimKeyboardKeys);
    EXPECT_EQ(notification.wait_for(0ms), std::future_status::timeout);

    keyboard->Notify(0x401);
    ASSERT_EQ(notification.wait_for(kHangGuard), std::future_status::ready);
    EXPECT_EQ(notification.get(), 0x401);
    EXPECT_EQ(channel.ReadInfo(info), kChannelOk);

    channel.CloseInterface();
    HidClose(notifications);
}

TEST_F(HidrawEmulatorTest, UnplugEndsTheNotificationWaitAndFailsCommands) {
    CHidCommandChannel channel(backend);
    ASSERT_TRUE(channel.OpenInterface(Path(4)));
    HidDeviceRecord notifications(backend);
    ASSERT_TRUE(HidOpen(notifications, Path(3), true, true, true, false));
    auto wait = std::async(std::launch::async, [&notifications] {
        uint8_t report[8];
        return HidReadReport(notifications, sizeof report, report, kHidWaitForever);
    });

    keyboard->SetPlugged(false);
    sysfs.Remove(5);
    ASSERT_EQ(wait.wait_for(kHangGuard), std::future_status::ready);
    EXPECT_EQ(wait.get(), 0);
    std::array<uint8_t, kDeviceInfoSize> info{};
    EXPECT_NE(channel.ReadInfo(info), kChannelOk);
    EXPECT_FALSE(backend->IsPresent(Path(4)));

    channel.CloseInterface();
    HidClose(notifications);
}

}  // namespace
}  // namespace kelno
