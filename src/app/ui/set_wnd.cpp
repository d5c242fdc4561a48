#include "app/ui/set_wnd.h"

#include <algorithm>

#include "app/app_messages.h"
#include "app/ui/language_manager.h"
#include "app/ui/message_box.h"
#include "core/debug_output.h"
#include "skin/controls/button.h"
#include "skin/controls/combo.h"
#include "skin/core/dialog_builder.h"
#include "skin/core/resource_manager.h"
#include "skin/layout/layouts.h"

namespace kelno::app {
namespace {

constexpr const char* kRevealedText = "update_revealed_text";
constexpr const char* kRevealFailedText = "update_reveal_failed_text";

std::string LanguageText(const std::string& id) {
    return skin::CResourceManager::GetInstance().GetText(id);
}

// The translated text with "%s" replaced by `name`, then the file's place.
std::string DownloadMessage(const char* textId, const update::UpdateRow& row) {
    std::string text = LanguageText(textId);
    if (const size_t at = text.find("%s"); at != std::string::npos)
        text.replace(at, 2, update::TargetName(row.target));
    return text + "\n" + row.file.string();
}

}  // namespace

CSetWnd::CSetWnd(skin::CWindowWnd& mainWindow, SettingsWindowOptions options)
    : main_(mainWindow), options_(std::move(options)) {}

CSetWnd::~CSetWnd() {
    if (session_) session_->Stop(std::chrono::milliseconds(1000));
}

bool CSetWnd::Open(std::optional<skin::Point> topLeft) {
    if (!CreateWithLayout(&main_, kWindowName, {}, HostKind::Tool)) {
        DebugOutput("settings window not shown: " + GetBuildError());
        return false;
    }
    const int width = m_PaintManager.ScaleValue(kWidth);
    const int height = m_PaintManager.ScaleValue(kHeight);
    if (topLeft)
        GetHost()->Move({topLeft->x, topLeft->y, topLeft->x + width, topLeft->y + height});
    else
        CenterWindow();
    session_ = std::make_unique<update::UpdateSession>(options_.update, options_.targets, *this);
    session_->StartCheck();
    return true;
}

skin::CControlUI* CSetWnd::CreateControl(const std::string& className) {
    if (className == CUpdateInfoListItemUI::kClassName) return new CUpdateInfoListItemUI;
    if (className == CCloudShareListItemUI::kClassName) return new CCloudShareListItemUI;
    return WindowImplBase::CreateControl(className);
}

void CSetWnd::InitWindow() {
    // Before any row exists: each row has a "update_status_text" too, and
    // names are found without regard to case.
    statusText_ = m_PaintManager.FindControl("Update_Status_text");
    if (options_.update.lastCheckFile) {
        // Today's date is the first date the window shows after "up to date".
        update::LastCheckDate(*options_.update.lastCheckFile, *options_.update.clock)
            .ReadOrWriteToday();
    }
    FillLanguageList();
    SetStatus(update::WindowStatus::Checking);
    RefreshUpdateButton();
}

void CSetWnd::FillLanguageList() {
    skin::CControlUI* control = m_PaintManager.FindControl("Language_combox_info");
    auto* combo = control ? static_cast<skin::CComboUI*>(control->GetInterface("Combo")) : nullptr;
    if (combo && options_.language) options_.language->FillLanguageCombo(*combo);
    languageFilled_ = true;
}

std::vector<CUpdateInfoListItemUI*> CSetWnd::Rows() const {
    std::vector<CUpdateInfoListItemUI*> rows;
    auto* list =
        dynamic_cast<skin::CListUI*>(m_PaintManager.FindControl("device_update_list_info"));
    for (int i = 0; list && i < list->GetCount(); ++i) {
        if (auto* row = dynamic_cast<CUpdateInfoListItemUI*>(list->GetItemAt(i)))
            rows.push_back(row);
    }
    return rows;
}

// --- the session's worker ----------------------------------------------------------

void CSetWnd::OnChecked(update::WindowStatus status, std::vector<update::UpdateRow> rows) {
    PostMessage(kMsgUpdateChecked, CheckedParam{status, std::move(rows)});
}

void CSetWnd::OnRowChanged(size_t index, update::UpdateRow row) {
    PostMessage(kMsgUpdateRow, RowParam{index, std::move(row)});
}

void CSetWnd::OnDownloadPassDone() {
    PostMessage(kMsgDownloadPassDone);
}

void CSetWnd::OnRevealed(std::vector<Revealed> rows) {
    PostMessage(kMsgUpdateRevealed, std::move(rows));
}

// --- the UI thread -------------------------------------------------------------------

int64_t CSetWnd::HandleMessage(uint32_t id, const skin::MessageParam& wParam,
                               const skin::MessageParam& lParam) {
    if (closed_) return 0;
    switch (id) {
        case kMsgUpdateChecked:
            if (const auto* checked = std::any_cast<CheckedParam>(&wParam)) {
                ShowRows(checked->rows);
                SetStatus(checked->status);
            }
            return 1;
        case kMsgUpdateRow:
            if (const auto* changed = std::any_cast<RowParam>(&wParam))
                ShowRow(changed->index, changed->row);
            return 1;
        case kMsgDownloadPassDone:
            // Each row shows how its download went; the files still wait
            // to be installed, so the window goes back to "updates found".
            SetStatus(update::WindowStatus::UpdatesFound);
            // Rows left out of the pass may be chosen again.
            for (CUpdateInfoListItemUI* row : Rows()) row->RestoreMark();
            RefreshUpdateButton();
            TellFolderRefused();
            if (session_) session_->Reveal();
            return 1;
        case kMsgUpdateRevealed:
            if (const auto* revealed = std::any_cast<std::vector<Revealed>>(&wParam)) {
                for (const Revealed& r : *revealed) ShowRow(r.index, r.row);
                ShowRevealed(*revealed);
            }
            return 1;
        case kMsgApplyLanguage:
            // The date after "up to date" is plain text: put it after the new text.
            if (status_ == update::WindowStatus::UpToDate) SetStatus(status_);
            m_PaintManager.NeedUpdate();
            m_PaintManager.Invalidate();
            return 1;
        default:
            return WindowImplBase::HandleMessage(id, wParam, lParam);
    }
}

void CSetWnd::SetStatus(update::WindowStatus status) {
    status_ = status;
    const bool busy =
        status == update::WindowStatus::Checking || status == update::WindowStatus::Updating;
    if (skin::CControlUI* ring = m_PaintManager.FindControl("update_status_ring"))
        ring->SetVisible(busy);
    if (skin::CControlUI* image = m_PaintManager.FindControl("update_status_image"))
        image->SetVisible(!busy);
    if (!statusText_) return;
    const char* key = update::WindowStatusTextKey(status);
    if (status == update::WindowStatus::UpToDate) {
        std::string date;
        if (options_.update.lastCheckFile)
            date = update::LastCheckDate(*options_.update.lastCheckFile, *options_.update.clock)
                       .Read()
                       .value_or("");
        statusText_->SetTextId({});
        statusText_->SetResourceText(false);
        statusText_->SetText(LanguageText(key) + (date.empty() ? "" : " " + date));
        main_.PostMessage(kMsgClearUpdateMarker);
    } else {
        statusText_->SetTextId(key);
    }
}

void CSetWnd::ShowRows(const std::vector<update::UpdateRow>& rows) {
    auto* list =
        dynamic_cast<skin::CListUI*>(m_PaintManager.FindControl("device_update_list_info"));
    if (!list) return;
    list->RemoveAll();
    rows_.clear();
    for (size_t i = 0; i < rows.size(); ++i) {
        skin::CDialogBuilder builder;
        skin::CControlUI* built =
            builder.Create(CUpdateInfoListItemUI::kLayout, this, &m_PaintManager);
        auto* item = dynamic_cast<CUpdateInfoListItemUI*>(built);
        if (!item) {
            DebugOutputF("update row not built: %s", builder.GetLastError().c_str());
            delete built;
            return;
        }
        list->Add(item);
        item->BindParts();
        item->SetTargetName(update::TargetName(rows[i].target));
        rows_.push_back(rows[i]);
        ShowRow(i, rows[i]);
    }
    RefreshUpdateButton();
}

void CSetWnd::ShowRow(size_t index, const update::UpdateRow& row) {
    const std::vector<CUpdateInfoListItemUI*> items = Rows();
    if (index >= items.size() || index >= rows_.size()) return;
    CUpdateInfoListItemUI& item = *items[index];
    item.SetVersions(row.answer.serverVersionText, row.answer.localVersionText);
    item.SetStatus(row.status, row.answer.Failed());
    item.SetProgress(row.percent);
    item.SetMarked(row.marked);
    if (!row.file.empty()) item.SetDownloadPath(row.file.string());
    rows_[index] = row;
}

void CSetWnd::ShowRevealed(const std::vector<Revealed>& rows) {
    std::string text;
    for (const Revealed& r : rows) {
        if (!text.empty()) text += "\n\n";
        text += DownloadMessage(r.shown ? kRevealedText : kRevealFailedText, r.row);
    }
    if (!text.empty()) Tell(text);
}

void CSetWnd::TellFolderRefused() {
    for (const update::UpdateRow& row : rows_) {
        const char* key = update::FolderFailureTextKey(row.downloadFailure);
        if (row.marked && key) {
            Tell(LanguageText(key) + "\n" + options_.update.downloadFolder.string());
            return;
        }
    }
}

void CSetWnd::Tell(const std::string& text) {
    MessageBoxRequest request;
    request.text = text;
    request.textIsResourceId = false;
    request.buttons = kMessageBoxConfirm;
    showMessageBox(this, request);
}

void CSetWnd::RefreshUpdateButton() {
    const std::vector<CUpdateInfoListItemUI*> items = Rows();
    const bool anyMarked = std::any_of(items.begin(), items.end(), [](CUpdateInfoListItemUI* row) {
        return row->IsMarked() && row->Mark() && row->Mark()->IsEnabled();
    });
    if (skin::CControlUI* button = m_PaintManager.FindControl("update_fw_and_ap")) {
        button->SetEnabled(anyMarked);
        button->SetVisible(anyMarked);
    }
}

void CSetWnd::ShowPage(int page) {
    if (auto* tabs =
            dynamic_cast<skin::CTabLayoutUI*>(m_PaintManager.FindControl("get_update_tab_layout")))
        tabs->SelectItem(page);
}

void CSetWnd::StartDownload() {
    const std::vector<CUpdateInfoListItemUI*> items = Rows();
    std::vector<bool> marks;
    for (CUpdateInfoListItemUI* item : items)
        marks.push_back(item->IsMarked() && item->Mark() && item->Mark()->IsEnabled());
    update::MarkForDownload(rows_, marks);
    for (size_t i = 0; i < items.size() && i < rows_.size(); ++i) {
        // Unmarked rows stay as they are until the pass ends.
        if (!rows_[i].marked) items[i]->EnableMark(false);
        ShowRow(i, rows_[i]);
    }
    if (skin::CControlUI* button = m_PaintManager.FindControl("update_fw_and_ap"))
        button->SetEnabled(false);
    SetStatus(update::WindowStatus::Updating);
    if (session_) session_->Download(std::move(marks));
    ShowPage(0);
}

void CSetWnd::CloseWindow() {
    if (closed_) return;
    closed_ = true;
    // A transfer ends within a poll round; its partial file is removed.
    if (session_ && !session_->Stop(std::chrono::milliseconds(3000)))
        DebugOutput("update work still ending as the settings window closes");
    Close(skin::IDCANCEL);
}

void CSetWnd::Notify(skin::TNotifyUI& msg) {
    if (msg.pSender && !closed_) {
        const std::string& name = msg.pSender->GetName();
        if (msg.sType == skin::notify::kSelectChanged && name == "check_name_select") {
            RefreshUpdateButton();
        } else if (msg.sType == skin::notify::kItemSelect && name == "Language_combox_info" &&
                   languageFilled_) {
            main_.SendMessage(kMsgApplyLanguage, static_cast<int64_t>(msg.wParam));
        }
    }
    WindowImplBase::Notify(msg);
}

void CSetWnd::OnClick(skin::TNotifyUI& msg) {
    if (msg.pSender == nullptr || closed_) return;
    const std::string& name = msg.pSender->GetName();
    if (name == "closebtn" || name == "laterbtn") {
        CloseWindow();
    } else if (name == "set_in_update_wnd_btn") {
        if (skin::CControlUI* hint = m_PaintManager.FindControl("update_tishi_layout"))
            hint->SetVisible(false);
        ResizeClient(m_PaintManager.ScaleValue(kWidth), m_PaintManager.ScaleValue(kHeight));
    } else if (name == "update_fw_and_ap") {
        ShowPage(1);
    } else if (name == "update_back_btn") {
        ShowPage(0);
    } else if (name == "update_OK_btn") {
        StartDownload();
    } else if (name == "menubtn" || name == "homepage_btn") {
        // Nothing behind them on this platform.
    } else {
        WindowImplBase::OnClick(msg);
    }
}

}  // namespace kelno::app
