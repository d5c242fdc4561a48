// The main window's background: the skin picker under the skin button, the
// background shown on the root, and the choice kept for the next start.

#include "app/app_messages.h"
#include "app/main_window.h"
#include "core/debug_output.h"
#include "skin/core/image_cache.h"
#include "skin/core/png_file.h"
#include "skin/window/window_system.h"

namespace kelno::app {
namespace {

constexpr const char* kSkinImageFailed = "skin_image_failed_text";
constexpr const char* kSkinImageTooLarge = "skin_image_too_large_text";
constexpr const char* kSkinStartImageFailed = "skin_start_image_failed_text";
constexpr const char* kSkinStartImageTooLarge = "skin_start_image_too_large_text";
constexpr const char* kSkinSaveFailed = "skin_save_failed_text";
// The image cache's name of the user's own picture.
constexpr const char* kCustomBackground = "custom_background_picture";

}  // namespace

void CMainWnd::OpenSkinPicker() {
    skin::CControlUI* button = m_PaintManager.FindControl("skinbtn");
    const skin::Rect window = GetHost() ? GetHost()->WindowRect() : skin::Rect{};
    const skin::Rect at = button ? button->GetPos() : skin::Rect{};
    // Its top-right corner under the button's bottom-right corner.
    CSkinFrame::Show(this, {window.left + at.right, window.top + at.bottom},
                     [this](CSkinFrame::Pick pick) { PostMessage(kMsgSkinPicked, std::move(pick)); });
}

void CMainWnd::OnSkinPicked(const CSkinFrame::Pick& pick) {
    SkinChoice choice = pick.choice;
    if (pick.what == CSkinFrame::Pick::What::CustomFile) {
        const std::optional<std::string> path =
            skin::ShowOpenFileDialog(GetHost(), "", {{"PNG", {"*.png", "*.PNG"}}, {"*", {"*"}}});
        if (!path) return;
        choice = CustomSkinChoice(*path);
    }
    if (const SkinApplied applied = ApplySkin(choice); !applied) {
        ShowMessage(applied.failureText, Buttons::Ok);
        return;
    }
    if (!SaveSkinChoice(options_.userData, choice)) ShowMessage(kSkinSaveFailed, Buttons::Ok);
}

void CMainWnd::ApplyStoredSkin() {
    const std::optional<SkinChoice> stored = LoadSkinChoice(options_.userData);
    if (!stored) return;
    if (const SkinApplied applied = ApplySkin(*stored); !applied)
        ShowNoticeLater(applied.failureText == kSkinImageTooLarge ? kSkinStartImageTooLarge
                                                                   : kSkinStartImageFailed);
}

CMainWnd::SkinApplied CMainWnd::ApplySkin(const SkinChoice& choice) {
    skin::CControlUI* root = m_PaintManager.FindControl("root");
    if (!root) return {kSkinImageFailed};
    const SkinChangedParam& param = choice.param;
    if (param.isColour) {
        root->SetBkColor(param.colour);
        root->SetBkImage({});
        return {};
    }
    std::string image = param.image;
    if (choice.kind == SkinChoice::Kind::Custom) {
        // Loaded here and named by us: a path is never read as image
        // attributes, a picture changed on disk is read afresh, and each
        // pick replaces the last one in the image cache.
        // The file is opened without blocking and only when it is a regular
        // file, and its size is checked before it is decoded: a FIFO or a
        // huge picture must not hold the window at every start.
        skin::PngRead picture = skin::ReadPngFile(param.image);
        if (!picture.image) {
            DebugOutputF("background %s cannot be loaded (%d)", param.image.c_str(),
                         static_cast<int>(picture.error));
            return {picture.error == skin::PngReadError::TooLarge ? kSkinImageTooLarge
                                                                  : kSkinImageFailed};
        }
        image = kCustomBackground;
        skin::CPaintManagerUI::AddImage(image, std::move(picture.image));
    } else if (!m_PaintManager.GetImage(image)) {
        DebugOutputF("background %s is not in the skin", image.c_str());
        return {kSkinImageFailed};
    }
    root->SetBkColor(0);
    root->SetBkImage(image);
    return {};
}

}  // namespace kelno::app
