#pragma once
// CZembravaMousePadDevice: the lit mouse pad's page (15 LEDs, no keys) and
// its one settings block: the light setting, written as 21 bytes at
// profile x 64 and read back (after the pad's 0x401) as 25 bytes at
// active profile x 25. A read-back makes the page and the lighting follow
// the pad without changing the profile. The program renders the pad's
// lighting: 45-byte frames after each step that changed it.

#include <array>
#include <atomic>
#include <cstdint>
#include <string>

#include "devices/models/profiled_device.h"
#include "devices/models/ring_effects.h"

namespace kelno {

// The pad reports its active profile to the main window after a read-back.
inline constexpr uint32_t UWM_DEVICE_PROFILE_MSG = 0x0D00;

namespace pad {

inline constexpr int kLedCount = 15;
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

}  // namespace pad

class CZembravaMousePadDevice : public CZembravaProfiledDevice {
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

    explicit CZembravaMousePadDevice(std::shared_ptr<hid::HidBackend> backend = nullptr);
    ~CZembravaMousePadDevice() override;

    std::string GetClass() const override;  // "ZembravaMousePadDevice"
    void* GetInterface(std::string_view name) override;

    void InitLayout() override;
    int RefreshUi() override;
    // Reads the information record; no settings write.
    int InitialSync() override;
    void OnInitialSyncTimer() override;  // the read on the device worker
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
    // Rings' marks light every LED of the pad.
    void MarkRingKeys() override;
    bool LightingAnimates() const override;

    CBasicProfiledata& Profile() { return profile_; }
    const std::array<uint8_t, pad::kShadowSize>& GetSettingsShadow() const { return shadow_; }

  protected:
    CBasicProfiledata& BasicProfile() override { return profile_; }
    const CBasicProfiledata& BasicProfile() const override { return profile_; }
    std::chrono::milliseconds StepInterval() const override;
    void PreviewStep() override;

  private:
    struct SettingsReading {
        int result = 0;
        uint8_t activeProfile = 0;
        std::array<uint8_t, pad::kReadSize> block{};
    };
    int ReadInfoTransactions();
    void FinishInitialSync();
    void BeginSyncRequest();
    SettingsReading ReadSettingsTransactions();
    int TakeSettingsReading(const SettingsReading& reading);
    // The light setting of the shadow into the effects (the profile stays).
    void FollowShadow();

    CBasicProfiledata profile_;
    std::array<uint8_t, pad::kShadowSize> shadow_{};
    std::array<uint8_t, pad::kShadowSize> previousShadow_{};
    std::atomic<int> lightMode_{0};
    // Lighting thread only.
    WaveEffect wave_{7};
    RingChase ringChase_{RingChase::Kind::Ring, pad::kLedCount};
    RingChase pairedChase_{RingChase::Kind::Paired, pad::kLedCount};
};

}  // namespace kelno
