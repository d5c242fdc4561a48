#include "gallery_window.h"

#include "skin/controls/label.h"
#include "skin/controls/progress.h"
#include "skin/core/control.h"
#include "skin/layout/layouts.h"
#include "skin/window/menu_wnd.h"

namespace kelno::gallery {
namespace {

using namespace kelno::skin;

class GalleryDialog final : public WindowImplBase {
  protected:
    std::string GetSkinFile() override { return "dialog.xml"; }
    void OnClick(TNotifyUI& msg) override {
        const std::string& name = msg.pSender->GetName();
        if (name == "dialog_ok")
            Close(IDOK);
        else if (name == "dialog_cancel")
            Close(IDCANCEL);
        else
            WindowImplBase::OnClick(msg);
    }
};

}  // namespace

void GalleryWindow::InitWindow() {
    SetStatus("Ready");
}

void GalleryWindow::Notify(TNotifyUI& msg) {
    out_ << "notify " << msg.sType << ' ' << (msg.pSender ? msg.pSender->GetName() : "")
         << std::endl;
    const std::string name = msg.pSender ? msg.pSender->GetName() : "";
    if (msg.sType == notify::kSelectChanged && name.rfind("tab_option_", 0) == 0) {
        auto* option = msg.pSender;
        auto* pages = dynamic_cast<CTabLayoutUI*>(m_PaintManager.FindControl("pages"));
        if (pages != nullptr && option->GetInterface("Option") != nullptr)
            pages->SelectItem(name == "tab_option_0" ? 0 : 1);
    } else if ((msg.sType == notify::kValueChanged || msg.sType == notify::kMoveValueChanged) &&
               name == "level_slider") {
        auto* slider = dynamic_cast<CSliderUI*>(msg.pSender);
        auto* progress = dynamic_cast<CProgressUI*>(m_PaintManager.FindControl("level_progress"));
        if (slider != nullptr && progress != nullptr) progress->SetValue(slider->GetValue());
    } else if (msg.sType == notify::kItemSelect && name == "mode_combo") {
        SetStatus("Mode: " + msg.pSender->GetText());
    }
    WindowImplBase::Notify(msg);
}

void GalleryWindow::OnClick(TNotifyUI& msg) {
    const std::string& name = msg.pSender->GetName();
    if (name == "menu_button")
        ShowGalleryMenu();
    else if (name == "modal_button")
        ShowModalDialog();
    else
        WindowImplBase::OnClick(msg);
}

void GalleryWindow::ShowGalleryMenu() {
    CControlUI* button = m_PaintManager.FindControl("menu_button");
    IWindowHost* host = GetHost();
    if (button == nullptr || host == nullptr) return;
    Rect window = host->WindowRect();
    Point at{window.left + button->GetPos().left, window.top + button->GetPos().bottom};
    CMenuWnd::ShowMenu(this, "menu.xml", at, [this](std::string command) {
        out_ << "menu " << command << std::endl;
        if (command == "menu_exit")
            OnCloseRequest();
        else
            SetStatus("Menu: " + command);
    });
}

void GalleryWindow::ShowModalDialog() {
    GalleryDialog dialog;
    if (!dialog.Create(this, "Gallery dialog")) return;
    dialog.CenterWindow();
    int code = dialog.ShowModal();
    out_ << "modal " << code << std::endl;
}

void GalleryWindow::SetStatus(const std::string& text) {
    if (CControlUI* status = m_PaintManager.FindControl("status")) status->SetText(text);
}

void GalleryWindow::OnCloseRequest() {
    Close(IDCANCEL);
}

void GalleryWindow::OnFinalMessage() {
    out_ << "closed" << std::endl;
    QuitMessageLoop();
}

}  // namespace kelno::gallery
