#include "core/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

namespace kelno {
namespace {

RegularFileError ErrorOfOpen(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
            return RegularFileError::Missing;
        case ENXIO:  // a socket
        case ELOOP:  // a symbolic link that goes round in circles
            return RegularFileError::NotAFile;
        default:
            return RegularFileError::Unreadable;
    }
}

}  // namespace

RegularFile OpenRegularFile(const std::filesystem::path& path) {
    RegularFile file;
    // A look before the open keeps device nodes from being opened at all.
    // Folders go on to the open, so an unreadable one says so.
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode)) {
        file.error = RegularFileError::NotAFile;
        return file;
    }
    // O_NONBLOCK: should a FIFO be swapped in after the look, the open still
    // returns at once and fstat below turns it away.
    errno = 0;
    file.fd = UniqueFd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    file.openResult = file.fd.Valid() ? 0 : errno;
    if (!file.fd.Valid()) {
        file.error = ErrorOfOpen(*file.openResult);
    } else if (::fstat(file.fd.Get(), &info) != 0) {
        file.error = RegularFileError::Unreadable;
    } else if (!S_ISREG(info.st_mode)) {
        file.error = RegularFileError::NotAFile;
        file.folder = S_ISDIR(info.st_mode);
    } else {
        file.size = static_cast<std::uintmax_t>(info.st_size);
    }
    if (file.error != RegularFileError::None) file.fd.Reset();
    return file;
}

}  // namespace kelno
