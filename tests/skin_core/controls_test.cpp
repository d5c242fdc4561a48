// Controls driven through the headless host by name, as a user's input
// arrives: which notifications each action raises, and that changes made
// by code raise none unless asked.

#include <gtest/gtest.h>

#include "skin/controls/button.h"
#include "skin/controls/color_palette.h"
#include "skin/controls/combo.h"
#include "skin/controls/edit.h"
#include "skin/controls/list.h"
#include "skin/controls/progress.h"
#include "skin_fixture.h"

namespace kelno::skin::test {
namespace {

TEST(SkinButton, ClickNeedsPressAndReleaseInside) {
    SkinWindow w;
    w.Load(
        "<HorizontalLayout><Button name='b' width='100'/><Control name='rest'/>"
        "</HorizontalLayout>");
    w.Click("b");
    ASSERT_EQ(w.recorder.OfType("click").size(), 1u);
    EXPECT_EQ(w.recorder.OfType("click")[0].sender, "b");

    // Pressed inside, released outside: no click.
    w.recorder.notices.clear();
    w.host.Drag({50, 50}, {250, 50});
    EXPECT_TRUE(w.recorder.OfType("click").empty());
    EXPECT_FALSE(w.host.IsCaptured());
    EXPECT_FALSE(w.pm.FindControl("b")->IsHot());  // hot follows the release point
    EXPECT_EQ(w.pm.GetHot(), w.pm.FindControl("rest"));

    // A disabled button ignores the click.
    w.pm.FindControl("b")->SetEnabled(false);
    w.Click("b");
    EXPECT_TRUE(w.recorder.OfType("click").empty());
}

TEST(SkinOption, GroupKeepsOneSelectedAndOnlyUsersNotify) {
    SkinWindow w;
    w.Load(
        "<HorizontalLayout><Option name='o1' group='g' selected='true'/>"
        "<Option name='o2' group='g'/><Option name='o3' group='g'/>"
        "<Option name='other' group='h' selected='true'/><CheckBox name='cb'/>"
        "</HorizontalLayout>");
    auto* o1 = w.Find<COptionUI>("o1");
    auto* o2 = w.Find<COptionUI>("o2");
    auto* o3 = w.Find<COptionUI>("o3");
    EXPECT_TRUE(o1->IsSelected());

    w.Click("o2");
    EXPECT_FALSE(o1->IsSelected());
    EXPECT_TRUE(o2->IsSelected());
    auto changes = w.recorder.OfType("selectchanged");
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(changes[0].sender, "o1");
    EXPECT_EQ(changes[0].wParam, 0u);
    EXPECT_EQ(changes[1].sender, "o2");
    EXPECT_EQ(changes[1].wParam, 1u);

    // Clicking the selected option of a group keeps it selected, quietly.
    w.recorder.notices.clear();
    w.Click("o2");
    EXPECT_TRUE(o2->IsSelected());
    EXPECT_TRUE(w.recorder.OfType("selectchanged").empty());

    // Code selects without notifications, still one per group; other
    // groups are untouched.
    o3->Selected(true);
    EXPECT_FALSE(o2->IsSelected());
    EXPECT_TRUE(o3->IsSelected());
    EXPECT_TRUE(w.Find<COptionUI>("other")->IsSelected());
    EXPECT_TRUE(w.recorder.OfType("selectchanged").empty());
    o1->Selected(true, true);
    EXPECT_EQ(w.recorder.OfType("selectchanged").size(), 2u);

    // An option selected before it joins the tree takes the group's
    // selection when it is added.
    auto* late = new COptionUI;
    late->SetName("late");
    late->SetGroup("g");
    late->Selected(true);
    static_cast<CContainerUI*>(w.pm.GetRoot())->Add(late);
    EXPECT_TRUE(late->IsSelected());
    EXPECT_FALSE(o1->IsSelected());

    // A check box toggles on every click.
    auto* cb = w.Find<CCheckBoxUI>("cb");
    w.recorder.notices.clear();
    w.Click("cb");
    w.Click("cb");
    EXPECT_FALSE(cb->GetCheck());
    ASSERT_EQ(w.recorder.OfType("selectchanged").size(), 2u);
    cb->SetCheck(true);
    EXPECT_TRUE(cb->GetCheck());
    EXPECT_EQ(w.recorder.OfType("selectchanged").size(), 2u);
}

TEST(SkinSlider, DragNotifiesWhileMovingAndOnceAtTheEnd) {
    SkinWindow w({200, 100});
    w.Load(
        "<HorizontalLayout inset='10,0,0,0'><Slider name='s' width='110' height='20' "
        "thumbsize='10,10'/><Control/></HorizontalLayout>");
    auto* s = w.Find<CSliderUI>("s");
    Rect rc = w.PosOf("s");  // 110 wide: 100 pixels of travel for 0..100
    int y = rc.Center().y;

    w.host.Drag({rc.left + 5, y}, {rc.left + 105, y}, 4);
    EXPECT_EQ(s->GetValue(), 100);
    auto moves = w.recorder.OfType("movevaluechanged");
    ASSERT_EQ(moves.size(), 4u);
    EXPECT_EQ(moves[0].wParam, 25u);
    EXPECT_EQ(moves.back().wParam, 100u);
    auto ends = w.recorder.OfType("valuechanged");
    ASSERT_EQ(ends.size(), 1u);
    EXPECT_EQ(ends[0].wParam, 100u);

    // Dragging past the end clamps.
    w.recorder.notices.clear();
    w.host.Drag({rc.left + 50, y}, {rc.right + 500, y});
    EXPECT_EQ(s->GetValue(), 100);

    // Code changes notify only when asked.
    w.recorder.notices.clear();
    s->SetValue(40);
    EXPECT_EQ(s->GetValue(), 40);
    EXPECT_TRUE(w.recorder.notices.empty());
    s->SetValue(500, true);
    EXPECT_EQ(s->GetValue(), 100);
    ASSERT_EQ(w.recorder.OfType("valuechanged").size(), 1u);

    // Losing the window mid-drag ends the drag with the last value.
    w.recorder.notices.clear();
    w.host.MouseMove({rc.left + 5, y});
    w.host.MouseDown({rc.left + 5, y});
    w.host.MouseMove({rc.left + 35, y});
    InputEvent out;
    out.type = InputEvent::Type::WindowFocusOut;
    w.host.Send(out);
    EXPECT_FALSE(s->IsDragging());
    EXPECT_EQ(s->GetValue(), 30);
    ASSERT_EQ(w.recorder.OfType("valuechanged").size(), 1u);
    EXPECT_EQ(w.recorder.OfType("valuechanged")[0].wParam, 30u);
}

// Inserting and removing anywhere leaves every item knowing its position and
// the selection on its item, although only the items from a change on are
// told (so that filling a long list stays linear).
template <typename ListControl>
void ExpectPositionsFollowChanges() {
    ListControl list;
    const auto item = [](const char* text) {
        auto* element = new CListLabelElementUI();
        element->SetText(text);
        return element;
    };
    list.Add(item("b"));
    list.Add(item("d"));
    list.SelectItem(1);  // "d"
    list.AddAt(item("a"), 0);
    list.AddAt(item("c"), 2);
    list.Add(item("e"));
    list.RemoveAt(1);  // "b"
    const std::vector<std::string> expected = {"a", "c", "d", "e"};
    ASSERT_EQ(list.GetCount(), 4);
    for (int i = 0; i < list.GetCount(); ++i) {
        EXPECT_EQ(list.GetItemAt(i)->GetText(), expected[static_cast<size_t>(i)]);
        ASSERT_NE(AsListItem(list.GetItemAt(i)), nullptr);
        EXPECT_EQ(AsListItem(list.GetItemAt(i))->GetIndex(), i) << expected[static_cast<size_t>(i)];
    }
    EXPECT_EQ(list.GetCurSel(), 2);
}

TEST(SkinListItems, PositionsFollowInsertsAndRemovals) {
    ExpectPositionsFollowChanges<CComboUI>();
    ExpectPositionsFollowChanges<CListUI>();
}

TEST(SkinCombo, PickingFromTheDropDownSelectsAndNotifies) {
    SkinWindow w({200, 200});
    w.Load(
        "<VerticalLayout><Combo name='c' height='24' width='100'>"
        "<ListLabelElement name='ia' text='A'/><ListLabelElement name='ib' text='B'/>"
        "<ListLabelElement name='ic' text='C'/></Combo><Edit name='after' height='20'/>"
        "<Control/></VerticalLayout>");
    auto* combo = w.Find<CComboUI>("c");
    EXPECT_EQ(combo->GetCurSel(), -1);
    EXPECT_EQ(combo->GetText(), "");

    w.Click("c");
    ASSERT_TRUE(combo->IsDropOpen());
    EXPECT_EQ(w.recorder.OfType("dropdown").size(), 1u);
    // The list opens below the box, one row per item.
    Rect b = w.pm.FindControl("ib")->GetPos();
    EXPECT_EQ(b.top, 24 + 24);
    w.host.Click(b.Center());
    EXPECT_FALSE(combo->IsDropOpen());
    EXPECT_EQ(combo->GetCurSel(), 1);
    EXPECT_EQ(combo->GetText(), "B");
    auto picks = w.recorder.OfType("itemselect");
    ASSERT_EQ(picks.size(), 1u);
    EXPECT_EQ(picks[0].sender, "c");
    EXPECT_EQ(picks[0].wParam, 1u);

    // A press outside closes the list and picks nothing.
    w.Click("c");
    ASSERT_TRUE(combo->IsDropOpen());
    w.host.Click({190, 190});
    EXPECT_FALSE(combo->IsDropOpen());
    EXPECT_EQ(combo->GetCurSel(), 1);
    EXPECT_EQ(w.recorder.OfType("itemselect").size(), 1u);

    // Code: no notification; out of range refused.
    EXPECT_TRUE(combo->SelectItem(2));
    EXPECT_EQ(combo->GetText(), "C");
    EXPECT_FALSE(combo->SelectItem(7));
    EXPECT_EQ(w.recorder.OfType("itemselect").size(), 1u);

    // Keys on the focused box move the selection as the user; picking from
    // the list left the focus on the box.
    EXPECT_EQ(w.pm.GetFocus(), combo);
    w.host.PressKey(keys::kUp);
    EXPECT_EQ(combo->GetCurSel(), 1);
    EXPECT_EQ(w.recorder.OfType("itemselect").size(), 2u);

    // Moving the focus away closes an open list.
    w.Click("c");
    ASSERT_TRUE(combo->IsDropOpen());
    w.host.PressKey(keys::kTab);
    EXPECT_FALSE(combo->IsDropOpen());
    EXPECT_EQ(w.pm.GetFocus(), w.pm.FindControl("after"));

    // Resizing the window closes an open list.
    w.Click("c");
    ASSERT_TRUE(combo->IsDropOpen());
    w.host.Resize({210, 210});
    EXPECT_FALSE(combo->IsDropOpen());

    // Hiding the box closes an open list.
    w.Click("c");
    ASSERT_TRUE(combo->IsDropOpen());
    combo->SetVisible(false);
    EXPECT_FALSE(combo->IsDropOpen());
    combo->SetVisible(true);

    // Removing the selected item clears the selection.
    combo->RemoveAt(1);
    EXPECT_EQ(combo->GetCurSel(), -1);
    EXPECT_EQ(combo->GetCount(), 2);
}

TEST(SkinList, SelectionActivationKeysAndScrolling) {
    SkinWindow w({200, 100});
    w.Load(
        "<VerticalLayout><List name='l'><ListHeader><ListHeaderItem text='Name' width='80'/>"
        "<ListHeaderItem text='Size'/></ListHeader></List></VerticalLayout>");
    auto* list = w.Find<CListUI>("l");
    for (int i = 0; i < 10; ++i) {
        auto* item = new CListTextElementUI;
        item->SetName("item" + std::to_string(i));
        item->SetText(0, "name " + std::to_string(i));
        item->SetText(1, std::to_string(i * 10));
        list->Add(item);
    }
    EXPECT_EQ(list->GetCount(), 10);
    auto* second = static_cast<CListTextElementUI*>(list->GetItemAt(1));
    EXPECT_EQ(second->GetText(1), "10");
    EXPECT_EQ(second->GetText(5), "");

    w.Click("item1");
    EXPECT_EQ(list->GetCurSel(), 1);
    ASSERT_EQ(w.recorder.OfType("itemselect").size(), 1u);
    EXPECT_EQ(w.recorder.OfType("itemselect")[0].wParam, 1u);
    ASSERT_EQ(w.recorder.OfType("itemclick").size(), 1u);
    EXPECT_EQ(w.recorder.OfType("itemclick")[0].sender, "item1");

    w.recorder.notices.clear();
    ASSERT_TRUE(DoubleClickControl(w.host, w.pm, "item2"));
    ASSERT_EQ(w.recorder.OfType("itemactivate").size(), 1u);
    EXPECT_EQ(w.recorder.OfType("itemactivate")[0].sender, "item2");
    EXPECT_EQ(list->GetCurSel(), 2);

    w.host.PressKey(keys::kDown);
    EXPECT_EQ(list->GetCurSel(), 3);

    // Selecting by code scrolls the item into view, quietly.
    w.recorder.notices.clear();
    EXPECT_TRUE(list->SelectItem(9));
    EXPECT_TRUE(w.recorder.notices.empty());
    w.pm.UpdateLayout();
    Rect body = list->GetList()->GetPos();
    Rect last = list->GetItemAt(9)->GetPos();
    EXPECT_LE(last.bottom, body.bottom);
    EXPECT_GE(last.top, body.top);
    EXPECT_FALSE(list->SelectItem(10));
    EXPECT_EQ(list->GetCurSel(), 9);

    list->RemoveAt(9);
    EXPECT_EQ(list->GetCurSel(), -1);
    list->RemoveAll();
    EXPECT_EQ(list->GetCount(), 0);
}

TEST(SkinEdit, TypingEditingAndLimits) {
    SkinWindow w({300, 100});
    w.Load(
        "<VerticalLayout><Edit name='e' height='24'/><Edit name='digits' height='24' "
        "numberonly='true' maxchar='3'/><Control/></VerticalLayout>");
    auto* e = w.Find<CEditUI>("e");
    ASSERT_TRUE(TypeIntoControl(w.host, w.pm, "e", "ab\xE2\x82\xAC"));  // "ab€"
    EXPECT_EQ(e->GetText(), "ab\xE2\x82\xAC");
    EXPECT_EQ(w.recorder.OfType("textchanged").size(), 3u);

    w.host.PressKey(keys::kBackSpace);  // removes the whole euro sign
    EXPECT_EQ(e->GetText(), "ab");
    w.host.PressKey(keys::kLeft);
    w.host.TypeText("X");
    EXPECT_EQ(e->GetText(), "aXb");
    w.host.PressKey(keys::kHome);
    w.host.PressKey(keys::kDelete);
    EXPECT_EQ(e->GetText(), "Xb");
    w.host.TypeText("\x01\t");  // control characters are not text
    EXPECT_EQ(e->GetText(), "Xb");
    w.host.PressKey(keys::kReturn);
    EXPECT_EQ(w.recorder.OfType("return").size(), 1u);
    EXPECT_EQ(e->GetText(), "Xb");

    w.recorder.notices.clear();
    e->SetText("set by code");
    EXPECT_TRUE(w.recorder.OfType("textchanged").empty());
    e->SetText("asked", true);
    EXPECT_EQ(w.recorder.OfType("textchanged").size(), 1u);

    ASSERT_TRUE(TypeIntoControl(w.host, w.pm, "digits", "a1b2c34"));
    EXPECT_EQ(w.Find<CEditUI>("digits")->GetText(), "123");
    w.Find<CEditUI>("digits")->SetText("98765");
    EXPECT_EQ(w.Find<CEditUI>("digits")->GetText(), "987");

    // A press places the caret: at the far right after the text, at the
    // left edge before it.
    Rect box = w.PosOf("e");
    w.host.Click({box.right - 2, box.Center().y});
    EXPECT_EQ(e->GetCaret(), 5);
    w.host.Click({box.left, box.Center().y});
    EXPECT_EQ(e->GetCaret(), 0);
    w.host.TypeText(">");
    EXPECT_EQ(e->GetText(), ">asked");

    e->SetReadOnly(true);
    w.Click("e");
    w.host.TypeText("z");
    w.host.PressKey(keys::kBackSpace);
    EXPECT_EQ(e->GetText(), ">asked");
}

TEST(SkinEdit, SelectionWithKeysMouseAndTheClipboard) {
    SkinWindow w({300, 100});
    w.Load(
        "<VerticalLayout><Edit name='e' height='24'/><Edit name='pw' height='24' "
        "password='true'/><Edit name='digits' height='24' numberonly='true' maxchar='4'/>"
        "<Control/></VerticalLayout>");
    auto* e = w.Find<CEditUI>("e");
    ASSERT_TRUE(TypeIntoControl(w.host, w.pm, "e", "hello w\xC3\xB6rld"));  // "hello wörld"

    // Shift with the arrows selects whole characters; an arrow alone then
    // ends the selection at its edge.
    for (int i = 0; i < 4; ++i) w.host.PressKey(keys::kLeft, kModShift);
    EXPECT_EQ(e->GetSelectedText(), "\xC3\xB6rld");
    w.host.PaintAll();  // the selection box is drawn
    w.host.PressKey(keys::kRight);
    EXPECT_FALSE(e->HasSelection());
    EXPECT_EQ(e->GetCaret(), static_cast<int>(e->GetText().size()));

    // Copy, cut and paste through the host's clipboard.
    w.host.PressKey(keys::kHome, kModShift);
    w.host.PressKey('c', kModControl);
    EXPECT_EQ(w.host.GetClipboardText(), "hello w\xC3\xB6rld");
    w.host.PressKey(keys::kHome);
    w.host.PressKey(keys::kEnd, kModShift);
    w.host.PressKey('x', kModControl);
    EXPECT_EQ(e->GetText(), "");
    w.host.TypeText("> ");
    w.host.PressKey('V', kModControl | kModShift);  // Caps Lock or Shift: still paste
    EXPECT_EQ(e->GetText(), "> hello w\xC3\xB6rld");

    // Typing replaces the selection; Ctrl+A selects everything.
    w.host.PressKey('a', kModControl);
    w.host.TypeText("new");
    EXPECT_EQ(e->GetText(), "new");
    w.host.PressKey(keys::kLeft, kModShift);
    w.host.PressKey(keys::kBackSpace);
    EXPECT_EQ(e->GetText(), "ne");

    // A drag selects what it passes over; a double click selects all.
    const Rect box = w.PosOf("e");
    w.host.Drag({box.left, box.Center().y}, {box.right - 2, box.Center().y});
    EXPECT_EQ(e->GetSelectedText(), "ne");
    w.host.Click({box.right - 2, box.Center().y});
    EXPECT_FALSE(e->HasSelection());
    w.host.DoubleClick({box.left + 2, box.Center().y});
    EXPECT_EQ(e->GetSelectedText(), "ne");

    // A password is never copied or cut.
    w.host.SetClipboardText("kept");
    ASSERT_TRUE(TypeIntoControl(w.host, w.pm, "pw", "secret"));
    w.host.PressKey('a', kModControl);
    w.host.PressKey('c', kModControl);
    w.host.PressKey('x', kModControl);
    EXPECT_EQ(w.host.GetClipboardText(), "kept");
    EXPECT_EQ(w.Find<CEditUI>("pw")->GetText(), "secret");

    // Pasting obeys the entry's filters and limit, and nothing acceptable
    // keeps the selection.
    w.host.SetClipboardText("12ab345");
    w.Click("digits");
    w.host.PressKey('v', kModControl);
    EXPECT_EQ(w.Find<CEditUI>("digits")->GetText(), "1234");
    w.host.PressKey(keys::kHome, kModShift);
    w.host.SetClipboardText("xyz");
    w.host.PressKey('v', kModControl);
    EXPECT_EQ(w.Find<CEditUI>("digits")->GetText(), "1234");
    EXPECT_TRUE(w.Find<CEditUI>("digits")->HasSelection());
    w.host.SetClipboardText("98765");
    w.host.PressKey('v', kModControl);  // the selection's room counts
    EXPECT_EQ(w.Find<CEditUI>("digits")->GetText(), "9876");

    // Read-only: copying works, changing does not.
    e->SetReadOnly(true);
    w.Click("e");
    w.host.PressKey('a', kModControl);
    w.host.PressKey('x', kModControl);
    w.host.PressKey('v', kModControl);
    EXPECT_EQ(e->GetText(), "ne");
    w.host.PressKey('c', kModControl);
    EXPECT_EQ(w.host.GetClipboardText(), "ne");
}

TEST(SkinEdit, RichEditTakesLineBreaks) {
    SkinWindow w({300, 100});
    w.Load("<VerticalLayout><RichEdit name='r' height='60'/><Control/></VerticalLayout>");
    ASSERT_TRUE(TypeIntoControl(w.host, w.pm, "r", "a"));
    w.host.PressKey(keys::kReturn);
    w.host.TypeText("b");
    EXPECT_EQ(w.pm.FindControl("r")->GetText(), "a\nb");
    EXPECT_TRUE(w.recorder.OfType("return").empty());
    EXPECT_EQ(w.recorder.OfType("textchanged").size(), 3u);
    w.host.PaintAll();  // draws the caret on the second line
}

TEST(SkinFocus, MovesWithClicksAndNotifiesBothSides) {
    SkinWindow w;
    w.Load(
        "<VerticalLayout><Edit name='e1' height='24'/><Edit name='e2' height='24'/>"
        "<Control/></VerticalLayout>");
    w.Click("e1");
    w.Click("e2");
    std::vector<std::string> focus;
    for (const Notice& n : w.recorder.notices) {
        if (n.type == "setfocus" || n.type == "killfocus") focus.push_back(n.type + ":" + n.sender);
    }
    EXPECT_EQ(focus, (std::vector<std::string>{"setfocus:e1", "killfocus:e1", "setfocus:e2"}));
    EXPECT_TRUE(w.pm.FindControl("e2")->IsFocused());
    EXPECT_FALSE(w.pm.FindControl("e1")->IsFocused());

    // Keys go to the focused control only.
    w.host.TypeText("k");
    EXPECT_EQ(w.pm.FindControl("e2")->GetText(), "k");
    EXPECT_EQ(w.pm.FindControl("e1")->GetText(), "");

    // Tab walks the tab stops in tree order and wraps; Shift+Tab goes back.
    w.host.PressKey(keys::kTab);
    EXPECT_EQ(w.pm.GetFocus(), w.pm.FindControl("e1"));
    w.host.PressKey(keys::kTab);
    EXPECT_EQ(w.pm.GetFocus(), w.pm.FindControl("e2"));
    w.host.PressKey(keys::kTab, kModShift);
    EXPECT_EQ(w.pm.GetFocus(), w.pm.FindControl("e1"));
    w.host.PressKey(keys::kTab);

    // A disabled or hidden control cannot take the focus.
    w.pm.FindControl("e1")->SetEnabled(false);
    w.pm.SetFocus(w.pm.FindControl("e1"));
    EXPECT_EQ(w.pm.GetFocus(), w.pm.FindControl("e2"));
    w.pm.FindControl("e2")->SetVisible(false);
    EXPECT_EQ(w.pm.GetFocus(), nullptr);
}

TEST(SkinColorPalette, PickingNotifiesAtTheEndCodeDoesNot) {
    SkinWindow w({200, 120});
    w.Load("<VerticalLayout><ColorPalette name='p' height='110' barheight='10'/></VerticalLayout>");
    auto* palette = w.Find<CColorPaletteUI>("p");
    palette->SetSelectColor(0xFF0000FF);
    EXPECT_EQ(palette->GetSelectColor(), 0xFF0000FFu);
    EXPECT_TRUE(w.recorder.OfType("colorchanged").empty());

    // Top-left of the field: hue 0 at full saturation, i.e. red.
    w.host.Click({0, 0});
    ASSERT_EQ(w.recorder.OfType("colorchanged").size(), 1u);
    EXPECT_EQ(palette->GetSelectColor(), 0xFFFF0000u);
    EXPECT_EQ(w.recorder.OfType("colorchanged")[0].wParam, 0xFFFF0000u);

    // The left end of the brightness bar: black.
    w.host.Click({0, 105});
    EXPECT_EQ(palette->GetSelectColor(), 0xFF000000u);
    EXPECT_EQ(w.recorder.OfType("colorchanged").size(), 2u);
}

TEST(SkinColorConversions, RoundTrip) {
    for (uint32_t rgb : {0xFF000000u, 0xFFFFFFFFu, 0xFF123456u, 0xFFFF8000u, 0xFF00FF7Fu}) {
        int h, s, v;
        RgbToHsv(rgb, h, s, v);
        uint32_t back = HsvToRgb(h, s, v);
        for (int shift : {0, 8, 16}) {
            int a = (rgb >> shift) & 0xFF, b = (back >> shift) & 0xFF;
            EXPECT_LE(std::abs(a - b), 2) << std::hex << rgb << " -> " << back;
        }
    }
}

}  // namespace
}  // namespace kelno::skin::test
