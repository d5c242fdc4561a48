#pragma once
// The actions of the macro open in the editor and the selected one: the
// model the action list on screen mirrors. Reordering, deleting, inserting
// mouse actions by hand and the changes a recording makes all happen here,
// so every rule about positions and selection lives in one place.

#include <cstdint>
#include <vector>

#include "macros/macro_event.h"
#include "macros/mouse_event_lookup.h"

namespace kelno {

// Distances typed for the four pointer moves (clamped when used).
struct PointerMoveDistances {
    long left = 0;
    long right = 0;
    long up = 0;
    long down = 0;
};

enum class MacroInsertResult {
    Inserted,
    Full,           // the list would pass MacroLimits::kEventsPerMacro
    UnknownAction,  // a message or variant that names no mouse action
};

class MacroActionList {
  public:
    static constexpr int kNoSelection = -1;

    MacroActionList() = default;

    // Replaces the actions (a macro was selected or reloaded); nothing is
    // selected afterwards. More than kEventsPerMacro events are cut there.
    void Load(std::vector<MacroEvent> events);

    const std::vector<MacroEvent>& Events() const { return events_; }
    int Size() const { return static_cast<int>(events_.size()); }
    bool IsFull() const { return Size() >= MacroLimits::kEventsPerMacro; }
    int Selected() const { return selected_; }
    // An index outside the list clears the selection.
    void Select(int index);

    // The delay edit of action `index`; false for an index outside the list.
    bool SetDelay(int index, uint16_t delay);

    // Each moves the selected action and keeps it selected; false (and no
    // change) without a selection or when it is already at that end.
    bool MoveUp();
    bool MoveDown();
    bool MoveToTop();
    bool MoveToBottom();
    // Removes the selected action; the one now at its place (or the new
    // last one) becomes selected. False without a selection.
    bool DeleteSelected();
    void DeleteAll();

    // A mouse action by hand. `message` is a button message or
    // mouse_message::kMove; `variant` picks the extra button (0 back,
    // 1 forward) or the move direction (0 left, 1 right, 2 up, 3 down). The
    // action goes after the selected one, or after the first when none is
    // selected, at 0 into an empty list; the new action becomes selected,
    // except in a list that was empty. Its delay is `fixedDelay`.
    MacroInsertResult InsertMouseAction(uint16_t message, int variant,
                                        const PointerMoveDistances& distances, uint16_t fixedDelay);
    // The down action of `downMessage` and then the up action after it, both
    // or neither.
    MacroInsertResult InsertMouseClick(uint16_t downMessage, int variant, uint16_t fixedDelay);

    // Primitives for the recorder (see macro_recorder.h). Insert refuses a
    // full list or a position outside 0..Size().
    bool Insert(int position, const MacroEvent& event);
    bool ReplaceKey(int index, uint8_t type, uint8_t button);

  private:
    bool MoveSelectedTo(int target);
    void InsertByHand(const MacroEvent& event);

    std::vector<MacroEvent> events_;
    int selected_ = kNoSelection;
};

// The event a mouse action by hand inserts, without its delay; nothing for
// an unknown message or variant.
std::optional<MacroEvent> MouseActionEvent(uint16_t message, int variant,
                                           const PointerMoveDistances& distances);

}  // namespace kelno
