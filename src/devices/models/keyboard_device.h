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

#include "devices/models/key_assignment_device.h"
#include "devices/models/keyboard_wire.h"
#include "devices/models/usb_device.h"
#include "profiles/keyboard_profile_data.h"
#include "skin/core/ui_defs.h"

namespace kelno {

class CZembravaKeyboardDevice : public CZembravaUSBDevice, public IKeyAssignmentDevice {
  public:
    static constexpr int kKeyCount = keyboard::kPageKeyCount;
    static constexpr int kLedCount = keyboard::kLedCount;
    static constexpr int kFunctionKey = 110;  // the page key of "FN"
    static constexpr int kPerKeyMode = 22;

    // Indexes of systemSettings.
    enum SystemSetting : int {
        kRepeatRate = 0,
        kRepeatDelay = 1,
        kSixKeyFlag = 2,
        kPollingRate = 3,
        kWFlag = 4,
        kWinLockFlag = 5,
    };

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
    int InitialSync() override;
    int OnSyncRequest() override;
    // The same with the reads on the device worker.
    void OnInitialSyncTimer() override;
    void OnSyncRequestTimer() override;
    int LoadProfile() override;
    int RefreshPanels() override;
    int RestoreDefaults() override;
    // The channel's result (1 when written); 0 when the channel is closed
    // or no complete key map was read yet (nothing is written then).
    int WriteKeyMap(int profileIndex, const std::vector<KeyAssignmentPair>& assignments) override;
    int WriteStoredKeyMap(int profileIndex) override;
    // 0 when written or when there is nothing to send, kMacroImageUnallocated,
    // kMacroWriteFailed (the channel is closed or refused the image),
    // kMacrosBeyondLimits (nothing sent), or a positive count when the image
    // does not fit (by ((size - capacity) / 4) + 1).
    int WriteMacros() override;
    // The settings block at profileIndex x 25, built now and written on the
    // device worker (QueueDeviceWrite gives the result).
    int WriteSettings(int profileIndex, int activeProfile, int flag, int screenWidth,
                      int screenHeight) override;
    int FillPanelLists() override;
    void SetFunctionPage(int page) override;
    void BindProfilePaths() override;
    std::string GetProfileName() const override;  // the profile file's path
    int SaveProfile() override;
    // The last load found a profile file it could not read or back up: the
    // page works from the default profile and saves nothing over that file.
    bool IsProfileKeptInMemory() const {
        return profile_.GetLastLoadResult() == CBasicProfiledata::LoadResult::InMemoryOnly;
    }
    void SetLightListIndex(int index) override;
    void SetLightSettings(uint32_t word0, uint32_t word1, uint32_t word2) override;
    void SelectKey(int index) override;
    // The page shows per-key lights only (mode 22); they move only under a
    // light list with moving entries.
    bool LightingAnimates() const override {
        return previewMode_ == kPerKeyMode && LightListAnimates();
    }

    // --- Keyboard operations ------------------------------------------------------
    // Binds the page: "keyboard_device_key_light" and the panels.
    virtual void InitDeviceLayout();
    // Reads info, key map and key-to-LED table (START ... FINISH) and
    // rebuilds the maps. The maps change only after every read succeeded.
    int ReadKeyMapFromDevice();
    // The light writes below, and SetLedStatus, are built on the UI thread
    // and written on the device worker in the order they were made
    // (QueueDeviceWrite gives the result).
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
    // The LED status flag: stored, saved and written to memory offset 15.
    int SetLedStatus(bool on);
    // A user change of a system settings control ("polling_rate_option_" n,
    // "winlockflag_option", "wflag_option", "6flag_option",
    // "repeat_rate_slider", "repeat_delay_check_" n): stored in the profile,
    // saved and written to the keyboard. True when the control is one of them.
    bool HandleSystemSettingNotify(const skin::TNotifyUI& msg);

    // --- State for panels and tests ------------------------------------------------
    CKeyboardProfiledata& Profile() { return profile_; }
    // IKeyAssignmentDevice.
    const std::vector<KeyAssignmentPair>& GetKeyAssignments() const override {
        return keyAssignments_;
    }
    void SetKeyAssignment(int index, const KeyAssignmentPair& record) override;
    void SetKeyAssignments(const std::vector<KeyAssignmentPair>& records) override;
    std::filesystem::path MacroFolder() const override { return UserFolder(); }
    std::vector<std::string> MacroNames() const override;
    const std::array<uint16_t, 6>& GetSystemSettings() const { return systemSettings_; }
    const std::array<uint8_t, keyboard::kBitmapSize>& GetKeyBitmap() const { return bitmap_; }
    const std::array<uint8_t, keyboard::kSettingsBlockSize>& GetSettingsBlock() const {
        return settingsBlock_;
    }
    uint8_t GetActiveProfile() const { return activeProfile_; }
    bool HasKeyMap() const { return keyMapSize_ > 0; }
    // The language text of an id through the hidden label "text_test" (the
    // id itself when the page has none).
    std::string ResolveText(const std::string& textId);
    // The caption of a key assignment (language texts joined with "+").
    std::string KeyCaption(const KeyAssignment& assignment);

  protected:
    void MirrorLedsToButtons() override;
    bool SendsLightFrames() const override { return false; }
    void PreviewStep() override;
    void HandleNotification(uint16_t usage) override;
    uint32_t SyncRequestDelayMs() const override { return 100; }

  private:
    // What the key map read brought (transactions only, any thread).
    struct KeyMapReading {
        int result = 0;
        bool infoRead = false;
        std::array<uint8_t, kDeviceInfoSize> info{};
        size_t mapSize = 0;  // 0: no complete map
        std::array<uint8_t, kMaxDataSize> keyMap{};
        std::array<uint8_t, kMaxDataSize> keyLeds{};
    };
    // What the settings read-back brought (transactions only, any thread).
    struct SettingsReading {
        int result = 0;
        uint8_t activeProfile = 0;
        std::array<uint8_t, keyboard::kSettingsBlockSize> block{};
    };
    KeyMapReading ReadKeyMapTransactions();
    int TakeKeyMap(const KeyMapReading& reading);
    // The profile, the panels, the settings block and the preview after
    // the key map read.
    int FinishInitialSync();
    void BeginSyncRequest();
    SettingsReading ReadSettingsTransactions();
    int TakeSettingsReading(const SettingsReading& reading);
    int WriteSettingsBlock(const std::array<uint8_t, keyboard::kSettingsBlockSize>& block,
                           int profileIndex);
    // Queues the whole per-key bitmap as it is now.
    int WriteWholeBitmap();
    keyboard::KeyboardSettings SettingsFromProfile();
    // Key assignments, light setting and system settings from the loaded profile.
    void TakeProfileState();
    void TakeLightSetting(const LightSetting& setting);
    void ResetPreview();
    void ReactiveKeyEvent(int pageKey, bool press);
    void RefreshKeyCaptions();
    void RefreshSystemControls();
    void StoreSystemSettings();
    void StoreCustomSet(int customSet);
    std::vector<bool> LitLeds() const;
    // The profile's per-key colours of the current custom set into the LEDs.
    void LoadCustomColours();
    skin::CControlUI* Find(const char* name);
    template <typename T>
    T* FindAs(const char* name, const char* interfaceName) {
        skin::CControlUI* control = Find(name);
        return control ? static_cast<T*>(control->GetInterface(interfaceName)) : nullptr;
    }

    std::vector<KeyAssignmentPair> keyAssignments_;
    // Each key button's text id in the layout, bound with the page.
    std::vector<std::string> layoutCaptionIds_;
    CKeyboardProfiledata profile_;
    std::array<uint8_t, kMaxDataSize> keyMapBuffer_{};
    std::array<uint8_t, kMaxDataSize> keyLedBuffer_{};
    size_t keyMapSize_ = 0;  // 0 until a complete read
    std::array<uint8_t, 13> previousShadow_{};
    uint8_t activeProfile_ = 0;
    LightSetting lightShadow_;
    std::array<uint8_t, keyboard::kSettingsBlockSize> settingsBlock_{};
    std::array<uint16_t, 6> systemSettings_{};
    std::array<uint8_t, keyboard::kBitmapSize> bitmap_{};
    skin::CControlUI* keySetPanel_ = nullptr;
    skin::CControlUI* macroPanel_ = nullptr;
    skin::CControlUI* textTest_ = nullptr;
    // Serialises preview steps with the per-key edits of the UI thread, so
    // a step of the old mode never paints over a key just toggled.
    std::mutex previewMutex_;
    std::atomic<int> previewMode_{0};
    uint32_t previewCount_ = 0;
};

}  // namespace kelno
