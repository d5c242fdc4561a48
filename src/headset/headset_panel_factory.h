#pragma once
// The element factory entries of the headset's audio panels:
// "Voice6533Control" and "MagicControl" make the panel controls,
// "Voice6533SetControlUI" and "MagicSetControlUI" build them from the
// skin's CustomControlXML files. `callback` is the whole element factory of
// the window, so the layouts may use every element it knows.

#include <string_view>

#include "panels/panel_factory.h"  // IPanelHost, CControlUI and the builder callback

namespace kelno {

inline constexpr const char* kVoice6533ControlLayout = "XML/CustomControlXML/Voice6533Control.xml";
inline constexpr const char* kMagicControlLayout = "XML/CustomControlXML/MagicControl.xml";

// A new control for `elementName`, or nullptr when it is not a headset panel's.
skin::CControlUI* CreateHeadsetPanelControl(std::string_view elementName, IPanelHost* host,
                                            skin::IDialogBuilderCallback* callback);

}  // namespace kelno
