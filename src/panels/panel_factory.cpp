#include "panels/panel_factory.h"

#include <string>

#include "core/debug_output.h"
#include "panels/device_profile.h"
#include "panels/key_set_control.h"
#include "panels/shoot_control.h"
#include "panels/light_control.h"
#include "panels/macro_control.h"
#include "skin/core/attribute_values.h"
#include "skin/core/dialog_builder.h"

namespace kelno {
namespace {

skin::CControlUI* BuildLayout(const char* file, skin::IDialogBuilderCallback* callback) {
    skin::CDialogBuilder builder;
    skin::CControlUI* root = builder.Create(file, callback);
    if (!root)
        DebugOutput(std::string("panels: cannot build ") + file + ": " + builder.GetLastError());
    return root;
}

}  // namespace

skin::CControlUI* CreatePanelControl(std::string_view elementName, IPanelHost* host,
                                     skin::IDialogBuilderCallback* callback) {
    if (skin::EqualsNoCase(elementName, CLightControlUI::kElementName))
        return new CLightControlUI(host);
    if (skin::EqualsNoCase(elementName, CDeviceProfileUI::kElementName))
        return new CDeviceProfileUI(host);
    if (skin::EqualsNoCase(elementName, CKeySetControlUI::kElementName))
        return new CKeySetControlUI(host);
    if (skin::EqualsNoCase(elementName, CShootControlUI::kElementName))
        return new CShootControlUI(host);
    if (skin::EqualsNoCase(elementName, CMacroControlUI::kElementName))
        return new CMacroControlUI(host);
    if (skin::EqualsNoCase(elementName, "LightSetControlUI"))
        return BuildLayout(kLightControlLayout, callback);
    if (skin::EqualsNoCase(elementName, "DeviceProfileUI"))
        return BuildLayout(kDeviceProfileLayout, callback);
    if (skin::EqualsNoCase(elementName, "KeySetControlUI"))
        return BuildLayout(kKeySetControlLayout, callback);
    if (skin::EqualsNoCase(elementName, "ShootKeySetControlUI"))
        return BuildLayout(kShootControlLayout, callback);
    if (skin::EqualsNoCase(elementName, "MacroSetControlUI"))
        return BuildLayout(kMacroControlLayout, callback);
    return nullptr;
}

}  // namespace kelno
