#include "devices/models/light_block_device.h"

#include <algorithm>

#include "core/debug_output.h"

namespace kelno {
namespace lightblock {

std::array<uint8_t, kShadowSize> BlockFromShadow(const std::array<uint8_t, kShadowSize>& shadow) {
    std::array<uint8_t, kShadowSize> block = shadow;
    block[1] = shadow[1] < kMaxModes ? shadow[1] : 0;
    block[2] = std::min<uint8_t>(shadow[2], kMaxBrightness);
    block[3] = static_cast<uint8_t>(kMaxSpeed - std::min<uint8_t>(shadow[3], kMaxSpeed));
    return block;
}

std::array<uint8_t, kShadowSize> ShadowFromBlock(uint8_t activeProfile,
                                                 std::span<const uint8_t> block) {
    std::array<uint8_t, kShadowSize> shadow{};
    std::copy_n(block.begin(), std::min(block.size(), kShadowSize), shadow.begin());
    shadow[0] = activeProfile;
    shadow[1] = shadow[1] < kMaxModes ? shadow[1] : 0;
    shadow[2] = std::min<uint8_t>(shadow[2], kMaxBrightness);
    shadow[3] = static_cast<uint8_t>(kMaxSpeed - std::min<uint8_t>(shadow[3], kMaxSpeed));
    return shadow;
}

}  // namespace lightblock

namespace {

// Where the light setting's bytes sit in the shadow.
struct ShadowByte {
    int light;
    size_t shadow;
};
constexpr ShadowByte kShadowBytes[] = {
    {LightSetting::kMode, 1},       {LightSetting::kBrightness, 2}, {LightSetting::kSpeed, 3},
    {LightSetting::kMultiColor, 5}, {LightSetting::kRed, 6},        {LightSetting::kGreen, 7},
    {LightSetting::kBlue, 8},
};

}  // namespace

CZembravaLightBlockDevice::CZembravaLightBlockDevice(std::shared_ptr<hid::HidBackend> backend,
                                                     const Shape& shape)
    : CZembravaProfiledDevice(std::move(backend)),
      ledPanel_(shape.ledPanel),
      wave_(shape.wave),
      ringChase_(RingChase::Kind::Ring, shape.ledCount),
      pairedChase_(RingChase::Kind::Paired, shape.ledCount) {
    deviceKind_ = KindCode(shape.kind);
    SetKindName(shape.kindName);
    SetLedCount(shape.ledCount);
    lighting_.RestartRing();
}

std::vector<const char*> CZembravaLightBlockDevice::PanelNames() const {
    return {"DeviceProfileItem", "LightControlItem"};
}

void CZembravaLightBlockDevice::InitLayout() {
    if (layoutFile_.empty()) {
        UnbindAll();
        return;
    }
    skin::CControlUI* panel = Find(ledPanel_);
    keyPanel_ =
        panel ? static_cast<skin::CContainerUI*>(panel->GetInterface("Container")) : nullptr;
    BindKeyButtons(keyPanel_, true);
    BindPanels(PanelNames());
}

// --- light setting --------------------------------------------------------------------

void CZembravaLightBlockDevice::FollowShadow() {
    LightSetting light = GetLightSettings();
    for (const ShadowByte& byte : kShadowBytes) light[byte.light] = shadow_[byte.shadow];
    const int effect = EffectOfMode(light[LightSetting::kMode]);
    const bool modeChanged = lightMode_ != effect;
    lightMode_ = effect;
    StoreLightSettings(light);
    if (modeChanged) {
        lighting_.RestartRing();
        NotifyPreviewState();
    }
}

void CZembravaLightBlockDevice::SetLightSettings(uint32_t word0, uint32_t word1, uint32_t word2) {
    const LightSetting light = LightSetting::FromWords(word0, word1, word2);
    for (const ShadowByte& byte : kShadowBytes) shadow_[byte.shadow] = light[byte.light];
    FollowShadow();
    BasicProfile().SetLightSetting(word0, word1, word2);
}

int CZembravaLightBlockDevice::RefreshUi() {
    const LightSetting light = BasicProfile().GetLightSetting();
    for (const ShadowByte& byte : kShadowBytes) shadow_[byte.shadow] = light[byte.light];
    FollowShadow();
    ReplaceLightList(BasicProfile().GetLightList());
    SetCustomEffect(BasicProfile().GetCustomEffect());
    return 1;
}

int CZembravaLightBlockDevice::LoadProfile() {
    BindProfilePaths();
    if (BasicProfile().GetProfilePath().empty()) return 0;
    BasicProfile().Load(BasicProfile().GetProfilePath());
    RefreshUi();
    return 1;
}

int CZembravaLightBlockDevice::RestoreDefaults() {
    BindProfilePaths();
    BasicProfile().Load(DefaultProfilePath());
    RefreshUi();
    const int saved = SaveProfile();
    RefreshPanels();
    return saved;
}

int CZembravaLightBlockDevice::RefreshPanels() {
    return FillPanelLists();
}

// --- the device's memory ---------------------------------------------------------------

int CZembravaLightBlockDevice::WriteSettings(int profileIndex, int /*activeProfile*/, int /*flag*/,
                                           int /*screenWidth*/, int /*screenHeight*/) {
    if (profileIndex < 0) return 0;
    const auto block = lightblock::BlockFromShadow(shadow_);
    return QueueDeviceWrite(DeviceWriteKind::Settings, [this, block, profileIndex] {
        CHidCommandChannel& channel = link_.Command();
        const auto group = channel.LockGroup();
        channel.SendStart();
        const int result =
            channel.WriteMemory(block, static_cast<uint32_t>(profileIndex) * lightblock::kWriteStride);
        channel.SendFinish();
        return result;
    });
}

int CZembravaLightBlockDevice::ReadInfoTransactions() {
    CHidCommandChannel& channel = link_.Command();
    const auto group = channel.LockGroup();
    std::array<uint8_t, kDeviceInfoSize> info{};
    channel.SendStart();
    const int result = channel.ReadInfo(info);
    channel.SendFinish();
    return result;
}

void CZembravaLightBlockDevice::FinishInitialSync() {
    LoadProfile();
    RefreshPanels();
    StartLightingThread();
}

int CZembravaLightBlockDevice::InitialSync() {
    const int read = link_.Command().IsOpen() && ReadsInfoAtSync() ? ReadInfoTransactions() : 0;
    FinishInitialSync();
    return read;
}

void CZembravaLightBlockDevice::OnInitialSyncTimer() {
    const bool queued = link_.Command().IsOpen() && ReadsInfoAtSync() &&
                        RunOnDevice([this] { return ReadInfoTransactions(); },
                                    [this](int) { FinishInitialSync(); });
    if (!queued) FinishInitialSync();
}

void CZembravaLightBlockDevice::BeginSyncRequest() {
    link_.Command().SetLightingHold(false);
    previousShadow_ = shadow_;
}

CZembravaLightBlockDevice::SettingsReading CZembravaLightBlockDevice::ReadSettingsTransactions() {
    CHidCommandChannel& channel = link_.Command();
    SettingsReading reading;
    const auto group = channel.LockGroup();
    std::array<uint8_t, 1> active{};
    reading.result = channel.ReadMemory(active, 0);
    if (reading.result != kChannelOk) return reading;
    reading.activeProfile = active[0];
    reading.result = channel.ReadMemory(reading.block, uint32_t{active[0]} * lightblock::kReadStride);
    return reading;
}

int CZembravaLightBlockDevice::TakeSettingsReading(const SettingsReading& reading) {
    if (reading.result != kChannelOk) {
        // A partial read would put zeros into the page: keep everything.
        DebugOutputF("lighting block read-back failed (%d)", reading.result);
        return reading.result;
    }
    shadow_ = lightblock::ShadowFromBlock(reading.activeProfile, reading.block);
    // The page and the lighting follow the device; the profile stays.
    FollowShadow();
    FillPanelLists();
    if (mainWindow_) mainWindow_(UWM_DEVICE_PROFILE_MSG, reading.activeProfile, 0);
    return kChannelOk;
}

int CZembravaLightBlockDevice::OnSyncRequest() {
    BeginSyncRequest();
    if (!link_.Command().IsOpen()) return 0;
    return TakeSettingsReading(ReadSettingsTransactions());
}

void CZembravaLightBlockDevice::OnSyncRequestTimer() {
    BeginSyncRequest();
    if (!link_.Command().IsOpen()) return;
    RunOnDevice([this] { return ReadSettingsTransactions(); },
                [this](const SettingsReading& reading) { TakeSettingsReading(reading); });
}

// --- lighting ---------------------------------------------------------------------------

void CZembravaLightBlockDevice::MarkRingKeys() {
    lighting_.MarkRingKeys(GetLedCount());
}

bool CZembravaLightBlockDevice::LightingAnimates() const {
    const int mode = lightMode_;
    if (mode == kStatic || mode == kOff) return LightListAnimates();
    return true;
}

std::chrono::milliseconds CZembravaLightBlockDevice::StepInterval() const {
    return EffectStepInterval(GetLightSettings()[LightSetting::kSpeed], lightMode_ == kCustom);
}

void CZembravaLightBlockDevice::PreviewStep() {
    StepEffect();
}

void CZembravaLightBlockDevice::StepEffect() {
    const EffectParameters parameters = lighting_.Parameters();
    const int mode = lightMode_;
    if (!StepSharedEffect(mode)) {
        switch (mode) {
            case kWave:
                wave_.Step(lighting_, parameters);
                break;
            case kCustom:
                PlayCustomEffect();
                break;
            case kRingChase:
                ringChase_.Step(lighting_, parameters);
                break;
            case kPairedChase:
                pairedChase_.Step(lighting_, parameters);
                break;
            default:
                LightOff();
                break;
        }
    }
    ApplyLightList();
}

}  // namespace kelno
