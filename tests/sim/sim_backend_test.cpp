#include "platform/sim/sim_backend.h"

#include <gtest/gtest.h>

#include <functional>

#include <future>
#include <thread>

#include "platform/sim/sim_devices.h"
#include "platform/sim/sim_report_descriptors.h"

namespace kelno::sim {
namespace {

using namespace std::chrono_literals;

struct NodeCase {
    SimKind kind;
    std::vector<std::string> paths;
    size_t commandCollection;  // index of the collection with the vendor page
    size_t notifyCollection;
};

void PrintTo(const NodeCase& c, std::ostream* os) {
    *os << SimKindName(c.kind);
}

class SimNodes : public testing::TestWithParam<NodeCase> {};

TEST_P(SimNodes, CollectionsAndPathsFollowTheDescriptor) {
    const NodeCase& c = GetParam();
    SimHidBackend backend;
    ASSERT_TRUE(backend.AddNode(std::string(SimKindName(c.kind)), MakeSimDevice(c.kind)));
    EXPECT_EQ(backend.Paths(std::string(SimKindName(c.kind))), c.paths);

    const auto interfaces = backend.Enumerate();
    ASSERT_TRUE(interfaces);
    ASSERT_EQ(interfaces->size(), c.paths.size());
    const hid::InterfaceInfo& command = (*interfaces)[c.commandCollection];
    EXPECT_EQ(command.attributes, SimKindIds(c.kind));
    const bool headset = c.kind == SimKind::Headset;
    EXPECT_EQ(command.collection.usagePage, headset ? 0x000C : 0xFF1C);
    EXPECT_EQ(command.collection.usage, headset ? 0x01 : 0x92);
    EXPECT_EQ(command.collection.inputLengths.at(kCommandReportId), 64);
    EXPECT_EQ(command.collection.outputLengths.at(kCommandReportId), 64);
    const hid::InterfaceInfo& notify = (*interfaces)[c.notifyCollection];
    EXPECT_EQ(notify.collection.usagePage, 0x000C);
    EXPECT_EQ(notify.collection.usage, 0x01);
    if (headset) {
        EXPECT_EQ(command.collection.outputLengths.at(kHeadsetLedReportId), 17);
    }
}

INSTANTIATE_TEST_SUITE_P(
    AllKinds, SimNodes,
    testing::Values(NodeCase{SimKind::Keyboard,
                             {"/sim/keyboard#vid_0c45&pid_7650&mi_01&col01",
                              "/sim/keyboard#vid_0c45&pid_7650&mi_01&col02",
                              "/sim/keyboard#vid_0c45&pid_7650&mi_01&col03",
                              "/sim/keyboard#vid_0c45&pid_7650&mi_01&col04"},
                             3,
                             2},
                    NodeCase{SimKind::Mouse,
                             {"/sim/mouse#vid_0c45&pid_7652&mi_01&col01",
                              "/sim/mouse#vid_0c45&pid_7652&mi_01&col02",
                              "/sim/mouse#vid_0c45&pid_7652&mi_01&col03",
                              "/sim/mouse#vid_0c45&pid_7652&mi_01&col04"},
                             3,
                             2},
                    NodeCase{SimKind::MousePad,
                             {"/sim/mousepad#vid_0c45&pid_7653&mi_01&col01",
                              "/sim/mousepad#vid_0c45&pid_7653&mi_01&col02",
                              "/sim/mousepad#vid_0c45&pid_7653&mi_01&col03",
                              "/sim/mousepad#vid_0c45&pid_7653&mi_01&col04"},
                             3,
                             2},
                    NodeCase{SimKind::Headset, {"/sim/headset#vid_0c45&pid_7654&mi_03"}, 0, 0}));

// A model whose descriptor is garbage is refused, never half-added.
class BrokenModel final : public hid::HidDeviceModel {
  public:
    hid::DeviceAttributes Attributes() const override { return {}; }
    int InterfaceNumber() const override { return 0; }
    std::vector<uint8_t> ReportDescriptor() const override { return {0xA1, 0x01, 0xA1}; }
    std::string Name() const override { return "broken"; }
    bool HandleWrite(std::span<const uint8_t>) override { return false; }
    bool HandleSetReport(hid::ReportType, std::span<const uint8_t>) override { return false; }
    std::optional<std::vector<uint8_t>> NextInputReport(
        std::optional<std::chrono::milliseconds>) override {
        return std::nullopt;
    }
    void WakeReaders() override {}
    bool IsPlugged() const override { return true; }
};

// Detection sleeps until the backend says something changed, so every
// change of what it offers must be announced.
TEST(SimHidBackend, EveryChangeOfWhatItOffersIsAnnounced) {
    auto backend = std::make_shared<SimHidBackend>();
    const auto watch = backend->WatchHotplug();
    ASSERT_NE(watch, nullptr);
    auto keyboard = MakeSimDevice(SimKind::Keyboard);
    const std::string path = "/sim/keyboard#vid_0c45&pid_7650&mi_01&col01";
    struct Step {
        const char* what;
        std::function<void()> change;
    };
    const Step steps[] = {
        {"node added", [&] { backend->AddNode("keyboard", keyboard); }},
        {"model unplugged", [&] { keyboard->SetPlugged(false); }},
        {"model plugged", [&] { keyboard->SetPlugged(true); }},
        {"open refused", [&] { backend->RefuseOpen(path, hid::OpenStatus::PermissionDenied); }},
        {"refusal lifted", [&] { backend->RefuseOpen(path, hid::OpenStatus::Ok); }},
        {"listing fails", [&] { backend->SetEnumerationFails(true); }},
        {"node removed", [&] { backend->RemoveNode("keyboard"); }},
    };
    std::stop_source stop;
    for (const Step& step : steps) {
        EXPECT_FALSE(watch->WaitForChange(stop.get_token(), std::chrono::milliseconds(1)))
            << "before " << step.what;
        step.change();
        EXPECT_TRUE(watch->WaitForChange(stop.get_token(), std::chrono::milliseconds(1)))
            << step.what;
    }
}

TEST(SimHidBackend, RefusesBadNodes) {
    SimHidBackend backend;
    EXPECT_FALSE(backend.AddNode("broken", std::make_shared<BrokenModel>()));
    EXPECT_FALSE(backend.AddNode("a/b", MakeSimDevice(SimKind::Keyboard)));
    EXPECT_FALSE(backend.AddNode("", MakeSimDevice(SimKind::Keyboard)));
    EXPECT_TRUE(backend.AddNode("keyboard", MakeSimDevice(SimKind::Keyboard)));
    EXPECT_FALSE(backend.AddNode("keyboard", MakeSimDevice(SimKind::Keyboard)));
    EXPECT_EQ(backend.Enumerate()->size(), 4u);
}

class SimKeyboardNode : public testing::Test {
  protected:
    SimKeyboardNode() : device(MakeSimDevice(SimKind::Keyboard)) {
        EXPECT_TRUE(backend.AddNode("keyboard", device));
        const auto paths = backend.Paths("keyboard");
        notifyPath = paths.at(2);
        commandPath = paths.at(3);
    }
    std::shared_ptr<hid::HidConnection> OpenOk(const std::string& path) {
        auto result = backend.Open(path);
        EXPECT_EQ(result.status, hid::OpenStatus::Ok);
        return result.connection;
    }
    static std::vector<uint8_t> StartRequest() {
        std::vector<uint8_t> r(64, 0);
        r[0] = 4;
        r[3] = 1;
        r[1] = 1;  // checksum of bytes 3..63
        return r;
    }
    static std::optional<std::vector<uint8_t>> Read(hid::HidConnection& c,
                                                    std::optional<std::chrono::milliseconds> t) {
        std::vector<uint8_t> buffer(64);
        size_t received = 0;
        if (c.ReadReport(buffer, received, t) != hid::TransferStatus::Ok) return std::nullopt;
        buffer.resize(received);
        return buffer;
    }

    SimHidBackend backend;
    std::shared_ptr<SimCommandDevice> device;
    std::string notifyPath, commandPath;
};

TEST_F(SimKeyboardNode, InputReportsGoToTheCollectionThatOwnsTheirId) {
    auto notify = OpenOk(notifyPath);
    auto command = OpenOk(commandPath);
    device->Notify(0x401);
    ASSERT_EQ(command->WriteReport(StartRequest(), 1000ms), hid::TransferStatus::Ok);

    // Whichever reader pulls first, each gets only its own collection's report.
    const auto answer = Read(*command, 10s);
    ASSERT_TRUE(answer);
    EXPECT_EQ((*answer)[0], 4);
    EXPECT_EQ((*answer)[3], 1);
    EXPECT_EQ(Read(*notify, 10s), (std::vector<uint8_t>{3, 0x01, 0x04}));
    EXPECT_EQ(Read(*command, 0ms), std::nullopt);
    EXPECT_EQ(Read(*notify, 0ms), std::nullopt);
}

TEST_F(SimKeyboardNode, AZeroTimeOutPollsTheDevice) {
    auto notify = OpenOk(notifyPath);
    EXPECT_EQ(Read(*notify, 0ms), std::nullopt);
    device->Notify(0x404);
    EXPECT_EQ(Read(*notify, 0ms), (std::vector<uint8_t>{3, 0x04, 0x04}));
}

TEST_F(SimKeyboardNode, ABlockedNotificationReaderPassesAnswersOn) {
    auto notify = OpenOk(notifyPath);
    auto command = OpenOk(commandPath);
    std::promise<std::optional<std::vector<uint8_t>>> notified;
    std::thread reader([&] { notified.set_value(Read(*notify, std::nullopt)); });
    // The reader waits without a time-out; command answers must still reach
    // the command connection.
    for (int i = 0; i < 20; ++i) {
        ASSERT_EQ(command->WriteReport(StartRequest(), 1000ms), hid::TransferStatus::Ok);
        const auto answer = Read(*command, 10s);
        ASSERT_TRUE(answer) << i;
        EXPECT_EQ((*answer)[3], 1);
    }
    device->PressKey(17);
    auto result = notified.get_future();
    EXPECT_EQ(result.get(), (std::vector<uint8_t>{3, 0x11, 0x05}));
    reader.join();
}

TEST_F(SimKeyboardNode, CancelCloseAndUnplugEndABlockedRead) {
    struct Case {
        const char* name;
        std::function<void(hid::HidConnection&)> act;
        hid::TransferStatus expected;
    };
    const Case cases[] = {
        {"cancel", [](hid::HidConnection& c) { c.CancelPendingRead(); },
         hid::TransferStatus::Cancelled},
        {"close", [](hid::HidConnection& c) { c.Close(); }, hid::TransferStatus::Cancelled},
        {"unplug", [&](hid::HidConnection&) { device->SetPlugged(false); },
         hid::TransferStatus::Disconnected},
        {"remove", [&](hid::HidConnection&) { backend.RemoveNode("keyboard"); },
         hid::TransferStatus::Disconnected},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        device->SetPlugged(true);
        if (!backend.Model("keyboard")) {
            ASSERT_TRUE(backend.AddNode("keyboard", device));
        }
        auto connection = OpenOk(notifyPath);
        ASSERT_TRUE(connection);
        std::promise<void> started;
        auto status = std::async(std::launch::async, [&] {
            std::vector<uint8_t> buffer(64);
            size_t received = 0;
            started.set_value();
            return connection->ReadReport(buffer, received, std::nullopt);
        });
        started.get_future().wait();
        std::this_thread::sleep_for(5ms);  // let the read block (either order must work)
        c.act(*connection);
        ASSERT_EQ(status.wait_for(30s), std::future_status::ready) << "the read must wake";
        EXPECT_EQ(status.get(), c.expected);
    }
}

TEST_F(SimKeyboardNode, ACancelWithNoReadWaitingEndsTheNextRead) {
    auto connection = OpenOk(notifyPath);
    connection->CancelPendingRead();
    std::vector<uint8_t> buffer(8);
    size_t received = 0;
    EXPECT_EQ(connection->ReadReport(buffer, received, std::nullopt),
              hid::TransferStatus::Cancelled);
    EXPECT_EQ(connection->ReadReport(buffer, received, 0ms), hid::TransferStatus::TimedOut);
}

TEST_F(SimKeyboardNode, PresenceOpenRefusalAndEnumerationFaults) {
    EXPECT_TRUE(backend.IsPresent(commandPath));
    EXPECT_FALSE(backend.IsPresent(commandPath + "x"));
    backend.RefuseOpen(commandPath, hid::OpenStatus::PermissionDenied);
    EXPECT_EQ(backend.Open(commandPath).status, hid::OpenStatus::PermissionDenied);
    EXPECT_FALSE(backend.Enumerate()->at(3).accessible);
    backend.RefuseOpen(commandPath, hid::OpenStatus::Ok);
    EXPECT_EQ(backend.Open(commandPath).status, hid::OpenStatus::Ok);
    EXPECT_EQ(backend.OpenAttempts().size(), 2u);

    backend.SetEnumerationFails(true);
    EXPECT_FALSE(backend.Enumerate());
    backend.SetEnumerationFails(false);

    auto connection = OpenOk(commandPath);
    device->SetPlugged(false);
    EXPECT_FALSE(backend.IsPresent(commandPath));
    EXPECT_TRUE(backend.Enumerate()->empty());
    EXPECT_EQ(backend.Open(commandPath).status, hid::OpenStatus::NotFound);
    EXPECT_EQ(connection->WriteReport(StartRequest(), 1000ms), hid::TransferStatus::Disconnected);
    device->SetPlugged(true);
    EXPECT_TRUE(backend.IsPresent(commandPath));
}

TEST(SimHeadset, TakesLedOutputReportsOfSeventeenBytesOnly) {
    SimHidBackend backend;
    auto headset = MakeSimDevice(SimKind::Headset);
    ASSERT_TRUE(backend.AddNode("headset", headset));
    auto connection = backend.Open(backend.Paths("headset").at(0)).connection;
    ASSERT_TRUE(connection);
    std::vector<uint8_t> report(17, 0);
    report[0] = 0xFF;
    report[1] = 0x22;
    report[2] = 0xAA;
    report[3] = 200;
    EXPECT_EQ(connection->SetOutputReport(report), hid::TransferStatus::Ok);
    std::vector<uint8_t> shortReport(report.begin(), report.begin() + 16);
    EXPECT_EQ(connection->SetOutputReport(shortReport), hid::TransferStatus::Failed);
    report[2] = 0xB0;
    EXPECT_EQ(connection->SetOutputReport(report), hid::TransferStatus::Failed);
    ASSERT_EQ(headset->LedReports().size(), 1u);
    EXPECT_EQ(headset->LedReports()[0][3], 200);
    // Keyboards take no LED output reports.
    SimHidBackend other;
    ASSERT_TRUE(other.AddNode("keyboard", MakeSimDevice(SimKind::Keyboard)));
    auto keyboard = other.Open(other.Paths("keyboard").at(3)).connection;
    report[2] = 0xAA;
    EXPECT_EQ(keyboard->SetOutputReport(report), hid::TransferStatus::Failed);
}

}  // namespace
}  // namespace kelno::sim
