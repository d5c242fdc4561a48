// The answers' callbacks: they run on the main loop's thread, fill in the
// Pending the caller waits on and finish it at the end of a list.

#include "platform/linux/pulse_requests.h"

#include <algorithm>

namespace kelno::audio::pulse {
namespace {

// In every module the backend loads: how a later start finds them.
constexpr const char* kMarker = "kelno.driver=";

std::string Property(const pa_proplist* properties, const char* key) {
    const char* value = properties ? pa_proplist_gets(properties, key) : nullptr;
    return value ? value : "";
}

PulseDeviceInfo Describe(uint32_t index, const char* name, const pa_proplist* properties,
                         bool monitor) {
    return {index,
            name ? name : "",
            Property(properties, PA_PROP_DEVICE_BUS),
            Property(properties, PA_PROP_DEVICE_VENDOR_ID),
            Property(properties, PA_PROP_DEVICE_PRODUCT_ID),
            Property(properties, "sysfs.path"),
            Property(properties, "alsa.card"),
            monitor};
}

template <typename Info>
bool Collect(DeviceList& list, const Info* info, int eol) {
    if (eol != 0) {
        list.Finish(eol > 0);
        return false;
    }
    return info != nullptr;
}

}  // namespace

void OnSink(pa_context*, const pa_sink_info* info, int eol, void* data) {
    auto& list = *static_cast<DeviceList*>(data);
    if (Collect(list, info, eol))
        list.devices.push_back(Describe(info->index, info->name, info->proplist, false));
}

void OnSource(pa_context*, const pa_source_info* info, int eol, void* data) {
    auto& list = *static_cast<DeviceList*>(data);
    if (Collect(list, info, eol))
        list.devices.push_back(Describe(info->index, info->name, info->proplist,
                                        info->monitor_of_sink != PA_INVALID_INDEX));
}

void OnSourceState(pa_context*, const pa_source_info* info, int eol, void* data) {
    auto& state = *static_cast<SourceState*>(data);
    if (eol != 0) {
        state.Finish(eol > 0 && state.volume.channels > 0);
    } else if (info) {
        state.volume = info->volume;
        state.muted = info->mute != 0;
    }
}

void OnModule(pa_context*, const pa_module_info* info, int eol, void* data) {
    auto& list = *static_cast<ModuleList*>(data);
    if (eol != 0)
        list.Finish(eol > 0);
    else if (info && info->argument &&
             std::string_view(info->argument).find(kMarker) != std::string_view::npos)
        list.marked.emplace_back(info->index, info->argument);
}

std::string ArgumentValue(std::string_view arguments, std::string_view key) {
    for (size_t at = 0; at < arguments.size();) {
        const size_t end = std::min(arguments.find(' ', at), arguments.size());
        std::string_view word = arguments.substr(at, end - at);
        at = end + 1;
        if (!word.starts_with(key) || word.size() <= key.size() || word[key.size()] != '=')
            continue;
        word.remove_prefix(key.size() + 1);
        if (word.size() >= 2 && word.front() == '"' && word.back() == '"')
            word = word.substr(1, word.size() - 2);
        return std::string(word);
    }
    return {};
}

void OnLoaded(pa_context*, uint32_t index, void* data) {
    auto& loaded = *static_cast<Loaded*>(data);
    loaded.index = index;
    loaded.Finish(index != PA_INVALID_INDEX);
}

void OnSinkInput(pa_context*, const pa_sink_input_info* info, int eol, void* data) {
    auto& list = *static_cast<StreamList*>(data);
    if (eol != 0)
        list.Finish(eol > 0);
    else if (info)
        list.streams.push_back({info->index, info->sink, info->owner_module,
                                pa_proplist_contains(info->proplist, "kelno.driver") == 1,
                                info->volume});
}

void OnSinkIndex(pa_context*, const pa_sink_info* info, int eol, void* data) {
    auto& sink = *static_cast<SinkIndex*>(data);
    if (eol != 0)
        sink.Finish(eol > 0 && sink.index != PA_INVALID_INDEX);
    else if (info &&
             (sink.ownerModule == PA_INVALID_INDEX || info->owner_module == sink.ownerModule))
        sink.index = info->index;
}

int ListStreams(PulseAudioConfigLib::Client& client, StreamList& list) {
    return client.Run(list, [&](pa_context* c) {
        return pa_context_get_sink_input_info_list(c, OnSinkInput, &list);
    });
}

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

}  // namespace kelno::audio::pulse
