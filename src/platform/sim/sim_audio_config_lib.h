#pragma once
// The headset's audio configuration library without a sound server, for
// tests and demo mode: a list of playback and capture devices (by default
// the emulated headset's), one property map per direction with the values a
// fresh headset answers, armed failures, an optional latency per call and a
// log of the calls. Thread-safe.
//
// Log entries: "init", "list" (CreateDeviceList), then one per property
// call, "<read|write> <playback|capture> <name>[ <value>][ @<params>]", the
// value only on writes, the channel parameters comma-separated after "@":
//   read capture MuteControl
//   write playback EQ_Slider1 7
//   write capture VolumeScalarControl 0.29 @-1
//   read playback VirtualSurroundEffectControl @4,-1,0
// A failed call is logged like any other; one on a device that is gone
// (not in the present headset's list) says "gone" for the direction.

#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/audio/audio_config_lib.h"

namespace kelno::sim {

struct SimAudioDevice {
    audio::Direction direction;
    audio::DeviceDescriptor descriptor;
};

enum class SimAudioCall { Read, Write };

// "playback" / "capture".
std::string_view SimAudioDirectionName(audio::Direction direction);
std::optional<audio::Direction> SimAudioDirectionFromName(std::string_view name);

class SimAudioConfigLib : public audio::IAudioConfigLib {
  public:
    // The headset's playback (id 1, type 1, flag 1) and capture (id 2,
    // type 2) devices.
    static std::vector<SimAudioDevice> HeadsetDevices();

    SimAudioConfigLib();

    // audio::IAudioConfigLib
    int ConfLibInit() override;
    void CreateDeviceList() override;
    int GetDeviceCount(audio::Direction direction, int32_t& count) override;
    int GetDeviceById(audio::Direction direction, int32_t index,
                      audio::DeviceDescriptor& device) override;
    int ReadProperty(const audio::DeviceDescriptor& device, std::string_view name,
                     audio::PropertyParams params, std::string& answer) override;
    int WriteProperty(const audio::DeviceDescriptor& device, std::string_view name,
                      const audio::PropertyValue& value, audio::PropertyParams params) override;

    // --- Setup ---
    void SetInitResult(int result);
    // The devices an enumeration finds while the headset is present; ids
    // should be unique.
    void SetDevices(std::vector<SimAudioDevice> devices);
    // Without the headset an enumeration finds nothing and every property
    // call on a device fails, as on a real unplugging. CreateDeviceList takes
    // the state of the moment: a list taken before stays as it was.
    void SetHeadsetPresent(bool present);
    bool HeadsetPresent() const;

    // A property's answer (an unknown one is added); every device of the
    // direction shares it. "GetSupportFeature" is the feature answer.
    void SetProperty(audio::Direction direction, std::string_view name, std::string value);
    // Reads and writes of it answer kAudioUnsupported from now on.
    void RemoveProperty(audio::Direction direction, std::string_view name);
    std::optional<std::string> Property(audio::Direction direction, std::string_view name) const;

    // The next `count` reads (or writes) of the property answer `result`
    // (the value stays as it was); adds to any count armed already.
    void FailNext(audio::Direction direction, std::string_view name, SimAudioCall call,
                  unsigned count = 1, int result = audio::kAudioFailed);
    void ClearFailures();

    // Each call waits this long first (outside the lock).
    void SetLatency(std::chrono::microseconds perCall);

    std::vector<std::string> Log() const;
    void ClearLog();

  private:
    using PropertyKey = std::pair<audio::Direction, std::string>;
    using FailureKey = std::tuple<audio::Direction, std::string, SimAudioCall>;
    struct Failure {
        unsigned remaining = 0;
        int result = audio::kAudioFailed;
    };

    // The direction of a device of the present headset's list.
    std::optional<audio::Direction> DirectionOfLocked(const audio::DeviceDescriptor& device) const;
    // The result of an armed failure for this call, if one fires.
    std::optional<int> TakeFailureLocked(audio::Direction direction, std::string_view name,
                                         SimAudioCall call);
    void Wait() const;

    mutable std::mutex mutex_;
    int initResult_ = audio::kAudioOk;
    std::vector<SimAudioDevice> devices_;
    std::vector<SimAudioDevice> listed_;
    bool present_ = true;
    std::map<PropertyKey, std::string> properties_;
    std::map<FailureKey, Failure> failures_;
    std::chrono::microseconds latency_{0};
    std::vector<std::string> log_;
};

}  // namespace kelno::sim
