#pragma once
// CSetWnd: the settings and update window ("setwnd.xml"), opened over the
// main window. It checks for updates each time it opens and lists one row
// per update target; the user marks rows and downloads them; the verified
// files are shown in the file manager, never run. It also carries the
// language list.
//
// The update work runs on its session's worker; every result comes back
// here as a window message with a copy of the row, so rows are only touched
// on the UI thread. The window can always be closed: a running transfer is
// stopped and its partial file removed first.

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "skin/window/window_impl_base.h"
#include "update/update_session.h"
#include "update/window/update_list_item.h"

namespace kelno::app {

class CLanguageManager;

// Messages the window posts to itself (3092 as the download pass's end).
inline constexpr uint32_t kMsgDownloadPassDone = 3092;
inline constexpr uint32_t kMsgUpdateChecked = 0xC010;   // wParam: CheckedParam
inline constexpr uint32_t kMsgUpdateRow = 0xC011;       // wParam: RowParam
inline constexpr uint32_t kMsgUpdateRevealed = 0xC012;  // wParam: the Revealed rows

struct SettingsWindowOptions {
    update::UpdateSessionParts update;
    std::vector<update::UpdateTarget> targets;
    // Fills "Language_combox_info"; null: the list stays empty.
    const CLanguageManager* language = nullptr;
};

class CSetWnd : public skin::WindowImplBase, public update::IUpdateSessionListener {
  public:
    static constexpr const char* kLayout = "setwnd.xml";
    static constexpr const char* kWindowName = "SetWnd";
    static constexpr int kWidth = 900;
    static constexpr int kHeight = 500;

    // `mainWindow` hears language picks (3089) and "up to date" (3094).
    CSetWnd(skin::CWindowWnd& mainWindow, SettingsWindowOptions options);
    ~CSetWnd() override;

    // Builds the window over `mainWindow`, hidden, at `topLeft` (screen
    // pixels) or centred, and starts the check. False when it cannot be built.
    bool Open(std::optional<skin::Point> topLeft);
    // Stops the update work (a transfer ends, its partial file goes) and
    // closes the window.
    void CloseWindow();

    // --- state, for the main window and tests
    update::WindowStatus Status() const { return status_; }
    std::vector<CUpdateInfoListItemUI*> Rows() const;

    skin::CControlUI* CreateControl(const std::string& className) override;

  protected:
    std::string GetSkinFile() override { return kLayout; }
    void InitWindow() override;
    void Notify(skin::TNotifyUI& msg) override;
    void OnClick(skin::TNotifyUI& msg) override;
    void OnCloseRequest() override { CloseWindow(); }
    int64_t HandleMessage(uint32_t id, const skin::MessageParam& wParam,
                          const skin::MessageParam& lParam) override;
    // Tells the user something about a download (a message box; tests
    // record it).
    virtual void Tell(const std::string& text);

  private:
    struct CheckedParam {
        update::WindowStatus status;
        std::vector<update::UpdateRow> rows;
    };
    struct RowParam {
        size_t index;
        update::UpdateRow row;
    };

    // IUpdateSessionListener (the session's worker).
    void OnChecked(update::WindowStatus status, std::vector<update::UpdateRow> rows) override;
    void OnRowChanged(size_t index, update::UpdateRow row) override;
    void OnDownloadPassDone() override;
    void OnRevealed(std::vector<Revealed> rows) override;

    void SetStatus(update::WindowStatus status);
    void ShowRows(const std::vector<update::UpdateRow>& rows);
    void ShowRow(size_t index, const update::UpdateRow& row);
    // One message for the files of a pass: what they are and where.
    void ShowRevealed(const std::vector<Revealed>& rows);
    // Why the pass's download folder was refused, and where it is; nothing
    // when it was not (the folder is the same for every row).
    void TellFolderRefused();
    // "update_fw_and_ap" is offered while a row is marked.
    void RefreshUpdateButton();
    void StartDownload();
    void ShowPage(int page);
    void FillLanguageList();

    skin::CWindowWnd& main_;
    SettingsWindowOptions options_;
    std::vector<update::UpdateRow> rows_;  // what the list shows
    update::WindowStatus status_ = update::WindowStatus::Checking;
    skin::CControlUI* statusText_ = nullptr;
    bool languageFilled_ = false;
    bool closed_ = false;
    // Last: its worker is stopped before the rest of the window goes.
    std::unique_ptr<update::UpdateSession> session_;
};

}  // namespace kelno::app
