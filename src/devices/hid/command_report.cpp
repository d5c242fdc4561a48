#include "devices/hid/command_report.h"

#include <algorithm>
#include <cstdio>

namespace kelno {

uint16_t CommandChecksum(std::span<const uint8_t, kCommandReportSize> report) {
    uint32_t sum = 0;
    for (size_t i = kCommandCodeOffset; i < kCommandReportSize; ++i) sum += report[i];
    return static_cast<uint16_t>(sum);
}

CommandReport BuildCommandReport(uint8_t code, uint8_t length, uint16_t offset,
                                 std::span<const uint8_t> payload) {
    CommandReport report{};
    report[0] = kCommandReportId;
    report[kCommandCodeOffset] = code;
    report[kCommandLengthOffset] = length;
    report[kCommandAddressOffset] = static_cast<uint8_t>(offset & 0xFF);
    report[kCommandAddressOffset + 1] = static_cast<uint8_t>(offset >> 8);
    const size_t count = std::min(payload.size(), kCommandPayloadSize);
    std::copy_n(payload.begin(), count, report.begin() + kCommandPayloadOffset);
    const uint16_t checksum = CommandChecksum(report);
    report[kCommandChecksumOffset] = static_cast<uint8_t>(checksum & 0xFF);
    report[kCommandChecksumOffset + 1] = static_cast<uint8_t>(checksum >> 8);
    return report;
}

int StatusResult(uint8_t status) {
    if (status == kStatusError) return kChannelStatusError;
    if (status == kStatusRejected) return kChannelStatusRejected;
    return kChannelOk;
}

std::array<std::string, 2> FormatCommandReport(
    std::span<const uint8_t, kCommandReportSize> report) {
    std::array<std::string, 2> lines;
    for (size_t line = 0; line < 2; ++line) {
        std::string& text = lines[line];
        for (size_t i = 0; i < 32; ++i) {
            if (i > 0) text += i % 4 != 0 ? " " : (i <= 12 ? "   " : "  ");
            char hex[3];
            std::snprintf(hex, sizeof hex, "%02x", report[line * 32 + i]);
            text += hex;
        }
    }
    return lines;
}

}  // namespace kelno
