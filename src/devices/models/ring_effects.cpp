#include "devices/models/ring_effects.h"

#include <algorithm>
#include <array>

namespace kelno {
namespace {

constexpr int kRingLength = 23;
constexpr int kPairedRingLength = 8;
constexpr std::array<std::array<int, 2>, 7> kPairs = {
    {{1, 14}, {2, 13}, {3, 12}, {4, 11}, {5, 10}, {6, 9}, {7, 8}}};

LedColour At(const Rgb& colour, uint8_t level) {
    return {colour.red, colour.green, colour.blue, level};
}

constexpr std::chrono::milliseconds kPass{2};
constexpr std::chrono::milliseconds kShortestStep{10};

}  // namespace

std::chrono::milliseconds EffectStepInterval(int speed, bool customEffect) {
    if (customEffect) return kShortestStep;
    return std::max(kPass * BlinkPeriodForSpeed(speed), kShortestStep);
}

void WaveEffect::Step(SoftwareLighting& lighting, const EffectParameters& p) {
    const int leds = lighting.LedCount();
    const uint8_t level = LevelForBrightness(p.brightness);
    if (p.multiColour) {
        phase_ = kelno::Step(p.forward, kColourWheelSize, phase_, 1);
        for (int i = 0; i < leds; ++i)
            lighting.SetLedColour(
                i, At(kColourWheel[static_cast<size_t>((phase_ + 1 + shape_.wheelSpacing * i) %
                                                       kColourWheelSize)],
                      level));
        return;
    }
    phase_ = kelno::Step(p.forward, kWaveSteps, phase_, shape_.curveStep);
    for (int i = 0; i < leds; ++i) {
        const uint8_t wave = kWaveCurve[static_cast<size_t>(
            (phase_ + shape_.curveOffset + shape_.curveSpacing * i) % kWaveSteps)];
        lighting.SetLedColour(i, At(p.colour, static_cast<uint8_t>(level * wave / 256)));
    }
}

void RingChase::Step(SoftwareLighting& lighting, const EffectParameters& p) {
    const bool paired = kind_ == Kind::Paired;
    phase_ = kelno::Step(p.forward, kColourWheelSize, phase_, 1);
    if (calls_ >= 2) {
        calls_ = 0;
        lighting.MarkRingKeys(marked_);
        // The paired chase runs the other way round.
        lighting.RotateRing(paired ? !p.forward : p.forward,
                            paired ? kPairedRingLength : kRingLength);
    }
    ++calls_;

    const int leds = lighting.LedCount();
    const uint8_t level = LevelForBrightness(p.brightness);
    const int positions = paired ? static_cast<int>(kPairs.size()) : leds;
    for (int i = 0; i < positions; ++i) {
        const int first = paired ? kPairs[static_cast<size_t>(i)][0] : i;
        lighting.LowerKeyLevel(i, true);
        Rgb colour = p.colour;
        if (p.multiColour) {
            phase_ = static_cast<uint8_t>(phase_ + 12);
            colour = kColourWheel[phase_ % kColourWheelSize];
            // While the LED where the chase enters is lit, colours stay put.
            if (lighting.KeyLevel(p.forward ? 0 : leds - 1) != 0) {
                const LedColour present = lighting.GetLedColour(first);
                colour = Rgb{present.red, present.green, present.blue};
            }
        }
        const auto fade = static_cast<uint8_t>(level * lighting.KeyLevel(i) / 256);
        lighting.SetLedColour(first, At(colour, fade));
        if (paired) lighting.SetLedColour(kPairs[static_cast<size_t>(i)][1], At(colour, fade));
    }
}

}  // namespace kelno
