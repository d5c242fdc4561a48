#pragma once
// The paths the hidraw backend gives each top-level collection:
// "<devRoot>/hidrawN#vid_0c45&pid_7650&mi_01&col04" (lower-case hex, 4
// digits for ids, 2 for mi and col; "&col" only when the interface has more
// than one top-level collection, numbered 1-based in descriptor order).

#include <filesystem>
#include <optional>
#include <string>

#include "platform/hid/hid_types.h"

namespace kelno::hid {

// collectionNumber 0 leaves "&col" out.
std::string HidrawCollectionPath(const std::filesystem::path& devRoot, const std::string& nodeName,
                                 const DeviceAttributes& attributes, int interfaceNumber,
                                 int collectionNumber);

// The node name ("hidraw3") of a path that names a hidraw node directly
// under devRoot; nothing for any other path, so a path cannot lead the
// backend to open some other file.
std::optional<std::string> HidrawNodeOfPath(const std::filesystem::path& devRoot,
                                            const std::string& path);

}  // namespace kelno::hid
