#pragma once
// Plays a device's custom effect: a list of steps (breathing, steady,
// blinking, wave, colour cycle), each shown for its "Time" in milliseconds,
// then the next, round and round. One call per lighting pass sets the LED
// colours; the device sends them.
//
// The player belongs to one device: two devices playing custom effects at
// once never share a step, a phase or a blink.

#include <chrono>
#include <cstdint>
#include <mutex>
#include <vector>

#include "devices/models/software_lighting.h"
#include "profiles/profile_records.h"

namespace kelno {

class CustomEffectPlayer {
  public:
    using Clock = std::chrono::steady_clock;

    // Step modes.
    static constexpr uint8_t kBreathing = 0;
    static constexpr uint8_t kSteady = 1;
    static constexpr uint8_t kBlinking = 2;
    static constexpr uint8_t kHold = 3;
    static constexpr uint8_t kWave = 4;
    static constexpr uint8_t kColourCycle = 5;

    // A new effect starts at its first step (any thread).
    void SetSteps(std::vector<LightEffectStep> steps);
    // One lighting pass at `now`. `deviceSpeed` is the device's own light
    // speed, which paces blinking.
    void Play(SoftwareLighting& lighting, int deviceSpeed, Clock::time_point now);
    size_t StepIndex() const;

  private:
    void ShowStep(const LightEffectStep& step, SoftwareLighting& lighting, int deviceSpeed,
                  Clock::time_point now);

    mutable std::mutex mutex_;
    std::vector<LightEffectStep> steps_;
    size_t index_ = 0;
    bool started_ = false;
    Clock::time_point stepStart_{};
    // Kept across steps: the phase runs on when the step changes.
    uint8_t passes_ = 0;
    uint8_t phase_ = 0;
    bool blinkOn_ = false;
    Clock::time_point lastToggle_{};
    uint8_t blinkColour_ = 0;
};

}  // namespace kelno
