#pragma once
// The gains of the twelve equaliser presets, band by band from 31 Hz to
// 16 kHz. The default profile (HD.Json) carries the same curves.

#include <optional>

#include "headset/headset_audio_actions.h"

namespace kelno {

inline constexpr int kFirstEqPreset = 1;
inline constexpr int kLastEqPreset = 12;

// Nothing for the custom setting (13) and numbers that name no preset.
std::optional<EqGains> EqPresetGains(int preset);

}  // namespace kelno
