#include "platform/hid/hid_types.h"

#include <algorithm>

namespace kelno::hid {

uint16_t ReportCollection::MaxLength(ReportType type) const {
    const auto& lengths = type == ReportType::Input    ? inputLengths
                          : type == ReportType::Output ? outputLengths
                                                       : featureLengths;
    uint16_t longest = 0;
    for (const auto& [id, length] : lengths) longest = std::max(longest, length);
    return longest;
}

const char* ToString(OpenStatus status) {
    switch (status) {
        case OpenStatus::Ok: return "ok";
        case OpenStatus::NotFound: return "not found";
        case OpenStatus::PermissionDenied: return "permission denied";
        case OpenStatus::NotSupported: return "not supported";
        case OpenStatus::Failed: return "failed";
    }
    return "unknown";
}

const char* ToString(TransferStatus status) {
    switch (status) {
        case TransferStatus::Ok: return "ok";
        case TransferStatus::TimedOut: return "timed out";
        case TransferStatus::Cancelled: return "cancelled";
        case TransferStatus::Disconnected: return "disconnected";
        case TransferStatus::Failed: return "failed";
    }
    return "unknown";
}

}  // namespace kelno::hid
