#include "panels/device_profile.h"

#include <array>

#include "devices/models/keyboard_device.h"
#include "devices/models/page_lookup.h"
#include "panels/message_texts.h"
#include "panels/panel_host.h"
#include "skin/controls/button.h"
#include "skin/controls/combo.h"
#include "skin/controls/edit.h"
#include "skin/core/attribute_values.h"

namespace kelno {
namespace {

constexpr std::array<const char*, CDeviceProfileUI::kTabCount> kTabNames = {
    "deng_Op_tab",   "key_Op_tab",        "macro_Op_tab", "system_Op_tab",
    "cursor_Op_tab", "6533_voice_Op_tab", "magic_Op_tab"};

struct TabVisibility {
    std::vector<const char*> hidden;
    std::vector<const char*> shown;
};

// The tabs a device kind does not have; tabs not named keep the skin's state.
TabVisibility TabsForKind(int kind) {
    switch (kind) {
        case 1:
            return {{"cursor_Op_tab", "system_Op_tab"}, {}};
        case 3:
        case 5:
            return {{"cursor_Op_tab", "macro_Op_tab", "system_Op_tab", "key_Op_tab"}, {}};
        case 4:
            return {{"cursor_Op_tab", "macro_Op_tab", "key_Op_tab"}, {}};
        case 7:
            return {{"cursor_Op_tab", "macro_Op_tab", "system_Op_tab", "key_Op_tab"},
                    {"6533_voice_Op_tab", "magic_Op_tab"}};
        default:
            return {};
    }
}

}  // namespace

std::string CDeviceProfileUI::GetClass() const {
    return "DeviceProfileUI";
}

void* CDeviceProfileUI::GetInterface(std::string_view name) {
    if (skin::EqualsNoCase(name, kElementName)) return this;
    if (skin::EqualsNoCase(name, kDevicePanelInterface)) return static_cast<IDevicePanel*>(this);
    return CHorizontalLayoutUI::GetInterface(name);
}

CDeviceProfileUI* CDeviceProfileUI::Of(CZembravaUSBDevice& device) {
    return PanelOnPage<CDeviceProfileUI>(device, kItemName, kElementName);
}

void CDeviceProfileUI::BindDevice(CZembravaUSBDevice* device) {
    device_ = device;
    if (!device) return;
    SetDeviceKind(device->GetDeviceKind());
    SetFolders(device->UserFolder(), device->DefaultProfilePath());
    LoadProfileList();
    SelectTab(1);
}

void CDeviceProfileUI::RefreshFromDevice() {
    auto* keyboard =
        device_
            ? static_cast<CZembravaKeyboardDevice*>(device_->GetInterface("ZembravaKeyboardDevice"))
            : nullptr;
    TellWhenKeptInMemory(keyboard && keyboard->IsProfileKeptInMemory());
}

void CDeviceProfileUI::SetFolders(std::filesystem::path userDataFolder,
                                  std::filesystem::path defaultProfilePath) {
    userDataFolder_ = std::move(userDataFolder);
    defaultProfilePath_ = std::move(defaultProfilePath);
}

ProfileListStore CDeviceProfileUI::Store() const {
    return ProfileListStore(userDataFolder_, defaultProfilePath_);
}

skin::CComboUI* CDeviceProfileUI::Combo() {
    return children_.FindAs<skin::CComboUI>("device_profile_combo", "Combo");
}

void CDeviceProfileUI::AppendItem(const std::string& name) {
    AppendListItem(*Combo(), name);
}

void CDeviceProfileUI::ShowState(const ProfileListState& state) {
    skin::CComboUI* combo = Combo();
    const int selection = combo->GetCurSel();
    combo->RemoveAll();
    for (const ProfileEntry& entry : state.entries) AppendItem(entry.name);
    combo->SelectItem(selection < combo->GetCount() ? selection : combo->GetCount() - 1, false);
}

void CDeviceProfileUI::LoadProfileList() {
    skin::CComboUI* combo = Combo();
    if (!combo) return;
    const ProfileListState state = Store().Load();
    TellWhenKeptInMemory(state.inMemoryOnly);
    combo->RemoveAll();
    for (const ProfileEntry& entry : state.entries) AppendItem(entry.name);
    SelectProfile(state.selected);
    const TabVisibility tabs = TabsForKind(deviceKind_);
    for (const char* name : tabs.hidden) {
        if (skin::CControlUI* tab = Find(name)) tab->SetVisible(false);
    }
    for (const char* name : tabs.shown) {
        if (skin::CControlUI* tab = Find(name)) tab->SetVisible(true);
    }
}

void CDeviceProfileUI::SelectProfile(int index) {
    skin::CComboUI* combo = Combo();
    if (!combo) return;
    const ProfileListState state = Store().Select(index);
    if (state.entries.empty()) return;
    // The store clamps a selection outside the list; the combo follows it.
    const ProfileEntry& entry = state.entries[static_cast<size_t>(state.selected)];
    if (combo->GetCount() != static_cast<int>(state.entries.size())) ShowState(state);
    combo->SelectItem(state.selected, false);
    combo->SetFocus();
    SetNameEditText(entry.name);
    currentUuid_ = entry.uuid;
}

int CDeviceProfileUI::GetSelectedIndex() {
    skin::CComboUI* combo = Combo();
    return combo ? combo->GetCurSel() : -1;
}

std::string CDeviceProfileUI::GetNameEditText() {
    skin::CControlUI* edit = Find("device_profile_name_edit");
    return edit ? edit->GetText() : std::string();
}

void CDeviceProfileUI::SetNameEditText(const std::string& text) {
    if (skin::CControlUI* edit = Find("device_profile_name_edit")) edit->SetText(text);
}

void CDeviceProfileUI::AddProfile() {
    if (!Combo()) return;
    // The list file records the new profile as selected; the combo and the
    // device stay on the current one until the next start.
    ProfileListStore store = Store();
    if (!store.Add()) {
        // At the limit "add" does nothing; below it the list was not written.
        if (Combo()->GetCount() < ProfileListStore::kMaxAddedProfiles)
            Report(texts::kListSaveFailed);
        return;
    }
    ShowState(store.Load());
}

void CDeviceProfileUI::CopyProfile() {
    const int sel = GetSelectedIndex();
    if (sel < 0) return;
    ProfileListStore store = Store();
    if (!store.Copy(sel)) {
        Report(texts::kListSaveFailed);
        return;
    }
    ShowState(store.Load());
}

bool CDeviceProfileUI::DeleteProfile() {
    skin::CComboUI* combo = Combo();
    const int sel = GetSelectedIndex();
    if (sel < 0 || combo->GetCount() < 2) return false;
    ProfileListStore store = Store();
    const std::optional<int> next = store.Delete(sel);
    if (!next) {
        Report(texts::kListSaveFailed);
        return false;
    }
    combo->RemoveAll();
    for (const ProfileEntry& entry : store.Load().entries) AppendItem(entry.name);
    combo->SelectItem(*next, false);
    return true;
}

ProfileListStore::ImportResult CDeviceProfileUI::ImportProfile(
    const std::filesystem::path& source) {
    if (GetSelectedIndex() < 0) return ProfileListStore::ImportResult::NotAProfile;
    ProfileListStore store = Store();
    const ProfileListStore::ImportResult result = store.Import(source);
    if (result == ProfileListStore::ImportResult::Imported) ShowState(store.Load());
    return result;
}

ProfileListStore::ExportResult CDeviceProfileUI::ExportProfile(
    const std::filesystem::path& target) {
    const int sel = GetSelectedIndex();
    if (sel < 0) return ProfileListStore::ExportResult::Invalid;
    return Store().Export(sel, target);
}

bool CDeviceProfileUI::ResetProfile() {
    const int sel = GetSelectedIndex();
    if (sel < 0) return false;
    if (Store().Reset(sel, deviceKind_)) return true;
    Report(texts::kSaveFailed);
    return false;
}

ProfileListStore::RenameResult CDeviceProfileUI::RenameProfile(const std::string& name) {
    using Result = ProfileListStore::RenameResult;
    skin::CComboUI* combo = Combo();
    const int sel = GetSelectedIndex();
    if (sel < 0) return Result::Invalid;
    const Result result = Store().Rename(sel, name);
    if (result != Result::Renamed && result != Result::ListOnly) return result;
    if (skin::CControlUI* item = combo->GetItemAt(sel)) {
        item->SetText(name);
        item->SetUserData(name);
    }
    SetNameEditText(name);
    combo->Invalidate();
    return result;
}

void CDeviceProfileUI::Report(const char* textId) {
    if (host_) host_->ShowMessage(textId, IPanelHost::Buttons::Ok);
}

void CDeviceProfileUI::TellWhenKeptInMemory(bool inMemoryOnly) {
    if (!inMemoryOnly || toldKeptInMemory_) return;
    toldKeptInMemory_ = true;
    // Found while the list or the profile loads: told after that is done.
    if (host_) host_->ShowNoticeLater(texts::kKeptInMemoryOnly);
}

void CDeviceProfileUI::SelectTab(int n) {
    std::array<skin::COptionUI*, kTabCount> tabs{};
    for (size_t i = 0; i < tabs.size(); ++i) {
        skin::CControlUI* control = Find(kTabNames[i]);
        tabs[i] =
            control ? static_cast<skin::COptionUI*>(control->GetInterface("Option")) : nullptr;
        if (!tabs[i]) return;
    }
    for (size_t i = 0; i < tabs.size(); ++i) tabs[i]->Selected(static_cast<int>(i) + 1 == n, false);
}

bool CDeviceProfileUI::IsMenuShown() {
    skin::CControlUI* menu = Find("profile_menu_layout");
    return menu && menu->IsOwnVisible();
}

void CDeviceProfileUI::ShowMenu(bool show) {
    if (skin::CControlUI* menu = Find("profile_menu_layout")) menu->SetVisible(show);
}

}  // namespace kelno
