// Report descriptors come from devices: any byte string must end in a
// result or an error, and a result must be self-consistent.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "platform/hid/report_descriptor.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kelno::hid;
    const ParsedDescriptor parsed = ParseReportDescriptor(std::span<const uint8_t>(data, size));
    if (!parsed.ok) {
        if (parsed.error.empty() || !parsed.collections.empty()) std::abort();
        return 0;
    }
    for (const ParsedCollection& collection : parsed.collections) {
        if (!parsed.usesReportIds && collection.info.reportIds != std::vector<uint8_t>{0}) {
            std::abort();
        }
        for (const ReportField& field : collection.fields) {
            const int owner = CollectionOwningReport(parsed, field.type, field.reportId);
            if (owner < 0 && field.reportSize * uint64_t{field.reportCount} > 0) std::abort();
        }
    }
    return 0;
}
