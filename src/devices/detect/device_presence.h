#pragma once
// A quick look, before detection starts, at whether any supported device is
// plugged in at all (opened or not), for choosing between the real devices
// and the demo device.

#include "devices/detect/catalogue.h"
#include "platform/hid/hid_backend.h"

namespace kelno {

// Some listed interface is one the catalogue may accept. A device this user
// may not open counts: the window then explains why it cannot be shown.
// False when the listing itself fails.
bool AnySupportedDevicePresent(hid::HidBackend& backend, const Catalogue& catalogue);

}  // namespace kelno
