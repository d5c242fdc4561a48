#pragma once
// The udev rules that let the user at the seat open the supported devices'
// hidraw nodes, made from the catalogue so the two never disagree.

#include <string>

#include "devices/detect/catalogue.h"

namespace kelno {

// The file name sorts before 73-seat-late.rules, where uaccess tags are
// turned into access for the logged-in user.
inline constexpr const char* kUdevRulesFileName = "70-kelno-driver.rules";

// A header comment, then one line per distinct non-zero (vendor, product)
// pair of the supported-device table, in table order:
//   SUBSYSTEM=="hidraw", ATTRS{idVendor}=="0c45", ATTRS{idProduct}=="7650", TAG+="uaccess"
std::string MakeUdevRules(const Catalogue& catalogue);

}  // namespace kelno
