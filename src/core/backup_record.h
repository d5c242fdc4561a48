#pragma once
// The files kept as "<file>.bak" during this run (KeepBackup notes each one
// it makes), so that the user hears once per file that a damaged file was
// kept aside. Any thread may note a backup (workers replace files too); the
// window is told through a listener and takes what it has not shown yet.

#include <filesystem>
#include <functional>
#include <mutex>
#include <set>
#include <vector>

namespace kelno {

struct KeptBackup {
    std::filesystem::path file;
    std::filesystem::path backup;
    bool operator==(const KeptBackup&) const = default;
};

class BackupRecord {
  public:
    // The record KeepBackup notes into.
    static BackupRecord& Process();

    // A file noted before in this run is not noted again: the user was
    // told of it already, or will be.
    void Note(const std::filesystem::path& file, const std::filesystem::path& backup);

    // Called on the noting thread for each newly noted file, with the
    // record locked: it hands the news on (a posted message) and never
    // calls back into the record. Once a new listener (or none) is set, the
    // old one is not running and is not called again.
    void SetListener(std::function<void()> listener);

    // The noted files not taken before, oldest first.
    std::vector<KeptBackup> TakeUnshown();

  private:
    std::mutex mutex_;
    std::set<std::filesystem::path> noted_;
    std::vector<KeptBackup> unshown_;
    std::function<void()> listener_;
};

}  // namespace kelno
