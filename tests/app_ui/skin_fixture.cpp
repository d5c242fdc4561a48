#include "skin_fixture.h"

#include <gtest/gtest.h>

#include "app/ui/mp_device_power.h"
#include "panels/widgets/widget_factory.h"
#include "skin/core/attribute_values.h"
#include "skin/core/paint_manager.h"
#include "skin/core/resource_manager.h"
#include "skin/layout/layouts.h"

namespace kelno::app::test {
namespace {

// Tags of the device pages, panels and menus, built by their owners' code.
bool IsOtherCustomTag(std::string_view name) {
    static constexpr const char* kTags[] = {"UpdateInfoListItem",
                                            "CloudShareListItem",
                                            "ZembravaKeyboardDevice",
                                            "ZembravaMouseDevice",
                                            "ZembravaMousePadDevice",
                                            "ZembravaHS6533Device",
                                            "DeviceProfileUI",
                                            "LightSetControlUI",
                                            "KeySetControlUI",
                                            "KeySetControl",
                                            "MacroControl",
                                            "MacroSetControlUI",
                                            "ShootKeySetControlUI",
                                            "ShootControl",
                                            "MagicSetControlUI",
                                            "Voice6533SetControlUI",
                                            "Menu",
                                            "MenuElement"};
    for (const char* tag : kTags)
        if (skin::EqualsNoCase(name, tag)) return true;
    return false;
}

skin::CControlUI* Collect(skin::CControlUI* control, void* data) {
    static_cast<std::vector<skin::CControlUI*>*>(data)->push_back(control);
    return nullptr;
}

}  // namespace

void LoadProgramSkin(const std::string& languageFile) {
    skin::CPaintManagerUI::SetResourcePath(KELNO_SKIN_DIR);
    skin::CResourceManager& resources = skin::CResourceManager::GetInstance();
    ASSERT_TRUE(resources.LoadResource("res.xml")) << resources.GetLastError();
    ASSERT_TRUE(resources.LoadLanguage(languageFile)) << resources.GetLastError();
}

skin::CControlUI* TestElementFactory::CreateControl(const std::string& className) {
    skin::CControlUI* control = widgets::CreateWidget(className);
    if (control) {
        // DeviceKeyButton, SelectPanel and the other widgets as they are.
    } else if (skin::EqualsNoCase(className, CMpDevicePowerUI::kElementName)) {
        control = new CMpDevicePowerUI();
    } else if (skin::EqualsNoCase(className, "DeviceOption")) {
        control = new skin::CHorizontalLayoutUI();
    } else if (IsOtherCustomTag(className)) {
        control = new skin::CContainerUI();
    } else {
        return nullptr;
    }
    tags_[control] = className;
    return control;
}

std::string TestElementFactory::TagOf(const skin::CControlUI* control) const {
    auto it = tags_.find(control);
    return it == tags_.end() ? std::string() : it->second;
}

skin::CControlUI* BuildLayout(const std::string& file, TestElementFactory& factory,
                              std::string* error) {
    skin::CDialogBuilder builder;
    skin::CControlUI* root = builder.Create(file, &factory);
    if (error) *error = builder.GetLastError();
    return root;
}

std::vector<skin::CControlUI*> AllControls(skin::CControlUI* root) {
    std::vector<skin::CControlUI*> all;
    if (root) root->FindControl(&Collect, &all, skin::UIFIND_ME_FIRST);
    return all;
}

int64_t OwnerWindow::HandleMessage(uint32_t id, const skin::MessageParam& wParam,
                                   const skin::MessageParam& lParam) {
    messages.emplace_back(id, skin::MessageInt(wParam));
    return WindowImplBase::HandleMessage(id, wParam, lParam);
}

void OwnedWindowTest::SetUp() {
    skin::SetWindowSystem(&system_);
    LoadProgramSkin();
    ASSERT_TRUE(owner_.Create(nullptr, "owner")) << owner_.GetBuildError();
    owner_.ShowWindow();
}

void OwnedWindowTest::TearDown() {
    owner_.Close();
    system_.RunPendingTasks();
    skin::SetWindowSystem(nullptr);
}

}  // namespace kelno::app::test
