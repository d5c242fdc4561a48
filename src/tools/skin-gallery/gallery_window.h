#pragma once
// The skin gallery's windows: the main window showing every control of the
// skin library, its pop-up menu and a modal dialog. Every notification the
// main window receives is written as one line "notify <type> <sender name>"
// so tests can follow what a user's actions raised.

#include <ostream>
#include <string>

#include "skin/window/window_impl_base.h"

namespace kelno::gallery {

class GalleryWindow final : public skin::WindowImplBase {
  public:
    // Lines go to `out` (flushed each time).
    explicit GalleryWindow(std::ostream& out) : out_(out) {}

    void Notify(skin::TNotifyUI& msg) override;

  protected:
    std::string GetSkinFile() override { return "gallery.xml"; }
    void InitWindow() override;
    void OnClick(skin::TNotifyUI& msg) override;
    void OnCloseRequest() override;
    void OnFinalMessage() override;

  private:
    void ShowGalleryMenu();
    void ShowModalDialog();
    void SetStatus(const std::string& text);

    std::ostream& out_;
};

}  // namespace kelno::gallery
