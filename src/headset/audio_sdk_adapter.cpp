#include "headset/audio_sdk_adapter.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <functional>
#include <vector>

namespace kelno {
namespace {

using audio::Direction;

constexpr int32_t kAllChannels[] = {-1};
constexpr int32_t kFirstChannel[] = {0};
constexpr int32_t kSurroundParams[] = {4, -1, 0};

// Playback device types by preference; only devices flagged 1 qualify.
constexpr int32_t kPlaybackTypes[] = {1, 12, 7, 4};
constexpr int32_t kCaptureType = 2;
constexpr size_t kFeatureFields = 7;

std::string_view Trimmed(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

template <typename Number>
std::optional<Number> ParseWhole(std::string_view text) {
    text = Trimmed(text);
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::vector<std::string_view> Fields(std::string_view text) {
    std::vector<std::string_view> fields;
    for (size_t at = 0;;) {
        const size_t comma = text.find(',', at);
        fields.push_back(text.substr(at, comma == std::string_view::npos ? comma : comma - at));
        if (comma == std::string_view::npos) return fields;
        at = comma + 1;
    }
}

std::string BandName(int band) {
    return "EQ_Slider" + std::to_string(band + 1);
}

}  // namespace

CAudioSdkAdapter::CAudioSdkAdapter(audio::IAudioConfigLib* lib) : lib_(lib) {}

AudioStartOutcome CAudioSdkAdapter::Start() {
    Drop();
    if (!lib_) return AudioStartOutcome::NoLibrary;
    if (lib_->ConfLibInit() != audio::kAudioOk) return AudioStartOutcome::InitFailed;
    lib_->CreateDeviceList();
    playback_ = PickPlayback();
    capture_ = PickCapture();
    if (!playback_ && !capture_) return AudioStartOutcome::NoDevice;

    // A short feature answer leaves the settings usable; the page says so.
    bool featuresRead = true;
    if (playback_) {
        playbackFeatures_ = ReadFeatures(*playback_);
        featuresRead = featuresRead && playbackFeatures_;
    }
    if (capture_) {
        captureFeatures_ = ReadFeatures(*capture_);
        featuresRead = featuresRead && captureFeatures_;
    }
    ProbeInitialState();
    return featuresRead ? AudioStartOutcome::Ready : AudioStartOutcome::FeatureFailed;
}

void CAudioSdkAdapter::Drop() {
    playback_.reset();
    capture_.reset();
    playbackFeatures_.reset();
    captureFeatures_.reset();
}

std::optional<audio::DeviceDescriptor> CAudioSdkAdapter::PickPlayback() {
    for (const int32_t type : kPlaybackTypes) {
        const auto device = FirstDevice(Direction::Playback, [&](const audio::DeviceDescriptor& d) {
            return d.type == type && d.flag == 1;
        });
        if (device) return device;
    }
    return std::nullopt;
}

std::optional<audio::DeviceDescriptor> CAudioSdkAdapter::PickCapture() {
    return FirstDevice(Direction::Capture,
                       [](const audio::DeviceDescriptor& d) { return d.type == kCaptureType; });
}

std::optional<audio::DeviceDescriptor> CAudioSdkAdapter::FirstDevice(
    Direction direction, const std::function<bool(const audio::DeviceDescriptor&)>& fits) {
    int32_t count = 0;
    if (lib_->GetDeviceCount(direction, count) != audio::kAudioOk) return std::nullopt;
    for (int32_t index = 0; index < count; ++index) {
        audio::DeviceDescriptor device;
        if (lib_->GetDeviceById(direction, index, device) == audio::kAudioOk && fits(device))
            return device;
    }
    return std::nullopt;
}

std::optional<AudioFeatureNumbers> CAudioSdkAdapter::ReadFeatures(
    const audio::DeviceDescriptor& device) {
    const auto answer = Read(device, "GetSupportFeature");
    if (!answer) return std::nullopt;
    const auto fields = Fields(*answer);
    if (fields.size() < kFeatureFields) return std::nullopt;
    const auto field0 = ParseWhole<int32_t>(fields[0]);
    const auto field4 = ParseWhole<int32_t>(fields[4]);
    const auto field6 = ParseWhole<int32_t>(fields[6]);
    if (!field0 || !field4 || !field6) return std::nullopt;
    return AudioFeatureNumbers{*field0, *field4, *field6};
}

// Reads only: a failed read once led to writing 0 in its place, which
// unmuted a muted microphone and opened the side-tone.
void CAudioSdkAdapter::ProbeInitialState() {
    Read(playback_, "VirtualSurroundEffectControl", kSurroundParams);
    Read(capture_, "Enable_ENC_LFX");
    Read(capture_, "VolumeControl", kAllChannels);
    Read(playback_, "Enable_EQ_GFX");
    for (int band = 0; band < kBandCount; ++band) Read(playback_, BandName(band));
    Read(playback_, "Enable_RFX_GFX");
    Read(playback_, "RFX_ENVIRONMENT");
    Read(playback_, "RFX_ROOMSIZE");
    Read(capture_, "MuteControl");
    Read(capture_, "VolumeScalarControl", kAllChannels);
    Read(capture_, "AAVolumeControl", kFirstChannel);
    Read(capture_, "AAMuteControl");
    Read(capture_, "AAVolumeScalarControl", kFirstChannel);
    if (VoiceChangerSupported()) Read(capture_, "Enable_MAGICVOICE");
    Read(capture_, "MagicVoice_Selection");
}

HeadsetAudioReading CAudioSdkAdapter::ReadState() {
    HeadsetAudioReading reading;
    // The ranges and levels are read as the device expects; the page works
    // in percent of the scalars.
    Read(capture_, "GetMaxVol");
    Read(capture_, "GetMinVol");
    Read(capture_, "GetVolStep");
    if (const auto muted = ReadInt(capture_, "MuteControl")) reading.micOn = *muted == 0;
    reading.micVolume = ReadPercent("VolumeScalarControl", kAllChannels);
    Read(capture_, "VolumeControl", kAllChannels);

    reading.monitorAvailable = Read(capture_, "GetAAMaxVol").has_value();
    if (reading.monitorAvailable) {
        Read(capture_, "GetAAMinVol");
        Read(capture_, "GetAAVolStep");
        if (const auto muted = ReadInt(capture_, "AAMuteControl")) reading.monitorOn = *muted == 0;
        reading.monitorVolume = ReadPercent("AAVolumeScalarControl", kFirstChannel);
        Read(capture_, "AAVolumeControl", kFirstChannel);
    }

    if (VoiceChangerSupported()) {
        if (const auto on = ReadInt(capture_, "Enable_MAGICVOICE"))
            reading.voiceChangerOn = *on != 0;
    }
    const auto selection = ReadInt(capture_, "MagicVoice_Selection");
    if (selection && *selection >= 0 && *selection <= 3) reading.voice = *selection + 1;

    for (int band = 0; band < kBandCount; ++band) Read(playback_, BandName(band));
    return reading;
}

bool CAudioSdkAdapter::SetMicOn(bool on) {
    return Write(capture_, "MuteControl", int32_t{on ? 0 : 1});
}

bool CAudioSdkAdapter::SetMicVolume(int value) {
    return WritePercent("VolumeScalarControl", "VolumeControl", kAllChannels, value);
}

bool CAudioSdkAdapter::SetMonitorOn(bool on) {
    return Write(capture_, "AAMuteControl", int32_t{on ? 0 : 1});
}

bool CAudioSdkAdapter::SetMonitorVolume(int value) {
    return WritePercent("AAVolumeScalarControl", "AAVolumeControl", kFirstChannel, value);
}

bool CAudioSdkAdapter::SetEqualiser(const std::array<int, kBandCount>& gains) {
    if (!Write(playback_, "Enable_EQ_GFX", int32_t{1})) return false;
    for (int band = 0; band < kBandCount; ++band)
        if (!SetEqBand(band, gains[static_cast<size_t>(band)])) return false;
    return true;
}

bool CAudioSdkAdapter::SetEqBand(int band, int gain) {
    if (band < 0 || band >= kBandCount) return false;
    return Write(playback_, BandName(band), static_cast<int32_t>(gain));
}

bool CAudioSdkAdapter::SetVoiceChangerOn(bool on) {
    if (!Write(capture_, "Enable_MAGICVOICE", int32_t{on ? 1 : 0})) return false;
    // The echo would play the changed voice back twice; switching off
    // leaves it as the user had it.
    return !on || Write(capture_, "Enable_MICECHO", int32_t{0});
}

bool CAudioSdkAdapter::SelectVoice(int voice) {
    if (voice < 1 || voice > 4) return false;
    return Write(capture_, "MagicVoice_Selection", static_cast<int32_t>(voice - 1));
}

bool CAudioSdkAdapter::VoiceChangerSupported() const {
    return captureFeatures_ && (captureFeatures_->field0 & kVoiceChangerBit) != 0;
}

std::optional<std::string> CAudioSdkAdapter::Read(
    const std::optional<audio::DeviceDescriptor>& device, std::string_view name,
    audio::PropertyParams params) {
    if (!lib_ || !device) return std::nullopt;
    std::string answer;
    if (lib_->ReadProperty(*device, name, params, answer) != audio::kAudioOk) return std::nullopt;
    return answer;
}

std::optional<int> CAudioSdkAdapter::ReadInt(const std::optional<audio::DeviceDescriptor>& device,
                                             std::string_view name, audio::PropertyParams params) {
    const auto answer = Read(device, name, params);
    return answer ? ParseWhole<int>(*answer) : std::nullopt;
}

// A scalar volume as a percentage, rounded: 0.29 is stored as 0.28999...
std::optional<int> CAudioSdkAdapter::ReadPercent(std::string_view name,
                                                 audio::PropertyParams params) {
    const auto answer = Read(capture_, name, params);
    const auto scalar = answer ? ParseWhole<double>(*answer) : std::nullopt;
    if (!scalar || !std::isfinite(*scalar)) return std::nullopt;
    return static_cast<int>(std::lround(std::clamp(*scalar, 0.0, 1.0) * 100.0));
}

bool CAudioSdkAdapter::Write(const std::optional<audio::DeviceDescriptor>& device,
                             std::string_view name, const audio::PropertyValue& value,
                             audio::PropertyParams params) {
    if (!lib_ || !device) return false;
    return lib_->WriteProperty(*device, name, value, params) == audio::kAudioOk;
}

// The scalar volume, then the level it gives, read back as the device expects.
bool CAudioSdkAdapter::WritePercent(std::string_view scalar, std::string_view level,
                                    audio::PropertyParams channel, int value) {
    const float share = static_cast<float>(std::clamp(value, 0, 100)) / 100.0f;
    if (!Write(capture_, scalar, share, channel)) return false;
    Read(capture_, level, channel);
    return true;
}

}  // namespace kelno
