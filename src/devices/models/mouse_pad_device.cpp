#include "devices/models/mouse_pad_device.h"

#include <algorithm>

#include "core/debug_output.h"
#include "devices/models/page_lookup.h"
#include "skin/core/attribute_values.h"

namespace kelno {
namespace pad {

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

}  // namespace pad

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

CZembravaMousePadDevice::CZembravaMousePadDevice(std::shared_ptr<hid::HidBackend> backend)
    : CZembravaProfiledDevice(std::move(backend)) {
    deviceKind_ = KindCode(DeviceKind::MousePad);
    SetKindName("MousePad");
    SetLedCount(pad::kLedCount);
    lighting_.RestartRing();
}

CZembravaMousePadDevice::~CZembravaMousePadDevice() {
    StopThreads();
}

std::string CZembravaMousePadDevice::GetClass() const {
    return "ZembravaMousePadDevice";
}

void* CZembravaMousePadDevice::GetInterface(std::string_view name) {
    if (skin::EqualsNoCase(name, "ZembravaMousePadDevice")) return this;
    return CZembravaProfiledDevice::GetInterface(name);
}

void CZembravaMousePadDevice::InitLayout() {
    if (layoutFile_.empty()) {
        UnbindAll();
        return;
    }
    skin::CControlUI* panel = Find("mousepad_device_key_light");
    keyPanel_ =
        panel ? static_cast<skin::CContainerUI*>(panel->GetInterface("Container")) : nullptr;
    BindKeyButtons(keyPanel_, true);
    BindPanels({"DeviceProfileItem", "LightControlItem"});
}

// --- light setting --------------------------------------------------------------------

void CZembravaMousePadDevice::FollowShadow() {
    LightSetting light = GetLightSettings();
    for (const ShadowByte& byte : kShadowBytes) light[byte.light] = shadow_[byte.shadow];
    const bool modeChanged = lightMode_ != light[LightSetting::kMode];
    lightMode_ = light[LightSetting::kMode];
    StoreLightSettings(light);
    if (modeChanged) {
        lighting_.RestartRing();
        NotifyPreviewState();
    }
}

void CZembravaMousePadDevice::SetLightSettings(uint32_t word0, uint32_t word1, uint32_t word2) {
    const LightSetting light = LightSetting::FromWords(word0, word1, word2);
    for (const ShadowByte& byte : kShadowBytes) shadow_[byte.shadow] = light[byte.light];
    FollowShadow();
    profile_.SetLightSetting(word0, word1, word2);
}

int CZembravaMousePadDevice::RefreshUi() {
    const LightSetting light = profile_.GetLightSetting();
    for (const ShadowByte& byte : kShadowBytes) shadow_[byte.shadow] = light[byte.light];
    FollowShadow();
    ReplaceLightList(profile_.GetLightList());
    SetCustomEffect(profile_.GetCustomEffect());
    return 1;
}

int CZembravaMousePadDevice::LoadProfile() {
    BindProfilePaths();
    if (profile_.GetProfilePath().empty()) return 0;
    profile_.Load(profile_.GetProfilePath());
    RefreshUi();
    return 1;
}

int CZembravaMousePadDevice::RestoreDefaults() {
    BindProfilePaths();
    profile_.Load(DefaultProfilePath());
    RefreshUi();
    const int saved = SaveProfile();
    RefreshPanels();
    return saved;
}

int CZembravaMousePadDevice::RefreshPanels() {
    return FillPanelLists();
}

// --- the pad's memory ------------------------------------------------------------------

int CZembravaMousePadDevice::WriteSettings(int profileIndex, int /*activeProfile*/, int /*flag*/,
                                           int /*screenWidth*/, int /*screenHeight*/) {
    if (profileIndex < 0) return 0;
    const auto block = pad::BlockFromShadow(shadow_);
    return QueueDeviceWrite(DeviceWriteKind::Settings, [this, block, profileIndex] {
        CHidCommandChannel& channel = *commandChannel_;
        const auto group = channel.LockGroup();
        channel.SendStart();
        const int result =
            channel.WriteMemory(block, static_cast<uint32_t>(profileIndex) * pad::kWriteStride);
        channel.SendFinish();
        return result;
    });
}

int CZembravaMousePadDevice::ReadInfoTransactions() {
    CHidCommandChannel& channel = *commandChannel_;
    const auto group = channel.LockGroup();
    std::array<uint8_t, kDeviceInfoSize> info{};
    channel.SendStart();
    const int result = channel.ReadInfo(info);
    channel.SendFinish();
    return result;
}

void CZembravaMousePadDevice::FinishInitialSync() {
    LoadProfile();
    RefreshPanels();
    StartLightingThread();
}

int CZembravaMousePadDevice::InitialSync() {
    const int read = commandChannel_->IsOpen() ? ReadInfoTransactions() : 0;
    FinishInitialSync();
    return read;
}

void CZembravaMousePadDevice::OnInitialSyncTimer() {
    const bool queued = commandChannel_->IsOpen() &&
                        RunOnDevice([this] { return ReadInfoTransactions(); },
                                    [this](int) { FinishInitialSync(); });
    if (!queued) FinishInitialSync();
}

void CZembravaMousePadDevice::BeginSyncRequest() {
    commandChannel_->SetLightingHold(false);
    previousShadow_ = shadow_;
}

CZembravaMousePadDevice::SettingsReading CZembravaMousePadDevice::ReadSettingsTransactions() {
    CHidCommandChannel& channel = *commandChannel_;
    SettingsReading reading;
    const auto group = channel.LockGroup();
    std::array<uint8_t, 1> active{};
    reading.result = channel.ReadMemory(active, 0);
    if (reading.result != kChannelOk) return reading;
    reading.activeProfile = active[0];
    reading.result = channel.ReadMemory(reading.block, uint32_t{active[0]} * pad::kReadStride);
    return reading;
}

int CZembravaMousePadDevice::TakeSettingsReading(const SettingsReading& reading) {
    if (reading.result != kChannelOk) {
        // A partial read would put zeros into the page: keep everything.
        DebugOutputF("pad settings read-back failed (%d)", reading.result);
        return reading.result;
    }
    shadow_ = pad::ShadowFromBlock(reading.activeProfile, reading.block);
    // The page and the lighting follow the pad; the profile stays.
    FollowShadow();
    FillPanelLists();
    if (mainWindow_) mainWindow_(UWM_DEVICE_PROFILE_MSG, reading.activeProfile, 0);
    return kChannelOk;
}

int CZembravaMousePadDevice::OnSyncRequest() {
    BeginSyncRequest();
    if (!commandChannel_->IsOpen()) return 0;
    return TakeSettingsReading(ReadSettingsTransactions());
}

void CZembravaMousePadDevice::OnSyncRequestTimer() {
    BeginSyncRequest();
    if (!commandChannel_->IsOpen()) return;
    RunOnDevice([this] { return ReadSettingsTransactions(); },
                [this](const SettingsReading& reading) { TakeSettingsReading(reading); });
}

// --- lighting ---------------------------------------------------------------------------

void CZembravaMousePadDevice::MarkRingKeys() {
    lighting_.MarkRingKeys(pad::kLedCount);
}

bool CZembravaMousePadDevice::LightingAnimates() const {
    const int mode = lightMode_;
    if (mode == kStatic || mode == kOff) return LightListAnimates();
    return true;
}

std::chrono::milliseconds CZembravaMousePadDevice::StepInterval() const {
    return EffectStepInterval(GetLightSettings()[LightSetting::kSpeed], lightMode_ == kCustom);
}

void CZembravaMousePadDevice::PreviewStep() {
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
