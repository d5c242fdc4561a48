// Files kept aside: a stored file whose content could not be used is kept as
// "<file>.bak" before it is replaced (core/file_backup.h). The backup record
// tells this window from whatever thread made the backup; the window names
// each file once, in one message, when it is shown.

#include <filesystem>
#include <string>
#include <vector>

#include "app/app_messages.h"
#include "app/main_window.h"
#include "app/ui/message_box.h"
#include "core/backup_record.h"
#include "panels/message_texts.h"

namespace kelno::app {
namespace {

namespace fs = std::filesystem;

// What the message box has room for; the rest are counted.
constexpr size_t kListedFiles = 4;

// A file as the user finds it: below the data or the config folder when it
// is there, else its whole path.
std::string ShownPath(const fs::path& file, const std::vector<fs::path>& folders) {
    for (const fs::path& folder : folders) {
        if (folder.empty()) continue;
        const fs::path below =
            file.lexically_normal().lexically_relative(folder.lexically_normal());
        if (!below.empty() && *below.begin() != "..") return below.string();
    }
    return file.string();
}

}  // namespace

void CMainWnd::ListenForFilesKeptAside() {
    // Posted, never shown from here: the backup may be made on a worker, or
    // in the middle of an event on this thread.
    BackupRecord::Process().SetListener([this] { PostMessage(kMsgFilesKeptAside); });
}

void CMainWnd::StopListeningForFilesKeptAside() {
    BackupRecord::Process().SetListener({});
}

void CMainWnd::ShowFilesKeptAside() {
    // A hidden window shows no message; the files wait until it is shown.
    if (!IsVisible()) return;
    const std::vector<KeptBackup> kept = BackupRecord::Process().TakeUnshown();
    if (kept.empty()) return;
    const std::vector<fs::path> folders = {options_.userData, options_.configFolder};
    std::string detail;
    for (size_t i = 0; i < kept.size() && i < kListedFiles; ++i) {
        if (i > 0) detail += '\n';
        detail += ShownPath(kept[i].file, folders) + " → " + kept[i].backup.filename().string();
    }
    if (kept.size() > kListedFiles) {
        MessageBoxRequest more;
        more.text = texts::kFilesKeptAsideMore;
        more.number = static_cast<int>(kept.size() - kListedFiles);
        detail += '\n' + MessageBoxText(more);
    }
    ShowNoticeWithDetail(texts::kFilesKeptAside, detail);
}

void CMainWnd::ShowNoticeWithDetail(const std::string& textId, const std::string& detail) {
    MessageBoxRequest request;
    request.text = textId;
    request.buttons = kMessageBoxConfirm;
    request.detail = detail;
    showMessageBox(this, request);
}

}  // namespace kelno::app
