// The macro editor's recordings: the start triggers, the capture the main
// window runs for them, the captured inputs resolved to events and handed
// to the recorder, and the two endings (the stop button, or the capture
// ended from outside), both of which keep and save what was recorded.

#include <variant>

#include "devices/hook/hook_messages.h"
#include "keys/key_capture_table.h"
#include "macros/macro_editor_commands.h"
#include "macros/mouse_event_lookup.h"
#include "panels/macro_control.h"
#include "panels/message_texts.h"
#include "panels/panel_host.h"
#include "panels/widgets/redio_macro_button.h"
#include "skin/controls/list.h"
#include "skin/core/paint_manager.h"
#include "skin/host/window_host.h"

namespace kelno {
namespace {

int32_t CaptureModeOf(MacroCaptureKind kind) {
    switch (kind) {
        case MacroCaptureKind::Append:
            return hook::kModeRecord;
        case MacroCaptureKind::InsertBefore:
            return hook::kModeInsertBefore;
        case MacroCaptureKind::InsertAfter:
            return hook::kModeInsertAfter;
        case MacroCaptureKind::Replace:
            return hook::kModeReplace;
    }
    return hook::kModeRecord;
}

struct ButtonMessages {
    uint16_t down;
    uint16_t up;
    ExtraMouseButton extra;
};

ButtonMessages MessagesOf(input::MouseButton button) {
    using input::MouseButton;
    switch (button) {
        case MouseButton::Left:
            return {mouse_message::kLeftDown, mouse_message::kLeftUp, ExtraMouseButton::Back};
        case MouseButton::Right:
            return {mouse_message::kRightDown, mouse_message::kRightUp, ExtraMouseButton::Back};
        case MouseButton::Middle:
            return {mouse_message::kMiddleDown, mouse_message::kMiddleUp, ExtraMouseButton::Back};
        case MouseButton::Back:
            return {mouse_message::kExtraDown, mouse_message::kExtraUp, ExtraMouseButton::Back};
        case MouseButton::Forward:
            return {mouse_message::kExtraDown, mouse_message::kExtraUp, ExtraMouseButton::Forward};
    }
    return {mouse_message::kLeftDown, mouse_message::kLeftUp, ExtraMouseButton::Back};
}

void ShowRecordingOnButton(skin::CControlUI* button, bool recording) {
    if (!button) return;
    if (auto* record = static_cast<widgets::CRedioMacroButtonUI*>(
            button->GetInterface(widgets::CRedioMacroButtonUI::kElementName)))
        record->SetRecording(recording);
}

}  // namespace

void CMacroControlUI::StartRecording(const std::string& trigger) {
    const std::optional<RecordingStart> start = RecordingStartOf(trigger, IsFixedTime());
    if (!start || IsRecording() || !device_ || !host_ || GetSelectedMacroIndex() < 0) return;
    TakeDelayEdits();
    TakeActionSelection();
    skin::CControlUI* fixedEdit = Find("macro_fixed_time_edit");
    const DelayText fixed =
        recorder_.Start(start->mode, start->kind, fixedEdit ? fixedEdit->GetText() : "", now_());
    if (fixed.needsRewrite && fixedEdit && start->mode == MacroTimingMode::FixedDelay) {
        UpdateScope scope(updating_);
        fixedEdit->SetText(fixed.canonical);
    }
    const CaptureResult result = host_->StartInputCapture(*device_, CaptureModeOf(start->kind));
    if (result != CaptureResult::Started && result != CaptureResult::WindowOnly) {
        // The host told the user why; nothing may look like a recording.
        recorder_.Stop();
        return;
    }
    if (result == CaptureResult::WindowOnly) host_->ShowNoticeLater("capture_window_only_text");
    EnableEditing(false);
    ShowRecordingOnButton(Find("macro_btn_starredio"), true);
    host_->EnableControls(false);
}

void CMacroControlUI::StopRecording() {
    if (!IsRecording()) return;
    if (host_) host_->StopInputCapture();
    FinishRecording();
}

void CMacroControlUI::EndRecording() {
    // The host has already ended the capture.
    if (IsRecording()) FinishRecording();
}

void CMacroControlUI::FinishRecording() {
    // Keys still held get their release: a saved macro never ends with a
    // key down.
    if (!recorder_.Finish(actions_, now_()).empty()) ShowActions();
    EnableEditing(true);
    ShowRecordingOnButton(Find("macro_btn_starredio"), false);
    if (host_) host_->EnableControls(true);
    SaveMacro();
}

void CMacroControlUI::OnCapturedInput(int32_t mode, const input::CapturedInput& input) {
    if (!IsRecording() || mode != CaptureModeOf(recorder_.Kind())) return;
    const std::optional<RecordedInput> recorded = ResolveInput(input);
    if (!recorded) return;
    const RecordedStep step = recorder_.Record(*recorded, actions_);
    if (step.limitReached) {
        StopRecording();
        if (host_) host_->ShowNoticeLater(texts::kMacroRecordingFull);
        return;
    }
    if (step.kind == RecordedStep::Kind::Nothing) return;
    ShowRecordedStep(step);
    StartEnsureVisibleTimer();
}

void CMacroControlUI::ShowRecordedStep(const RecordedStep& step) {
    // Only the items the step touched change, so a long recording does not
    // rebuild the whole list for every input.
    skin::CListUI* list = ActionList();
    const int position = step.position;
    if (!list || position < 0 || position >= actions_.Size() ||
        list->GetCount() != actions_.Size() - (step.kind == RecordedStep::Kind::Insert ? 1 : 0)) {
        ShowActions();
        return;
    }
    UpdateScope scope(updating_);
    if (step.kind == RecordedStep::Kind::Replace) list->RemoveAt(position);
    list->AddAt(MakeActionItem(actions_.Events()[static_cast<size_t>(position)]), position);
    if (step.previousDelay && position > 0)
        if (skin::CControlUI* edit = DelayEditOf(list->GetItemAt(position - 1)))
            edit->SetText(std::to_string(*step.previousDelay));
    list->SelectItem(actions_.Selected());
}

std::optional<RecordedInput> CMacroControlUI::ResolveInput(const input::CapturedInput& input) {
    if (const auto* key = std::get_if<input::KeyInput>(&input.event)) {
        const std::optional<size_t> row = keyboard::FindCaptureRow(key->scanCode, key->extended);
        const keyboard::KeyNameRow* name = row ? keyboard::CaptureRowKey(*row) : nullptr;
        if (!name) return std::nullopt;
        MacroEvent event;
        const bool modifier = *row < keyboard::kModifierRowCount;
        event.type =
            static_cast<uint8_t>(modifier ? MacroEventType::ModifierKey : MacroEventType::Key);
        event.button = modifier ? name->b1 : name->b2;
        event.down = key->down;
        return RecordedInput::Key(key->scanCode, key->extended, event, input.time);
    }
    const auto& button = std::get<input::ButtonInput>(input.event);
    const ButtonMessages messages = MessagesOf(button.button);
    const uint16_t message = button.down ? messages.down : messages.up;
    const std::optional<MacroEvent> event = MouseButtonEvent(message, messages.extra);
    if (!event) return std::nullopt;
    const bool onStop =
        button.button == input::MouseButton::Left && IsOnStopButton(button.screenX, button.screenY);
    return RecordedInput::Mouse(message, *event, input.time, onStop);
}

bool CMacroControlUI::IsOnStopButton(int32_t screenX, int32_t screenY) {
    skin::CControlUI* stop = Find("macro_btn_stopredio");
    if (!stop || !stop->IsVisible()) return false;
    skin::IWindowHost* host = GetManager() ? GetManager()->GetHost() : nullptr;
    const skin::Point origin = screenOrigin_ ? screenOrigin_()
                               : host ? skin::Point{host->WindowRect().left, host->WindowRect().top}
                                      : skin::Point{};
    // Control positions are window pixels already (the layout applies the
    // DPI scale), as are the window's position and the captured pointer.
    const skin::Rect& pos = stop->GetPos();
    const skin::Rect onScreen{origin.x + pos.left, origin.y + pos.top, origin.x + pos.right,
                              origin.y + pos.bottom};
    return onScreen.Contains({screenX, screenY});
}

}  // namespace kelno
