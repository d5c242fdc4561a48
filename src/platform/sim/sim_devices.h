#pragma once
// The four emulated peripherals as configurations of SimCommandDevice. The
// keyboard carries the product's real ids; the mouse, mouse pad and headset
// carry ids of their own, which a test catalogue lists (the shipped one
// leaves them 0).

#include <array>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/sim/sim_command_device.h"

namespace kelno::sim {

// The wireless mouse is the mouse's firmware behind a receiver of its own ids.
enum class SimKind { Keyboard, Mouse, MousePad, Headset, WirelessMouse };

inline constexpr std::array<SimKind, 5> kAllSimKinds = {
    SimKind::Keyboard, SimKind::Mouse, SimKind::MousePad, SimKind::Headset,
    SimKind::WirelessMouse};

inline constexpr hid::DeviceAttributes kSimKeyboardIds{0x0C45, 0x7650, 0x0105};
inline constexpr hid::DeviceAttributes kSimMouseIds{0x0C45, 0x7652, 0x0102};
inline constexpr hid::DeviceAttributes kSimMousePadIds{0x0C45, 0x7653, 0x0101};
inline constexpr hid::DeviceAttributes kSimHeadsetIds{0x0C45, 0x7654, 0x0100};
inline constexpr hid::DeviceAttributes kSimWirelessMouseIds{0x0C45, 0x7655, 0x0102};

inline constexpr size_t kSimKeyboardKeys = 126;
inline constexpr size_t kSimMouseKeys = 10;
inline constexpr size_t kSimSettingsMemorySize = 1024;

// "keyboard", "mouse", "mousepad", "headset", "wmouse".
std::string_view SimKindName(SimKind kind);
std::optional<SimKind> SimKindFromName(std::string_view name);

hid::DeviceAttributes SimKindIds(SimKind kind);

// A fresh device of that kind, plugged, with factory memory.
std::shared_ptr<SimCommandDevice> MakeSimDevice(SimKind kind);

// The keyboard's factory key codes (3 bytes each) in page-key order, and the
// order in which its firmware stores them: device key k holds the code of
// page key SimKeyboardDeviceOrder()[k]. The order is a fixed shuffle.
const std::vector<uint8_t>& SimKeyboardPageKeyCodes();
const std::vector<int>& SimKeyboardDeviceOrder();

}  // namespace kelno::sim
