#pragma once
// The editor's buttons and action-menu items that insert mouse actions or
// start a recording, as data: the panel looks the control name up here and
// calls the action list or the recorder with what it finds.

#include <cstdint>
#include <optional>
#include <string_view>

#include "macros/macro_recorder.h"

namespace kelno {

struct MouseInsertion {
    uint16_t message;  // a button message, or mouse_message::kMove
    int variant;       // extra button (0 back, 1 forward) or move direction (0-3)
    bool click;        // the down action and then the up action

    bool operator==(const MouseInsertion&) const = default;
};

// "left_down", "back_click", "macro_inset_moveupkey_btn", ...; nothing for
// any other name.
std::optional<MouseInsertion> MouseInsertionOf(std::string_view control);

struct RecordingStart {
    MacroTimingMode mode;
    MacroCaptureKind kind;

    bool operator==(const RecordingStart&) const = default;
};

// "macro_btn_starredio" and the recording items of the action menu.
// `fixedTimeChecked` is the state of the fixed-delay option, which the
// start button and the "record time" items follow.
std::optional<RecordingStart> RecordingStartOf(std::string_view control, bool fixedTimeChecked);

}  // namespace kelno
