#include "devices/hid/hid_device_record.h"

#include <gtest/gtest.h>

#include "platform/hid/hex_bytes.h"

namespace kelno {
namespace {

using hid::OpenStatus;

// A consumer collection with a 2-element usage array (report 2).
constexpr const char* kDescriptor =
    "05 0c 09 01 a1 01 85 02 19 00 2a ff 0f 15 00 26 ff 0f 75 10 95 02 81 00 c0";

class FakeConnection final : public hid::HidConnection {
public:
    FakeConnection() {
        parsed_ = hid::ParseReportDescriptor(hid::ParseHexBytes(kDescriptor).value());
    }
    const hid::DeviceAttributes& Attributes() const override { return attributes_; }
    const hid::ReportCollection& Capabilities() const override {
        return parsed_.collections.at(0).info;
    }
    const std::vector<hid::ReportField>& Fields() const override {
        return parsed_.collections.at(0).fields;
    }
    hid::TransferStatus WriteReport(std::span<const uint8_t>, std::chrono::milliseconds) override {
        return hid::TransferStatus::Ok;
    }
    hid::TransferStatus ReadReport(std::span<uint8_t> buffer, size_t& received,
                                   std::optional<std::chrono::milliseconds>) override {
        const uint8_t report[] = {0x02, 0x01, 0x04, 0x00, 0x00};
        received = std::min(buffer.size(), sizeof report);
        std::copy_n(report, received, buffer.begin());
        return hid::TransferStatus::Ok;
    }
    void CancelPendingRead() override {}
    void Close() override { closed = true; }
    hid::TransferStatus SetOutputReport(std::span<const uint8_t>) override {
        return hid::TransferStatus::Ok;
    }

    bool closed = false;

private:
    hid::DeviceAttributes attributes_{0x0C45, 0x7650, 0x0100};
    hid::ParsedDescriptor parsed_;
};

class FakeBackend final : public hid::HidBackend {
public:
    std::optional<std::vector<hid::InterfaceInfo>> Enumerate() override { return std::nullopt; }
    hid::OpenResult Open(const std::string&) override {
        if (refuse != OpenStatus::Ok) return {nullptr, refuse};
        last = std::make_shared<FakeConnection>();
        return {last, OpenStatus::Ok};
    }
    bool IsPresent(const std::string&) override { return true; }

    OpenStatus refuse = OpenStatus::Ok;
    std::shared_ptr<FakeConnection> last;
};

TEST(HidDeviceRecord, OpenBuildsTheDataArraysAndUnpacksAReadReport) {
    auto backend = std::make_shared<FakeBackend>();
    HidDeviceRecord record(backend);
    ASSERT_TRUE(
        HidOpen(record, "/dev/hidraw3#vid_0c45&pid_7650&mi_01&col03", true, true, true, false));
    EXPECT_EQ(record.interfaceNumber, 1);
    EXPECT_EQ(record.collectionNumber, 3);
    ASSERT_EQ(record.inputData.size(), 1u);
    EXPECT_TRUE(record.outputData.empty());

    uint8_t report[5] = {};
    size_t received = 0;
    ASSERT_NE(HidReadReport(record, sizeof report, report, 100, &received), 0);
    ASSERT_TRUE(HidUnpackReport(std::span(report, received), hid::ReportType::Input,
                                record.inputData, record.fields, record.caps.usesReportIds));
    EXPECT_EQ(record.inputData[0].usages[0], 0x401);
}

TEST(HidDeviceRecord, ReopenAndCloseReleaseThePreviousOpen) {
    auto backend = std::make_shared<FakeBackend>();
    HidDeviceRecord record(backend);
    ASSERT_TRUE(HidOpen(record, "/dev/hidraw0", true, true, true, false));
    EXPECT_EQ(record.interfaceNumber, 0);
    EXPECT_EQ(record.collectionNumber, 0);
    const auto first = backend->last;

    backend->refuse = OpenStatus::PermissionDenied;
    EXPECT_FALSE(HidOpen(record, "/dev/hidraw1", true, true, true, false));
    EXPECT_TRUE(first->closed);
    EXPECT_FALSE(record.IsOpen());
    EXPECT_EQ(record.lastOpenStatus, OpenStatus::PermissionDenied);
    EXPECT_TRUE(record.inputData.empty());
    EXPECT_TRUE(record.fields.empty());

    uint8_t buffer[8];
    EXPECT_EQ(HidReadReport(record, sizeof buffer, buffer, 10), 0);
}

}  // namespace
}  // namespace kelno
