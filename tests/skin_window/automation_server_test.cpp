#include "skin/automation/automation_server.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <future>

#include "skin/controls/button.h"
#include "skin/controls/edit.h"
#include "skin/core/container.h"
#include "skin/core/paint_manager.h"
#include "support/temp_folder.h"
#include "task_pump_host.h"

namespace kelno::skin {
namespace {

// Records the injected input, then hands it on like a window does.
class InputRecorder : public IHostClient {
public:
    explicit InputRecorder(CPaintManagerUI& pm) : pm_(pm) {}
    void OnHostPaint(cairo_t* cr, const Rect& dirty) override { pm_.OnHostPaint(cr, dirty); }
    void OnHostInput(const InputEvent& e) override {
        events.push_back(e);
        pm_.OnHostInput(e);
    }
    void OnHostResize(Size s) override { pm_.OnHostResize(s); }
    void OnHostTimer(uint32_t id) override { pm_.OnHostTimer(id); }
    void OnHostCloseRequest() override {}
    void OnHostDestroyed() override { pm_.OnHostDestroyed(); }
    std::vector<InputEvent> events;

private:
    CPaintManagerUI& pm_;
};

class NotifyLog : public INotifyUI {
public:
    void Notify(TNotifyUI& msg) override {
        lines.push_back(msg.sType + " " + (msg.pSender ? msg.pSender->GetName() : ""));
    }
    bool Saw(const std::string& line) const {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    std::vector<std::string> lines;
};

template <typename T>
T* Named(const char* name, int width, int height) {
    T* c = new T;
    c->SetName(name);
    c->SetFixedWidth(width);
    c->SetFixedHeight(height);
    return c;
}

// A small window: two buttons named "btn" (the second inside a hidden
// panel), an option, an edit.
class AutomationServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        host_.SetClientSize({400, 300});
        pm_.Init(&host_, "test");
        auto* root = new CContainerUI;
        root->SetName("root");
        first_ = Place(Named<CButtonUI>("btn", 100, 30), {10, 10, 110, 40});
        first_->SetText("First");
        root->Add(first_);
        hiddenPanel_ = new CContainerUI;
        hiddenPanel_->SetName("panel");
        hiddenPanel_->SetVisible(false);
        root->Add(Place(hiddenPanel_, {0, 50, 400, 100}));
        second_ = Named<CButtonUI>("btn", 100, 30);
        hiddenPanel_->Add(second_);
        option_ = Place(Named<COptionUI>("opt", 100, 30), {10, 110, 110, 140});
        root->Add(option_);
        edit_ = Place(Named<CEditUI>("name_edit", 200, 30), {10, 150, 210, 180});
        edit_->SetText("line\none");
        root->Add(edit_);
        pm_.SetRoot(root);
        pm_.OnHostResize({400, 300});
        pm_.AddNotifier(&log_);
        AutomationServer::RegisterWindow(&pm_, &input_);
    }
    void TearDown() override { AutomationServer::UnregisterWindow(&pm_); }

    template <typename T>
    T* Place(T* control, Rect r) {
        control->SetFloat(true);
        control->SetFixedXY({r.left, r.top});
        control->SetFixedWidth(r.Width());
        control->SetFixedHeight(r.Height());
        return control;
    }

    // Sends one line from a worker while this thread plays the UI thread.
    std::string Ask(const std::string& line) {
        auto reply = std::async(std::launch::async, [line] { return AutomationServer::HandleLine(line); });
        while (reply.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready)
            host_.Pump(std::chrono::milliseconds(20));
        return reply.get();
    }

    test::TaskPumpHost host_;
    CPaintManagerUI pm_;
    InputRecorder input_{pm_};
    NotifyLog log_;
    CButtonUI* first_ = nullptr;
    CButtonUI* second_ = nullptr;
    CContainerUI* hiddenPanel_ = nullptr;
    COptionUI* option_ = nullptr;
    CEditUI* edit_ = nullptr;
};

TEST_F(AutomationServerTest, FindReportsTheKthControlOfAName) {
    EXPECT_EQ(Ask("find btn"),
              "ok class=ButtonUI visible=1 enabled=1 selected=0 value=0 items=0 cursel=-1 "
              "text=First");
    EXPECT_EQ(Ask("find BTN#1").substr(0, 27), "ok class=ButtonUI visible=0")
        << "a control in a hidden panel is not visible";
    EXPECT_EQ(Ask("find btn#2").substr(0, 4), "err ");
    EXPECT_EQ(Ask("find nothing").substr(0, 4), "err ");
    EXPECT_EQ(Ask("find name_edit").substr(0, 17), "ok class=EditUI v");
    EXPECT_NE(Ask("find name_edit").find("text=line\\none"), std::string::npos);
    EXPECT_EQ(Ask("bogus"), "err unknown command: bogus");
}

TEST_F(AutomationServerTest, ClickIsARealPointerSequenceAtTheCentre) {
    EXPECT_EQ(Ask("click btn"), "ok");
    ASSERT_EQ(input_.events.size(), 3u);
    EXPECT_EQ(input_.events[0].type, InputEvent::Type::MouseMove);
    EXPECT_EQ(input_.events[1].type, InputEvent::Type::MouseDown);
    EXPECT_EQ(input_.events[2].type, InputEvent::Type::MouseUp);
    EXPECT_EQ(input_.events[1].point, first_->GetPos().Center());
    EXPECT_TRUE(log_.Saw("click btn"));

    EXPECT_EQ(Ask("click opt"), "ok");
    EXPECT_TRUE(option_->IsSelected());
    EXPECT_TRUE(log_.Saw("selectchanged opt"));
    EXPECT_EQ(Ask("find opt").substr(0, 48), "ok class=OptionUI visible=1 enabled=1 selected=1");

    input_.events.clear();
    EXPECT_EQ(Ask("dblclick btn"), "ok");
    ASSERT_EQ(input_.events.size(), 5u);
    EXPECT_EQ(input_.events[3].type, InputEvent::Type::DoubleClick);
}

TEST_F(AutomationServerTest, HiddenControlsAreNotClicked) {
    EXPECT_EQ(Ask("click btn#1"), "err not visible: btn");
    EXPECT_TRUE(input_.events.empty());
}

TEST_F(AutomationServerTest, TypeFocusesTypesAndLeaves) {
    edit_->SetText("");
    EXPECT_EQ(Ask("type name_edit Grüße 1"), "ok");
    EXPECT_EQ(edit_->GetText(), "Grüße 1");
    EXPECT_TRUE(log_.Saw("setfocus name_edit"));
    EXPECT_TRUE(log_.Saw("textchanged name_edit"));
    EXPECT_TRUE(log_.Saw("killfocus name_edit"));
    EXPECT_EQ(pm_.GetFocus(), nullptr);
}

TEST_F(AutomationServerTest, WaitVisibleWaitsForAChangeOrTimesOut) {
    EXPECT_EQ(Ask("wait-visible btn#1 0"), "err timeout waiting for btn");
    auto reply = std::async(std::launch::async,
                            [] { return AutomationServer::HandleLine("wait-visible btn#1 10000"); });
    host_.Pump();  // the first look: still hidden
    hiddenPanel_->SetVisible(true);
    while (reply.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready)
        host_.Pump(std::chrono::milliseconds(20));
    EXPECT_EQ(reply.get(), "ok");
}

TEST_F(AutomationServerTest, ScreenshotWritesThePngOfAVisibleWindow) {
    kelno::test::TempFolder folder;
    std::string path = (folder / "shot.png").string();
    EXPECT_EQ(Ask("screenshot " + path), "err no visible window");
    host_.Show(true);
    EXPECT_EQ(Ask("screenshot " + path), "ok");
    cairo_surface_t* png = cairo_image_surface_create_from_png(path.c_str());
    ASSERT_EQ(cairo_surface_status(png), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(cairo_image_surface_get_width(png), 400);
    EXPECT_EQ(cairo_image_surface_get_height(png), 300);
    cairo_surface_destroy(png);
    EXPECT_EQ(Ask("screenshot " + (folder / "missing" / "x.png").string()).substr(0, 4), "err ");
}

TEST(AutomationServerNoWindowTest, CommandsWithoutAWindowFailAtOnce) {
    EXPECT_EQ(AutomationServer::HandleLine("find x"), "err no window to run the command");
    EXPECT_EQ(AutomationServer::HandleLine("wait-visible x 100"), "err no window to ask");
}

// ---- the socket --------------------------------------------------------------

int Connect(const std::string& path) {
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

std::string ReadLine(int fd) {
    std::string line;
    char c;
    while (recv(fd, &c, 1, 0) == 1 && c != '\n') line += c;
    return line;
}

void SendText(int fd, const std::string& text) {
    ASSERT_EQ(send(fd, text.data(), text.size(), MSG_NOSIGNAL), static_cast<ssize_t>(text.size()));
}

TEST_F(AutomationServerTest, ServesLinesOnAPrivateSocket) {
    kelno::test::TempFolder folder;
    std::string path = (folder / "auto.sock").string();
    AutomationServer server;
    std::string error;
    ASSERT_TRUE(server.Start(path, &error)) << error;
    struct stat info{};
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_TRUE(S_ISSOCK(info.st_mode));
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    int fd = Connect(path);
    ASSERT_GE(fd, 0);
    auto replies = std::async(std::launch::async, [fd] {
        std::vector<std::string> lines;
        std::string tooLong = "type name_edit " + std::string(kAutomationMaxLine + 10, 'x') + "\n";
        std::string script = "find btn\nbogus\n";
        send(fd, script.data(), script.size(), MSG_NOSIGNAL);
        lines.push_back(ReadLine(fd));
        lines.push_back(ReadLine(fd));
        send(fd, tooLong.data(), tooLong.size(), MSG_NOSIGNAL);
        lines.push_back(ReadLine(fd));
        std::string last = "find opt\r\n";
        send(fd, last.data(), last.size(), MSG_NOSIGNAL);
        lines.push_back(ReadLine(fd));
        return lines;
    });
    while (replies.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready)
        host_.Pump(std::chrono::milliseconds(20));
    std::vector<std::string> lines = replies.get();
    close(fd);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].substr(0, 17), "ok class=ButtonUI");
    EXPECT_EQ(lines[1], "err unknown command: bogus");
    EXPECT_EQ(lines[2], "err line too long");
    EXPECT_EQ(lines[3].substr(0, 17), "ok class=OptionUI") << "the rest of the long line is skipped";
    EXPECT_EQ(edit_->GetText(), "line\none");

    server.Stop();
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(AutomationServerTest, StopEndsAWorkerWaitingForTheUiThread) {
    kelno::test::TempFolder folder;
    std::string path = (folder / "auto.sock").string();
    AutomationServer server;
    ASSERT_TRUE(server.Start(path));
    int fd = Connect(path);
    ASSERT_GE(fd, 0);
    SendText(fd, "find btn\n");
    // Never pump: the command waits for the UI thread until stop.
    while (host_.Queued() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    server.Stop();
    EXPECT_FALSE(server.IsRunning());
    close(fd);
}

TEST(AutomationServerSocketTest, ReplacesOnlyAStaleSocket) {
    kelno::test::TempFolder folder;
    std::string file = folder.WriteFile("not-a-socket", "keep me").string();
    AutomationServer server;
    std::string error;
    EXPECT_FALSE(server.Start(file, &error));
    EXPECT_NE(error.find("not a socket"), std::string::npos);
    EXPECT_EQ(folder.ReadFile("not-a-socket"), "keep me");

    std::string path = (folder / "s").string();
    {
        AutomationServer first;
        ASSERT_TRUE(first.Start(path));
    }
    // A socket file left behind (simulate a crash by binding without cleanup).
    int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    close(fd);
    EXPECT_TRUE(server.Start(path, &error)) << error;
    EXPECT_FALSE(server.Start(path, &error)) << "already running";
    EXPECT_FALSE(AutomationServer().Start(std::string(200, 'x'), &error));
}

TEST(AutomationArgumentTest, FindsTheSocketPath) {
    const char* a[] = {"prog", "--other", "--automation", "/tmp/s.sock"};
    EXPECT_EQ(AutomationSocketArgument(4, const_cast<char**>(a)), "/tmp/s.sock");
    const char* b[] = {"prog", "--automation=/tmp/t"};
    EXPECT_EQ(AutomationSocketArgument(2, const_cast<char**>(b)), "/tmp/t");
    const char* c[] = {"prog", "--automation"};
    EXPECT_EQ(AutomationSocketArgument(2, const_cast<char**>(c)), "");
    const char* d[] = {"prog"};
    EXPECT_EQ(AutomationSocketArgument(1, const_cast<char**>(d)), "");
}

}  // namespace
}  // namespace kelno::skin
