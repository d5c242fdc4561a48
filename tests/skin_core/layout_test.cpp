// Layout arithmetic: fixed and stretching sizes, padding, inset, child
// padding, min/max, float, scrolling, tabs and DPI scaling.

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "skin/controls/scrollbar.h"
#include "skin/core/container.h"
#include "skin/layout/layouts.h"
#include "skin_fixture.h"

namespace kelno::skin::test {
namespace {

struct LayoutCase {
    const char* what;
    Size client;
    double dpi;
    const char* xml;
    std::vector<std::pair<const char*, Rect>> expected;
};

TEST(SkinLayout, Arithmetic) {
    const LayoutCase cases[] = {
        {"fixed and stretch in a row",
         {300, 100},
         1.0,
         "<HorizontalLayout><Control name='a' width='50'/><Control name='b'/>"
         "<Control name='c' width='30'/></HorizontalLayout>",
         {{"a", {0, 0, 50, 100}}, {"b", {50, 0, 270, 100}}, {"c", {270, 0, 300, 100}}}},
        {"inset and child padding",
         {300, 100},
         1.0,
         "<HorizontalLayout inset='5,5,5,5' childpadding='10'><Control name='a' width='50'/>"
         "<Control name='b'/><Control name='c' width='30'/></HorizontalLayout>",
         {{"a", {5, 5, 55, 95}}, {"b", {65, 5, 255, 95}}, {"c", {265, 5, 295, 95}}}},
        {"padding of a child",
         {300, 100},
         1.0,
         "<HorizontalLayout><Control name='a' width='50' padding='10,20,5,0'/>"
         "<Control name='b'/></HorizontalLayout>",
         {{"a", {10, 20, 60, 100}}, {"b", {65, 0, 300, 100}}}},
        {"a stretching child held by its maximum",
         {300, 100},
         1.0,
         "<HorizontalLayout><Control name='a' maxwidth='40'/><Control "
         "name='b'/></HorizontalLayout>",
         {{"a", {0, 0, 40, 100}}, {"b", {40, 0, 300, 100}}}},
        {"a stretching child held by its minimum",
         {300, 100},
         1.0,
         "<HorizontalLayout><Control name='a' minwidth='200'/><Control name='b'/>"
         "<Control name='c'/></HorizontalLayout>",
         {{"a", {0, 0, 200, 100}}, {"b", {200, 0, 250, 100}}, {"c", {250, 0, 300, 100}}}},
        {"the rounding remainder goes to the last sharer",
         {100, 10},
         1.0,
         "<HorizontalLayout><Control name='a'/><Control name='b'/><Control name='c'/>"
         "</HorizontalLayout>",
         {{"a", {0, 0, 33, 10}}, {"b", {33, 0, 66, 10}}, {"c", {66, 0, 100, 10}}}},
        {"fixed size clamped by min and max",
         {300, 100},
         1.0,
         "<HorizontalLayout><Control name='a' width='500' maxwidth='80' height='5' "
         "minheight='20'/></HorizontalLayout>",
         {{"a", {0, 0, 80, 20}}}},
        {"fixed widths larger than the row leave stretchers empty",
         {100, 10},
         1.0,
         "<HorizontalLayout><Control name='a' width='80'/><Control name='b'/>"
         "<Control name='c' width='80'/></HorizontalLayout>",
         {{"a", {0, 0, 80, 10}}, {"b", {80, 0, 80, 10}}, {"c", {80, 0, 160, 10}}}},
        {"float child placed by pos, ignoring inset and siblings",
         {300, 100},
         1.0,
         "<HorizontalLayout inset='7,7,7,7'><Control name='a' width='50'/>"
         "<Control name='f' float='true' pos='10,20,60,45'/></HorizontalLayout>",
         {{"a", {7, 7, 57, 93}}, {"f", {10, 20, 60, 45}}}},
        {"hidden children take no room",
         {300, 100},
         1.0,
         "<HorizontalLayout childpadding='4'><Control name='a' width='50' visible='false'/>"
         "<Control name='b'/></HorizontalLayout>",
         {{"b", {0, 0, 300, 100}}}},
        {"a column",
         {300, 100},
         1.0,
         "<VerticalLayout childpadding='2'><Control name='a' height='20'/><Control name='b'/>"
         "<Control name='c' height='10' width='40' padding='3,0,0,0'/></VerticalLayout>",
         {{"a", {0, 0, 300, 20}}, {"b", {0, 22, 300, 88}}, {"c", {3, 90, 43, 100}}}},
        {"nested layouts",
         {200, 100},
         1.0,
         "<VerticalLayout><HorizontalLayout name='row' height='40'><Control name='a'/>"
         "<Control name='b' width='20'/></HorizontalLayout><Control name='c'/></VerticalLayout>",
         {{"row", {0, 0, 200, 40}},
          {"a", {0, 0, 180, 40}},
          {"b", {180, 0, 200, 40}},
          {"c", {0, 40, 200, 100}}}},
        {"plain container gives each child the inner rectangle",
         {200, 100},
         1.0,
         "<Container inset='10,10,10,10'><Control name='a'/><Control name='b' width='30' "
         "height='20'/></Container>",
         {{"a", {10, 10, 190, 90}}, {"b", {10, 10, 40, 30}}}},
        {"DPI scale 2 doubles logical sizes",
         {600, 200},
         2.0,
         "<HorizontalLayout childpadding='5' inset='1,1,1,1'><Control name='a' width='50'/>"
         "<Control name='b'/><Control name='f' float='true' pos='10,10,20,20'/>"
         "</HorizontalLayout>",
         {{"a", {2, 2, 102, 198}}, {"b", {112, 2, 598, 198}}, {"f", {20, 20, 40, 40}}}},
    };
    for (const LayoutCase& c : cases) {
        SCOPED_TRACE(c.what);
        SkinWindow w(c.client, c.dpi);
        w.Load(c.xml);
        for (const auto& [name, rect] : c.expected) EXPECT_EQ(w.PosOf(name), rect) << name;
    }
}

TEST(SkinLayout, FollowsTheWindowSizeAndScale) {
    SkinWindow w({300, 100});
    w.Load(
        "<HorizontalLayout><Control name='a' width='50'/><Control name='b'/></HorizontalLayout>");
    w.host.PaintAll();
    w.host.Resize({500, 80});
    EXPECT_EQ(w.host.DirtyRect(), (Rect{0, 0, 500, 80}));
    EXPECT_EQ(w.PosOf("b"), (Rect{50, 0, 500, 80}));
    // A visibility change lays the row out again.
    w.pm.FindControl("a")->SetVisible(false);
    EXPECT_EQ(w.PosOf("b"), (Rect{0, 0, 500, 80}));
}

TEST(SkinLayout, ColumnScrollsWhenTheContentIsTaller) {
    SkinWindow w({300, 100});
    w.Load(
        "<VerticalLayout name='col' vscrollbar='true'><Control name='a' height='80'/>"
        "<Control name='b' height='80'/><Control name='s'/></VerticalLayout>");
    auto* col = w.Find<CContainerUI>("col");
    ASSERT_NE(col->GetVerticalScrollBar(), nullptr);
    EXPECT_TRUE(col->GetVerticalScrollBar()->IsVisible());
    EXPECT_EQ(col->GetScrollRange(), 60);
    // The bar takes its width from the children; a stretcher gets nothing.
    EXPECT_EQ(w.PosOf("a"), (Rect{0, 0, 290, 80}));
    EXPECT_EQ(w.PosOf("s").Height(), 0);

    col->SetScrollPos(30);
    EXPECT_EQ(w.PosOf("a"), (Rect{0, -30, 290, 50}));
    EXPECT_EQ(w.PosOf("b"), (Rect{0, 50, 290, 130}));
    col->SetScrollPos(1000);  // clamped to the range
    EXPECT_EQ(col->GetScrollPos(), 60);

    // The wheel scrolls the column the pointer is over.
    w.host.Wheel({50, 50}, +1);
    EXPECT_EQ(col->GetScrollPos(), 40);

    // Dragging the thumb scrolls in proportion; a press on the track pages.
    CScrollBarUI* bar = col->GetVerticalScrollBar();
    col->SetScrollPos(0);
    Rect thumb = bar->GetThumbRect();
    int travel = bar->GetPos().Height() - thumb.Height();
    ASSERT_GT(travel, 0);
    w.host.Drag(thumb.Center(), {thumb.Center().x, thumb.Center().y + travel});
    EXPECT_EQ(col->GetScrollPos(), 60);
    EXPECT_EQ(w.pm.GetFocus(), nullptr);  // the bar never takes the focus
    w.host.Click({bar->GetPos().Center().x, bar->GetPos().top + 1});
    EXPECT_EQ(col->GetScrollPos(), 0);
    w.host.Wheel({50, 50}, -1);
    EXPECT_EQ(col->GetScrollPos(), 20);

    // Content that fits again hides the bar and resets the offset.
    w.pm.FindControl("b")->SetVisible(false);
    w.pm.UpdateLayout();
    EXPECT_FALSE(col->GetVerticalScrollBar()->IsVisible());
    EXPECT_EQ(col->GetScrollPos(), 0);
    EXPECT_EQ(w.PosOf("a"), (Rect{0, 0, 300, 80}));
}

TEST(SkinLayout, TabLayoutShowsOnlyTheSelectedPage) {
    SkinWindow w({200, 100});
    w.Load(
        "<TabLayout name='tabs' selectedid='1'><Control name='p0'/>"
        "<VerticalLayout name='p1'><Edit name='e'/></VerticalLayout><Control name='p2'/>"
        "</TabLayout>");
    auto* tabs = w.Find<CTabLayoutUI>("tabs");
    EXPECT_EQ(tabs->GetCurSel(), 1);
    EXPECT_FALSE(w.pm.FindControl("p0")->IsVisible());
    EXPECT_TRUE(w.pm.FindControl("p1")->IsVisible());
    EXPECT_EQ(w.PosOf("p1"), (Rect{0, 0, 200, 100}));

    w.Click("e");
    ASSERT_EQ(w.pm.GetFocus(), w.pm.FindControl("e"));
    w.recorder.notices.clear();

    EXPECT_TRUE(tabs->SelectItem(2));  // programmatic: no notification
    EXPECT_TRUE(w.recorder.OfType("tabselect").empty());
    EXPECT_TRUE(w.pm.FindControl("p2")->IsVisible());
    EXPECT_FALSE(w.pm.FindControl("e")->IsVisible());
    // The edit on the hidden page lost the focus, and said so.
    EXPECT_EQ(w.pm.GetFocus(), nullptr);
    EXPECT_EQ(w.recorder.OfType("killfocus").size(), 1u);

    EXPECT_FALSE(tabs->SelectItem(3));
    EXPECT_FALSE(tabs->SelectItem(-1));
    EXPECT_EQ(tabs->GetCurSel(), 2);
    EXPECT_TRUE(tabs->SelectItem(0, true));
    ASSERT_EQ(w.recorder.OfType("tabselect").size(), 1u);
    EXPECT_EQ(w.recorder.OfType("tabselect")[0].wParam, 0u);

    // Removing the selected page keeps a valid selection.
    tabs->Remove(w.pm.FindControl("p0"));
    EXPECT_EQ(tabs->GetCurSel(), 0);
    EXPECT_TRUE(w.pm.FindControl("p1")->IsVisible());
}

}  // namespace
}  // namespace kelno::skin::test
