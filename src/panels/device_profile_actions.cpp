// The profile control's button and list events, and what the device does
// after a profile change or a reset.

#include "devices/models/keyboard_device.h"
#include "devices/models/page_lookup.h"
#include "panels/device_profile.h"
#include "panels/macro_write_report.h"
#include "panels/message_texts.h"
#include "panels/panel_host.h"
#include "skin/controls/combo.h"
#include "skin/core/attribute_values.h"

namespace kelno {
namespace {

constexpr int kKeyboardKind = 1;
constexpr int kMouseKind = 2;

bool Is(const std::string& name, std::string_view expected) {
    return skin::EqualsNoCase(name, expected);
}

void HideKeySetPanel(CZembravaUSBDevice& device) {
    if (skin::CControlUI* panel = FindDescendantByName(&device, "keyset_layout")) {
        panel->SetVisible(false);
    }
}

}  // namespace

bool CDeviceProfileUI::OnRoutedNotify(const app::Route& route, const skin::TNotifyUI& notify,
                                      CZembravaUSBDevice& device) {
    if (!notify.pSender || !children_.Owns(notify.pSender) || !Combo()) return false;
    // The page this control belongs to is the one its buttons act on.
    CZembravaUSBDevice& target = device_ ? *device_ : device;
    const std::string& name = notify.pSender->GetName();
    if (route.handler == app::Handler::ProfileComboSelected) {
        if (host_) host_->StartProfileSwitchTimer(target);
        return true;
    }
    if (route.handler != app::Handler::ProfileButton) return false;
    if (Is(name, "device_add_btn")) {
        AddProfile();
    } else if (Is(name, "device_sub_btn")) {
        // The combo now shows a neighbour: the device follows as after a
        // user's selection.
        if (DeleteProfile() && host_) host_->StartProfileSwitchTimer(target);
    } else if (Is(name, "device_copy_btn")) {
        CopyProfile();
    } else if (Is(name, "device_import_btn")) {
        OnImport();
    } else if (Is(name, "device_export_btn")) {
        OnExport();
    } else if (Is(name, "device_reset_btn")) {
        OnReset(target);
    } else if (Is(name, "device_profile_edit_save_btn")) {
        OnRename();
    } else if (Is(name, "profile_fun_spread_btn")) {
        ShowMenu(!IsMenuShown());
    } else {
        return false;
    }
    return true;
}

void CDeviceProfileUI::OnImport() {
    if (GetSelectedIndex() < 0 || !host_) return;
    const std::optional<std::string> path = host_->ChooseProfileToOpen();
    if (!path || path->empty()) return;
    // A file that is not a profile is ignored without a message; a profile
    // that could not be stored is reported.
    if (ImportProfile(*path) == ProfileListStore::ImportResult::WriteFailed) {
        Report(texts::kImportFailed);
    }
}

void CDeviceProfileUI::OnExport() {
    const int sel = GetSelectedIndex();
    if (sel < 0 || !host_) return;
    const std::optional<std::string> path = host_->ChooseProfileToSave(Combo()->GetText());
    if (!path || path->empty()) return;
    const ProfileListStore::ExportResult result = ExportProfile(*path);
    if (result != ProfileListStore::ExportResult::Exported) {
        Report(texts::kExportFailed);
    }
}

void CDeviceProfileUI::OnRename() {
    if (GetSelectedIndex() < 0) return;
    const std::string name = GetNameEditText();
    if (name.empty()) return;
    switch (RenameProfile(name)) {
        case ProfileListStore::RenameResult::NameTaken:
            Report(texts::kNameTaken);
            break;
        case ProfileListStore::RenameResult::ListNotWritten:
            Report(texts::kListSaveFailed);
            break;
        case ProfileListStore::RenameResult::ListOnly:
            Report(texts::kRenameFileNotWritten);
            break;
        default:
            break;
    }
}

void CDeviceProfileUI::OnReset(CZembravaUSBDevice& device) {
    if (GetSelectedIndex() < 0 || !host_) return;
    if (host_->ShowMessage(texts::kResetQuestion, IPanelHost::Buttons::OkCancel) !=
        IPanelHost::Choice::Ok) {
        return;
    }
    if (!ResetProfile()) return;
    ApplyToDevice(device, true);
}

void CDeviceProfileUI::SwitchToSelectedProfile(CZembravaUSBDevice& device) {
    const int sel = GetSelectedIndex();
    if (sel < 0) return;
    SelectProfile(sel);
    if (currentUuid_.empty()) return;
    ApplyToDevice(device, false);
}

void CDeviceProfileUI::ApplyToDevice(CZembravaUSBDevice& device, bool afterReset) {
    const ScreenSize screen = host_ ? host_->GetScreenSize() : ScreenSize{};
    if (host_) host_->EnableControls(false);
    auto* keys = static_cast<IKeyAssignmentDevice*>(
        device.GetInterface(IKeyAssignmentDevice::kInterface));
    if (!afterReset) {
        device.SetProfileName(currentUuid_);
        device.LoadProfile();
        device.RefreshPanels();
        device.WriteSettings(0, 0, 1, screen.width, screen.height);
        if (keys)
            keys->StoreKeysOnDevice([this](IKeyAssignmentDevice::KeyStoreResult result) {
                if (result.macros == IKeyAssignmentDevice::kMacroWriteFailed)
                    Report(texts::kMacroWriteFailed);
            });
    } else {
        device.LoadProfile();
        device.RefreshPanels();
        device.WriteSettings(0, 0, 1, screen.width, screen.height);
        const int kind = device.GetDeviceKind();
        if (keys && (kind == kKeyboardKind || kind == kMouseKind)) {
            HideKeySetPanel(device);
            keys->StoreKeysOnDevice([this](IKeyAssignmentDevice::KeyStoreResult result) {
                ReportMacroWrite(host_, result.macros);
            });
        }
    }
    if (host_) host_->EnableControls(true);
}

}  // namespace kelno
