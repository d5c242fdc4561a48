// The backend's frame: connecting, listing the headset's devices, sending
// each property to its side (pulse_playback.cpp, pulse_capture.cpp), and
// loading and unloading the modules, a crashed run's leftovers included.

#include "platform/linux/pulse_audio_config_lib.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <variant>

#include "platform/linux/pulse_client.h"
#include "platform/linux/pulse_requests.h"

namespace kelno::audio {

using namespace pulse;

namespace {

// Capture field 0 bit 0x20000: the voice changer is offered.
constexpr const char* kCaptureFeatures = "131072,0,0,0,0,0,0";
constexpr const char* kPlaybackFeatures = "0,0,0,0,0,0,0";

std::optional<double> NumberOf(const PropertyValue& value) {
    if (const auto* whole = std::get_if<int32_t>(&value)) return *whole;
    const double scalar = std::get<float>(value);
    if (!std::isfinite(scalar)) return std::nullopt;
    return scalar;
}

}  // namespace

PulseAudioConfigLib::PulseAudioConfigLib(PulseHeadsetMatch match, std::string server,
                                         std::chrono::milliseconds timeout,
                                         SideToneOpener openSideTone)
    : match_(std::move(match)),
      client_(std::make_unique<Client>(std::move(server), timeout)),
      openSideTone_(std::move(openSideTone)) {}

PulseAudioConfigLib::~PulseAudioConfigLib() {
    std::lock_guard lock(calls_);
    RemoveVoice();
    RemoveEqualiser();
    RemoveMonitor();
}

int PulseAudioConfigLib::ConfLibInit() {
    std::lock_guard lock(calls_);
    if (client_->Ready()) return kAudioOk;
    const int result = client_->Connect();
    // A new connection: what an earlier run left is no one's any more.
    if (result == kAudioOk) {
        monitorModule_.reset();
        equaliser_.reset();
        voice_.reset();
        RemoveLeftovers();
    }
    return result;
}

void PulseAudioConfigLib::CreateDeviceList() {
    std::lock_guard lock(calls_);
    DeviceList sinks, sources;
    const bool listed = client_->Run(sinks, [&](pa_context* c) {
        return pa_context_get_sink_info_list(c, OnSink, &sinks);
    }) == kAudioOk && client_->Run(sources, [&](pa_context* c) {
        return pa_context_get_source_info_list(c, OnSource, &sources);
    }) == kAudioOk;
    sinks_ = listed ? MatchHeadsetDevices(sinks.devices, match_) : std::vector<PulseDeviceInfo>{};
    sources_ =
        listed ? MatchHeadsetDevices(sources.devices, match_) : std::vector<PulseDeviceInfo>{};
    // The monitor belongs to the headset it was made for.
    const bool same = !sinks_.empty() && !sources_.empty() &&
                      monitorEnds_ == std::pair(sources_.front().index, sinks_.front().index);
    if (!same) RemoveMonitor();
    if (equaliser_ && (sinks_.empty() || sinks_.front().index != equaliser_->master))
        RemoveEqualiser();
    if (voice_ && (sources_.empty() || sources_.front().index != voice_->source)) RemoveVoice();
    if (sources_.empty()) {
        sideTone_.reset();
    } else if (!sideTone_ || sideToneSource_ != sources_.front().index) {
        sideTone_ = openSideTone_ ? openSideTone_(sources_.front().alsaCard) : nullptr;
        sideToneSource_ = sources_.front().index;
    }
}

int PulseAudioConfigLib::GetDeviceCount(Direction direction, int32_t& count) {
    std::lock_guard lock(calls_);
    count =
        static_cast<int32_t>(direction == Direction::Playback ? sinks_.size() : sources_.size());
    return kAudioOk;
}

int PulseAudioConfigLib::GetDeviceById(Direction direction, int32_t index,
                                       DeviceDescriptor& device) {
    std::lock_guard lock(calls_);
    const auto& list = direction == Direction::Playback ? sinks_ : sources_;
    if (index < 0 || static_cast<size_t>(index) >= list.size()) return kAudioFailed;
    const auto id = static_cast<int32_t>(list[static_cast<size_t>(index)].index);
    device = direction == Direction::Playback ? DeviceDescriptor{id, 1, 0, 1}
                                              : DeviceDescriptor{id, 2, 0, 0};
    return kAudioOk;
}

const PulseDeviceInfo* PulseAudioConfigLib::Listed(const DeviceDescriptor& device) const {
    const auto& list = device.type == 2 ? sources_ : sinks_;
    const auto it = std::find_if(list.begin(), list.end(), [&](const PulseDeviceInfo& d) {
        return static_cast<int32_t>(d.index) == device.id;
    });
    return it == list.end() ? nullptr : &*it;
}

int PulseAudioConfigLib::ReadProperty(const DeviceDescriptor& device, std::string_view name,
                                      PropertyParams, std::string& answer) {
    std::lock_guard lock(calls_);
    const PulseDeviceInfo* listed = Listed(device);
    if (!listed) return kAudioFailed;
    if (name == "GetSupportFeature") {
        answer = device.type == 2 ? kCaptureFeatures : kPlaybackFeatures;
        return kAudioOk;
    }
    if (device.type != 2) return ReadPlayback(name, answer);
    return ReadCapture(*listed, name, answer);
}

int PulseAudioConfigLib::WriteProperty(const DeviceDescriptor& device, std::string_view name,
                                       const PropertyValue& value, PropertyParams) {
    std::lock_guard lock(calls_);
    const PulseDeviceInfo* listed = Listed(device);
    if (!listed) return kAudioFailed;
    const auto number = NumberOf(value);
    if (!number) return kAudioFailed;
    if (device.type != 2) return WritePlayback(*listed, name, *number);
    return WriteCapture(*listed, name, *number);
}

int PulseAudioConfigLib::UnloadModule(uint32_t module) {
    Pending done;
    return client_->Run(done, [&](pa_context* c) {
        return pa_context_unload_module(c, module, Client::OnSuccess, &done);
    });
}

std::optional<uint32_t> PulseAudioConfigLib::LoadModule(const char* name,
                                                        const std::string& arguments) {
    Loaded loaded;
    if (client_->Run(loaded, [&](pa_context* c) {
            return pa_context_load_module(c, name, arguments.c_str(), OnLoaded, &loaded);
        }) != kAudioOk)
        return std::nullopt;
    return loaded.index;
}

void PulseAudioConfigLib::RemoveLeftovers() {
    ModuleList modules;
    if (client_->Run(modules, [&](pa_context* c) {
            return pa_context_get_module_info_list(c, OnModule, &modules);
        }) != kAudioOk)
        return;
    for (const auto& [index, arguments] : modules.marked) {
        // A left equaliser's streams go back to the headset first, or the
        // server would move them to its default device.
        const std::string filter = ArgumentValue(arguments, "sink_name");
        const std::string master = ArgumentValue(arguments, "sink_master");
        if (!filter.empty() && !master.empty()) {
            const auto from = SinkByName(filter), to = SinkByName(master);
            if (from && to) MoveStreams(*from, *to);
        }
        UnloadModule(index);
    }
}

}  // namespace kelno::audio
