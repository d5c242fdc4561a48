#include "update/downloader.h"

#include <fcntl.h>
#include <glib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <random>

#include "core/atomic_file.h"
#include "core/names.h"
#include "core/paths.h"
#include "core/unique_fd.h"

namespace kelno::update {
namespace {

constexpr size_t kMaxExtension = 8;
constexpr int kTempNameTries = 16;

struct ChecksumDeleter {
    void operator()(GChecksum* checksum) const { g_checksum_free(checksum); }
};

bool IsAlnum(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

std::string RandomSuffix() {
    static constexpr std::string_view kLetters = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device device;
    std::string suffix;
    for (int i = 0; i < 8; ++i) suffix.push_back(kLetters[device() % kLetters.size()]);
    return suffix;
}

// Why `folder` cannot be opened as a folder of ours, from what stands at
// its path now.
DownloadFailure WhyFolderUnusable(const std::filesystem::path& folder) {
    struct stat status {};
    if (::lstat(folder.c_str(), &status) != 0) return DownloadFailure::FolderNotMade;
    if (S_ISLNK(status.st_mode)) return DownloadFailure::FolderIsLink;
    if (!S_ISDIR(status.st_mode)) return DownloadFailure::FolderNotFolder;
    if (status.st_uid != ::geteuid()) return DownloadFailure::FolderNotOwned;
    return DownloadFailure::FolderNotMade;
}

// Creates `folder` (parents as usual, the folder itself 0700) and opens it
// without following a link, once it is sure to be a folder of ours with
// mode 0700. Otherwise an invalid descriptor, and `why` says what is wrong.
UniqueFd OpenPrivateFolder(const std::filesystem::path& folder, DownloadFailure& why) {
    why = DownloadFailure::FolderNotMade;
    if (!EnsureFolder(folder.parent_path())) return UniqueFd();
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return UniqueFd();
    UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat status {};
    if (!fd.Valid() || ::fstat(fd.Get(), &status) != 0) {
        why = WhyFolderUnusable(folder);
        return UniqueFd();
    }
    if (status.st_uid != ::geteuid()) {
        why = DownloadFailure::FolderNotOwned;
        return UniqueFd();
    }
    if ((status.st_mode & 07777) != 0700 && ::fchmod(fd.Get(), 0700) != 0) return UniqueFd();
    why = DownloadFailure::None;
    return fd;
}

// An exclusive new file in the folder; its name goes to `name`.
UniqueFd CreateTempFile(int folderFd, const std::string& finalName, std::string& name) {
    for (int attempt = 0; attempt < kTempNameTries; ++attempt) {
        name = "." + finalName + ".part-" + RandomSuffix();
        UniqueFd fd(::openat(folderFd, name.c_str(),
                             O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (fd.Valid() || errno != EEXIST) return fd;
    }
    return UniqueFd();
}

DownloadOutcome Failure(DownloadFailure failure, std::string detail) {
    return {failure, {}, std::move(detail)};
}

}  // namespace

const char* DownloadFailureName(DownloadFailure failure) {
    switch (failure) {
        case DownloadFailure::None:
            return "none";
        case DownloadFailure::BadAddress:
            return "address not on the update server";
        case DownloadFailure::BadName:
            return "not a bare file name";
        case DownloadFailure::FolderNotMade:
            return "download folder not made";
        case DownloadFailure::FolderIsLink:
            return "download folder is a link";
        case DownloadFailure::FolderNotFolder:
            return "download folder is not a folder";
        case DownloadFailure::FolderNotOwned:
            return "download folder belongs to another user";
        case DownloadFailure::File:
            return "file not written";
        case DownloadFailure::Transfer:
            return "transfer failed";
        case DownloadFailure::HttpStatus:
            return "HTTP error";
        case DownloadFailure::SizeMismatch:
            return "size does not match";
        case DownloadFailure::HashMismatch:
            return "SHA-256 does not match";
        case DownloadFailure::Cancelled:
            return "cancelled";
    }
    return "failed";
}

const char* FolderFailureTextKey(DownloadFailure failure) {
    switch (failure) {
        case DownloadFailure::FolderNotMade:
            return "update_folder_not_made_text";
        case DownloadFailure::FolderIsLink:
            return "update_folder_link_text";
        case DownloadFailure::FolderNotFolder:
            return "update_folder_not_folder_text";
        case DownloadFailure::FolderNotOwned:
            return "update_folder_not_owned_text";
        default:
            return nullptr;
    }
}

int ProgressPercent(uint64_t total, uint64_t received) {
    if (total == 0) return 0;
    if (received >= total) return 100;
    // 128 bits: received * 100 must not wrap for any 64-bit size.
    return static_cast<int>(static_cast<unsigned __int128>(received) * 100 / total);
}

std::optional<std::string> LocalFileName(std::string_view localName, std::string_view urlPath) {
    if (!IsBareName(localName)) return {};
    std::string name(localName);
    const std::string_view segment = urlPath.substr(urlPath.rfind('/') + 1);
    const size_t dot = segment.rfind('.');
    if (dot == segment.npos) return name;
    const std::string_view extension = segment.substr(dot + 1);
    if (extension.empty() || extension.size() > kMaxExtension) return name;
    for (char c : extension)
        if (!IsAlnum(c)) return name;
    return name + "." + std::string(extension);
}

DownloadOutcome Downloader::Fetch(const DownloadJob& job, const DownloadProgress& progress,
                                  std::stop_token stop) {
    const auto address = ParseHttpsUrl(job.url);
    const auto serverAddress = server_.Address();
    if (!address || !serverAddress || !SameServer(*address, *serverAddress))
        return Failure(DownloadFailure::BadAddress, job.url);
    const auto finalName = LocalFileName(job.localName, address->path);
    if (!finalName) return Failure(DownloadFailure::BadName, job.localName);

    DownloadFailure folderFailure = DownloadFailure::None;
    const UniqueFd folderFd = OpenPrivateFolder(folder_, folderFailure);
    if (!folderFd.Valid()) return Failure(folderFailure, folder_.string());
    std::string tempName;
    UniqueFd file = CreateTempFile(folderFd.Get(), *finalName, tempName);
    if (!file.Valid()) return Failure(DownloadFailure::File, std::strerror(errno));

    std::unique_ptr<GChecksum, ChecksumDeleter> checksum(g_checksum_new(G_CHECKSUM_SHA256));
    bool writeFailed = false;
    const DownloadSink sink = [&](long status, std::string_view bytes) {
        // An error page is never written where an update belongs.
        if (status != 200) return false;
        if (!WriteAll(file.Get(), bytes)) {
            writeFailed = true;
            return false;
        }
        g_checksum_update(checksum.get(), reinterpret_cast<const guchar*>(bytes.data()),
                          static_cast<gssize>(bytes.size()));
        return true;
    };
    const DownloadResult result = client_.Download({job.url, maxBytes_}, sink, progress, stop);

    DownloadOutcome outcome;
    if (writeFailed) {
        outcome = Failure(DownloadFailure::File, std::strerror(errno));
    } else if (result.failure == HttpFailure::Cancelled) {
        outcome = Failure(DownloadFailure::Cancelled, {});
    } else if (result.status != 0 && result.status != 200 &&
               (result.failure == HttpFailure::None || result.failure == HttpFailure::Refused)) {
        // A whole answer other than 200 (its bytes refused by the sink).
        outcome = Failure(DownloadFailure::HttpStatus, "HTTP " + std::to_string(result.status));
    } else if (result.failure != HttpFailure::None) {
        // Whatever the status of its last answer: a refused redirect, say.
        outcome = Failure(DownloadFailure::Transfer,
                          std::string(HttpFailureName(result.failure)) + ": " + result.error);
    } else if (result.received == 0 || (result.lengthKnown && result.received != result.length)) {
        outcome = Failure(DownloadFailure::SizeMismatch,
                          std::to_string(result.received) + " of " + std::to_string(result.length));
    } else if (job.sha256 && *job.sha256 != g_checksum_get_string(checksum.get())) {
        outcome = Failure(DownloadFailure::HashMismatch, g_checksum_get_string(checksum.get()));
    } else if (::fsync(file.Get()) != 0 || ::close(file.Release()) != 0 ||
               ::renameat(folderFd.Get(), tempName.c_str(), folderFd.Get(), finalName->c_str()) !=
                   0) {
        outcome = Failure(DownloadFailure::File, std::strerror(errno));
    } else {
        outcome.file = folder_ / *finalName;
        return outcome;
    }
    ::unlinkat(folderFd.Get(), tempName.c_str(), 0);
    return outcome;
}

}  // namespace kelno::update
