#pragma once
// Every file the program writes goes through here: the content is written to
// a temporary file in the same folder, flushed, synced and renamed over the
// target, so a failed or interrupted write leaves the previous file intact.

#include <filesystem>
#include <string>
#include <string_view>

namespace kelno {

struct WriteOutcome {
    bool ok = false;
    std::string error;  // what failed, for diagnostics; empty on success
};

WriteOutcome WriteFileAtomically(const std::filesystem::path& target, std::string_view content);

// Writes all of `content` to `fd`, going on after interrupted or partial
// writes. False (errno set) when a write fails.
bool WriteAll(int fd, std::string_view content);

// True for the names of the writer's temporary files: "." + the target's
// name + ".tmp-" + six random letters or digits.
bool IsAtomicWriteTempName(std::string_view fileName);

// A write cut short by a kill leaves its temporary file behind. Removes such
// regular files from `folder` and the folders below it (a few levels; links
// to folders are not followed) and returns how many went. Only for start-up,
// when no other write can be in progress.
int RemoveLeftoverTempFiles(const std::filesystem::path& folder);

}  // namespace kelno
