#pragma once
// SettingsModel<State>: the one commit path every device kind's settings
// take, over typed state.
//
// Apply(edit) takes the state the user last asked for (Shown), edits it,
// clamps it and writes it whole on the device worker. Only when the device
// took it is the state stored into the profile and saved; a refused write
// leaves the profile and its file as they were, and Shown goes back to what
// the device holds. A save that fails after the device took the change
// sends the stored state back, so the device and the file agree. Changes
// made while others are on their way build on them: each write is whole,
// so the last one to land decides.
//
// A kind says how its state is clamped and accepted, what transaction
// writes it, and how it goes into its profile.
//
// Thread: everything here runs on the owner's thread (the UI thread in the
// window, the caller's in a tool); the link's worker runs only the write,
// which holds its own copy of the bytes.

#include <algorithm>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <utility>

#include "devices/hid/command_report.h"
#include "devices/model/commit_result.h"
#include "devices/model/device_link.h"

namespace kelno {

template <typename State>
class SettingsModel {
  public:
    // An edit is kept until its write ends and may be run again then: it
    // holds its values by copy.
    using Edit = std::function<void(State&)>;

    explicit SettingsModel(DeviceLink& link) : link_(link) {}
    virtual ~SettingsModel() = default;
    SettingsModel(const SettingsModel&) = delete;
    SettingsModel& operator=(const SettingsModel&) = delete;

    // What the view hears: the state to show changed (an edit, a write that
    // ended, a read-back or a profile load), and each write's channel result.
    void SetStateListener(std::function<void(const State&)> listener) {
        stateListener_ = std::move(listener);
    }
    void SetWriteListener(std::function<void(int result)> listener) {
        writeListener_ = std::move(listener);
    }

    // What the device holds and the profile stores.
    const State& Stored() const { return stored_; }
    // What the user last asked for (the stored state while nothing is on its
    // way to the device): what the view shows.
    const State& Shown() const { return shown_; }

    // The one commit path of a user's change. `done` hears how it ended.
    // kChannelOk once the write is queued (or the result of a write made at
    // once); kChannelNoAnswer when the change was refused unsent.
    int Apply(const Edit& edit, CommitDone done = {}) {
        return ApplyWith(
            edit, [this](const State& state) { return WriteOf(state); }, std::move(done), true);
    }

    // What the device reports it holds: stored and saved as it is. False
    // when the file could not be written (the profile in memory holds it).
    [[nodiscard]] bool TakeFromDevice(const Edit& edit) {
        Store(Edited(stored_, edit));
        const bool saved = Save();
        deviceState_ = stored_;
        ShowStoredAndPending(true);
        return saved;
    }

    // A setting the device does not hold (a system input setting the
    // profile keeps, applied to the system whatever the device says):
    // stored and saved at once, then the stored state is sent as after any
    // change. False when the file could not be written; the profile then
    // keeps what it held.
    [[nodiscard]] bool StoreAtOnce(const Edit& edit) {
        const State before = stored_;
        Store(Edited(stored_, edit));
        const bool saved = Save();
        if (!saved) Store(before);
        ShowStoredAndPending(true);
        SendStored();
        return saved;
    }

    // Sends the stored state whole (a profile switch, a reset); nothing is
    // stored. The channel's result, or kChannelOk once queued.
    int SendStored() {
        return Write(WriteOf(stored_), [this, state = stored_](int result) {
            if (result == kChannelOk) deviceState_ = state;
            WriteEnded(result);
        });
    }

  protected:
    using WriteBuilder = std::function<std::function<int()>(const State&)>;

    // Apply with a write of the kind's own for this change: `whole` when it
    // puts the whole state on the device, else only what the edit changed
    // (a byte the device takes apart).
    int ApplyWith(const Edit& edit, const WriteBuilder& writeOf, CommitDone done, bool whole) {
        State wanted = Edited(shown_, edit);
        if (!Accepts(wanted)) {
            Show(shown_);
            if (done) done(CommitResult::Refused);
            return kChannelNoAnswer;
        }
        const uint64_t id = ++lastChange_;
        pending_.push_back({id, edit});
        Show(wanted);
        return Write(writeOf(wanted), [this, id, edit, wanted, whole, done](int result) {
            const auto change = std::find_if(pending_.begin(), pending_.end(),
                                             [id](const Pending& p) { return p.id == id; });
            // A change made for a profile the user has left since is not
            // stored in the one shown now.
            const bool ofThisProfile = change != pending_.end();
            if (ofThisProfile) pending_.erase(change);
            CommitResult outcome = CommitResult::Refused;
            if (result == kChannelOk) {
                if (whole)
                    deviceState_ = wanted;
                else if (deviceState_)
                    deviceState_ = Edited(*deviceState_, edit);
            }
            if (result == kChannelOk && ofThisProfile) {
                // Onto what is stored now: the same profile loaded again
                // meanwhile keeps what this change did not touch.
                const State before = stored_;
                Store(Edited(stored_, edit));
                if (Save()) {
                    outcome = CommitResult::Stored;
                } else {
                    // The file keeps the old state: so will the device.
                    Store(before);
                    outcome = CommitResult::NotSaved;
                }
            }
            WriteEnded(result);
            if (done) done(outcome);
        });
    }

    // The state as the profile holds it now (a load): nothing is written.
    // The changes on their way carry over to the same profile loaded again;
    // another profile drops them.
    void TakeState(const State& state, bool sameProfile) {
        if (!sameProfile) pending_.clear();
        stored_ = state;
        ShowStoredAndPending(true);
    }

    virtual void Clamp(State& /*state*/) const {}
    // False for a state the device cannot be in; such a change is refused
    // unsent.
    virtual bool Accepts(const State& /*state*/) const { return true; }
    // The transaction that writes `state` (transactions only, any thread),
    // built now with its own copy of the bytes.
    virtual std::function<int()> WriteOf(const State& state) = 0;
    // Into the profile in memory, and the profile to its file (true when
    // saved, or when there is no file to save to).
    virtual void StoreInProfile(const State& state) = 0;
    virtual bool Save() = 0;

    DeviceLink& link_;

  private:
    State Edited(State state, const Edit& edit) const {
        edit(state);
        Clamp(state);
        return state;
    }

    // Runs `write` on the device worker; `ended(result)` on the owner's
    // thread. Runs it at once when there is no owner's thread.
    int Write(std::function<int()> write, std::function<void(int)> ended) {
        ++writesUnderWay_;
        const auto finish = [this, ended = std::move(ended)](int result) {
            --writesUnderWay_;
            ended(result);
        };
        if (!link_.Command().IsOpen()) {
            finish(kChannelNoAnswer);
            return kChannelNoAnswer;
        }
        // A device that went away while the write was on its way still ends
        // the change: what is shown goes back to what is stored.
        if (link_.RunOnDevice([write] { return write(); }, finish, StaleResult::Deliver))
            return kChannelOk;
        const int result = write();
        finish(result);
        return result;
    }

    void Store(const State& state) {
        stored_ = state;
        StoreInProfile(state);
    }

    // Every write's end: the owner hears its result and is shown the stored
    // state with the changes still on their way. When the writes are done
    // and the device was last given something other than what is stored (a
    // profile loaded or a save that failed while a change was on its way),
    // the stored state follows, so the device and the file agree.
    void WriteEnded(int result) {
        if (writeListener_) writeListener_(result);
        ShowStoredAndPending();
        if (result == kChannelOk && writesUnderWay_ == 0 && deviceState_ &&
            !(*deviceState_ == stored_))
            SendStored();
    }

    void ShowStoredAndPending(bool always = false) {
        State state = stored_;
        for (const Pending& change : pending_) state = Edited(state, change.edit);
        if (always || !(state == shown_)) Show(state);
    }

    void Show(const State& state) {
        shown_ = state;
        if (stateListener_) stateListener_(shown_);
    }

    State stored_{};
    State shown_{};
    // The changes on their way for the profile shown, oldest first.
    struct Pending {
        uint64_t id = 0;
        Edit edit;
    };
    std::deque<Pending> pending_;
    uint64_t lastChange_ = 0;
    // What the device was last given or reported, when known.
    std::optional<State> deviceState_;
    int writesUnderWay_ = 0;
    std::function<void(const State&)> stateListener_;
    std::function<void(int)> writeListener_;
};

}  // namespace kelno
