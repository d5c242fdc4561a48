#pragma once
// The tokens every backend appends to a node's path so that each top-level
// collection has its own path the catalogue can parse:
// "#vid_0c45&pid_7650&mi_01&col04" (lower-case hex, 4 digits for ids, 2 for
// mi and col; "&col" only when the interface has more than one collection).

#include <string>

#include "platform/hid/hid_types.h"

namespace kelno::hid {

// collectionNumber 0 leaves "&col" out.
std::string CollectionPathTokens(const DeviceAttributes& attributes, int interfaceNumber,
                                 int collectionNumber);

}  // namespace kelno::hid
