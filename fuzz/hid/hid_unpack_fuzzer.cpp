// Input reports come from devices: unpacking any report against any
// descriptor's data arrays must end in true or false without reading
// outside the report or the entries. Input: 2 bytes descriptor length
// (little-endian), the descriptor, then the report.
#include <cstdint>
#include <span>

#include "devices/hid/hid_unpack.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kelno;
    if (size < 2) return 0;
    const size_t descriptorLength = std::min<size_t>(data[0] | (data[1] << 8), size - 2);
    const std::span<const uint8_t> descriptor(data + 2, descriptorLength);
    const std::span<const uint8_t> report(data + 2 + descriptorLength,
                                          size - 2 - descriptorLength);
    const hid::ParsedDescriptor parsed = hid::ParseReportDescriptor(descriptor);
    if (!parsed.ok) return 0;
    for (const hid::ParsedCollection& collection : parsed.collections) {
        for (const hid::ReportType type :
             {hid::ReportType::Input, hid::ReportType::Output, hid::ReportType::Feature}) {
            std::vector<HidDataEntry> entries = HidBuildDataEntries(collection.fields, type);
            HidUnpackReport(report, type, entries, collection.fields, parsed.usesReportIds);
        }
    }
    return 0;
}
