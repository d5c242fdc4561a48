#pragma once
// The rows of the settings window's update list. CUpdateInfoListItemUI
// shows one update target: the server's and the local version, the mark
// that chooses it for download (an option whose text is the target's
// name), the status text and the download's progress. CCloudShareListItemUI
// is a plain row of the same behaviour for layouts that name it.

#include <cstdint>
#include <string>

#include "skin/controls/list.h"
#include "update/update_check.h"

namespace kelno::skin {
class COptionUI;
}

namespace kelno::app {

// How a row shows a status.
struct UpdateRowLook {
    bool progressShown = false;  // "update_status_ing"
    bool doneShown = false;      // "update_status_ok"
    bool markEnabled = false;
    uint32_t markTextColour = 0;  // normal and selected
    uint32_t markDisabledTextColour = 0;
};

UpdateRowLook LookOfRowStatus(update::RowStatus status);

class CUpdateInfoListItemUI : public skin::CListContainerElementUI {
  public:
    static constexpr const char* kClassName = "UpdateInfoListItem";
    static constexpr const char* kLayout = "XML/CustomControlXML/device_Update_list_item.xml";

    std::string GetClass() const override;
    void* GetInterface(std::string_view name) override;

    // Finds the row's own controls and shows the status; call once the row
    // is in its window.
    void BindParts();

    // Shows `status` (its text, parts, mark); the status the row already
    // has changes nothing. A failed check shows its own text.
    void SetStatus(update::RowStatus status, bool checkFailed = false);
    update::RowStatus GetStatus() const { return status_; }
    void SetVersions(const std::string& server, const std::string& local);
    void SetTargetName(const std::string& name);
    // "<percent>%", clamped to 0-100.
    void SetProgress(int percent);
    int GetProgress() const { return percent_; }
    bool IsMarked() const;
    void SetMarked(bool marked);  // without a notification
    void EnableMark(bool enabled);
    // The mark as the status allows it (after EnableMark held it back).
    void RestoreMark() { EnableMark(MarkAllowed()); }
    skin::COptionUI* Mark() const { return mark_; }
    // The downloaded file (the row's user data).
    void SetDownloadPath(const std::string& path) { SetUserData(path); }

    // The list paints the row's background unless its mark is selected.
    void PaintBkColor(cairo_t* cr) override;

  private:
    skin::CControlUI* Part(const char* name) const;
    void ShowStatus();
    bool MarkAllowed() const { return LookOfRowStatus(status_).markEnabled && !checkFailed_; }

    skin::COptionUI* mark_ = nullptr;
    update::RowStatus status_ = update::RowStatus::NoInfo;
    bool checkFailed_ = false;
    int percent_ = 0;
};

class CCloudShareListItemUI : public skin::CListContainerElementUI {
  public:
    static constexpr const char* kClassName = "CloudShareListItem";
    std::string GetClass() const override;
    void* GetInterface(std::string_view name) override;
};

}  // namespace kelno::app
