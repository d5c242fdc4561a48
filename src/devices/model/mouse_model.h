#pragma once
// MouseModel: the mouse's settings as typed state, its profile, and the one
// path by which a change reaches the mouse and the disk.
//
// Apply(edit) takes the state the user last asked for, edits it, clamps it,
// and writes the whole settings block on the device worker. Only when the
// mouse took it is the state stored into the profile and saved; a refused
// write leaves the profile and its file as they were, and the state shown
// goes back to what the mouse holds. A save that fails after the mouse took
// the change sends the stored block back, so the mouse and the file agree.
//
// Thread: everything here runs on the owner's thread (the UI thread in the
// window); the link's worker runs only the block write, with its own copy.

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "devices/model/commit_result.h"
#include "devices/model/device_link.h"
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

class MouseModel {
  public:
    using Edit = std::function<void(MouseState&)>;
    using Done = CommitDone;

    explicit MouseModel(DeviceLink& link);

    // What the view hears: the state to show changed (an edit, a write that
    // ended, a read-back or a profile load), and each write's channel result.
    void SetStateListener(std::function<void(const MouseState&)> listener) {
        stateListener_ = std::move(listener);
    }
    void SetWriteListener(std::function<void(int result)> listener) {
        writeListener_ = std::move(listener);
    }

    CMouseProfiledata& Profile() { return profile_; }
    const CMouseProfiledata& Profile() const { return profile_; }
    // What the mouse holds and the profile stores.
    const MouseState& Stored() const { return stored_; }
    // What the user last asked for (the stored state while nothing is on its
    // way to the mouse): what the view shows.
    const MouseState& Shown() const { return shown_; }

    // The screen size and DPI range the block and the clamping use.
    void SetScreenSize(int width, int height);
    void SetDpiRange(const mouse::DpiRange& range) { range_ = range; }

    // The profile as loaded becomes the state (nothing is written).
    void TakeProfile();
    // The one commit path of a user's change. `done` hears how it ended.
    void Apply(const Edit& edit, Done done = {});
    // What the mouse reports it holds: stored and saved as it is.
    void TakeFromDevice(const Edit& edit);
    // Sends the stored state whole (a profile switch, a reset); nothing is
    // stored. The channel's result, or kChannelOk once queued.
    int SendStored();

    // The block for a state as the mouse takes it.
    std::array<uint8_t, mouse::kSettingsWriteSize> BlockOf(const MouseState& state);

  private:
    // Writes `state`'s block on the device worker; `ended(result)` on the
    // owner's thread. Runs at once when there is no owner's thread.
    int Write(const MouseState& state, std::function<void(int)> ended);
    // Every write's end: the owner hears its result, and with nothing else
    // on its way the state shown is the stored one.
    void WriteEnded(int result);
    void Clamp(MouseState& state) const;
    void Store(const MouseState& state);
    void Show(const MouseState& state);

    DeviceLink& link_;
    CMouseProfiledata profile_;
    MouseState stored_;
    MouseState shown_;
    int writesUnderWay_ = 0;
    int screenWidth_ = 0;
    int screenHeight_ = 0;
    mouse::DpiRange range_{};
    std::function<void(const MouseState&)> stateListener_;
    std::function<void(int)> writeListener_;
};

}  // namespace kelno
