#include "core/backup_record.h"

#include <utility>

namespace kelno {

BackupRecord& BackupRecord::Process() {
    static BackupRecord record;
    return record;
}

void BackupRecord::Note(const std::filesystem::path& file, const std::filesystem::path& backup) {
    std::lock_guard lock(mutex_);
    if (!noted_.insert(file.lexically_normal()).second) return;
    unshown_.push_back({file, backup});
    if (listener_) listener_();
}

void BackupRecord::SetListener(std::function<void()> listener) {
    std::lock_guard lock(mutex_);
    listener_ = std::move(listener);
}

std::vector<KeptBackup> BackupRecord::TakeUnshown() {
    std::lock_guard lock(mutex_);
    return std::exchange(unshown_, {});
}

}  // namespace kelno
