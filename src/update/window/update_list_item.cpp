#include "update/window/update_list_item.h"

#include <algorithm>

#include "skin/controls/button.h"
#include "skin/core/attribute_values.h"
#include "skin/core/paint_manager.h"

namespace kelno::app {
namespace {

constexpr uint32_t kPlainText = 0xFFFFFFFF;
constexpr uint32_t kPlainDisabled = 0xFF666666;
constexpr uint32_t kUpdateText = 0xFF0099FF;
constexpr uint32_t kUpdateDisabled = 0xFF0078C8;

}  // namespace

UpdateRowLook LookOfRowStatus(update::RowStatus status) {
    using update::RowStatus;
    UpdateRowLook look;
    look.progressShown = status == RowStatus::Downloading || status == RowStatus::Updating;
    look.doneShown = status == RowStatus::Downloaded;
    look.markEnabled = update::RowSelectable(status);
    const bool plain = status == RowStatus::NoInfo || status == RowStatus::UpToDate;
    look.markTextColour = plain ? kPlainText : kUpdateText;
    look.markDisabledTextColour = plain ? kPlainDisabled : kUpdateDisabled;
    return look;
}

std::string CUpdateInfoListItemUI::GetClass() const {
    return "UpdateInfoListItemUI";
}

void* CUpdateInfoListItemUI::GetInterface(std::string_view name) {
    if (skin::EqualsNoCase(name, kClassName)) return this;
    return CListContainerElementUI::GetInterface(name);
}

skin::CControlUI* CUpdateInfoListItemUI::Part(const char* name) const {
    skin::CPaintManagerUI* pm = GetManager();
    return pm ? pm->FindSubControlByName(const_cast<CUpdateInfoListItemUI*>(this), name) : nullptr;
}

void CUpdateInfoListItemUI::BindParts() {
    skin::CControlUI* mark = Part("check_name_select");
    mark_ = mark ? static_cast<skin::COptionUI*>(mark->GetInterface("Option")) : nullptr;
    ShowStatus();
}

void CUpdateInfoListItemUI::SetStatus(update::RowStatus status, bool checkFailed) {
    if (status == status_ && checkFailed == checkFailed_) return;
    status_ = status;
    checkFailed_ = checkFailed;
    ShowStatus();
}

void CUpdateInfoListItemUI::ShowStatus() {
    const UpdateRowLook look = LookOfRowStatus(status_);
    if (skin::CControlUI* text = Part("update_status_text"))
        text->SetTextId(update::RowStatusTextKey(status_, checkFailed_));
    if (skin::CControlUI* progress = Part("update_status_ing"))
        progress->SetVisible(look.progressShown);
    if (skin::CControlUI* done = Part("update_status_ok")) done->SetVisible(look.doneShown);
    if (mark_) {
        mark_->SetEnabled(MarkAllowed());
        mark_->SetTextColor(look.markTextColour);
        mark_->SetSelectedTextColor(look.markTextColour);
        mark_->SetDisabledTextColor(look.markDisabledTextColour);
    }
    Invalidate();
}

void CUpdateInfoListItemUI::SetVersions(const std::string& server, const std::string& local) {
    if (skin::CControlUI* label = Part("updateRev")) label->SetText(server);
    if (skin::CControlUI* label = Part("OldRev")) label->SetText(local);
}

void CUpdateInfoListItemUI::SetTargetName(const std::string& name) {
    if (mark_) mark_->SetText(name);
}

void CUpdateInfoListItemUI::SetProgress(int percent) {
    percent_ = std::clamp(percent, 0, 100);
    if (skin::CControlUI* value = Part("update_progress_value"))
        value->SetText(std::to_string(percent_) + "%");
}

bool CUpdateInfoListItemUI::IsMarked() const {
    return mark_ && mark_->IsSelected();
}

void CUpdateInfoListItemUI::SetMarked(bool marked) {
    if (mark_) mark_->Selected(marked, false);
    Invalidate();
}

void CUpdateInfoListItemUI::EnableMark(bool enabled) {
    if (mark_) mark_->SetEnabled(enabled);
}

void CUpdateInfoListItemUI::PaintBkColor(cairo_t* cr) {
    if (IsMarked())
        CHorizontalLayoutUI::PaintBkColor(cr);
    else
        CListContainerElementUI::PaintBkColor(cr);
}

std::string CCloudShareListItemUI::GetClass() const {
    return "CloudShareListItemUI";
}

void* CCloudShareListItemUI::GetInterface(std::string_view name) {
    if (skin::EqualsNoCase(name, kClassName)) return this;
    return CListContainerElementUI::GetInterface(name);
}

}  // namespace kelno::app
