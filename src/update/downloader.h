#pragma once
// Fetches an update into the private download folder. The file is written
// to an exclusive temporary file and given its name only after its size
// (and its SHA-256, when the answer carried one) matched; anything else
// removes it. Nothing here makes a file executable or runs it.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>

#include "update/http_client.h"
#include "update/update_check.h"

namespace kelno::update {

inline constexpr uint64_t kMaxDownloadBytes = uint64_t{1} << 30;
inline constexpr const char* kDownloadFolderName = "UpdateData";

struct DownloadJob {
    std::string url;
    std::string localName;              // the target's image name
    std::optional<std::string> sha256;  // lower-case hex, when the answer had one
};

enum class DownloadFailure {
    None,
    BadAddress,  // not https on the update server's host
    BadName,     // the local name is not a bare name
    // The private folder cannot be used (each told to the user as it is):
    FolderNotMade,    // it could not be made, or made private (0700)
    FolderIsLink,     // a symbolic link stands in its place
    FolderNotFolder,  // a file, or anything else but a folder, stands there
    FolderNotOwned,   // it belongs to another user
    File,             // the file could not be created or written
    Transfer,         // no complete answer (see detail)
    HttpStatus,       // an answer other than 200
    SizeMismatch,     // fewer or more bytes than announced, or none
    HashMismatch,
    Cancelled,
};

const char* DownloadFailureName(DownloadFailure failure);
// The text id that tells the user why the private folder was refused;
// nullptr for a failure that is not the folder's.
const char* FolderFailureTextKey(DownloadFailure failure);

struct DownloadOutcome {
    DownloadFailure failure = DownloadFailure::None;
    std::filesystem::path file;  // the verified file on success
    std::string detail;

    bool Ok() const { return failure == DownloadFailure::None; }
};

// The private download folder: the cache folder + "UpdateData".
inline std::filesystem::path DownloadFolder(const std::filesystem::path& cacheFolder) {
    return cacheFolder / kDownloadFolderName;
}

// Percent of a download for its row: 0 while the total is unknown, never
// above 100, in 64 bits so large files do not wrap.
int ProgressPercent(uint64_t total, uint64_t received);

// The local name plus the extension of the address's last path segment (up
// to 8 letters or digits), e.g. "QB42M16D" and "/f/fw-2.exe" give
// "QB42M16D.exe". Nothing when the local name is not a bare name.
std::optional<std::string> LocalFileName(std::string_view localName, std::string_view urlPath);

class Downloader {
  public:
    // `folder` is the private download folder (cache/UpdateData).
    Downloader(IHttpClient& client, UpdateServer server, std::filesystem::path folder,
               uint64_t maxBytes = kMaxDownloadBytes)
        : client_(client),
          server_(std::move(server)),
          folder_(std::move(folder)),
          maxBytes_(maxBytes) {}

    DownloadOutcome Fetch(const DownloadJob& job, const DownloadProgress& progress,
                          std::stop_token stop);

  private:
    IHttpClient& client_;
    UpdateServer server_;
    std::filesystem::path folder_;
    uint64_t maxBytes_;
};

}  // namespace kelno::update
