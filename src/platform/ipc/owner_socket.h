#pragma once
// A listening local (AF_UNIX) stream socket only its owner may connect to.

#include <filesystem>
#include <string>

#include "core/unique_fd.h"

namespace kelno::ipc {

// Binds `path`, makes it mode 0600 and only then listens, so no one else
// can connect in between. A socket file left there by an earlier run is
// replaced; anything else at the path (a symbolic link, even one to a
// socket, or any other file) is refused and left in place. On failure the
// descriptor is invalid and `error` says why.
UniqueFd ListenOwnerOnly(const std::filesystem::path& path, std::string* error);

}  // namespace kelno::ipc
