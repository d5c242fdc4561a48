#include "devices/detect/emulator_catalogue.h"

#include <algorithm>

#include "platform/sim/sim_devices.h"

namespace kelno {
namespace {

// The wireless mouse: its receiver's two interfaces as kind 6; a kind row of
// kind 6 whose page is found through the kind row of kind 2 (a wireless
// mouse is handled as a mouse), with the mouse's page and the power shown.
void AppendWirelessMouse(std::vector<SupportedDeviceEntry>& supported,
                         std::vector<DeviceKindEntry>& kinds, std::vector<DevicePageEntry>& pages) {
    const auto kindRow = std::find_if(kinds.begin(), kinds.end(), [](const DeviceKindEntry& row) {
        return row.kind == KindCode(DeviceKind::Mouse);
    });
    if (kindRow == kinds.end()) return;
    DevicePageEntry page = pages[static_cast<size_t>(kindRow - kinds.begin())];
    page.showPowerIndicator = 1;
    DeviceKindEntry kind = *kindRow;
    kind.vendorId = sim::kSimWirelessMouseIds.vendorId;
    kind.productId = sim::kSimWirelessMouseIds.productId;

    std::vector<SupportedDeviceEntry> receiver;
    for (const SupportedDeviceEntry& row : supported) {
        if (row.kind != KindCode(DeviceKind::Mouse)) continue;
        SupportedDeviceEntry wireless = row;
        wireless.vendorId = sim::kSimWirelessMouseIds.vendorId;
        wireless.productId = sim::kSimWirelessMouseIds.productId;
        wireless.kind = static_cast<uint16_t>(KindCode(DeviceKind::WirelessMouse));
        receiver.push_back(wireless);
    }
    supported.insert(supported.end(), receiver.begin(), receiver.end());
    for (const DeviceKind k : {DeviceKind::WirelessMouse, DeviceKind::Mouse}) {
        kind.kind = KindCode(k);
        kinds.push_back(kind);
        pages.push_back(page);
    }
}

}  // namespace

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
    auto pages = shipped.DevicePageTable();
    for (size_t r = 0; r < kinds.size() && r < pages.size(); ++r)
        if (kinds[r].kind == KindCode(DeviceKind::MousePad)) pages[r].showPowerIndicator = 1;
    AppendWirelessMouse(supported, kinds, pages);
    return Catalogue(std::move(supported), std::move(kinds), std::move(pages),
                     shipped.FirmwareTable());
}

}  // namespace kelno
