#pragma once
// Hot-plug events of hidraw nodes from udev. Events come after udev's rules
// ran, so a node that just appeared already carries its access rights.

#include <memory>

#include "platform/hid/hotplug.h"

namespace kelno::hid {

// Null when no udev daemon runs on this machine (no /run/udev/control, as
// in many containers, where no event would ever come) or the monitor cannot
// be set up; the caller then lists on a timer.
std::unique_ptr<HotplugWatch> MakeUdevHotplugWatch();

}  // namespace kelno::hid
