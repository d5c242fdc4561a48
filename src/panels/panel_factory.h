#pragma once
// The element factory entries of the panels: "LightControl",
// "DeviceProfile", "KeySetControl" and "MacroControl" make the panel
// controls, "LightSetControlUI", "DeviceProfileUI", "KeySetControlUI" and
// "MacroSetControlUI" build their inner layouts from the skin's
// CustomControlXML files. The main window's element factory asks here
// first; `callback` is that whole factory, so the inner layouts may use
// every element it knows.

#include <string_view>

namespace kelno {

class IPanelHost;
namespace skin {
class CControlUI;
class IDialogBuilderCallback;
}  // namespace skin

inline constexpr const char* kLightControlLayout = "XML/CustomControlXML/LightControl.xml";
inline constexpr const char* kDeviceProfileLayout = "XML/CustomControlXML/DeviceProfile.xml";
inline constexpr const char* kKeySetControlLayout = "XML/CustomControlXML/KeySetControl.xml";
inline constexpr const char* kShootControlLayout = "XML/CustomControlXML/ShootControl.xml";
inline constexpr const char* kMacroControlLayout = "XML/CustomControlXML/MacroControl.xml";

// A panel's inner layout built from `file`; null (and a debug line) when
// the file cannot be built.
skin::CControlUI* BuildPanelLayout(const char* file, skin::IDialogBuilderCallback* callback);

// A new control for `elementName`, or nullptr when it is not a panel's.
skin::CControlUI* CreatePanelControl(std::string_view elementName, IPanelHost* host,
                                     skin::IDialogBuilderCallback* callback);

}  // namespace kelno
