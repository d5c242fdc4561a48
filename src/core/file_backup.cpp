#include "core/file_backup.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "core/backup_record.h"
#include "core/debug_output.h"

namespace kelno {
namespace {

namespace fs = std::filesystem;

// Where hard links are not offered: a copy that keeps what the file is.
bool CopyAsBackup(const fs::path& file, const fs::path& backup, const struct stat& info) {
    std::error_code error;
    if (S_ISLNK(info.st_mode)) {
        const fs::path target = fs::read_symlink(file, error);
        if (!error) fs::create_symlink(target, backup, error);
    } else if (S_ISREG(info.st_mode)) {
        fs::copy_file(file, backup, error);
    } else {
        return false;
    }
    return !error;
}

}  // namespace

bool KeepBackup(const fs::path& file) {
    struct stat info {};
    if (::lstat(file.c_str(), &info) != 0) return errno == ENOENT;
    // An empty file holds nothing; an older backup is worth more.
    if (S_ISREG(info.st_mode) && info.st_size == 0) return true;
    fs::path backup = file;
    backup += ".bak";
    if (::unlink(backup.c_str()) != 0 && errno != ENOENT) {
        DebugOutputF("%s cannot be replaced: no backup of %s", backup.c_str(), file.c_str());
        return false;
    }
    // Flags 0: a symbolic link is linked itself, not followed.
    const bool kept = ::linkat(AT_FDCWD, file.c_str(), AT_FDCWD, backup.c_str(), 0) == 0 ||
                      CopyAsBackup(file, backup, info);
    if (!kept) {
        DebugOutputF("no backup of %s could be made", file.c_str());
        return false;
    }
    DebugOutputF("%s kept as %s", file.c_str(), backup.c_str());
    BackupRecord::Process().Note(file, backup);
    return true;
}

bool MayReplace(const fs::path& file, FileReadStatus status) {
    switch (status) {
        case FileReadStatus::Read:
        case FileReadStatus::Missing:
            return true;
        case FileReadStatus::Damaged:
            return KeepBackup(file);
        case FileReadStatus::Unreadable:
            break;
    }
    DebugOutputF("%s could not be read: left as it is, changes stay in memory", file.c_str());
    return false;
}

std::optional<Json::Value> ReadForReplacing(const fs::path& file,
                                            const std::function<bool(const Json::Value&)>& fits) {
    JsonFileRead read = ReadJsonFileWithStatus(file);
    if (read.status == FileReadStatus::Read && !fits(read.value))
        read.status = FileReadStatus::Damaged;
    if (!MayReplace(file, read.status)) return std::nullopt;
    // An object of the wrong shape still gives its other members; the caller's
    // writes replace the members of the wrong kind.
    if (!read.value.isObject()) return Json::Value(Json::objectValue);
    return std::move(read.value);
}

}  // namespace kelno
