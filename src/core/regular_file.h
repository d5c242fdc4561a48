#pragma once
// Opening a file that a user or another program may have replaced with
// something else: only a regular file is opened for reading. A device node
// is turned away before it is opened, and the open never blocks, so a FIFO
// put in a file's place cannot hang the caller.

#include <cstdint>
#include <filesystem>
#include <optional>

#include "core/unique_fd.h"

namespace kelno {

enum class RegularFileError {
    None,
    Missing,     // nothing at that path, or a parent is not a folder
    NotAFile,    // a folder, FIFO, socket, device node or looping link
    Unreadable,  // there, but the system refused it: permission, I/O error
};

struct RegularFile {
    UniqueFd fd;  // open for reading only when error is None
    RegularFileError error = RegularFileError::None;
    // NotAFile because it is a folder, which callers may report apart.
    bool folder = false;
    // What open() said: 0 or its errno. Empty when a look at the path
    // turned it away unopened.
    std::optional<int> openResult;
    std::uintmax_t size = 0;  // when error is None
};

RegularFile OpenRegularFile(const std::filesystem::path& path);

}  // namespace kelno
