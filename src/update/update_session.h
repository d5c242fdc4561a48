#pragma once
// The update work of one settings window: a check when the window opens, a
// download pass each time the user asks, then the downloaded files shown to
// the user. One worker runs them in that order and owns the rows; the
// window hears every change as a copy, on the worker, and posts it to its
// own thread.

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include "core/serial_worker.h"
#include "update/last_check_date.h"
#include "update/update_passes.h"

namespace kelno::update {

class IUpdateSessionListener {
  public:
    virtual ~IUpdateSessionListener() = default;
    // The check has answered for every target (or was cut short).
    virtual void OnChecked(WindowStatus status, std::vector<UpdateRow> rows) = 0;
    virtual void OnRowChanged(size_t index, UpdateRow row) = 0;
    // A download pass has ended (every marked row downloaded or failed).
    virtual void OnDownloadPassDone() = 0;
    // The downloaded files were offered to the file manager: each row as it
    // is now and whether its file was shown.
    struct Revealed {
        size_t index = 0;
        UpdateRow row;
        bool shown = false;
    };
    virtual void OnRevealed(std::vector<Revealed> rows) = 0;
};

struct UpdateSessionParts {
    std::shared_ptr<IHttpClient> client;
    UpdateServer server;
    std::filesystem::path downloadFolder;  // the private cache folder
    std::shared_ptr<IInstallerLauncher> launcher;
    std::optional<std::filesystem::path> lastCheckFile;  // "updatetime.config"
    const WallClock* clock = &DefaultWallClock();
};

// Marks the rows the user chose (`marks[i]` for row i; missing = unmarked);
// a marked row with an update becomes DownloadWaiting. The window applies
// it to what it shows, the worker to its rows.
void MarkForDownload(std::vector<UpdateRow>& rows, const std::vector<bool>& marks);

class UpdateSession {
  public:
    UpdateSession(UpdateSessionParts parts, std::vector<UpdateTarget> targets,
                  IUpdateSessionListener& listener);
    // Stops the work (see Stop) and waits for the worker.
    ~UpdateSession();
    UpdateSession(const UpdateSession&) = delete;
    UpdateSession& operator=(const UpdateSession&) = delete;

    void StartCheck();
    void Download(std::vector<bool> marks);
    // Shows each downloaded, marked file not shown yet.
    void Reveal();

    // Ends the running transfer at once (its partial file is removed) and
    // drops what is queued. True when the worker ended within `bound`; no
    // listener call comes after a true answer.
    bool Stop(std::chrono::milliseconds bound);

  private:
    UpdateSessionParts parts_;
    std::vector<UpdateTarget> targets_;
    IUpdateSessionListener& listener_;
    std::vector<UpdateRow> rows_;  // the worker's
    SerialWorker worker_{"update"};
};

}  // namespace kelno::update
