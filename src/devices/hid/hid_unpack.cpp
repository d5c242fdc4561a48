#include "devices/hid/hid_unpack.h"

#include <algorithm>
#include <optional>

namespace kelno {
namespace {

using hid::ReportField;
using hid::ReportType;

// Bounds on what a descriptor can make us allocate per report type.
constexpr size_t kMaxEntries = 4096;
constexpr uint32_t kMaxUsageListLength = 1024;

bool IsButtonField(const ReportField& field) {
    return field.IsArray() || field.reportSize == 1;
}

// Fields of zero width or without usages (padding) carry no control.
bool HasUsages(const ReportField& field) {
    return field.reportSize != 0 &&
           (!field.usages.empty() || field.usageMinimum != 0 || field.usageMaximum != 0);
}

uint16_t PageOf(uint32_t fullUsage) {
    return static_cast<uint16_t>(fullUsage >> 16);
}
uint16_t IdOf(uint32_t fullUsage) {
    return static_cast<uint16_t>(fullUsage & 0xFFFFu);
}

// The usage of element `index` of a variable field. Elements beyond the
// declared usages take the last one, as the HID rules say.
uint32_t VariableUsage(const ReportField& field, uint32_t index) {
    if (!field.usages.empty())
        return field.usages[std::min<size_t>(index, field.usages.size() - 1)];
    if (field.usageMaximum < field.usageMinimum) return field.usageMinimum;
    return field.usageMinimum + std::min(index, field.usageMaximum - field.usageMinimum);
}

// The usage an array element's value selects, or nothing for "no control".
std::optional<uint32_t> ArrayUsage(const ReportField& field, uint32_t raw) {
    const int64_t index = int64_t{raw} - field.logicalMinimum;
    if (index < 0) return std::nullopt;
    uint32_t usage;
    if (!field.usages.empty()) {
        if (index >= static_cast<int64_t>(field.usages.size())) return std::nullopt;
        usage = field.usages[static_cast<size_t>(index)];
    } else {
        if (field.usageMaximum < field.usageMinimum ||
            index > int64_t{field.usageMaximum} - field.usageMinimum) {
            return std::nullopt;
        }
        usage = field.usageMinimum + static_cast<uint32_t>(index);
    }
    if (IdOf(usage) == 0) return std::nullopt;  // usage 0: no control
    return usage;
}

// Reads `size` bits (little-endian bit order) at `bitOffset` of the report
// data; nothing when they lie beyond its end. Bits above 32 are dropped.
std::optional<uint32_t> ReadBits(std::span<const uint8_t> data, uint64_t bitOffset, uint32_t size) {
    if (bitOffset + size > uint64_t{data.size()} * 8) return std::nullopt;
    uint32_t value = 0;
    for (uint32_t bit = 0; bit < std::min(size, 32u); ++bit) {
        const uint64_t at = bitOffset + bit;
        if ((data[at / 8] >> (at % 8)) & 1u) value |= 1u << bit;
    }
    return value;
}

int32_t Signed(uint32_t raw, uint32_t size) {
    if (size == 0 || size >= 32) return static_cast<int32_t>(raw);
    const uint32_t sign = 1u << (size - 1);
    return static_cast<int32_t>((raw ^ sign) - sign);
}

bool Matches(const ReportField& field, ReportType type, uint8_t reportId) {
    return field.type == type && field.reportId == reportId;
}

// Every button usage of `page` that is on in the report, in report order.
// Clear when some button field of the page lies beyond the report's end.
struct ButtonsOn {
    std::vector<uint16_t> usages;
    bool complete = true;
};

ButtonsOn UsagesOn(std::span<const uint8_t> data, const std::vector<ReportField>& fields,
                   ReportType type, uint8_t reportId, uint16_t page) {
    ButtonsOn on;
    for (const ReportField& field : fields) {
        if (!Matches(field, type, reportId) || !IsButtonField(field) || !HasUsages(field)) continue;
        for (uint32_t i = 0; i < field.reportCount; ++i) {
            const auto raw = ReadBits(
                data, uint64_t{field.bitOffset} + uint64_t{i} * field.reportSize, field.reportSize);
            if (!raw) {
                on.complete = false;
                break;
            }
            std::optional<uint32_t> usage;
            if (field.IsArray()) {
                usage = ArrayUsage(field, *raw);
            } else if (*raw != 0) {
                usage = VariableUsage(field, i);
            }
            if (usage && PageOf(*usage) == page) on.usages.push_back(IdOf(*usage));
        }
    }
    return on;
}

void UnpackButtons(HidDataEntry& entry, const ButtonsOn& on) {
    size_t kept = 0;
    bool tooMany = false;
    for (const uint16_t usage : on.usages) {
        if (usage < entry.usageMin || usage > entry.usageMax) continue;
        if (kept == entry.usages.size()) {
            tooMany = true;
            break;
        }
        entry.usages[kept++] = usage;
    }
    if (kept < entry.usages.size()) entry.usages[kept] = 0;
    entry.status = !on.complete ? kHidpStatusInvalidReportLength
                   : tooMany    ? kHidpStatusBufferTooSmall
                                : kHidpStatusSuccess;
}

// The first value field of the report that declares the usage, and which
// element of it carries the usage.
struct ValueLocation {
    const ReportField* field = nullptr;
    uint32_t element = 0;
};

std::optional<ValueLocation> FindValue(const std::vector<ReportField>& fields, ReportType type,
                                       uint8_t reportId, uint32_t fullUsage) {
    for (const ReportField& field : fields) {
        if (!Matches(field, type, reportId) || IsButtonField(field)) continue;
        if (!field.usages.empty()) {
            const auto found = std::find(field.usages.begin(), field.usages.end(), fullUsage);
            if (found != field.usages.end()) {
                return ValueLocation{&field, static_cast<uint32_t>(found - field.usages.begin())};
            }
        } else if (fullUsage >= field.usageMinimum && fullUsage <= field.usageMaximum) {
            return ValueLocation{&field, fullUsage - field.usageMinimum};
        }
    }
    return std::nullopt;
}

bool UnpackValue(HidDataEntry& entry, std::span<const uint8_t> data,
                 const std::vector<ReportField>& fields, ReportType type, uint8_t reportId) {
    const uint32_t fullUsage = (uint32_t{entry.usagePage} << 16) | entry.usage;
    const auto location = FindValue(fields, type, reportId, fullUsage);
    if (!location || location->element >= location->field->reportCount) {
        entry.status = kHidpStatusUsageNotFound;
        return false;
    }
    const ReportField& field = *location->field;
    const auto raw =
        ReadBits(data, uint64_t{field.bitOffset} + uint64_t{location->element} * field.reportSize,
                 field.reportSize);
    if (!raw) {
        entry.status = kHidpStatusInvalidReportLength;
        return false;
    }
    entry.status = kHidpStatusSuccess;
    entry.value = *raw;
    entry.scaledValue =
        field.logicalMinimum < 0 ? Signed(*raw, field.reportSize) : static_cast<int32_t>(*raw);
    return true;
}

}  // namespace

std::vector<HidDataEntry> HidBuildDataEntries(const std::vector<ReportField>& fields,
                                              ReportType type) {
    // How many buttons of a page can be on at once: the buttons of every
    // field of that page.
    std::vector<std::pair<uint16_t, uint32_t>> listLengths;
    const auto listLength = [&](uint16_t page) -> uint32_t& {
        for (auto& [p, length] : listLengths) {
            if (p == page) return length;
        }
        return listLengths.emplace_back(page, 0).second;
    };
    for (const ReportField& field : fields) {
        if (field.type != type || !IsButtonField(field) || !HasUsages(field)) continue;
        std::vector<uint16_t> pages{PageOf(field.usageMinimum)};
        if (!field.usages.empty()) {
            pages.clear();
            for (const uint32_t usage : field.usages) {
                if (std::find(pages.begin(), pages.end(), PageOf(usage)) == pages.end()) {
                    pages.push_back(PageOf(usage));
                }
            }
        }
        for (const uint16_t page : pages) {
            uint32_t& length = listLength(page);
            length = std::min(kMaxUsageListLength, length + field.reportCount);
        }
    }

    std::vector<HidDataEntry> entries;
    const auto addButtons = [&](const ReportField& field, uint32_t minimum, uint32_t maximum) {
        if (entries.size() >= kMaxEntries) return;
        HidDataEntry& entry = entries.emplace_back();
        entry.isButtonData = true;
        entry.usagePage = PageOf(minimum);
        entry.reportId = field.reportId;
        entry.usageMin = IdOf(minimum);
        entry.usageMax = std::max(IdOf(minimum), IdOf(maximum));
        entry.maxUsageLength = listLength(entry.usagePage);
        entry.usages.assign(entry.maxUsageLength, 0);
    };
    for (const ReportField& field : fields) {
        if (field.type != type || !IsButtonField(field) || !HasUsages(field)) continue;
        if (field.usages.empty()) {
            addButtons(field, field.usageMinimum, field.usageMaximum);
        } else {
            for (const uint32_t usage : field.usages) addButtons(field, usage, usage);
        }
    }

    const auto addValue = [&](const ReportField& field, uint32_t usage) {
        if (entries.size() >= kMaxEntries) return;
        HidDataEntry& entry = entries.emplace_back();
        entry.usagePage = PageOf(usage);
        entry.usage = IdOf(usage);
        entry.reportId = field.reportId;
    };
    for (const ReportField& field : fields) {
        if (field.type != type || IsButtonField(field) || !HasUsages(field)) continue;
        // A usage beyond the field's element count names nothing in the
        // report; a range is cut there too, so it cannot run to 2^32 entries.
        if (!field.usages.empty()) {
            const size_t count = std::min<size_t>(field.usages.size(), field.reportCount);
            for (size_t i = 0; i < count; ++i) addValue(field, field.usages[i]);
        } else if (field.usageMaximum >= field.usageMinimum) {
            const uint64_t span = uint64_t{field.usageMaximum} - field.usageMinimum + 1;
            const uint64_t count = std::min<uint64_t>(span, field.reportCount);
            for (uint64_t i = 0; i < count && entries.size() < kMaxEntries; ++i) {
                addValue(field, field.usageMinimum + static_cast<uint32_t>(i));
            }
        }
    }
    return entries;
}

bool HidUnpackReport(std::span<const uint8_t> report, ReportType type,
                     std::span<HidDataEntry> entries, const std::vector<ReportField>& fields,
                     bool usesReportIds) {
    if (usesReportIds && report.empty()) return true;
    const uint8_t reportId = usesReportIds ? report[0] : 0;
    const std::span<const uint8_t> data = usesReportIds ? report.subspan(1) : report;

    // The buttons on are the same for every entry of a page; work them out
    // once per page.
    std::vector<std::pair<uint16_t, ButtonsOn>> onByPage;
    for (HidDataEntry& entry : entries) {
        if (entry.reportId != reportId) continue;
        if (entry.isButtonData) {
            auto found = std::find_if(onByPage.begin(), onByPage.end(), [&](const auto& page) {
                return page.first == entry.usagePage;
            });
            if (found == onByPage.end()) {
                onByPage.emplace_back(entry.usagePage,
                                      UsagesOn(data, fields, type, reportId, entry.usagePage));
                found = onByPage.end() - 1;
            }
            UnpackButtons(entry, found->second);
        } else if (!UnpackValue(entry, data, fields, type, reportId)) {
            return false;
        }
        entry.isDataSet = true;
    }
    return true;
}

}  // namespace kelno
