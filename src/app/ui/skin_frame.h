#pragma once
// CSkinFrame: the skin picker, a small pop-up under the title bar's skin
// button built from "skin.xml": built-in background images, plain colours,
// the user's own PNG and a reset, on two tabs. A pick closes the frame and
// reaches the owner's handler once the frame is gone (so the handler may
// open a file dialog); a click elsewhere, Escape or the owner closing
// dismisses it without a pick.

#include <functional>
#include <optional>
#include <string>

#include "app/ui/skin_choice.h"
#include "skin/window/window_impl_base.h"

namespace kelno {

class CSkinFrame final : public skin::WindowImplBase {
  public:
    static constexpr const char* kLayout = "skin.xml";

    struct Pick {
        enum class What { Choice, CustomFile };
        What what = What::Choice;
        SkinChoice choice;  // for a choice
    };
    using PickHandler = std::function<void(Pick)>;

    // Opens the frame with its top-right corner at `topRight` (screen
    // pixels). It deletes itself when closed. Null when it could not be built.
    static CSkinFrame* Show(skin::CWindowWnd* owner, skin::Point topRight, PickHandler onPick);

    void Dismiss();

  protected:
    std::string GetSkinFile() override { return kLayout; }
    void OnClick(skin::TNotifyUI& msg) override;
    void Notify(skin::TNotifyUI& msg) override;  // the tabs are options
    void OnCloseRequest() override;
    bool PreviewInput(const skin::InputEvent& event) override;
    void OnFinalMessage() override;

  private:
    explicit CSkinFrame(PickHandler onPick) : onPick_(std::move(onPick)) {}
    void Choose(Pick pick);
    void ShowTab(int page);

    PickHandler onPick_;
    std::optional<Pick> picked_;
};

}  // namespace kelno
