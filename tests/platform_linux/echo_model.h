#pragma once
// A small simulated HID interface for the hidraw backend's tests: a
// consumer collection that sends 16-bit usages as report 3 and a vendor
// collection with 64-byte reports 4 that echoes every report 4 written to
// it as an input report.

#include <condition_variable>
#include <deque>
#include <mutex>

#include "platform/hid/hid_device_model.h"

namespace kelno::test {

class EchoModel final : public hid::HidDeviceModel {
public:
    static constexpr uint8_t kNotifyReport = 3;
    static constexpr uint8_t kCommandReport = 4;
    static constexpr size_t kCommandLength = 64;

    hid::DeviceAttributes Attributes() const override { return {0x0C45, 0x7650, 0x0105}; }
    int InterfaceNumber() const override { return 1; }
    std::vector<uint8_t> ReportDescriptor() const override;
    std::string Name() const override { return "Kelno test echo device"; }

    bool HandleWrite(std::span<const uint8_t> report) override;
    bool HandleSetReport(hid::ReportType type, std::span<const uint8_t> report) override;
    std::optional<std::vector<uint8_t>> NextInputReport(
        std::optional<std::chrono::milliseconds> timeout) override;
    void WakeReaders() override;
    bool IsPlugged() const override;

    // Sends a consumer notification (report 3 carrying the usage).
    void Notify(uint16_t usage);
    void Unplug();
    void FailWrites(bool fail);
    std::vector<std::vector<uint8_t>> Writes() const;
    std::vector<std::vector<uint8_t>> OutputReports() const;

private:
    void Send(std::vector<uint8_t> report);

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::vector<uint8_t>> input_;
    std::vector<std::vector<uint8_t>> writes_;
    std::vector<std::vector<uint8_t>> outputReports_;
    uint64_t wakeGeneration_ = 0;
    bool plugged_ = true;
    bool failWrites_ = false;
};

}  // namespace kelno::test
