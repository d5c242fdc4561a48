// The headset page's audio: the adapter's start and state, and the actions
// of the audio panels. Every action writes first and keeps the value only
// when the headset took it.

#include <algorithm>

#include "core/ascii_case.h"
#include "core/debug_output.h"
#include "headset/audio_sdk_adapter.h"
#include "headset/eq_presets.h"
#include "headset/headset_device.h"
#include "platform/audio/audio_config_lib.h"

namespace kelno {
namespace {

using S = HeadsetSystemSettings;

}  // namespace

void CZembravaHS6533Device::SetAudioLibrary(std::shared_ptr<audio::IAudioConfigLib> library) {
    audioLibrary_ = std::move(library);
    audio_ = std::make_unique<CAudioSdkAdapter>(audioLibrary_.get());
}

bool CZembravaHS6533Device::AudioReady() const {
    return audio_->HasPlayback() || audio_->HasCapture();
}

bool CZembravaHS6533Device::VoiceChangerSupported() const {
    return audio_->VoiceChangerSupported();
}

void CZembravaHS6533Device::ShowAudioNotice(std::string textId) {
    audioNoticeText_ = std::move(textId);
    skin::CControlUI* notice = Find(kAudioNotice);
    if (!notice) return;
    notice->SetVisible(!audioNoticeText_.empty());
    if (!audioNoticeText_.empty()) notice->SetText(ResolveText(audioNoticeText_));
}

bool CZembravaHS6533Device::Report(bool written) {
    if (!written) {
        ShowAudioNotice(kAudioWriteFailedText);
    } else if (!audioNoticeText_.empty() && audioNoticeText_ != kAudioUnavailableText) {
        ShowAudioNotice({});  // the last failure is behind us
    }
    return written;
}

void CZembravaHS6533Device::StartAudio() {
    const AudioStartOutcome outcome = audio_->Start();
    if (!AudioReady()) {
        // No sound server or no headset sound device: the page says so, no
        // box stops the start.
        DebugOutputF("headset audio unavailable (%d)", static_cast<int>(outcome));
        ShowAudioNotice(kAudioUnavailableText);
        return;
    }
    if (outcome == AudioStartOutcome::FeatureFailed)
        DebugOutput("headset audio: a device's feature answer was short");
    ShowAudioNotice({});
    // What the headset reports replaces what the profile says; a value that
    // cannot be read keeps the profile's.
    const HeadsetAudioReading reading = audio_->ReadState();
    auto take = [this](S::Index index, const auto& value) {
        if (value) settings_.values[index] = static_cast<int32_t>(*value);
    };
    take(S::kMicInSelect, reading.micOn);
    take(S::kMicInValue, reading.micVolume);
    monitorAvailable_ = reading.monitorAvailable;
    if (reading.monitorAvailable) {
        take(S::kMicMonitorSelect, reading.monitorOn);
        take(S::kMicMonitorValue, reading.monitorVolume);
    }
    take(S::kMagicEnable, reading.voiceChangerOn);
    take(S::kMagicType, reading.voice);
    profile_.SetSystemSet(settings_);
}

bool CZembravaHS6533Device::ApplyAudioSettings() {
    const auto& v = settings_.values;
    bool ok = audio_->SetMicOn(v[S::kMicInSelect] != 0);
    ok = audio_->SetMicVolume(v[S::kMicInValue]) && ok;
    if (monitorAvailable_) {
        ok = audio_->SetMonitorOn(v[S::kMicMonitorSelect] != 0) && ok;
        ok = audio_->SetMonitorVolume(v[S::kMicMonitorValue]) && ok;
    }
    if (const auto curve = CurveOf(v[S::kEqType], v[S::kCustomEqIndex]))
        ok = audio_->SetEqualiser(*curve) && ok;
    if (audio_->VoiceChangerSupported()) {
        ok = audio_->SetVoiceChangerOn(v[S::kMagicEnable] != 0) && ok;
        if (v[S::kMagicType] >= 1 && v[S::kMagicType] <= 4)
            ok = audio_->SelectVoice(v[S::kMagicType]) && ok;
    }
    return ok;
}

bool CZembravaHS6533Device::StoreSettings() {
    profile_.SetSystemSet(settings_);
    if (SaveProfile()) return true;
    ShowAudioNotice(kAudioSaveFailedText);
    return false;
}

// --- microphone and monitor ----------------------------------------------------------------

bool CZembravaHS6533Device::KeepIfWritten(bool written, int index, int32_t value) {
    if (!Report(written)) return false;
    settings_.values[static_cast<size_t>(index)] = value;
    return StoreSettings();
}

bool CZembravaHS6533Device::SetMicOn(bool on) {
    return KeepIfWritten(audio_->SetMicOn(on), S::kMicInSelect, on ? 1 : 0);
}

bool CZembravaHS6533Device::SetMicVolume(int value) {
    value = std::clamp(value, 0, 100);
    return KeepIfWritten(audio_->SetMicVolume(value), S::kMicInValue, value);
}

bool CZembravaHS6533Device::SetMonitorOn(bool on) {
    return KeepIfWritten(audio_->SetMonitorOn(on), S::kMicMonitorSelect, on ? 1 : 0);
}

bool CZembravaHS6533Device::SetMonitorVolume(int value) {
    value = std::clamp(value, 0, 100);
    return KeepIfWritten(audio_->SetMonitorVolume(value), S::kMicMonitorValue, value);
}

// --- equaliser ------------------------------------------------------------------------------

bool CZembravaHS6533Device::ChoosePreset(int preset) {
    if (preset == CHs6533Profiledata::kCustomEqType) {
        return ApplyCustomCurve(settings_.values[S::kCustomEqIndex]);
    }
    const std::optional<EqGains> gains = EqPresetGains(preset);
    if (!gains) return false;
    if (!Report(audio_->SetEqualiser(*gains))) return false;
    settings_.values[S::kEqType] = preset;
    bands_ = *gains;
    return StoreSettings();
}

bool CZembravaHS6533Device::SetBand(int band, int gain) {
    if (band < 0 || band >= kEqBandCount) return false;
    if (!Report(audio_->SetEqBand(band, gain))) return false;
    if (settings_.values[S::kEqType] != CHs6533Profiledata::kCustomEqType) {
        // Moving a band leaves the preset: a custom setting with no curve.
        settings_.values[S::kEqType] = CHs6533Profiledata::kCustomEqType;
        settings_.values[S::kCustomEqIndex] = -1;
    }
    bands_[static_cast<size_t>(band)] = gain;
    return StoreSettings();
}

bool CZembravaHS6533Device::ApplyCustomCurve(int index) {
    const std::optional<EqGains> gains = CurveOf(CHs6533Profiledata::kCustomEqType, index);
    if (!gains) {
        // No curve to apply: the custom setting with what the sliders show.
        settings_.values[S::kEqType] = CHs6533Profiledata::kCustomEqType;
        settings_.values[S::kCustomEqIndex] = -1;
        return StoreSettings();
    }
    if (!Report(audio_->SetEqualiser(*gains))) return false;
    settings_.values[S::kEqType] = CHs6533Profiledata::kCustomEqType;
    settings_.values[S::kCustomEqIndex] = index;
    bands_ = *gains;
    return StoreSettings();
}

SaveCurveResult CZembravaHS6533Device::SaveCustomCurve(const std::string& name,
                                                       const EqGains& gains) {
    const std::vector<int> values(gains.begin(), gains.end());
    int index = settings_.values[S::kCustomEqIndex];
    if (name.empty()) {
        if (index < 0 || index >= static_cast<int>(curveNames_.size()))
            return SaveCurveResult::Nothing;
    } else {
        if (curveNames_.size() >= static_cast<size_t>(CHs6533Profiledata::kMaxCustomCurves))
            return SaveCurveResult::Full;
        const bool taken = std::any_of(curveNames_.begin(), curveNames_.end(),
                                       [&](const std::string& n) { return EqualsNoCase(n, name); });
        if (taken) return SaveCurveResult::Duplicate;
        curveNames_.push_back(name);
        index = static_cast<int>(curveNames_.size()) - 1;
        profile_.SetCustomEqNames(curveNames_);
    }
    profile_.SetCustomEqValues(index, values);
    settings_.values[S::kEqType] = CHs6533Profiledata::kCustomEqType;
    settings_.values[S::kCustomEqIndex] = index;
    bands_ = gains;
    return StoreSettings() ? SaveCurveResult::Saved : SaveCurveResult::Failed;
}

bool CZembravaHS6533Device::DeleteCustomCurve() {
    const int index = settings_.values[S::kCustomEqIndex];
    if (!profile_.RemoveCustomEq(index)) return false;
    curveNames_ = profile_.GetCustomEqNames();
    // The curve is gone whatever the headset takes next: keep that first.
    settings_.values[S::kCustomEqIndex] = 0;
    if (!StoreSettings()) return false;
    if (curveNames_.empty()) {
        settings_.values[S::kEqType] = 1;
        return ChoosePreset(1);
    }
    return ApplyCustomCurve(0);
}

// --- voice changer ----------------------------------------------------------------------------

bool CZembravaHS6533Device::SetVoiceChangerOn(bool on) {
    if (!VoiceChangerSupported()) return false;
    return KeepIfWritten(audio_->SetVoiceChangerOn(on), S::kMagicEnable, on ? 1 : 0);
}

bool CZembravaHS6533Device::ChooseVoice(int voice) {
    if (voice < 1 || voice > 4 || !VoiceChangerSupported()) return false;
    return KeepIfWritten(audio_->SelectVoice(voice), S::kMagicType, voice);
}

}  // namespace kelno
