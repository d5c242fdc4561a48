#include "skin/host/gtk_window_host.h"

#include "skin/host/gtk_window_system.h"
#include "skin/window/tray_icon.h"

#include <gdk/gdkkeysyms.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <thread>
#include <vector>

#include "gtk_test_support.h"

namespace kelno::skin {
namespace {

using test::PumpFor;
using test::PumpUntil;

class RecordingClient : public IHostClient {
  public:
    void OnHostPaint(cairo_t*, const Rect& dirty) override { paints.push_back(dirty); }
    void OnHostInput(const InputEvent& e) override { inputs.push_back(e); }
    void OnHostResize(Size size) override { sizes.push_back(size); }
    void OnHostTimer(uint32_t id) override {
        timers.push_back(id);
        if (onTimer) onTimer(id);
    }
    void OnHostCloseRequest() override { ++closeRequests; }
    void OnHostDestroyed() override { ++destroyed; }

    const InputEvent* Find(InputEvent::Type type, uint32_t keyCode = 0) const {
        for (const InputEvent& e : inputs)
            if (e.type == type && (keyCode == 0 || e.keyCode == keyCode)) return &e;
        return nullptr;
    }

    std::vector<Rect> paints;
    std::vector<InputEvent> inputs;
    std::vector<Size> sizes;
    std::vector<uint32_t> timers;
    std::function<void(uint32_t)> onTimer;
    int closeRequests = 0;
    int destroyed = 0;
};

class GtkWindowHostTest : public ::testing::Test {
  protected:
    void SetUp() override { KELNO_REQUIRE_DISPLAY(); }

    std::unique_ptr<GtkWindowHost> ShowHost(Rect rect = {100, 100, 420, 340}) {
        GtkHostOptions options;
        options.title = "host test";
        options.rect = rect;
        auto host = std::make_unique<GtkWindowHost>(client_, options);
        host->Show(true);
        PumpUntil([&] {
            GdkWindow* w = gtk_widget_get_window(GTK_WIDGET(host->NativeWindow()));
            return w != nullptr && gdk_window_is_viewable(w) && !client_.sizes.empty();
        });
        return host;
    }

    // Synthetic X events go to the native toplevel; the area fills it.
    GdkWindow* AreaWindow(GtkWindowHost& host) {
        return gtk_widget_get_window(GTK_WIDGET(host.NativeWindow()));
    }

    RecordingClient client_;
};

TEST_F(GtkWindowHostTest, ShowsAtTheAskedSizeAndPaintsInvalidatedAreas) {
    auto host = ShowHost();
    ASSERT_TRUE(host->IsVisible());
    EXPECT_EQ(host->ClientSize(), (Size{320, 240}));
    EXPECT_EQ(client_.sizes.back(), (Size{320, 240}));
    EXPECT_DOUBLE_EQ(host->DpiScale(), 1.0);
    client_.paints.clear();
    host->Invalidate({10, 20, 30, 40});
    ASSERT_TRUE(PumpUntil([&] { return !client_.paints.empty(); }));
    EXPECT_TRUE(client_.paints.front().Intersect({10, 20, 30, 40}) == (Rect{10, 20, 30, 40}));
    host->SetTitle("renamed");
    EXPECT_STREQ(gtk_window_get_title(host->NativeWindow()), "renamed");
}

TEST_F(GtkWindowHostTest, PointerAndKeysArriveAsInputEvents) {
    auto host = ShowHost();
    int x = 0, y = 0;
    test::WindowOrigin(AreaWindow(*host), &x, &y);
    gtk_window_present(host->NativeWindow());
    test::FakePointerMove(x + 30, y + 40);
    test::FakeKey(GDK_KEY_Shift_L, true);
    test::FakeButton(1, true);
    test::FakeButton(1, false);
    test::FakeKey(GDK_KEY_Shift_L, false);
    test::FakeKey(GDK_KEY_a, true);
    test::FakeKey(GDK_KEY_a, false);
    test::FakeKey(GDK_KEY_Control_L, true);
    test::FakeKey(GDK_KEY_Return, true);
    test::FakeKey(GDK_KEY_Return, false);
    test::FakeKey(GDK_KEY_Control_L, false);
    auto seen = [&] {
        std::string text;
        for (const InputEvent& e : client_.inputs)
            text +=
                std::to_string(static_cast<int>(e.type)) + ":" + std::to_string(e.keyCode) + " ";
        return text;
    };
    ASSERT_TRUE(PumpUntil([&] {
        return client_.Find(InputEvent::Type::MouseUp) && client_.Find(InputEvent::Type::Char) &&
               client_.inputs.back().type == InputEvent::Type::KeyUp &&
               client_.inputs.back().keyCode == GDK_KEY_Control_L;
    })) << seen();

    const InputEvent* down = client_.Find(InputEvent::Type::MouseDown);
    ASSERT_NE(down, nullptr);
    EXPECT_EQ(down->point, (Point{30, 40}));
    EXPECT_EQ(down->button, MouseButton::Left);
    EXPECT_EQ(down->modifiers, kModShift);

    // A printable key: the key itself, then its text.
    const InputEvent* key = client_.Find(InputEvent::Type::KeyDown, GDK_KEY_a);
    ASSERT_NE(key, nullptr);
    const InputEvent* typed = client_.Find(InputEvent::Type::Char);
    EXPECT_EQ(typed->text, "a");
    EXPECT_LT(key, typed);
    const InputEvent* controlReturn = client_.Find(InputEvent::Type::KeyDown, GDK_KEY_Return);
    ASSERT_NE(controlReturn, nullptr);
    EXPECT_EQ(controlReturn->modifiers, kModControl);
}

TEST_F(GtkWindowHostTest, TasksPostedFromOtherThreadsRunInOrderOnTheUiThread) {
    auto host = ShowHost();
    std::vector<int> ran;
    std::atomic<bool> wrongThread{false};
    std::thread::id ui = std::this_thread::get_id();
    std::thread worker([&] {
        for (int i = 0; i < 100; ++i)
            host->PostTask([&, i] {
                if (std::this_thread::get_id() != ui) wrongThread = true;
                ran.push_back(i);
            });
    });
    worker.join();
    ASSERT_TRUE(PumpUntil([&] { return ran.size() == 100; }));
    for (int i = 0; i < 100; ++i) EXPECT_EQ(ran[i], i);
    EXPECT_FALSE(wrongThread);
}

TEST_F(GtkWindowHostTest, DestroyEndsTasksTimersAndTellsTheClientOnce) {
    auto host = ShowHost();
    bool lateTaskRan = false;
    host->SetTimer(7, 5);
    ASSERT_TRUE(PumpUntil([&] { return client_.timers.size() >= 2; }));
    ASSERT_TRUE(host->PostTask([&] { lateTaskRan = true; }));
    host->Destroy();
    EXPECT_EQ(client_.destroyed, 1);
    EXPECT_FALSE(host->IsVisible());
    EXPECT_FALSE(host->PostTask([] {}));
    size_t timersSoFar = client_.timers.size();
    PumpFor(std::chrono::milliseconds(60));
    EXPECT_FALSE(lateTaskRan) << "a task queued before destruction must be dropped";
    EXPECT_EQ(client_.timers.size(), timersSoFar);
    host.reset();
    EXPECT_EQ(client_.destroyed, 1);
}

TEST_F(GtkWindowHostTest, TimersRepeatUntilKilledEvenFromTheirOwnCallback) {
    auto host = ShowHost();
    client_.onTimer = [&](uint32_t id) {
        if (id == 1 && client_.timers.size() >= 3) host->KillTimer(1);
    };
    host->SetTimer(1, 5);
    ASSERT_TRUE(PumpUntil([&] { return client_.timers.size() >= 3; }));
    PumpFor(std::chrono::milliseconds(60));
    EXPECT_EQ(client_.timers.size(), 3u);
}

TEST_F(GtkWindowHostTest, WindowManagerCloseIsOnlyARequest) {
    auto host = ShowHost();
    gtk_window_close(host->NativeWindow());
    ASSERT_TRUE(PumpUntil([&] { return client_.closeRequests == 1; }));
    EXPECT_TRUE(host->IsVisible());
    EXPECT_EQ(client_.destroyed, 0);
}

TEST_F(GtkWindowHostTest, DestroyingTheHostObjectDoesNotCallTheClient) {
    auto host = ShowHost();
    host.reset();
    PumpFor(std::chrono::milliseconds(20));
    EXPECT_EQ(client_.destroyed, 0);
    EXPECT_EQ(client_.closeRequests, 0);
}

TEST_F(GtkWindowHostTest, PopupReportsAClickOutsideAsCloseRequest) {
    auto owner = ShowHost();
    RecordingClient popupClient;
    std::unique_ptr<IWindowHost> popup = owner->CreatePopup(popupClient, {150, 150, 250, 230});
    ASSERT_NE(popup, nullptr);
    popup->Show(true);
    auto* gtkPopup = static_cast<GtkWindowHost*>(popup.get());
    ASSERT_TRUE(PumpUntil([&] { return !popupClient.sizes.empty(); }));
    int x = 0, y = 0;
    test::WindowOrigin(AreaWindow(*gtkPopup), &x, &y);
    test::FakePointerMove(x + 50, y + 40);
    test::FakeButton(1, true);
    test::FakeButton(1, false);
    ASSERT_TRUE(PumpUntil([&] { return popupClient.Find(InputEvent::Type::MouseUp) != nullptr; }));
    test::FakePointerMove(x + 500, y + 400);
    test::FakeButton(1, true);
    test::FakeButton(1, false);
    ASSERT_TRUE(PumpUntil([&] { return popupClient.closeRequests == 1; }));
    const InputEvent* inside = popupClient.Find(InputEvent::Type::MouseDown);
    ASSERT_NE(inside, nullptr);
    EXPECT_EQ(inside->point, (Point{50, 40}));
    EXPECT_EQ(popup->WindowRect().Width(), 100);
}

// Run once as is and once with GDK_SCALE=2: host coordinates stay device
// pixels whatever GTK's scale factor.
TEST_F(GtkWindowHostTest, DeviceCoordinatesFollowTheScaleFactor) {
    const char* env = std::getenv("GDK_SCALE");
    int scale = env ? std::max(1, std::atoi(env)) : 1;
    auto host = ShowHost({100, 100, 420, 340});
    EXPECT_EQ(host->ClientSize(), (Size{320, 240}));
    EXPECT_DOUBLE_EQ(host->DpiScale(), scale);
    int x = 0, y = 0;
    test::WindowOrigin(AreaWindow(*host), &x, &y);
    test::FakePointerMove(x * scale + 40, y * scale + 60);
    test::FakeButton(1, true);
    test::FakeButton(1, false);
    ASSERT_TRUE(PumpUntil([&] { return client_.Find(InputEvent::Type::MouseUp) != nullptr; }));
    EXPECT_EQ(client_.Find(InputEvent::Type::MouseDown)->point, (Point{40, 60}));
    client_.paints.clear();
    host->Invalidate({0, 0, 320, 240});
    ASSERT_TRUE(PumpUntil([&] { return !client_.paints.empty(); }));
    EXPECT_EQ(client_.paints.back(), (Rect{0, 0, 320, 240}));
}

TEST_F(GtkWindowHostTest, PointerPositionIsOnTheScreen) {
    auto host = ShowHost();
    test::FakePointerMove(123, 77);
    GtkWindowSystem system;
    EXPECT_TRUE(PumpUntil([&] {
        std::optional<Point> at = system.PointerPosition();
        return at && *at == Point{123, 77};
    }));
}

TEST_F(GtkWindowHostTest, TrayIsAbsentWithoutAStatusNotifierHost) {
    // No session bus at all, so certainly no tray host on it.
    setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/kelno-bus", 1);
    GtkWindowSystem system;
    SetWindowSystem(&system);
    EXPECT_EQ(system.CreateTray("kelno-test"), nullptr);
    CTrayIcon tray;
    EXPECT_FALSE(tray.CreateTrayIcon("kelno-test", "icon.png", "tip"));
    tray.SetMenu({{"exit", "Exit"}}, "exit");  // harmless without an icon
    EXPECT_FALSE(tray.IsPresent());
    SetWindowSystem(nullptr);
}

TEST_F(GtkWindowHostTest, ClipboardTextRoundTrips) {
    auto host = ShowHost();
    host->SetClipboardText("Grüße 键盘");
    EXPECT_EQ(host->GetClipboardText(), "Grüße 键盘");
}

}  // namespace
}  // namespace kelno::skin
