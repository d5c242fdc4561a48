#pragma once
// CZembravaMouseDevice: the mouse's page (its keys, six LEDs, five DPI
// stages, report rate and the pointer settings of the system) and the
// translation of its profile into the mouse's memory: the settings block at
// profile x 128, the key map and the macro image. The program renders the
// mouse's lighting: the lighting thread steps the effect and sends an
// 18-byte frame after each step that changed it (none while wireless).
// A wireless mouse is asked through its receiver whether it answers before
// every command; writes run on the device worker, so a sleeping mouse never
// holds the window.

#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "devices/model/mouse_model.h"
#include "devices/models/key_mapped_device.h"
#include "devices/models/mouse_wire.h"
#include "devices/models/ring_effects.h"
#include "profiles/mouse_profile_data.h"
#include "skin/core/ui_defs.h"

namespace kelno {

class CZembravaMouseDevice : public CZembravaKeyMappedDevice {
  public:
    static constexpr int kPageKeyCount = mouse::kPageKeyCount;
    static constexpr int kLedCount = mouse::kLedCount;
    static constexpr int kDpiControls = mouse::kBlockStages;
    static constexpr int kDoubleClickSliderMax = 9;
    // The light modes the lighting thread runs.
    enum LightMode : int {
        kWave = 0,
        kColourCycle = 1,
        kBreathe = 2,
        kStatic = 3,
        kBlink = 4,
        kRipple = 5,
        kBreatheFourColours = 6,
        kBlinkFourColours = 7,
        kOff = 8,
    };
    // Indexes of GetSystemSettings().
    using enum mouse::SystemSetting;

    explicit CZembravaMouseDevice(std::shared_ptr<hid::HidBackend> backend = nullptr);
    ~CZembravaMouseDevice() override;

    std::string GetClass() const override;  // "ZembravaMouseDevice"
    void* GetInterface(std::string_view name) override;

    // --- Overrides of the base virtuals -----------------------------------------
    void InitLayout() override;
    int RefreshUi() override;
    int LoadProfile() override;
    int RefreshPanels() override;
    int RestoreDefaults() override;
    // The stored settings sent whole through the model (the mouse takes
    // profile 0, flag 1 only); the screen size is the model's from now on.
    int WriteSettings(int profileIndex, int activeProfile, int flag, int screenWidth,
                      int screenHeight) override;
    // Through the model: the lighting changes when the mouse took it.
    bool CommitLightSetting(const LightSetting& setting, bool clearHold,
                            CommitDone done) override;
    void SetFunctionPage(int page) override;
    // The lighting shows the setting (nothing is stored or written: the
    // model's commit path does that).
    void SetLightSettings(uint32_t word0, uint32_t word1, uint32_t word2) override;
    bool LightingAnimates() const override;

    // --- Mouse operations ----------------------------------------------------------
    virtual void InitDeviceLayout();
    // A user change of a mouse control ("DPI_enable_check_" n, "DPI_slider_"
    // n, "DPI_edit_" n, "polling_rate_option_" n, "mouse_device_seting_option_"
    // n, "pointer_speed_slider", "pointer_precision_check",
    // "scrolls_page_check", "scroll_speed_slider", "double_click_slider"):
    // applied through the model (written, and stored only when the mouse took
    // it). True when the control is one of them. A slider still being
    // dragged only updates its edit.
    bool HandleMouseNotify(const skin::TNotifyUI& msg);
    // The screen size the settings block carries.
    void SetScreenSize(int width, int height);

    // --- State for panels, the main window and tests ------------------------------
    MouseModel& Model() { return model_; }
    CMouseProfiledata& Profile() { return model_.Profile(); }
    // What the page shows: the stored settings, or the change on its way.
    const std::array<uint16_t, 6>& GetSystemSettings() const { return model_.Shown().system; }
    const std::vector<DpiStage>& GetDpiStages() const { return model_.Shown().stages; }
    int GetActiveStage() const { return model_.Shown().activeStage; }
    mouse::DpiRange GetDpiRange() const { return mouse::DpiRangeOf(deviceInfo_); }
    const std::array<uint8_t, mouse::kSettingsReadSize>& GetSettingsBlock() const {
        return settingsBlock_;
    }

  protected:
    std::chrono::milliseconds StepInterval() const override;
    void PreviewStep() override;
    CBasicProfiledata& BasicProfile() override { return model_.Profile(); }
    const CBasicProfiledata& BasicProfile() const override { return model_.Profile(); }
    std::span<const keymap::KeyCode> DefaultKeyCodes() const override {
        return mouse::kDefaultKeyCodes;
    }
    uint8_t UnmappedMarker() const override { return mouse::kUnmapped; }
    // Buttons and DPI keys by the picture's short names, the rest as on
    // the keyboard.
    std::vector<std::string> CodeTextIds(const KeyAssignment& assignment) const override;

    // The profile, the panels and the lighting; no settings write: the
    // mouse keeps its own.
    int FinishInitialSync() override;
    uint32_t SettingsStride() const override { return mouse::kBlockStride; }
    size_t SettingsReadSize() const override { return mouse::kSettingsReadSize; }
    int TakeSettingsBlock(uint8_t activeProfile, std::span<const uint8_t> block) override;

  private:
    void TakeProfileState();
    void TakeLightSetting(const LightSetting& setting);
    // The model's state to show changed.
    void ShowModelState(const MouseState& state);
    // The stage, report rate and system controls as shown (no notifications).
    void RefreshMouseControls();
    void RefreshDpiStage(int stage);
    // Every control change ends here.
    void ApplyMouseChange(const MouseModel::Edit& edit, CommitDone done = {});
    bool HandleDpiNotify(const std::string& prefix, int number, const skin::TNotifyUI& msg);
    bool HandleSystemNotify(const std::string& name, const skin::TNotifyUI& msg);
    // The light effects of the mouse that the base does not have.
    void Ripple(const EffectParameters& parameters);

    MouseModel model_{link_};
    std::array<uint8_t, mouse::kSettingsReadSize> settingsBlock_{};
    skin::CControlUI* hintLabel_ = nullptr;
    skin::CControlUI* logoButton_ = nullptr;
    std::vector<skin::CControlUI*> zoneButtons_;
    std::atomic<int> lightMode_{0};
    // Lighting thread only: the wave, and the ripple's position.
    WaveEffect wave_{WaveEffect::Shape{}};
    uint8_t effectPhase_ = 0;
    // Which first-LED colour the multi-colour ripple takes per direction;
    // nothing sets them, so the ripple takes its colours from the wheel.
    bool rippleFirstLedForward_ = false;
    bool rippleFirstLedBackward_ = false;
};

}  // namespace kelno
