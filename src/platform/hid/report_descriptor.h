#pragma once
// Parser of HID report descriptors: splits a descriptor into its top-level
// collections with their usages, report ids, report lengths and the fields
// of each report (for unpacking input reports). Descriptors come from
// devices and are untrusted: any byte string parses to a result or an error,
// never a crash, overrun or hang.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/hid/hid_types.h"

namespace kelno::hid {

// One main item (Input, Output or Feature) placed in a report.
struct ReportField {
    ReportType type = ReportType::Input;
    uint8_t reportId = 0;
    uint32_t bitOffset = 0;    // from the start of the report data, after the id byte
    uint32_t reportSize = 0;   // bits per element
    uint32_t reportCount = 0;  // elements
    uint32_t flags = 0;        // the main item's data (bit 0 constant, bit 1 variable, ...)
    uint16_t usagePage = 0;
    // Usages of the elements: an explicit list, or a range when usageMinimum
    // and usageMaximum were given (list empty then).
    std::vector<uint32_t> usages;  // full 32-bit usages (page << 16 | id) as declared
    uint32_t usageMinimum = 0;
    uint32_t usageMaximum = 0;
    int32_t logicalMinimum = 0;
    int32_t logicalMaximum = 0;

    bool IsConstant() const { return (flags & 0x01) != 0; }
    bool IsVariable() const { return (flags & 0x02) != 0; }
    bool IsArray() const { return !IsVariable(); }
};

struct ParsedCollection {
    ReportCollection info;
    std::vector<ReportField> fields;
};

struct ParsedDescriptor {
    bool ok = false;
    std::string error;  // set when !ok: what was wrong and at which byte
    bool usesReportIds = false;
    std::vector<ParsedCollection> collections;  // top-level, in descriptor order
};

ParsedDescriptor ParseReportDescriptor(std::span<const uint8_t> descriptor);

// Which top-level collection owns an input report with this id; -1 for none.
int CollectionOwningReport(const ParsedDescriptor& descriptor, ReportType type, uint8_t reportId);

}  // namespace kelno::hid
