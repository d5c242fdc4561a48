// The skin picker pop-up built from the program's skin on the headless
// window system: where it opens, its tabs, and the pick each button makes,
// delivered once the frame is gone.

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "app/ui/skin_frame.h"
#include "skin/core/control.h"
#include "skin/layout/layouts.h"
#include "skin/window/headless_window_system.h"
#include "skin_fixture.h"

namespace kelno::app {
namespace {

class SkinFrameTest : public test::OwnedWindowTest {
  protected:
    CSkinFrame* Open() {
        return CSkinFrame::Show(&owner_, {400, 60},
                                [this](CSkinFrame::Pick pick) { picks_.push_back(pick); });
    }
    static void Click(CSkinFrame& frame, const char* name) {
        frame.GetPaintManager().UpdateLayout();
        skin::CControlUI* control = frame.GetPaintManager().FindControl(name);
        ASSERT_NE(control, nullptr) << name;
        ASSERT_TRUE(control->IsVisible()) << name;
        skin::HeadlessWindowSystem::Inner(frame.GetHost())->Click(control->GetPos().Center());
    }
    // Opens a frame, clicks the controls in turn and returns what it picked.
    std::optional<CSkinFrame::Pick> PickBy(std::vector<const char*> names) {
        picks_.clear();
        CSkinFrame* frame = Open();
        EXPECT_NE(frame, nullptr);
        if (!frame) return std::nullopt;
        for (const char* name : names) Click(*frame, name);
        EXPECT_TRUE(picks_.empty()) << "a pick comes once the frame is gone";
        system_.RunPendingTasks();
        if (picks_.empty()) return std::nullopt;
        return picks_.back();
    }

    std::vector<CSkinFrame::Pick> picks_;
};

TEST_F(SkinFrameTest, OpensWithItsTopRightCornerUnderTheButton) {
    CSkinFrame* frame = Open();
    ASSERT_NE(frame, nullptr);
    const skin::Rect rect = frame->GetHost()->WindowRect();
    EXPECT_EQ(rect.right, 400);
    EXPECT_EQ(rect.top, 60);
    EXPECT_GT(rect.Width(), 100);
    frame->Dismiss();
    system_.RunPendingTasks();
    EXPECT_TRUE(picks_.empty());
}

TEST_F(SkinFrameTest, EachButtonPicksItsChoice) {
    auto pick = PickBy({"skin_image_btn"});
    ASSERT_TRUE(pick);
    EXPECT_EQ(pick->choice, BuiltInSkinChoice("common/background/nebula.png"));

    pick = PickBy({"skin_color", "skin_color_btn"});
    ASSERT_TRUE(pick) << "the colour tab opens in place";
    EXPECT_EQ(pick->choice, ColourSkinChoice(0xFF121419));

    pick = PickBy({"skin_reset"});
    ASSERT_TRUE(pick);
    EXPECT_EQ(pick->choice, DefaultSkinChoice());

    pick = PickBy({"skin_Custom"});
    ASSERT_TRUE(pick);
    EXPECT_EQ(pick->what, CSkinFrame::Pick::What::CustomFile);
}

TEST_F(SkinFrameTest, EscapeDismissesWithoutAPick) {
    CSkinFrame* frame = Open();
    ASSERT_NE(frame, nullptr);
    skin::HeadlessWindowSystem::Inner(frame->GetHost())->PressKey(skin::keys::kEscape);
    system_.RunPendingTasks();
    EXPECT_TRUE(picks_.empty());
}

}  // namespace
}  // namespace kelno::app
