#include "core/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <vector>

#include "core/debug_output.h"

namespace kelno {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kTempMarker = ".tmp-";
constexpr std::string_view kTempSuffixPattern = "XXXXXX";
// The data folder holds per-device folders and little below them.
constexpr int kSweepDepth = 3;

std::string ErrnoText(const char* step) {
    return std::string(step) + ": " + std::strerror(errno);
}

}  // namespace

bool WriteAll(int fd, std::string_view content) {
    size_t written = 0;
    while (written < content.size()) {
        const ssize_t n = ::write(fd, content.data() + written, content.size() - written);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) {
            errno = EIO;
            return false;
        }
        written += static_cast<size_t>(n);
    }
    return true;
}

WriteOutcome WriteFileAtomically(const std::filesystem::path& target, std::string_view content) {
    const std::filesystem::path folder =
        target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    const std::string pattern =
        (folder / ("." + target.filename().string() + std::string(kTempMarker) +
                   std::string(kTempSuffixPattern)))
            .string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');

    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) return {false, ErrnoText("create temporary file")};

    WriteOutcome outcome{true, {}};
    if (!WriteAll(fd, content)) {
        outcome = {false, ErrnoText("write")};
    } else if (::fsync(fd) != 0) {
        outcome = {false, ErrnoText("fsync")};
    }
    // mkstemp makes the file 0600; keep the mode of the file we replace, or
    // give a new one the usual 0644.
    if (outcome.ok) {
        struct stat existing {};
        ::fchmod(fd, ::stat(target.c_str(), &existing) == 0 ? (existing.st_mode & 07777) : 0644);
    }
    if (::close(fd) != 0 && outcome.ok) outcome = {false, ErrnoText("close")};
    if (outcome.ok && ::rename(name.data(), target.c_str()) != 0) {
        outcome = {false, ErrnoText("rename")};
    }
    if (!outcome.ok) {
        ::unlink(name.data());
        return outcome;
    }
    // Make the rename itself durable.
    const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return outcome;
}

bool IsAtomicWriteTempName(std::string_view fileName) {
    const size_t marker = fileName.rfind(kTempMarker);
    if (fileName.size() < 2 || fileName.front() != '.' || marker == std::string_view::npos ||
        marker < 2)
        return false;
    const std::string_view suffix = fileName.substr(marker + kTempMarker.size());
    return suffix.size() == kTempSuffixPattern.size() &&
           std::all_of(suffix.begin(), suffix.end(),
                       [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; });
}

int RemoveLeftoverTempFiles(const fs::path& folder) {
    int removed = 0;
    std::error_code error;
    fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied,
                                        error);
    for (const fs::recursive_directory_iterator end; !error && it != end; it.increment(error)) {
        if (it.depth() >= kSweepDepth) it.disable_recursion_pending();
        const fs::path& path = it->path();
        std::error_code statusError;
        if (!IsAtomicWriteTempName(path.filename().string()) || !it->is_regular_file(statusError) ||
            it->is_symlink(statusError))
            continue;
        if (fs::remove(path, statusError)) {
            ++removed;
            DebugOutputF("removed %s, left by an interrupted write", path.c_str());
        }
    }
    return removed;
}

}  // namespace kelno
