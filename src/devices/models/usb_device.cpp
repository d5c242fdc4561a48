#include "devices/models/usb_device.h"

#include <algorithm>

#include "core/debug_output.h"
#include "core/names.h"
#include "core/paths.h"
#include "devices/hid/hid_device_record.h"
#include "devices/models/light_button.h"
#include "devices/models/page_lookup.h"
#include "skin/core/attribute_values.h"
#include "skin/core/paint_manager.h"

namespace kelno {
namespace {

using namespace std::chrono_literals;

// The system tick moves about every 2 ms at the resolution the effects
// were tuned for; a preview step runs every (6 - speed) of those.
constexpr std::chrono::milliseconds kStepUnit{2};

ILightButton* AsLightButton(skin::CControlUI* control) {
    return control ? static_cast<ILightButton*>(control->GetInterface(kLightButtonInterface))
                   : nullptr;
}

}  // namespace

uint32_t PackLedEntry(const LedColour& colour) {
    return uint32_t{colour.red} | uint32_t{colour.green} << 8 | uint32_t{colour.blue} << 16 |
           uint32_t{colour.level} << 24;
}

LedColour UnpackLedEntry(uint32_t packed) {
    return LedColour{static_cast<uint8_t>(packed), static_cast<uint8_t>(packed >> 8),
                     static_cast<uint8_t>(packed >> 16), static_cast<uint8_t>(packed >> 24)};
}

uint32_t ButtonColour(uint8_t red, uint8_t green, uint8_t blue) {
    return uint32_t{red} | uint32_t{blue} << 8 | uint32_t{green} << 16;
}

CZembravaUSBDevice::CZembravaUSBDevice(std::shared_ptr<hid::HidBackend> backend)
    : link_(std::move(backend)) {
    // The hold's end hands the LEDs back to the device's own effect.
    link_.Command().SetLightingHoldListener([this] { WakeLightingThread(); });
}

CZembravaUSBDevice::~CZembravaUSBDevice() {
    link_.Shutdown();
    StopLightingThread();
}

std::string CZembravaUSBDevice::GetClass() const {
    return "ZembravaUSBDevice";
}

void* CZembravaUSBDevice::GetInterface(std::string_view name) {
    if (skin::EqualsNoCase(name, "ZembravaUSBDevice")) return this;
    return skin::CHorizontalLayoutUI::GetInterface(name);
}

void CZembravaUSBDevice::DoEvent(skin::TEventUI& event) {
    if (event.Type == skin::UiEvent::Timer && event.wParam == kTimerSyncRequest) {
        if (GetManager()) GetManager()->KillTimer(this, kTimerSyncRequest);
        OnSyncRequestTimer();
        return;
    }
    skin::CHorizontalLayoutUI::DoEvent(event);
}

// --- set-up ---------------------------------------------------------------

void CZembravaUSBDevice::SetKeyCount(int count) {
    keyCount_ = std::max(count, 0);
    keyButtons_.assign(static_cast<size_t>(keyCount_), nullptr);
}

void CZembravaUSBDevice::SetLedCount(int count) {
    ledCount_ = std::max(count, 0);
    lightButtons_.assign(static_cast<size_t>(ledCount_), nullptr);
    lighting_.SetLedCount(ledCount_);
}

void CZembravaUSBDevice::SetPowerPolling(bool polling) {
    powerPolling_ = polling;
    if (powerDisplay_) powerDisplay_->SetPowerPolling(polling);
}

void CZembravaUSBDevice::SetPowerDisplay(IPowerStatusView* display) {
    powerDisplay_ = display;
    if (powerDisplay_) powerDisplay_->SetPowerPolling(powerPolling_);
}

void CZembravaUSBDevice::AttachCatalogueEntry(const SupportedDeviceEntry& entry) {
    catalogueEntry_ = entry;
    deviceKind_ = entry.kind == KindCode(DeviceKind::WirelessMouse) ? KindCode(DeviceKind::Mouse)
                                                                    : entry.kind;
    interfaceRole_ = entry.variant;
}

void CZembravaUSBDevice::SetUiTaskPoster(UiTaskPoster poster) {
    link_.SetPoster(std::move(poster));
}

void CZembravaUSBDevice::SetDataFolders(std::filesystem::path userDataRoot,
                                        std::filesystem::path defaultData) {
    userDataRoot_ = std::move(userDataRoot);
    defaultDataFolder_ = std::move(defaultData);
    foldersSet_ = true;
}

std::filesystem::path CZembravaUSBDevice::UserFolder() const {
    std::filesystem::path root = userDataRoot_;
    if (!foldersSet_)
        root = ResolveAppFolders(ProcessEnvironment(), CurrentExecutablePath()).userData;
    std::filesystem::path folder = root / kindName_;
    if (!EnsureFolder(folder)) DebugOutputF("cannot create %s", folder.c_str());
    return folder;
}

std::filesystem::path CZembravaUSBDevice::DefaultDataFolder() const {
    if (foldersSet_) return defaultDataFolder_;
    return ResolveAppFolders(ProcessEnvironment(), CurrentExecutablePath()).programData /
           "DefaultData";
}

std::filesystem::path CZembravaUSBDevice::DefaultProfilePath() const {
    return DefaultDataFolder() / (kindName_ + ".Json");
}

// --- channels -------------------------------------------------------------

bool CZembravaUSBDevice::OpenCommandChannel(const std::string& path, bool wireless) {
    const bool opened = link_.OpenCommand(path, wireless);
    if (opened) {
        // The first synchronisation gives the new connection everything.
        failedWrites_ = 0;
        // A lighting thread that slept while the channel was closed goes on,
        // and the device, new or back, gets the picture it may not have.
        frameWanted_ = true;
        WakeLightingThread();
    }
    return opened;
}

void CZembravaUSBDevice::CloseCommandChannel() {
    link_.CloseCommand();
}

bool CZembravaUSBDevice::AttachNotifyPath(const std::string& path) {
    AdoptHostPoster();
    // The link's thread calls this page's handler until the link stops it.
    return link_.AttachNotifyPath(path, [this](uint16_t usage) { HandleNotification(usage); });
}

void CZembravaUSBDevice::DetachNotifyPath() {
    link_.DetachNotifyPath();
}

bool CZembravaUSBDevice::StopThreads() {
    const bool linkEnded = link_.StopWorkerAndNotify();
    const bool lightingEnded = StopLightingThread();
    return linkEnded && lightingEnded;
}

// --- layout binding ---------------------------------------------------------

void CZembravaUSBDevice::UnbindAll() {
    keyCount_ = 0;
    ledCount_ = 0;
    keyButtons_.clear();
    lightButtons_.clear();
    lighting_.SetLedCount(0);
    keyPanel_ = nullptr;
}

void CZembravaUSBDevice::InitLayout() {
    if (layoutFile_.empty()) {
        UnbindAll();
        return;
    }
    keyPanel_ = FindDescendantByInterface(this, "SelectPanel");
    BindKeyButtons(keyPanel_, false);
}

void CZembravaUSBDevice::BindKeyButtons(skin::CContainerUI* panel, bool lightByName) {
    if (!panel) return;
    std::string prefix;
    int number = -1;
    for (int i = 0; i < panel->GetCount(); ++i) {
        skin::CControlUI* child = panel->GetItemAt(i);
        if (!child || !child->GetInterface(kDeviceKeyButtonClass)) continue;
        if (SplitIndexedName(child->GetName(), prefix, number)) {
            if (skin::EqualsNoCase(prefix, "key_") && number < keyCount_) {
                keyButtons_[static_cast<size_t>(number)] = child;
            } else if (lightByName && skin::EqualsNoCase(prefix, "light_") && number < ledCount_) {
                lightButtons_[static_cast<size_t>(number)] = child;
                SetLightButton(number, 0xFFFFFF, 255);
            }
        }
        if (SplitIndexedName(child->GetUserData(), prefix, number) &&
            skin::EqualsNoCase(prefix, "light_") && number < ledCount_) {
            lightButtons_[static_cast<size_t>(number)] = child;
            SetLightButton(number, 0xFFFFFF, 255);
        }
    }
}

skin::CControlUI* CZembravaUSBDevice::KeyButton(int index) const {
    if (index < 0 || index >= static_cast<int>(keyButtons_.size())) return nullptr;
    return keyButtons_[static_cast<size_t>(index)];
}

skin::CControlUI* CZembravaUSBDevice::LightButton(int index) const {
    if (index < 0 || index >= static_cast<int>(lightButtons_.size())) return nullptr;
    return lightButtons_[static_cast<size_t>(index)];
}

void CZembravaUSBDevice::SetLightButton(int led, uint32_t packedColour, uint8_t level) {
    if (ILightButton* button = AsLightButton(LightButton(led))) {
        button->SetLight(packedColour, level, true);
    }
}

// --- light settings and effects -------------------------------------------

LightSetting CZembravaUSBDevice::GetLightSettings() const {
    std::lock_guard lock(settingsMutex_);
    return lightSettings_;
}

void CZembravaUSBDevice::StoreLightSettings(const LightSetting& setting) {
    {
        std::lock_guard lock(settingsMutex_);
        lightSettings_ = setting;
    }
    ApplyLightSettingsToEffects(setting);
    WakeLightingThread();
}

void CZembravaUSBDevice::ApplyLightSettingsToEffects(const LightSetting& setting) {
    EffectParameters parameters;
    parameters.brightness = std::min<int>(setting[LightSetting::kBrightness], kMaxBrightnessLevel);
    parameters.speed = std::min<int>(setting[LightSetting::kSpeed], kMaxSpeed);
    parameters.forward = setting[LightSetting::kDirection] != 0;
    parameters.multiColour = setting[LightSetting::kMultiColor] != 0;
    parameters.colour = Rgb{setting[LightSetting::kRed], setting[LightSetting::kGreen],
                            setting[LightSetting::kBlue]};
    lighting_.SetParameters(parameters);
}

void CZembravaUSBDevice::SetLightSettings(uint32_t word0, uint32_t word1, uint32_t word2) {
    StoreLightSettings(LightSetting::FromWords(word0, word1, word2));
}

bool CZembravaUSBDevice::CommitLightSetting(const LightSetting& setting, bool clearHold,
                                            CommitDone done) {
    const LightSetting stored = GetLightSettings();
    SetLightSettings(setting.Word(0), setting.Word(1), setting.Word(2));
    // A page without a profile file has nothing to save.
    const bool saved = GetProfileName().empty() || SaveProfile() != 0;
    if (!saved) {
        // The file keeps the old setting: so do the device and the lighting.
        SetLightSettings(stored.Word(0), stored.Word(1), stored.Word(2));
        RefreshUi();
        if (done) done(CommitResult::NotSaved);
        return false;
    }
    if (clearHold) link_.Command().SetLightingHold(false);
    RefreshUi();
    WriteSettings(0, 0, 1, 0, 0);
    if (done) done(CommitResult::Stored);
    return true;
}

void CZembravaUSBDevice::LightBreathe() {
    lighting_.Breathe();
}
void CZembravaUSBDevice::LightBreatheFourColours() {
    lighting_.BreatheFourColours();
}
void CZembravaUSBDevice::LightStatic() {
    lighting_.Static();
}
void CZembravaUSBDevice::LightColourCycle() {
    lighting_.ColourCycle();
}
void CZembravaUSBDevice::LightBlink() {
    lighting_.Blink(SoftwareLighting::Clock::now());
}
void CZembravaUSBDevice::LightBlinkFourColours() {
    lighting_.BlinkFourColours(SoftwareLighting::Clock::now());
}
void CZembravaUSBDevice::LightOff() {
    lighting_.Off();
}

bool CZembravaUSBDevice::StepSharedEffect(int mode) {
    switch (mode) {
        case 1:
            LightColourCycle();
            return true;
        case 2:
            LightBreathe();
            return true;
        case 3:
            LightStatic();
            return true;
        case 4:
            LightBlink();
            return true;
        default:
            return false;
    }
}

void CZembravaUSBDevice::SetCustomEffect(std::vector<LightEffectStep> steps) {
    std::lock_guard lock(customEffectLock_);
    customEffect_.SetSteps(std::move(steps));
}

void CZembravaUSBDevice::PlayCustomEffect() {
    const int speed = lighting_.Parameters().speed;
    std::lock_guard lock(customEffectLock_);
    customEffect_.Play(lighting_, speed, CustomEffectPlayer::Clock::now());
}

void CZembravaUSBDevice::SetLedColour(int index, uint32_t packed) {
    lighting_.SetLedColour(index, UnpackLedEntry(packed));
    // A held device sleeps until its LEDs are set from outside.
    if (link_.Command().LightingHold()) WakeLightingThread();
}

uint32_t CZembravaUSBDevice::GetLedColour(int index) const {
    if (index < 0 || index >= lighting_.LedCount()) return 0;
    return PackLedEntry(lighting_.GetLedColour(index));
}

void CZembravaUSBDevice::MirrorLedsToButtons() {
    const std::vector<LedColour> leds = lighting_.LedColours();
    for (size_t i = 0; i < leds.size() && i < lightButtons_.size(); ++i) {
        skin::CControlUI* button = lightButtons_[i];
        if (!button || !button->IsVisible()) continue;
        SetLightButton(static_cast<int>(i), ButtonColour(leds[i].red, leds[i].green, leds[i].blue),
                       leds[i].level);
    }
}

void CZembravaUSBDevice::LightTick() {
    if (!lightingEnabled_) return;
    MirrorLedsToButtons();
}

void CZembravaUSBDevice::SetPreviewEnabled(bool on) {
    if (previewEnabled_.exchange(on) == on) return;
    NotifyPreviewState();
}

void CZembravaUSBDevice::SetPreviewShown(bool shown) {
    if (previewShown_.exchange(shown) == shown) return;
    WakeLightingThread();
}

void CZembravaUSBDevice::NotifyPreviewState() {
    if (previewListener_) previewListener_();
}

// --- reactive key levels, ring, zones ----------------------------------------

void CZembravaUSBDevice::RaiseKeyLevel(int index, bool fine) {
    lighting_.RaiseKeyLevel(index, fine);
}
void CZembravaUSBDevice::LowerKeyLevel(int index, bool fine) {
    lighting_.LowerKeyLevel(index, fine);
}
void CZembravaUSBDevice::MarkRingKeys() {
    lighting_.MarkRingKeys();
}
void CZembravaUSBDevice::RotateRing(bool forward) {
    lighting_.RotateRing(forward);
}
void CZembravaUSBDevice::ClearKeyLevels() {
    lighting_.ClearKeyLevels();
}

// --- function pages ---------------------------------------------------------------

void CZembravaUSBDevice::SetFunctionPage(int page) {
    functionPage_ = page;
    if (!functionSwitch_) functionSwitch_ = FindDescendantByName(this, "device_function_switch");
    if (!keyFunctionSwitch_) {
        keyFunctionSwitch_ = FindDescendantByName(this, "device_key_function_switch");
    }
    int functionTab = 0;
    int keyTab = 0;
    switch (page) {
        case 2:
        case 6:
            keyTab = 1;
            break;
        case 4:
            keyTab = 2;
            break;
        case 3:
        case 7:
            functionTab = 1;
            keyTab = -1;
            break;
        case 5:
            functionTab = 2;
            keyTab = -1;
            break;
        default:
            break;
    }
    SelectTab(functionSwitch_, functionTab);
    if (keyTab >= 0) SelectTab(keyFunctionSwitch_, keyTab);
}

// --- power -----------------------------------------------------------------------------

void CZembravaUSBDevice::ShowPowerReading(const DeviceLink::PowerReading& reading) {
    if (reading.result != kChannelOk) return;
    if (powerDisplay_) powerDisplay_->ShowPowerStatus(reading.status);
    if (mainWindow_) mainWindow_(UWM_DEVICE_POWER_MSG, reading.status[4], 0);
}

int CZembravaUSBDevice::PollPowerStatus() {
    if (!link_.Command().IsOpen()) return 0;
    const DeviceLink::PowerReading reading = link_.ReadPower();
    ShowPowerReading(reading);
    return reading.result;
}

void CZembravaUSBDevice::OnPowerPollTimer() {
    AdoptHostPoster();
    link_.PollPower([this](const DeviceLink::PowerReading& reading) { ShowPowerReading(reading); });
}

// --- key maps -------------------------------------------------------------------------

void CZembravaUSBDevice::SetKeyMaps(std::map<int, int> keyToDevice, std::map<int, int> keyToLed) {
    std::lock_guard lock(mapMutex_);
    keyToDeviceIndex_ = std::move(keyToDevice);
    keyToLed_ = std::move(keyToLed);
}

std::map<int, int> CZembravaUSBDevice::KeyToDeviceIndex() const {
    std::lock_guard lock(mapMutex_);
    return keyToDeviceIndex_;
}

std::map<int, int> CZembravaUSBDevice::KeyToLed() const {
    std::lock_guard lock(mapMutex_);
    return keyToLed_;
}

int CZembravaUSBDevice::PageKeyOfDeviceKey(int deviceKey) const {
    std::lock_guard lock(mapMutex_);
    for (const auto& [pageKey, device] : keyToDeviceIndex_) {
        if (device == deviceKey && device != kNoIndex) return pageKey;
    }
    return -1;
}

int CZembravaUSBDevice::LedOfPageKey(int pageKey) const {
    std::lock_guard lock(mapMutex_);
    const auto found = keyToLed_.find(pageKey);
    return found == keyToLed_.end() ? kNoIndex : found->second;
}

// --- posting to the UI thread ---------------------------------------------------------------

void CZembravaUSBDevice::AdoptHostPoster() {
    if (link_.HasPoster() || !GetManager() || !GetManager()->GetHost()) return;
    skin::IWindowHost* host = GetManager()->GetHost();
    link_.SetPoster([host](std::function<void()> task) { return host->PostTask(std::move(task)); });
}

int CZembravaUSBDevice::QueueDeviceWrite(DeviceWriteKind kind, std::function<int()> write) {
    if (!link_.Command().IsOpen()) return kChannelNoAnswer;
    if (RunOnDevice([write] { return write(); },
                    [this, kind](int result) { ReportWriteResult(kind, result); }))
        return kChannelOk;
    const int result = write();
    ReportWriteResult(kind, result);
    return result;
}

void CZembravaUSBDevice::ReportSaveFailed() {
    DebugOutput("a profile file was not written");
    if (mainWindow_) mainWindow_(UWM_DEVICE_SAVE_FAILED_MSG, 0, 0);
}

CommitDone CZembravaUSBDevice::TellIfNotSaved() {
    return [this](CommitResult result) {
        if (result == CommitResult::NotSaved) ReportSaveFailed();
    };
}

void CZembravaUSBDevice::ReportWriteResult(DeviceWriteKind kind, int result) {
    const auto bit = static_cast<uint8_t>(kind);
    if (result == kChannelOk) {
        failedWrites_ = static_cast<uint8_t>(failedWrites_ & ~bit);
    } else {
        failedWrites_ = static_cast<uint8_t>(failedWrites_ | bit);
        DebugOutputF("a device write failed (%d)", result);
    }
    if (mainWindow_) mainWindow_(UWM_DEVICE_WRITE_MSG, 0, result);
}

void CZembravaUSBDevice::ArmTimer(uint32_t id, uint32_t elapseMs) {
    skin::CControlUI* target = optionItem_ ? optionItem_ : this;
    if (GetManager()) GetManager()->SetTimer(target, id, elapseMs);
}

// --- the notification thread -------------------------------------------------------------

void CZembravaUSBDevice::HandleNotification(uint16_t usage) {
    if (usage == kNotifySyncRequest) {
        const uint32_t delay = SyncRequestDelayMs();
        PostToUi([this, delay] { ArmTimer(kTimerSyncRequest, delay); });
    } else if (usage == kNotifyCounter) {
        notifyCounter_ = (notifyCounter_ + 1) % 4;
    }
}

// --- the lighting thread -----------------------------------------------------------------

std::chrono::milliseconds CZembravaUSBDevice::StepInterval() const {
    const int speed = std::min<int>(GetLightSettings()[LightSetting::kSpeed], kMaxSpeed);
    return kStepUnit * (6 - speed);
}

void CZembravaUSBDevice::WakeLightingThread() {
    {
        std::lock_guard lock(wakeMutex_);
        wakeRequested_ = true;
    }
    wake_.notify_all();
}

void CZembravaUSBDevice::ReplaceLightList(std::vector<LightListEntry> entries) {
    {
        std::lock_guard lock(lightListLock_);
        lightList_.Reset(std::move(entries));
        lightListAnimates_ = lightList_.Animates();
    }
    WakeLightingThread();
    NotifyPreviewState();
}

void CZembravaUSBDevice::ApplyLightList() {
    std::lock_guard lock(lightListLock_);
    lightList_.Apply(lighting_, SoftwareLighting::Clock::now());
}

void CZembravaUSBDevice::StartLightingThread() {
    StopLightingThread();
    // Taken here, on the UI thread: the lighting thread has mirrors posted.
    AdoptHostPoster();
    lastSteppedLeds_.clear();
    lightingThread_.Start([this](std::stop_token token) { LightingLoop(token); });
}

bool CZembravaUSBDevice::StopLightingThread() {
    lightingThread_.RequestStop();
    wake_.notify_all();
    return lightingThread_.StopAndJoin(kStopBound);
}

bool CZembravaUSBDevice::LightingStepsWanted() const {
    if (!LightingAnimates()) return false;
    const bool framesWanted = SendsLightFrames() && !link_.Command().IsWireless();
    return framesWanted || previewShown_;
}

bool CZembravaUSBDevice::RunLightingStep() {
    PreviewStep();
    return TakeLedChanges();
}

bool CZembravaUSBDevice::TakeLedChanges() {
    // Against what the last step left, so edits made in between count too.
    std::vector<LedColour> leds = lighting_.LedColours();
    if (leds == lastSteppedLeds_) return false;
    lastSteppedLeds_ = std::move(leds);
    return true;
}

void CZembravaUSBDevice::PostMirror() {
    if (mirrorPending_.exchange(true)) return;
    if (!PostToUi([this] {
            mirrorPending_ = false;
            LightTick();
        })) {
        mirrorPending_ = false;
    }
}

int CZembravaUSBDevice::SendLightFrame() {
    return link_.Command().SendLightFrame(lighting_.Frame());
}

bool CZembravaUSBDevice::SendFrameIfWanted() {
    if (!SendsLightFrames() || link_.Command().IsWireless() || !frameWanted_.exchange(false))
        return true;
    const int result = SendLightFrame();
    ++framesSent_;
    if (result == kChannelOk) return true;
    frameWanted_ = true;
    return false;
}

void CZembravaUSBDevice::LightingLoop(const std::stop_token& token) {
    using Clock = std::chrono::steady_clock;
    // Time point max: nothing is due, sleep until woken.
    constexpr Clock::time_point kNothingDue = Clock::time_point::max();
    Clock::time_point nextStep = Clock::now();
    while (!token.stop_requested()) {
        {
            std::unique_lock lock(wakeMutex_);
            const auto requested = [this] { return wakeRequested_; };
            if (nextStep == kNothingDue) {
                wake_.wait(lock, token, requested);
            } else {
                wake_.wait_until(lock, token, nextStep, requested);
            }
            wakeRequested_ = false;
        }
        if (token.stop_requested()) break;
        nextStep = kNothingDue;
        if (!link_.Command().IsOpen()) continue;  // opening the channel wakes the thread
        const auto now = Clock::now();
        // While synchronisation holds the device it sets the LEDs itself:
        // the device's own effect pauses, but its frames keep flowing.
        const bool held = link_.Command().LightingHold();
        if (held ? TakeLedChanges() : RunLightingStep()) {
            frameWanted_ = true;
            // A ticking preview mirrors by itself; a still one needs this one.
            if (previewShown_ && !LightingAnimates()) PostMirror();
        }
        if (!SendFrameIfWanted()) {
            nextStep = now + kFailedFramePause;
            continue;
        }
        // A held device is woken by the LEDs set on it and by the hold's end.
        if (!held && LightingStepsWanted()) nextStep = now + StepInterval();
    }
}

}  // namespace kelno
