#include "devices/models/light_list_overlay.h"

#include <algorithm>

namespace kelno {
namespace {

constexpr int kBreathStride = 4;
constexpr int kBlinkColourStride = 14;
constexpr auto kBlinkUnit = std::chrono::milliseconds(200);

Rgb EntryColour(const LightListEntry& entry) {
    return Rgb{entry.red, entry.green, entry.blue};
}

LedColour Lit(Rgb colour, uint8_t level) {
    return LedColour{colour.red, colour.green, colour.blue, level};
}

}  // namespace

void LightListOverlay::Reset(std::vector<LightListEntry> entries) {
    entries_ = std::move(entries);
    states_.assign(entries_.size(), LedState{});
}

bool LightListOverlay::Animates() const {
    return std::any_of(entries_.begin(), entries_.end(), [](const LightListEntry& entry) {
        return entry.mode == 2 || ((entry.mode == 0 || entry.mode == 3) && entry.valid);
    });
}

void LightListOverlay::Apply(SoftwareLighting& lighting, Clock::time_point now) {
    for (size_t i = 0; i < entries_.size() && i < states_.size(); ++i) {
        const LightListEntry& entry = entries_[i];
        LedState& state = states_[i];
        const int led = static_cast<int>(i);
        const uint8_t level = LevelForBrightness(entry.brightness);
        switch (entry.mode) {
            case 0: {  // breathing
                if (!entry.valid) break;
                const int phase =
                    state.breathPhase + std::min<int>(entry.speed, kMaxSpeed) + kBreathStride;
                if (phase >= kBreathingSteps) {
                    state.breathPhase = 0;
                    state.breathColour = static_cast<uint8_t>(
                        std::min(state.breathColour + 1, kColourWheelSize - 1));
                } else {
                    state.breathPhase = static_cast<uint8_t>(phase);
                }
                const Rgb colour =
                    entry.multiColor ? kColourWheel[state.breathColour] : EntryColour(entry);
                lighting.SetLedColour(
                    led, Lit(colour, static_cast<uint8_t>(kBreathingCurve[state.breathPhase] *
                                                          level / 256)));
                break;
            }
            case 1:  // steady
                lighting.SetLedColour(led, Lit(EntryColour(entry), level));
                break;
            case 2: {  // blinking
                if (now - state.lastToggle >= kBlinkUnit * BlinkPeriodForSpeed(entry.speed)) {
                    state.blinkOn = !state.blinkOn;
                    state.lastToggle = now;
                    const int next = state.blinkColour + kBlinkColourStride;
                    state.blinkColour = next >= kColourWheelSize ? 0 : static_cast<uint8_t>(next);
                }
                const Rgb colour =
                    entry.multiColor ? kColourWheel[state.blinkColour] : EntryColour(entry);
                lighting.SetLedColour(led, state.blinkOn ? Lit(colour, level) : LedColour{});
                break;
            }
            case 3: {  // colour cycle
                if (!entry.valid) break;
                if (++state.cycleCounter >= BlinkPeriodForSpeed(entry.speed)) {
                    state.cycleCounter = 0;
                    const int next = state.cycleColour + 1;
                    state.cycleColour = next >= kColourWheelSize ? 0 : static_cast<uint8_t>(next);
                }
                lighting.SetLedColour(led, Lit(kColourWheel[state.cycleColour], level));
                break;
            }
            case 4:  // off
                lighting.SetLedColour(led, LedColour{});
                break;
            default:
                break;
        }
    }
}

}  // namespace kelno
