#pragma once
// A scripted HID backend with one connection for command channel tests:
// every written report is kept, and a responder decides which answers the
// device queues for it. Reads never wait: an empty queue is a time-out.

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "devices/hid/command_report.h"
#include "platform/hid/hid_backend.h"

namespace kelno::test {

class FakeCommandDevice final : public hid::HidConnection,
                                public std::enable_shared_from_this<FakeCommandDevice> {
  public:
    using Responder = std::function<std::vector<CommandReport>(const CommandReport& request)>;

    // Default device: echoes the request with status 0 and payload bytes
    // equal to the low byte of (offset + index).
    FakeCommandDevice();

    void SetResponder(Responder responder);
    // Called inside WriteReport, after the report was recorded.
    void SetWriteHook(std::function<void(const CommandReport&)> hook);
    void FailWrites(bool fail);
    void QueueAnswer(const CommandReport& answer);

    std::vector<CommandReport> Written() const;
    size_t ReadCount() const;
    int Opens() const;

    static CommandReport EchoAnswer(const CommandReport& request, uint8_t status = 0);

    // hid::HidConnection
    const hid::DeviceAttributes& Attributes() const override { return attributes_; }
    const hid::ReportCollection& Capabilities() const override { return caps_; }
    const std::vector<hid::ReportField>& Fields() const override { return fields_; }
    hid::TransferStatus WriteReport(std::span<const uint8_t> report,
                                    std::chrono::milliseconds timeout) override;
    hid::TransferStatus ReadReport(std::span<uint8_t> buffer, size_t& received,
                                   std::optional<std::chrono::milliseconds> timeout) override;
    void CancelPendingRead() override {}
    void Close() override {}
    hid::TransferStatus SetOutputReport(std::span<const uint8_t>) override {
        return hid::TransferStatus::Failed;
    }

    // A backend that opens this connection on any path.
    std::shared_ptr<hid::HidBackend> Backend();

  private:
    friend class FakeBackend;
    mutable std::mutex mutex_;
    hid::DeviceAttributes attributes_{0x0C45, 0x7650, 0x0105};
    hid::ReportCollection caps_;
    std::vector<hid::ReportField> fields_;
    Responder responder_;
    std::function<void(const CommandReport&)> writeHook_;
    bool failWrites_ = false;
    std::vector<CommandReport> written_;
    std::deque<CommandReport> answers_;
    size_t reads_ = 0;
    int opens_ = 0;
};

}  // namespace kelno::test
