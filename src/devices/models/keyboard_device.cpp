#include "devices/models/keyboard_device.h"

#include <algorithm>

#include "core/debug_output.h"
#include "core/json_access.h"
#include "core/json_file.h"
#include "core/names.h"
#include "devices/model/light_fields.h"
#include "devices/models/light_button.h"
#include "devices/models/page_lookup.h"
#include "skin/controls/button.h"
#include "skin/controls/edit.h"
#include "skin/controls/label.h"
#include "skin/controls/progress.h"
#include "skin/core/attribute_values.h"

namespace kelno {
namespace {

using keyboard::kPollingRates;
using keyboard::kRepeatDelays;
constexpr int kRepeatDelayStepMs = 250;
constexpr uint32_t kPerKeyButtonColour = 0x0000FF;

// Reactive preview modes, which key presses drive.
bool IsReactiveMode(int mode) {
    return (mode >= 8 && mode <= 13) || mode == 20;
}

}  // namespace

CZembravaKeyboardDevice::CZembravaKeyboardDevice(std::shared_ptr<hid::HidBackend> backend)
    : CZembravaKeyMappedDevice(std::move(backend)) {
    deviceKind_ = KindCode(DeviceKind::Keyboard);
    SetKindName("keyboard");
    SetKeyCount(kKeyCount);
    SetLedCount(kLedCount);
    keyAssignments_.resize(kKeyCount);
    storedKeys_.resize(kKeyCount);
    model_.SetStateListener([this](const KeyboardState& state) { ShowModelState(state); });
    model_.SetWriteListener(
        [this](int result) { ReportWriteResult(DeviceWriteKind::Settings, result); });
}

CZembravaKeyboardDevice::~CZembravaKeyboardDevice() {
    StopThreads();
}

std::string CZembravaKeyboardDevice::GetClass() const {
    return "ZembravaKeyboardDevice";
}

void* CZembravaKeyboardDevice::GetInterface(std::string_view name) {
    if (skin::EqualsNoCase(name, "ZembravaKeyboardDevice")) return this;
    return CZembravaKeyMappedDevice::GetInterface(name);
}

// --- page binding --------------------------------------------------------------

void CZembravaKeyboardDevice::InitLayout() {
    InitDeviceLayout();
}

void CZembravaKeyboardDevice::InitDeviceLayout() {
    if (layoutFile_.empty()) {
        UnbindAll();
        return;
    }
    skin::CControlUI* panel = Find("keyboard_device_key_light");
    keyPanel_ =
        panel ? static_cast<skin::CContainerUI*>(panel->GetInterface("Container")) : nullptr;
    BindKeyButtons(keyPanel_, true);
    BindLayoutCaptions();
    BindKeyPanels();
}

// --- profile -----------------------------------------------------------------------

void CZembravaKeyboardDevice::SetLightSettings(uint32_t word0, uint32_t word1, uint32_t word2) {
    TakeLightSetting(LightSetting::FromWords(word0, word1, word2));
}

void CZembravaKeyboardDevice::ShowModelState(const KeyboardState& state) {
    TakeLightSetting(state.light);
    RefreshSystemControls();
}

void CZembravaKeyboardDevice::TakeProfileState() {
    TakeKeyList();
    model_.TakeProfile();
    RefreshUi();
}

int CZembravaKeyboardDevice::LoadProfile() {
    BindProfilePaths();
    if (Profile().GetProfilePath().empty()) return 0;
    Profile().Load(Profile().GetProfilePath());
    TakeProfileState();
    SendKeyBitmap();
    return 1;
}

int CZembravaKeyboardDevice::RestoreDefaults() {
    BindProfilePaths();
    Profile().Load(DefaultProfilePath());
    TakeProfileState();
    const int saved = SaveProfile();
    RefreshPanels();
    SendKeyBitmap();
    // The keyboard follows the file: its settings and key map go back too.
    model_.SendStored();
    QueueStoredKeyMapWrite(0);
    return saved;
}

void CZembravaKeyboardDevice::TakeLightSetting(const LightSetting& setting) {
    std::lock_guard preview(previewMutex_);
    const uint8_t previousMode = lightShadow_[LightSetting::kMode];
    StoreLightSettings(setting);
    for (int byte : {LightSetting::kMode, LightSetting::kBrightness, LightSetting::kSpeed,
                     LightSetting::kMultiColor, LightSetting::kRed, LightSetting::kGreen,
                     LightSetting::kBlue}) {
        lightShadow_[byte] = setting[byte];
    }
    previewMode_ = setting[LightSetting::kMode];
    if (previousMode == setting[LightSetting::kMode]) return;
    ResetPreview();
    // The per-key preview starts from the keys the profile has lit.
    if (setting[LightSetting::kMode] == kPerKeyMode) LoadCustomColours();
    NotifyPreviewState();
}

int CZembravaKeyboardDevice::RefreshUi() {
    TakeLightSetting(model_.Shown().light);
    ReplaceLightList(Profile().GetLightList());
    {
        std::lock_guard lock(customEffectLock_);
        (void)Profile().GetCustomEffect();
    }
    lighting_.ClearKeyLevels();
    return 1;
}

void CZembravaKeyboardDevice::ResetPreview() {
    lighting_.ResetAnimation();
    previewCount_ = 0;
}

// --- key map -------------------------------------------------------------------------

std::map<int, int> CZembravaKeyboardDevice::KeyLedsOf(const std::vector<uint8_t>& deviceKeys,
                                                      const KeyMapReading& reading) const {
    std::array<uint8_t, keyboard::kPageKeyCount> keys;
    std::copy_n(deviceKeys.begin(), keys.size(), keys.begin());
    const auto leds =
        keyboard::MapKeyLeds(keys, std::span(reading.keyLeds.data(), reading.mapSize / 3));
    std::map<int, int> keyToLed;
    for (int j = 0; j < kKeyCount; ++j) keyToLed[j] = leds[static_cast<size_t>(j)];
    return keyToLed;
}

// --- settings block ----------------------------------------------------------------------

int CZembravaKeyboardDevice::WriteSettings(int profileIndex, int /*activeProfile*/, int /*flag*/,
                                           int /*screenWidth*/, int /*screenHeight*/) {
    if (profileIndex < 0) return 0;
    return model_.SendStored();
}

bool CZembravaKeyboardDevice::CommitLightSetting(const LightSetting& setting, bool clearHold,
                                                 CommitDone done) {
    if (clearHold) link_.Command().SetLightingHold(false);
    model_.Apply([setting](KeyboardState& state) { state.light = setting; }, std::move(done));
    return true;
}

int CZembravaKeyboardDevice::TakeSettingsBlock(uint8_t /*activeProfile*/,
                                               std::span<const uint8_t> read) {
    std::array<uint8_t, keyboard::kSettingsBlockSize> block{};
    std::copy_n(read.begin(), block.size(), block.begin());
    block[16] = 0;
    settingsBlock_ = block;

    const keyboard::KeyboardSettings reported =
        keyboard::ReadSettingsBlock(block, KeyboardModel::SettingsOf(model_.Stored()));
    const bool saved = model_.TakeFromDevice([&reported](KeyboardState& state) {
        TakeReportedLight(reported, state.light);
        state.system[kWFlag] = reported.wFlag;
        state.system[kSixKeyFlag] = reported.sixKeyFlag;
        state.system[kWinLockFlag] = reported.winLockFlag;
    });
    if (!saved) ReportSaveFailed();
    RefreshPanels();
    return kChannelOk;
}

// --- per-key lighting ----------------------------------------------------------------------

std::vector<bool> CZembravaKeyboardDevice::LitLeds() const {
    const std::vector<LedColour> leds = lighting_.LedColours();
    std::vector<bool> lit(kKeyCount, false);
    for (size_t i = 0; i < lit.size() && i < leds.size(); ++i) lit[i] = leds[i].red == 255;
    return lit;
}

void CZembravaKeyboardDevice::LoadCustomColours() {
    const std::vector<KeyColour> colours =
        Profile().GetCustomLightColours(Profile().GetCustomLightGroup(), ledCount_);
    for (size_t i = 0; i < colours.size(); ++i) {
        lighting_.SetLedColour(static_cast<int>(i), LedColour{colours[i].red, colours[i].green,
                                                              colours[i].blue, colours[i].alpha});
    }
}

int CZembravaKeyboardDevice::SendKeyBitmap() {
    std::vector<bool> lit;
    {
        std::lock_guard preview(previewMutex_);
        LoadCustomColours();
        lit = LitLeds();
    }
    std::array<uint8_t, keyboard::kPageKeyCount> keyLeds;
    keyLeds.fill(keyboard::kUnmapped);
    for (const auto& [page, led] : KeyToLed()) {
        if (page >= 0 && page < kKeyCount)
            keyLeds[static_cast<size_t>(page)] = static_cast<uint8_t>(led);
    }
    bitmap_ = keyboard::BuildLightBitmap(keyLeds, lit);
    WakeLightingThread();  // the preview shows the loaded colours
    return WriteWholeBitmap();
}

int CZembravaKeyboardDevice::WriteWholeBitmap() {
    return QueueDeviceWrite(DeviceWriteKind::KeyLights, [this, bitmap = bitmap_] {
        return link_.Command().WriteKeyLights(bitmap, 0);
    });
}

void CZembravaKeyboardDevice::StoreCustomSet(int customSet) {
    if (customSet < 0) return;
    std::vector<KeyColour> colours;
    for (const LedColour& led : lighting_.LedColours()) {
        colours.push_back(KeyColour{led.red, led.green, led.blue, led.level});
    }
    Profile().SetCustomLightColours(colours, customSet);
    SaveProfile();
}

int CZembravaKeyboardDevice::ToggleKeyLight(int key, int customSet) {
    const LightSetting light = GetLightSettings();
    if (light[LightSetting::kMode] != kPerKeyMode || key < 0 || key >= ledCount_) return 0;
    LedColour entry;
    {
        std::lock_guard preview(previewMutex_);
        entry = lighting_.GetLedColour(key);
        entry.red = entry.red != 0 ? 0 : light[LightSetting::kRed];
        entry.green = light[LightSetting::kGreen];
        entry.blue = light[LightSetting::kBlue];
        entry.level = LevelForBrightness(light[LightSetting::kBrightness]);
        lighting_.SetLedColour(key, entry);
    }
    WakeLightingThread();
    StoreCustomSet(customSet);

    const int led = LedOfPageKey(key);
    const auto position = keyboard::BitmapPosition(led);
    if (!position) return 0;  // unmapped keys never reach the bitmap
    uint8_t& byte = bitmap_[static_cast<size_t>(position->byte)];
    const auto mask = static_cast<uint8_t>(1u << position->bit);
    byte =
        entry.red == 255 ? static_cast<uint8_t>(byte | mask) : static_cast<uint8_t>(byte & ~mask);
    // After a refused bitmap write one byte would not bring the rest.
    if (HasFailedWrite(DeviceWriteKind::KeyLights)) return WriteWholeBitmap();
    return QueueDeviceWrite(DeviceWriteKind::KeyLights,
                            [this, value = byte, at = static_cast<uint16_t>(position->byte)] {
                                return link_.Command().WriteKeyLights(std::span(&value, 1), at);
                            });
}

int CZembravaKeyboardDevice::SetAllKeysLit(bool lit, int customSet) {
    const LightSetting light = GetLightSettings();
    const uint8_t level = LevelForBrightness(light[LightSetting::kBrightness]);
    {
        std::lock_guard preview(previewMutex_);
        for (int i = 0; i < ledCount_; ++i) {
            lighting_.SetLedColour(
                i, lit ? LedColour{light[LightSetting::kRed], light[LightSetting::kGreen],
                                   light[LightSetting::kBlue], level}
                       : LedColour{});
        }
    }
    bitmap_.fill(lit ? 0xFF : 0x00);
    WakeLightingThread();
    StoreCustomSet(customSet);
    return WriteWholeBitmap();
}

int CZembravaKeyboardDevice::LoadCustomLightSet(int group) {
    if (group < 0 || group >= CKeyboardProfiledata::kMaxCustomLightGroups) return 0;
    Profile().SetCustomLightGroup(group);
    SaveProfile();
    return SendKeyBitmap();
}

int CZembravaKeyboardDevice::SetLedStatus(bool on) {
    const int result = model_.SetLedStatus(on, TellIfNotSaved());
    RefreshPanels();
    return result;
}

// --- sync, panels, captions -------------------------------------------------------------------

// The settings block is queued like every write a user's change makes, so
// writes reach the keyboard in the order they were made.
int CZembravaKeyboardDevice::FinishInitialSync() {
    LoadProfile();
    RefreshPanels();
    const int result = model_.SendStored();
    StartLightingThread();
    return result;
}

int CZembravaKeyboardDevice::RefreshPanels() {
    FillPanelLists();
    RefreshKeyCaptions();
    RefreshSystemControls();
    return 1;
}

void CZembravaKeyboardDevice::RefreshSystemControls() {
    const std::array<uint16_t, 6>& system = model_.Shown().system;
    const int polling =
        system[kPollingRate] < kPollingRates ? system[kPollingRate] : 0;
    for (int i = 0; i < kPollingRates; ++i) {
        SetOptionSelected(Find(("polling_rate_option_" + std::to_string(i)).c_str()), i == polling);
    }
    SetOptionSelected(Find("winlockflag_option"), system[kWinLockFlag] != 0);
    SetOptionSelected(Find("wflag_option"), system[kWFlag] != 0);
    SetOptionSelected(Find("6flag_option"), system[kSixKeyFlag] != 0);
    if (auto* slider = FindAs<skin::CSliderUI>("repeat_rate_slider", "Slider")) {
        slider->SetValue(system[kRepeatRate]);
    }
    const int delay =
        system[kRepeatDelay] < kRepeatDelays ? system[kRepeatDelay] : 0;
    for (int i = 0; i < kRepeatDelays; ++i) {
        SetOptionSelected(Find(("repeat_delay_check_" + std::to_string(i)).c_str()), i == delay);
    }
    if (skin::CControlUI* label = Find("repeat_delay_time_label1")) {
        label->SetText(ResolveText("Repeat_Delay_Time") +
                       std::to_string(delay * kRepeatDelayStepMs + kRepeatDelayStepMs) + "ms");
    }
    if (skin::CControlUI* edit = Find("repeat_input_richedit")) {
        edit->SetToolTip(ResolveText("Repeat_input_text"));
    }
}

bool CZembravaKeyboardDevice::HandleSystemSettingNotify(const skin::TNotifyUI& msg) {
    if (!msg.pSender) return false;
    const std::string& name = msg.pSender->GetName();
    std::string prefix;
    int number = -1;
    const bool numbered = SplitIndexedName(name, prefix, number);
    const uint16_t selected = IsOptionSelected(msg.pSender) ? 1 : 0;
    const auto set = [](int setting, uint16_t value) -> KeyboardModel::Edit {
        return [setting, value](KeyboardState& state) { state.system[setting] = value; };
    };
    KeyboardModel::Edit edit;
    // The repeat settings are the system's, which the window sets at once
    // whatever the keyboard says: the profile keeps them so.
    bool systemsOwn = false;
    if (numbered && skin::EqualsNoCase(prefix, "polling_rate_option_") && number < kPollingRates) {
        if (!selected) return true;
        edit = set(kPollingRate, static_cast<uint16_t>(number));
    } else if (numbered && skin::EqualsNoCase(prefix, "repeat_delay_check_") &&
               number < kRepeatDelays) {
        if (!selected) return true;
        edit = set(kRepeatDelay, static_cast<uint16_t>(number));
        systemsOwn = true;
    } else if (skin::EqualsNoCase(name, "winlockflag_option")) {
        edit = set(kWinLockFlag, selected);
    } else if (skin::EqualsNoCase(name, "wflag_option")) {
        edit = set(kWFlag, selected);
    } else if (skin::EqualsNoCase(name, "6flag_option")) {
        edit = set(kSixKeyFlag, selected);
    } else if (skin::EqualsNoCase(name, "repeat_rate_slider")) {
        auto* slider = static_cast<skin::CSliderUI*>(msg.pSender->GetInterface("Slider"));
        if (!slider) return false;
        edit = set(kRepeatRate, static_cast<uint16_t>(std::max(slider->GetValue(), 0)));
        systemsOwn = true;
    } else {
        return false;
    }
    if (!systemsOwn)
        model_.Apply(edit, TellIfNotSaved());
    else if (!model_.StoreAtOnce(edit))
        ReportSaveFailed();
    return true;
}

void CZembravaKeyboardDevice::SetFunctionPage(int page) {
    CZembravaUSBDevice::SetFunctionPage(page);
    if (skin::CControlUI* fn = KeyButton(kFunctionKey)) {
        if (page == 1) fn->SetEnabled(true);
        if (page == 2) fn->SetEnabled(false);
    }
}

// --- preview ----------------------------------------------------------------------------------

void CZembravaKeyboardDevice::LightTick() {
    if (!lightingEnabled_) return;
    MirrorLedsToButtons();
}

void CZembravaKeyboardDevice::MirrorLedsToButtons() {
    const bool perKey = previewMode_ == kPerKeyMode;
    const std::vector<LedColour> leds = lighting_.LedColours();
    for (size_t i = 0; i < leds.size() && i < lightButtons_.size(); ++i) {
        skin::CControlUI* button = lightButtons_[i];
        if (!button || !button->IsVisible()) continue;
        SetLightButton(static_cast<int>(i), kPerKeyButtonColour, perKey ? leds[i].level : 0);
    }
}

void CZembravaKeyboardDevice::PreviewStep() {
    std::lock_guard preview(previewMutex_);
    const int mode = previewMode_;
    switch (mode) {
        case 5:
            LightStatic();
            break;
        case 6:
            LightBreathe();
            break;
        case 23:
            LightOff();
            break;
        case 24:
            LightBlinkFourColours();
            break;
        case kPerKeyMode: {
            const uint8_t level = LevelForBrightness(GetLightSettings()[LightSetting::kBrightness]);
            std::vector<LedColour> leds = lighting_.LedColours();
            for (LedColour& led : leds) led.level = led.red == 255 ? level : 0;
            lighting_.SetLedColours(leds);
            break;
        }
        case 0:
        case 15:
            break;  // frame sequences of the lighting panel
        default:
            if (IsReactiveMode(mode)) {
                for (int key = 0; key < kKeyCount; ++key) LowerKeyLevel(key, false);
            } else {
                LightColourCycle();
            }
            break;
    }
    ApplyLightList();
}

void CZembravaKeyboardDevice::ReactiveKeyEvent(int pageKey, bool press) {
    if (press) {
        lighting_.SetKeyLevel(pageKey, 255);
    } else {
        LowerKeyLevel(pageKey, false);
    }
}

void CZembravaKeyboardDevice::HandleNotification(uint16_t usage) {
    const bool press = usage >= 0x500 && usage <= 0x5FF;
    const bool release = usage >= 0x600 && usage <= 0x6FF;
    if (!press && !release) {
        CZembravaUSBDevice::HandleNotification(usage);
        return;
    }
    if (!IsReactiveMode(previewMode_)) return;
    const int pageKey = PageKeyOfDeviceKey(usage & 0xFF);
    if (pageKey >= 0) ReactiveKeyEvent(pageKey, press);
}

}  // namespace kelno
