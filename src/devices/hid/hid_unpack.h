#pragma once
// Unpacking reports into their controls: the data arrays a record builds at
// open (one entry per button control, then one per value usage) and the
// operation that fills them from one report, worked out from our own parse
// of the report descriptor.

#include <cstdint>
#include <span>
#include <vector>

#include "platform/hid/hid_types.h"
#include "platform/hid/report_descriptor.h"

namespace kelno {

// Status codes an entry carries, with the values the OS's HID parser uses.
inline constexpr uint32_t kHidpStatusSuccess = 0x00110000u;
inline constexpr uint32_t kHidpStatusInvalidReportLength = 0xC0110003u;
inline constexpr uint32_t kHidpStatusBufferTooSmall = 0xC0110007u;
inline constexpr uint32_t kHidpStatusUsageNotFound = 0xC0110004u;

// One control of a report: a set of buttons (array items and 1-bit
// variable items) or one value usage.
struct HidDataEntry {
    bool isButtonData = false;
    uint16_t usagePage = 0;
    uint32_t status = kHidpStatusSuccess;
    uint32_t reportId = 0;
    bool isDataSet = false;

    // Button part: the usages on in the last report within
    // [usageMin, usageMax], in report order, followed by a 0 when there is
    // room. `usages` has maxUsageLength elements.
    uint32_t usageMin = 0;
    uint32_t usageMax = 0;
    uint32_t maxUsageLength = 0;
    std::vector<uint16_t> usages;

    // Value part.
    uint16_t usage = 0;
    uint32_t value = 0;
    int32_t scaledValue = 0;
};

// The data array of one report type of a collection: its button controls in
// descriptor order, then every usage of its value controls. Bounded, so a
// hostile descriptor cannot make it huge.
std::vector<HidDataEntry> HidBuildDataEntries(const std::vector<hid::ReportField>& fields,
                                              hid::ReportType type);

// Fills the entries whose report id is the report's (byte 0 when the
// descriptor uses report ids, else 0, the data starting at byte 0). A
// report matching no entry leaves everything untouched. False when a value
// could not be read (a report too short for it); true otherwise.
bool HidUnpackReport(std::span<const uint8_t> report, hid::ReportType type,
                     std::span<HidDataEntry> entries, const std::vector<hid::ReportField>& fields,
                     bool usesReportIds);

}  // namespace kelno
