#include "platform/hid/report_descriptor.h"

#include <algorithm>
#include <array>
#include <map>
#include <optional>
#include <utility>

namespace kelno::hid {
namespace {

// Limits that keep a hostile descriptor from costing unbounded memory or
// producing lengths the rest of the system cannot hold. Real devices stay
// far below them (hidraw itself caps descriptors at 4 KiB).
constexpr size_t kMaxDescriptorBytes = 65535;
constexpr size_t kMaxCollectionDepth = 64;
constexpr size_t kMaxGlobalStackDepth = 16;
constexpr uint32_t kMaxReportSizeBits = 256;
constexpr uint32_t kMaxReportCount = 65535;
constexpr uint64_t kMaxReportBytes = 16384;

// Item tags (the prefix byte without its size bits).
enum : uint8_t {
    kInput = 0x80,
    kOutput = 0x90,
    kCollection = 0xA0,
    kFeature = 0xB0,
    kEndCollection = 0xC0,
    kUsagePage = 0x04,
    kLogicalMinimum = 0x14,
    kLogicalMaximum = 0x24,
    kReportSize = 0x74,
    kReportId = 0x84,
    kReportCount = 0x94,
    kPush = 0xA4,
    kPop = 0xB4,
    kUsage = 0x08,
    kUsageMinimum = 0x18,
    kUsageMaximum = 0x28,
    kDelimiter = 0xA8,
};
constexpr uint8_t kLongItemPrefix = 0xFE;
constexpr uint8_t kApplicationCollection = 0x01;

// Everything a Push saves and a Pop restores. Logical maximum keeps its raw
// bytes: whether it is signed depends on the minimum in force at the main
// item.
struct GlobalState {
    uint16_t usagePage = 0;
    int32_t logicalMinimum = 0;
    uint32_t logicalMaximumRaw = 0;
    uint8_t logicalMaximumBytes = 0;
    uint32_t reportSize = 0;
    uint32_t reportCount = 0;
    uint8_t reportId = 0;
};

// A usage as written: 1- and 2-byte usages take the usage page in force at
// the main item (so a Usage Page after Usage Minimum still applies);
// 4-byte usages carry their own page.
struct LocalUsage {
    uint32_t value = 0;
    bool extended = false;

    uint32_t Full(uint16_t usagePage) const {
        return extended ? value : (uint32_t{usagePage} << 16) | (value & 0xFFFFu);
    }
};

struct LocalState {
    std::vector<LocalUsage> usages;
    std::optional<LocalUsage> usageMinimum;
    std::optional<LocalUsage> usageMaximum;
    int delimiterDepth = 0;
    bool setHasUsage = false;  // the open delimiter set has its usage
};

int32_t SignExtend(uint32_t value, size_t bytes) {
    switch (bytes) {
        case 1:
            return static_cast<int8_t>(value);
        case 2:
            return static_cast<int16_t>(value);
        default:
            return static_cast<int32_t>(value);
    }
}

class Parser {
public:
    explicit Parser(std::span<const uint8_t> bytes) : bytes_(bytes) {}

    ParsedDescriptor Run() {
        if (bytes_.size() > kMaxDescriptorBytes)
            return Fail(0, "descriptor longer than 65535 bytes");
        size_t pos = 0;
        while (pos < bytes_.size()) {
            const uint8_t prefix = bytes_[pos];
            if (prefix == kLongItemPrefix) {
                // Long item: size byte, tag byte, data. No defined long
                // items exist; skip it whole.
                if (bytes_.size() - pos < 3) return Fail(pos, "truncated long item");
                const size_t dataSize = bytes_[pos + 1];
                if (bytes_.size() - pos - 3 < dataSize) return Fail(pos, "truncated long item");
                pos += 3 + dataSize;
                continue;
            }
            static constexpr std::array<size_t, 4> kSizes{0, 1, 2, 4};
            const size_t dataSize = kSizes[prefix & 0x03];
            if (bytes_.size() - pos - 1 < dataSize) return Fail(pos, "truncated item");
            uint32_t data = 0;
            for (size_t i = 0; i < dataSize; ++i) data |= uint32_t{bytes_[pos + 1 + i]} << (8 * i);
            const uint8_t tag = prefix & 0xFC;
            std::string error;
            switch (tag & 0x0C) {
                case 0x00:
                    error = MainItem(tag, data);
                    break;
                case 0x04:
                    error = GlobalItem(tag, data, dataSize);
                    break;
                case 0x08:
                    LocalItem(tag, data, dataSize);
                    break;
                default:
                    break;  // reserved item type: ignored
            }
            if (!error.empty()) return Fail(pos, error);
            pos += 1 + dataSize;
        }
        if (!collectionStack_.empty()) return Fail(pos, "collection not closed at the end");
        return Finish();
    }

private:
    ParsedDescriptor Fail(size_t pos, const std::string& what) {
        ParsedDescriptor result;
        result.error = what + " at byte " + std::to_string(pos);
        return result;
    }

    std::string MainItem(uint8_t tag, uint32_t data) {
        std::string error;
        switch (tag) {
            case kInput:
                error = AddField(ReportType::Input, data);
                break;
            case kOutput:
                error = AddField(ReportType::Output, data);
                break;
            case kFeature:
                error = AddField(ReportType::Feature, data);
                break;
            case kCollection:
                error = OpenCollection(static_cast<uint8_t>(data));
                break;
            case kEndCollection:
                if (collectionStack_.empty())
                    error = "End Collection without a Collection";
                else
                    collectionStack_.pop_back();
                break;
            default:
                break;  // reserved main item: ignored
        }
        local_ = {};
        return error;
    }

    std::string GlobalItem(uint8_t tag, uint32_t data, size_t dataSize) {
        switch (tag) {
            case kUsagePage:
                global_.usagePage = static_cast<uint16_t>(data);
                break;
            case kLogicalMinimum:
                global_.logicalMinimum = SignExtend(data, dataSize);
                break;
            case kLogicalMaximum:
                global_.logicalMaximumRaw = data;
                global_.logicalMaximumBytes = static_cast<uint8_t>(dataSize);
                break;
            case kReportSize:
                global_.reportSize = data;
                break;
            case kReportCount:
                global_.reportCount = data;
                break;
            case kReportId:
                if (data == 0 || data > 0xFF) return "invalid Report ID";
                global_.reportId = static_cast<uint8_t>(data);
                usesReportIds_ = true;
                break;
            case kPush:
                if (globalStack_.size() >= kMaxGlobalStackDepth) return "Push nested too deep";
                globalStack_.push_back(global_);
                break;
            case kPop:
                if (globalStack_.empty()) return "Pop without Push";
                global_ = globalStack_.back();
                globalStack_.pop_back();
                break;
            default:
                break;  // units, exponents, physical range: not needed
        }
        return {};
    }

    void LocalItem(uint8_t tag, uint32_t data, size_t dataSize) {
        const LocalUsage usage{data, dataSize == 4};
        // The usages of one delimiter set are aliases of one control: the
        // first one stands for the set.
        const bool alias = local_.delimiterDepth > 0 && local_.setHasUsage;
        switch (tag) {
            case kUsage:
                if (!alias) local_.usages.push_back(usage);
                local_.setHasUsage = local_.delimiterDepth > 0;
                break;
            case kUsageMinimum:
                if (!alias) local_.usageMinimum = usage;
                break;
            case kUsageMaximum:
                if (!alias) local_.usageMaximum = usage;
                local_.setHasUsage = local_.delimiterDepth > 0;
                break;
            case kDelimiter:
                if (data == 1) {
                    ++local_.delimiterDepth;
                    local_.setHasUsage = false;
                } else if (data == 0 && local_.delimiterDepth > 0) {
                    --local_.delimiterDepth;
                }
                break;
            default:
                break;  // designators, strings: not needed
        }
    }

    std::string OpenCollection(uint8_t type) {
        if (collectionStack_.size() >= kMaxCollectionDepth) return "collections nested too deep";
        int owner = collectionStack_.empty() ? -1 : collectionStack_.front();
        if (collectionStack_.empty() && type == kApplicationCollection) {
            ParsedCollection top;
            uint32_t usage = uint32_t{global_.usagePage} << 16;
            if (!local_.usages.empty()) usage = local_.usages.front().Full(global_.usagePage);
            top.info.usagePage = static_cast<uint16_t>(usage >> 16);
            top.info.usage = static_cast<uint16_t>(usage & 0xFFFFu);
            collections_.push_back(std::move(top));
            owner = static_cast<int>(collections_.size()) - 1;
        }
        collectionStack_.push_back(owner);
        return {};
    }

    std::string AddField(ReportType type, uint32_t flags) {
        if (global_.reportSize > kMaxReportSizeBits) return "Report Size above 256 bits";
        if (global_.reportCount > kMaxReportCount) return "Report Count above 65535";
        uint32_t& offset = nextBit_[{type, global_.reportId}];
        const uint64_t bits = uint64_t{global_.reportSize} * global_.reportCount;
        if ((offset + bits + 7) / 8 > kMaxReportBytes) return "report longer than 16384 bytes";

        ReportField field;
        field.type = type;
        field.reportId = global_.reportId;
        field.bitOffset = offset;
        field.reportSize = global_.reportSize;
        field.reportCount = global_.reportCount;
        field.flags = flags;
        field.usagePage = global_.usagePage;
        for (const LocalUsage& usage : local_.usages) {
            field.usages.push_back(usage.Full(global_.usagePage));
        }
        if (field.usages.empty() && (local_.usageMinimum || local_.usageMaximum)) {
            const LocalUsage minimum = local_.usageMinimum.value_or(LocalUsage{});
            const LocalUsage maximum = local_.usageMaximum.value_or(minimum);
            field.usageMinimum = minimum.Full(global_.usagePage);
            field.usageMaximum = maximum.Full(global_.usagePage);
            field.usagePage = static_cast<uint16_t>(field.usageMinimum >> 16);
        } else if (!field.usages.empty()) {
            field.usagePage = static_cast<uint16_t>(field.usages.front() >> 16);
        }
        field.logicalMinimum = global_.logicalMinimum;
        // A maximum is read as signed only when the minimum is negative:
        // "Logical Maximum (255)" written in one byte is common and means 255.
        field.logicalMaximum =
            global_.logicalMinimum < 0
                ? SignExtend(global_.logicalMaximumRaw, global_.logicalMaximumBytes)
                : static_cast<int32_t>(global_.logicalMaximumRaw);
        offset += static_cast<uint32_t>(bits);

        if (!collectionStack_.empty() && collectionStack_.front() >= 0) {
            collections_[static_cast<size_t>(collectionStack_.front())].fields.push_back(
                std::move(field));
        }
        return {};
    }

    ParsedDescriptor Finish() {
        ParsedDescriptor result;
        result.ok = true;
        result.usesReportIds = usesReportIds_;
        for (ParsedCollection& collection : collections_) {
            ReportCollection& info = collection.info;
            for (const ReportField& field : collection.fields) {
                if (std::find(info.reportIds.begin(), info.reportIds.end(), field.reportId) ==
                    info.reportIds.end()) {
                    info.reportIds.push_back(field.reportId);
                }
                const uint32_t bits = nextBit_[{field.type, field.reportId}];
                if (bits == 0) continue;  // only zero-width fields: no report
                const auto bytes = static_cast<uint16_t>((bits + 7) / 8 + (usesReportIds_ ? 1 : 0));
                auto& lengths = field.type == ReportType::Input    ? info.inputLengths
                                : field.type == ReportType::Output ? info.outputLengths
                                                                   : info.featureLengths;
                lengths[field.reportId] = bytes;
            }
            if (!usesReportIds_) info.reportIds = {0};
            info.usesReportIds = usesReportIds_;
        }
        result.collections = std::move(collections_);
        return result;
    }

    std::span<const uint8_t> bytes_;
    GlobalState global_;
    std::vector<GlobalState> globalStack_;
    LocalState local_;
    // Per open collection: the index of the top-level collection it belongs
    // to, -1 when outside any (a non-Application collection at the top).
    std::vector<int> collectionStack_;
    std::vector<ParsedCollection> collections_;
    std::map<std::pair<ReportType, uint8_t>, uint32_t> nextBit_;
    bool usesReportIds_ = false;
};

}  // namespace

ParsedDescriptor ParseReportDescriptor(std::span<const uint8_t> descriptor) {
    return Parser(descriptor).Run();
}

int CollectionOwningReport(const ParsedDescriptor& descriptor, ReportType type, uint8_t reportId) {
    for (size_t i = 0; i < descriptor.collections.size(); ++i) {
        const ReportCollection& info = descriptor.collections[i].info;
        const auto& lengths = type == ReportType::Input    ? info.inputLengths
                              : type == ReportType::Output ? info.outputLengths
                                                           : info.featureLengths;
        if (lengths.contains(reportId)) return static_cast<int>(i);
    }
    return -1;
}

}  // namespace kelno::hid
