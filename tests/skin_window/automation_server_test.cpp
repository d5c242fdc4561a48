#include "skin/automation/automation_server.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <future>

#include "automation_fixture.h"
#include "support/line_socket_client.h"
#include "support/temp_folder.h"

namespace kelno::skin {
namespace {

using AutomationServerTest = test::AutomationFixture;

TEST_F(AutomationServerTest, WaitVisibleWaitsForAChangeOrTimesOut) {
    EXPECT_EQ(Ask("wait-visible btn#1 0"), "err timeout waiting for btn");
    auto reply = std::async(std::launch::async, [] {
        return AutomationServer::HandleLine("wait-visible btn#1 10000");
    });
    host_.Pump();  // the first look: still hidden
    hiddenPanel_->SetVisible(true);
    while (reply.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready)
        host_.Pump(std::chrono::milliseconds(20));
    EXPECT_EQ(reply.get(), "ok");
}

// A click whose handler runs a modal loop: the client gets its "ok" as the
// loop starts and drives the window from inside that loop.
class ModalOnClick : public INotifyUI {
  public:
    explicit ModalOnClick(test::TaskPumpHost& host) : host_(host) {}
    void Notify(TNotifyUI& msg) override {
        if (msg.sType != "click" || running) return;
        running = true;
        AutomationServer::NoteNestedLoop();
        while (!done) host_.Pump(std::chrono::milliseconds(20));  // the nested loop
        running = false;
    }
    std::atomic<bool> done{false};
    bool running = false;

  private:
    test::TaskPumpHost& host_;
};

TEST_F(AutomationServerTest, ACommandThatOpensAModalLoopIsAnsweredAtOnce) {
    ModalOnClick modal(host_);
    pm_.AddNotifier(&modal);
    auto client = std::async(std::launch::async, [&] {
        std::string first = AutomationServer::HandleLine("click btn");
        std::string second = AutomationServer::HandleLine("find opt");
        modal.done = true;
        return first + "|" + second.substr(0, 17);
    });
    while (client.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready)
        host_.Pump(std::chrono::milliseconds(20));
    EXPECT_EQ(client.get(), "ok|ok class=OptionUI");
    pm_.RemoveNotifier(&modal);
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
    struct stat info {};
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
    EXPECT_EQ(lines[3].substr(0, 17), "ok class=OptionUI")
        << "the rest of the long line is skipped";
    EXPECT_EQ(edit_->GetText(), "line\none");

    server.Stop();
    EXPECT_FALSE(std::filesystem::exists(path));
}

// The server once served one client at a time: a client that connected and
// said nothing held up every other.
TEST_F(AutomationServerTest, ASilentClientHoldsUpNoOther) {
    kelno::test::TempFolder folder;
    const std::string path = (folder / "auto.sock").string();
    AutomationServer server;
    ASSERT_TRUE(server.Start(path));
    kelno::test::LineSocketClient silent(path);
    ASSERT_TRUE(silent.Connected());
    kelno::test::LineSocketClient other(path);
    auto reply = std::async(std::launch::async, [&] { return other.Ask("find btn"); });
    while (reply.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready)
        host_.Pump(std::chrono::milliseconds(20));
    EXPECT_EQ(reply.get().substr(0, 17), "ok class=ButtonUI");
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
