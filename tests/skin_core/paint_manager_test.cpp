// The paint manager: name lookup, timers delivered to controls, hover and
// tooltips, message filters, and controls removed by the handler of their
// own notification.

#include <gtest/gtest.h>

#include "skin/controls/button.h"
#include "skin/core/container.h"
#include "skin_fixture.h"

namespace kelno::skin::test {
namespace {

constexpr const char* kTree =
    "<VerticalLayout name='root'>"
    "  <HorizontalLayout name='left' height='50'><Button name='Button_One' width='60'/>"
    "    <Label name='dup' text='first'/></HorizontalLayout>"
    "  <HorizontalLayout name='right'><Label name='dup' text='second'/>"
    "    <Button name='only_right' tooltip='tip'/></HorizontalLayout>"
    "</VerticalLayout>";

TEST(SkinPaintManager, FindsControlsByNameWithoutRegardToCase) {
    SkinWindow w;
    w.Load(kTree);
    CControlUI* one = w.pm.FindControl("button_one");
    ASSERT_NE(one, nullptr);
    EXPECT_EQ(one->GetName(), "Button_One");
    EXPECT_EQ(w.pm.FindControl("BUTTON_ONE"), one);
    EXPECT_EQ(w.pm.FindControl("missing"), nullptr);
    EXPECT_EQ(w.pm.FindControl(""), nullptr);
    // First in tree order; under a container, only its subtree.
    EXPECT_EQ(w.pm.FindControl("dup")->GetText(), "first");
    CControlUI* right = w.pm.FindControl("right");
    EXPECT_EQ(w.pm.FindSubControlByName(right, "dup")->GetText(), "second");
    EXPECT_EQ(w.pm.FindSubControlByName(right, "button_one"), nullptr);
    EXPECT_EQ(w.pm.FindSubControlsByClass(w.pm.GetRoot(), "Button").size(), 2u);
    // Buttons are labels too: four labels in tree order.
    EXPECT_EQ(w.pm.FindSubControlByClass(w.pm.GetRoot(), "Button", 1)->GetName(), "only_right");
    EXPECT_EQ(w.pm.FindSubControlByClass(w.pm.GetRoot(), "Label", 2)->GetText(), "second");
    EXPECT_EQ(w.pm.FindSubControlByClass(w.pm.GetRoot(), "Label", 5), nullptr);
    // By point: the topmost control there.
    EXPECT_EQ(w.pm.FindControl(Point{10, 10}), one);
    EXPECT_EQ(w.pm.FindControl(Point{-5, 10}), nullptr);
}

TEST(SkinPaintManager, TimersReachTheControlUntilKilled) {
    SkinWindow w;
    w.Load(kTree);
    CControlUI* label = w.pm.FindControl("dup");
    CControlUI* button = w.pm.FindControl("only_right");
    ASSERT_TRUE(w.pm.SetTimer(label, 7, 100));
    ASSERT_TRUE(w.pm.SetTimer(button, 7, 250));  // same id, other control
    w.host.AdvanceTime(260);
    auto timers = w.recorder.OfType("timer");
    ASSERT_EQ(timers.size(), 3u);
    EXPECT_EQ(timers[0].sender, "dup");
    EXPECT_EQ(timers[0].wParam, 7u);
    EXPECT_EQ(timers[2].sender, "only_right");

    EXPECT_TRUE(w.pm.KillTimer(label, 7));
    EXPECT_FALSE(w.pm.KillTimer(label, 7));
    w.recorder.notices.clear();
    w.host.AdvanceTime(240);
    ASSERT_EQ(w.recorder.OfType("timer").size(), 1u);
    EXPECT_EQ(w.recorder.OfType("timer")[0].sender, "only_right");

    // Setting a running timer again restarts it.
    w.recorder.notices.clear();
    w.pm.SetTimer(button, 7, 250);
    w.host.AdvanceTime(200);
    w.pm.SetTimer(button, 7, 250);
    w.host.AdvanceTime(200);
    EXPECT_TRUE(w.recorder.OfType("timer").empty());

    // A control that goes away takes its timers with it.
    size_t before = w.host.TimerCount();
    auto* right = static_cast<CContainerUI*>(w.pm.FindControl("right"));
    right->Remove(button);
    EXPECT_EQ(w.host.TimerCount(), before - 1);
    w.host.AdvanceTime(1000);
    EXPECT_TRUE(w.recorder.OfType("timer").empty());
}

// Removes the clicked control from its parent inside its own "click".
class RemoveOnClick : public INotifyUI {
  public:
    explicit RemoveOnClick(CPaintManagerUI& pm) : pm_(pm) {}
    void Notify(TNotifyUI& msg) override {
        if (msg.sType != "click") return;
        auto* parent = static_cast<CContainerUI*>(msg.pSender->GetParent());
        removed = parent->Remove(msg.pSender);
        stillFound = pm_.FindControl("Button_One") != nullptr;
    }
    bool removed = false;
    bool stillFound = true;

  private:
    CPaintManagerUI& pm_;
};

TEST(SkinPaintManager, AControlMayBeRemovedByItsOwnNotification) {
    SkinWindow w;
    w.Load(kTree);
    RemoveOnClick remover(w.pm);
    w.pm.AddNotifier(&remover);
    w.Click("button_one");  // the button's code runs on after the notifier
    EXPECT_TRUE(remover.removed);
    EXPECT_FALSE(remover.stillFound);
    EXPECT_EQ(w.pm.FindControl("button_one"), nullptr);
    EXPECT_EQ(w.pm.GetFocus(), nullptr);
    // Whatever is hot now is alive (ASan would catch a dangling pointer).
    CControlUI* hot = w.pm.GetHot();
    EXPECT_TRUE(hot == nullptr || hot->GetName() != "Button_One");
    EXPECT_FALSE(w.host.IsCaptured());
    // The window still works.
    w.Click("only_right");
    EXPECT_EQ(w.recorder.OfType("click").size(), 2u);
    w.pm.RemoveNotifier(&remover);
}

TEST(SkinPaintManager, HoverShowsTheTooltipAfterTheRestTime) {
    SkinWindow w;
    w.Load(kTree);
    std::vector<std::pair<std::string, Rect>> shown;
    w.pm.SetToolTipHandler(
        [&](const std::string& text, const Rect& at) { shown.emplace_back(text, at); });
    Point centre;
    ASSERT_TRUE(ControlCentre(w.pm, "only_right", centre));
    w.host.MouseMove(centre);
    EXPECT_EQ(w.pm.GetHot(), w.pm.FindControl("only_right"));
    EXPECT_EQ(w.pm.GetToolTipText(), "");
    w.host.AdvanceTime(w.pm.GetHoverTimeMs() - 1);
    EXPECT_TRUE(shown.empty());
    w.host.AdvanceTime(1);
    EXPECT_EQ(w.pm.GetToolTipText(), "tip");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].second, w.pm.FindControl("only_right")->GetPos());
    // Leaving the window clears the hot control and the tooltip.
    InputEvent leave;
    leave.type = InputEvent::Type::MouseLeave;
    w.host.Send(leave);
    EXPECT_EQ(w.pm.GetHot(), nullptr);
    EXPECT_EQ(w.pm.GetToolTipText(), "");
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].first, "");
}

class SwallowClicks : public IMessageFilterUI {
  public:
    bool FilterInput(const InputEvent& event) override {
        seen++;
        return event.type == InputEvent::Type::MouseDown;
    }
    int seen = 0;
};

TEST(SkinPaintManager, MessageFiltersSeeInputFirst) {
    SkinWindow w;
    w.Load(kTree);
    SwallowClicks filter;
    ASSERT_TRUE(w.pm.AddMessageFilter(&filter));
    EXPECT_FALSE(w.pm.AddMessageFilter(&filter));
    w.Click("button_one");
    EXPECT_EQ(filter.seen, 3);  // move, down, up
    EXPECT_TRUE(w.recorder.OfType("click").empty());
    ASSERT_TRUE(w.pm.RemoveMessageFilter(&filter));
    w.Click("button_one");
    EXPECT_EQ(w.recorder.OfType("click").size(), 1u);
}

TEST(SkinPaintManager, ReplacingTheRootForgetsTheOldTree) {
    SkinWindow w;
    w.Load(kTree);
    w.Click("button_one");
    w.pm.SetTimer(w.pm.FindControl("dup"), 1, 10);
    CDialogBuilder builder;
    w.pm.SetRoot(builder.CreateFromText("<Button name='fresh'/>"));
    EXPECT_EQ(w.pm.GetFocus(), nullptr);
    EXPECT_EQ(w.host.TimerCount(), 0u);
    EXPECT_EQ(w.pm.FindControl("button_one"), nullptr);
    w.Click("fresh");
    EXPECT_EQ(w.recorder.OfType("click").back().sender, "fresh");
}

}  // namespace
}  // namespace kelno::skin::test
