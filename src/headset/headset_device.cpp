#include "headset/headset_device.h"

#include <algorithm>

#include "core/debug_output.h"
#include "headset/audio_sdk_adapter.h"
#include "headset/headset_led_report.h"
#include "skin/core/attribute_values.h"

namespace kelno {
namespace {

// The headset's wave spreads the wheel 16 places per LED and moves its
// curve three places a step, 10 places between neighbours.
constexpr WaveEffect::Shape kHeadsetWave{16, 10, 3, 0};
// At most this many effect steps catch up before one frame.
constexpr int kMaxStepsPerFrame = 8;

}  // namespace

CZembravaHS6533Device::CZembravaHS6533Device(std::shared_ptr<hid::HidBackend> backend)
    : CZembravaLightBlockDevice(std::move(backend), {.kind = DeviceKind::Headset,
                                                     .kindName = "HD",
                                                     .ledCount = headset::kLedCount,
                                                     .ledPanel = "hs6533_device_key_light",
                                                     .wave = kHeadsetWave}),
      audio_(std::make_unique<CAudioSdkAdapter>(nullptr)) {}

CZembravaHS6533Device::~CZembravaHS6533Device() {
    StopThreads();
    DetachNotifyPath();
}

std::string CZembravaHS6533Device::GetClass() const {
    return "ZembravaHS6533Device";
}

void* CZembravaHS6533Device::GetInterface(std::string_view name) {
    if (skin::EqualsNoCase(name, "ZembravaHS6533Device")) return this;
    if (name == kHeadsetAudioActionsInterface) return static_cast<IHeadsetAudioActions*>(this);
    return CZembravaLightBlockDevice::GetInterface(name);
}

std::vector<const char*> CZembravaHS6533Device::PanelNames() const {
    return {"DeviceProfileItem", "LightControlItem", "MagicControlItem", "Voice6533ControlItem"};
}

void CZembravaHS6533Device::CloseCommandChannel() {
    CZembravaLightBlockDevice::CloseCommandChannel();
    // The notifications came on the command interface, which is gone.
    if (notifyOnCommandPath_) {
        DetachNotifyPath();
        notifyOnCommandPath_ = false;
    }
    audio_->Drop();
    synced_ = false;
}

// --- profile ------------------------------------------------------------------------------

void CZembravaHS6533Device::TakeAudioProfile() {
    settings_ = profile_.GetSystemSet();
    curveNames_ = profile_.GetCustomEqNames();
    const int preset = settings_.values[HeadsetSystemSettings::kEqType];
    const int custom = settings_.values[HeadsetSystemSettings::kCustomEqIndex];
    bands_ = CurveOf(preset, custom).value_or(EqGains{});
}

std::optional<EqGains> CZembravaHS6533Device::CurveOf(int preset, int customIndex) {
    std::vector<int> values;
    if (preset == CHs6533Profiledata::kCustomEqType) {
        // An index outside the names has no curve (reading it would add
        // empty slots that a save writes).
        if (customIndex < 0 || customIndex >= static_cast<int>(curveNames_.size()))
            return std::nullopt;
        values = profile_.GetCustomEqValues(customIndex);
    } else {
        values = profile_.GetEqValues(preset);
    }
    if (values.size() != static_cast<size_t>(kEqBandCount)) return std::nullopt;
    EqGains gains{};
    std::copy(values.begin(), values.end(), gains.begin());
    return gains;
}

int CZembravaHS6533Device::LoadProfileFile() {
    const int loaded = CZembravaLightBlockDevice::LoadProfile();
    if (loaded) TakeAudioProfile();
    return loaded;
}

int CZembravaHS6533Device::LoadProfile() {
    const int loaded = LoadProfileFile();
    if (loaded && synced_ && AudioReady()) Report(ApplyAudioSettings());
    return loaded;
}

int CZembravaHS6533Device::RestoreDefaults() {
    // The user's named curves outlive a reset of the settings.
    const std::vector<std::string> names = profile_.GetCustomEqNames();
    std::vector<std::vector<int>> curves;
    for (size_t i = 0; i < names.size(); ++i)
        curves.push_back(profile_.GetCustomEqValues(static_cast<int>(i)));
    BindProfilePaths();
    profile_.Load(DefaultProfilePath());
    profile_.SetCustomEqNames(names);
    for (size_t i = 0; i < curves.size(); ++i)
        profile_.SetCustomEqValues(static_cast<int>(i), curves[i]);
    RefreshUi();
    TakeAudioProfile();
    const int saved = SaveProfile();
    if (synced_ && AudioReady()) Report(ApplyAudioSettings());
    RefreshPanels();
    return saved;
}

int CZembravaHS6533Device::RefreshPanels() {
    return FillPanelLists();
}

// --- sync ---------------------------------------------------------------------------------

void CZembravaHS6533Device::FinishInitialSync() {
    if (!HasNotifyPath() && !GetCatalogueEntry().path.empty())
        notifyOnCommandPath_ = AttachNotifyPath(GetCatalogueEntry().path);
    LoadProfileFile();
    StartAudio();
    synced_ = true;
    RefreshPanels();
    StartLightingThread();
}

// --- lighting -----------------------------------------------------------------------------

std::chrono::milliseconds CZembravaHS6533Device::StepInterval() const {
    return std::max(kFrameInterval, CZembravaLightBlockDevice::StepInterval());
}

void CZembravaHS6533Device::PreviewStep() {
    // Frames go out every 20 ms at most; the effect keeps its own pace by
    // running the steps that fell due since the last frame.
    const auto now = std::chrono::steady_clock::now();
    const auto interval = CZembravaLightBlockDevice::StepInterval();
    if (nextEffectStep_ == std::chrono::steady_clock::time_point{}) nextEffectStep_ = now;
    int steps = 0;
    while (nextEffectStep_ <= now && steps < kMaxStepsPerFrame) {
        StepEffect();
        nextEffectStep_ += interval;
        ++steps;
    }
    if (steps == 0) StepEffect();  // woken by a change: show it now
    if (nextEffectStep_ < now) nextEffectStep_ = now;  // fell far behind: no burst
}

int CZembravaHS6533Device::SendLightFrame() {
    int result = kChannelOk;
    for (const headset::LedReport& report : headset::BuildLedReports(lighting_.LedColours())) {
        // A report that fails is counted; the others still go.
        const int sent = link_.Command().SendOutputReport(report);
        if (sent != kChannelOk) {
            ++failedLedReports_;
            result = sent;
        }
    }
    return result;
}

}  // namespace kelno
