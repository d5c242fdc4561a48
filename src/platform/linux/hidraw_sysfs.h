#pragma once
// What sysfs tells about a hidraw node without opening it:
// <sysfs>/class/hidraw/hidrawN/device is the HID device (uevent with HID_ID,
// report_descriptor); for USB devices its parent is the USB interface
// (bInterfaceNumber) and that one's parent the USB device (bcdDevice).

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/hid/hid_types.h"

namespace kelno::hid {

inline constexpr uint32_t kBusUsb = 0x0003;

struct HidrawNodeInfo {
    std::string name;  // "hidraw3"
    uint32_t bus = 0;
    DeviceAttributes attributes;
    int interfaceNumber = 0;  // 0 for devices not on USB
    std::vector<uint8_t> reportDescriptor;
    // The HID device's resolved sysfs folder: it changes when the device
    // is unplugged and plugged in again, even under the same node name.
    std::filesystem::path identity;
};

// True for "hidraw" followed by decimal digits only.
bool IsHidrawNodeName(const std::string& name);

// Node names under <sysfs>/class/hidraw in numeric order; empty when the
// class folder is absent (no hidraw devices), nothing when it cannot be read.
std::optional<std::vector<std::string>> ListHidrawNodes(const std::filesystem::path& sysfsRoot);

// The node's sysfs information; nothing when the node is gone or its
// entries are unreadable or malformed.
std::optional<HidrawNodeInfo> ReadHidrawNode(const std::filesystem::path& sysfsRoot,
                                             const std::string& name);

}  // namespace kelno::hid
