#include "panels/capture_panels.h"

#include "devices/models/usb_device.h"
#include "panels/child_lookup.h"

namespace kelno {

IKeyCapturePanel* KeyCapturePanelOf(CZembravaUSBDevice& device) {
    return PanelOnPage<IKeyCapturePanel>(device, "KeySetControlItem", IKeyCapturePanel::kInterface);
}

IMacroCapturePanel* MacroCapturePanelOf(CZembravaUSBDevice& device) {
    return PanelOnPage<IMacroCapturePanel>(device, "MacroControlItem",
                                           IMacroCapturePanel::kInterface);
}

}  // namespace kelno
