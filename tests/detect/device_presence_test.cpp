// Choosing between the real devices and the demo device: is any supported
// device plugged in?
#include "devices/detect/device_presence.h"

#include <gtest/gtest.h>

#include "devices/detect/emulator_catalogue.h"
#include "platform/sim/sim_device_set.h"
#include "platform/sim/sim_devices.h"

namespace kelno {
namespace {

using sim::SimKind;

TEST(DevicePresence, OnlyCatalogueDevicesCount) {
    sim::SimDeviceSet devices;
    const Catalogue emulated = EmulatorCatalogue();
    EXPECT_FALSE(AnySupportedDevicePresent(*devices.Backend(), emulated)) << "nothing plugged";

    devices.Plug(SimKind::Mouse);
    EXPECT_TRUE(AnySupportedDevicePresent(*devices.Backend(), emulated));
    // The emulator's ids are not in the shipped tables: a foreign device.
    EXPECT_FALSE(AnySupportedDevicePresent(*devices.Backend(), Catalogue::Shipped()));

    devices.Unplug(SimKind::Mouse);
    EXPECT_FALSE(AnySupportedDevicePresent(*devices.Backend(), emulated)) << "unplugged again";
}

TEST(DevicePresence, AFailedListingFindsNothing) {
    sim::SimDeviceSet devices;
    devices.Plug(SimKind::Keyboard);
    devices.Backend()->SetEnumerationFails(true);
    EXPECT_FALSE(AnySupportedDevicePresent(*devices.Backend(), EmulatorCatalogue()));
}

}  // namespace
}  // namespace kelno
