#pragma once
// CLightControlUI ("LightControl", found on a device page as
// "LightControlItem"): the lighting panel. It holds no lighting data: it
// shows the device's 12-byte light setting and writes every user change
// back into the device, its profile file and the hardware at once. Which
// groups are usable follows the rule tables of panels/light_rules.h.
//
// Everything runs on the UI thread. Code-driven control updates never raise
// notifications, and the handlers ignore any that arrive while the panel
// updates its own controls.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "panels/notify_routes.h"
#include "devices/models/usb_device.h"
#include "panels/child_lookup.h"
#include "panels/update_scope.h"
#include "panels/light_data.h"
#include "skin/layout/layouts.h"

namespace kelno {

class IPanelHost;
class CZembravaKeyboardDevice;

class CLightControlUI : public skin::CHorizontalLayoutUI, public IDevicePanel {
  public:
    static constexpr const char* kElementName = "LightControl";
    static constexpr const char* kItemName = "LightControlItem";

    explicit CLightControlUI(IPanelHost* host = nullptr) : host_(host) {}

    std::string GetClass() const override;  // "LightControlUI"
    void* GetInterface(std::string_view name) override;

    // The panel on a device page; null when the page has none.
    static CLightControlUI* Of(CZembravaUSBDevice& device);

    void SetHost(IPanelHost* host) { host_ = host; }

    // IDevicePanel: binding takes the device kind, its mode names, maxima and
    // custom sets; a refresh shows the device's light setting.
    void BindDevice(CZembravaUSBDevice* device) override;
    void RefreshFromDevice() override;

    // --- Operations -----------------------------------------------------------
    void SetType(int panelType) { type_ = panelType; }
    int GetType() const { return type_; }
    void Setup(const std::vector<LightModeName>& modes, int brightnessMax, int speedMax);
    // Fills "light_combo_custommodeSelect" with the user's custom sets.
    void SetCustomModes(const std::vector<std::string>& names);
    void ShowSetting(uint32_t word0, uint32_t word1, uint32_t word2);

    void SelectMode(int index);  // also applies the rule table
    int GetSelectedMode();       // -1 without the list
    void SelectCustomMode(int index);
    int GetSelectedCustomMode();  // -1 without the list or selection
    void SetBrightness(int value);
    int GetBrightness();
    void SetSpeed(int value);
    int GetSpeed();
    void SetRed(const std::string& text) { SetEditText("deng_edit_R", text); }
    void SetGreen(const std::string& text) { SetEditText("deng_edit_G", text); }
    void SetBlue(const std::string& text) { SetEditText("deng_edit_B", text); }
    std::string GetRed() { return EditText("deng_edit_R"); }
    std::string GetGreen() { return EditText("deng_edit_G"); }
    std::string GetBlue() { return EditText("deng_edit_B"); }
    void SetColour(uint32_t colour);
    uint32_t GetColour();  // 0xFF000000 without the palette
    void SetColourDisplay(uint32_t colour);
    uint32_t GetSwatchColour(int n);  // 0 without "color_option_" n
    void SetMultiColour(bool on);
    bool GetMultiColour();
    void SetDirection(bool left);
    void ShowSameMode(bool show);
    void SetSynchronisationOffered(bool offered);
    bool IsSynchronisationOffered() const { return synchronisationOffered_; }

    // The main window's entry for the lighting routes (LightingPaletteColour,
    // ColourSwatch, LightingPanelButton, LightingOption, LightingSlider,
    // LightingList, LightingColourEdit, KeyboardKeysSelected,
    // MouseKeysSelected). `device` is the active device. True when handled.
    bool OnRoutedNotify(const app::Route& route, const skin::TNotifyUI& notify,
                        CZembravaUSBDevice& device);

  private:
    skin::CControlUI* Find(const std::string& name) { return children_.Find(name); }
    template <typename T>
    T* FindAs(const std::string& name, std::string_view interfaceName) {
        return children_.FindAs<T>(name, interfaceName);
    }
    void SetEditText(const std::string& name, const std::string& text);
    std::string EditText(const std::string& name);
    void ApplyRules(int mode);
    void ShowComponents(ColourComponents colour);

    // Handlers (light_control_handlers.cpp).
    // False when the profile could not be saved: the device and the panel
    // then show the stored setting again, nothing is sent and the user is told.
    bool WriteBack(CZembravaUSBDevice& device, bool clearHold,
                   const std::function<void(LightSetting&)>& patch);
    void OnModeChanged(CZembravaUSBDevice& device);
    void OnSliderChanged(const std::string& name, CZembravaUSBDevice& device);
    void OnDirection(const skin::TNotifyUI& notify, bool leftControl, CZembravaUSBDevice& device);
    void OnMultiColour(CZembravaUSBDevice& device);
    void OnPaletteColour(CZembravaUSBDevice& device);
    // The colour's components into the setting (multi-colour off) and the
    // controls; the palette keeps its own pick.
    void TakeColour(CZembravaUSBDevice& device, uint32_t colour, bool fromPalette);
    void OnComponentTyped(int byte, CZembravaUSBDevice& device);
    void OnSwatch(int n, CZembravaUSBDevice& device);
    void OnCustomSetChosen(CZembravaKeyboardDevice& keyboard);
    void OnMouseSelection(const skin::TNotifyUI& notify, CZembravaUSBDevice& device);
    bool OnButton(const std::string& name, CZembravaUSBDevice& device);

    IPanelHost* host_ = nullptr;
    int type_ = 0;
    bool synchronisationOffered_ = false;
    int updating_ = 0;
    CZembravaUSBDevice* device_ = nullptr;
    ChildLookup children_{*this};
};

}  // namespace kelno
