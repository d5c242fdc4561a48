#pragma once
// The shipped catalogue with the emulator's vendor and product ids in the
// mouse, mouse-pad and headset rows (the shipped tables leave them 0, so
// only the keyboard is ever matched), and rows of its own appended for the
// wireless mouse (so the shipped tabs keep their places), whose page and
// the mouse pad's show the power indicator: for tests and the demo mode.

#include "devices/detect/catalogue.h"

namespace kelno {

Catalogue EmulatorCatalogue();

}  // namespace kelno
