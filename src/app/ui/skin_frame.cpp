#include "app/ui/skin_frame.h"

#include <optional>

#include "skin/core/attribute_values.h"
#include "skin/layout/layouts.h"

namespace kelno {

CSkinFrame* CSkinFrame::Show(skin::CWindowWnd* owner, skin::Point topRight, PickHandler onPick) {
    auto* frame = new CSkinFrame(std::move(onPick));
    const skin::Rect at{topRight.x - 1, topRight.y, topRight.x, topRight.y + 1};
    if (!frame->CreateWithLayout(owner, "skinframe", at, HostKind::Popup)) {
        delete frame;
        return nullptr;
    }
    skin::Size size = frame->m_PaintManager.GetInitSize();
    if (size.cx <= 0 || size.cy <= 0) size = {300, 220};
    const int width = frame->m_PaintManager.ScaleValue(size.cx);
    const int height = frame->m_PaintManager.ScaleValue(size.cy);
    frame->GetHost()->Move({topRight.x - width, topRight.y, topRight.x, topRight.y + height});
    frame->ShowWindow(true, false);
    return frame;
}

void CSkinFrame::Dismiss() {
    picked_.reset();
    Close(skin::IDCANCEL);
}

void CSkinFrame::Choose(Pick pick) {
    picked_ = std::move(pick);
    Close(skin::IDOK);
}

void CSkinFrame::ShowTab(int page) {
    if (auto* tabs = dynamic_cast<skin::CTabLayoutUI*>(m_PaintManager.FindControl("skin_tab")))
        tabs->SelectItem(page);
}

void CSkinFrame::Notify(skin::TNotifyUI& msg) {
    if (msg.sType == skin::notify::kSelectChanged && msg.pSender) {
        const std::string name = msg.pSender->GetName();
        if (name == "skin_image") ShowTab(0);
        if (name == "skin_color") ShowTab(1);
    }
    skin::WindowImplBase::Notify(msg);
}

void CSkinFrame::OnClick(skin::TNotifyUI& msg) {
    if (msg.pSender == nullptr || IsClosing()) return;
    const std::string name = msg.pSender->GetName();
    if (name == "skin_image_btn") {
        // A button's user data names its image.
        const std::string& image = msg.pSender->GetUserData();
        if (!image.empty()) Choose({Pick::What::Choice, BuiltInSkinChoice(image)});
    } else if (name == "skin_color_btn") {
        Choose({Pick::What::Choice, ColourSkinChoice(msg.pSender->GetBkColor())});
    } else if (name == "skin_reset") {
        Choose({Pick::What::Choice, DefaultSkinChoice()});
    } else if (name == "skin_Custom") {
        Choose({Pick::What::CustomFile, {}});
    }
}

void CSkinFrame::OnCloseRequest() {
    Dismiss();
}

bool CSkinFrame::PreviewInput(const skin::InputEvent& event) {
    if (event.type == skin::InputEvent::Type::KeyDown && event.keyCode == skin::keys::kEscape) {
        Dismiss();
        return true;
    }
    if (event.type == skin::InputEvent::Type::WindowFocusOut) Dismiss();
    return false;  // no caption dragging in a pop-up
}

void CSkinFrame::OnFinalMessage() {
    PickHandler handler = std::move(onPick_);
    std::optional<Pick> picked = std::move(picked_);
    delete this;
    if (handler && picked) handler(std::move(*picked));
}

}  // namespace kelno
