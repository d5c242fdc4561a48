#include "devices/models/profiled_device.h"

#include "core/names.h"
#include "devices/models/page_lookup.h"
#include "profiles/profile_list.h"

namespace kelno {
IDevicePanel* CZembravaProfiledDevice::PanelOf(skin::CControlUI* control) {
    return control ? static_cast<IDevicePanel*>(control->GetInterface(kDevicePanelInterface))
                   : nullptr;
}

skin::CControlUI* CZembravaProfiledDevice::Find(const char* name) {
    return FindDescendantByName(this, name);
}

void CZembravaProfiledDevice::BindProfilePaths() {
    const std::filesystem::path folder = UserFolder();
    if (profileName_.empty() || !IsBareName(profileName_)) {
        ProfileListStore store(folder, DefaultProfilePath());
        const ProfileListState state = store.Load();
        profileName_ = state.entries.empty()
                           ? std::string()
                           : state.entries[static_cast<size_t>(state.selected)].uuid;
    }
    CBasicProfiledata& profile = BasicProfile();
    profile.SetDefaultPath(DefaultProfilePath());
    if (!profileName_.empty()) profile.SetProfilePath(folder / (profileName_ + ".Json"));
    profile.SetLightConfigPath(folder / (lightConfigName_ + ".config"));
}

std::string CZembravaProfiledDevice::GetProfileName() const {
    return BasicProfile().GetProfilePath().string();
}

int CZembravaProfiledDevice::SaveProfile() {
    return BasicProfile().Save() ? 1 : 0;
}

bool CZembravaProfiledDevice::IsProfileKeptInMemory() const {
    return BasicProfile().GetLastLoadResult() == CBasicProfiledata::LoadResult::InMemoryOnly;
}

void CZembravaProfiledDevice::SetLightListIndex(int /*index*/) {
    BasicProfile().SetDeviceIndex(0);
}

void CZembravaProfiledDevice::BindPanels(const std::vector<const char*>& names) {
    profilePanel_ = Find("DeviceProfileItem");
    lightPanel_ = Find("LightControlItem");
    textTest_ = Find("text_test");
    panels_.clear();
    for (const char* name : names)
        if (skin::CControlUI* panel = Find(name)) panels_.push_back(panel);
    BindProfilePaths();
    for (skin::CControlUI* control : panels_)
        if (IDevicePanel* panel = PanelOf(control)) panel->BindDevice(this);
    FillPanelLists();
}

int CZembravaProfiledDevice::FillPanelLists() {
    for (skin::CControlUI* control : panels_)
        if (IDevicePanel* panel = PanelOf(control)) panel->RefreshFromDevice();
    return 1;
}

std::string CZembravaProfiledDevice::ResolveText(const std::string& textId) {
    if (!textTest_) textTest_ = Find("text_test");
    if (!textTest_) return textId;
    textTest_->SetTextId(textId);
    return textTest_->GetText();
}

}  // namespace kelno
