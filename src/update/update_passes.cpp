#include "update/update_passes.h"

#include "core/debug_output.h"

namespace kelno::update {

std::vector<UpdateRow> RowsFromCheck(std::span<const UpdateTarget> targets,
                                     const CheckPassResult& check) {
    std::vector<UpdateRow> rows;
    for (size_t i = 0; i < targets.size(); ++i) {
        UpdateRow row;
        row.target = targets[i];
        if (i < check.answers.size()) {
            row.answer = check.answers[i];
            row.status = row.answer.status;
        } else {
            // Not asked: no server, or the pass stopped before this target.
            row.answer.failure = check.status == WindowStatus::NotConfigured
                                     ? CheckFailure::NotConfigured
                                     : CheckFailure::Transfer;
            row.answer.localVersionText = LocalVersionText(targets[i]);
        }
        row.marked = !row.answer.Failed() && row.status != RowStatus::NoInfo &&
                     row.status != RowStatus::UpToDate;
        rows.push_back(std::move(row));
    }
    return rows;
}

void RunDownloadPass(std::vector<UpdateRow>& rows, Downloader& downloader, std::stop_token stop,
                     const RowChanged& onChange) {
    const auto changed = [&](size_t i) {
        if (onChange) onChange(i, rows[i]);
    };
    for (size_t i = 0; i < rows.size() && !stop.stop_requested(); ++i) {
        UpdateRow& row = rows[i];
        if (!row.marked ||
            (row.status != RowStatus::DownloadWaiting && row.status != RowStatus::UpdateFailed))
            continue;
        row.status = RowStatus::Downloading;
        row.percent = 0;
        row.downloadFailure = DownloadFailure::None;
        changed(i);
        const DownloadJob job{row.answer.server.path, row.target.image, row.answer.server.sha256};
        const DownloadOutcome outcome = downloader.Fetch(
            job,
            [&](uint64_t total, uint64_t received) {
                const int percent = ProgressPercent(total, received);
                if (percent == row.percent) return;
                row.percent = percent;
                changed(i);
            },
            stop);
        row.downloadFailure = outcome.failure;
        if (outcome.Ok()) {
            row.status = RowStatus::Downloaded;
            row.percent = 100;
            row.file = outcome.file;
        } else {
            DebugOutputF("download of %s failed: %s %s", TargetName(row.target).c_str(),
                         DownloadFailureName(outcome.failure), outcome.detail.c_str());
            row.status = outcome.failure == DownloadFailure::Cancelled ? RowStatus::DownloadWaiting
                                                                       : RowStatus::UpdateFailed;
            row.percent = 0;
        }
        changed(i);
    }
}

std::vector<RevealResult> RunRevealPass(std::vector<UpdateRow>& rows, IInstallerLauncher& launcher,
                                        std::stop_token stop) {
    std::vector<RevealResult> results;
    for (size_t i = 0; i < rows.size() && !stop.stop_requested(); ++i) {
        UpdateRow& row = rows[i];
        if (!row.marked || row.status != RowStatus::Downloaded || row.revealed) continue;
        row.revealed = launcher.Reveal(row.file);
        results.push_back({i, row.revealed});
    }
    return results;
}

}  // namespace kelno::update
