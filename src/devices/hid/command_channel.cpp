#include "devices/hid/command_channel.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "core/debug_output.h"

namespace kelno {
namespace {

constexpr uint32_t kTimeoutMs = 1000;
constexpr uint32_t kWirelessTimeoutMs = 5000;
constexpr auto kPauseBeforeFinish = std::chrono::milliseconds(10);
// The offset field is 16 bits: a transfer must not need offsets past it.
constexpr uint32_t kAddressSpace = 0x10000;

CommandReport ToReport(std::span<const uint8_t> bytes) {
    CommandReport report{};
    std::copy_n(bytes.begin(), std::min(bytes.size(), report.size()), report.begin());
    return report;
}

void WriteReportLines(const char* title, const CommandReport& report) {
    DebugOutput(title);
    for (const std::string& line : FormatCommandReport(report)) DebugOutput(line);
}

void CopyAnswer(const CommandReport& answer, std::span<uint8_t> out, size_t* count,
                size_t received) {
    std::fill(out.begin(), out.end(), 0);
    std::copy_n(answer.begin(), std::min(out.size(), answer.size()), out.begin());
    if (count) *count = received;
}

bool FitsAddressSpace(uint32_t start, size_t length) {
    return start <= kAddressSpace && length <= kAddressSpace - start;
}

}  // namespace

CHidCommandChannel::CHidCommandChannel(std::shared_ptr<hid::HidBackend> backend, SteadyTime& time)
    : record_(std::move(backend)), time_(time) {}

CHidCommandChannel::~CHidCommandChannel() {
    CloseInterface();
}

bool CHidCommandChannel::OpenInterface(const std::string& path, bool wireless) {
    std::lock_guard lock(transferLock_);
    open_ = false;
    if (!HidOpen(record_, path, true, true, true, false)) return false;
    wireless_ = wireless;
    ++openings_;
    open_ = true;
    return true;
}

void CHidCommandChannel::CloseInterface() {
    open_ = false;
    // A transaction may be waiting up to its time-out for an answer while
    // holding transferLock; ending the connection first releases it at once.
    if (const auto connection = record_.Connection()) connection->Close();
    std::lock_guard lock(transferLock_);
    HidClose(record_);
}

bool CHidCommandChannel::SetDataSize(uint16_t size) {
    if (size > kMaxDataSize) return false;
    dataSize_ = size;
    return true;
}

uint32_t CHidCommandChannel::TimeoutMs(Lane lane) const {
    return lane == Lane::Command && wireless_ ? kWirelessTimeoutMs : kTimeoutMs;
}

namespace {
// Reports of other ids read past in one exchange, at most (a device that
// floods them cannot hold a transaction forever).
constexpr int kMaxForeignReports = 16;
}  // namespace

CHidCommandChannel::Outcome CHidCommandChannel::Exchange(const CommandReport& request,
                                                         CommandReport& answer, Lane lane) {
    Outcome outcome;
    answer.fill(0);
    std::lock_guard lock(transferLock_);
    if (!open_) return outcome;
    const uint32_t timeout = TimeoutMs(lane);
    if (HidWriteReport(record_, request.size(), request.data(), timeout) <= 0) {
        outcome.result = kChannelWriteFailed;
        return outcome;
    }
    // One stale answer (of an earlier, timed-out request) is read past. A
    // report cut short is no answer: its missing bytes would read as zeros.
    // On a device whose one interface also carries notifications (the
    // headset) their reports arrive here too: they are no answer and do not
    // use up an attempt.
    int foreignReports = 0;
    for (int attempt = 0; attempt < 2;) {
        answer.fill(0);
        size_t received = 0;
        hid::TransferStatus status = hid::TransferStatus::Ok;
        const auto deadline = time_.Now() + std::chrono::milliseconds(timeout);
        const bool got =
            HidReadReport(record_, answer.size(), answer.data(), timeout, &received, &status) > 0;
        // A backend on another clock (or one whose reads never wait) has not
        // spent the time-out on ours.
        if (status == hid::TransferStatus::TimedOut) time_.SkipTo(deadline);
        if (got && received > 0 && answer[0] != request[0] &&
            ++foreignReports <= kMaxForeignReports)
            continue;
        ++attempt;
        const bool read = got && received == answer.size();
        outcome.result = read ? kChannelOk : kChannelNoAnswer;
        if (read && answer[kCommandCodeOffset] == request[kCommandCodeOffset]) {
            outcome.echoMatched = true;
            break;
        }
    }
    return outcome;
}

CHidCommandChannel::Outcome CHidCommandChannel::FullTransaction(const CommandReport& request,
                                                                CommandReport& answer) {
    busy_ = true;
    Outcome outcome;
    answer.fill(0);
    if (open_) {
        WriteReportLines("命令", request);
        outcome = Exchange(request, answer, Lane::Command);
        if (outcome.result != kChannelWriteFailed) WriteReportLines("返回", answer);
    }
    busy_ = false;
    return outcome;
}

int CHidCommandChannel::Transact(std::span<const uint8_t> request, std::span<uint8_t> answer,
                                 size_t* count) {
    if (count) *count = 0;
    CommandReport reply;
    const Outcome outcome = FullTransaction(ToReport(request), reply);
    CopyAnswer(reply, answer, count, outcome.result == kChannelOk ? reply.size() : 0);
    return outcome.result;
}

int CHidCommandChannel::TransactLight(std::span<const uint8_t> request, std::span<uint8_t> answer,
                                      size_t* count) {
    if (count) *count = 0;
    CommandReport reply;
    const Outcome outcome = Exchange(ToReport(request), reply, Lane::Light);
    CopyAnswer(reply, answer, count, outcome.result == kChannelOk ? reply.size() : 0);
    return outcome.result;
}

int CHidCommandChannel::RunCommand(const CommandReport& request, CommandReport& answer,
                                   bool isRead) {
    Outcome outcome;
    {
        std::lock_guard lock(commandLock_);
        outcome = FullTransaction(request, answer);
    }
    if (outcome.result != kChannelOk) return outcome.result;
    // A read must not take a foreign answer's payload for its own.
    if (isRead && !outcome.echoMatched) return kChannelNoAnswer;
    return StatusResult(answer[kCommandStatusOffset]);
}

int CHidCommandChannel::ChunkedTransfer(uint8_t code, size_t total, uint32_t base,
                                        std::span<const uint8_t> writeFrom,
                                        std::span<uint8_t> readInto, Lane lane) {
    if (!open_) return kChannelNoAnswer;
    const bool isRead = !readInto.empty();
    for (size_t position = 0; position < total; position += kChunkSize) {
        const size_t chunk = std::min<size_t>(kChunkSize, total - position);
        const auto offset = static_cast<uint16_t>(base + position);
        const CommandReport request = BuildCommandReport(
            code, static_cast<uint8_t>(chunk), offset,
            isRead ? std::span<const uint8_t>() : writeFrom.subspan(position, chunk));
        CommandReport answer{};
        int result;
        if (lane == Lane::Light) {
            std::lock_guard lock(lightLock_);
            // A frame cut short is no frame: the caller sends it again.
            if (busy_) {
                DebugOutput("放弃灯光数据");
                return kChannelBusy;
            }
            if (wireless_) return kChannelNoAnswer;
            const Outcome outcome = Exchange(request, answer, Lane::Light);
            result = outcome.result == kChannelOk ? StatusResult(answer[kCommandStatusOffset])
                                                  : outcome.result;
        } else {
            result = RunCommand(request, answer, isRead);
        }
        if (result != kChannelOk) return result;
        if (isRead)
            std::copy_n(answer.begin() + kCommandPayloadOffset, chunk,
                        readInto.begin() + static_cast<std::ptrdiff_t>(position));
    }
    return kChannelOk;
}

int CHidCommandChannel::SingleReport(uint8_t code, uint8_t length, uint16_t offset, bool isRead,
                                     CommandReport* answerOut) {
    if (!open_) return kChannelNoAnswer;
    CommandReport answer{};
    const int result = RunCommand(BuildCommandReport(code, length, offset), answer, isRead);
    if (answerOut) *answerOut = answer;
    return result;
}

int CHidCommandChannel::SendStart() {
    return SingleReport(CMD_START, 0, 0, false);
}

int CHidCommandChannel::SendFinish() {
    if (!open_) return kChannelNoAnswer;
    // The device needs a moment to settle the group's writes.
    std::this_thread::sleep_for(kPauseBeforeFinish);
    return SingleReport(CMD_FINISH, 0, 0, false);
}

int CHidCommandChannel::ReadInfo(std::span<uint8_t, kDeviceInfoSize> record) {
    std::array<uint8_t, kDeviceInfoSize> scratch{};
    const int result =
        ChunkedTransfer(CMD_READ_INFO, scratch.size(), 0, {}, scratch, Lane::Command);
    if (result == kChannelOk) std::copy(scratch.begin(), scratch.end(), record.begin());
    return result;
}

int CHidCommandChannel::ReadMemory(std::span<uint8_t> out, uint32_t start) {
    if (!FitsAddressSpace(start, out.size())) return kChannelNoAnswer;
    return ChunkedTransfer(CMD_READ_MEMORY, out.size(), start, {}, out, Lane::Command);
}

int CHidCommandChannel::WriteMemory(std::span<const uint8_t> data, uint32_t start) {
    if (!FitsAddressSpace(start, data.size())) return kChannelNoAnswer;
    return ChunkedTransfer(CMD_WRITE_MEMORY, data.size(), start, data, {}, Lane::Command);
}

int CHidCommandChannel::ReadKeyMap(std::span<uint8_t> out) {
    const uint16_t size = dataSize_;
    if (out.size() < size) return kChannelNoAnswer;
    return ChunkedTransfer(CMD_READ_KEYMAP, size, 0, {}, out.first(size), Lane::Command);
}

int CHidCommandChannel::WriteKeyMap(std::span<const uint8_t> data, int page) {
    if (page != 0) return kChannelBadPage;
    const uint16_t size = dataSize_;
    if (data.size() < size) return kChannelNoAnswer;
    return ChunkedTransfer(CMD_WRITE_KEYMAP, size, 0, data.first(size), {}, Lane::Command);
}

int CHidCommandChannel::WriteKeyLights(std::span<const uint8_t> bytes, uint16_t position) {
    if (bytes.size() > kCommandPayloadSize || !open_) return kChannelNoAnswer;
    CommandReport answer{};
    return RunCommand(BuildCommandReport(CMD_WRITE_KEY_LIGHTS, static_cast<uint8_t>(bytes.size()),
                                         position, bytes),
                      answer, false);
}

int CHidCommandChannel::SendLightFrame(std::span<const uint8_t> frame) {
    if (frame.size() > kAddressSpace) return kChannelNoAnswer;
    return ChunkedTransfer(CMD_LIGHT_FRAME, frame.size(), 0, frame, {}, Lane::Light);
}

int CHidCommandChannel::WriteMacros(std::span<const uint8_t> image) {
    if (image.size() > kAddressSpace) return kChannelNoAnswer;
    return ChunkedTransfer(CMD_WRITE_MACROS, image.size(), 0, image, {}, Lane::Command);
}

int CHidCommandChannel::ReadStatus(std::span<uint8_t> out, uint16_t address) {
    if (out.size() > kCommandPayloadSize) return kChannelNoAnswer;
    CommandReport answer{};
    const int result =
        SingleReport(CMD_READ_STATUS, static_cast<uint8_t>(out.size()), address, true, &answer);
    if (result == kChannelOk)
        std::copy_n(answer.begin() + kCommandPayloadOffset, out.size(), out.begin());
    return result;
}

int CHidCommandChannel::ReadKeyLeds(std::span<uint8_t> out) {
    const uint16_t size = dataSize_ / 3;
    if (out.size() < size) return kChannelNoAnswer;
    return ChunkedTransfer(CMD_READ_KEY_LEDS, size, 0, {}, out.first(size), Lane::Command);
}

bool CHidCommandChannel::ProbeLink() {
    CommandReport answer{};
    return SingleReport(CMD_LINK_PROBE, 0, 0, true, &answer) == kChannelOk &&
           answer[kCommandPayloadOffset] == 0xFF;
}

int CHidCommandChannel::SendOutputReport(std::span<const uint8_t> report) {
    // The connection is taken as a copy: a close on another thread ends it
    // without freeing it under this call.
    const auto connection = open_ ? record_.Connection() : nullptr;
    if (!connection) return kChannelNoAnswer;
    return connection->SetOutputReport(report) == hid::TransferStatus::Ok ? kChannelOk
                                                                          : kChannelWriteFailed;
}

}  // namespace kelno
