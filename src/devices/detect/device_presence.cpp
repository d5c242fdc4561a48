#include "devices/detect/device_presence.h"

#include <algorithm>

namespace kelno {

bool AnySupportedDevicePresent(hid::HidBackend& backend, const Catalogue& catalogue) {
    const auto listed = backend.Enumerate();
    if (!listed) return false;
    return std::any_of(listed->begin(), listed->end(), [&](const hid::InterfaceInfo& info) {
        return catalogue.isCandidate(ParseInterfacePath(info.path));
    });
}

}  // namespace kelno
