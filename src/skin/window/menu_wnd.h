#pragma once
// CMenuWnd: a pop-up menu built from a menu layout file. Its items are the
// controls that raise "click" (the elements <MenuElement name="..."
// text="..."/> inside <Menu>, or any button); choosing one closes the menu and
// hands the item's name, by value, to the owner's handler once the menu is
// gone. A click outside the menu, Escape or the owner closing dismisses it
// without a command.

#include <functional>
#include <string>

#include "skin/window/window_impl_base.h"

namespace kelno::skin {

class CMenuWnd final : public WindowImplBase {
  public:
    using CommandHandler = std::function<void(std::string command)>;

    // Opens a menu at `screenPoint` (its top-left corner). The menu deletes
    // itself when closed. Returns it (to close it early), or null when it
    // could not be built.
    static CMenuWnd* ShowMenu(CWindowWnd* owner, const std::string& xmlFile, Point screenPoint,
                              CommandHandler onCommand);

    // Closes the menu without a command.
    void Dismiss();

  protected:
    std::string GetSkinFile() override { return xmlFile_; }
    CControlUI* CreateControl(const std::string& className) override;
    void OnClick(TNotifyUI& msg) override;
    void OnCloseRequest() override;
    bool PreviewInput(const InputEvent& event) override;
    void OnFinalMessage() override;

  private:
    CMenuWnd(std::string xmlFile, CommandHandler onCommand);

    std::string xmlFile_;
    CommandHandler onCommand_;
    std::string chosen_;
};

}  // namespace kelno::skin
