#include "devices/detect/device_detector.h"

#include "core/debug_output.h"

namespace kelno {
namespace {

bool SameAddress(const SupportedDeviceEntry& a, const SupportedDeviceEntry& b) {
    return a.vendorId == b.vendorId && a.productId == b.productId &&
           a.collectionNumber == b.collectionNumber && a.interfaceNumber == b.interfaceNumber;
}

}  // namespace

DeviceDetector::DeviceDetector(std::shared_ptr<hid::HidBackend> backend, Catalogue catalogue,
                               IDeviceListObserver& observer)
    : backend_(backend),
      catalogue_(std::move(catalogue)),
      observer_(observer),
      list_(catalogue_.SupportedDeviceTable()),
      record_(std::move(backend)) {}

DeviceDetector::~DeviceDetector() {
    Stop();
}

bool DeviceDetector::Start() {
    return worker_.Start([this](std::stop_token token) {
        // Made before the first pass, so nothing plugged during it is missed.
        const std::unique_ptr<hid::HotplugWatch> watch =
            backend_ ? backend_->WatchHotplug() : nullptr;
        if (!watch) DebugOutput("no hot-plug events: the devices are listed every 100 ms");
        while (!token.stop_requested()) {
            RunPass(token);
            if (!watch) {
                if (!WaitFor(token, kPassInterval)) break;
                continue;
            }
            // Sleeps until something is plugged or unplugged, or until a
            // failed open or listing is due to be tried again.
            watch->WaitForChange(token, retryDue_ ? std::optional(kPassInterval) : std::nullopt);
        }
        DebugOutput("抓取设备线程设定退出");
    });
}

bool DeviceDetector::Stop(std::chrono::milliseconds bound) {
    if (worker_.StopAndJoin(bound)) return true;
    DebugOutput("device detection did not stop in time");
    return false;
}

void DeviceDetector::RunPass(const std::stop_token& stop) {
    retryDue_ = false;
    if (list_.AnyFree()) ClaimNewInterfaces(stop);
    // Given once, even when the listing failed, so the window does not stay
    // hidden while enumeration is retried.
    if (!firstPassSignalled_) {
        firstPassSignalled_ = true;
        observer_.OnFirstPassDone();
    }
    ReleaseVanishedInterfaces(stop);
}

void DeviceDetector::ClaimNewInterfaces(const std::stop_token& stop) {
    if (!HidEnumeratePaths(record_)) {
        // Not the end of detection: the next pass lists again.
        DebugOutput("HID enumeration failed; retrying on the next pass");
        retryDue_ = true;
        return;
    }
    std::vector<std::string> denied;
    while (const std::string* listed = HidNextPath(record_)) {
        if (stop.stop_requested()) break;
        SupportedDeviceEntry candidate = ParseInterfacePath(*listed);
        if (!catalogue_.isCandidate(candidate) ||
            !list_.AnyFree(
                [&](const SupportedDeviceEntry& slot) { return SameAddress(slot, candidate); }))
            continue;
        // Opened for the attributes and capabilities only; the device object
        // opens its own handle on arrival.
        if (!HidOpen(record_, candidate.path, true, false, true, false)) {
            // A node refused to this user waits for udev to report new access
            // rights; one that vanished, for its removal; any other failure
            // is tried again.
            if (record_.lastOpenStatus == hid::OpenStatus::PermissionDenied)
                denied.push_back(candidate.path);
            else if (record_.lastOpenStatus != hid::OpenStatus::NotFound)
                retryDue_ = true;
            continue;
        }
        candidate.vendorId = record_.attributes.vendorId;
        candidate.productId = record_.attributes.productId;
        candidate.usagePage = record_.caps.usagePage;
        candidate.usage = record_.caps.usage;
        HidClose(record_);
        if (catalogue_.matchRow(candidate) < 0) continue;

        const auto slot = list_.ClaimFirstFree(
            [&](const SupportedDeviceEntry& s) {
                return SameAddress(s, candidate) && s.usagePage == candidate.usagePage &&
                       s.usage == candidate.usage;
            },
            candidate.path);
        if (!slot) continue;
        if (observer_.OnDeviceArrival(*slot, stop) ==
            IDeviceListObserver::ArrivalResult::OpenFailed) {
            list_.Release(*slot);
            retryDue_ = true;
        }
    }
    HidFreePaths(record_);
    std::lock_guard lock(deniedMutex_);
    denied_ = std::move(denied);
}

std::vector<std::string> DeviceDetector::PermissionDeniedPaths() const {
    std::lock_guard lock(deniedMutex_);
    return denied_;
}

void DeviceDetector::ReleaseVanishedInterfaces(const std::stop_token& stop) {
    for (const auto& [slot, path] : list_.Claimed()) {
        if (stop.stop_requested()) return;
        if (backend_ && backend_->IsPresent(path)) continue;
        list_.Release(slot);
        observer_.OnDeviceRemoval(slot, stop);
    }
}

}  // namespace kelno
