#include "fake_audio_actions.h"

#include "headset/eq_presets.h"
#include "skin/core/attribute_values.h"

namespace kelno::test {

bool FakeAudioActions::Accept(const std::string& action, const std::string& arguments) {
    calls.push_back(arguments.empty() ? action : action + " " + arguments);
    return !refused.count(action);
}

bool FakeAudioActions::Store(const std::string& action, Settings::Index index, int value) {
    if (!Accept(action, std::to_string(value))) return false;
    Value(index) = value;
    return true;
}

bool FakeAudioActions::SetMicOn(bool on) {
    return Store("SetMicOn", Settings::kMicInSelect, on);
}

bool FakeAudioActions::SetMicVolume(int value) {
    return Store("SetMicVolume", Settings::kMicInValue, value);
}

bool FakeAudioActions::SetMonitorOn(bool on) {
    return Store("SetMonitorOn", Settings::kMicMonitorSelect, on);
}

bool FakeAudioActions::SetMonitorVolume(int value) {
    return Store("SetMonitorVolume", Settings::kMicMonitorValue, value);
}

bool FakeAudioActions::SetVoiceChangerOn(bool on) {
    return Store("SetVoiceChangerOn", Settings::kMagicEnable, on);
}

bool FakeAudioActions::ChooseVoice(int voice) {
    return Store("ChooseVoice", Settings::kMagicType, voice);
}

bool FakeAudioActions::ChoosePreset(int preset) {
    if (!Store("ChoosePreset", Settings::kEqType, preset)) return false;
    if (auto gains = EqPresetGains(preset)) {
        bands = *gains;
    } else {
        const int index = Value(Settings::kCustomEqIndex);
        if (index >= 0 && index < static_cast<int>(curves.size()))
            bands = curves[static_cast<size_t>(index)];
    }
    return true;
}

bool FakeAudioActions::SetBand(int band, int gain) {
    if (!Accept("SetBand", std::to_string(band) + " " + std::to_string(gain))) return false;
    bands[static_cast<size_t>(band)] = gain;
    Value(Settings::kEqType) = CHs6533Profiledata::kCustomEqType;
    Value(Settings::kCustomEqIndex) = -1;
    return true;
}

bool FakeAudioActions::ApplyCustomCurve(int index) {
    if (!Accept("ApplyCustomCurve", std::to_string(index))) return false;
    if (index < 0 || index >= static_cast<int>(curves.size())) return false;
    Value(Settings::kEqType) = CHs6533Profiledata::kCustomEqType;
    Value(Settings::kCustomEqIndex) = index;
    bands = curves[static_cast<size_t>(index)];
    return true;
}

SaveCurveResult FakeAudioActions::SaveCustomCurve(const std::string& name, const EqGains& gains) {
    std::string arguments = "'" + name + "'";
    for (int gain : gains) arguments += " " + std::to_string(gain);
    if (!Accept("SaveCustomCurve", arguments)) return SaveCurveResult::Failed;
    const int selected = Value(Settings::kCustomEqIndex);
    if (name.empty()) {
        if (selected < 0 || selected >= static_cast<int>(curves.size()))
            return SaveCurveResult::Nothing;
        curves[static_cast<size_t>(selected)] = gains;
        return SaveCurveResult::Saved;
    }
    if (names.size() >= static_cast<size_t>(CHs6533Profiledata::kMaxCustomCurves))
        return SaveCurveResult::Full;
    for (const std::string& existing : names)
        if (skin::EqualsNoCase(existing, name)) return SaveCurveResult::Duplicate;
    names.push_back(name);
    curves.push_back(gains);
    Value(Settings::kEqType) = CHs6533Profiledata::kCustomEqType;
    Value(Settings::kCustomEqIndex) = static_cast<int>(names.size()) - 1;
    bands = gains;
    return SaveCurveResult::Saved;
}

bool FakeAudioActions::DeleteCustomCurve() {
    if (!Accept("DeleteCustomCurve")) return false;
    const int selected = Value(Settings::kCustomEqIndex);
    if (selected < 0 || selected >= static_cast<int>(names.size())) return false;
    names.erase(names.begin() + selected);
    curves.erase(curves.begin() + selected);
    Value(Settings::kCustomEqIndex) = -1;
    return true;
}

void FakeAudioActions::UseCustomCurves(std::vector<std::string> curveNames, int selected) {
    names = std::move(curveNames);
    curves.assign(names.size(), EqGains{});
    for (size_t i = 0; i < curves.size(); ++i)
        curves[i].fill(static_cast<int>(i) + 1);  // curve i: every band at i + 1
    Value(Settings::kEqType) = CHs6533Profiledata::kCustomEqType;
    Value(Settings::kCustomEqIndex) = selected;
    if (selected >= 0) bands = curves[static_cast<size_t>(selected)];
}

void* FakeHeadsetPage::GetInterface(std::string_view name) {
    if (skin::EqualsNoCase(name, kHeadsetAudioActionsInterface))
        return static_cast<IHeadsetAudioActions*>(&actions);
    return CZembravaUSBDevice::GetInterface(name);
}

}  // namespace kelno::test
