#pragma once
// The HID layer: one record per opened HID interface (or per list of
// interface paths while enumerating), and the operations on it. This is the
// only code above the platform seam that touches HID interfaces; the command
// channel, detection and device objects work on records.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "devices/hid/hid_unpack.h"
#include "platform/hid/hid_backend.h"

namespace kelno {

// Read/write time-out meaning "wait without limit".
inline constexpr uint32_t kHidWaitForever = 0xFFFFFFFFu;

struct HidDeviceRecord {
    explicit HidDeviceRecord(std::shared_ptr<hid::HidBackend> backend = nullptr);
    ~HidDeviceRecord();  // HidDestroyRecord
    HidDeviceRecord(const HidDeviceRecord&) = delete;
    HidDeviceRecord& operator=(const HidDeviceRecord&) = delete;

    std::shared_ptr<hid::HidBackend> backend;

    // Enumeration.
    std::vector<std::string> paths;
    bool hasPathList = false;
    size_t pathCursor = 0;

    // Open options of the current or last open.
    bool openedForRead = false;
    bool openedForWrite = false;
    bool openedOverlapped = false;
    bool openedExclusive = false;

    // What the last successful open learned; cleared by close.
    std::string devicePath;
    hid::DeviceAttributes attributes;
    hid::ReportCollection caps;
    std::vector<hid::ReportField> fields;
    // One entry per button control, then one per value usage, for each
    // report type (HidUnpackReport fills them).
    std::vector<HidDataEntry> inputData;
    std::vector<HidDataEntry> outputData;
    std::vector<HidDataEntry> featureData;
    int interfaceNumber = 0;
    int collectionNumber = 0;
    // Why the last open failed (Ok after a successful one), so the user can
    // be told about missing permissions.
    hid::OpenStatus lastOpenStatus = hid::OpenStatus::Ok;

    std::atomic<bool> readPending{false};
    std::atomic<bool> writePending{false};

    // The open connection, or null. Readers take a copy under the mutex, so
    // a close on another thread can end their wait without freeing what
    // they use.
    std::shared_ptr<hid::HidConnection> Connection() const;
    bool IsOpen() const { return Connection() != nullptr; }

private:
    friend bool HidOpen(HidDeviceRecord&, const std::string&, bool, bool, bool, bool);
    friend void HidClose(HidDeviceRecord&);
    mutable std::mutex connectionMutex_;
    std::shared_ptr<hid::HidConnection> connection_;
};

// Clears the record and sets the backend it works on.
void HidInitRecord(HidDeviceRecord& record, std::shared_ptr<hid::HidBackend> backend);

// Collects the paths of every present HID top-level collection; false when
// the listing failed. Resets the cursor.
bool HidEnumeratePaths(HidDeviceRecord& record);
// The next collected path, or nullptr after the last one or with no list.
const std::string* HidNextPath(HidDeviceRecord& record);
void HidFreePaths(HidDeviceRecord& record);

// Opens the interface at `path` (closing any previous open first) and reads
// its attributes and capabilities. `exclusive` is accepted for callers'
// sake; no caller asks for it and hidraw has no sharing modes.
bool HidOpen(HidDeviceRecord& record, const std::string& path, bool read, bool write,
             bool overlapped, bool exclusive);
// Closes the interface; a read blocked on another thread returns 0.
void HidClose(HidDeviceRecord& record);

// One report in or out. Time-out in ms, kHidWaitForever for none. Nonzero on
// success; 0 on failure, time-out, cancel or a closed record. `transferred`
// (optional) receives the byte count; `status` (optional) tells a read's
// time-out from its other failures (Cancelled on a closed record).
int HidReadReport(HidDeviceRecord& record, size_t length, uint8_t* buffer, uint32_t timeoutMs,
                  size_t* transferred = nullptr, hid::TransferStatus* status = nullptr);
int HidWriteReport(HidDeviceRecord& record, size_t length, const uint8_t* buffer,
                   uint32_t timeoutMs, size_t* transferred = nullptr);

// Sends an output report through the control pipe (the headset's LED
// reports go this way). Nonzero on success.
int HidSetOutputReport(HidDeviceRecord& record, size_t length, const uint8_t* buffer);

// Wakes a read blocked on the record (it returns 0), as the cancel event
// does; kept for the next read when none waits.
void HidCancelRead(HidDeviceRecord& record);

void HidDestroyRecord(HidDeviceRecord& record);

}  // namespace kelno
