#pragma once
// CZembravaProfiledDevice: a device page that keeps its settings in a
// profile file of its kind's profile list and hosts configuration panels
// (profile, lighting and whatever the kind adds). The keyboard, the mouse
// and the mouse pad build on it.

#include <string>
#include <vector>

#include "devices/models/usb_device.h"
#include "profiles/basic_profile_data.h"

namespace kelno {

class CZembravaProfiledDevice : public CZembravaUSBDevice {
  public:
    using CZembravaUSBDevice::CZembravaUSBDevice;

    // The selected profile of the kind's profile list (or the name given by
    // SetProfileName), the default profile and the light configuration.
    void BindProfilePaths() override;
    std::string GetProfileName() const override;  // the profile file's path
    int SaveProfile() override;
    // The last load found a profile file it could not read or back up: the
    // page works from the default profile and saves nothing over that file.
    bool IsProfileKeptInMemory() const;
    // The light list of the profile's first device node (the only one).
    void SetLightListIndex(int index);
    // Every bound panel shows the device again.
    int FillPanelLists() override;

    // The language text of an id through the hidden label "text_test" (the
    // id itself when the page has none).
    std::string ResolveText(const std::string& textId);

  protected:
    virtual CBasicProfiledata& BasicProfile() = 0;
    virtual const CBasicProfiledata& BasicProfile() const = 0;

    // Binds the panels found by these names (profile and lighting panels
    // among them), the profile paths and the text label, then fills the
    // panels.
    void BindPanels(const std::vector<const char*>& names);
    // A control's panel interface; null for other controls.
    static IDevicePanel* PanelOf(skin::CControlUI* control);

    skin::CControlUI* Find(const char* name);
    template <typename T>
    T* FindAs(const char* name, const char* interfaceName) {
        skin::CControlUI* control = Find(name);
        return control ? static_cast<T*>(control->GetInterface(interfaceName)) : nullptr;
    }

  private:
    std::vector<skin::CControlUI*> panels_;
    skin::CControlUI* textTest_ = nullptr;
};

}  // namespace kelno
