#pragma once
// Layout paths as the program names them ("XML\\DeviceXml\\keyboarddevice.xml")
// resolved against the skin folder: backslashes are folder separators.

#include <string>

namespace kelno::app {

std::string SkinFilePath(std::string file);

}  // namespace kelno::app
