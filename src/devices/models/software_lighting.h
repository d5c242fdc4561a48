#pragma once
// The software lighting state of one device: the colour and level of each
// LED and the animation position of the effect that drives them, plus the
// per-key levels of reactive effects and the 23-entry ring of the ring
// effects. The UI thread (key toggles, button colours) and the device's
// lighting thread (effect steps, frames) share it, so every operation takes
// the object's lock.

#include <array>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <vector>

#include "devices/models/light_tables.h"

namespace kelno {

struct LedColour {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    uint8_t level = 0;  // 0 to 255
    bool operator==(const LedColour&) const = default;
};

// What the effects read from the device's light setting.
struct EffectParameters {
    int brightness = 0;  // 0 to 24 (clamped where used)
    int speed = 0;       // 0 to 5 (clamped where used)
    bool forward = false;
    bool multiColour = false;
    Rgb colour;
};

class SoftwareLighting {
public:
    static constexpr int kKeyLevelCount = 126;
    static constexpr int kRingSize = 23;
    using Clock = std::chrono::steady_clock;

    explicit SoftwareLighting(int ledCount = 0);

    // Resizes the LED list and zeroes every entry.
    void SetLedCount(int count);
    int LedCount() const;

    void SetParameters(const EffectParameters& parameters);
    EffectParameters Parameters() const;

    void SetLedColour(int index, LedColour colour);  // ignored out of range
    LedColour GetLedColour(int index) const;          // zero out of range
    std::vector<LedColour> LedColours() const;
    void SetLedColours(const std::vector<LedColour>& colours);  // extra entries ignored

    // Restarts the animation: phase, colour position, blink state, key
    // levels and ring.
    void ResetAnimation();

    // One call of each effect (see the effect descriptions in the device
    // documentation): breathing, four-colour breathing, steady colour,
    // colour cycle, blinking (uses `now`), four-colour blinking, all off.
    void Breathe();
    void BreatheFourColours();
    void Static();
    void ColourCycle();
    void Blink(Clock::time_point now);
    void BlinkFourColours(Clock::time_point now);
    void Off();

    // The frame sent to the device: red, green, blue of each LED scaled by
    // its level, 3 bytes per LED.
    std::vector<uint8_t> Frame() const;

    // Reactive key levels (index 0 to 125; others are ignored).
    void RaiseKeyLevel(int index, bool fine);
    void LowerKeyLevel(int index, bool fine);
    uint8_t KeyLevel(int index) const;
    void SetKeyLevel(int index, uint8_t level);

    // The ring: rotating by one, copying ring marks 0 to 8 into key levels,
    // and clearing key levels and ring together.
    // The first `length` entries rotate; ring marks 0 to `count` - 1 light
    // their key levels.
    void RotateRing(bool forward, int length = kRingSize);
    void MarkRingKeys(int count = 9);
    void ClearKeyLevels();
    // Key levels cleared and one mark on the ring, which the ripple and the
    // chases carry round (an empty ring would leave them dark).
    void RestartRing();
    uint8_t RingEntry(int index) const;
    void SetRingEntry(int index, uint8_t value);

    uint8_t Phase() const;
    uint8_t ColourIndex() const;

private:
    void FillAll(Rgb colour, uint8_t level);
    bool BlinkToggleDue(Clock::time_point now);

    mutable std::mutex mutex_;
    std::vector<LedColour> leds_;
    EffectParameters parameters_;
    uint8_t phase_ = 0;
    uint8_t colourIndex_ = 0;
    bool blinkOn_ = false;
    Clock::time_point lastToggle_{};
    std::array<uint8_t, kKeyLevelCount> keyLevels_{};
    // Its own array: a ring kept behind the key levels would run past them.
    std::array<uint8_t, kRingSize> ring_{};
    uint8_t ringSpare_ = 0;
};

}  // namespace kelno
