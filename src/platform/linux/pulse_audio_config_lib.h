#pragma once
// The headset's audio settings on a PulseAudio server (pipewire-pulse
// serves the same protocol). The headset's sink and source are the USB
// devices carrying its vendor and product ids; without one the backend
// lists nothing, so the computer's own microphone is never touched.
//
// Capture: mute and volume of the matched source; the monitor (side-tone)
// is the card's own mixer element where it has one, otherwise a
// low-latency loopback from that source to the headset's sink, on while
// loaded, its volume the loopback stream's.
//
// Playback: the equaliser is a ten-band LADSPA filter sink in front of the
// headset's sink; while it is on the streams of the headset play through
// it, a change of gains loads a new filter and moves them over, and off
// moves them back.
//
// Every module the backend loads carries "kelno.driver=" in its arguments:
// a later start removes what a crashed one left (an equaliser's streams
// back to the headset first).
//
// Voice changer: the microphone through a pitch shifter (a fixed factor
// per voice) into a sink whose monitor is the virtual microphone
// "KELNO Driver voice"; off unloads every module of the chain.
//
// Every call returns within the timeout given (calls from several threads
// take turns); the server runs on a thread of its own
// (pa_threaded_mainloop).

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/audio/audio_config_lib.h"
#include "platform/linux/alsa_side_tone.h"

namespace kelno::audio {

// Which USB device is the headset: its ids as its HID interface reports
// them and, when known, the sysfs folder of its USB device
// ("/sys/devices/.../1-2"), which is preferred when several devices match.
struct PulseHeadsetMatch {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    std::string usbParent;
};

// What the server says of a sink or source, as far as matching needs it.
struct PulseDeviceInfo {
    uint32_t index = 0;
    std::string name;
    std::string bus;        // device.bus
    std::string vendorId;   // device.vendor.id, hex ("0c45" or "0x0c45")
    std::string productId;  // device.product.id
    std::string sysfsPath;  // sysfs.path ("/devices/...")
    std::string alsaCard;   // alsa.card, the card's number
    bool monitor = false;   // a sink's monitor source
};

// The headset's devices among `devices`, those under the USB parent first,
// otherwise in the server's order. Ids 0:0 match nothing.
std::vector<PulseDeviceInfo> MatchHeadsetDevices(const std::vector<PulseDeviceInfo>& devices,
                                                 const PulseHeadsetMatch& match);

// The side-tone element of a card, by its "alsa.card" number; empty when
// it has none.
using SideToneOpener = std::function<std::unique_ptr<SideToneControl>(const std::string& card)>;

class PulseAudioConfigLib : public IAudioConfigLib {
  public:
    static constexpr size_t kBands = 10;

    // `server` empty: the user's server (PULSE_SERVER or the default); a
    // server is never started for us.
    explicit PulseAudioConfigLib(PulseHeadsetMatch match, std::string server = {},
                                 std::chrono::milliseconds timeout = std::chrono::seconds(2),
                                 SideToneOpener openSideTone = OpenAlsaSideTone);
    // Removes what it loaded.
    ~PulseAudioConfigLib() override;
    PulseAudioConfigLib(const PulseAudioConfigLib&) = delete;
    PulseAudioConfigLib& operator=(const PulseAudioConfigLib&) = delete;

    int ConfLibInit() override;
    void CreateDeviceList() override;
    int GetDeviceCount(Direction direction, int32_t& count) override;
    int GetDeviceById(Direction direction, int32_t index, DeviceDescriptor& device) override;
    int ReadProperty(const DeviceDescriptor& device, std::string_view name, PropertyParams params,
                     std::string& answer) override;
    int WriteProperty(const DeviceDescriptor& device, std::string_view name,
                      const PropertyValue& value, PropertyParams params) override;

    class Client;

  private:
    const PulseDeviceInfo* Listed(const DeviceDescriptor& device) const;
    int ReadCapture(const PulseDeviceInfo& source, std::string_view name, std::string& answer);
    int WriteCapture(const PulseDeviceInfo& source, std::string_view name, double value);
    int ReadPlayback(std::string_view name, std::string& answer) const;
    int WritePlayback(const PulseDeviceInfo& sink, std::string_view name, double value);
    int BuildEqualiser(const PulseDeviceInfo& sink);
    void RemoveEqualiser();
    // Moves the streams playing on `from` (but the backend's own) to `to`.
    int MoveStreams(uint32_t from, uint32_t to);
    int UnloadModule(uint32_t module);
    std::optional<uint32_t> SinkByName(const std::string& name);
    std::optional<uint32_t> SinkOfModule(uint32_t module);
    int BuildVoice(const PulseDeviceInfo& source);
    int BuildPitch(const PulseDeviceInfo& source);
    void RemoveVoice();
    std::optional<uint32_t> LoadModule(const char* name, const std::string& arguments);
    int ReadSideTone(std::string_view name, std::string& answer);
    int WriteSideTone(std::string_view name, double value);
    int SetMonitor(const PulseDeviceInfo& source, bool on);
    int SetMonitorVolume(double share);
    // Unloads the monitor this backend loaded.
    void RemoveMonitor();
    // Unloads every module carrying the marker (left by a crash).
    void RemoveLeftovers();

    std::mutex calls_;
    PulseHeadsetMatch match_;
    std::unique_ptr<Client> client_;
    std::vector<PulseDeviceInfo> sinks_;
    std::vector<PulseDeviceInfo> sources_;
    std::optional<uint32_t> monitorModule_;
    std::pair<uint32_t, uint32_t> monitorEnds_;  // its source and sink
    double monitorVolume_ = 0.5;
    struct Equaliser {
        uint32_t module;
        uint32_t sink;
        uint32_t master;  // the headset's sink
    };
    std::array<int32_t, kBands> eqGains_{};
    std::optional<Equaliser> equaliser_;
    unsigned eqBuilds_ = 0;
    // The voice changer's modules, from its output sink to the
    // microphone's feed.
    struct VoiceChain {
        uint32_t source;  // the headset's microphone
        std::optional<uint32_t> output, microphone, pitch, feed;
    };
    std::optional<VoiceChain> voice_;
    int32_t voiceSelection_ = 0;  // 0 to 3
    SideToneOpener openSideTone_;
    std::unique_ptr<SideToneControl> sideTone_;
    uint32_t sideToneSource_ = 0;  // the source it belongs to
};

}  // namespace kelno::audio
