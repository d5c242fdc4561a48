#pragma once
// CShootControlUI ("ShootControl", found on a mouse page as
// "ShootControlItem"): the recoil panel. Four gun presets of 30 shots each,
// one file per preset in the mouse's user folder (macros/recoil_data.h);
// the panel shows one shot, saves it when an edit loses the focus and
// resets a preset from its default copy.
//
// Everything runs on the UI thread; code-driven control changes never
// re-enter the handlers.

#include <filesystem>
#include <string>
#include <string_view>

#include "panels/notify_routes.h"
#include "devices/models/usb_device.h"
#include "macros/recoil_data.h"
#include "panels/child_lookup.h"
#include "panels/update_scope.h"
#include "skin/layout/layouts.h"

namespace kelno {

class IPanelHost;

class CShootControlUI : public skin::CHorizontalLayoutUI, public IDevicePanel {
  public:
    static constexpr const char* kElementName = "ShootControl";
    static constexpr const char* kItemName = "ShootControlItem";

    explicit CShootControlUI(IPanelHost* host = nullptr) : host_(host) {}

    std::string GetClass() const override;  // "ShootControlUI"
    void* GetInterface(std::string_view name) override;
    static CShootControlUI* Of(CZembravaUSBDevice& device);

    // IDevicePanel: binding takes the device's folders and shows preset 0,
    // shot 0; a refresh shows the current shot again.
    void BindDevice(CZembravaUSBDevice* device) override;
    void RefreshFromDevice() override { ShowShot(); }

    // --- Operations -----------------------------------------------------------------
    void SetUserDirectory(std::filesystem::path folder) { userFolder_ = std::move(folder); }
    void SetDefaultDirectory(std::filesystem::path folder) { defaultFolder_ = std::move(folder); }
    void SelectPreset(int preset);  // clamped to 0..3
    void SelectShot(int shot);      // clamped to 0..29; shows it
    int CurrentPreset() const { return preset_; }
    int CurrentShot() const { return shot_; }
    void ShowShot();
    // Writes the shown shot; the edits are rewritten with what was stored.
    void SaveShot();
    void ResetPreset();

    // The main window's entry for the recoil routes (RecoilOption,
    // RecoilButton, RecoilEdit). True when handled.
    bool OnRoutedNotify(const app::Route& route, const skin::TNotifyUI& notify,
                        CZembravaUSBDevice& device);

  private:
    skin::CControlUI* Find(const std::string& name) { return children_.Find(name); }
    void SelectOnly(const std::string& prefix, int count, int selected);
    // A direction toggle with the text that names its direction.
    void ShowDirection(const char* toggle, bool selected);
    bool IsSelected(const char* toggle);
    RecoilShot ReadEdits();
    void ShowValues(const RecoilShot& shot);
    void Report(RecoilFileResult result);

    IPanelHost* host_ = nullptr;
    ChildLookup children_{*this};
    std::filesystem::path userFolder_;
    std::filesystem::path defaultFolder_;
    int preset_ = 0;
    int shot_ = -1;
    int updating_ = 0;
};

}  // namespace kelno
