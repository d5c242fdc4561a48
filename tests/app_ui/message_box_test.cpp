// The message box on the headless window system: texts, buttons and the
// answer of each way to close it.

#include <gtest/gtest.h>

#include <functional>

#include "app/ui/message_box.h"
#include "skin/automation/automation_server.h"
#include "skin/core/control.h"
#include "skin/core/paint_manager.h"
#include "skin/core/resource_manager.h"
#include "skin/window/headless_window_system.h"
#include "skin_fixture.h"

namespace kelno::app {
namespace {

using skin::CPaintManagerUI;

class MessageBoxTest : public test::OwnedWindowTest {
  protected:
    // Runs `inside` on the open message box's paint manager from within its
    // modal loop, then shows the box for `request`.
    int ShowAndThen(const MessageBoxRequest& request,
                    std::function<void(CPaintManagerUI&)> inside) {
        owner_.GetHost()->PostTask([inside] {
            std::vector<skin::AutomationTarget> windows =
                skin::AutomationServer::RegisteredWindows();
            ASSERT_GE(windows.size(), 2u) << "the message box is not open";
            CPaintManagerUI& box = *windows.back().manager;
            box.UpdateLayout();
            inside(box);
        });
        return showMessageBox(&owner_, request);
    }
    static void ClickOn(CPaintManagerUI& box, const char* name) {
        skin::CControlUI* control = box.FindControl(name);
        ASSERT_NE(control, nullptr) << name;
        ASSERT_TRUE(control->IsVisible()) << name;
        skin::HeadlessWindowSystem::Inner(box.GetHost())->Click(control->GetPos().Center());
    }
};

TEST_F(MessageBoxTest, AnswersByTheButtonThatClosedIt) {
    struct Case {
        const char* button;
        int answer;
    };
    for (const Case& c :
         {Case{"confirm_btn", kMessageBoxConfirmed}, Case{"cancel_btn", kMessageBoxCancelled},
          Case{"closebtn", kMessageBoxCancelled}}) {
        MessageBoxRequest request;
        request.text = "message_text_22";
        EXPECT_EQ(ShowAndThen(request, [&](CPaintManagerUI& box) { ClickOn(box, c.button); }),
                  c.answer)
            << c.button;
    }
}

TEST_F(MessageBoxTest, ClosedByTheWindowManagerIsNoConfirmation) {
    MessageBoxRequest request;
    request.text = "message_text_22";
    const int answer = ShowAndThen(request, [](CPaintManagerUI&) {
        // What the window manager's close button delivers.
        skin::AutomationServer::RegisteredWindows().back().input->OnHostCloseRequest();
    });
    EXPECT_EQ(answer, kMessageBoxCancelled);
}

TEST_F(MessageBoxTest, ShowsTheLanguageTextAndTheButtonsOfItsMode) {
    const std::string question = skin::CResourceManager::GetInstance().GetText("message_text_22");
    const std::string skinTitle =
        skin::CResourceManager::GetInstance().GetText("message_title_text");
    ASSERT_NE(question, "message_text_22") << "the language file has the text";

    MessageBoxRequest notice;
    notice.text = "message_text_22";
    notice.buttons = kMessageBoxConfirm;
    ShowAndThen(notice, [&](CPaintManagerUI& box) {
        EXPECT_EQ(box.FindControl("MessageText")->GetText(), question);
        EXPECT_EQ(box.FindControl("MessageTitle")->GetText(), skinTitle)
            << "empty title: the skin's";
        EXPECT_FALSE(box.FindControl("cancel_btn")->IsVisible());
        EXPECT_TRUE(box.FindControl("confirm_btn")->IsVisible());
        ClickOn(box, "confirm_btn");
    });

    MessageBoxRequest plain;
    plain.text = "Plain words";
    plain.textIsResourceId = false;
    plain.title = "A title";
    plain.buttons = kMessageBoxConfirmCancel;
    ShowAndThen(plain, [&](CPaintManagerUI& box) {
        EXPECT_EQ(box.FindControl("MessageText")->GetText(), "Plain words");
        EXPECT_EQ(box.FindControl("MessageTitle")->GetText(), "A title");
        EXPECT_TRUE(box.FindControl("cancel_btn")->IsVisible());
        ClickOn(box, "cancel_btn");
    });
}

TEST_F(MessageBoxTest, ADetailIsShownUnderTheTextAndTheBoxGrowsForIt) {
    const std::string notice = skin::CResourceManager::GetInstance().GetText("message_text_22");
    MessageBoxRequest request;
    request.text = "message_text_22";
    request.buttons = kMessageBoxConfirm;
    int plainHeight = 0;
    ShowAndThen(request, [&](CPaintManagerUI& box) {
        plainHeight = box.GetHost()->WindowRect().Height();
        ClickOn(box, "confirm_btn");
    });

    request.detail = "keyboard/ProfileList.ini -> ProfileList.ini.bak\nsettings.json";
    ShowAndThen(request, [&](CPaintManagerUI& box) {
        EXPECT_EQ(box.FindControl("MessageText")->GetText(), notice + "\n\n" + request.detail);
        EXPECT_GT(box.GetHost()->WindowRect().Height(), plainHeight);
        ClickOn(box, "confirm_btn");  // still on the grown box
    });
}

TEST(MessageBoxTextTest, FillsTheNumberWithoutFormattingTheText) {
    skin::CResourceManager::GetInstance().LoadLanguageText(
        "<Language><Text id=\"too_long\" value=\"remove %d events (%s, 100%)\"/></Language>");
    MessageBoxRequest request;
    request.text = "too_long";
    request.number = 12;
    EXPECT_EQ(MessageBoxText(request), "remove 12 events (%s, 100%)");
    request.detail = "a.Json %d";
    EXPECT_EQ(MessageBoxText(request), "remove 12 events (%s, 100%)\n\na.Json %d")
        << "the detail is plain text under it";
    request.detail.clear();
    request.number.reset();
    EXPECT_EQ(MessageBoxText(request), "remove %d events (%s, 100%)");
    request.text = "no_such_id";
    request.number = 3;
    EXPECT_EQ(MessageBoxText(request), "no_such_id") << "a missing text shows its id";
}

}  // namespace
}  // namespace kelno::app
