#include "skin/window/window_wnd.h"

#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "skin/controls/button.h"
#include "skin/core/attribute_values.h"
#include "skin/window/headless_window_system.h"
#include "skin/window/menu_wnd.h"
#include "skin/window/tray_icon.h"
#include "skin/window/window_impl_base.h"
#include "support/temp_folder.h"

namespace kelno::skin {
namespace {

constexpr const char* kDialogLayout = R"(<?xml version="1.0" encoding="utf-8"?>
<Window size="400,300" caption="0,0,0,30" sizebox="4,4,4,4" mininfo="200,150">
  <VerticalLayout name="body" bkcolor="#FFFFFFFF">
    <HorizontalLayout name="titlebar" height="30">
      <Label name="title" text="Title"/>
      <Button name="minbtn" width="30"/>
      <Button name="maxbtn" width="30"/>
      <Button name="restorebtn" width="30" visible="false"/>
      <Button name="closebtn" width="30"/>
    </HorizontalLayout>
    <Gadget name="gadget" height="40"/>
    <Button name="ok" text="OK" height="40"/>
  </VerticalLayout>
</Window>)";

constexpr const char* kMenuLayout = R"(<?xml version="1.0" encoding="utf-8"?>
<Window size="120,56">
  <Menu name="menu">
    <MenuElement name="open" text="Open"/>
    <MenuElement name="exit" text="Exit"/>
  </Menu>
</Window>)";

class TestDialog : public WindowImplBase {
  public:
    explicit TestDialog(std::string file) : file_(std::move(file)) {}

    std::vector<std::string> notifications;
    std::vector<std::string> asked;
    std::vector<int64_t> messages;
    int initCalls = 0;
    int finalCalls = 0;

    using WindowImplBase::IsCaptionPoint;
    using WindowImplBase::ResizeEdgeAt;

    void Notify(TNotifyUI& msg) override {
        notifications.push_back(msg.sType + " " + (msg.pSender ? msg.pSender->GetName() : ""));
        WindowImplBase::Notify(msg);
    }

  protected:
    std::string GetSkinFile() override { return file_; }
    CControlUI* CreateControl(const std::string& className) override {
        asked.push_back(className);
        if (EqualsNoCase(className, "Gadget")) return new CButtonUI;
        return nullptr;
    }
    void InitWindow() override { ++initCalls; }
    void OnClick(TNotifyUI& msg) override {
        if (msg.pSender->GetName() == "ok")
            Close(IDOK);
        else
            WindowImplBase::OnClick(msg);
    }
    int64_t HandleMessage(uint32_t id, const MessageParam& w, const MessageParam&) override {
        messages.push_back(id);
        return MessageInt(w) * 2;
    }
    void OnFinalMessage() override { ++finalCalls; }
    void OnTimer(uint32_t id) override {
        timers.push_back(id);
        if (timers.size() == 3) KillTimer(id);
    }

  public:
    std::vector<uint32_t> timers;

  private:
    std::string file_;
};

class WindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetWindowSystem(&system_);
        dialogFile_ = folder_.WriteFile("dialog.xml", kDialogLayout).string();
        menuFile_ = folder_.WriteFile("menu.xml", kMenuLayout).string();
    }
    void TearDown() override { SetWindowSystem(nullptr); }

    HeadlessHost& HostOf(CWindowWnd& w) { return *HeadlessWindowSystem::Inner(w.GetHost()); }
    Point CentreOf(CWindowWnd& w, const char* name) {
        w.GetPaintManager().UpdateLayout();
        return w.GetPaintManager().FindControl(name)->GetPos().Center();
    }

    kelno::test::TempFolder folder_;
    HeadlessWindowSystem system_;
    std::string dialogFile_, menuFile_;
};

TEST_F(WindowTest, NoWindowSystemNoWindow) {
    SetWindowSystem(nullptr);
    TestDialog dialog(dialogFile_);
    EXPECT_FALSE(dialog.Create(nullptr, "x"));
    EXPECT_FALSE(dialog.IsWindow());
    EXPECT_FALSE(dialog.PostMessage(3090));
}

TEST_F(WindowTest, BuildsTheLayoutWithTheFactoryHookAndItsSize) {
    TestDialog dialog(dialogFile_);
    ASSERT_TRUE(dialog.Create(nullptr, "Dialog"));
    EXPECT_EQ(dialog.GetHost()->ClientSize(), (Size{400, 300}));
    EXPECT_EQ(dialog.asked, std::vector<std::string>{"Gadget"});
    EXPECT_NE(dialog.GetPaintManager().FindControl("gadget"), nullptr);
    EXPECT_EQ(dialog.initCalls, 1);
    EXPECT_EQ(dialog.notifications.front(), "windowinit body");
    EXPECT_FALSE(dialog.Create(nullptr, "again")) << "one native window per object";
}

TEST_F(WindowTest, ABadLayoutLeavesNoWindow) {
    TestDialog broken(folder_.WriteFile("bad.xml", "<Window><VerticalLayout>").string());
    EXPECT_FALSE(broken.Create(nullptr, "x"));
    EXPECT_FALSE(broken.IsWindow());
    EXPECT_FALSE(broken.GetBuildError().empty());
    EXPECT_EQ(broken.finalCalls, 0);
    TestDialog missing((folder_ / "nope.xml").string());
    EXPECT_FALSE(missing.Create(nullptr, "x"));
}

TEST_F(WindowTest, TitleBarButtonsAndCaption) {
    TestDialog dialog(dialogFile_);
    ASSERT_TRUE(dialog.Create(nullptr, "Dialog"));
    dialog.ShowWindow();
    HeadlessHost& host = HostOf(dialog);
    CPaintManagerUI& pm = dialog.GetPaintManager();

    host.Click(CentreOf(dialog, "minbtn"));
    EXPECT_TRUE(dialog.GetHost()->IsMinimized());
    dialog.GetHost()->Restore();
    EXPECT_FALSE(dialog.GetHost()->IsMinimized());
    host.Click(CentreOf(dialog, "maxbtn"));
    EXPECT_TRUE(dialog.GetHost()->IsMaximized());
    EXPECT_FALSE(pm.FindControl("maxbtn")->IsVisible());
    EXPECT_TRUE(pm.FindControl("restorebtn")->IsVisible());
    host.Click(CentreOf(dialog, "restorebtn"));
    EXPECT_FALSE(dialog.GetHost()->IsMaximized());
    EXPECT_TRUE(pm.FindControl("maxbtn")->IsVisible());

    EXPECT_TRUE(dialog.IsCaptionPoint(CentreOf(dialog, "title")));
    EXPECT_FALSE(dialog.IsCaptionPoint(CentreOf(dialog, "closebtn")));
    EXPECT_FALSE(dialog.IsCaptionPoint(CentreOf(dialog, "ok")));

    // The close button asks to close like the window manager does.
    host.Click(CentreOf(dialog, "closebtn"));
    EXPECT_TRUE(dialog.IsClosing());
    EXPECT_TRUE(dialog.IsWindow()) << "destroyed only after the click is over";
    system_.RunPendingTasks();
    EXPECT_FALSE(dialog.IsWindow());
    EXPECT_EQ(dialog.finalCalls, 1);
}

TEST_F(WindowTest, TheSizeboxBorderResizesTheWindow) {
    TestDialog dialog(dialogFile_);
    ASSERT_TRUE(dialog.Create(nullptr, "Dialog"));
    const std::pair<Point, std::optional<ResizeEdge>> cases[] = {
        {{0, 150}, ResizeEdge::Left},       {{399, 150}, ResizeEdge::Right},
        {{200, 0}, ResizeEdge::Top},        {{200, 299}, ResizeEdge::Bottom},
        {{1, 1}, ResizeEdge::TopLeft},      {{398, 2}, ResizeEdge::TopRight},
        {{3, 297}, ResizeEdge::BottomLeft}, {{399, 299}, ResizeEdge::BottomRight},
        {{4, 150}, std::nullopt},           {{200, 295}, std::nullopt},
    };
    for (const auto& [point, edge] : cases) {
        SCOPED_TRACE(std::to_string(point.x) + "," + std::to_string(point.y));
        EXPECT_EQ(dialog.ResizeEdgeAt(point), edge);
    }
    // The border is the window's: a press there reaches no control, not
    // even the close button that reaches into it.
    HostOf(dialog).Click({399, 15});
    EXPECT_FALSE(dialog.IsClosing());
    HostOf(dialog).Click({395, 15});
    EXPECT_TRUE(dialog.IsClosing()) << "just inside the border the button takes the click";
    HostOf(dialog).MouseMove({200, 299});
    EXPECT_EQ(HostOf(dialog).Cursor(), CursorShape::SizeNS);
    dialog.GetHost()->Maximize();
    EXPECT_EQ(dialog.ResizeEdgeAt({0, 150}), std::nullopt) << "a maximised window has no border";
}

TEST_F(WindowTest, MessagesFromWorkersReachTheUiThread) {
    TestDialog dialog(dialogFile_);
    ASSERT_TRUE(dialog.Create(nullptr, "Dialog"));
    std::thread([&] { dialog.PostMessage(3090, 1); }).join();
    EXPECT_TRUE(dialog.messages.empty());
    system_.RunPendingTasks();
    EXPECT_EQ(dialog.messages, std::vector<int64_t>{3090});

    auto sent = std::async(std::launch::async, [&] { return dialog.SendMessage(3091, 21); });
    while (sent.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready)
        system_.RunPendingTasks();
    EXPECT_EQ(sent.get(), 42);
    EXPECT_EQ(dialog.SendMessage(3328, 5), 10) << "on the UI thread it runs at once";

    // A sender waiting while the window closes is released without result.
    auto waiting = std::async(std::launch::async, [&] { return dialog.SendMessage(3329); });
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    dialog.Close();
    EXPECT_EQ(waiting.get(), std::nullopt);
    EXPECT_FALSE(dialog.PostMessage(3090));
    system_.RunPendingTasks();
    EXPECT_EQ(dialog.messages.size(), 3u);
}

TEST_F(WindowTest, ShowModalReturnsTheCloseCodeAndBlocksTheOwner) {
    TestDialog owner(dialogFile_);
    ASSERT_TRUE(owner.Create(nullptr, "Owner"));
    owner.ShowWindow();
    TestDialog modal(dialogFile_);
    ASSERT_TRUE(modal.Create(&owner, "Modal"));
    size_t ownerSeen = 0;
    // What the user does while the modal loop runs.
    modal.GetHost()->PostTask([&] {
        HostOf(owner).Click(CentreOf(owner, "ok"));
        ownerSeen = owner.notifications.size();
        HostOf(modal).Click(CentreOf(modal, "ok"));
    });
    size_t before = owner.notifications.size();
    EXPECT_EQ(modal.ShowModal(), IDOK);
    EXPECT_EQ(ownerSeen, before) << "the owner took a click during the modal loop";
    EXPECT_FALSE(modal.IsWindow());
    HostOf(owner).Click(CentreOf(owner, "minbtn"));
    EXPECT_GT(owner.notifications.size(), before) << "the owner takes input again";
}

TEST_F(WindowTest, ModalLoopEndsWhenTheWindowIsClosedBeforeItRuns) {
    TestDialog modal(dialogFile_);
    ASSERT_TRUE(modal.Create(nullptr, "Modal"));
    modal.Close(7);
    EXPECT_EQ(modal.ShowModal(), 7);
}

TEST_F(WindowTest, MenuDeliversTheChosenCommandAfterClosing) {
    TestDialog owner(dialogFile_);
    ASSERT_TRUE(owner.Create(nullptr, "Owner"));
    std::vector<std::string> chosen;
    CMenuWnd* menu = CMenuWnd::ShowMenu(&owner, menuFile_, {50, 60},
                                        [&](std::string command) { chosen.push_back(command); });
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(menu->IsVisible());
    EXPECT_EQ(menu->GetHost()->WindowRect(), (Rect{50, 60, 170, 116}));
    HostOf(*menu).Click(CentreOf(*menu, "exit"));
    EXPECT_TRUE(chosen.empty()) << "delivered once the menu is gone";
    system_.RunPendingTasks();
    EXPECT_EQ(chosen, std::vector<std::string>{"exit"});

    // Dismissed: by Escape, or by a click outside (a close request).
    menu =
        CMenuWnd::ShowMenu(&owner, menuFile_, {0, 0}, [&](std::string c) { chosen.push_back(c); });
    ASSERT_NE(menu, nullptr);
    HostOf(*menu).PressKey(keys::kEscape);
    system_.RunPendingTasks();
    menu =
        CMenuWnd::ShowMenu(&owner, menuFile_, {0, 0}, [&](std::string c) { chosen.push_back(c); });
    ASSERT_NE(menu, nullptr);
    menu->Dismiss();
    system_.RunPendingTasks();
    EXPECT_EQ(chosen.size(), 1u);

    EXPECT_EQ(CMenuWnd::ShowMenu(&owner, (folder_ / "none.xml").string(), {0, 0}, nullptr),
              nullptr);
}

TEST_F(WindowTest, TrayIsSilentlyAbsentWithoutATrayHost) {
    CTrayIcon tray;
    EXPECT_FALSE(tray.CreateTrayIcon("kelno", "icon.png", "tip"));
    EXPECT_FALSE(tray.IsPresent());
    tray.SetTooltipText("still fine");
    tray.SetMenu({{"exit", "Exit"}});

    system_.EnableTray(true);
    std::vector<std::string> commands;
    tray.SetCommandHandler([&](const std::string& c) { commands.push_back(c); });
    ASSERT_TRUE(tray.CreateTrayIcon("kelno", "icon.png", "tip"));
    HeadlessTray* shown = system_.Tray();
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->Tooltip(), "tip");
    ASSERT_EQ(shown->Items().size(), 1u) << "a menu set before the icon existed applies";
    EXPECT_TRUE(shown->Choose("exit"));
    EXPECT_FALSE(shown->Choose("other"));
    tray.SetMenu({{"show", "Show"}, {"exit", "Exit"}}, "show");
    EXPECT_TRUE(shown->Activate());
    EXPECT_EQ(commands, (std::vector<std::string>{"exit", "show"}));
    tray.DeleteTrayIcon();
    EXPECT_EQ(system_.Tray(), nullptr);
}

TEST_F(WindowTest, FileDialogsUseTheInstalledSystem) {
    system_.QueueFileDialogAnswer("/home/u/profile");
    system_.QueueFileDialogAnswer(std::nullopt);
    std::vector<FileDialogFilter> filters{{"Profiles", {"*.Json"}}};
    EXPECT_EQ(ShowSaveFileDialog(nullptr, "Export", filters, "Json", "p1"), "/home/u/profile.Json");
    EXPECT_EQ(ShowOpenFileDialog(nullptr, "Import", filters), std::nullopt);
    EXPECT_EQ(ShowOpenFileDialog(nullptr, "Import", filters), std::nullopt)
        << "no answer: cancelled";
    ASSERT_EQ(system_.FileDialogRequests().size(), 3u);
    EXPECT_EQ(system_.FileDialogRequests()[0].mode, FileDialogRequest::Mode::Save);
    EXPECT_EQ(system_.FileDialogRequests()[0].initialName, "p1");
}

TEST_F(WindowTest, WindowTimersRunBesideControlTimers) {
    TestDialog dialog(dialogFile_);
    EXPECT_FALSE(dialog.SetTimer(1032, 10)) << "no window yet";
    ASSERT_TRUE(dialog.Create(nullptr, "Dialog"));
    CControlUI* gadget = dialog.GetPaintManager().FindControl("gadget");
    ASSERT_TRUE(dialog.GetPaintManager().SetTimer(gadget, 1, 10));
    ASSERT_TRUE(dialog.SetTimer(1032, 10));
    EXPECT_FALSE(dialog.SetTimer(0x80000001u, 10));
    HostOf(dialog).AdvanceTime(100);
    EXPECT_EQ(dialog.timers, (std::vector<uint32_t>{1032, 1032, 1032})) << "killed from OnTimer";
    EXPECT_TRUE(dialog.GetPaintManager().KillTimer(gadget, 1)) << "the control timer is its own";
}

TEST_F(WindowTest, WindowsShareTheClipboard) {
    TestDialog a(dialogFile_), b(dialogFile_);
    ASSERT_TRUE(a.Create(nullptr, "a"));
    ASSERT_TRUE(b.Create(nullptr, "b"));
    a.GetHost()->SetClipboardText("copied");
    EXPECT_EQ(b.GetHost()->GetClipboardText(), "copied");
}

TEST(WithDefaultExtensionTest, AddsAnExtensionOnlyWhenTheNameHasNone) {
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"/a/b", "Json", "/a/b.Json"},
        {"/a/b.mac", "Json", "/a/b.mac"},
        {"/a/b.", "Json", "/a/b.Json"},
        {"/a.d/b", ".mac", "/a.d/b.mac"},
        {"/a/.hidden", "mac", "/a/.hidden.mac"},
        {"/a/b", "", "/a/b"},
        {"", "Json", ""},
    };
    for (const auto& [name, ext, expected] : cases) {
        SCOPED_TRACE(name);
        EXPECT_EQ(WithDefaultExtension(name, ext), expected);
    }
}

}  // namespace
}  // namespace kelno::skin
