#pragma once
// The headset's own side-tone: the playback element of the card's mixer
// that feeds the microphone to the ear ("Sidetone", else "Mic"), through
// libasound. Where a card has one, it is used instead of a loopback stream.

#include <memory>
#include <optional>
#include <string>

namespace kelno::audio {

class SideToneControl {
  public:
    virtual ~SideToneControl() = default;
    virtual std::optional<bool> On() = 0;
    virtual bool SetOn(bool on) = 0;
    // 0 to 1 of the element's range.
    virtual std::optional<double> Volume() = 0;
    virtual bool SetVolume(double share) = 0;
};

// The element's step for a share of its range, rounded: a share read back
// gives the same step.
long MixerStep(double share, long min, long max);

// The side-tone element of ALSA card `card` (its number, as "alsa.card"
// says it); empty when the card or the element is missing.
std::unique_ptr<SideToneControl> OpenAlsaSideTone(const std::string& card);

}  // namespace kelno::audio
