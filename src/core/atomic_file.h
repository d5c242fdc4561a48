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

}  // namespace kelno
