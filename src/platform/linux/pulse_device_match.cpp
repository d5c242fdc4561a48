// Which of the server's sinks and sources are the headset's: USB devices
// carrying its vendor and product ids, those under its USB device first.

#include "platform/linux/pulse_audio_config_lib.h"

#include <algorithm>
#include <charconv>

namespace kelno::audio {
namespace {

std::optional<uint32_t> ParseHexId(std::string_view text) {
    if (text.starts_with("0x") || text.starts_with("0X")) text.remove_prefix(2);
    uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

bool Under(std::string_view path, std::string_view parent) {
    if (parent.starts_with("/sys/")) parent.remove_prefix(4);
    while (parent.size() > 1 && parent.back() == '/') parent.remove_suffix(1);
    if (parent.empty() || !path.starts_with(parent)) return false;
    return path.size() == parent.size() || path[parent.size()] == '/';
}

}  // namespace

std::vector<PulseDeviceInfo> MatchHeadsetDevices(const std::vector<PulseDeviceInfo>& devices,
                                                 const PulseHeadsetMatch& match) {
    std::vector<PulseDeviceInfo> found;
    if (match.vendorId == 0 && match.productId == 0) return found;
    for (const PulseDeviceInfo& device : devices) {
        if (device.monitor || device.bus != "usb") continue;
        if (ParseHexId(device.vendorId) == match.vendorId &&
            ParseHexId(device.productId) == match.productId)
            found.push_back(device);
    }
    std::stable_partition(found.begin(), found.end(), [&](const PulseDeviceInfo& device) {
        return Under(device.sysfsPath, match.usbParent);
    });
    return found;
}

}  // namespace kelno::audio
