#include "platform/sim/sim_command_device.h"

#include <algorithm>
#include <functional>
#include <thread>

namespace kelno::sim {
namespace {

// Runs its action when the scope ends, after the locks taken later in the
// scope are released.
class AtScopeEnd {
  public:
    explicit AtScopeEnd(std::function<void()> action) : action_(std::move(action)) {}
    ~AtScopeEnd() { action_(); }
    AtScopeEnd(const AtScopeEnd&) = delete;
    AtScopeEnd& operator=(const AtScopeEnd&) = delete;

  private:
    std::function<void()> action_;
};

// The firmware's view of the command report.
constexpr size_t kReportSize = 64;
constexpr uint8_t kReportId = 0x04;
constexpr size_t kPayloadOffset = 8;
constexpr size_t kPayloadSize = 56;
constexpr uint8_t kStatusOk = 0x00;
constexpr uint8_t kStatusError = 0xFF;
constexpr uint8_t kStatusRejected = 0xFE;
constexpr size_t kMaxGroupDepth = 255;
constexpr size_t kKeyMapPageSize = 512;
// Unread notification reports the device keeps before dropping the oldest.
constexpr size_t kMaxQueuedInput = 256;
// Exchanges kept for inspection; a long run keeps the most recent ones.
constexpr size_t kMaxLoggedExchanges = 1 << 16;
// Twelve reports a frame: the last hundred frames or so.
constexpr size_t kMaxKeptLedReports = 1200;

enum Command : uint8_t {
    kStart = 0x01,
    kFinish = 0x02,
    kReadInfo = 0x03,
    kReadMemory = 0x05,
    kWriteMemory = 0x06,
    kReadKeyMap = 0x07,
    kWriteKeyMap = 0x09,
    kWriteKeyLights = 0x0B,
    kLightFrame = 0x12,
    kWriteMacros = 0x15,
    kReadStatus = 0x1A,
    kReadKeyLeds = 0x1B,
    kLinkProbe = 0xAA,
};

constexpr size_t kInfoSize = 34;
// The information record's byte 6 is the macro capacity in these units.
constexpr size_t kMacroUnit = 128;
constexpr uint16_t kMacroMagic = 0x55AA;
constexpr size_t kMacroHeaderSize = 16;

uint16_t ReadLe16(std::span<const uint8_t> bytes, size_t at) {
    return static_cast<uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

uint16_t Checksum(std::span<const uint8_t> report) {
    uint32_t sum = 0;
    for (size_t i = 3; i < kReportSize; ++i) sum += report[i];
    return static_cast<uint16_t>(sum);
}

// Copies `length` bytes at `offset` of `source` into `out`; false when the
// range leaves the source.
bool ReadRange(const std::vector<uint8_t>& source, size_t offset, size_t length,
               std::vector<uint8_t>& out) {
    if (offset > source.size() || length > source.size() - offset) return false;
    std::copy_n(source.begin() + static_cast<std::ptrdiff_t>(offset), length, out.begin());
    return true;
}

bool WriteRange(std::vector<uint8_t>& target, size_t offset, std::span<const uint8_t> bytes) {
    if (offset > target.size() || bytes.size() > target.size() - offset) return false;
    std::copy(bytes.begin(), bytes.end(), target.begin() + static_cast<std::ptrdiff_t>(offset));
    return true;
}

}  // namespace

SimCommandDevice::SimCommandDevice(SimDeviceConfig config)
    : config_(std::move(config)),
      info_(config_.info),
      memory_(config_.memory),
      keyMap_(config_.keyMap),
      keyLeds_(config_.keyLeds),
      keyLightBitmap_(config_.keyLightBitmapSize, 0),
      lightFrame_(config_.lightFrameSize, 0),
      powerStatus_(config_.powerStatus) {
    info_.resize(kInfoSize, 0);
    macroArea_.assign(static_cast<size_t>(info_[6]) * kMacroUnit, 0);
}

SimCommandDevice::~SimCommandDevice() = default;

hid::DeviceAttributes SimCommandDevice::Attributes() const {
    return config_.attributes;
}
int SimCommandDevice::InterfaceNumber() const {
    return config_.interfaceNumber;
}
std::vector<uint8_t> SimCommandDevice::ReportDescriptor() const {
    return config_.reportDescriptor;
}
std::string SimCommandDevice::Name() const {
    return config_.name;
}

bool SimCommandDevice::IsPlugged() const {
    std::lock_guard lock(mutex_);
    return plugged_;
}

void SimCommandDevice::SetPlugged(bool plugged) {
    {
        std::lock_guard lock(mutex_);
        plugged_ = plugged;
        input_.clear();
        groupDepth_ = 0;
        ++wakeGeneration_;
        inputReady_.notify_all();
    }
    PlugEvents().AnnounceAll();
}

void SimCommandDevice::SetLatency(std::chrono::microseconds perReport) {
    std::lock_guard lock(mutex_);
    latency_ = perReport;
}

void SimCommandDevice::InjectFault(SimFault fault, unsigned nth, uint8_t command) {
    std::lock_guard lock(mutex_);
    faults_.push_back({fault, std::max(nth, 1u), command});
}

void SimCommandDevice::ClearFaults() {
    std::lock_guard lock(mutex_);
    faults_.clear();
}

size_t SimCommandDevice::PendingFaults() const {
    std::lock_guard lock(mutex_);
    return faults_.size();
}

void SimCommandDevice::SetLinkUp(bool up) {
    std::lock_guard lock(mutex_);
    linkUp_ = up;
}

void SimCommandDevice::SetInfoRecord(std::vector<uint8_t> info) {
    std::lock_guard lock(mutex_);
    info_ = std::move(info);
    info_.resize(kInfoSize, 0);
    macroArea_.assign(static_cast<size_t>(info_[6]) * kMacroUnit, 0);
    macroReceived_ = 0;
    macroValid_ = false;
}

void SimCommandDevice::SetPowerStatus(std::vector<uint8_t> status) {
    std::lock_guard lock(mutex_);
    powerStatus_ = std::move(status);
}

std::vector<SimFault> SimCommandDevice::TakeFaultsLocked(uint8_t command) {
    std::vector<SimFault> fired;
    for (auto it = faults_.begin(); it != faults_.end();) {
        if (it->command == kAnyCommand || it->command == command) {
            if (--it->remaining == 0) {
                fired.push_back(it->fault);
                it = faults_.erase(it);
                continue;
            }
        }
        ++it;
    }
    return fired;
}

void SimCommandDevice::LogLocked(SimExchange::Kind kind, std::vector<uint8_t> bytes) {
    if (exchanges_.size() >= kMaxLoggedExchanges)
        exchanges_.erase(exchanges_.begin(), exchanges_.begin() + kMaxLoggedExchanges / 4);
    exchanges_.push_back({kind, std::move(bytes)});
}

void SimCommandDevice::QueueInputLocked(std::vector<uint8_t> report) {
    if (input_.size() >= kMaxQueuedInput) input_.pop_front();
    input_.push_back({std::chrono::steady_clock::now() + latency_, std::move(report)});
    inputReady_.notify_all();
}

bool SimCommandDevice::HandleWrite(std::span<const uint8_t> report) {
    std::chrono::microseconds latency;
    {
        std::lock_guard lock(mutex_);
        latency = latency_;
    }
    // The OUT transfer takes its time on the wire.
    if (latency.count() > 0) std::this_thread::sleep_for(latency);

    // Announced once the lock below is released.
    bool unplugged = false;
    const AtScopeEnd announceUnplug([&] {
        if (unplugged) PlugEvents().AnnounceAll();
    });
    std::lock_guard lock(mutex_);
    LogLocked(SimExchange::Kind::HostWrite, {report.begin(), report.end()});
    if (!plugged_) return false;
    // Reports of other collections (or none) are not commands.
    if (report.empty() || report[0] != kReportId) return true;

    std::vector<uint8_t> request(kReportSize, 0);
    std::copy_n(report.begin(), std::min(report.size(), kReportSize), request.begin());
    const uint8_t code = request[3];
    if (config_.overTheAir && !linkUp_ && code != kLinkProbe) return true;
    const std::vector<SimFault> fired = TakeFaultsLocked(code);
    const auto firedFault = [&](SimFault f) {
        return std::find(fired.begin(), fired.end(), f) != fired.end();
    };
    if (firedFault(SimFault::WriteFailure)) return false;
    if (firedFault(SimFault::UnplugBeforeAnswer)) {
        plugged_ = false;
        unplugged = true;
        input_.clear();
        ++wakeGeneration_;
        inputReady_.notify_all();
        return true;
    }

    std::vector<uint8_t> payload(kPayloadSize, 0);
    uint8_t status;
    if (firedFault(SimFault::StatusError)) {
        status = kStatusError;
    } else if (firedFault(SimFault::StatusRejected)) {
        status = kStatusRejected;
    } else if (ReadLe16(request, 1) != Checksum(request)) {
        status = kStatusError;
    } else {
        status = Execute(request, payload);
    }
    if (firedFault(SimFault::NoAnswer)) return true;

    const uint8_t foreignCode = code == kFinish ? kStart : kFinish;
    const auto makeAnswer = [&](uint8_t echo, uint8_t answerStatus,
                                const std::vector<uint8_t>& answerPayload) {
        std::vector<uint8_t> answer(kReportSize, 0);
        answer[0] = kReportId;
        answer[3] = echo;
        std::copy_n(request.begin() + 4, 3, answer.begin() + 4);
        answer[7] = answerStatus;
        std::copy(answerPayload.begin(), answerPayload.end(), answer.begin() + kPayloadOffset);
        const uint16_t sum = Checksum(answer);
        answer[1] = static_cast<uint8_t>(sum & 0xFF);
        answer[2] = static_cast<uint8_t>(sum >> 8);
        return answer;
    };
    if (firedFault(SimFault::StaleExtraAnswer))
        QueueInputLocked(
            makeAnswer(foreignCode, kStatusOk, std::vector<uint8_t>(kPayloadSize, 0xEE)));
    std::vector<uint8_t> answer =
        makeAnswer(firedFault(SimFault::WrongEcho) ? foreignCode : code, status, payload);
    if (firedFault(SimFault::ShortAnswer)) answer.resize(kPayloadOffset);
    QueueInputLocked(std::move(answer));
    return true;
}

uint8_t SimCommandDevice::Execute(const std::vector<uint8_t>& request,
                                  std::vector<uint8_t>& answer) {
    const uint8_t code = request[3];
    const size_t length = request[4];
    const size_t offset = ReadLe16(request, 5);
    if (length > kPayloadSize) return kStatusError;
    const auto data = std::span<const uint8_t>(request).subspan(kPayloadOffset, length);
    const auto ok = [](bool done) { return done ? kStatusOk : kStatusError; };

    switch (code) {
        case kStart:
            if (static_cast<size_t>(groupDepth_) < kMaxGroupDepth) ++groupDepth_;
            return kStatusOk;
        case kFinish:
            // A FINISH without START is tolerated, as the host may retry.
            if (groupDepth_ > 0 && --groupDepth_ == 0) ++commits_;
            return kStatusOk;
        case kReadInfo:
            return ok(ReadRange(info_, offset, length, answer));
        case kReadMemory:
            return ok(ReadRange(memory_, offset, length, answer));
        case kWriteMemory:
            return ok(WriteRange(memory_, offset, data));
        case kReadKeyMap:
            // Past the map (the host reads its default 512 bytes) come zeros.
            if (offset >= kKeyMapPageSize) return kStatusError;
            for (size_t i = 0; i < length && offset + i < keyMap_.size(); ++i)
                answer[i] = keyMap_[offset + i];
            return kStatusOk;
        case kWriteKeyMap:
            return ok(WriteRange(keyMap_, offset, data));
        case kReadKeyLeds:
            for (size_t i = 0; i < length && offset + i < keyLeds_.size(); ++i)
                answer[i] = keyLeds_[offset + i];
            return kStatusOk;
        case kWriteKeyLights:
            return ok(WriteRange(keyLightBitmap_, offset, data));
        case kLightFrame:
            lightFrameReceived_ = true;
            return ok(WriteRange(lightFrame_, offset, data));
        case kWriteMacros:
            return WriteMacroChunk(offset, data);
        case kReadStatus:
            return ok(ReadRange(powerStatus_, offset, length, answer));
        case kLinkProbe:
            answer[0] = linkUp_ ? 0xFF : 0x00;
            return kStatusOk;
        default:
            return kStatusError;
    }
}

uint8_t SimCommandDevice::WriteMacroChunk(size_t offset, std::span<const uint8_t> chunk) {
    if (offset == 0) {
        macroReceived_ = 0;
        macroValid_ = false;
        std::fill(macroArea_.begin(), macroArea_.end(), 0);
        // The header must announce an image that fits before anything is kept.
        if (chunk.size() < 4 || ReadLe16(chunk, 0) != kMacroMagic) return kStatusError;
        const size_t total = ReadLe16(chunk, 2);
        if (total < kMacroHeaderSize || total > macroArea_.size()) return kStatusError;
    } else if (offset != macroReceived_) {
        return kStatusError;  // chunks arrive in order
    }
    if (!WriteRange(macroArea_, offset, chunk)) return kStatusError;
    macroReceived_ = offset + chunk.size();
    const size_t total = ReadLe16(macroArea_, 2);
    if (macroReceived_ < total) return kStatusOk;
    macroValid_ = macroReceived_ == total && ValidateMacroImage();
    return macroValid_ ? kStatusOk : kStatusError;
}

bool SimCommandDevice::ValidateMacroImage() const {
    const std::span<const uint8_t> image(macroArea_.data(), macroReceived_);
    const size_t total = ReadLe16(image, 2);
    const size_t count = ReadLe16(image, 4);
    const size_t tableEnd = kMacroHeaderSize + 2 * count;
    if (tableEnd > total) return false;
    size_t expected = tableEnd;
    for (size_t i = 0; i < count; ++i) {
        const size_t at = ReadLe16(image, kMacroHeaderSize + 2 * i);
        if (at != expected || at + 4 > total) return false;
        const size_t events = ReadLe16(image, at);
        expected = at + 4 + 4 * events;
        if (expected > total) return false;
    }
    return expected == total;
}

bool SimCommandDevice::HandleSetReport(hid::ReportType type, std::span<const uint8_t> report) {
    std::lock_guard lock(mutex_);
    LogLocked(SimExchange::Kind::HostSetReport, {report.begin(), report.end()});
    if (!plugged_) return false;
    if (type != hid::ReportType::Output || !config_.acceptsLedOutputReports) return false;
    // The LED report: id 0xFF, driver 0x22 or 0x44, block 0xAA to 0xAF.
    if (report.size() != 17 || report[0] != 0xFF || (report[1] != 0x22 && report[1] != 0x44) ||
        report[2] < 0xAA || report[2] > 0xAF)
        return false;
    if (ledReports_.size() >= kMaxKeptLedReports)
        ledReports_.erase(ledReports_.begin(), ledReports_.begin() + kMaxKeptLedReports / 4);
    ledReports_.emplace_back(report.begin(), report.end());
    ++ledReportCount_;
    return true;
}

std::optional<std::vector<uint8_t>> SimCommandDevice::NextInputReport(
    std::optional<std::chrono::milliseconds> timeout) {
    using Clock = std::chrono::steady_clock;
    const bool bounded = timeout.has_value();
    const Clock::time_point deadline = bounded ? Clock::now() + *timeout : Clock::time_point::max();
    std::unique_lock lock(mutex_);
    const uint64_t generation = wakeGeneration_;
    while (true) {
        if (!plugged_ || wakeGeneration_ != generation) return std::nullopt;
        const auto now = Clock::now();
        if (!input_.empty() && input_.front().due <= now) {
            std::vector<uint8_t> report = std::move(input_.front().bytes);
            input_.pop_front();
            LogLocked(SimExchange::Kind::DeviceReport, report);
            return report;
        }
        if (bounded && now >= deadline) return std::nullopt;
        // Sleep until the next report is due, the deadline, or a wake-up.
        const Clock::time_point until =
            input_.empty() ? deadline : std::min(deadline, input_.front().due);
        if (until == Clock::time_point::max())
            inputReady_.wait(lock);
        else
            inputReady_.wait_until(lock, until);
    }
}

bool SimCommandDevice::HasQueuedInput() const {
    std::lock_guard lock(mutex_);
    return plugged_ && !input_.empty();
}

void SimCommandDevice::WakeReaders() {
    std::lock_guard lock(mutex_);
    ++wakeGeneration_;
    inputReady_.notify_all();
}

void SimCommandDevice::Notify(uint16_t usage) {
    std::lock_guard lock(mutex_);
    if (!plugged_) return;
    QueueInputLocked({config_.notifyReportId, static_cast<uint8_t>(usage & 0xFF),
                      static_cast<uint8_t>(usage >> 8)});
}

void SimCommandDevice::ChangeMemoryOnDevice(size_t offset, std::span<const uint8_t> bytes) {
    {
        std::lock_guard lock(mutex_);
        WriteRange(memory_, offset, bytes);
    }
    Notify(0x401);
}

std::vector<uint8_t> SimCommandDevice::MacroArea() const {
    std::lock_guard lock(mutex_);
    return {macroArea_.begin(), macroArea_.begin() + static_cast<std::ptrdiff_t>(macroReceived_)};
}
std::vector<std::vector<uint8_t>> SimCommandDevice::CommandRequests() const {
    std::lock_guard lock(mutex_);
    std::vector<std::vector<uint8_t>> requests;
    for (const auto& exchange : exchanges_)
        if (exchange.kind == SimExchange::Kind::HostWrite && !exchange.bytes.empty() &&
            exchange.bytes[0] == kReportId)
            requests.push_back(exchange.bytes);
    return requests;
}
void SimCommandDevice::ClearExchanges() {
    std::lock_guard lock(mutex_);
    exchanges_.clear();
}

}  // namespace kelno::sim
