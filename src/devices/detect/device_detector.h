#pragma once
// The detection thread: on every hot-plug event of the backend (every
// 100 ms where the backend has none, and 100 ms after a pass whose listing or
// opening failed), while some slot of the device list is free, it lists the
// HID interfaces, opens those the catalogue may accept, matches their
// attributes and capabilities against it and claims slots; then it checks
// that every claimed interface is still present. Arrival and removal are
// handed to the UI side synchronously.

#include <chrono>
#include <memory>
#include <mutex>
#include <stop_token>
#include <string>
#include <vector>

#include "core/worker_thread.h"
#include "devices/detect/catalogue.h"
#include "devices/detect/device_list.h"
#include "devices/hid/hid_device_record.h"

namespace kelno {

// The UI side of detection (the main window). Arrival and removal are
// called on the detection thread and return once the UI side has handled
// them; `stop` is requested at shutdown, and a call waiting for a UI that is
// going away must then return at once.
class IDeviceListObserver {
  public:
    enum class ArrivalResult {
        Handled,
        // The device object could not open the interface: the slot is freed
        // so that the next pass tries again.
        OpenFailed,
    };

    virtual ~IDeviceListObserver() = default;
    virtual ArrivalResult OnDeviceArrival(size_t slot, const std::stop_token& stop) = 0;
    virtual void OnDeviceRemoval(size_t slot, const std::stop_token& stop) = 0;
    // Once per run, after the first pass (posted: it need not wait).
    virtual void OnFirstPassDone() = 0;
};

class DeviceDetector {
  public:
    static constexpr std::chrono::milliseconds kPassInterval{100};

    DeviceDetector(std::shared_ptr<hid::HidBackend> backend, Catalogue catalogue,
                   IDeviceListObserver& observer);
    // Stops the thread (bounded; see Stop).
    ~DeviceDetector();
    DeviceDetector(const DeviceDetector&) = delete;
    DeviceDetector& operator=(const DeviceDetector&) = delete;

    DeviceList& List() { return list_; }
    const DeviceList& List() const { return list_; }

    // Starts the detection thread; false when it runs already.
    bool Start();
    // Asks the thread to stop and waits up to `bound`; true when it ended.
    bool Stop(std::chrono::milliseconds bound = std::chrono::milliseconds(1000));

    // Supported interfaces that the last listing found but this user may not
    // open (so the user can be told why a device does not appear).
    std::vector<std::string> PermissionDeniedPaths() const;

    // One pass (claiming, then the removal check) on the calling thread;
    // not while the detection thread runs.
    // The thread runs exactly this between its waits.
    void RunPass(const std::stop_token& stop = {});

  private:
    void ClaimNewInterfaces(const std::stop_token& stop);
    void ReleaseVanishedInterfaces(const std::stop_token& stop);

    std::shared_ptr<hid::HidBackend> backend_;
    const Catalogue catalogue_;
    IDeviceListObserver& observer_;
    DeviceList list_;
    HidDeviceRecord record_;  // used by the detection passes only
    bool firstPassSignalled_ = false;
    bool retryDue_ = false;  // the last pass left a failure to try again
    mutable std::mutex deniedMutex_;
    std::vector<std::string> denied_;
    WorkerThread worker_{"device-detect"};
};

}  // namespace kelno
