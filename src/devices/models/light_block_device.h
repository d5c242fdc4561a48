#pragma once
// CZembravaLightBlockDevice: a software-lit page whose device keeps one
// lighting block per profile (the mouse pad, the headset): the light
// setting, written as 21 bytes at profile x 64 and read back (after the
// device's 0x401) as 25 bytes at active profile x 25. A read-back makes the
// page and the lighting follow the device without changing the profile.
// The program renders the lighting (wave, the shared effects, the custom
// effect, two ring chases, off) and sends a frame after each step that
// changed it.

#include <array>
#include <atomic>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "devices/detect/catalogue.h"
#include "devices/models/profiled_device.h"
#include "devices/models/ring_effects.h"

namespace kelno {

// The device reports its active profile to the main window after a read-back.
inline constexpr uint32_t UWM_DEVICE_PROFILE_MSG = 0x0D00;

namespace lightblock {

inline constexpr size_t kShadowSize = 21;  // written
inline constexpr size_t kReadSize = 25;    // read back
inline constexpr uint32_t kWriteStride = 64;
inline constexpr uint32_t kReadStride = 25;
inline constexpr int kMaxModes = 9;  // modes 9 and above are written as 0
inline constexpr int kMaxBrightness = 4;
inline constexpr int kMaxSpeed = 5;

// The block written from the shadow (which keeps the speed itself).
std::array<uint8_t, kShadowSize> BlockFromShadow(const std::array<uint8_t, kShadowSize>& shadow);
// The shadow a read-back gives: bytes 0-20, byte 0 the active profile, the
// speed turned back from the wire, mode, brightness and speed clamped.
std::array<uint8_t, kShadowSize> ShadowFromBlock(uint8_t activeProfile,
                                                 std::span<const uint8_t> block);

}  // namespace lightblock

class CZembravaLightBlockDevice : public CZembravaProfiledDevice {
  public:
    enum LightMode : int {
        kWave = 0,
        kColourCycle = 1,
        kBreathe = 2,
        kStatic = 3,
        kBlink = 4,
        kCustom = 5,
        kRingChase = 6,
        kPairedChase = 7,
        kOff = 8,
    };

    // What sets one such device apart.
    struct Shape {
        DeviceKind kind;
        const char* kindName;   // its profile folder
        int ledCount;
        const char* ledPanel;   // the container of its light buttons
        WaveEffect::Shape wave;
    };

    CZembravaLightBlockDevice(std::shared_ptr<hid::HidBackend> backend, const Shape& shape);

    void InitLayout() override;
    int RefreshUi() override;
    int InitialSync() override;
    void OnInitialSyncTimer() override;  // the reads on the device worker
    int OnSyncRequest() override;
    void OnSyncRequestTimer() override;  // the reads on the device worker
    int LoadProfile() override;
    int RefreshPanels() override;
    int RestoreDefaults() override;
    // The shadow at profileIndex x 64, written on the device worker
    // (QueueDeviceWrite gives the channel's result).
    int WriteSettings(int profileIndex, int activeProfile, int flag, int screenWidth,
                      int screenHeight) override;
    void SetLightSettings(uint32_t word0, uint32_t word1, uint32_t word2) override;
    // Rings' marks light every LED.
    void MarkRingKeys() override;
    bool LightingAnimates() const override;

    const std::array<uint8_t, lightblock::kShadowSize>& GetSettingsShadow() const {
        return shadow_;
    }

  protected:
    // The panels the page binds by name (the profile and lighting panels
    // and whatever the kind adds).
    virtual std::vector<const char*> PanelNames() const;
    // Whether the initial sync reads the device's information record first.
    virtual bool ReadsInfoAtSync() const { return true; }
    // After the initial reads: the profile, the panels, the lighting thread.
    virtual void FinishInitialSync();
    std::chrono::milliseconds StepInterval() const override;
    void PreviewStep() override;
    // The effect a light mode runs (modes the device lacks: none, i.e. off).
    virtual int EffectOfMode(int mode) const { return mode; }
    // One step of the current mode, then the light list.
    void StepEffect();

  private:
    struct SettingsReading {
        int result = 0;
        uint8_t activeProfile = 0;
        std::array<uint8_t, lightblock::kReadSize> block{};
    };
    int ReadInfoTransactions();
    void BeginSyncRequest();
    SettingsReading ReadSettingsTransactions();
    int TakeSettingsReading(const SettingsReading& reading);
    // The light setting of the shadow into the effects (the profile stays).
    void FollowShadow();

    const char* ledPanel_;
    std::array<uint8_t, lightblock::kShadowSize> shadow_{};
    std::array<uint8_t, lightblock::kShadowSize> previousShadow_{};
    std::atomic<int> lightMode_{0};  // the effect of the light mode
    // Lighting thread only.
    WaveEffect wave_;
    RingChase ringChase_;
    RingChase pairedChase_;
};

}  // namespace kelno
