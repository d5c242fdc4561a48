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

skin::CControlUI* BuildPanelLayout(const char* file, skin::IDialogBuilderCallback* callback) {
    skin::CDialogBuilder builder;
    skin::CControlUI* root = builder.Create(file, callback);
    if (!root)
        DebugOutput(std::string("panels: cannot build ") + file + ": " + builder.GetLastError());
    return root;
}

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
        return BuildPanelLayout(kLightControlLayout, callback);
    if (skin::EqualsNoCase(elementName, "DeviceProfileUI"))
        return BuildPanelLayout(kDeviceProfileLayout, callback);
    if (skin::EqualsNoCase(elementName, "KeySetControlUI"))
        return BuildPanelLayout(kKeySetControlLayout, callback);
    if (skin::EqualsNoCase(elementName, "ShootKeySetControlUI"))
        return BuildPanelLayout(kShootControlLayout, callback);
    if (skin::EqualsNoCase(elementName, "MacroSetControlUI"))
        return BuildPanelLayout(kMacroControlLayout, callback);
    return nullptr;
}

}  // namespace kelno
