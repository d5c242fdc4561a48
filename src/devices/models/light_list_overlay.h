#pragma once
// The per-LED light list a profile can lay over any effect: entry i drives
// LED i by its own mode (0 breathing, 1 steady, 2 blinking, 3 colour cycle,
// 4 off; other modes leave the LED as the effect painted it), each LED with
// its own animation state. Not locked: the device guards it with its
// light-list lock.

#include <chrono>
#include <cstdint>
#include <vector>

#include "devices/models/software_lighting.h"
#include "profiles/profile_records.h"

namespace kelno {

class LightListOverlay {
  public:
    using Clock = SoftwareLighting::Clock;

    // Takes a new list and restarts every LED's animation.
    void Reset(std::vector<LightListEntry> entries);
    const std::vector<LightListEntry>& Entries() const { return entries_; }

    // True when some entry changes its LED over time (breathing, blinking,
    // colour cycle), so the list alone keeps a still effect moving.
    bool Animates() const;

    // One pass over the LEDs the list covers.
    void Apply(SoftwareLighting& lighting, Clock::time_point now);

  private:
    struct LedState {
        uint8_t breathPhase = 0;
        uint8_t breathColour = 0;
        bool blinkOn = false;
        Clock::time_point lastToggle{};
        uint8_t blinkColour = 0;
        uint8_t cycleCounter = 0;
        uint8_t cycleColour = 0;
    };

    std::vector<LightListEntry> entries_;
    std::vector<LedState> states_;
};

}  // namespace kelno
