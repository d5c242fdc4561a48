// The headset's capture side: the microphone's mute and volume, the voice
// changer's chain of modules, and the monitor (side tone), the card's own
// element where it has one, otherwise a loopback to the headset's sink.

#include <algorithm>
#include <charconv>
#include <cmath>

#include "platform/linux/pulse_audio_config_lib.h"
#include "platform/linux/pulse_requests.h"

namespace kelno::audio {

using namespace pulse;

namespace {

constexpr const char* kMonitorProperties = "sink_input_properties=kelno.driver=monitor";
// Low enough to hear oneself without an echo.
constexpr int kMonitorLatencyMs = 20;
// The voice changer: the microphone looped through a pitch shifter into
// a sink of its own, whose monitor is remapped as a virtual microphone
// applications choose.
constexpr const char* kVoiceOutput = "kelno_voice_output";
constexpr const char* kVoicePitch = "kelno_voice_pitch";
constexpr const char* kVoiceSource = "kelno_voice";
constexpr const char* kVoiceName = "KELNO Driver voice";
// Pitch factors of the four voices (the shifter takes 0.5 to 2).
constexpr double kVoiceFactors[] = {0.75, 1.5, 0.6, 1.8};

// Shortest text that reads back as the same number.
std::string NumberText(double value) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return std::string(text, end);
}

double Share(const pa_cvolume& volume) {
    return static_cast<double>(pa_cvolume_avg(&volume)) / PA_VOLUME_NORM;
}

// Rounded: 0.3 is 19660.8 of the norm and must not become 19660.
pa_volume_t VolumeOf(double share) {
    return static_cast<pa_volume_t>(std::lround(std::clamp(share, 0.0, 1.0) * PA_VOLUME_NORM));
}

}  // namespace

int PulseAudioConfigLib::ReadCapture(const PulseDeviceInfo& source, std::string_view name,
                                     std::string& answer) {
    if (name == "MuteControl" || name == "VolumeScalarControl") {
        SourceState state;
        const int result = client_->Run(state, [&](pa_context* c) {
            return pa_context_get_source_info_by_index(c, source.index, OnSourceState, &state);
        });
        if (result != kAudioOk) return result;
        answer =
            name == "MuteControl" ? (state.muted ? "1" : "0") : NumberText(Share(state.volume));
        return kAudioOk;
    }
    if (name == "Enable_MAGICVOICE" || name == "MagicVoice_Selection" || name == "Enable_MICECHO") {
        // The changed voice is never echoed to the ear.
        answer = name == "Enable_MAGICVOICE"      ? (voice_ ? "1" : "0")
                 : name == "MagicVoice_Selection" ? std::to_string(voiceSelection_)
                                                  : "0";
        return kAudioOk;
    }
    if (sideTone_) return ReadSideTone(name, answer);
    // The monitor needs the headset's sink to loop back to; the level
    // properties in dB have no counterpart here.
    if (sinks_.empty()) return kAudioUnsupported;
    if (name == "GetAAMaxVol") {
        answer = "0";
        return kAudioOk;
    }
    if (name == "AAMuteControl") {
        answer = monitorModule_ ? "0" : "1";
        return kAudioOk;
    }
    if (name == "AAVolumeScalarControl") {
        if (monitorModule_) {
            StreamList list;
            const int result = ListStreams(*client_, list);
            if (result != kAudioOk) return result;
            const SinkInput* stream = list.OfModule(*monitorModule_);
            if (!stream) return kAudioFailed;
            monitorVolume_ = Share(stream->volume);
        }
        answer = NumberText(monitorVolume_);
        return kAudioOk;
    }
    return kAudioUnsupported;
}

int PulseAudioConfigLib::WriteCapture(const PulseDeviceInfo& source, std::string_view name,
                                      double value) {
    if (name == "MuteControl") {
        Pending done;
        return client_->Run(done, [&](pa_context* c) {
            return pa_context_set_source_mute_by_index(c, source.index, value != 0,
                                                       Client::OnSuccess, &done);
        });
    }
    if (name == "VolumeScalarControl") {
        // Every channel at the one level, as many as the source has.
        SourceState state;
        int result = client_->Run(state, [&](pa_context* c) {
            return pa_context_get_source_info_by_index(c, source.index, OnSourceState, &state);
        });
        if (result != kAudioOk) return result;
        pa_cvolume volume;
        pa_cvolume_set(&volume, state.volume.channels, VolumeOf(value));
        Pending done;
        return client_->Run(done, [&](pa_context* c) {
            return pa_context_set_source_volume_by_index(c, source.index, &volume,
                                                         Client::OnSuccess, &done);
        });
    }
    if (name == "Enable_MAGICVOICE") {
        if (value == 0) {
            RemoveVoice();
            return voice_ ? kAudioFailed : kAudioOk;
        }
        return voice_ ? kAudioOk : BuildVoice(source);
    }
    if (name == "MagicVoice_Selection") {
        if (value < 0 || value > 3) return kAudioFailed;
        voiceSelection_ = static_cast<int32_t>(value);
        return voice_ ? BuildPitch(source) : kAudioOk;
    }
    if (name == "Enable_MICECHO") return value == 0 ? kAudioOk : kAudioUnsupported;
    if (sideTone_) return WriteSideTone(name, value);
    if (sinks_.empty()) return kAudioUnsupported;
    if (name == "AAMuteControl") return SetMonitor(source, value == 0);
    if (name == "AAVolumeScalarControl") return SetMonitorVolume(value);
    return kAudioUnsupported;
}

int PulseAudioConfigLib::BuildVoice(const PulseDeviceInfo& source) {
    const std::string output = "sink_name=" + std::string(kVoiceOutput) +
                               " sink_properties=\"device.description='" + kVoiceName +
                               " output' kelno.driver=voice\"";
    const std::string microphone =
        "master=" + std::string(kVoiceOutput) + ".monitor source_name=" + kVoiceSource +
        " source_properties=\"device.description='" + kVoiceName + "' kelno.driver=voice\"";
    voice_ = VoiceChain{source.index, {}, {}, {}, {}};
    const auto outputModule = LoadModule("module-null-sink", output);
    const auto microphoneModule =
        outputModule ? LoadModule("module-remap-source", microphone) : std::nullopt;
    voice_->output = outputModule;
    voice_->microphone = microphoneModule;
    const int result = microphoneModule ? BuildPitch(source) : kAudioFailed;
    if (result != kAudioOk) RemoveVoice();
    return result;
}

// The shifter and the microphone's feed into it, afresh: the shifter's
// factor is fixed at load. The virtual microphone stays, so applications
// keep recording from it.
int PulseAudioConfigLib::BuildPitch(const PulseDeviceInfo& source) {
    for (auto* module : {&voice_->feed, &voice_->pitch}) {
        if (*module) UnloadModule(**module);
        module->reset();
    }
    const std::string pitch = "sink_name=" + std::string(kVoicePitch) +
                              " sink_master=" + kVoiceOutput +
                              " plugin=pitch_scale_1193 label=pitchScale control=" +
                              NumberText(kVoiceFactors[static_cast<size_t>(voiceSelection_)]) +
                              " sink_properties=kelno.driver=voice";
    const std::string feed = "source=" + Quoted(source.name) + " sink=" + kVoicePitch +
                             " latency_msec=" + std::to_string(kMonitorLatencyMs) +
                             " source_dont_move=true sink_dont_move=true"
                             " sink_input_properties=kelno.driver=voice";
    voice_->pitch = LoadModule("module-ladspa-sink", pitch);
    if (voice_->pitch) voice_->feed = LoadModule("module-loopback", feed);
    return voice_->feed ? kAudioOk : kAudioFailed;
}

void PulseAudioConfigLib::RemoveVoice() {
    if (!voice_) return;
    // From the microphone's end, so nothing is left without its master.
    for (const auto& module : {voice_->feed, voice_->pitch, voice_->microphone, voice_->output})
        if (module) UnloadModule(*module);
    voice_.reset();
}

int PulseAudioConfigLib::ReadSideTone(std::string_view name, std::string& answer) {
    if (name == "GetAAMaxVol") {
        answer = "0";
        return kAudioOk;
    }
    if (name == "AAMuteControl") {
        const auto on = sideTone_->On();
        if (!on) return kAudioFailed;
        answer = *on ? "0" : "1";
        return kAudioOk;
    }
    if (name == "AAVolumeScalarControl") {
        const auto volume = sideTone_->Volume();
        if (!volume) return kAudioFailed;
        answer = NumberText(*volume);
        return kAudioOk;
    }
    return kAudioUnsupported;
}

int PulseAudioConfigLib::WriteSideTone(std::string_view name, double value) {
    if (name == "AAMuteControl") return sideTone_->SetOn(value == 0) ? kAudioOk : kAudioFailed;
    if (name == "AAVolumeScalarControl")
        return sideTone_->SetVolume(value) ? kAudioOk : kAudioFailed;
    return kAudioUnsupported;
}

int PulseAudioConfigLib::SetMonitor(const PulseDeviceInfo& source, bool on) {
    if (!on) {
        RemoveMonitor();
        return monitorModule_ ? kAudioFailed : kAudioOk;
    }
    if (monitorModule_) return kAudioOk;
    const std::string arguments =
        "source=" + Quoted(source.name) + " sink=" + Quoted(sinks_.front().name) +
        " latency_msec=" + std::to_string(kMonitorLatencyMs) +
        " source_dont_move=true sink_dont_move=true " + kMonitorProperties;
    monitorModule_ = LoadModule("module-loopback", arguments);
    if (!monitorModule_) return kAudioFailed;
    monitorEnds_ = {source.index, sinks_.front().index};
    return SetMonitorVolume(monitorVolume_);
}

int PulseAudioConfigLib::SetMonitorVolume(double share) {
    monitorVolume_ = std::clamp(share, 0.0, 1.0);
    if (!monitorModule_) return kAudioOk;  // taken when the monitor is switched on
    StreamList list;
    const int result = ListStreams(*client_, list);
    if (result != kAudioOk) return result;
    const SinkInput* stream = list.OfModule(*monitorModule_);
    if (!stream) return kAudioFailed;
    pa_cvolume volume;
    pa_cvolume_set(&volume, stream->volume.channels, VolumeOf(monitorVolume_));
    Pending done;
    return client_->Run(done, [&](pa_context* c) {
        return pa_context_set_sink_input_volume(c, stream->index, &volume, Client::OnSuccess,
                                                &done);
    });
}

void PulseAudioConfigLib::RemoveMonitor() {
    if (!monitorModule_) return;
    const int result = UnloadModule(*monitorModule_);
    // A module that is gone already (its source went away) counts as removed.
    if (result == kAudioOk || result == kAudioFailed) monitorModule_.reset();
}

}  // namespace kelno::audio
