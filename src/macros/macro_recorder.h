#pragma once
// Turns the inputs captured during a recording into changes of the action
// list: where each event goes, the delay it carries and the delay it gives
// the event before it, the selection afterwards, and which inputs are
// repeats to drop. Times are handed in by the caller, never read from a
// clock here, so a recording can be replayed exactly.

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "macros/delay_text.h"
#include "macros/macro_action_list.h"
#include "macros/macro_event.h"

namespace kelno {

enum class MacroTimingMode : int32_t {
    RealTime = 1,    // the time between the user's inputs
    FixedDelay = 2,  // the fixed delay after every event
    NoDelay = 3,     // 0 everywhere
};

enum class MacroCaptureKind {
    Append,        // after the last action
    InsertBefore,  // before the selected action, which stays selected
    InsertAfter,   // after the selected action; later inputs follow
    Replace,       // the selected action takes the key or button
};

enum class RecordedSource { Keyboard, Mouse };

// One captured input, already resolved to an event by the caller (key
// through the key-capture table, mouse message through the mouse event
// table). Inputs that resolve to nothing are not passed on.
struct RecordedInput {
    RecordedSource source = RecordedSource::Keyboard;
    // What makes two inputs the same for the repeat filter: scan code and
    // extended flag for keys, message and button for the mouse.
    uint32_t identity = 0;
    MacroEvent event;  // type, button and down; the delay is decided here
    std::chrono::steady_clock::time_point time;
    // A left click on the stop button ends the recording and is not an action.
    bool onStopButton = false;

    static RecordedInput Key(uint16_t scanCode, bool extended, const MacroEvent& event,
                             std::chrono::steady_clock::time_point time);
    static RecordedInput Mouse(uint16_t message, const MacroEvent& event,
                               std::chrono::steady_clock::time_point time,
                               bool onStopButton = false);
};

// What one input does to the action list.
struct RecordedStep {
    enum class Kind { Nothing, Insert, Replace };
    Kind kind = Kind::Nothing;
    // Insert: where the event goes. Replace: the action that changes.
    int position = MacroActionList::kNoSelection;
    // Insert: the new event with its own delay (the integer 0 at the top of
    // the list). Replace: the action as it is afterwards.
    MacroEvent event;
    // Insert: the new delay of the action before `position`, if it changes.
    std::optional<uint16_t> previousDelay;
    int selection = MacroActionList::kNoSelection;  // afterwards
    // The macro is full: this input was not recorded, and the recording is
    // to end here (Finish gives the releases of what is still held).
    bool limitReached = false;

    bool operator==(const RecordedStep&) const = default;
};

class MacroRecorder {
  public:
    // Begins a recording: the repeat memories are forgotten, the time of
    // the start is the time of the last event, and in FixedDelay mode the
    // fixed delay is read from `fixedDelayText` (the returned DelayText says
    // whether the edit must show the value read). In the other modes the
    // text is not read and the current fixed delay is returned.
    DelayText Start(MacroTimingMode mode, MacroCaptureKind kind, std::string_view fixedDelayText,
                    std::chrono::steady_clock::time_point now);
    void Stop() { recording_ = false; }
    bool IsRecording() const { return recording_; }
    // Ends the recording: every key or button pressed in it and not yet
    // released gets its release (the last pressed first), so a macro never
    // ends with a key held down. The steps are applied to `list` and
    // returned, in order, for the view. The room for them was kept free
    // while recording.
    std::vector<RecordedStep> Finish(MacroActionList& list,
                                     std::chrono::steady_clock::time_point now);

    MacroTimingMode Mode() const { return mode_; }
    MacroCaptureKind Kind() const { return kind_; }
    uint16_t FixedDelay() const { return fixedDelay_; }
    // Reads and keeps the fixed delay (also used for actions inserted by hand).
    DelayText ReadFixedDelay(std::string_view text);

    // Decides what `input` does to `list` and updates the recorder's own
    // state (repeat memories, last event time, pending delay). Call once per
    // input, then apply the step; Record does both.
    RecordedStep OnInput(const RecordedInput& input, const MacroActionList& list);
    RecordedStep Record(const RecordedInput& input, MacroActionList& list);

  private:
    bool IsRepeat(const RecordedInput& input);
    uint16_t NextDelay(std::chrono::steady_clock::time_point now);
    RecordedStep InsertStep(const RecordedInput& input, const MacroActionList& list);
    // Where `event` goes and the delays it sets (the input was accepted).
    RecordedStep PlaceStep(const MacroEvent& event, std::chrono::steady_clock::time_point time,
                           const MacroActionList& list);
    // Whether the list keeps room for `event` and then for the releases of
    // every press still held.
    bool Fits(const MacroEvent& event, const MacroActionList& list) const;
    void TrackHeld(const MacroEvent& event);
    std::vector<MacroEvent>::const_iterator FindHeld(const MacroEvent& event) const;
    RecordedStep ReplaceStep(const RecordedInput& input, const MacroActionList& list);

    MacroTimingMode mode_ = MacroTimingMode::RealTime;
    MacroCaptureKind kind_ = MacroCaptureKind::Append;
    uint16_t fixedDelay_ = MacroLimits::kDefaultFixedDelay;
    // Once an event was recorded, each further one also sets the delay of
    // the action before it (kept across recordings).
    bool pendingDelay_ = false;
    bool recording_ = false;
    std::chrono::steady_clock::time_point lastEventTime_{};
    // The last accepted press per source; a key's release forgets it.
    std::array<std::optional<uint32_t>, 2> lastAccepted_{};
    // Keys and buttons this recording pressed and has not released, in the
    // order pressed.
    std::vector<MacroEvent> held_;
};

// Applies a step to the list the panel mirrors.
void ApplyRecordedStep(const RecordedStep& step, MacroActionList& list);

}  // namespace kelno
