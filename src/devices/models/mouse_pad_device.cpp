#include "devices/models/mouse_pad_device.h"

#include "skin/core/attribute_values.h"

namespace kelno {

CZembravaMousePadDevice::CZembravaMousePadDevice(std::shared_ptr<hid::HidBackend> backend)
    : CZembravaLightBlockDevice(std::move(backend), {.kind = DeviceKind::MousePad,
                                                     .kindName = "MousePad",
                                                     .ledCount = pad::kLedCount,
                                                     .ledPanel = "mousepad_device_key_light",
                                                     .wave = WaveEffect::Shape{}}) {}

CZembravaMousePadDevice::~CZembravaMousePadDevice() {
    StopThreads();
}

std::string CZembravaMousePadDevice::GetClass() const {
    return "ZembravaMousePadDevice";
}

void* CZembravaMousePadDevice::GetInterface(std::string_view name) {
    if (skin::EqualsNoCase(name, "ZembravaMousePadDevice")) return this;
    return CZembravaLightBlockDevice::GetInterface(name);
}

}  // namespace kelno
