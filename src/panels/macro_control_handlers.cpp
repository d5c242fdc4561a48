// The macro editor's handlers: the routed notifications and menu items, the
// library operations with what they tell the user, the action operations
// and insertions, each ending with the macro saved.

#include <string>

#include "devices/models/key_assignment_device.h"
#include "macros/macro_editor_commands.h"
#include "panels/macro_control.h"
#include "panels/macro_write_report.h"
#include "panels/message_texts.h"
#include "panels/panel_host.h"
#include "profiles/macro_assignment_remap.h"
#include "skin/controls/list.h"
#include "skin/core/attribute_values.h"

namespace kelno {

bool CMacroControlUI::OnRoutedNotify(const app::Route& route, const skin::TNotifyUI& notify,
                                     CZembravaUSBDevice& device) {
    if (updating_ > 0 || &device != device_ || !notify.pSender) return false;
    const std::string name = notify.pSender->GetName();
    // While recording only the stop button counts; the locked controls
    // could still be reached from the keyboard.
    if (IsRecording() && route.handler != app::Handler::MacroRecording) return false;
    switch (route.handler) {
        case app::Handler::MacroEditorButton:
            OnButton(name);
            return true;
        case app::Handler::MacroRecording:
            if (skin::EqualsNoCase(name, "macro_btn_stopredio"))
                StopRecording();
            else
                StartRecording(name);
            return true;
        case app::Handler::MacroInsertCursorStep:
            return InsertByHand(name);
        case app::Handler::MacroNameList:
            OnMacroSelected();
            return true;
        case app::Handler::MacroDelayEdited:
            SaveMacro();
            return true;
        case app::Handler::OpenMacroActionMenu:
            OpenActionMenu(notify);
            return true;
        default:
            return false;
    }
}

bool CMacroControlUI::OnMenuCommand(const std::string& command) {
    if (IsRecording() || GetSelectedMacroIndex() < 0) return false;
    if (RecordingStartOf(command, IsFixedTime())) {
        StartRecording(command);
        return true;
    }
    return InsertByHand(command);
}

void CMacroControlUI::OnButton(const std::string& name) {
    if (skin::EqualsNoCase(name, "macro_btn_name_add")) {
        AddMacro();
    } else if (skin::EqualsNoCase(name, "macro_btn_name_sub")) {
        DeleteMacro();
    } else if (skin::EqualsNoCase(name, "macro_btn_name_edit")) {
        RenameMacro();
    } else if (skin::EqualsNoCase(name, "macro_btn_import")) {
        ImportMacro();
    } else if (skin::EqualsNoCase(name, "macro_btn_export")) {
        ExportMacro();
    } else if (skin::EqualsNoCase(name, "macro_btn_save")) {
        SaveMacro();
    } else if (skin::EqualsNoCase(name, "macro_btn_cancel")) {
        OnMacroSelected();  // the file again, without the delays typed since
    } else {
        RunActionOperation(name);
    }
}

// --- the library -----------------------------------------------------------------------

void CMacroControlUI::AddMacro() {
    if (folder_.empty()) return;
    const MacroLibraryResult result = Writer().Create();
    Report(result);
    if (!result.Ok()) return;
    ShowMacroList(MacroLibrary(folder_).ReadIndex(), result.index);
    OnMacroSelected();
    AfterLibraryChanged();
}

void CMacroControlUI::RenameMacro() {
    const int index = GetSelectedMacroIndex();
    skin::CControlUI* edit = Find("macro_edit_macroname");
    if (index < 0 || !edit || edit->GetText().empty()) return;
    const MacroLibraryResult result = Writer().Rename(index, edit->GetText());
    Report(result);
    if (!result.Ok()) return;
    {
        UpdateScope scope(updating_);
        edit->SetText({});
    }
    entries_ = MacroLibrary(folder_).ReadIndex();
    if (skin::CListUI* list = NameList())
        if (skin::CControlUI* item = list->GetItemAt(index)) item->SetText(result.name);
    AfterLibraryChanged();
}

void CMacroControlUI::DeleteMacro() {
    const int index = GetSelectedMacroIndex();
    if (index < 0) return;
    if (host_ && host_->ShowMessage(texts::kMacroDeleteQuestion, IPanelHost::Buttons::OkCancel) !=
                     IPanelHost::Choice::Ok)
        return;
    IKeyAssignmentDevice* keys = KeyDevice();
    const MacroRemap remap =
        keys ? RemapAfterMacroDeleted(keys->GetKeyAssignments(), index) : MacroRemap{};
    if (host_ && !remap.usersOfDeleted.empty() &&
        host_->ShowMessage(texts::kMacroInUseQuestion, IPanelHost::Buttons::OkCancel) !=
            IPanelHost::Choice::Ok)
        return;
    // The index first: a refused delete leaves every key as it was.
    const MacroLibraryResult result = Writer().Remove(index);
    Report(result);
    if (!result.Ok()) return;
    if (remap.changed) keys->SetKeyAssignments(remap.keys);
    // The open profile is saved from memory below; the others are rewritten
    // here, so no profile plays the macro that moved into the deleted place.
    const ProfileRemapReport profiles = RemapMacroAssignmentsInProfiles(
        folder_, index, device_ ? std::filesystem::path(device_->GetProfileName()) : "");
    if (host_ && !profiles.leftAlone.empty())
        host_->ShowMessage(texts::kMacroProfilesNotUpdated, IPanelHost::Buttons::Ok);
    ShowMacroList(MacroLibrary(folder_).ReadIndex(), entries_.size() > 1 ? 0 : -1);
    OnMacroSelected();
    AfterLibraryChanged();
    if (remap.changed) StoreRemappedKeys();
}

void CMacroControlUI::ImportMacro() {
    if (folder_.empty() || !host_) return;
    const std::optional<std::string> source = host_->ChooseMacroToOpen();
    if (!source || source->empty()) return;
    const MacroLibraryResult result = Writer().Import(*source);
    Report(result);
    if (!result.Ok()) return;
    ShowMacroList(MacroLibrary(folder_).ReadIndex(), result.index);
    OnMacroSelected();
    AfterLibraryChanged();
}

void CMacroControlUI::ExportMacro() {
    const int index = GetSelectedMacroIndex();
    if (index < 0 || !host_) return;
    const std::optional<std::string> target =
        host_->ChooseMacroToSave(entries_[static_cast<size_t>(index)].name);
    if (!target || target->empty()) return;
    Report(Writer().Export(index, *target));
}

bool CMacroControlUI::SaveMacro() {
    const int index = GetSelectedMacroIndex();
    if (index < 0) return false;
    TakeDelayEdits();
    const MacroLibraryResult result = Writer().SaveEvents(index, actions_.Events());
    // The editor keeps the actions, so the user can save them again.
    Report(result, texts::kMacroSaveFailed);
    if (!result.Ok()) return false;
    RewriteDeviceMacrosIfPlayed(index);
    return true;
}

void CMacroControlUI::AfterLibraryChanged() {
    // The key assignment panel's list, the key captions that name macros,
    // and this panel's own refresh, which finds the list unchanged.
    if (device_) device_->RefreshPanels();
}

void CMacroControlUI::RewriteDeviceMacrosIfPlayed(int index) {
    IKeyAssignmentDevice* keys = KeyDevice();
    if (!keys || !device_) return;
    for (const KeyAssignmentPair& key : keys->GetKeyAssignments()) {
        if (PlaysMacro(key.current) && key.current.middle == index) {
            // A key must never play an older version of the macro.
            keys->StoreKeysOnDevice([this](IKeyAssignmentDevice::KeyStoreResult result) {
                ReportMacroWrite(host_, result.macros);
            });
            return;
        }
    }
}

void CMacroControlUI::StoreRemappedKeys() {
    IKeyAssignmentDevice* keys = KeyDevice();
    if (!device_ || !keys) return;
    // The macros moved on disk: the profile follows them whether or not
    // the device answers, or its keys would name other macros.
    const bool saved = keys->StoreKeysInProfile();
    if (host_ && !saved) host_->ShowMessage(texts::kSaveFailed, IPanelHost::Buttons::Ok);
    // The device gets the macros at their new places before the key map
    // that names them.
    keys->StoreKeysOnDevice([this](IKeyAssignmentDevice::KeyStoreResult result) {
        ReportMacroWrite(host_, result.macros);
        if (host_ && result.keyMap <= 0)
            host_->ShowMessage(texts::kKeyMapWriteFailed, IPanelHost::Buttons::Ok);
    });
}

void CMacroControlUI::Report(const MacroLibraryResult& result, const char* writeFailedText) {
    const char* text = nullptr;
    switch (result.status) {
        case MacroLibraryStatus::Ok:
        case MacroLibraryStatus::Full:  // the list shows 50 macros: nothing to say
        case MacroLibraryStatus::EmptyName:
            return;
        case MacroLibraryStatus::NoSuchMacro:
            // The index changed behind the list: show what is there now.
            LoadMacroList();
            return;
        case MacroLibraryStatus::NameTaken:
            text = texts::kNameTaken;
            break;
        case MacroLibraryStatus::UnreadableIndex:
            text = texts::kMacroIndexUnreadable;
            break;
        case MacroLibraryStatus::DamagedIndex:
            text = texts::kMacroIndexDamaged;
            break;
        case MacroLibraryStatus::WriteFailed:
            text = writeFailedText;
            break;
        case MacroLibraryStatus::CopyFailed:
            text = texts::kMacroCopyFailed;
            break;
        case MacroLibraryStatus::InvalidFile:
            text = texts::kMacroImportInvalid;
            break;
        case MacroLibraryStatus::NothingToExport:
            text = texts::kMacroNothingToExport;
            break;
        case MacroLibraryStatus::TooManyEvents:
            text = texts::kMacroTooManyActions;
            break;
    }
    if (host_ && text) host_->ShowMessage(text, IPanelHost::Buttons::Ok);
}

// --- actions ---------------------------------------------------------------------------

bool CMacroControlUI::RunActionOperation(const std::string& name) {
    if (GetSelectedMacroIndex() < 0) return false;
    TakeDelayEdits();
    TakeActionSelection();
    if (skin::EqualsNoCase(name, "macro_btn_up")) {
        actions_.MoveUp();
    } else if (skin::EqualsNoCase(name, "macro_btn_down")) {
        actions_.MoveDown();
    } else if (skin::EqualsNoCase(name, "macro_btn_uptop")) {
        actions_.MoveToTop();
    } else if (skin::EqualsNoCase(name, "macro_btn_downbottom")) {
        actions_.MoveToBottom();
    } else if (skin::EqualsNoCase(name, "macro_btn_delete")) {
        actions_.DeleteSelected();
    } else if (skin::EqualsNoCase(name, "macro_btn_deleteall")) {
        actions_.DeleteAll();
    } else {
        return false;
    }
    ShowActions();
    SaveMacro();
    return true;
}

bool CMacroControlUI::InsertByHand(const std::string& name) {
    const std::optional<MouseInsertion> insertion = MouseInsertionOf(name);
    if (!insertion || GetSelectedMacroIndex() < 0) return false;
    TakeDelayEdits();
    TakeActionSelection();
    const uint16_t delay = TakeFixedDelay();
    const MacroInsertResult result =
        insertion->click ? actions_.InsertMouseClick(insertion->message, insertion->variant, delay)
                         : actions_.InsertMouseAction(insertion->message, insertion->variant,
                                                      TakeMoveDistances(), delay);
    if (result == MacroInsertResult::Full && host_)
        host_->ShowMessage(texts::kMacroTooManyActions, IPanelHost::Buttons::Ok);
    if (result != MacroInsertResult::Inserted) return true;
    ShowActions();
    StartEnsureVisibleTimer();
    SaveMacro();
    return true;
}

void CMacroControlUI::OpenActionMenu(const skin::TNotifyUI& notify) {
    skin::CListUI* list = ActionList();
    const int index = list ? list->GetItemIndex(notify.pSender) : -1;
    if (index < 0 || GetSelectedMacroIndex() < 0) return;
    TakeDelayEdits();
    actions_.Select(index);
    {
        UpdateScope scope(updating_);
        list->SelectItem(index);
    }
    if (host_) host_->ShowMenuAtPointer(kMacroActionMenu);
}

}  // namespace kelno
