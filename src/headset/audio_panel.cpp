#include "headset/audio_panel.h"

#include "skin/core/attribute_values.h"

namespace kelno {

IHeadsetAudioActions* AudioActionsOf(CZembravaUSBDevice* device) {
    return device ? static_cast<IHeadsetAudioActions*>(
                        device->GetInterface(kHeadsetAudioActionsInterface))
                  : nullptr;
}

void* CHeadsetAudioPanel::GetInterface(std::string_view name) {
    if (skin::EqualsNoCase(name, kDevicePanelInterface)) return static_cast<IDevicePanel*>(this);
    return CHorizontalLayoutUI::GetInterface(name);
}

void CHeadsetAudioPanel::BindDevice(CZembravaUSBDevice* device) {
    device_ = device;
    RefreshFromDevice();
}

void CHeadsetAudioPanel::RefreshFromDevice() {
    if (IHeadsetAudioActions* actions = AudioActionsOf(device_)) ShowFrom(*actions);
}

IHeadsetAudioActions* CHeadsetAudioPanel::ActionsFor(const skin::TNotifyUI& notify,
                                                     CZembravaUSBDevice& page) {
    if (updating_ > 0 || !notify.pSender || !children_.Owns(notify.pSender)) return nullptr;
    return AudioActionsOf(&page);
}

}  // namespace kelno
