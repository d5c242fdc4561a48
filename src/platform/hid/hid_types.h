#pragma once
// Plain data of the HID seam: what an interface reports about itself and how
// a transfer ended. Shared by every backend (hidraw, simulated) and by the
// HID layer above them.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace kelno::hid {

struct DeviceAttributes {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint16_t versionNumber = 0;  // USB release number (bcdDevice)

    bool operator==(const DeviceAttributes&) const = default;
};

enum class ReportType : uint8_t { Input, Output, Feature };

// One top-level collection of a report descriptor: its usage, the report ids
// it owns and the byte length of each of its reports.
struct ReportCollection {
    uint16_t usagePage = 0;
    uint16_t usage = 0;
    // Report ids owned by the collection in first-seen order; {0} when the
    // descriptor uses no report ids.
    std::vector<uint8_t> reportIds;
    // Whether the descriptor numbers its reports: then byte 0 of every
    // report is its id; otherwise reports carry data only (a write still
    // starts with a 0 byte, as hidraw and the OS's HID stack expect).
    bool usesReportIds = false;
    // Report id -> report length in bytes, including the report-id byte when
    // the descriptor uses ids. Ids without a report of that type are absent.
    std::map<uint8_t, uint16_t> inputLengths;
    std::map<uint8_t, uint16_t> outputLengths;
    std::map<uint8_t, uint16_t> featureLengths;

    // The longest report of a type (0 when the collection has none): the
    // buffer length a caller needs, like the OS's report byte lengths.
    uint16_t MaxLength(ReportType type) const;
};

// One enumerated top-level collection, addressable by its own path.
struct InterfaceInfo {
    // Node path plus the tokens the catalogue parses, e.g.
    // "/dev/hidraw3#vid_0c45&pid_7650&mi_01&col04"; "&col" only when the
    // interface has more than one top-level collection.
    std::string path;
    DeviceAttributes attributes;
    int interfaceNumber = 0;
    int collectionNumber = 0;  // 1-based in descriptor order, 0 when alone
    ReportCollection collection;
    bool accessible = true;  // false when this user may not open the node
};

enum class OpenStatus : uint8_t {
    Ok,
    NotFound,          // the path names nothing present
    PermissionDenied,  // present, but this user may not open it
    NotSupported,      // present, but not a usable HID interface
    Failed,            // any other error
};

enum class TransferStatus : uint8_t {
    Ok,
    TimedOut,
    Cancelled,     // woken by CancelPendingRead / close
    Disconnected,  // the device went away
    Failed,
};

const char* ToString(OpenStatus status);
const char* ToString(TransferStatus status);

}  // namespace kelno::hid
