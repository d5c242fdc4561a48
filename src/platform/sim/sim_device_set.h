#pragma once
// One emulated device of each kind on a SimHidBackend, plugged and
// unplugged by kind, and the line protocol that drives it from outside the
// process (sim_control_server.h):
//   list                         -> "ok" and the plugged kinds
//   plug <kind> / unplug <kind>  -> "ok"
//   notify <kind> <usage hex>    -> "ok"
//   mem <kind> <offset> <length> -> "ok" and the settings memory bytes in hex
//   keymap <kind>                -> "ok" and the key map in hex
//   fault <kind> <timeout|echo|error|short|none> [count]
//                                -> "ok"; the next `count` (default 1)
//                                   requests of the device get that fault,
//                                   "none" clears every armed fault
//   faults <kind>                -> "ok" and the number of armed faults
//   link <kind> up|down          -> "ok"; a wireless device's link
//   power <kind> <hex bytes>     -> "ok"; the power status answers from now
//   frame <kind>                 -> "ok" and the last light frame in hex
//   poke <kind> <offset> <hex bytes>
//                                -> "ok"; device memory changed, then 0x401
//   codes <kind> / clear <kind>  -> "ok" and the command codes received since
//                                   the last clear / "ok"
//   group <kind>                 -> "ok" and the START nesting depth
//   leds <kind>                  -> "ok <count>": the number of 17-byte LED
//                                   output reports received, then the last
//                                   twelve in hex, ";" between reports
//   audio get <playback|capture> <property>
//                                -> "ok <value>" (the headset's audio library)
//   audio set <playback|capture> <property> <value>
//                                -> "ok"; the property answers <value> from now
//   audio fail <playback|capture> <property> <read|write> [count]
//                                -> "ok"; the next `count` (default 1) such
//                                   calls fail
//   audio log                    -> "ok" and the audio calls since the last
//                                   clear, ";" between entries
//                                   (sim_audio_config_lib.h)
//   audio clear                  -> "ok"; forgets the calls and the armed
//                                   failures
// The headset's audio devices are present while the headset is plugged.
// Every other line, or a command that cannot be done, gets "err <reason>".
// Kinds: keyboard, mouse, mousepad, headset, wmouse.

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sim/sim_audio_config_lib.h"
#include "platform/sim/sim_backend.h"
#include "platform/sim/sim_devices.h"

namespace kelno::sim {

class SimDeviceSet {
  public:
    explicit SimDeviceSet(std::shared_ptr<SimHidBackend> backend = nullptr);

    const std::shared_ptr<SimHidBackend>& Backend() const { return backend_; }
    // The headset's audio configuration library; its devices are present
    // while the headset is plugged.
    const std::shared_ptr<SimAudioConfigLib>& Audio() const { return audio_; }

    // Plugs the kind's device (made on first use; it keeps its memory
    // across unplugging). Null only when the backend refused it.
    std::shared_ptr<SimCommandDevice> Plug(SimKind kind);
    bool Unplug(SimKind kind);
    bool IsPlugged(SimKind kind) const;
    // The kind's device, plugged or not; null before its first Plug.
    std::shared_ptr<SimCommandDevice> Device(SimKind kind) const;

    // One protocol line in (without its line feed), one reply line out.
    std::string HandleCommand(std::string_view line);

  private:
    std::string HandleFault(SimKind kind, const std::vector<std::string_view>& words);

    std::shared_ptr<SimHidBackend> backend_;
    std::shared_ptr<SimAudioConfigLib> audio_;
    mutable std::mutex mutex_;
    std::map<SimKind, std::shared_ptr<SimCommandDevice>> devices_;
};

}  // namespace kelno::sim
