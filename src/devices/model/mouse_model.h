#pragma once
// MouseModel: the mouse's settings as typed state over its profile, on the
// one commit path of SettingsModel: the whole 66-byte block of profile 0 is
// written, and stored only when the mouse took it.

#include <array>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "devices/model/settings_model.h"
#include "devices/models/mouse_wire.h"
#include "profiles/mouse_profile_data.h"
#include "profiles/profile_records.h"

namespace kelno {

namespace mouse {
// The pointer and report settings the profile keeps beside the stages, in
// the page's own units (slider positions and flags).
enum SystemSetting : int {
    kDoubleClick = 0,
    kPointerSpeed = 1,
    kPointerPrecision = 2,
    kWheelPage = 3,
    kWheelLines = 4,
    kReportRate = 5,
};
}  // namespace mouse

struct MouseState {
    LightSetting light;
    std::vector<DpiStage> stages;
    int activeStage = 0;
    std::array<uint16_t, 6> system{};  // by mouse::SystemSetting

    bool operator==(const MouseState&) const = default;
};

class MouseModel final : public SettingsModel<MouseState> {
  public:
    explicit MouseModel(DeviceLink& link) : SettingsModel(link) {}

    CMouseProfiledata& Profile() { return profile_; }
    const CMouseProfiledata& Profile() const { return profile_; }

    // The screen size and DPI range the block and the clamping use.
    void SetScreenSize(int width, int height);
    void SetDpiRange(const mouse::DpiRange& range) { range_ = range; }

    // The profile as loaded becomes the state (nothing is written); the
    // changes on their way carry over only when it is the same profile.
    void TakeProfile();

    // The block for a state as the mouse takes it (profile 0, flag 1).
    std::array<uint8_t, mouse::kSettingsWriteSize> BlockOf(const MouseState& state);

  private:
    // DPI steps within the mouse's range (when it gave one), the active
    // stage among the stages, a report rate the mouse has.
    void Clamp(MouseState& state) const override;
    // The mouse needs a stage to be in.
    bool Accepts(const MouseState& state) const override;
    std::function<int()> WriteOf(const MouseState& state) override;
    void StoreInProfile(const MouseState& state) override;
    bool Save() override;

    CMouseProfiledata profile_;
    std::filesystem::path takenPath_;  // of the profile last taken
    int screenWidth_ = 0;
    int screenHeight_ = 0;
    mouse::DpiRange range_{};
};

}  // namespace kelno
