#pragma once
// Report descriptors of the emulated devices. The keyboard, mouse and mouse
// pad expose four top-level collections on interface 1 (the consumer
// collection, notifications, is col03 with report id 3; the vendor
// collection 0xFF1C/0x92, 64-byte commands, is col04 with report id 4); the
// headset exposes one consumer collection on interface 3 that carries the
// notifications (id 1), the commands (id 4) and the 17-byte LED output
// reports (id 0xFF).

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kelno::sim {

inline constexpr uint8_t kNotifyReportId = 3;
inline constexpr uint8_t kHeadsetNotifyReportId = 1;
inline constexpr uint8_t kCommandReportId = 4;
inline constexpr uint8_t kHeadsetLedReportId = 0xFF;
inline constexpr size_t kHeadsetLedReportSize = 17;

std::vector<uint8_t> KeyboardInterfaceDescriptor();
std::vector<uint8_t> MouseInterfaceDescriptor();
std::vector<uint8_t> HeadsetInterfaceDescriptor();

}  // namespace kelno::sim
