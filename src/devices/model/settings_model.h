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

#include <functional>
#include <utility>

#include "devices/hid/command_report.h"
#include "devices/model/commit_result.h"
#include "devices/model/device_link.h"

namespace kelno {

template <typename State>
class SettingsModel {
  public:
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
    void Apply(const Edit& edit, CommitDone done = {}) {
        State wanted = shown_;
        edit(wanted);
        Clamp(wanted);
        if (!Accepts(wanted)) {
            Show(shown_);
            if (done) done(CommitResult::Refused);
            return;
        }
        Show(wanted);
        Write(wanted, [this, wanted, done](int result) {
            CommitResult outcome = CommitResult::Refused;
            if (result == kChannelOk) {
                const State before = stored_;
                Store(wanted);
                if (Save()) {
                    outcome = CommitResult::Stored;
                } else {
                    // The file keeps the old state: so does the device.
                    Store(before);
                    SendStored();
                    outcome = CommitResult::NotSaved;
                }
            }
            WriteEnded(result);
            if (done) done(outcome);
        });
    }

    // What the device reports it holds: stored and saved as it is.
    void TakeFromDevice(const Edit& edit) {
        State state = stored_;
        edit(state);
        Clamp(state);
        Store(state);
        Save();
        Show(state);
    }

    // Sends the stored state whole (a profile switch, a reset); nothing is
    // stored. The channel's result, or kChannelOk once queued.
    int SendStored() {
        return Write(stored_, [this](int result) { WriteEnded(result); });
    }

  protected:
    // The state as the profile holds it now (a load): nothing is written.
    void TakeState(const State& state) {
        stored_ = state;
        Show(state);
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
    // Writes `state` on the device worker; `ended(result)` on the owner's
    // thread. Runs at once when there is no owner's thread.
    int Write(const State& state, std::function<void(int)> ended) {
        ++writesUnderWay_;
        const auto finish = [this, ended = std::move(ended)](int result) {
            --writesUnderWay_;
            ended(result);
        };
        if (!link_.Command().IsOpen()) {
            finish(kChannelNoAnswer);
            return kChannelNoAnswer;
        }
        std::function<int()> write = WriteOf(state);
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

    // Every write's end: the owner hears its result, and with nothing else
    // on its way the state shown is the stored one.
    void WriteEnded(int result) {
        if (writeListener_) writeListener_(result);
        if (writesUnderWay_ == 0 && !(shown_ == stored_)) Show(stored_);
    }

    void Show(const State& state) {
        shown_ = state;
        if (stateListener_) stateListener_(shown_);
    }

    State stored_{};
    State shown_{};
    int writesUnderWay_ = 0;
    std::function<void(const State&)> stateListener_;
    std::function<void(int)> writeListener_;
};

}  // namespace kelno
