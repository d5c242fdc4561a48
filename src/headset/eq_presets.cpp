#include "headset/eq_presets.h"

namespace kelno {
namespace {

// One row per preset, 1 to 12; columns 31, 62, 125, 250, 500 Hz, 1, 2, 4,
// 8, 16 kHz.
constexpr EqGains kPresetCurves[] = {
    {7, 11, 2, -3, -1, 4, 9, 12, 9, 5},     // 1 music
    {7, 11, 6, -3, -11, -1, 6, 13, 6, 13},  // 2 game
    {10, 4, 0, -3, -4, -3, -2, -1, 0, 0},   // 3 movie
    {2, 1, -2, -3, -5, -7, 0, 4, 9, 8},     // 4 voice (speech)
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0},         // 5 flat
    {7, 14, -13, -6, -1, 8, 13, 7, 2, 6},   // 6 shooter
    {14, 10, 4, 0, -4, -3, -1, 1, 2, 3},    // 7 bass
    {2, 1, -2, -3, -5, -1, 7, 11, 15, 13},  // 8 treble
    {8, 2, -4, -8, 1, 3, 8, 11, 14, 16},    // 9 footsteps
    {-3, 4, 10, 0, -11, 3, 9, 13, 6, 0},    // 10 racing
    {18, 14, 8, 2, -3, -6, -1, 2, 5, 6},    // 11 dance
    {2, 1, -2, -4, -8, 4, 12, 16, 18, 15},  // 12 live
};
static_assert(std::size(kPresetCurves) == kLastEqPreset - kFirstEqPreset + 1);

}  // namespace

std::optional<EqGains> EqPresetGains(int preset) {
    if (preset < kFirstEqPreset || preset > kLastEqPreset) return std::nullopt;
    return kPresetCurves[preset - kFirstEqPreset];
}

}  // namespace kelno
