#include "app/ui/message_box.h"

#include <algorithm>

#include "core/debug_output.h"
#include "skin/core/control.h"
#include "skin/core/resource_manager.h"

namespace kelno::app {
namespace {

// Logical height the box grows by per line of detail (the text's font is 14).
constexpr int kDetailLineHeight = 20;

}  // namespace

std::string MessageBoxText(const MessageBoxRequest& request) {
    std::string text = request.textIsResourceId
                           ? skin::CResourceManager::GetInstance().GetText(request.text)
                           : request.text;
    if (request.number) {
        const size_t at = text.find("%d");
        if (at != std::string::npos) text.replace(at, 2, std::to_string(*request.number));
    }
    if (!request.detail.empty()) text += "\n\n" + request.detail;
    return text;
}

void CMsgWnd::InitWindow() {
    if (skin::CControlUI* title = m_PaintManager.FindControl("MessageTitle");
        title && !request_.title.empty()) {
        title->SetText(request_.title);
    }
    if (skin::CControlUI* text = m_PaintManager.FindControl("MessageText");
        text && !request_.text.empty()) {
        // A plain id follows the language; a filled-in number or a detail
        // needs the text itself.
        const bool byId = request_.textIsResourceId && !request_.number && request_.detail.empty();
        text->SetResourceText(byId);
        text->SetText(byId ? request_.text : MessageBoxText(request_));
    }
    if (!request_.detail.empty()) {
        // The detail and the blank line above it.
        const auto lines =
            static_cast<int>(std::count(request_.detail.begin(), request_.detail.end(), '\n')) + 2;
        const skin::Size size = m_PaintManager.GetInitSize();
        ResizeClient(m_PaintManager.ScaleValue(size.cx),
                     m_PaintManager.ScaleValue(size.cy + lines * kDetailLineHeight));
    }
    skin::CControlUI* confirm = m_PaintManager.FindControl("confirm_btn");
    skin::CControlUI* cancel = m_PaintManager.FindControl("cancel_btn");
    if (request_.buttons == kMessageBoxConfirm) {
        if (cancel) cancel->SetVisible(false);
        if (confirm) confirm->SetVisible(true);
    } else if (request_.buttons == kMessageBoxConfirmCancel) {
        if (cancel) cancel->SetVisible(true);
        if (confirm) confirm->SetVisible(true);
    }
}

void CMsgWnd::OnClick(skin::TNotifyUI& msg) {
    const std::string& name = msg.pSender->GetName();
    if (name == "confirm_btn") {
        Close(kMessageBoxConfirmed);
    } else if (name == "cancel_btn" || name == "closebtn") {
        Close(kMessageBoxCancelled);
    } else {
        WindowImplBase::OnClick(msg);
    }
}

void CMsgWnd::OnCloseRequest() {
    Close(kMessageBoxCancelled);
}

int showMessageBox(skin::CWindowWnd* owner, const MessageBoxRequest& request) {
    CMsgWnd window(request);
    if (!window.Create(owner, "msgwnd", {}, true)) {
        DebugOutput("message box not shown: " + window.GetBuildError());
        return kMessageBoxCancelled;
    }
    window.CenterWindow();
    const int code = window.ShowModal();
    return code == kMessageBoxConfirmed ? kMessageBoxConfirmed : kMessageBoxCancelled;
}

int showMessageBox(skin::CWindowWnd* owner, const std::string& textId, int buttons) {
    MessageBoxRequest request;
    request.text = textId;
    request.buttons = buttons;
    return showMessageBox(owner, request);
}

}  // namespace kelno::app
