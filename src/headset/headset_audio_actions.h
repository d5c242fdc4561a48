#pragma once
// What the headset's audio panels (equaliser and microphone, voice changer)
// ask of the headset page. The page writes the audio property first; only
// when the write succeeded do its settings and its profile (saved) change.
// A false result means nothing changed: the panel shows the stored value
// again. All on the UI thread.

#include <array>
#include <string>
#include <vector>

#include "profiles/headset_profile_data.h"

namespace kelno {

inline constexpr int kEqBandCount = CHs6533Profiledata::kBandCount;
using EqGains = std::array<int, kEqBandCount>;

// Results of saving a custom equaliser curve.
enum class SaveCurveResult {
    Nothing,    // an empty name with no curve selected
    Full,       // a new name, but the list holds kMaxCustomCurves curves already
    Duplicate,  // the name exists already (case is ignored)
    Saved,
    Failed,     // the profile could not be saved
};

// The headset page answers GetInterface(kHeadsetAudioActionsInterface)
// with its IHeadsetAudioActions.
inline constexpr const char* kHeadsetAudioActionsInterface = "HeadsetAudioActions";

class IHeadsetAudioActions {
  public:
    virtual ~IHeadsetAudioActions() = default;

    // What the panels show.
    virtual HeadsetSystemSettings AudioSettings() const = 0;
    virtual EqGains BandsInUse() const = 0;
    virtual std::vector<std::string> CustomCurveNames() const = 0;
    // False when the capture device has no voice changer (the panel is
    // disabled and says so).
    virtual bool VoiceChangerSupported() const = 0;

    virtual bool SetMicOn(bool on) = 0;
    virtual bool SetMicVolume(int value) = 0;  // 0 to 100
    virtual bool SetMonitorOn(bool on) = 0;
    virtual bool SetMonitorVolume(int value) = 0;  // 0 to 100
    // Presets 1-12: the equaliser on with the preset's gains; 13: the
    // selected custom curve.
    virtual bool ChoosePreset(int preset) = 0;
    // One band (0-9); a preset in use becomes the custom setting with no
    // curve selected.
    virtual bool SetBand(int band, int gain) = 0;
    virtual bool ApplyCustomCurve(int index) = 0;
    // An empty name overwrites the selected curve; otherwise a new curve.
    virtual SaveCurveResult SaveCustomCurve(const std::string& name, const EqGains& gains) = 0;
    // Removes the selected curve, name and gains together.
    virtual bool DeleteCustomCurve() = 0;
    virtual bool SetVoiceChangerOn(bool on) = 0;
    virtual bool ChooseVoice(int voice) = 0;  // 1 to 4
};

}  // namespace kelno
