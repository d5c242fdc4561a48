#include "devices/detect/emulator_catalogue.h"

#include "platform/sim/sim_devices.h"

namespace kelno {

Catalogue EmulatorCatalogue() {
    const Catalogue& shipped = Catalogue::Shipped();
    auto supported = shipped.SupportedDeviceTable();
    auto kinds = shipped.DeviceKindTable();
    const auto idsOf = [](uint16_t kind) -> hid::DeviceAttributes {
        switch (static_cast<DeviceKind>(kind)) {
            case DeviceKind::Keyboard:
                return sim::kSimKeyboardIds;
            case DeviceKind::Mouse:
                return sim::kSimMouseIds;
            case DeviceKind::MousePad:
                return sim::kSimMousePadIds;
            case DeviceKind::Headset:
                return sim::kSimHeadsetIds;
            default:
                return {};
        }
    };
    for (auto& row : supported) {
        const auto ids = idsOf(row.kind);
        row.vendorId = ids.vendorId;
        row.productId = ids.productId;
    }
    for (auto& row : kinds) {
        const auto ids = idsOf(static_cast<uint16_t>(row.kind));
        row.vendorId = ids.vendorId;
        row.productId = ids.productId;
    }
    return Catalogue(std::move(supported), std::move(kinds), shipped.DevicePageTable(),
                     shipped.FirmwareTable());
}

}  // namespace kelno
