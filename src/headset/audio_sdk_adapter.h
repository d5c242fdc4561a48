#pragma once
// The headset's audio settings over the audio configuration library: finds
// the headset's playback and capture devices, reads what they are set to
// and writes one setting at a time. Every call is synchronous (the backend
// bounds its own time) and nothing throws.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/audio/audio_config_lib.h"

namespace kelno {

// What Start found. The page shows a notice for everything but Ready.
enum class AudioStartOutcome {
    Ready,
    NoLibrary,      // no library to talk to
    InitFailed,     // the library did not start
    NoDevice,       // neither a playback nor a capture device of the headset
    FeatureFailed,  // a device's feature answer was short; its settings still work
};

// The numbers kept of a device's "GetSupportFeature" answer (fields 0, 4
// and 6).
struct AudioFeatureNumbers {
    int32_t field0 = 0;
    int32_t field4 = 0;
    int32_t field6 = 0;
    bool operator==(const AudioFeatureNumbers&) const = default;
};

// What the headset is set to; empty where a read failed (or the device or
// feature is missing). Volumes 0 to 100, voice 1 to 4.
struct HeadsetAudioReading {
    std::optional<bool> micOn;
    std::optional<int> micVolume;
    bool monitorAvailable = false;
    std::optional<bool> monitorOn;
    std::optional<int> monitorVolume;
    std::optional<bool> voiceChangerOn;
    std::optional<int> voice;
};

class CAudioSdkAdapter {
  public:
    static constexpr int kBandCount = 10;
    // Capture feature field 0: the voice changer.
    static constexpr int32_t kVoiceChangerBit = 0x20000;

    // `lib` may be null (no audio library); it must outlive the adapter.
    explicit CAudioSdkAdapter(audio::IAudioConfigLib* lib);

    // Starts the library, lists the devices afresh and picks the headset's,
    // then reads their initial state (reads only). Called again on each
    // synchronisation, so a headset plugged since is found.
    AudioStartOutcome Start();
    // Forgets the devices (the headset was removed).
    void Drop();

    HeadsetAudioReading ReadState();

    // Each returns true only when every write it made succeeded, false
    // without a device (and then writes nothing). A sequence of writes stops
    // at the first that fails.
    bool SetMicOn(bool on);
    bool SetMicVolume(int value);  // 0 to 100, clamped
    bool SetMonitorOn(bool on);
    bool SetMonitorVolume(int value);  // 0 to 100, clamped
    // The equaliser on with these gains, band 1 first.
    bool SetEqualiser(const std::array<int, kBandCount>& gains);
    bool SetEqBand(int band, int gain);  // band 0 to 9
    bool SetVoiceChangerOn(bool on);
    bool SelectVoice(int voice);  // 1 to 4

    bool HasPlayback() const { return playback_.has_value(); }
    bool HasCapture() const { return capture_.has_value(); }
    std::optional<audio::DeviceDescriptor> PlaybackDevice() const { return playback_; }
    std::optional<audio::DeviceDescriptor> CaptureDevice() const { return capture_; }
    bool VoiceChangerSupported() const;
    // Empty when the device is missing or its answer was short.
    std::optional<AudioFeatureNumbers> PlaybackFeatures() const { return playbackFeatures_; }
    std::optional<AudioFeatureNumbers> CaptureFeatures() const { return captureFeatures_; }

  private:
    std::optional<audio::DeviceDescriptor> PickPlayback();
    std::optional<audio::DeviceDescriptor> PickCapture();
    std::optional<audio::DeviceDescriptor> FirstDevice(
        audio::Direction direction,
        const std::function<bool(const audio::DeviceDescriptor&)>& fits);
    std::optional<AudioFeatureNumbers> ReadFeatures(const audio::DeviceDescriptor& device);
    void ProbeInitialState();

    std::optional<std::string> Read(const std::optional<audio::DeviceDescriptor>& device,
                                    std::string_view name, audio::PropertyParams params = {});
    std::optional<int> ReadInt(const std::optional<audio::DeviceDescriptor>& device,
                               std::string_view name, audio::PropertyParams params = {});
    std::optional<int> ReadPercent(std::string_view name, audio::PropertyParams params);
    bool Write(const std::optional<audio::DeviceDescriptor>& device, std::string_view name,
               const audio::PropertyValue& value, audio::PropertyParams params = {});
    bool WritePercent(std::string_view scalar, std::string_view level,
                      audio::PropertyParams channel, int value);

    audio::IAudioConfigLib* lib_;
    std::optional<audio::DeviceDescriptor> playback_;
    std::optional<audio::DeviceDescriptor> capture_;
    std::optional<AudioFeatureNumbers> playbackFeatures_;
    std::optional<AudioFeatureNumbers> captureFeatures_;
};

}  // namespace kelno
