#pragma once
// CMagicControlUI ("MagicControl", found on the headset page as
// "MagicControlItem"): the voice changer's switch and its four voices. The
// voices can be chosen only while the switch is on; when the headset's
// microphone has no voice changer the whole panel is disabled and a notice
// says so. A refused write puts the control back to what is stored.
//
// Everything runs on the UI thread; the view operations never raise
// notifications, and code-driven changes never re-enter the handlers.

#include <string>
#include <string_view>

#include "panels/notify_routes.h"
#include "headset/audio_panel.h"

namespace kelno {

class CMagicControlUI : public CHeadsetAudioPanel {
  public:
    static constexpr const char* kElementName = "MagicControl";
    static constexpr const char* kItemName = "MagicControlItem";

    std::string GetClass() const override;  // "MagicControlUI"
    void* GetInterface(std::string_view name) override;
    static CMagicControlUI* Of(CZembravaUSBDevice& device);

    // --- View operations ------------------------------------------------------------
    // The switch, and the voices enabled with it. (Named apart from the
    // control's own SetEnabled, which enables the whole panel.)
    void SetChangerOn(bool on);
    bool IsChangerOn();
    // Voice 1-4; any other number selects none and is kept as 0.
    void SelectVoice(int voice);
    int SelectedVoice() const { return voice_; }

    void ShowFrom(const IHeadsetAudioActions& actions) override;

    // The main window's entry for the VoiceChangerOption route. True when
    // handled.
    bool OnRoutedNotify(const app::Route& route, const skin::TNotifyUI& notify,
                        CZembravaUSBDevice& device);

  private:
    int voice_ = 0;
};

}  // namespace kelno
