#pragma once
// CZembravaKeyboardDevice: the keyboard's page (126 key buttons that are
// also its 126 LEDs) and the translation of its profile into the
// keyboard's memory: the 25-byte settings block, the key map, the macro
// image and the per-key light bitmap. It reads them back when the keyboard
// asks (notification 0x401), previews the keyboard's lighting on the page
// and keeps the system settings controls in step with the profile.
//
// The keyboard renders its lighting itself: the lighting thread only steps
// the preview and never sends frames.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "devices/model/keyboard_model.h"
#include "devices/models/key_mapped_device.h"
#include "devices/models/keyboard_wire.h"
#include "profiles/keyboard_profile_data.h"
#include "skin/core/ui_defs.h"

namespace kelno {

class CZembravaKeyboardDevice : public CZembravaKeyMappedDevice {
  public:
    static constexpr int kKeyCount = keyboard::kPageKeyCount;
    static constexpr int kLedCount = keyboard::kLedCount;
    static constexpr int kFunctionKey = 110;  // the page key of "FN"
    static constexpr int kPerKeyMode = 22;

    // Indexes of GetSystemSettings().
    using enum keyboard::SystemSetting;

    // The kind name is "keyboard"; the default profile is loaded from the
    // default data folder when the folders are set (SetDataFolders) or, by
    // default, from the program's data folder.
    explicit CZembravaKeyboardDevice(std::shared_ptr<hid::HidBackend> backend = nullptr);
    // Stops the preview and notification threads before the members go.
    ~CZembravaKeyboardDevice() override;

    std::string GetClass() const override;  // "ZembravaKeyboardDevice"
    void* GetInterface(std::string_view name) override;

    // --- Overrides of the base virtuals -----------------------------------------
    void InitLayout() override;
    int RefreshUi() override;
    void LightTick() override;
    int LoadProfile() override;
    int RefreshPanels() override;
    int RestoreDefaults() override;
    // The stored settings sent whole through the model (the keyboard takes
    // profile 0 only).
    int WriteSettings(int profileIndex, int activeProfile, int flag, int screenWidth,
                      int screenHeight) override;
    // Through the model: the lighting changes when the keyboard took it.
    bool CommitLightSetting(const LightSetting& setting, bool clearHold,
                            CommitDone done) override;
    void SetFunctionPage(int page) override;
    // The preview shows the setting (nothing is stored or written: the
    // model's commit path does that).
    void SetLightSettings(uint32_t word0, uint32_t word1, uint32_t word2) override;
    // The page shows per-key lights only (mode 22); they move only under a
    // light list with moving entries.
    bool LightingAnimates() const override {
        return previewMode_ == kPerKeyMode && LightListAnimates();
    }

    // --- Keyboard operations ------------------------------------------------------
    // Binds the page: "keyboard_device_key_light" and the panels.
    virtual void InitDeviceLayout();
    // The light writes below, and SetLedStatus, are built on the UI thread
    // and written on the device worker in the order they were made.
    // Sends the whole 21-byte per-key bitmap built from the profile's
    // custom colours.
    int SendKeyBitmap();
    // A click on key button n while the lighting page shows (mode 22 only):
    // toggles its LED, stores the colours as custom set `customSet` when it
    // is not -1, and sends the one byte of the bitmap that changed.
    int ToggleKeyLight(int key, int customSet);
    // Every key lit or dark; stored as custom set `customSet` when not -1.
    int SetAllKeysLit(bool lit, int customSet);
    // Loads custom set `group` from the profile (stored as the current group).
    int LoadCustomLightSet(int group);
    // The LED status flag through the model: written to memory offset 15,
    // stored when the keyboard took it.
    int SetLedStatus(bool on);
    // A user change of a system settings control ("polling_rate_option_" n,
    // "winlockflag_option", "wflag_option", "6flag_option",
    // "repeat_rate_slider", "repeat_delay_check_" n), applied through the
    // model (written, and stored only when the keyboard took it). True when
    // the control is one of them.
    bool HandleSystemSettingNotify(const skin::TNotifyUI& msg);

    // --- State for panels and tests ------------------------------------------------
    KeyboardModel& Model() { return model_; }
    CKeyboardProfiledata& Profile() { return model_.Profile(); }
    // What the page shows: the stored settings, or the change on its way.
    const std::array<uint16_t, 6>& GetSystemSettings() const { return model_.Shown().system; }
    const std::array<uint8_t, keyboard::kBitmapSize>& GetKeyBitmap() const { return bitmap_; }
    const std::array<uint8_t, keyboard::kSettingsBlockSize>& GetSettingsBlock() const {
        return settingsBlock_;
    }

  protected:
    void MirrorLedsToButtons() override;
    bool SendsLightFrames() const override { return false; }
    void PreviewStep() override;
    void HandleNotification(uint16_t usage) override;
    uint32_t SyncRequestDelayMs() const override { return 100; }
    CBasicProfiledata& BasicProfile() override { return model_.Profile(); }
    const CBasicProfiledata& BasicProfile() const override { return model_.Profile(); }
    std::span<const keymap::KeyCode> DefaultKeyCodes() const override {
        return keyboard::kDefaultKeyCodes;
    }
    uint8_t UnmappedMarker() const override { return keyboard::kUnmapped; }
    bool ReadsKeyLeds() const override { return true; }
    std::map<int, int> KeyLedsOf(const std::vector<uint8_t>& deviceKeys,
                                 const KeyMapReading& reading) const override;

    // The profile, the panels, the settings block and the preview after
    // the key map read.
    int FinishInitialSync() override;
    uint32_t SettingsStride() const override { return keyboard::kSettingsBlockSize; }
    size_t SettingsReadSize() const override { return keyboard::kSettingsBlockSize; }
    int TakeSettingsBlock(uint8_t activeProfile, std::span<const uint8_t> block) override;

  private:
    // Queues the whole per-key bitmap as it is now.
    int WriteWholeBitmap();
    // The model's state to show changed.
    void ShowModelState(const KeyboardState& state);
    // Key assignments, light setting and system settings from the loaded profile.
    void TakeProfileState();
    void TakeLightSetting(const LightSetting& setting);
    void ResetPreview();
    void ReactiveKeyEvent(int pageKey, bool press);
    void RefreshSystemControls();
    void StoreCustomSet(int customSet);
    std::vector<bool> LitLeds() const;
    // The profile's per-key colours of the current custom set into the LEDs.
    void LoadCustomColours();
    KeyboardModel model_{link_};
    std::array<uint8_t, keyboard::kSettingsBlockSize> settingsBlock_{};
    std::array<uint8_t, keyboard::kBitmapSize> bitmap_{};
    // Serialises preview steps with the per-key edits of the UI thread, so
    // a step of the old mode never paints over a key just toggled.
    std::mutex previewMutex_;
    std::atomic<int> previewMode_{0};
    uint32_t previewCount_ = 0;
};

}  // namespace kelno
