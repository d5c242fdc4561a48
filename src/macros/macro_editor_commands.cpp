#include "macros/macro_editor_commands.h"

#include <array>

namespace kelno {
namespace {

struct NamedInsertion {
    std::string_view control;
    MouseInsertion insertion;
};

using namespace mouse_message;

constexpr std::array<NamedInsertion, 19> kInsertions = {{
    {"left_down", {kLeftDown, 0, false}},
    {"left_up", {kLeftUp, 0, false}},
    {"left_click", {kLeftDown, 0, true}},
    {"right_down", {kRightDown, 0, false}},
    {"right_up", {kRightUp, 0, false}},
    {"right_click", {kRightDown, 0, true}},
    {"middle_down", {kMiddleDown, 0, false}},
    {"middle_up", {kMiddleUp, 0, false}},
    {"middle_click", {kMiddleDown, 0, true}},
    {"forward_down", {kExtraDown, 1, false}},
    {"forward_up", {kExtraUp, 1, false}},
    {"forward_click", {kExtraDown, 1, true}},
    {"back_down", {kExtraDown, 0, false}},
    {"back_up", {kExtraUp, 0, false}},
    {"back_click", {kExtraDown, 0, true}},
    {"macro_inset_moveleftkey_btn", {kMove, 0, false}},
    {"macro_inset_moverightkey_btn", {kMove, 1, false}},
    {"macro_inset_moveupkey_btn", {kMove, 2, false}},
    {"macro_inset_movedownkey_btn", {kMove, 3, false}},
}};

// How a trigger picks its timing mode.
enum class Timing { FollowOption, Fixed, Ignore };

struct NamedStart {
    std::string_view control;
    Timing timing;
    MacroCaptureKind kind;
};

constexpr std::array<NamedStart, 8> kStarts = {{
    {"macro_btn_starredio", Timing::FollowOption, MacroCaptureKind::Append},
    {"redio_previous_record_time", Timing::FollowOption, MacroCaptureKind::InsertBefore},
    {"redio_previous_constant_time", Timing::Fixed, MacroCaptureKind::InsertBefore},
    {"redio_previous_ignore_time", Timing::Ignore, MacroCaptureKind::InsertBefore},
    {"redio_later_record_time", Timing::FollowOption, MacroCaptureKind::InsertAfter},
    {"redio_later_constant_time", Timing::Fixed, MacroCaptureKind::InsertAfter},
    {"redio_later_ignore_time", Timing::Ignore, MacroCaptureKind::InsertAfter},
    {"macro_action_edit", Timing::Ignore, MacroCaptureKind::Replace},
}};

MacroTimingMode ModeOf(Timing timing, bool fixedTimeChecked) {
    switch (timing) {
        case Timing::FollowOption:
            return fixedTimeChecked ? MacroTimingMode::FixedDelay : MacroTimingMode::RealTime;
        case Timing::Fixed:
            return MacroTimingMode::FixedDelay;
        case Timing::Ignore:
            break;
    }
    return MacroTimingMode::NoDelay;
}

}  // namespace

std::optional<MouseInsertion> MouseInsertionOf(std::string_view control) {
    for (const NamedInsertion& named : kInsertions)
        if (named.control == control) return named.insertion;
    return std::nullopt;
}

std::optional<RecordingStart> RecordingStartOf(std::string_view control, bool fixedTimeChecked) {
    for (const NamedStart& named : kStarts)
        if (named.control == control)
            return RecordingStart{ModeOf(named.timing, fixedTimeChecked), named.kind};
    return std::nullopt;
}

}  // namespace kelno
