#pragma once
// What both headset audio panels are: a panel of the headset page that
// shows what the page's audio actions hold, and hands the user's changes
// to them.

#include "devices/models/usb_device.h"
#include "headset/headset_audio_actions.h"
#include "panels/child_lookup.h"
#include "skin/layout/layouts.h"

namespace kelno {

// The audio actions the headset page offers; null for any other page.
IHeadsetAudioActions* AudioActionsOf(CZembravaUSBDevice* device);

class CHeadsetAudioPanel : public skin::CHorizontalLayoutUI, public IDevicePanel {
  public:
    // Also answers kDevicePanelInterface.
    void* GetInterface(std::string_view name) override;
    // IDevicePanel: both show what the page's audio actions hold.
    void BindDevice(CZembravaUSBDevice* device) override;
    void RefreshFromDevice() override;

    virtual void ShowFrom(const IHeadsetAudioActions& actions) = 0;

  protected:
    // The actions a notification is for: null unless it comes from a
    // control of this panel the user changed (not the panel itself, while
    // it shows something) on a page that offers them.
    IHeadsetAudioActions* ActionsFor(const skin::TNotifyUI& notify, CZembravaUSBDevice& page);

    ChildLookup children_{*this};
    int updating_ = 0;

  private:
    CZembravaUSBDevice* device_ = nullptr;
};

}  // namespace kelno
