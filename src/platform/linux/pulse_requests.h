#pragma once
// The requests the backend puts to the server and what their answers
// become: each answer type is a Pending the client waits on, filled by
// the matching callback on the main loop's thread.

#include <pulse/pulseaudio.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/linux/pulse_audio_config_lib.h"
#include "platform/linux/pulse_client.h"

namespace kelno::audio::pulse {

using Pending = PulseAudioConfigLib::Client::Pending;

// Sinks or sources, as far as matching the headset needs them.
struct DeviceList : Pending {
    std::vector<PulseDeviceInfo> devices;
};

void OnSink(pa_context*, const pa_sink_info* info, int eol, void* data);
void OnSource(pa_context*, const pa_source_info* info, int eol, void* data);

struct SourceState : Pending {
    pa_cvolume volume{};
    bool muted = false;
};

void OnSourceState(pa_context*, const pa_source_info* info, int eol, void* data);

// The modules carrying the marker, with their arguments.
struct ModuleList : Pending {
    std::vector<std::pair<uint32_t, std::string>> marked;
};

void OnModule(pa_context*, const pa_module_info* info, int eol, void* data);

// The value of `key=` in arguments the backend wrote (no spaces inside
// values but quoted names); empty when missing.
std::string ArgumentValue(std::string_view arguments, std::string_view key);

struct Loaded : Pending {
    uint32_t index = PA_INVALID_INDEX;
};

void OnLoaded(pa_context*, uint32_t index, void* data);

// The playback streams: where each plays, which module made it (if one
// did) and whether it is one of ours.
struct SinkInput {
    uint32_t index = PA_INVALID_INDEX;
    uint32_t sink = PA_INVALID_INDEX;
    uint32_t module = PA_INVALID_INDEX;
    bool ours = false;
    pa_cvolume volume{};
};

struct StreamList : Pending {
    std::vector<SinkInput> streams;
    const SinkInput* OfModule(uint32_t module) const {
        for (const SinkInput& stream : streams)
            if (stream.module == module) return &stream;
        return nullptr;
    }
};

void OnSinkInput(pa_context*, const pa_sink_input_info* info, int eol, void* data);

struct SinkIndex : Pending {
    // Set: only the sink this module made counts (a listing of all sinks).
    uint32_t ownerModule = PA_INVALID_INDEX;
    uint32_t index = PA_INVALID_INDEX;
};

void OnSinkIndex(pa_context*, const pa_sink_info* info, int eol, void* data);

int ListStreams(PulseAudioConfigLib::Client& client, StreamList& list);

// A device name as a module argument.
std::string Quoted(const std::string& text);

}  // namespace kelno::audio::pulse
