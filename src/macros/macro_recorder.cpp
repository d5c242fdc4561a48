#include "macros/macro_recorder.h"

#include <algorithm>

namespace kelno {
namespace {

size_t SourceSlot(RecordedSource source) {
    return source == RecordedSource::Keyboard ? 0 : 1;
}

// Keys and buttons are pressed and released; a pointer move's "down" is
// its direction.
bool IsPressOrRelease(const MacroEvent& event) {
    switch (static_cast<MacroEventType>(event.type)) {
        case MacroEventType::MouseButton:
        case MacroEventType::ModifierKey:
        case MacroEventType::Key:
            return true;
        default:
            return false;
    }
}

bool SameKeyOrButton(const MacroEvent& a, const MacroEvent& b) {
    return a.type == b.type && a.button == b.button;
}

}  // namespace

RecordedInput RecordedInput::Key(uint16_t scanCode, bool extended, const MacroEvent& event,
                                 std::chrono::steady_clock::time_point time) {
    return {RecordedSource::Keyboard, uint32_t{scanCode} | (extended ? 1u << 16 : 0u), event, time,
            false};
}

RecordedInput RecordedInput::Mouse(uint16_t message, const MacroEvent& event,
                                   std::chrono::steady_clock::time_point time, bool onStopButton) {
    return {RecordedSource::Mouse, uint32_t{message} | uint32_t{event.button} << 16, event, time,
            onStopButton};
}

DelayText MacroRecorder::ReadFixedDelay(std::string_view text) {
    const DelayText read = ReadDelayText(text);
    fixedDelay_ = read.value;
    return read;
}

DelayText MacroRecorder::Start(MacroTimingMode mode, MacroCaptureKind kind,
                               std::string_view fixedDelayText,
                               std::chrono::steady_clock::time_point now) {
    mode_ = mode;
    kind_ = kind;
    lastEventTime_ = now;
    recording_ = true;
    // One recording runs one capture kind, so forgetting at every start
    // gives each kind a memory of its own; a key held over from an earlier
    // recording must not swallow the first press of this one.
    lastAccepted_ = {};
    held_.clear();
    if (mode == MacroTimingMode::FixedDelay) return ReadFixedDelay(fixedDelayText);
    return {fixedDelay_, false, std::to_string(fixedDelay_)};
}

bool MacroRecorder::IsRepeat(const RecordedInput& input) {
    std::optional<uint32_t>& memory = lastAccepted_[SourceSlot(input.source)];
    const bool same = memory == input.identity;
    if (input.source == RecordedSource::Keyboard && !input.event.down) {
        // Releases always count; the released key may be pressed again.
        if (same) memory.reset();
        return false;
    }
    // A held key repeats its press; the mouse reports a second press of a
    // button without a release in between: neither is a new action.
    if (same) return true;
    memory = input.identity;
    return false;
}

uint16_t MacroRecorder::NextDelay(std::chrono::steady_clock::time_point now) {
    switch (mode_) {
        case MacroTimingMode::RealTime: {
            const auto elapsed =
                std::chrono::duration_cast<std::chrono::milliseconds>(now - lastEventTime_).count();
            lastEventTime_ = now;
            return static_cast<uint16_t>(std::clamp<long long>(elapsed, 0, MacroLimits::kMaxDelay));
        }
        case MacroTimingMode::FixedDelay:
            return fixedDelay_;
        case MacroTimingMode::NoDelay:
            break;
    }
    return 0;
}

std::vector<MacroEvent>::const_iterator MacroRecorder::FindHeld(const MacroEvent& event) const {
    return std::find_if(held_.begin(), held_.end(),
                        [&](const MacroEvent& h) { return SameKeyOrButton(h, event); });
}

bool MacroRecorder::Fits(const MacroEvent& event, const MacroActionList& list) const {
    size_t heldAfter = held_.size();
    if (IsPressOrRelease(event)) {
        if (event.down)
            ++heldAfter;
        else if (FindHeld(event) != held_.end())
            --heldAfter;
    }
    return static_cast<size_t>(list.Size()) + 1 + heldAfter <=
           static_cast<size_t>(MacroLimits::kEventsPerMacro);
}

void MacroRecorder::TrackHeld(const MacroEvent& event) {
    if (!IsPressOrRelease(event)) return;
    if (event.down) {
        held_.push_back(event);
    } else if (const auto held = FindHeld(event); held != held_.end()) {
        held_.erase(held);
    }
}

RecordedStep MacroRecorder::InsertStep(const RecordedInput& input, const MacroActionList& list) {
    if (IsRepeat(input) || input.onStopButton) return {};
    if (kind_ != MacroCaptureKind::Append && list.Selected() == MacroActionList::kNoSelection)
        return {};
    if (!Fits(input.event, list)) {
        RecordedStep full;
        full.limitReached = true;
        return full;
    }
    TrackHeld(input.event);
    return PlaceStep(input.event, input.time, list);
}

RecordedStep MacroRecorder::PlaceStep(const MacroEvent& event,
                                      std::chrono::steady_clock::time_point time,
                                      const MacroActionList& list) {
    const int selected = list.Selected();
    int position = list.Size();
    if (kind_ != MacroCaptureKind::Append)
        position = kind_ == MacroCaptureKind::InsertBefore ? selected : selected + 1;
    const uint16_t delay = NextDelay(time);

    RecordedStep step;
    step.kind = RecordedStep::Kind::Insert;
    step.position = position;
    step.event = event;
    // The delay of an event is the wait after it, known only when the next
    // one arrives: the newest event waits nothing (or the fixed delay) and
    // the one before it receives the time just measured.
    if (position == 0) {
        step.event.delay = 0;
        step.event.integerDelay = true;
    } else {
        step.event.delay = mode_ == MacroTimingMode::FixedDelay ? fixedDelay_ : 0;
        step.event.integerDelay = false;
        if (pendingDelay_) step.previousDelay = delay;
    }
    pendingDelay_ = true;
    // Inserting before keeps the selected action selected, so further inputs
    // keep landing in front of it.
    step.selection = kind_ == MacroCaptureKind::InsertBefore ? position + 1 : position;
    return step;
}

RecordedStep MacroRecorder::ReplaceStep(const RecordedInput& input, const MacroActionList& list) {
    const int selected = list.Selected();
    if (selected == MacroActionList::kNoSelection) return {};
    if (IsRepeat(input) || input.onStopButton) return {};
    RecordedStep step;
    step.kind = RecordedStep::Kind::Replace;
    step.position = selected;
    step.event = list.Events()[static_cast<size_t>(selected)];
    step.event.type = input.event.type;
    step.event.button = input.event.button;
    step.selection = selected;
    return step;
}

RecordedStep MacroRecorder::OnInput(const RecordedInput& input, const MacroActionList& list) {
    if (!recording_) return {};
    if (kind_ == MacroCaptureKind::Replace) return ReplaceStep(input, list);
    return InsertStep(input, list);
}

std::vector<RecordedStep> MacroRecorder::Finish(MacroActionList& list,
                                                std::chrono::steady_clock::time_point now) {
    recording_ = false;
    std::vector<RecordedStep> steps;
    const bool placeable =
        kind_ == MacroCaptureKind::Append || list.Selected() != MacroActionList::kNoSelection;
    while (!held_.empty()) {
        MacroEvent release = held_.back();
        held_.pop_back();
        release.down = false;
        if (!placeable || list.IsFull()) continue;
        steps.push_back(PlaceStep(release, now, list));
        ApplyRecordedStep(steps.back(), list);
    }
    return steps;
}

RecordedStep MacroRecorder::Record(const RecordedInput& input, MacroActionList& list) {
    const RecordedStep step = OnInput(input, list);
    ApplyRecordedStep(step, list);
    return step;
}

void ApplyRecordedStep(const RecordedStep& step, MacroActionList& list) {
    switch (step.kind) {
        case RecordedStep::Kind::Nothing:
            return;
        case RecordedStep::Kind::Insert:
            if (!list.Insert(step.position, step.event)) return;
            if (step.previousDelay) list.SetDelay(step.position - 1, *step.previousDelay);
            break;
        case RecordedStep::Kind::Replace:
            if (!list.ReplaceKey(step.position, step.event.type, step.event.button)) return;
            break;
    }
    list.Select(step.selection);
}

}  // namespace kelno
