// Automation commands run against a small window the way the UI thread runs
// them for the server: the input they inject and the notifications it raises.

#include <gtest/gtest.h>

#include "automation_fixture.h"
#include "support/temp_folder.h"

namespace kelno::skin {
namespace {

using AutomationExecutorTest = test::AutomationFixture;

TEST_F(AutomationExecutorTest, FindReportsTheKthControlOfAName) {
    EXPECT_EQ(Run("find btn"),
              "ok class=ButtonUI visible=1 enabled=1 selected=0 value=0 items=0 cursel=-1 "
              "text=First");
    EXPECT_EQ(Run("find BTN#1").substr(0, 27), "ok class=ButtonUI visible=0")
        << "a control in a hidden panel is not visible";
    EXPECT_EQ(Run("find btn#2").substr(0, 4), "err ");
    EXPECT_EQ(Run("find nothing").substr(0, 4), "err ");
    EXPECT_EQ(Run("find name_edit").substr(0, 17), "ok class=EditUI v");
    EXPECT_NE(Run("find name_edit").find("text=line\\none"), std::string::npos);
    EXPECT_EQ(Run("bogus"), "err unknown command: bogus");
}

TEST_F(AutomationExecutorTest, ClickIsARealPointerSequenceAtTheCentre) {
    EXPECT_EQ(Run("click btn"), "ok");
    ASSERT_EQ(input_.events.size(), 3u);
    EXPECT_EQ(input_.events[0].type, InputEvent::Type::MouseMove);
    EXPECT_EQ(input_.events[1].type, InputEvent::Type::MouseDown);
    EXPECT_EQ(input_.events[2].type, InputEvent::Type::MouseUp);
    EXPECT_EQ(input_.events[1].point, first_->GetPos().Center());
    EXPECT_TRUE(log_.Saw("click btn"));

    EXPECT_EQ(Run("click opt"), "ok");
    EXPECT_TRUE(option_->IsSelected());
    EXPECT_TRUE(log_.Saw("selectchanged opt"));
    EXPECT_EQ(Run("find opt").substr(0, 48), "ok class=OptionUI visible=1 enabled=1 selected=1");

    input_.events.clear();
    EXPECT_EQ(Run("dblclick btn"), "ok");
    ASSERT_EQ(input_.events.size(), 5u);
    EXPECT_EQ(input_.events[3].type, InputEvent::Type::DoubleClick);
}

TEST_F(AutomationExecutorTest, HiddenControlsAreNotClicked) {
    EXPECT_EQ(Run("click btn#1"), "err not visible: btn");
    EXPECT_TRUE(input_.events.empty());
}

TEST_F(AutomationExecutorTest, TypeFocusesTypesAndLeaves) {
    edit_->SetText("");
    EXPECT_EQ(Run("type name_edit Grüße 1"), "ok");
    EXPECT_EQ(edit_->GetText(), "Grüße 1");
    EXPECT_TRUE(log_.Saw("setfocus name_edit"));
    EXPECT_TRUE(log_.Saw("textchanged name_edit"));
    EXPECT_TRUE(log_.Saw("killfocus name_edit"));
    EXPECT_EQ(pm_.GetFocus(), nullptr);

    EXPECT_EQ(Run("type name_edit \xC3("), "err text is not UTF-8");
    EXPECT_EQ(edit_->GetText(), "Grüße 1");
}

TEST_F(AutomationExecutorTest, ScreenshotWritesThePngOfAVisibleWindow) {
    kelno::test::TempFolder folder;
    std::string path = (folder / "shot.png").string();
    EXPECT_EQ(Run("screenshot " + path), "err no visible window");
    host_.Show(true);
    EXPECT_EQ(Run("screenshot " + path), "ok");
    cairo_surface_t* png = cairo_image_surface_create_from_png(path.c_str());
    ASSERT_EQ(cairo_surface_status(png), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(cairo_image_surface_get_width(png), 400);
    EXPECT_EQ(cairo_image_surface_get_height(png), 300);
    cairo_surface_destroy(png);
    EXPECT_EQ(Run("screenshot " + (folder / "missing" / "x.png").string()).substr(0, 4), "err ");
}

TEST_F(AutomationExecutorTest, SelectPicksAComboItemThroughTheDropList) {
    EXPECT_EQ(Run("select combo 6"), "ok") << "item 6 lies below the list's visible part";
    EXPECT_EQ(combo_->GetCurSel(), 6);
    EXPECT_FALSE(combo_->IsDropOpen());
    EXPECT_TRUE(log_.Saw("itemselect combo"));
    EXPECT_EQ(
        Run("find combo"),
        "ok class=ComboUI visible=1 enabled=1 selected=0 value=0 items=8 cursel=6 text=item 6");
    EXPECT_EQ(Run("select combo 8"), "err no item 8");
    EXPECT_EQ(Run("select btn 0"), "err not a combo or list: btn");
}

TEST_F(AutomationExecutorTest, SetValueDragsTheThumb) {
    for (int value : {7, 0, 10, 3}) {
        SCOPED_TRACE(value);
        log_.lines.clear();
        EXPECT_EQ(Run("set-value slider " + std::to_string(value)), "ok");
        EXPECT_EQ(slider_->GetValue(), value);
        EXPECT_TRUE(log_.Saw("valuechanged slider"));
        EXPECT_FALSE(slider_->IsDragging());
    }
    EXPECT_EQ(Run("set-value slider 11"), "err value out of range 0..10");
    EXPECT_EQ(Run("set-value combo 1"), "err not a slider: combo");
}

}  // namespace
}  // namespace kelno::skin
