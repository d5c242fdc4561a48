#pragma once
// The HID seam. Everything above it (HID layer, command channel, detection,
// device objects) reaches HID interfaces only through these two interfaces.
// Backends: platform/linux (hidraw) and platform/sim (emulated devices).

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/hid/hid_types.h"
#include "platform/hid/hotplug.h"
#include "platform/hid/report_descriptor.h"

namespace kelno::hid {

// One opened top-level collection. Thread rules: one thread may block in
// ReadReport while another writes, calls CancelPendingRead or Close.
class HidConnection {
  public:
    virtual ~HidConnection() = default;

    virtual const DeviceAttributes& Attributes() const = 0;
    virtual const ReportCollection& Capabilities() const = 0;
    // The report fields of the collection, for unpacking input reports.
    virtual const std::vector<ReportField>& Fields() const = 0;

    // Writes one report (byte 0 is the report id, 0 when ids are unused).
    virtual TransferStatus WriteReport(std::span<const uint8_t> report,
                                       std::chrono::milliseconds timeout) = 0;

    // Reads one input report of this collection into `buffer` (longer
    // reports are cut); `received` gets the byte count. No timeout waits
    // until a report arrives, the read is cancelled or the device goes.
    virtual TransferStatus ReadReport(std::span<uint8_t> buffer, size_t& received,
                                      std::optional<std::chrono::milliseconds> timeout) = 0;

    // Wakes a read blocked on another thread (it returns Cancelled). Like an
    // auto-reset event: a cancel with no read waiting is kept and ends the
    // next read at once; one cancel ends one read.
    virtual void CancelPendingRead() = 0;

    // Ends the connection: a read waiting now and every later read or write
    // returns Cancelled. The node is released when the last reference goes.
    virtual void Close() = 0;

    // Sends an output report through the control pipe (what Windows calls
    // HidD_SetOutputReport; HIDIOCSOUTPUT on hidraw).
    virtual TransferStatus SetOutputReport(std::span<const uint8_t> report) = 0;
};

struct OpenResult {
    std::shared_ptr<HidConnection> connection;  // null unless status is Ok
    OpenStatus status = OpenStatus::Failed;
};

class HidBackend {
  public:
    virtual ~HidBackend() = default;

    // Every top-level collection of every present HID interface; nothing
    // when the listing itself failed.
    virtual std::optional<std::vector<InterfaceInfo>> Enumerate() = 0;

    // Opens one collection by the path Enumerate gave.
    virtual OpenResult Open(const std::string& path) = 0;

    // Cheap presence test of a path (the removal check), without opening
    // it for I/O.
    virtual bool IsPresent(const std::string& path) = 0;
    // Hot-plug events from now on; null when the backend has none (its
    // users then list on a timer).
    virtual std::unique_ptr<HotplugWatch> WatchHotplug() { return nullptr; }
};

}  // namespace kelno::hid
