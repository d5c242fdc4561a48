#include "devices/models/mouse_device.h"

#include <algorithm>
#include <charconv>

#include "core/debug_output.h"
#include "core/names.h"
#include "devices/model/light_fields.h"
#include "devices/models/page_lookup.h"
#include "skin/controls/progress.h"
#include "skin/core/attribute_values.h"

namespace kelno {
namespace {

// The ripple's LED groups (255: no LED); group 8, set last, wins LED 9.
constexpr std::array<std::array<uint8_t, 3>, 9> kRippleGroups = {{
    {0, 18, 18},
    {1, 255, 17},
    {2, 255, 16},
    {3, 255, 15},
    {4, 255, 14},
    {5, 255, 13},
    {6, 255, 12},
    {7, 9, 11},
    {8, 9, 10},
}};

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr const char* kCurrentStageColour = "#FFF5A623";
constexpr const char* kStageColour = "#FF19D3C5";

std::string Numbered(const char* prefix, int number) {
    return prefix + std::to_string(number);
}

}  // namespace

CZembravaMouseDevice::CZembravaMouseDevice(std::shared_ptr<hid::HidBackend> backend)
    : CZembravaKeyMappedDevice(std::move(backend)) {
    deviceKind_ = KindCode(DeviceKind::Mouse);
    SetKindName("mouse");
    SetKeyCount(kPageKeyCount);
    SetLedCount(kLedCount);
    keyAssignments_.resize(kPageKeyCount);
    storedKeys_.resize(kPageKeyCount);
    lighting_.RestartRing();
    model_.SetStateListener([this](const MouseState& state) { ShowModelState(state); });
    model_.SetWriteListener(
        [this](int result) { ReportWriteResult(DeviceWriteKind::Settings, result); });
}

CZembravaMouseDevice::~CZembravaMouseDevice() {
    StopThreads();
}

std::string CZembravaMouseDevice::GetClass() const {
    return "ZembravaMouseDevice";
}

void* CZembravaMouseDevice::GetInterface(std::string_view name) {
    if (skin::EqualsNoCase(name, "ZembravaMouseDevice")) return this;
    return CZembravaKeyMappedDevice::GetInterface(name);
}

std::vector<std::string> CZembravaMouseDevice::CodeTextIds(const KeyAssignment& assignment) const {
    struct Name {
        uint8_t type, b1;
        const char* textId;
    };
    static constexpr Name kNames[] = {
        {0x10, 0x01, "mouse_key_left_short"},    {0x10, 0x02, "mouse_key_right_short"},
        {0x10, 0x04, "mouse_key_middle_short"},  {0x10, 0x10, "mouse_key_forward_short"},
        {0x10, 0x08, "mouse_key_back_short"},    {0x13, 0x01, "mouse_key_dpi_up_short"},
        {0x13, 0x02, "mouse_key_dpi_down_short"},
    };
    for (const Name& name : kNames)
        if (assignment.high == name.type && assignment.middle == name.b1 && assignment.low == 0)
            return {name.textId};
    return CZembravaKeyMappedDevice::CodeTextIds(assignment);
}

// --- page binding ------------------------------------------------------------------

void CZembravaMouseDevice::InitLayout() {
    InitDeviceLayout();
}

void CZembravaMouseDevice::InitDeviceLayout() {
    if (layoutFile_.empty()) {
        UnbindAll();
        return;
    }
    skin::CControlUI* picture = Find("mouse_device_seting_layout");
    auto* keys =
        picture ? static_cast<skin::CContainerUI*>(picture->GetInterface("Container")) : nullptr;
    BindKeyButtons(keys, true);
    zoneButtons_.clear();
    logoButton_ = nullptr;
    if (keys) {
        std::string prefix;
        int number = -1;
        for (int i = 0; i < keys->GetCount(); ++i) {
            skin::CControlUI* child = keys->GetItemAt(i);
            if (!child) continue;
            if (skin::EqualsNoCase(child->GetName(), "logo")) logoButton_ = child;
            if (SplitIndexedName(child->GetName(), prefix, number) &&
                skin::EqualsNoCase(prefix, "light_0_")) {
                if (static_cast<size_t>(number) >= zoneButtons_.size())
                    zoneButtons_.resize(static_cast<size_t>(number) + 1, nullptr);
                zoneButtons_[static_cast<size_t>(number)] = child;
            }
        }
    }
    // The LED picture is also the lighting panel's selection panel.
    keyPanel_ = FindDescendantByInterface(this, "SelectPanel");
    BindKeyButtons(keyPanel_, true);
    BindLayoutCaptions();
    hintLabel_ = Find("device_tishi_info");
    BindKeyPanels({"ShootControlItem"});
}

// --- profile --------------------------------------------------------------------------

void CZembravaMouseDevice::TakeLightSetting(const LightSetting& setting) {
    const uint8_t previousMode = lightShadow_[LightSetting::kMode];
    // Byte 3 too: the settings block carries the direction from here.
    for (int byte : {LightSetting::kMode, LightSetting::kBrightness, LightSetting::kSpeed,
                     LightSetting::kDirection, LightSetting::kMultiColor, LightSetting::kRed,
                     LightSetting::kGreen, LightSetting::kBlue}) {
        lightShadow_[byte] = setting[byte];
    }
    // The mode before the lighting thread is woken (StoreLightSettings): a
    // thread that woke to the old, still mode would go back to sleep and
    // never run the new effect.
    lightMode_ = setting[LightSetting::kMode];
    const bool modeChanged = previousMode != setting[LightSetting::kMode];
    if (modeChanged) lighting_.RestartRing();
    StoreLightSettings(setting);
    if (modeChanged) NotifyPreviewState();
}

int CZembravaMouseDevice::RefreshUi() {
    TakeLightSetting(model_.Shown().light);
    ReplaceLightList(Profile().GetLightList());
    SetCustomEffect(Profile().GetCustomEffect());
    return 1;
}

void CZembravaMouseDevice::SetLightSettings(uint32_t word0, uint32_t word1, uint32_t word2) {
    TakeLightSetting(LightSetting::FromWords(word0, word1, word2));
}

void CZembravaMouseDevice::ShowModelState(const MouseState& state) {
    TakeLightSetting(state.light);
    RefreshMouseControls();
}

void CZembravaMouseDevice::TakeProfileState() {
    TakeKeyList();
    model_.TakeProfile();
    RefreshUi();
}

int CZembravaMouseDevice::LoadProfile() {
    BindProfilePaths();
    if (Profile().GetProfilePath().empty()) return 0;
    Profile().Load(Profile().GetProfilePath());
    TakeProfileState();
    return 1;
}

int CZembravaMouseDevice::RestoreDefaults() {
    BindProfilePaths();
    Profile().Load(DefaultProfilePath());
    TakeProfileState();
    const int saved = SaveProfile();
    RefreshPanels();
    // The mouse follows the file: its settings and key map go back too.
    model_.SendStored();
    QueueStoredKeyMapWrite(0);
    return saved;
}

void CZembravaMouseDevice::SetScreenSize(int width, int height) {
    model_.SetScreenSize(width, height);
}

// --- settings block -----------------------------------------------------------------------

int CZembravaMouseDevice::WriteSettings(int profileIndex, int /*activeProfile*/, int /*flag*/,
                                        int screenWidth, int screenHeight) {
    if (profileIndex < 0) return 0;
    model_.SetScreenSize(screenWidth, screenHeight);
    return model_.SendStored();
}

bool CZembravaMouseDevice::CommitLightSetting(const LightSetting& setting, bool clearHold,
                                              CommitDone done) {
    if (clearHold) link_.Command().SetLightingHold(false);
    ApplyMouseChange([setting](MouseState& state) { state.light = setting; }, std::move(done));
    return true;
}

void CZembravaMouseDevice::ApplyMouseChange(const MouseModel::Edit& edit, CommitDone done) {
    model_.SetDpiRange(GetDpiRange());
    model_.Apply(edit, done ? std::move(done) : TellIfNotSaved());
}

// --- read-back ------------------------------------------------------------------------------

int CZembravaMouseDevice::TakeSettingsBlock(uint8_t /*activeProfile*/,
                                            std::span<const uint8_t> read) {
    std::copy_n(read.begin(), settingsBlock_.size(), settingsBlock_.begin());
    settingsBlock_[9] = 0;
    const mouse::MouseReadBack reported =
        mouse::ReadSettingsBlock(settingsBlock_, model_.Stored().stages.size());
    const bool saved = model_.TakeFromDevice([&reported](MouseState& state) {
        TakeReportedLight(reported, state.light);
        if (reported.currentStage) state.activeStage = *reported.currentStage;
    });
    if (!saved) ReportSaveFailed();
    RefreshPanels();
    return kChannelOk;
}

// --- initial sync ----------------------------------------------------------------------------

int CZembravaMouseDevice::FinishInitialSync() {
    LoadProfile();
    RefreshPanels();
    StartLightingThread();
    return 1;
}

// --- panels and controls ------------------------------------------------------------------------

int CZembravaMouseDevice::RefreshPanels() {
    FillPanelLists();
    RefreshKeyCaptions();
    RefreshMouseControls();
    return 1;
}

void CZembravaMouseDevice::RefreshDpiStage(int stage) {
    const mouse::DpiRange range = GetDpiRange();
    const MouseState& shown = model_.Shown();
    const bool present = stage < static_cast<int>(shown.stages.size());
    const DpiStage value = present ? shown.stages[static_cast<size_t>(stage)] : DpiStage{};
    const bool enabled = present && value.enabled != 0;
    SetOptionSelected(Find(Numbered("DPI_enable_check_", stage).c_str()), enabled);
    if (skin::CControlUI* check = Find(Numbered("DPI_enable_check_", stage).c_str()))
        check->SetEnabled(present);
    auto* slider = FindAs<skin::CSliderUI>(Numbered("DPI_slider_", stage).c_str(), "Slider");
    if (slider) {
        slider->SetMinValue(0);
        slider->SetMaxValue(std::max(range.steps, 1));
        slider->SetValue(value.dpiX);
        slider->SetEnabled(enabled);
        slider->SetAttribute("forecolor",
                             stage == shown.activeStage ? kCurrentStageColour : kStageColour);
    }
    if (skin::CControlUI* edit = Find(Numbered("DPI_edit_", stage).c_str())) {
        edit->SetText(std::to_string(int{value.dpiX} * range.step));
        edit->SetEnabled(enabled);
    }
}

void CZembravaMouseDevice::RefreshMouseControls() {
    const std::vector<DpiStage>& stages = model_.Shown().stages;
    const std::array<uint16_t, 6>& system = model_.Shown().system;
    for (int stage = 0; stage < kDpiControls; ++stage) RefreshDpiStage(stage);
    // One stage always stays on: the last checked stage cannot be cleared.
    const int enabledStages = static_cast<int>(std::count_if(
        stages.begin(), stages.begin() + std::min<ptrdiff_t>(stages.size(), kDpiControls),
        [](const DpiStage& s) { return s.enabled != 0; }));
    if (enabledStages <= 1) {
        for (int stage = 0; stage < kDpiControls && stage < static_cast<int>(stages.size());
             ++stage) {
            if (stages[static_cast<size_t>(stage)].enabled != 0)
                if (skin::CControlUI* check = Find(Numbered("DPI_enable_check_", stage).c_str()))
                    check->SetEnabled(false);
        }
    }
    const int rate = system[kReportRate] < mouse::kReportRates
                         ? system[kReportRate]
                         : 0;
    for (int i = 0; i < mouse::kReportRates; ++i)
        SetOptionSelected(Find(Numbered("polling_rate_option_", i).c_str()), i == rate);
    if (auto* slider = FindAs<skin::CSliderUI>("pointer_speed_slider", "Slider"))
        slider->SetValue(system[kPointerSpeed]);
    if (auto* slider = FindAs<skin::CSliderUI>("scroll_speed_slider", "Slider"))
        slider->SetValue(system[kWheelLines]);
    if (auto* slider = FindAs<skin::CSliderUI>("double_click_slider", "Slider"))
        slider->SetValue(system[kDoubleClick]);
    SetOptionSelected(Find("pointer_precision_check"), system[kPointerPrecision] != 0);
    SetOptionSelected(Find("scrolls_page_check"), system[kWheelPage] != 0);
}

bool CZembravaMouseDevice::HandleDpiNotify(const std::string& prefix, int number,
                                           const skin::TNotifyUI& msg) {
    if (number >= kDpiControls) return false;
    const auto index = static_cast<size_t>(number);
    const mouse::DpiRange range = GetDpiRange();
    const size_t stageCount = model_.Shown().stages.size();
    const auto setSteps = [this, index](int steps) {
        // Run again on what is stored when the write ends, which may be a
        // profile loaded meanwhile: the stage is looked for each time.
        ApplyMouseChange([index, steps](MouseState& state) {
            if (index >= state.stages.size()) return;
            state.stages[index].dpiX = static_cast<uint16_t>(steps);
            state.stages[index].dpiY = static_cast<uint16_t>(steps);
        });
    };
    if (skin::EqualsNoCase(prefix, "DPI_enable_check_")) {
        if (index >= stageCount) return true;
        const uint8_t enabled = IsOptionSelected(msg.pSender) ? 1 : 0;
        // Enabling any stage gives every check back.
        if (enabled != 0)
            for (int stage = 0; stage < kDpiControls; ++stage)
                if (skin::CControlUI* check = Find(Numbered("DPI_enable_check_", stage).c_str()))
                    check->SetEnabled(true);
        ApplyMouseChange([index, enabled](MouseState& state) {
            if (index < state.stages.size()) state.stages[index].enabled = enabled;
        });
        return true;
    }
    if (skin::EqualsNoCase(prefix, "DPI_slider_")) {
        auto* slider = static_cast<skin::CSliderUI*>(msg.pSender->GetInterface("Slider"));
        if (!slider || index >= stageCount) return true;
        const int steps = std::clamp(slider->GetValue(), 0, std::max(range.steps, 0));
        if (skin::EqualsNoCase(msg.sType, "movevaluechanged")) {
            if (skin::CControlUI* edit = Find(Numbered("DPI_edit_", number).c_str()))
                edit->SetText(std::to_string(steps * range.step));
            return true;
        }
        setSteps(steps);
        return true;
    }
    if (skin::EqualsNoCase(prefix, "DPI_edit_")) {
        if (index >= stageCount) return true;
        const std::string text = msg.pSender->GetText();
        long long typed = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), typed);
        if (error != std::errc() || end != text.data() + text.size()) {
            RefreshDpiStage(number);  // not a number: the edit shows the stored DPI again
            return true;
        }
        setSteps(mouse::StepsOfDpi(typed, range));
        return true;
    }
    return false;
}

bool CZembravaMouseDevice::HandleSystemNotify(const std::string& name,
                                              const skin::TNotifyUI& msg) {
    auto* slider = static_cast<skin::CSliderUI*>(msg.pSender->GetInterface("Slider"));
    const auto sliderValue = static_cast<uint16_t>(slider ? std::max(slider->GetValue(), 0) : 0);
    const uint16_t selected = IsOptionSelected(msg.pSender) ? 1 : 0;
    MouseModel::Edit edit;
    if (skin::EqualsNoCase(name, "pointer_speed_slider")) {
        edit = [sliderValue](MouseState& s) { s.system[kPointerSpeed] = sliderValue; };
    } else if (skin::EqualsNoCase(name, "double_click_slider")) {
        edit = [sliderValue](MouseState& s) { s.system[kDoubleClick] = sliderValue; };
    } else if (skin::EqualsNoCase(name, "scroll_speed_slider")) {
        edit = [sliderValue](MouseState& s) {
            s.system[kWheelLines] = sliderValue;
            s.system[kWheelPage] = 0;  // choosing lines ends "one page per notch"
        };
    } else if (skin::EqualsNoCase(name, "pointer_precision_check")) {
        edit = [selected](MouseState& s) { s.system[kPointerPrecision] = selected; };
    } else if (skin::EqualsNoCase(name, "scrolls_page_check")) {
        edit = [selected](MouseState& s) { s.system[kWheelPage] = selected; };
    } else {
        return false;
    }
    // The window gives these to the system at once, whatever the mouse says:
    // the profile keeps them so.
    if (!model_.StoreAtOnce(edit)) ReportSaveFailed();
    return true;
}

bool CZembravaMouseDevice::HandleMouseNotify(const skin::TNotifyUI& msg) {
    if (!msg.pSender) return false;
    const std::string& name = msg.pSender->GetName();
    std::string prefix;
    int number = -1;
    if (SplitIndexedName(name, prefix, number)) {
        if (HandleDpiNotify(prefix, number, msg)) return true;
        if (skin::EqualsNoCase(prefix, "polling_rate_option_") && number < mouse::kReportRates) {
            // Option groups also tell the option that lost the selection.
            if (!IsOptionSelected(msg.pSender)) return true;
            const auto rate = static_cast<uint16_t>(number);
            ApplyMouseChange([rate](MouseState& s) { s.system[kReportRate] = rate; });
            return true;
        }
        if (skin::EqualsNoCase(prefix, "mouse_device_seting_option_")) {
            if (IsOptionSelected(msg.pSender)) SelectTab(Find("device_key_function_switch"), number);
            return true;
        }
    }
    return HandleSystemNotify(name, msg);
}

void CZembravaMouseDevice::SetFunctionPage(int page) {
    CZembravaUSBDevice::SetFunctionPage(page);
    if (hintLabel_) hintLabel_->SetVisible(page == 1 || page == 2 || page == 4);
}

// --- lighting -------------------------------------------------------------------------------------

bool CZembravaMouseDevice::LightingAnimates() const {
    const int mode = lightMode_;
    if (mode == kStatic || mode == kOff) return LightListAnimates();
    return true;
}

std::chrono::milliseconds CZembravaMouseDevice::StepInterval() const {
    return EffectStepInterval(GetLightSettings()[LightSetting::kSpeed], lightMode_ > kOff);
}

void CZembravaMouseDevice::Ripple(const EffectParameters& p) {
    const int leds = GetLedCount();
    const uint8_t level = LevelForBrightness(p.brightness);
    effectPhase_ = Step(p.forward, kColourWheelSize, effectPhase_, 1);
    lighting_.MarkRingKeys();
    lighting_.RotateRing(p.forward);
    const bool firstLedColour = p.forward ? rippleFirstLedForward_ : rippleFirstLedBackward_;
    for (size_t g = 0; g < kRippleGroups.size(); ++g) {
        lighting_.LowerKeyLevel(static_cast<int>(g), true);
        Rgb colour = p.colour;
        if (p.multiColour) {
            // The phase runs past the wheel here; the next Step brings it back.
            effectPhase_ = static_cast<uint8_t>(effectPhase_ + 12);
            colour = kColourWheel[effectPhase_ >= kColourWheelSize
                                      ? effectPhase_ - kColourWheelSize
                                      : effectPhase_];
            if (firstLedColour) {
                const int first = kRippleGroups[g][0];
                if (first >= leds) continue;
                const LedColour present = lighting_.GetLedColour(first);
                colour = Rgb{present.red, present.green, present.blue};
            }
        }
        const auto groupLevel =
            static_cast<uint8_t>(level * lighting_.KeyLevel(static_cast<int>(g)) / 256);
        for (uint8_t led : kRippleGroups[g]) {
            if (led < leds)
                lighting_.SetLedColour(led, LedColour{colour.red, colour.green, colour.blue,
                                                      groupLevel});
        }
    }
}

void CZembravaMouseDevice::PreviewStep() {
    const EffectParameters parameters = lighting_.Parameters();
    const int mode = lightMode_;
    if (!StepSharedEffect(mode)) {
        switch (mode) {
            case kWave:
                wave_.Step(lighting_, parameters);
                break;
            case kRipple:
                Ripple(parameters);
                break;
            case kBreatheFourColours:
                LightBreatheFourColours();
                break;
            case kBlinkFourColours:
                LightBlinkFourColours();
                break;
            case kOff:
                LightOff();
                break;
            default:
                PlayCustomEffect();
                break;
        }
    }
    ApplyLightList();
}

}  // namespace kelno
