#pragma once
// A headset page for the audio panels' tests: a device page answering the
// audio actions interface with a fake that keeps the settings, curves and
// names as the real page does, records every write as a line ("SetBand 3
// 5") and refuses the writes a test names.

#include <set>
#include <string>
#include <vector>

#include "devices/models/usb_device.h"
#include "headset/headset_audio_actions.h"

namespace kelno::test {

class FakeAudioActions final : public IHeadsetAudioActions {
  public:
    using Settings = HeadsetSystemSettings;

    HeadsetSystemSettings AudioSettings() const override { return settings; }
    EqGains BandsInUse() const override { return bands; }
    std::vector<std::string> CustomCurveNames() const override { return names; }
    bool VoiceChangerSupported() const override { return supported; }

    bool SetMicOn(bool on) override;
    bool SetMicVolume(int value) override;
    bool SetMonitorOn(bool on) override;
    bool SetMonitorVolume(int value) override;
    bool ChoosePreset(int preset) override;
    bool SetBand(int band, int gain) override;
    bool ApplyCustomCurve(int index) override;
    SaveCurveResult SaveCustomCurve(const std::string& name, const EqGains& gains) override;
    bool DeleteCustomCurve() override;
    bool SetVoiceChangerOn(bool on) override;
    bool ChooseVoice(int voice) override;

    int& Value(Settings::Index index) { return settings.values[index]; }
    // Custom curves by name, the first one selected (preset 13 in use).
    void UseCustomCurves(std::vector<std::string> curveNames, int selected);

    HeadsetSystemSettings settings;
    EqGains bands{};
    std::vector<std::string> names;
    std::vector<EqGains> curves;
    bool supported = true;
    std::set<std::string> refused;   // by action name: "SetMicOn", ...
    std::vector<std::string> calls;  // every write, in order

  private:
    // Records the call; false when the test refuses it.
    bool Accept(const std::string& action, const std::string& arguments = {});
    // Sets one setting when accepted.
    bool Store(const std::string& action, Settings::Index index, int value);
};

class FakeHeadsetPage final : public CZembravaUSBDevice {
  public:
    void* GetInterface(std::string_view name) override;
    FakeAudioActions actions;
};

}  // namespace kelno::test
