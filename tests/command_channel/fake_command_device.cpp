#include "fake_command_device.h"

#include <algorithm>

namespace kelno::test {

class FakeBackend final : public hid::HidBackend {
  public:
    explicit FakeBackend(std::shared_ptr<FakeCommandDevice> device) : device_(std::move(device)) {}
    std::optional<std::vector<hid::InterfaceInfo>> Enumerate() override {
        return std::vector<hid::InterfaceInfo>{};
    }
    hid::OpenResult Open(const std::string&) override {
        std::lock_guard lock(device_->mutex_);
        ++device_->opens_;
        return {device_, hid::OpenStatus::Ok};
    }
    bool IsPresent(const std::string&) override { return true; }

  private:
    std::shared_ptr<FakeCommandDevice> device_;
};

FakeCommandDevice::FakeCommandDevice() {
    responder_ = [](const CommandReport& request) {
        CommandReport answer = EchoAnswer(request);
        const uint16_t offset = static_cast<uint16_t>(request[5] | request[6] << 8);
        for (size_t i = 0; i < kCommandPayloadSize; ++i)
            answer[kCommandPayloadOffset + i] = static_cast<uint8_t>(offset + i);
        return std::vector<CommandReport>{answer};
    };
}

CommandReport FakeCommandDevice::EchoAnswer(const CommandReport& request, uint8_t status) {
    CommandReport answer{};
    answer[0] = kCommandReportId;
    std::copy_n(request.begin() + 3, 4, answer.begin() + 3);
    answer[kCommandStatusOffset] = status;
    return answer;
}

void FakeCommandDevice::SetResponder(Responder responder) {
    std::lock_guard lock(mutex_);
    responder_ = std::move(responder);
}

void FakeCommandDevice::SetWriteHook(std::function<void(const CommandReport&)> hook) {
    std::lock_guard lock(mutex_);
    writeHook_ = std::move(hook);
}

void FakeCommandDevice::FailWrites(bool fail) {
    std::lock_guard lock(mutex_);
    failWrites_ = fail;
}

void FakeCommandDevice::QueueAnswer(const CommandReport& answer) {
    std::lock_guard lock(mutex_);
    answers_.push_back(answer);
}

std::vector<CommandReport> FakeCommandDevice::Written() const {
    std::lock_guard lock(mutex_);
    return written_;
}

size_t FakeCommandDevice::ReadCount() const {
    std::lock_guard lock(mutex_);
    return reads_;
}

int FakeCommandDevice::Opens() const {
    std::lock_guard lock(mutex_);
    return opens_;
}

hid::TransferStatus FakeCommandDevice::WriteReport(std::span<const uint8_t> report,
                                                   std::chrono::milliseconds) {
    CommandReport request{};
    std::copy_n(report.begin(), std::min(report.size(), request.size()), request.begin());
    std::function<void(const CommandReport&)> hook;
    {
        std::lock_guard lock(mutex_);
        written_.push_back(request);
        if (failWrites_) return hid::TransferStatus::Failed;
        for (const auto& answer : responder_(request)) answers_.push_back(answer);
        hook = writeHook_;
    }
    if (hook) hook(request);
    return hid::TransferStatus::Ok;
}

hid::TransferStatus FakeCommandDevice::ReadReport(std::span<uint8_t> buffer, size_t& received,
                                                  std::optional<std::chrono::milliseconds>) {
    std::lock_guard lock(mutex_);
    ++reads_;
    received = 0;
    if (answers_.empty()) return hid::TransferStatus::TimedOut;
    const CommandReport answer = answers_.front();
    answers_.pop_front();
    received = std::min(buffer.size(), answer.size());
    std::copy_n(answer.begin(), received, buffer.begin());
    return hid::TransferStatus::Ok;
}

std::shared_ptr<hid::HidBackend> FakeCommandDevice::Backend() {
    return std::make_shared<FakeBackend>(shared_from_this());
}

}  // namespace kelno::test
