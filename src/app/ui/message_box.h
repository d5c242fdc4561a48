#pragma once
// The application's one modal question and notice window ("XML_MSG"): a
// title, a text (usually a language text id) and one or two buttons.

#include <optional>
#include <string>

#include "skin/window/window_impl_base.h"

namespace kelno::app {

// Button modes.
inline constexpr int kMessageBoxConfirm = 0;        // "confirm_btn" only
inline constexpr int kMessageBoxConfirmCancel = 1;  // both buttons
// Any other mode leaves the buttons as the skin shows them.

// What a closed message box answers.
inline constexpr int kMessageBoxConfirmed = 1;  // "confirm_btn"
inline constexpr int kMessageBoxCancelled = 0;  // "cancel_btn", "closebtn", closed otherwise

struct MessageBoxRequest {
    std::string text;  // a language text id unless textIsResourceId is false
    int buttons = kMessageBoxConfirmCancel;
    std::string title;  // empty: the skin's title
    bool textIsResourceId = true;
    // Fills the first "%d" of the text (e.g. "message_text_16").
    std::optional<int> number;
    // Lines of plain text under the text (file names and the like), never
    // translated; the box grows to hold them.
    std::string detail;
};

class CMsgWnd final : public skin::WindowImplBase {
  public:
    explicit CMsgWnd(MessageBoxRequest request) : request_(std::move(request)) {}

  protected:
    std::string GetSkinFile() override { return "XML_MSG"; }
    void InitWindow() override;
    void OnClick(skin::TNotifyUI& msg) override;
    void OnCloseRequest() override;

  private:
    MessageBoxRequest request_;
};

// The text as shown: a text id resolved through the current language, the
// first "%d" replaced by `number`, the detail below it. The language text is
// never used as a format string.
std::string MessageBoxText(const MessageBoxRequest& request);

// Shows the message box modally over `owner` (centred) and returns
// kMessageBoxConfirmed or kMessageBoxCancelled. A message box that cannot
// be shown answers kMessageBoxCancelled, never a confirmation.
int showMessageBox(skin::CWindowWnd* owner, const MessageBoxRequest& request);
int showMessageBox(skin::CWindowWnd* owner, const std::string& textId,
                   int buttons = kMessageBoxConfirmCancel);

}  // namespace kelno::app
