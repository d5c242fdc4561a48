// The real hidraw backend against FUSE-served nodes: enumeration, open,
// transfers, cancel, report routing, unplug and refused opens, with the
// blocking waits on real file descriptors.
#include <errno.h>
#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "devices/hid/hid_device_record.h"
#include "platform/linux/hidraw_backend.h"
#include "platform_linux/echo_model.h"
#include "support/fuse_hidraw/fake_sysfs.h"
#include "support/fuse_hidraw/fuse_hidraw_server.h"
#include "support/temp_folder.h"

namespace kelno::hid {

void PrintTo(TransferStatus status, std::ostream* out) {
    *out << ToString(status);
}
void PrintTo(OpenStatus status, std::ostream* out) {
    *out << ToString(status);
}

namespace {

using namespace std::chrono_literals;
using test::EchoModel;

// Hang guards only: every wait below normally ends at once.
constexpr auto kHangGuard = 10s;

std::vector<uint8_t> CommandReport(uint8_t tag) {
    std::vector<uint8_t> report(EchoModel::kCommandLength, 0);
    report[0] = EchoModel::kCommandReport;
    report[1] = tag;
    report[63] = static_cast<uint8_t>(~tag);
    return report;
}

class HidrawFuseTest : public testing::Test {
  protected:
    void SetUp() override {
        server = std::make_unique<test::FuseHidrawServer>(folder / "dev");
        if (!server->Mounted()) GTEST_SKIP() << "FUSE not usable here: " << server->Error();
        Plug(std::make_shared<EchoModel>());
        backend = std::make_shared<HidrawBackend>(folder / "sys", folder / "dev");
    }

    void Plug(std::shared_ptr<EchoModel> next) {
        model = std::move(next);
        server->AddNode(3, model);
        sysfs.Add({.number = 3,
                   .vendorId = 0x0C45,
                   .productId = 0x7650,
                   .interfaceNumber = 1,
                   .bcdDevice = 0x0105,
                   .descriptor = model->ReportDescriptor()});
    }

    std::string Path(int collection) const {
        return (folder / "dev").string() + "/hidraw3#vid_0c45&pid_7650&mi_01&col0" +
               std::to_string(collection);
    }

    std::shared_ptr<HidConnection> OpenOk(int collection) {
        OpenResult result = backend->Open(Path(collection));
        EXPECT_EQ(result.status, OpenStatus::Ok) << ToString(result.status);
        return result.connection;
    }

    // Reads one report in the background; the future holds status and bytes.
    using ReadOutcome = std::pair<TransferStatus, std::vector<uint8_t>>;
    static std::future<ReadOutcome> ReadInBackground(
        std::shared_ptr<HidConnection> connection,
        std::optional<std::chrono::milliseconds> timeout = std::nullopt) {
        return std::async(std::launch::async, [connection, timeout] {
            std::vector<uint8_t> buffer(64);
            size_t received = 0;
            const TransferStatus status = connection->ReadReport(buffer, received, timeout);
            buffer.resize(received);
            return ReadOutcome{status, buffer};
        });
    }

    test::TempFolder folder;
    std::unique_ptr<test::FuseHidrawServer> server;
    test::FakeSysfs sysfs{folder / "sys"};
    std::shared_ptr<EchoModel> model;
    std::shared_ptr<HidrawBackend> backend;
};

TEST_F(HidrawFuseTest, EnumeratesOnePathPerCollection) {
    const auto interfaces = backend->Enumerate();
    ASSERT_TRUE(interfaces.has_value());
    ASSERT_EQ(interfaces->size(), 2u);
    EXPECT_EQ((*interfaces)[0].path, Path(1));
    EXPECT_EQ((*interfaces)[0].collection.usagePage, 0x000C);
    EXPECT_EQ((*interfaces)[1].path, Path(2));
    EXPECT_EQ((*interfaces)[1].collection.usagePage, 0xFF1C);
    EXPECT_EQ((*interfaces)[1].collection.MaxLength(ReportType::Input), 64);
    EXPECT_TRUE((*interfaces)[1].accessible);
    EXPECT_TRUE(backend->IsPresent(Path(2)));
}

TEST_F(HidrawFuseTest, WrittenReportComesBackOnTheCommandCollection) {
    const auto connection = OpenOk(2);
    ASSERT_TRUE(connection);
    EXPECT_EQ(connection->Attributes(), (DeviceAttributes{0x0C45, 0x7650, 0x0105}));
    EXPECT_EQ(connection->Capabilities().usage, 0x92);

    const auto report = CommandReport(0x21);
    ASSERT_EQ(connection->WriteReport(report, 1000ms), TransferStatus::Ok);
    EXPECT_EQ(model->Writes(), std::vector<std::vector<uint8_t>>{report});

    std::vector<uint8_t> buffer(64);
    size_t received = 0;
    ASSERT_EQ(connection->ReadReport(buffer, received, 5000ms), TransferStatus::Ok);
    EXPECT_EQ(received, 64u);
    EXPECT_EQ(buffer, report);

    // A short buffer gets the start of the report.
    ASSERT_EQ(connection->WriteReport(CommandReport(0x22), 1000ms), TransferStatus::Ok);
    std::vector<uint8_t> shortBuffer(8);
    ASSERT_EQ(connection->ReadReport(shortBuffer, received, 5000ms), TransferStatus::Ok);
    EXPECT_EQ(received, 8u);
    EXPECT_EQ(shortBuffer[1], 0x22);

    model->FailWrites(true);
    EXPECT_EQ(connection->WriteReport(report, 1000ms), TransferStatus::Failed);
    connection->Close();
    EXPECT_EQ(connection->WriteReport(report, 1000ms), TransferStatus::Cancelled);
}

TEST_F(HidrawFuseTest, ReadWithNothingToReadTimesOut) {
    const auto connection = OpenOk(2);
    ASSERT_TRUE(connection);
    std::vector<uint8_t> buffer(64);
    size_t received = 99;
    EXPECT_EQ(connection->ReadReport(buffer, received, 30ms), TransferStatus::TimedOut);
    EXPECT_EQ(received, 0u);
}

TEST_F(HidrawFuseTest, CancelFromAnotherThreadEndsAReadWithoutTimeout) {
    const auto connection = OpenOk(1);
    ASSERT_TRUE(connection);
    auto read = ReadInBackground(connection);
    std::this_thread::sleep_for(20ms);  // usually blocked by now; a kept cancel works too
    connection->CancelPendingRead();
    ASSERT_EQ(read.wait_for(kHangGuard), std::future_status::ready);
    EXPECT_EQ(read.get().first, TransferStatus::Cancelled);

    // One cancel ends one read: the next one reads normally.
    model->Notify(0x401);
    std::vector<uint8_t> buffer(64);
    size_t received = 0;
    EXPECT_EQ(connection->ReadReport(buffer, received, 5000ms), TransferStatus::Ok);
}

TEST_F(HidrawFuseTest, InputReportsGoToTheCollectionOwningTheirId) {
    const auto notifications = OpenOk(1);
    const auto commands = OpenOk(2);
    ASSERT_TRUE(notifications && commands);

    // The notification reader waits without time-out while commands run on
    // the other collection of the same node.
    auto notification = ReadInBackground(notifications);
    for (uint8_t tag = 1; tag <= 5; ++tag) {
        ASSERT_EQ(commands->WriteReport(CommandReport(tag), 1000ms), TransferStatus::Ok);
        std::vector<uint8_t> answer(64);
        size_t received = 0;
        ASSERT_EQ(commands->ReadReport(answer, received, 5000ms), TransferStatus::Ok);
        EXPECT_EQ(answer[0], EchoModel::kCommandReport);
        EXPECT_EQ(answer[1], tag);
    }
    EXPECT_EQ(notification.wait_for(0ms), std::future_status::timeout);

    model->Notify(0x0401);
    ASSERT_EQ(notification.wait_for(kHangGuard), std::future_status::ready);
    const auto [status, report] = notification.get();
    EXPECT_EQ(status, TransferStatus::Ok);
    EXPECT_EQ(report, (std::vector<uint8_t>{3, 0x01, 0x04}));

    // Nothing of the notification reached the command collection.
    std::vector<uint8_t> buffer(64);
    size_t received = 0;
    EXPECT_EQ(commands->ReadReport(buffer, received, 30ms), TransferStatus::TimedOut);
}

TEST_F(HidrawFuseTest, UnplugEndsAWaitingReadAndThePath) {
    const auto connection = OpenOk(1);
    ASSERT_TRUE(connection);
    auto read = ReadInBackground(connection);
    std::this_thread::sleep_for(20ms);
    model->Unplug();
    sysfs.Remove(3);
    ASSERT_EQ(read.wait_for(kHangGuard), std::future_status::ready);
    EXPECT_EQ(read.get().first, TransferStatus::Disconnected);
    EXPECT_EQ(connection->WriteReport(CommandReport(1), 1000ms), TransferStatus::Disconnected);
    EXPECT_FALSE(backend->IsPresent(Path(1)));
    EXPECT_EQ(backend->Open(Path(1)).status, OpenStatus::NotFound);
}

TEST_F(HidrawFuseTest, ADifferentDeviceUnderTheSameNodeIsNotTheOneOpened) {
    auto old = OpenOk(2);
    ASSERT_TRUE(old);
    model->Unplug();
    sysfs.Remove(3);
    Plug(std::make_shared<EchoModel>());

    EXPECT_FALSE(backend->IsPresent(Path(2)));
    std::vector<uint8_t> buffer(64);
    size_t received = 0;
    EXPECT_EQ(old->ReadReport(buffer, received, 5000ms), TransferStatus::Disconnected);

    // Opening the path again takes the new device, which is then present.
    const auto fresh = OpenOk(2);
    ASSERT_TRUE(fresh);
    EXPECT_TRUE(backend->IsPresent(Path(2)));
    EXPECT_EQ(fresh->WriteReport(CommandReport(7), 1000ms), TransferStatus::Ok);
    EXPECT_EQ(fresh->ReadReport(buffer, received, 5000ms), TransferStatus::Ok);
}

TEST_F(HidrawFuseTest, RefusedOpenIsReportedAsPermissionDenied) {
    server->RefuseOpen(3, EACCES);
    EXPECT_EQ(backend->Open(Path(2)).status, OpenStatus::PermissionDenied);

    HidDeviceRecord record(backend);
    EXPECT_FALSE(HidOpen(record, Path(2), true, true, true, false));
    EXPECT_EQ(record.lastOpenStatus, OpenStatus::PermissionDenied);
}

TEST_F(HidrawFuseTest, OutputReportGoesThroughTheControlRequest) {
    const auto connection = OpenOk(2);
    ASSERT_TRUE(connection);
    const std::vector<uint8_t> report{4, 0xAA, 0xBB, 0xCC};
    EXPECT_EQ(connection->SetOutputReport(report), TransferStatus::Ok);
    EXPECT_EQ(model->OutputReports(), std::vector<std::vector<uint8_t>>{report});
    EXPECT_TRUE(model->Writes().empty());

    HidDeviceRecord record(backend);
    ASSERT_TRUE(HidOpen(record, Path(2), true, true, true, false));
    EXPECT_EQ(HidSetOutputReport(record, report.size(), report.data()), 1);
    EXPECT_EQ(model->OutputReports().size(), 2u);
    model->Unplug();
    EXPECT_EQ(HidSetOutputReport(record, report.size(), report.data()), 0);
}

TEST_F(HidrawFuseTest, RecordReadWithoutLimitEndsWhenAnotherThreadClosesIt) {
    HidDeviceRecord record(backend);
    ASSERT_TRUE(HidOpen(record, Path(1), true, true, true, false));
    ASSERT_EQ(record.inputData.size(), 1u);
    auto read = std::async(std::launch::async, [&record] {
        uint8_t buffer[8];
        return HidReadReport(record, sizeof buffer, buffer, kHidWaitForever);
    });
    std::this_thread::sleep_for(20ms);
    HidClose(record);
    ASSERT_EQ(read.wait_for(kHangGuard), std::future_status::ready);
    EXPECT_EQ(read.get(), 0);
}

}  // namespace
}  // namespace kelno::hid
