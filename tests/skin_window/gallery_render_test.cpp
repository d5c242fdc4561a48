// The gallery layout rendered headless: every control class is there, laid
// out inside the window, painted, and the gallery's own behaviour (tabs,
// menu, modal dialog, notifications) works on the headless window system.

#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "gallery_window.h"
#include "skin/automation/automation_server.h"
#include "skin/automation/control_probe.h"
#include "skin/core/control.h"
#include "skin/core/paint_manager.h"
#include "skin/window/headless_window_system.h"
#include "skin/window/menu_wnd.h"

namespace kelno::skin {
namespace {

CControlUI* CollectAll(CControlUI* control, void* data) {
    static_cast<std::vector<CControlUI*>*>(data)->push_back(control);
    return nullptr;
}

class GalleryRenderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetWindowSystem(&system_);
        CPaintManagerUI::SetResourcePath(KELNO_GALLERY_RESOURCES);
        ASSERT_TRUE(window_.Create(nullptr, "gallery")) << window_.GetBuildError();
        window_.ShowWindow();
        host_ = HeadlessWindowSystem::Inner(window_.GetHost());
        host_->PaintAll();
    }
    void TearDown() override {
        window_.Close();
        system_.RunPendingTasks();
        SetWindowSystem(nullptr);
    }

    std::vector<CControlUI*> AllControls() {
        std::vector<CControlUI*> all;
        window_.GetPaintManager().GetRoot()->FindControl(&CollectAll, &all, UIFIND_ME_FIRST);
        return all;
    }
    Point CentreOf(const char* name) {
        window_.GetPaintManager().UpdateLayout();
        CControlUI* c = window_.GetPaintManager().FindControl(name);
        EXPECT_NE(c, nullptr) << name;
        return c ? c->GetPos().Center() : Point{};
    }
    bool Printed(const std::string& line) const {
        return out_.str().find(line + "\n") != std::string::npos;
    }

    HeadlessWindowSystem system_;
    std::ostringstream out_;
    gallery::GalleryWindow window_{out_};
    HeadlessHost* host_ = nullptr;
};

TEST_F(GalleryRenderTest, ShowsEveryControlClassInsideTheWindow) {
    std::set<std::string> classes;
    const Rect client{0, 0, 900, 640};
    EXPECT_EQ(window_.GetHost()->ClientSize(), (Size{900, 640}));
    for (CControlUI* c : AllControls()) {
        classes.insert(c->GetClass());
        bool shown = true;
        for (CControlUI* p = c; p; p = p->GetParent()) shown = shown && p->IsVisible();
        // Combo items live in the drop-down list, placed only while it is open.
        bool inCombo = c->GetParent() && c->GetParent()->GetClass() == "ComboUI";
        if (!shown || inCombo || c->GetName().empty()) continue;
        SCOPED_TRACE(c->GetName());
        EXPECT_FALSE(c->GetPos().IsEmpty());
        EXPECT_EQ(c->GetPos().Intersect(client), c->GetPos()) << "outside the window";
    }
    for (const char* expected : {"ButtonUI",
                                 "OptionUI",
                                 "CheckBoxUI",
                                 "LabelUI",
                                 "TextUI",
                                 "EditUI",
                                 "RichEditUI",
                                 "ComboUI",
                                 "ListLabelElementUI",
                                 "ListUI",
                                 "ListHeaderUI",
                                 "ListHeaderItemUI",
                                 "ListTextElementUI",
                                 "ListContainerElementUI",
                                 "SliderUI",
                                 "ProgressUI",
                                 "ColorPaletteUI",
                                 "TabLayoutUI",
                                 "HorizontalLayoutUI",
                                 "VerticalLayoutUI"}) {
        EXPECT_TRUE(classes.count(expected)) << expected << " is missing from the gallery";
    }
}

TEST_F(GalleryRenderTest, PaintsBackgroundsAndText) {
    ASSERT_TRUE(host_->RenderToPng(KELNO_TEST_ARTEFACTS "/gallery-headless.png"));
    EXPECT_EQ(host_->PixelAt({300, 5}), 0xFF20242Cu) << "title bar";
    EXPECT_EQ(host_->PixelAt({450, 600}), 0xFFF4F5F7u) << "window background";
    // The title's text leaves lighter pixels on the dark bar.
    Rect title = window_.GetPaintManager().FindControl("title")->GetPos();
    int lit = 0;
    for (int x = title.left; x < title.right; ++x)
        for (int y = title.top; y < title.bottom; ++y)
            if ((host_->PixelAt({x, y}) & 0xFF) > 0x80) ++lit;
    EXPECT_GT(lit, 20);
}

TEST_F(GalleryRenderTest, UserActionsRaiseTheirNotifications) {
    EXPECT_TRUE(Printed("notify windowinit root"));
    host_->Click(CentreOf("option_blue"));
    EXPECT_TRUE(Printed("notify selectchanged option_blue"));
    host_->Click(CentreOf("tab_option_1"));
    CControlUI* page = window_.GetPaintManager().FindControl("page_scrolling");
    EXPECT_TRUE(page->IsVisible()) << "the tab option turns the page";
    host_->Drag(CentreOf("level_slider"),
                {CentreOf("level_slider").x + 60, CentreOf("level_slider").y});
    EXPECT_TRUE(Printed("notify valuechanged level_slider"));
    auto* progress = window_.GetPaintManager().FindControl("level_progress");
    auto* slider = window_.GetPaintManager().FindControl("level_slider");
    EXPECT_EQ(SnapshotOf(progress).value, SnapshotOf(slider).value) << "the progress bar follows";
}

TEST_F(GalleryRenderTest, RestingOnAControlShowsItsTooltip) {
    host_->MouseMove(CentreOf("plain_button"));
    host_->AdvanceTime(window_.GetPaintManager().GetHoverTimeMs() + 50);
    EXPECT_EQ(HeadlessWindowSystem::ToolTipOf(window_.GetHost()), "A button with state images");
    host_->MouseMove(CentreOf("status"));
    EXPECT_EQ(HeadlessWindowSystem::ToolTipOf(window_.GetHost()), "");
}

TEST_F(GalleryRenderTest, MenuAndModalDialog) {
    host_->Click(CentreOf("menu_button"));
    std::vector<AutomationTarget> windows = AutomationServer::RegisteredWindows();
    ASSERT_EQ(windows.size(), 2u) << "the menu is a window of its own";
    CPaintManagerUI* menu = windows[1].manager;
    menu->UpdateLayout();
    Rect about = menu->FindControl("menu_about")->GetPos();
    EXPECT_FALSE(about.IsEmpty());
    HeadlessWindowSystem::Inner(menu->GetHost())->Click(about.Center());
    system_.RunPendingTasks();
    EXPECT_TRUE(Printed("menu menu_about"));

    // The dialog's OK is pressed from inside its modal loop.
    window_.GetHost()->PostTask([&] {
        std::vector<AutomationTarget> now = AutomationServer::RegisteredWindows();
        CPaintManagerUI* dialog = now.back().manager;
        dialog->UpdateLayout();
        HeadlessWindowSystem::Inner(dialog->GetHost())
            ->Click(dialog->FindControl("dialog_ok")->GetPos().Center());
    });
    host_->Click(CentreOf("modal_button"));
    EXPECT_TRUE(Printed("modal 1"));
}

}  // namespace
}  // namespace kelno::skin
