#pragma once
// CZembravaHS6533Device: the USB headset's page (13 LEDs, no keys). Its
// lighting is a lighting block like the mouse pad's, rendered by the
// program and sent as twelve 17-byte LED output reports per frame (at most
// one frame every 20 ms; the effect steps due meanwhile run in a batch).
// Its audio settings (microphone, monitor, equaliser, voice changer) go
// through the audio adapter: each is written first and kept (settings,
// profile, panels) only when the write succeeded.
//
// The headset has one HID collection: notifications arrive on the command
// interface, so the page reads them there.

#include <atomic>
#include <memory>
#include <optional>
#include <string>

#include "devices/models/light_block_device.h"
#include "headset/headset_audio_actions.h"
#include "profiles/headset_profile_data.h"

namespace kelno {

namespace audio {
class IAudioConfigLib;
}
class CAudioSdkAdapter;

class CZembravaHS6533Device : public CZembravaLightBlockDevice, public IHeadsetAudioActions {
  public:
    static constexpr std::chrono::milliseconds kFrameInterval{20};
    // What the page's audio notice says (text ids, both languages).
    static constexpr const char* kAudioNotice = "headset_audio_notice";
    static constexpr const char* kAudioUnavailableText = "headset_audio_unavailable_text";
    static constexpr const char* kAudioWriteFailedText = "headset_audio_write_failed_text";
    static constexpr const char* kAudioSaveFailedText = "headset_audio_save_failed_text";

    explicit CZembravaHS6533Device(std::shared_ptr<hid::HidBackend> backend = nullptr);
    ~CZembravaHS6533Device() override;

    std::string GetClass() const override;  // "ZembravaHS6533Device"
    void* GetInterface(std::string_view name) override;

    // The audio backend (null: the audio controls do nothing and the page
    // says audio is unavailable). Set before the first sync.
    void SetAudioLibrary(std::shared_ptr<audio::IAudioConfigLib> library);

    void CloseCommandChannel() override;
    // The profile file; after the first sync also its audio settings onto
    // the headset (a profile switch or reset takes effect, not only shows).
    int LoadProfile() override;
    // The default profile, keeping the user's custom equaliser curves.
    int RestoreDefaults() override;
    int RefreshPanels() override;

    CHs6533Profiledata& Profile() { return profile_; }
    // Output reports that failed since the channel opened.
    uint64_t FailedLedReports() const { return failedLedReports_; }
    // Whether the audio adapter has a headset to talk to.
    bool AudioReady() const;
    // The text id the audio notice shows (empty: hidden).
    const std::string& AudioNoticeText() const { return audioNoticeText_; }

    // --- IHeadsetAudioActions ---------------------------------------------------------
    HeadsetSystemSettings AudioSettings() const override { return settings_; }
    EqGains BandsInUse() const override { return bands_; }
    std::vector<std::string> CustomCurveNames() const override { return curveNames_; }
    bool VoiceChangerSupported() const override;
    bool SetMicOn(bool on) override;
    bool SetMicVolume(int value) override;
    bool SetMonitorOn(bool on) override;
    bool SetMonitorVolume(int value) override;
    bool ChoosePreset(int preset) override;
    bool SetBand(int band, int gain) override;
    bool ApplyCustomCurve(int index) override;
    SaveCurveResult SaveCustomCurve(const std::string& name, const EqGains& gains) override;
    bool DeleteCustomCurve() override;
    bool SetVoiceChangerOn(bool on) override;
    bool ChooseVoice(int voice) override;

  protected:
    CBasicProfiledata& BasicProfile() override { return profile_; }
    const CBasicProfiledata& BasicProfile() const override { return profile_; }
    std::vector<const char*> PanelNames() const override;
    bool ReadsInfoAtSync() const override { return false; }
    // Modes beyond the headset's own play the custom effect.
    int EffectOfMode(int mode) const override { return mode > kOff ? kCustom : mode; }
    void FinishInitialSync() override;
    std::chrono::milliseconds StepInterval() const override;
    void PreviewStep() override;
    int SendLightFrame() override;

  private:
    // The profile file into the page (no audio writes).
    int LoadProfileFile();
    // The profile's settings, bands in use and curve names into the page.
    void TakeAudioProfile();
    // Starts the adapter (finds the headset's audio devices) and reads its
    // state into the settings.
    void StartAudio();
    // The stored audio settings onto the headset; false when one failed.
    bool ApplyAudioSettings();
    // The settings into the profile and the profile saved; false when the
    // save failed (the notice says so).
    bool StoreSettings();
    // The outcome of an audio write: a failed one shows the notice.
    bool Report(bool written);
    // After a write of one setting: kept (settings, profile) only when written.
    bool KeepIfWritten(bool written, int index, int32_t value);
    void ShowAudioNotice(std::string textId);
    // The equaliser of preset `preset` (1-12) or custom curve `index`.
    std::optional<EqGains> CurveOf(int preset, int customIndex);

    CHs6533Profiledata profile_;
    HeadsetSystemSettings settings_;
    EqGains bands_{};
    std::vector<std::string> curveNames_;
    std::shared_ptr<audio::IAudioConfigLib> audioLibrary_;
    std::unique_ptr<CAudioSdkAdapter> audio_;
    bool synced_ = false;  // the first sync ran since the channel opened
    bool monitorAvailable_ = false;  // the headset has a side-tone to set
    bool notifyOnCommandPath_ = false;
    std::string audioNoticeText_;
    std::atomic<uint64_t> failedLedReports_{0};
    // Lighting thread only: when the next effect step is due.
    std::chrono::steady_clock::time_point nextEffectStep_{};
};

}  // namespace kelno
