#pragma once
// Tells the user what a device's macro write brought (IKeyAssignmentDevice
// results): nothing when written, else the matching message.

namespace kelno {

class IPanelHost;

void ReportMacroWrite(IPanelHost* host, int result);

}  // namespace kelno
