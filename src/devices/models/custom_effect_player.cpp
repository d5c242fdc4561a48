#include "devices/models/custom_effect_player.h"

#include <utility>

namespace kelno {
namespace {

constexpr auto kBlinkUnit = std::chrono::milliseconds(200);
constexpr uint8_t kBlinkColourStep = 14;
constexpr uint8_t kWaveSpacing = 12;
constexpr int kSteadyPhases = 9;

void FillAll(SoftwareLighting& lighting, Rgb colour, uint8_t level) {
    for (int i = 0; i < lighting.LedCount(); ++i)
        lighting.SetLedColour(i, {colour.red, colour.green, colour.blue, level});
}

Rgb ColourOf(const LightEffectStep& step) {
    return {step.red, step.green, step.blue};
}

uint8_t Scaled(uint8_t level, uint8_t factor) {
    return static_cast<uint8_t>(level * factor / 256);
}

}  // namespace

void CustomEffectPlayer::SetSteps(std::vector<LightEffectStep> steps) {
    std::lock_guard lock(mutex_);
    steps_ = std::move(steps);
    index_ = 0;
}

size_t CustomEffectPlayer::StepIndex() const {
    std::lock_guard lock(mutex_);
    return index_;
}

void CustomEffectPlayer::Play(SoftwareLighting& lighting, int deviceSpeed, Clock::time_point now) {
    std::lock_guard lock(mutex_);
    if (!started_) {
        started_ = true;
        stepStart_ = now;
    }
    if (index_ >= steps_.size()) index_ = 0;
    if (steps_.empty()) {
        lighting.Off();
        return;
    }
    const LightEffectStep step = steps_[index_];
    ++passes_;
    ShowStep(step, lighting, deviceSpeed, now);
    if (passes_ == 255) passes_ = 0;
    if (now - stepStart_ > std::chrono::milliseconds(step.time)) {
        index_ = (index_ + 1) % steps_.size();
        stepStart_ = now;
    }
}

void CustomEffectPlayer::ShowStep(const LightEffectStep& step, SoftwareLighting& lighting,
                                  int deviceSpeed, Clock::time_point now) {
    const uint8_t level = LevelForBrightness(step.brightness);
    const uint8_t period = BlinkPeriodForSpeed(step.speed);
    switch (step.mode) {
        case kBreathing:
            if (passes_ < period) return;
            passes_ = 0;
            phase_ = static_cast<uint8_t>((phase_ + 1) % kBreathingSteps);
            FillAll(lighting, ColourOf(step), Scaled(level, kBreathingCurve[phase_]));
            return;
        case kSteady:
            if (passes_ < period) return;
            passes_ = 0;
            phase_ = static_cast<uint8_t>((phase_ + 1) % kSteadyPhases);
            FillAll(lighting, ColourOf(step), level);
            return;
        case kBlinking: {
            phase_ = static_cast<uint8_t>((phase_ + 1) % kBreathingSteps);
            if (passes_ >= period) passes_ = 0;
            // Blinking keeps the device's own pace, not the step's.
            if (now - lastToggle_ >= BlinkPeriodForSpeed(deviceSpeed) * kBlinkUnit) {
                blinkOn_ = !blinkOn_;
                lastToggle_ = now;
                const int position = phase_ + kBlinkColourStep;
                blinkColour_ = static_cast<uint8_t>(position >= kColourWheelSize ? 0 : position);
            }
            if (!blinkOn_) {
                FillAll(lighting, {}, 0);
                return;
            }
            FillAll(lighting, step.multiColor ? kColourWheel[blinkColour_] : ColourOf(step), level);
            return;
        }
        case kWave: {
            if (passes_ < period) return;
            passes_ = 0;
            phase_ = static_cast<uint8_t>((phase_ + 1) % kColourWheelSize);
            int start = step.direction ? kColourWheelSize - phase_ : phase_ + 1;
            if (step.direction && phase_ == 0) start = kColourWheelSize - 1;
            if (start == kColourWheelSize) start = 0;
            for (int i = 0; i < lighting.LedCount(); ++i) {
                if (step.multiColor) {
                    const Rgb c = kColourWheel[static_cast<size_t>((start + kWaveSpacing * i) %
                                                                   kColourWheelSize)];
                    lighting.SetLedColour(i, {c.red, c.green, c.blue, level});
                } else {
                    const uint8_t wave = kWaveCurve[static_cast<size_t>(
                        (start + kWaveSpacing * (i + 1)) % kWaveSteps)];
                    lighting.SetLedColour(i,
                                          {step.red, step.green, step.blue, Scaled(level, wave)});
                }
            }
            return;
        }
        case kColourCycle:
            if (passes_ < CycleStepPassesForSpeed(step.speed)) return;
            passes_ = 0;
            phase_ = static_cast<uint8_t>((phase_ + 1) % kColourWheelSize);
            FillAll(lighting, kColourWheel[phase_], level);
            return;
        default:
            return;  // a hold, or a mode the player does not know: nothing changes
    }
}

}  // namespace kelno
