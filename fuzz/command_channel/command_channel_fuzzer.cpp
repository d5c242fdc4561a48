// The command channel against a device whose answers are arbitrary bytes:
// short, long, foreign, silent or failing. Every operation must end in a
// result code without reading or writing out of bounds.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "devices/hid/command_channel.h"

namespace {

using namespace kelno;

// Plays back the fuzz input: per report the host writes, one control byte
// (bit 0: the write fails, bits 1-2: how many answers follow), then per
// answer a length byte and that many bytes.
class ScriptedConnection final : public hid::HidConnection {
  public:
    ScriptedConnection(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    const hid::DeviceAttributes& Attributes() const override { return attributes_; }
    const hid::ReportCollection& Capabilities() const override { return caps_; }
    const std::vector<hid::ReportField>& Fields() const override { return fields_; }

    hid::TransferStatus WriteReport(std::span<const uint8_t>, std::chrono::milliseconds) override {
        const uint8_t control = Next();
        if (control & 0x01) return hid::TransferStatus::Failed;
        for (int i = 0; i < ((control >> 1) & 0x03); ++i) {
            std::vector<uint8_t> answer(Next());
            for (auto& b : answer) b = Next();
            answers_.push_back(std::move(answer));
        }
        return hid::TransferStatus::Ok;
    }
    hid::TransferStatus ReadReport(std::span<uint8_t> buffer, size_t& received,
                                   std::optional<std::chrono::milliseconds>) override {
        received = 0;
        if (answers_.empty()) return hid::TransferStatus::TimedOut;
        const std::vector<uint8_t> answer = std::move(answers_.front());
        answers_.pop_front();
        received = std::min(buffer.size(), answer.size());
        std::copy_n(answer.begin(), received, buffer.begin());
        return hid::TransferStatus::Ok;
    }
    void CancelPendingRead() override {}
    void Close() override {}
    hid::TransferStatus SetOutputReport(std::span<const uint8_t>) override {
        return hid::TransferStatus::Failed;
    }

    bool Exhausted() const { return at_ >= size_; }
    uint8_t Next() { return at_ < size_ ? data_[at_++] : 0; }

  private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
    hid::DeviceAttributes attributes_{0x0C45, 0x7650, 1};
    hid::ReportCollection caps_;
    std::vector<hid::ReportField> fields_;
    std::deque<std::vector<uint8_t>> answers_;
};

class OneConnectionBackend final : public hid::HidBackend {
  public:
    explicit OneConnectionBackend(std::shared_ptr<ScriptedConnection> c) : c_(std::move(c)) {}
    std::optional<std::vector<hid::InterfaceInfo>> Enumerate() override { return std::nullopt; }
    hid::OpenResult Open(const std::string&) override { return {c_, hid::OpenStatus::Ok}; }
    bool IsPresent(const std::string&) override { return true; }

  private:
    std::shared_ptr<ScriptedConnection> c_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto connection = std::make_shared<ScriptedConnection>(data, size);
    CHidCommandChannel channel(std::make_shared<OneConnectionBackend>(connection));
    if (!channel.OpenInterface("fuzz")) return 0;
    std::array<uint8_t, kDeviceInfoSize> info{};
    std::vector<uint8_t> buffer(512);
    std::array<uint8_t, 64> answer{};
    // The device decides the key count, as a real one does.
    for (int step = 0; step < 64 && !connection->Exhausted(); ++step) {
        switch (connection->Next() % 12) {
            case 0:
                channel.SendStart();
                break;
            case 1:
                if (channel.ReadInfo(info) == kChannelOk)
                    channel.SetDataSize(static_cast<uint16_t>(3 * info[5]));
                break;
            case 2:
                channel.ReadMemory(std::span(buffer).first(connection->Next()), 0);
                break;
            case 3:
                channel.WriteMemory(std::span(buffer).first(connection->Next()), 0xFFC0);
                break;
            case 4:
                channel.ReadKeyMap(buffer);
                break;
            case 5:
                channel.WriteKeyMap(buffer, 0);
                break;
            case 6:
                channel.ReadKeyLeds(buffer);
                break;
            case 7:
                channel.WriteKeyLights(std::span(buffer).first(connection->Next() % 64), 3);
                break;
            case 8:
                channel.ReadStatus(std::span(buffer).first(connection->Next() % 64), 0);
                break;
            case 9:
                channel.SendLightFrame(std::span(buffer).first(connection->Next()));
                break;
            case 10:
                channel.ProbeLink();
                break;
            case 11:
                channel.Transact(std::span(buffer).first(connection->Next()), answer);
                break;
        }
    }
    return 0;
}
