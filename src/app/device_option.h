#pragma once
// CDeviceOptionUI: the tab item of one device page ("DeviceOption.xml").
// Its "device_select" option is the tab itself; selecting it shows the bound
// page of the "device_switch" tab layout and the device's power page. The
// tab item also carries the timers that drive its device page (1000 to
// 1005), so they stop with the page's tab rather than with some window.

#include <cstdint>
#include <string>

#include "skin/controls/button.h"
#include "skin/layout/layouts.h"

namespace kelno {
class CZembravaUSBDevice;
}

namespace kelno::app {

class CDeviceOptionUI : public skin::CHorizontalLayoutUI {
  public:
    static constexpr uint32_t kLightTickIntervalMs = 20;
    static constexpr uint32_t kPowerPollIntervalMs = 5000;
    static constexpr uint32_t kInitialSyncDelayMs = 500;

    std::string GetClass() const override;  // "DeviceOption"
    void* GetInterface(std::string_view name) override;
    // After the base activation, raises "selectchanged" for the tab item.
    bool Activate() override;
    void DoEvent(skin::TEventUI& event) override;
    void SetVisible(bool visible) override;

    // Finds "device_select", "synchro_device_select" and "device_select_name".
    void CacheSubControls();
    skin::COptionUI* SelectButton() const { return select_; }
    skin::COptionUI* SynchroButton() const { return synchro_; }
    void SetNameText(const std::string& text);

    void BindPage(CZembravaUSBDevice* page, skin::CTabLayoutUI* pages, int pageIndex);
    CZembravaUSBDevice* GetPage() const { return page_; }
    skin::CTabLayoutUI* GetPageSwitch() const { return pages_; }
    int GetPageIndex() const { return pageIndex_; }

    // A negative index: the tab has no power page.
    void SetPowerLayout(std::string name, int index);
    const std::string& GetPowerLayoutName() const { return powerLayoutName_; }
    int GetPowerIndex() const { return powerIndex_; }

    // Sets the kind's icon set on "device_select".
    void SetKind(int kind, int variant);
    int GetKind() const { return kind_; }
    int GetVariant() const { return variant_; }

    bool IsItemVisible() const { return visible_; }
    bool IsTabSelected() const { return select_ != nullptr && select_->IsSelected(); }
    bool IsSynchroSelected() const { return synchro_ != nullptr && synchro_->IsSelected(); }
    // The synchronise option off, and the plain images back.
    void ClearSynchro();
    // "device_select" shows the synchronised pair of images, or the plain pair.
    void ShowSynchroImages(bool synchro);

    // Timer 1001 after its delay (arrival).
    void StartTimerChain();

    // The preview tick (timer 1000) runs only while the window is shown,
    // this tab is the selected one, the device is connected and synced, the
    // pointer is over the window and the page's lighting animates; a still
    // preview is repainted only when its lights change. Called when any of
    // these may have changed.
    void UpdatePreviewTick();
    // The main window was shown or hidden (to the tray, minimised).
    void SetWindowShown(bool shown);
    bool IsPreviewTicking() const { return ticking_; }

  private:
    void ArmTimer(uint32_t id, uint32_t elapseMs);
    void KillTimer(uint32_t id);
    bool PageConnected() const;

    skin::COptionUI* select_ = nullptr;
    skin::COptionUI* synchro_ = nullptr;
    skin::CControlUI* name_ = nullptr;
    CZembravaUSBDevice* page_ = nullptr;
    skin::CTabLayoutUI* pages_ = nullptr;
    int pageIndex_ = -1;
    int kind_ = 0;
    int variant_ = 0;
    bool visible_ = true;
    bool windowShown_ = false;
    bool synced_ = false;
    bool ticking_ = false;
    std::string powerLayoutName_;
    int powerIndex_ = -1;
    std::string normalImage_, selectedImage_, synchroNormalImage_, synchroSelectedImage_;
};

// The icon set name of a kind and variant ("kb", "ms", "hard_mp", ...);
// empty for a mouse pad of an unknown variant (no icons).
std::string IconSetOf(int kind, int variant);

}  // namespace kelno::app
