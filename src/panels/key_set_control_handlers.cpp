// The key assignment panel's handlers: the routed notifications, the
// captured keys, and the one place that writes a key's record back.

#include <string>

#include "devices/models/key_assignment_device.h"
#include "keys/key_capture_table.h"
#include "panels/key_set_control.h"
#include "panels/macro_write_report.h"
#include "panels/message_texts.h"
#include "panels/panel_host.h"
#include "skin/core/attribute_values.h"

namespace kelno {

bool CKeySetControlUI::OnRoutedNotify(const app::Route& route, const skin::TNotifyUI& notify,
                                      CZembravaUSBDevice& device) {
    if (updating_ > 0 || &device != device_ || !notify.pSender) return false;
    const std::string name = notify.pSender->GetName();
    switch (route.handler) {
        case app::Handler::KeyAssignmentButton:
            OnButton(name, device);
            return true;
        case app::Handler::KeyAssignmentCheck:
            if (route.number < 0) return false;
            SelectModifier(route.number);
            Apply(device);
            return true;
        case app::Handler::KeyAssignmentList:
            OnListSelected(name, device);
            return true;
        case app::Handler::KeyAssignmentPendingChange:
            Apply(device);
            return true;
        default:
            return false;
    }
}

void CKeySetControlUI::OnListSelected(const std::string& name, CZembravaUSBDevice&) {
    UpdateScope scope(updating_);
    if (skin::EqualsNoCase(name, "keyset_macro_over_combo")) {
        if (skin::CControlUI* cycles = Find("keyset_macro_cycle_layout"))
            cycles->SetVisible(ListSelection(name) == keyassign::kMacroRepeatCounted);
        return;
    }
    // "keyset_function_combo": its page; a key category starts empty.
    const std::optional<keyassign::Category> category = ReadChoice().category;
    if (!category) return;
    if (skin::CControlUI* pages = Find("function_switch_tablayout"))
        if (auto* tabs = static_cast<skin::CTabLayoutUI*>(pages->GetInterface("TabLayout")))
            tabs->SelectItem(static_cast<int>(*category));
    if (*category == keyassign::Category::KeyboardKey) {
        ShowKeyText(std::nullopt);
        SelectModifier(keyassign::kCheckNone);
    }
}

void CKeySetControlUI::OnButton(const std::string& name, CZembravaUSBDevice& device) {
    if (skin::EqualsNoCase(name, "key_butt_keysave")) {
        Apply(device);
    } else if (skin::EqualsNoCase(name, "key_butt_keydefalut")) {
        ShowDefault();
        EnableSaveButtons(true);
        unsaved_ = true;
    } else if (skin::EqualsNoCase(name, "key_butt_keycancel")) {
        ShowCurrent();
        EnableSaveButtons(false);
        unsaved_ = false;
    } else if (skin::EqualsNoCase(name, "key_butt_prosave")) {
        SaveToDevice(device);
    }
}

void CKeySetControlUI::Apply(CZembravaUSBDevice& device) {
    IKeyAssignmentDevice* keys = KeyDevice();
    const int key = device.GetSelectedKey();
    if (!keys || key < 0 || key >= static_cast<int>(keys->GetKeyAssignments().size())) return;
    keys->SetKeyAssignment(key, Encode());
    EnableSaveButtons(true);
    unsaved_ = true;
}

void CKeySetControlUI::SaveToDevice(CZembravaUSBDevice& /*device*/) {
    IKeyAssignmentDevice* keys = KeyDevice();
    if (!keys) return;
    // The macros go first (a key that plays a macro made since the last
    // profile switch must find it), then the key map; both on the device
    // worker, and the profile keeps the keys once the device took them.
    // What was not stored stays the user's unsaved edit, so they can try
    // again.
    keys->CommitKeys([this](IKeyAssignmentDevice::KeyStoreResult result, CommitResult outcome) {
        ReportMacroWrite(host_, result.macros);
        if (host_ && outcome == CommitResult::Refused)
            host_->ShowMessage(texts::kKeyMapWriteFailed, IPanelHost::Buttons::Ok);
        if (host_ && outcome == CommitResult::NotSaved)
            host_->ShowMessage(texts::kSaveFailed, IPanelHost::Buttons::Ok);
        const bool stored = outcome == CommitResult::Stored;
        EnableSaveButtons(!stored);
        unsaved_ = !stored;
    });
}

// --- capture ---------------------------------------------------------------------------

void CKeySetControlUI::OnCapturedKey(const input::KeyInput& key) {
    if (!key.down || !device_) return;
    const int kind = device_->GetDeviceKind();
    if (kind != 1 && kind != 2) return;  // keyboards and mice only
    const std::optional<size_t> row = keyboard::FindCaptureRow(key.scanCode, key.extended);
    if (!row) return;
    const std::optional<keyassign::CapturedKey> captured =
        keyassign::CaptureKey(*row, GetModifier(), {current_.high, current_.middle, current_.low});
    if (!captured) return;
    SelectModifier(captured->modifierCheck);
    ShowKeyText(captured->keyNameRow);
    current_.high = captured->value.type;
    current_.middle = captured->value.param1;
    current_.low = captured->value.param2;
    Apply(*device_);
}

void CKeySetControlUI::OnKeyCaptureState(bool capturing, CaptureResult result) {
    // The hint beside the key box says when only this window's keys count.
    skin::CControlUI* notice = Find("keyset_capture_notice");
    if (!notice) return;
    const bool windowOnly = capturing && result == CaptureResult::WindowOnly;
    notice->SetTextId(windowOnly ? "capture_window_only_text" : "keyset_capture_hint_text");
    notice->SetToolTip(windowOnly ? notice->GetText() : std::string());
}

}  // namespace kelno
