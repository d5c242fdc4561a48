#include "skin/window/menu_wnd.h"

#include "skin/controls/button.h"
#include "skin/core/attribute_values.h"
#include "skin/layout/layouts.h"

namespace kelno::skin {
namespace {

// A menu line: a flat button with left-aligned text and a hot colour.
class CMenuElementUI final : public CButtonUI {
  public:
    CMenuElementUI() {
        SetFixedHeight(28);
        ApplyAttributeList(R"(align="left" textpadding="12,0,12,0" hotbkcolor="#FFE5F1FB")");
    }
    std::string GetClass() const override { return "MenuElementUI"; }
};

}  // namespace

CMenuWnd::CMenuWnd(std::string xmlFile, CommandHandler onCommand)
    : xmlFile_(std::move(xmlFile)), onCommand_(std::move(onCommand)) {}

CMenuWnd* CMenuWnd::ShowMenu(CWindowWnd* owner, const std::string& xmlFile, Point screenPoint,
                             CommandHandler onCommand) {
    auto* menu = new CMenuWnd(xmlFile, std::move(onCommand));
    Rect at{screenPoint.x, screenPoint.y, screenPoint.x + 1, screenPoint.y + 1};
    if (!menu->CreateWithLayout(owner, "menu", at, HostKind::Popup)) {
        delete menu;
        return nullptr;
    }
    Size size = menu->m_PaintManager.GetInitSize();
    if (size.cx <= 0 || size.cy <= 0) size = {160, 200};
    menu->GetHost()->Move({screenPoint.x, screenPoint.y,
                           screenPoint.x + menu->m_PaintManager.ScaleValue(size.cx),
                           screenPoint.y + menu->m_PaintManager.ScaleValue(size.cy)});
    menu->ShowWindow(true, false);
    return menu;
}

void CMenuWnd::Dismiss() {
    chosen_.clear();
    Close(IDCANCEL);
}

CControlUI* CMenuWnd::CreateControl(const std::string& className) {
    if (EqualsNoCase(className, "Menu")) return new CVerticalLayoutUI;
    if (EqualsNoCase(className, "MenuElement")) return new CMenuElementUI;
    return nullptr;
}

void CMenuWnd::OnClick(TNotifyUI& msg) {
    if (msg.pSender == nullptr || IsClosing()) return;
    chosen_ = msg.pSender->GetName();
    Close(IDOK);
}

void CMenuWnd::OnCloseRequest() {
    Dismiss();
}

bool CMenuWnd::PreviewInput(const InputEvent& event) {
    if (event.type == InputEvent::Type::KeyDown && event.keyCode == keys::kEscape) {
        Dismiss();
        return true;
    }
    if (event.type == InputEvent::Type::WindowFocusOut) Dismiss();
    return false;  // no caption dragging in a menu
}

void CMenuWnd::OnFinalMessage() {
    // The command goes out after the menu is gone, so the handler may open
    // windows or menus of its own.
    CommandHandler handler = std::move(onCommand_);
    std::string chosen = std::move(chosen_);
    delete this;
    if (handler && !chosen.empty()) handler(std::move(chosen));
}

}  // namespace kelno::skin
