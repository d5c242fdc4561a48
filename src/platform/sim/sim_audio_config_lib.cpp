#include "platform/sim/sim_audio_config_lib.h"

#include <algorithm>
#include <charconv>
#include <thread>

namespace kelno::sim {
namespace {

using audio::Direction;

struct DefaultProperty {
    Direction direction;
    const char* name;
    const char* value;
};

// A fresh headset: microphone live at half volume, side-tone muted, the
// equaliser flat and off, the voice changer off. The capture device's
// feature word 0 carries 0x20000, the voice changer.
constexpr DefaultProperty kDefaults[] = {
    {Direction::Playback, "GetSupportFeature", "7,0,0,0,10,0,1"},
    {Direction::Playback, "VirtualSurroundEffectControl", "0"},
    {Direction::Playback, "Enable_EQ_GFX", "0"},
    {Direction::Playback, "EQ_Slider1", "0"},
    {Direction::Playback, "EQ_Slider2", "0"},
    {Direction::Playback, "EQ_Slider3", "0"},
    {Direction::Playback, "EQ_Slider4", "0"},
    {Direction::Playback, "EQ_Slider5", "0"},
    {Direction::Playback, "EQ_Slider6", "0"},
    {Direction::Playback, "EQ_Slider7", "0"},
    {Direction::Playback, "EQ_Slider8", "0"},
    {Direction::Playback, "EQ_Slider9", "0"},
    {Direction::Playback, "EQ_Slider10", "0"},
    {Direction::Playback, "Enable_RFX_GFX", "0"},
    {Direction::Playback, "RFX_ENVIRONMENT", "0"},
    {Direction::Playback, "RFX_ROOMSIZE", "0"},
    {Direction::Capture, "GetSupportFeature", "131075,0,0,0,4,0,1"},
    {Direction::Capture, "Enable_ENC_LFX", "0"},
    {Direction::Capture, "GetMaxVol", "30"},
    {Direction::Capture, "GetMinVol", "-12"},
    {Direction::Capture, "GetVolStep", "0.5"},
    {Direction::Capture, "VolumeControl", "9"},
    {Direction::Capture, "VolumeScalarControl", "0.5"},
    {Direction::Capture, "MuteControl", "0"},
    {Direction::Capture, "GetAAMaxVol", "0"},
    {Direction::Capture, "GetAAMinVol", "-40"},
    {Direction::Capture, "GetAAVolStep", "0.5"},
    {Direction::Capture, "AAVolumeControl", "-28"},
    {Direction::Capture, "AAVolumeScalarControl", "0.3"},
    {Direction::Capture, "AAMuteControl", "1"},
    {Direction::Capture, "Enable_MAGICVOICE", "0"},
    {Direction::Capture, "MagicVoice_Selection", "0"},
    {Direction::Capture, "Enable_MICECHO", "0"},
};

// Shortest text that reads back as the same float: 0.29f is "0.29".
std::string ValueText(const audio::PropertyValue& value) {
    if (const auto* number = std::get_if<int32_t>(&value)) return std::to_string(*number);
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, std::get<float>(value)).ptr;
    return std::string(text, end);
}

// `direction` empty: the device is gone.
std::string CallText(SimAudioCall call, std::optional<Direction> direction, std::string_view name,
                     const std::string* value, audio::PropertyParams params) {
    std::string text = call == SimAudioCall::Read ? "read " : "write ";
    text += direction ? SimAudioDirectionName(*direction) : "gone";
    text += ' ';
    text += name;
    if (value) text += ' ' + *value;
    for (size_t i = 0; i < params.size(); ++i)
        text += (i == 0 ? " @" : ",") + std::to_string(params[i]);
    return text;
}

}  // namespace

std::string_view SimAudioDirectionName(Direction direction) {
    return direction == Direction::Playback ? "playback" : "capture";
}

std::optional<Direction> SimAudioDirectionFromName(std::string_view name) {
    if (name == "playback") return Direction::Playback;
    if (name == "capture") return Direction::Capture;
    return std::nullopt;
}

std::vector<SimAudioDevice> SimAudioConfigLib::HeadsetDevices() {
    return {{Direction::Playback, {1, 1, 0, 1}}, {Direction::Capture, {2, 2, 0, 0}}};
}

SimAudioConfigLib::SimAudioConfigLib() : devices_(HeadsetDevices()) {
    for (const DefaultProperty& property : kDefaults)
        properties_[{property.direction, property.name}] = property.value;
}

int SimAudioConfigLib::ConfLibInit() {
    Wait();
    std::lock_guard lock(mutex_);
    log_.emplace_back("init");
    return initResult_;
}

void SimAudioConfigLib::CreateDeviceList() {
    Wait();
    std::lock_guard lock(mutex_);
    log_.emplace_back("list");
    listed_ = present_ ? devices_ : std::vector<SimAudioDevice>{};
}

int SimAudioConfigLib::GetDeviceCount(Direction direction, int32_t& count) {
    std::lock_guard lock(mutex_);
    count = static_cast<int32_t>(
        std::count_if(listed_.begin(), listed_.end(),
                      [&](const SimAudioDevice& device) { return device.direction == direction; }));
    return audio::kAudioOk;
}

int SimAudioConfigLib::GetDeviceById(Direction direction, int32_t index,
                                     audio::DeviceDescriptor& device) {
    std::lock_guard lock(mutex_);
    int32_t seen = 0;
    for (const SimAudioDevice& listed : listed_) {
        if (listed.direction != direction) continue;
        if (seen++ == index) {
            device = listed.descriptor;
            return audio::kAudioOk;
        }
    }
    return audio::kAudioFailed;
}

int SimAudioConfigLib::ReadProperty(const audio::DeviceDescriptor& device, std::string_view name,
                                    audio::PropertyParams params, std::string& answer) {
    Wait();
    std::lock_guard lock(mutex_);
    const auto direction = DirectionOfLocked(device);
    log_.push_back(CallText(SimAudioCall::Read, direction, name, nullptr, params));
    if (!direction) return audio::kAudioFailed;
    if (const auto failure = TakeFailureLocked(*direction, name, SimAudioCall::Read))
        return *failure;
    const auto it = properties_.find({*direction, std::string(name)});
    if (it == properties_.end()) return audio::kAudioUnsupported;
    answer = it->second;
    return audio::kAudioOk;
}

int SimAudioConfigLib::WriteProperty(const audio::DeviceDescriptor& device, std::string_view name,
                                     const audio::PropertyValue& value,
                                     audio::PropertyParams params) {
    Wait();
    std::lock_guard lock(mutex_);
    const auto direction = DirectionOfLocked(device);
    const std::string text = ValueText(value);
    log_.push_back(CallText(SimAudioCall::Write, direction, name, &text, params));
    if (!direction) return audio::kAudioFailed;
    if (const auto failure = TakeFailureLocked(*direction, name, SimAudioCall::Write))
        return *failure;
    const auto it = properties_.find({*direction, std::string(name)});
    if (it == properties_.end()) return audio::kAudioUnsupported;
    it->second = text;
    return audio::kAudioOk;
}

void SimAudioConfigLib::SetInitResult(int result) {
    std::lock_guard lock(mutex_);
    initResult_ = result;
}

void SimAudioConfigLib::SetDevices(std::vector<SimAudioDevice> devices) {
    std::lock_guard lock(mutex_);
    devices_ = std::move(devices);
}

void SimAudioConfigLib::SetHeadsetPresent(bool present) {
    std::lock_guard lock(mutex_);
    present_ = present;
}

bool SimAudioConfigLib::HeadsetPresent() const {
    std::lock_guard lock(mutex_);
    return present_;
}

void SimAudioConfigLib::SetProperty(Direction direction, std::string_view name, std::string value) {
    std::lock_guard lock(mutex_);
    properties_[{direction, std::string(name)}] = std::move(value);
}

void SimAudioConfigLib::RemoveProperty(Direction direction, std::string_view name) {
    std::lock_guard lock(mutex_);
    properties_.erase({direction, std::string(name)});
}

std::optional<std::string> SimAudioConfigLib::Property(Direction direction,
                                                       std::string_view name) const {
    std::lock_guard lock(mutex_);
    const auto it = properties_.find({direction, std::string(name)});
    if (it == properties_.end()) return std::nullopt;
    return it->second;
}

void SimAudioConfigLib::FailNext(Direction direction, std::string_view name, SimAudioCall call,
                                 unsigned count, int result) {
    if (count == 0) return;
    std::lock_guard lock(mutex_);
    Failure& failure = failures_[{direction, std::string(name), call}];
    failure.remaining += count;
    failure.result = result;
}

void SimAudioConfigLib::ClearFailures() {
    std::lock_guard lock(mutex_);
    failures_.clear();
}

void SimAudioConfigLib::SetLatency(std::chrono::microseconds perCall) {
    std::lock_guard lock(mutex_);
    latency_ = perCall;
}

std::vector<std::string> SimAudioConfigLib::Log() const {
    std::lock_guard lock(mutex_);
    return log_;
}

void SimAudioConfigLib::ClearLog() {
    std::lock_guard lock(mutex_);
    log_.clear();
}

std::optional<Direction> SimAudioConfigLib::DirectionOfLocked(
    const audio::DeviceDescriptor& device) const {
    if (!present_) return std::nullopt;
    const auto it = std::find_if(devices_.begin(), devices_.end(), [&](const SimAudioDevice& d) {
        return d.descriptor.id == device.id;
    });
    if (it == devices_.end()) return std::nullopt;
    return it->direction;
}

std::optional<int> SimAudioConfigLib::TakeFailureLocked(Direction direction, std::string_view name,
                                                        SimAudioCall call) {
    const auto it = failures_.find({direction, std::string(name), call});
    if (it == failures_.end()) return std::nullopt;
    const int result = it->second.result;
    if (--it->second.remaining == 0) failures_.erase(it);
    return result;
}

void SimAudioConfigLib::Wait() const {
    std::chrono::microseconds latency;
    {
        std::lock_guard lock(mutex_);
        latency = latency_;
    }
    if (latency.count() > 0) std::this_thread::sleep_for(latency);
}

}  // namespace kelno::sim
