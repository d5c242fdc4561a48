#pragma once
// The software effects the mouse, the mouse pad and the headset share
// beyond the base set: the wave across the LEDs and the ring chases, which
// carry marks round the ring and let each LED fade behind them. Their
// positions belong to one device (one object per device, used by its
// lighting thread only).

#include <chrono>
#include <cstdint>

#include "devices/models/software_lighting.h"

namespace kelno {

// Time between two effect steps of a software-lit device at `speed`: a step
// every T[speed] passes of 2 ms, but at most one every 10 ms so the fastest
// speeds do not flood the device with frames; a custom effect, which paces
// its steps by their own times, is played every 10 ms.
std::chrono::milliseconds EffectStepInterval(int speed, bool customEffect);

// The wave: with multi-colour every LED takes the wheel colour
// `wheelSpacing` places after its neighbour; with one colour every LED
// takes the wave curve's level `curveSpacing` places after its neighbour's.
class WaveEffect {
  public:
    struct Shape {
        int wheelSpacing = 7;
        int curveSpacing = 7;
        uint8_t curveStep = 1;    // places the curve moves per step
        int curveOffset = 1;      // where LED 0 starts past the phase
    };
    explicit WaveEffect(Shape shape) : shape_(shape) {}
    void Step(SoftwareLighting& lighting, const EffectParameters& parameters);
    uint8_t Phase() const { return phase_; }

  private:
    Shape shape_;
    uint8_t phase_ = 0;
};

// The ring chases: every second call the ring's marks light their key
// levels and the first entries of the ring move one place; every LED (or,
// paired, every pair of LEDs facing each other) fades from its key level.
class RingChase {
  public:
    enum class Kind {
        Ring,    // every LED, the ring's first 23 entries
        Paired,  // the pairs (1, 14) ... (7, 8), the ring's first 8 entries
    };
    // `marked` key levels the ring marks (the LED count of the device).
    RingChase(Kind kind, int marked) : kind_(kind), marked_(marked) {}
    void Step(SoftwareLighting& lighting, const EffectParameters& parameters);
    uint8_t Phase() const { return phase_; }

  private:
    Kind kind_;
    int marked_;
    uint8_t phase_ = 0;
    uint8_t calls_ = 0;
};

}  // namespace kelno
