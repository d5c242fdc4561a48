#pragma once
// Where the session bus is looked for. With no DBUS_SESSION_BUS_ADDRESS,
// GLib tries the user bus at $XDG_RUNTIME_DIR/bus and otherwise spawns
// "dbus-launch --autolaunch" to ask the X display for one, and every
// library that connects does so again (the accessibility bridge, our light
// control and suspend watchers). Where dbus-launch is not installed the
// spawn can never succeed, yet each attempt forks this whole process:
// about 25 ms before the window shows. Then the user bus's place is the
// only one left, and naming it lets a missing bus fail at once.

#include <functional>
#include <optional>
#include <string>

#include "core/paths.h"

namespace kelno {

// The address to set before anything connects, or nothing when the
// environment already names one, autolaunch may find one (dbus-launch is
// on the PATH), or there is no runtime folder to name.
std::optional<std::string> SessionBusAddressWithoutAutolaunch(
    const EnvironmentLookup& environment,
    const std::function<bool(const std::string& path)>& isExecutable);

// Sets it in this process's environment (before GTK starts).
void AvoidSessionBusAutolaunch();

}  // namespace kelno
