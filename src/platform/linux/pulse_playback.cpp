// The headset's playback side: the ten-band equaliser, a LADSPA filter
// sink in front of the headset's sink that its streams are moved onto
// while it is on.

#include <charconv>
#include <cmath>

#include "platform/linux/pulse_audio_config_lib.h"
#include "platform/linux/pulse_requests.h"

namespace kelno::audio {

using namespace pulse;

namespace {

// The equaliser: caps' ten-band filter (31 Hz to 16 kHz, gains in dB).
constexpr const char* kEqualiserPlugin = "plugin=caps label=Eq10X2";
constexpr const char* kEqualiserProperties =
    "sink_properties=\"device.description='KELNO Driver equaliser' kelno.driver=equaliser\"";
constexpr size_t kBands = PulseAudioConfigLib::kBands;

// The band of "EQ_Slider1".."EQ_Slider10", 0 to 9.
std::optional<size_t> BandOf(std::string_view name) {
    constexpr std::string_view kPrefix = "EQ_Slider";
    if (!name.starts_with(kPrefix)) return std::nullopt;
    name.remove_prefix(kPrefix.size());
    size_t band = 0;
    const auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), band);
    if (name.empty() || error != std::errc() || end != name.data() + name.size() || band < 1 ||
        band > kBands)
        return std::nullopt;
    return band - 1;
}

}  // namespace

int PulseAudioConfigLib::ReadPlayback(std::string_view name, std::string& answer) const {
    if (name == "Enable_EQ_GFX") {
        answer = equaliser_ ? "1" : "0";
        return kAudioOk;
    }
    if (const auto band = BandOf(name)) {
        answer = std::to_string(eqGains_[*band]);
        return kAudioOk;
    }
    return kAudioUnsupported;
}

int PulseAudioConfigLib::WritePlayback(const PulseDeviceInfo& sink, std::string_view name,
                                       double value) {
    if (name == "Enable_EQ_GFX") {
        if (value == 0) {
            RemoveEqualiser();
            return equaliser_ ? kAudioFailed : kAudioOk;
        }
        return equaliser_ ? kAudioOk : BuildEqualiser(sink);
    }
    if (const auto band = BandOf(name)) {
        eqGains_[*band] = static_cast<int32_t>(std::lround(value));
        // New gains mean a new filter: its controls are fixed at load.
        return equaliser_ ? BuildEqualiser(sink) : kAudioOk;
    }
    return kAudioUnsupported;
}

int PulseAudioConfigLib::BuildEqualiser(const PulseDeviceInfo& sink) {
    // Two names in turn: the new filter is loaded beside the old one, so
    // no stream ever falls back to another device.
    const std::string name = "kelno_equaliser_" + std::to_string(eqBuilds_++ % 2);
    std::string controls;
    for (const int32_t gain : eqGains_)
        controls += (controls.empty() ? "" : ",") + std::to_string(gain);
    const std::string arguments = "sink_name=" + name + " sink_master=" + Quoted(sink.name) + " " +
                                  kEqualiserPlugin + " control=" + controls + " " +
                                  kEqualiserProperties;
    const auto module = LoadModule("module-ladspa-sink", arguments);
    if (!module) return kAudioFailed;
    // By its module, not its name: the server unloads the old filter after
    // answering, so its name may still be taken and the new sink then gets
    // another one.
    const auto created = SinkOfModule(*module);
    const std::optional<Equaliser> old = equaliser_;
    if (!created) {
        UnloadModule(*module);
        return kAudioFailed;
    }
    equaliser_ = Equaliser{*module, *created, sink.index};
    const int result = MoveStreams(old ? old->sink : sink.index, *created);
    if (old) UnloadModule(old->module);
    return result;
}

void PulseAudioConfigLib::RemoveEqualiser() {
    if (!equaliser_) return;
    // Back to the headset before the filter goes, or the server would move
    // them to its default device.
    MoveStreams(equaliser_->sink, equaliser_->master);
    const int result = UnloadModule(equaliser_->module);
    if (result == kAudioOk || result == kAudioFailed) equaliser_.reset();
}

int PulseAudioConfigLib::MoveStreams(uint32_t from, uint32_t to) {
    StreamList list;
    int result = ListStreams(*client_, list);
    for (const SinkInput& stream : list.streams) {
        // The filters' own streams and the monitor stay where they are.
        if (stream.sink != from || stream.ours) continue;
        if (equaliser_ && stream.module == equaliser_->module) continue;
        Pending done;
        const int moved = client_->Run(done, [&](pa_context* c) {
            return pa_context_move_sink_input_by_index(c, stream.index, to, Client::OnSuccess,
                                                       &done);
        });
        if (moved != kAudioOk) result = moved;
    }
    return result;
}

std::optional<uint32_t> PulseAudioConfigLib::SinkByName(const std::string& name) {
    SinkIndex sink;
    if (client_->Run(sink, [&](pa_context* c) {
            return pa_context_get_sink_info_by_name(c, name.c_str(), OnSinkIndex, &sink);
        }) != kAudioOk)
        return std::nullopt;
    return sink.index;
}

std::optional<uint32_t> PulseAudioConfigLib::SinkOfModule(uint32_t module) {
    SinkIndex sink;
    sink.ownerModule = module;
    if (client_->Run(sink, [&](pa_context* c) {
            return pa_context_get_sink_info_list(c, OnSinkIndex, &sink);
        }) != kAudioOk)
        return std::nullopt;
    return sink.index;
}

}  // namespace kelno::audio
