#include "panels/macro_write_report.h"

#include "devices/models/key_assignment_device.h"
#include "panels/message_texts.h"
#include "panels/panel_host.h"

namespace kelno {

void ReportMacroWrite(IPanelHost* host, int result) {
    if (!host || result == 0) return;
    if (result == IKeyAssignmentDevice::kMacroImageUnallocated)
        host->ShowMessage(texts::kMacroMemoryMissing, IPanelHost::Buttons::Ok);
    else if (result == IKeyAssignmentDevice::kMacroWriteFailed)
        host->ShowMessage(texts::kMacroWriteFailed, IPanelHost::Buttons::Ok);
    else if (result == IKeyAssignmentDevice::kMacrosBeyondLimits)
        host->ShowMessage(texts::kMacrosBeyondLimits, IPanelHost::Buttons::Ok);
    else if (result > 0)
        host->ShowMessage(texts::kMacroTooLarge, IPanelHost::Buttons::Ok, result);
}

}  // namespace kelno
