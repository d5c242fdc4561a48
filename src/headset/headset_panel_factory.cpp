#include "headset/headset_panel_factory.h"

#include "headset/magic_control.h"
#include "headset/voice6533_control.h"
#include "skin/core/attribute_values.h"

namespace kelno {

skin::CControlUI* CreateHeadsetPanelControl(std::string_view elementName, IPanelHost* host,
                                            skin::IDialogBuilderCallback* callback) {
    if (skin::EqualsNoCase(elementName, CVoice6533ControlUI::kElementName))
        return new CVoice6533ControlUI(host);
    if (skin::EqualsNoCase(elementName, CMagicControlUI::kElementName))
        return new CMagicControlUI();
    if (skin::EqualsNoCase(elementName, "Voice6533SetControlUI"))
        return BuildPanelLayout(kVoice6533ControlLayout, callback);
    if (skin::EqualsNoCase(elementName, "MagicSetControlUI"))
        return BuildPanelLayout(kMagicControlLayout, callback);
    return nullptr;
}

}  // namespace kelno
