#pragma once
// The "audio" lines of the control protocol (sim_device_set.h), on the
// emulated headset's audio configuration library.

#include <span>
#include <string>
#include <string_view>

#include "platform/sim/sim_audio_config_lib.h"

namespace kelno::sim {

// `words` is the whole line, "audio" first; one reply line.
std::string HandleAudioCommand(SimAudioConfigLib& audio, std::span<const std::string_view> words);

}  // namespace kelno::sim
