#pragma once
// The seam of the headset's audio settings: microphone and monitor volume
// and mute, the ten-band equaliser and the voice changer, named by
// property as the headset's audio configuration library names them. A
// backend lists the headset's playback and capture devices and reads or
// writes one property of one device at a time.
//
// Values are typed (a switch, selection or gain is an integer, a volume a
// scalar from 0 to 1); a read answers text, as the library does (a number,
// or comma-separated numbers for "GetSupportFeature"). Every call returns
// within a bounded time; a backend that cannot answer in time fails the
// call.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>

namespace kelno::audio {

enum class Direction : int32_t { Playback = 0, Capture = 1 };

// What GetDeviceById fills in: the backend's own identity, the device type
// (1, 12, 7 or 4 playback, 2 capture), a word that is not interpreted and
// a flag that playback devices must have at 1 to be chosen.
struct DeviceDescriptor {
    int32_t id = 0;
    int32_t type = 0;
    int32_t reserved = 0;
    int32_t flag = 0;
    bool operator==(const DeviceDescriptor&) const = default;
};

// A value written: an integer (switch, selection, gain) or a scalar volume.
using PropertyValue = std::variant<int32_t, float>;

// Results: 0 is success; anything else means the value is not available
// (a read leaves the caller's value as it was).
inline constexpr int kAudioOk = 0;
inline constexpr int kAudioFailed = 1;       // the backend refused or the device is gone
inline constexpr int kAudioUnsupported = 2;  // no such property on this device
inline constexpr int kAudioTimedOut = 3;     // no answer within the bound
inline constexpr int kAudioNoLibrary = 4;    // nothing to talk to (no sound server)

// Channel parameters of a property call: none, or one channel (-1 all,
// 0 or 1), or the three words the surround property takes.
using PropertyParams = std::span<const int32_t>;

class IAudioConfigLib {
  public:
    virtual ~IAudioConfigLib() = default;

    // 0 when the backend is ready.
    virtual int ConfLibInit() = 0;
    // Takes a fresh list of the devices (a headset plugged since is found).
    virtual void CreateDeviceList() = 0;
    virtual int GetDeviceCount(Direction direction, int32_t& count) = 0;
    virtual int GetDeviceById(Direction direction, int32_t index, DeviceDescriptor& device) = 0;
    // Reads a property; on success `answer` holds its text.
    virtual int ReadProperty(const DeviceDescriptor& device, std::string_view name,
                             PropertyParams params, std::string& answer) = 0;
    virtual int WriteProperty(const DeviceDescriptor& device, std::string_view name,
                              const PropertyValue& value, PropertyParams params) = 0;
};

}  // namespace kelno::audio
