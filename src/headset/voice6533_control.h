#pragma once
// CVoice6533ControlUI ("Voice6533Control", found on the headset page as
// "Voice6533ControlItem"): the equaliser (twelve presets and the custom
// setting with its named curves and ten band sliders) and the microphone
// and its monitor. The headset page's audio actions do the work; the panel
// shows what they stored, so a refused write puts the control back.
//
// Everything runs on the UI thread; the view operations never raise
// notifications, and code-driven changes never re-enter the handlers.

#include <optional>
#include <string>
#include <string_view>

#include "panels/notify_routes.h"
#include "headset/audio_panel.h"

namespace kelno {

class IPanelHost;
namespace skin {
class CComboUI;
}

class CVoice6533ControlUI : public CHeadsetAudioPanel {
  public:
    static constexpr const char* kElementName = "Voice6533Control";
    static constexpr const char* kItemName = "Voice6533ControlItem";

    explicit CVoice6533ControlUI(IPanelHost* host = nullptr) : host_(host) {}

    std::string GetClass() const override;  // "Voice6533ControlUI"
    void* GetInterface(std::string_view name) override;
    static CVoice6533ControlUI* Of(CZembravaUSBDevice& device);

    // --- View operations ------------------------------------------------------------
    // Preset 1-12 or 13 (custom); any other number selects none.
    void SelectPreset(int preset);
    void EnableCustom(bool enabled);
    // Band 0-9; GetBand is empty for a band the panel lacks.
    void SetBand(int band, int gain);
    std::optional<int> GetBand(int band);
    EqGains ShownBands();  // a missing slider counts as 0
    void ClearCustomNames();
    void AddCustomName(const std::string& name);
    int GetSelectedCustom();  // -1 when none
    int GetCustomCount();
    std::string GetCustomName(int index);  // "" outside the list
    void SelectCustom(int index);          // none outside the list
    std::string GetCustomNameText();       // the name typed for a new curve
    void SetMicOn(bool on);
    void SetMonitorOn(bool on);
    void SetMicVolume(int value);
    int GetMicVolume();  // -1 when missing
    void SetMonitorVolume(int value);
    int GetMonitorVolume();  // -1 when missing

    void ShowFrom(const IHeadsetAudioActions& actions) override;

    // The main window's entry for the routes EqualiserOption,
    // EqualiserSlider, EqualiserButton and CustomEqList. True when handled.
    bool OnRoutedNotify(const app::Route& route, const skin::TNotifyUI& notify,
                        CZembravaUSBDevice& device);

  private:
    skin::CComboUI* NameList();
    void OnOption(const std::string& name, int number, IHeadsetAudioActions& actions);
    void OnSlider(const std::string& name, int number, IHeadsetAudioActions& actions);
    void OnBandMoved(int band, IHeadsetAudioActions& actions);
    void OnButton(const std::string& name, IHeadsetAudioActions& actions);
    void SaveCurve(IHeadsetAudioActions& actions);

    IPanelHost* host_ = nullptr;
};

}  // namespace kelno
