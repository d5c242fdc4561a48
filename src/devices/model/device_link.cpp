#include "devices/model/device_link.h"

#include <algorithm>
#include <vector>

#include "core/debug_output.h"
#include "devices/hid/hid_device_record.h"
#include "devices/hid/hid_unpack.h"

namespace kelno {
namespace {

using namespace std::chrono_literals;

constexpr size_t kNotifyReportMax = 64;
constexpr auto kClosedChannelWait = 100ms;  // the notification reader's pause
constexpr auto kFailedReadPause = 50ms;

// The first usage of the first data entry of a notification report.
uint16_t FirstUsage(const std::vector<HidDataEntry>& entries) {
    if (entries.empty()) return 0;
    const HidDataEntry& entry = entries.front();
    if (entry.isButtonData) return entry.usages.empty() ? 0 : entry.usages.front();
    return static_cast<uint16_t>(entry.value);
}

}  // namespace

DeviceLink::DeviceLink(std::shared_ptr<hid::HidBackend> backend, SteadyTime& time)
    : command_(std::make_unique<CHidCommandChannel>(backend, time)),
      notify_(std::make_unique<CHidCommandChannel>(backend, time)),
      alive_(std::make_shared<DeviceLink*>(this)) {}

DeviceLink::~DeviceLink() {
    Shutdown();
    notify_->CloseInterface();
    command_->CloseInterface();
}

void DeviceLink::Shutdown() {
    alive_.reset();
    StopWorkerAndNotify();
}

bool DeviceLink::OpenCommand(const std::string& path, bool wireless) {
    return command_->OpenInterface(path, wireless);
}

bool DeviceLink::AttachNotifyPath(const std::string& path,
                                  std::function<void(uint16_t)> onUsage) {
    DetachNotifyPath();
    if (!notify_->OpenInterface(path)) return false;
    notifyAttached_ = true;
    onUsage_ = std::move(onUsage);
    notifyThread_.Start([this](std::stop_token token) { NotificationLoop(token); });
    return true;
}

void DeviceLink::DetachNotifyPath() {
    notifyThread_.RequestStop();
    HidCancelRead(notify_->Record());
    if (!notifyThread_.StopAndJoin(kStopBound)) {
        DebugOutput("notification thread did not stop in time");
    }
    notify_->CloseInterface();
    notifyAttached_ = false;
}

bool DeviceLink::StopWorkerAndNotify() {
    const bool workerEnded = worker_.Stop(kStopBound);
    if (!workerEnded) DebugOutput("device worker did not stop in time");
    notifyThread_.RequestStop();
    HidCancelRead(notify_->Record());
    const bool notifyEnded = notifyThread_.StopAndJoin(kStopBound);
    return workerEnded && notifyEnded;
}

bool DeviceLink::PostToOwner(std::function<void()> task) {
    if (!poster_) return false;
    std::weak_ptr<DeviceLink*> alive = alive_;
    return poster_([alive, task = std::move(task)] {
        if (alive.lock()) task();
    });
}

void DeviceLink::DropStaleResult() {
    DebugOutput("a device result came after its device went away; dropped");
}

bool DeviceLink::LinkUp() {
    return !command_->IsWireless() || command_->ProbeLink();
}

DeviceLink::PowerReading DeviceLink::ReadPower() {
    PowerReading reading;
    reading.result = command_->ReadStatus(reading.status, 0);
    reading.status[3] = command_->IsWireless() ? 1 : 0;
    return reading;
}

void DeviceLink::PollPower(std::function<void(const PowerReading&)> show) {
    if (!command_->IsOpen() || powerReadQueued_.exchange(true)) return;
    const bool queued = RunOnDevice(
        [this] {
            const PowerReading reading = ReadPower();
            powerReadQueued_ = false;
            return reading;
        },
        [show = std::move(show)](const PowerReading& reading) { show(reading); });
    if (!queued) powerReadQueued_ = false;
}

void DeviceLink::NotificationLoop(const std::stop_token& token) {
    HidDeviceRecord& record = notify_->Record();
    std::array<uint8_t, kNotifyReportMax> report{};
    while (!token.stop_requested()) {
        if (!notify_->IsOpen()) {
            WaitFor(token, kClosedChannelWait);
            continue;
        }
        size_t length = 0;
        const size_t want = std::min<size_t>(
            std::max<size_t>(record.caps.MaxLength(hid::ReportType::Input), 1), report.size());
        if (!HidReadReport(record, want, report.data(), kHidWaitForever, &length)) {
            // Cancelled, closed or unplugged: stop or try again a little later.
            WaitFor(token, kFailedReadPause);
            continue;
        }
        if (token.stop_requested()) break;
        if (!HidUnpackReport(std::span(report.data(), length), hid::ReportType::Input,
                             record.inputData, record.fields, record.caps.usesReportIds)) {
            continue;
        }
        if (onUsage_) onUsage_(FirstUsage(record.inputData));
    }
    DebugOutput("notification thread ends");
}

}  // namespace kelno
