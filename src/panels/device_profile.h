#pragma once
// CDeviceProfileUI ("DeviceProfile", found on a device page as
// "DeviceProfileItem"): the profile drop-down list, the name edit, the
// add / delete / copy / rename / reset / import / export buttons, the menu
// and the row of function tabs of a device page. The list file and the
// profile files are managed by ProfileListStore; this control shows what
// the store reports and drives the device after a profile change.
//
// UI thread only. Every operation does nothing without the drop-down list
// "device_profile_combo", and every one that works on the selected
// profile does nothing when none is selected.

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "panels/notify_routes.h"
#include "devices/models/usb_device.h"
#include "panels/child_lookup.h"
#include "profiles/profile_list.h"
#include "skin/layout/layouts.h"

namespace kelno {

class IPanelHost;
namespace skin {
class CComboUI;
}

class CDeviceProfileUI : public skin::CHorizontalLayoutUI, public IDevicePanel {
  public:
    static constexpr const char* kElementName = "DeviceProfile";
    static constexpr const char* kItemName = "DeviceProfileItem";
    static constexpr int kTabCount = 7;

    explicit CDeviceProfileUI(IPanelHost* host = nullptr) : host_(host) {}

    std::string GetClass() const override;  // "DeviceProfileUI"
    void* GetInterface(std::string_view name) override;

    // The profile control on a device page; null when the page has none.
    static CDeviceProfileUI* Of(CZembravaUSBDevice& device);

    void SetHost(IPanelHost* host) { host_ = host; }

    // IDevicePanel: binding sets the kind and folders, loads the list and
    // selects the lighting tab. After the device loaded a profile it could
    // not read (kept in memory only) the refresh tells the user, once.
    void BindDevice(CZembravaUSBDevice* device) override;
    void RefreshFromDevice() override;

    // --- Operations -----------------------------------------------------------
    void SetDeviceKind(int kind) { deviceKind_ = kind; }
    int GetDeviceKind() const { return deviceKind_; }
    void SetFolders(std::filesystem::path userDataFolder, std::filesystem::path defaultProfilePath);
    void LoadProfileList();
    // Selects item `index` (clamped into the list) and records it.
    void SelectProfile(int index);
    int GetSelectedIndex();  // -1 without the list or selection
    const std::string& GetCurrentUuid() const { return currentUuid_; }
    std::string GetNameEditText();
    void SetNameEditText(const std::string& text);
    // Add, delete, copy, reset and rename tell the user through the host's
    // message box when the list or the profile file could not be written.
    void AddProfile();
    // True when a profile was removed (the combo then shows a neighbour).
    bool DeleteProfile();
    void CopyProfile();
    // The store's result for the path (ImportResult::NotAProfile without a
    // selection or list).
    ProfileListStore::ImportResult ImportProfile(const std::filesystem::path& source);
    ProfileListStore::ExportResult ExportProfile(const std::filesystem::path& target);
    bool ResetProfile();
    // Renamed and ListOnly show the new name (the list holds it);
    // Invalid without a selection.
    ProfileListStore::RenameResult RenameProfile(const std::string& name);
    void SelectTab(int n);
    bool IsMenuShown();
    void ShowMenu(bool show);

    // The main window's entry for ProfileButton and ProfileComboSelected;
    // `device` is the active device. True when handled.
    bool OnRoutedNotify(const app::Route& route, const skin::TNotifyUI& notify,
                        CZembravaUSBDevice& device);
    // Timer 1055: the device takes the selected profile (the target was
    // captured when the selection started).
    void SwitchToSelectedProfile(CZembravaUSBDevice& device);

  private:
    skin::CComboUI* Combo();
    skin::CControlUI* Find(const std::string& name) { return children_.Find(name); }
    // The combo's items as the store's entries, and the selection.
    void ShowState(const ProfileListState& state);
    void AppendItem(const std::string& name);
    ProfileListStore Store() const;
    void OnImport();
    void OnExport();
    void OnReset(CZembravaUSBDevice& device);
    void OnRename();
    void ApplyToDevice(CZembravaUSBDevice& device, bool afterReset);
    void Report(const char* textId);
    // Once per control: the list or the device's profile could not be read
    // and is kept in memory only.
    void TellWhenKeptInMemory(bool inMemoryOnly);

    IPanelHost* host_ = nullptr;
    int deviceKind_ = 0;
    std::filesystem::path userDataFolder_;
    std::filesystem::path defaultProfilePath_;
    std::string currentUuid_;
    CZembravaUSBDevice* device_ = nullptr;
    bool toldKeptInMemory_ = false;
    ChildLookup children_{*this};
};

}  // namespace kelno
