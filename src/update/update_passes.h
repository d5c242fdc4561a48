#pragma once
// The update list's rows and the passes that move them: after a check the
// rows with an update are marked; a download pass fetches the marked rows
// that wait (or failed before); a reveal pass shows the downloaded files.
// The rows belong to the worker running the pass; each change is handed to
// `onChange` as a copy, for the window to post to its own thread.

#include <filesystem>
#include <functional>
#include <stop_token>
#include <vector>

#include "update/downloader.h"
#include "update/installer_launcher.h"
#include "update/update_check.h"

namespace kelno::update {

struct UpdateRow {
    UpdateTarget target;
    TargetAnswer answer;
    RowStatus status = RowStatus::NoInfo;
    bool marked = false;
    int percent = 0;
    std::filesystem::path file;  // the verified download
    // Why its last download failed; None after one that did not.
    DownloadFailure downloadFailure = DownloadFailure::None;
    bool revealed = false;
};

using RowChanged = std::function<void(size_t index, const UpdateRow& row)>;

// One row per target with its answer; rows with an update are marked.
std::vector<UpdateRow> RowsFromCheck(std::span<const UpdateTarget> targets,
                                     const CheckPassResult& check);

// Every marked row in DownloadWaiting or UpdateFailed: Downloading, then
// Downloaded or UpdateFailed (downloadFailure says why). A stop ends the
// pass; the row being fetched goes back to DownloadWaiting (its partial
// file is gone).
void RunDownloadPass(std::vector<UpdateRow>& rows, Downloader& downloader, std::stop_token stop,
                     const RowChanged& onChange);

struct RevealResult {
    size_t index = 0;
    bool shown = false;
};

// Offers every marked, downloaded row's file to the launcher until one
// showing succeeds (a failed one is tried again by the next pass). What
// each row's attempt gave, in row order.
std::vector<RevealResult> RunRevealPass(std::vector<UpdateRow>& rows, IInstallerLauncher& launcher,
                                        std::stop_token stop = {});

}  // namespace kelno::update
