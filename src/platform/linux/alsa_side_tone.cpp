#include "platform/linux/alsa_side_tone.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <cmath>

namespace kelno::audio {
namespace {

// By preference: a dedicated side-tone element, then the microphone's
// playback path that USB headsets expose for it.
constexpr const char* kElementNames[] = {"Sidetone", "Mic"};

class AlsaSideTone : public SideToneControl {
  public:
    AlsaSideTone(snd_mixer_t* mixer, snd_mixer_elem_t* element)
        : mixer_(mixer), element_(element) {}
    ~AlsaSideTone() override { snd_mixer_close(mixer_); }

    std::optional<bool> On() override {
        if (!snd_mixer_selem_has_playback_switch(element_)) {
            // A level that cannot be read is not "off".
            const std::optional<double> level = Volume();
            if (!level) return std::nullopt;
            return *level > 0.0;
        }
        int on = 0;
        if (snd_mixer_selem_get_playback_switch(element_, SND_MIXER_SCHN_FRONT_LEFT, &on) < 0)
            return std::nullopt;
        return on != 0;
    }
    bool SetOn(bool on) override {
        // Without a switch, off is the lowest step.
        if (!snd_mixer_selem_has_playback_switch(element_)) return on || SetVolume(0.0);
        return snd_mixer_selem_set_playback_switch_all(element_, on ? 1 : 0) >= 0;
    }
    std::optional<double> Volume() override {
        long min = 0, max = 0, value = 0;
        if (snd_mixer_selem_get_playback_volume_range(element_, &min, &max) < 0 || max <= min ||
            snd_mixer_selem_get_playback_volume(element_, SND_MIXER_SCHN_FRONT_LEFT, &value) < 0)
            return std::nullopt;
        return static_cast<double>(value - min) / static_cast<double>(max - min);
    }
    bool SetVolume(double share) override {
        long min = 0, max = 0;
        if (snd_mixer_selem_get_playback_volume_range(element_, &min, &max) < 0) return false;
        return snd_mixer_selem_set_playback_volume_all(element_, MixerStep(share, min, max)) >= 0;
    }

  private:
    snd_mixer_t* mixer_;
    snd_mixer_elem_t* element_;
};

}  // namespace

long MixerStep(double share, long min, long max) {
    if (max <= min || !std::isfinite(share)) return min;
    return min + std::lround(std::clamp(share, 0.0, 1.0) * static_cast<double>(max - min));
}

std::unique_ptr<SideToneControl> OpenAlsaSideTone(const std::string& card) {
    if (card.empty() || card.find_first_not_of("0123456789") != std::string::npos) return nullptr;
    snd_mixer_t* mixer = nullptr;
    if (snd_mixer_open(&mixer, 0) < 0) return nullptr;
    const std::string device = "hw:" + card;
    if (snd_mixer_attach(mixer, device.c_str()) < 0 ||
        snd_mixer_selem_register(mixer, nullptr, nullptr) < 0 || snd_mixer_load(mixer) < 0) {
        snd_mixer_close(mixer);
        return nullptr;
    }
    for (const char* name : kElementNames) {
        snd_mixer_selem_id_t* id = nullptr;
        snd_mixer_selem_id_alloca(&id);
        snd_mixer_selem_id_set_name(id, name);
        snd_mixer_elem_t* element = snd_mixer_find_selem(mixer, id);
        if (element && snd_mixer_selem_has_playback_volume(element))
            return std::make_unique<AlsaSideTone>(mixer, element);
    }
    snd_mixer_close(mixer);
    return nullptr;
}

}  // namespace kelno::audio
