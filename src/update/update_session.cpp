#include "update/update_session.h"

namespace kelno::update {

void MarkForDownload(std::vector<UpdateRow>& rows, const std::vector<bool>& marks) {
    for (size_t i = 0; i < rows.size(); ++i) {
        UpdateRow& row = rows[i];
        // As after a check: a row with nothing to fetch is never marked.
        row.marked = i < marks.size() && marks[i] && !row.answer.Failed() &&
                     row.status != RowStatus::NoInfo && row.status != RowStatus::UpToDate;
        if (row.marked &&
            (row.status == RowStatus::NeedUpdate || row.status == RowStatus::NeedUpdateAgain))
            row.status = RowStatus::DownloadWaiting;
    }
}

UpdateSession::UpdateSession(UpdateSessionParts parts, std::vector<UpdateTarget> targets,
                             IUpdateSessionListener& listener)
    : parts_(std::move(parts)), targets_(std::move(targets)), listener_(listener) {}

UpdateSession::~UpdateSession() {
    Stop(std::chrono::milliseconds(1000));
}

void UpdateSession::StartCheck() {
    worker_.Post([this](const std::stop_token& stop) {
        if (!parts_.client) {
            // Nothing to ask with: the same as no server.
            CheckPassResult none;
            none.status = WindowStatus::NotConfigured;
            rows_ = RowsFromCheck(targets_, none);
            listener_.OnChecked(none.status, rows_);
            return;
        }
        std::optional<LastCheckDate> lastCheck;
        if (parts_.lastCheckFile) lastCheck.emplace(*parts_.lastCheckFile, *parts_.clock);
        const CheckPassResult check = RunCheckPass(*parts_.client, parts_.server, targets_, stop,
                                                   {}, lastCheck ? &*lastCheck : nullptr);
        if (stop.stop_requested()) return;
        rows_ = RowsFromCheck(targets_, check);
        listener_.OnChecked(check.status, rows_);
    });
}

void UpdateSession::Download(std::vector<bool> marks) {
    worker_.Post([this, marks = std::move(marks)](const std::stop_token& stop) {
        MarkForDownload(rows_, marks);
        if (!parts_.client) return;
        Downloader downloader(*parts_.client, parts_.server, parts_.downloadFolder);
        RunDownloadPass(rows_, downloader, stop, [this](size_t index, const UpdateRow& row) {
            listener_.OnRowChanged(index, row);
        });
        if (!stop.stop_requested()) listener_.OnDownloadPassDone();
    });
}

void UpdateSession::Reveal() {
    worker_.Post([this](const std::stop_token& stop) {
        if (!parts_.launcher) return;
        std::vector<IUpdateSessionListener::Revealed> revealed;
        for (const RevealResult& result : RunRevealPass(rows_, *parts_.launcher, stop))
            revealed.push_back({result.index, rows_[result.index], result.shown});
        if (!revealed.empty() && !stop.stop_requested()) listener_.OnRevealed(std::move(revealed));
    });
}

bool UpdateSession::Stop(std::chrono::milliseconds bound) {
    return worker_.Stop(bound);
}

}  // namespace kelno::update
