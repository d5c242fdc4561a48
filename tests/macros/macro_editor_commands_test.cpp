#include "macros/macro_editor_commands.h"

#include <gtest/gtest.h>

namespace kelno {
namespace {

// Inserts what `control` names into an empty list, the way the panel does.
std::vector<MacroEvent> InsertedBy(std::string_view control) {
    const auto insertion = MouseInsertionOf(control);
    if (!insertion) return {};
    MacroActionList list;
    const PointerMoveDistances distances{11, 22, 33, 44};
    if (insertion->click)
        list.InsertMouseClick(insertion->message, insertion->variant, 50);
    else
        list.InsertMouseAction(insertion->message, insertion->variant, distances, 50);
    return list.Events();
}

TEST(MacroEditorCommands, MouseInsertionsTable) {
    struct Case {
        const char* control;
        std::vector<MacroEvent> events;
    };
    const Case cases[] = {
        {"left_down", {{1, 0x01, true, 50}}},
        {"left_up", {{1, 0x01, false, 50}}},
        {"right_click", {{1, 0x02, true, 50}, {1, 0x02, false, 50}}},
        {"middle_up", {{1, 0x04, false, 50}}},
        {"forward_down", {{1, 0x10, true, 50}}},
        {"forward_click", {{1, 0x10, true, 50}, {1, 0x10, false, 50}}},
        {"back_up", {{1, 0x08, false, 50}}},
        {"back_click", {{1, 0x08, true, 50}, {1, 0x08, false, 50}}},
        {"macro_inset_moveleftkey_btn", {{4, 11, true, 50}}},
        {"macro_inset_moverightkey_btn", {{4, 22, false, 50}}},
        {"macro_inset_moveupkey_btn", {{5, 33, true, 50}}},
        {"macro_inset_movedownkey_btn", {{5, 44, false, 50}}},
        {"redio_later_record_time", {}},
        {"LEFT_DOWN", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(InsertedBy(c.control), c.events) << c.control;
}

TEST(MacroEditorCommands, RecordingStartsTable) {
    using M = MacroTimingMode;
    using K = MacroCaptureKind;
    struct Case {
        const char* control;
        std::optional<RecordingStart> unchecked;
        std::optional<RecordingStart> checked;
    };
    const Case cases[] = {
        {"macro_btn_starredio", RecordingStart{M::RealTime, K::Append},
         RecordingStart{M::FixedDelay, K::Append}},
        {"redio_previous_record_time", RecordingStart{M::RealTime, K::InsertBefore},
         RecordingStart{M::FixedDelay, K::InsertBefore}},
        {"redio_previous_constant_time", RecordingStart{M::FixedDelay, K::InsertBefore},
         RecordingStart{M::FixedDelay, K::InsertBefore}},
        {"redio_previous_ignore_time", RecordingStart{M::NoDelay, K::InsertBefore},
         RecordingStart{M::NoDelay, K::InsertBefore}},
        {"redio_later_record_time", RecordingStart{M::RealTime, K::InsertAfter},
         RecordingStart{M::FixedDelay, K::InsertAfter}},
        {"redio_later_constant_time", RecordingStart{M::FixedDelay, K::InsertAfter},
         RecordingStart{M::FixedDelay, K::InsertAfter}},
        {"redio_later_ignore_time", RecordingStart{M::NoDelay, K::InsertAfter},
         RecordingStart{M::NoDelay, K::InsertAfter}},
        {"macro_action_edit", RecordingStart{M::NoDelay, K::Replace},
         RecordingStart{M::NoDelay, K::Replace}},
        {"left_click", std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RecordingStartOf(c.control, false), c.unchecked) << c.control;
        EXPECT_EQ(RecordingStartOf(c.control, true), c.checked) << c.control;
    }
}

}  // namespace
}  // namespace kelno
