// The shared local-socket server: owner-only socket, symbolic links refused,
// and clients that never read, say nothing or come over the cap, none of
// which may hold up the others; at the cap a quiet client makes room for a
// newcomer, a busy one never does.

#include "platform/ipc/line_socket_server.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <optional>
#include <thread>

#include "support/line_socket_client.h"
#include "support/temp_folder.h"

namespace kelno::ipc {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::LineSocketClient;

// "big" is answered with more than a socket buffer holds in a few replies.
std::string Answer(std::string_view line, std::stop_token) {
    if (line == "big") return std::string(64 * 1024, 'b');
    return "echo " + std::string(line);
}

// "hold" requests are answered "held" only when the test releases them, so
// a client can be kept busy with a request for as long as a test needs.
class HeldRequests {
  public:
    std::string Hold(std::stop_token stop) {
        std::unique_lock lock(mutex_);
        const int release = releases_;
        ++holding_;
        changed_.notify_all();
        const bool released = changed_.wait(lock, stop, [&] { return releases_ != release; });
        --holding_;
        return released ? "held" : "stopped";
    }
    // False when fewer than `count` are held after the hang guard.
    bool WaitUntilHolding(int count) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, 30s, [&] { return holding_ >= count; });
    }
    // Answers every request held now.
    void Release() {
        std::lock_guard lock(mutex_);
        ++releases_;
        changed_.notify_all();
    }

  private:
    std::mutex mutex_;
    std::condition_variable_any changed_;
    int holding_ = 0;
    int releases_ = 0;
};

// True once the server has shut the connection (a send fails), within a
// hang guard. Sends no line feed, so it asks for nothing.
bool ServerHasDropped(LineSocketClient& client) {
    for (int attempt = 0; attempt < 400; ++attempt) {
        if (!client.Send("x")) return true;
        std::this_thread::sleep_for(50ms);
    }
    return false;
}

class LineSocketServerTest : public ::testing::Test {
  protected:
    // Short limits, so the tests see them act (the waits on them are bounded
    // by the clients' hang guard); the idle limit only where it is tested.
    static constexpr LineServerLimits kShort{.maxLineLength = 64,
                                             .maxClients = 4,
                                             .idleLimit = 1min,
                                             .yieldAfter = 1min,
                                             .sendLimit = 300ms};

    void StartServer(LineServerLimits limits = kShort) {
        server_.reset();
        const auto answer = [this](std::string_view line, std::stop_token stop) {
            return line == "hold" ? held_.Hold(stop) : Answer(line, stop);
        };
        server_ = std::make_unique<LineSocketServer>("test server", answer, limits);
        std::string error;
        ASSERT_TRUE(server_->Start(path_, &error)) << error;
    }

    test::TempFolder folder_;
    fs::path path_ = folder_ / "line.sock";
    // Before the server, which is stopped first.
    HeldRequests held_;
    std::unique_ptr<LineSocketServer> server_;
};

TEST_F(LineSocketServerTest, TheSocketIsTheOwnersOnlyAndGoesWithTheServer) {
    StartServer();
    struct stat info {};
    ASSERT_EQ(::lstat(path_.c_str(), &info), 0);
    EXPECT_TRUE(S_ISSOCK(info.st_mode));
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    LineSocketClient client(path_);
    ASSERT_TRUE(client.Connected());
    EXPECT_EQ(client.Ask("hello"), "echo hello");
    EXPECT_EQ(client.Ask(std::string(65, 'x')), "err line too long");
    EXPECT_EQ(client.Ask("after"), "echo after") << "the rest of the long line is skipped";

    server_->Stop();
    EXPECT_FALSE(server_->IsRunning());
    EXPECT_FALSE(fs::exists(path_));
    EXPECT_TRUE(client.DrainUntilClosed()) << "stopping closes the connections";
}

// What may sit at the socket path: only a socket file is replaced.
TEST_F(LineSocketServerTest, ASymbolicLinkOrOtherFileAtThePathIsRefusedAndLeftInPlace) {
    const fs::path staleSocket = folder_ / "stale.sock";
    ASSERT_TRUE(test::LeaveStaleSocket(staleSocket));
    const fs::path regular = folder_.WriteFile("regular", "keep me");
    struct Case {
        const char* what;
        fs::path linkTarget;  // empty: a regular file at the path
    };
    const Case cases[] = {
        {"a link to a socket", staleSocket},
        {"a link to a file", regular},
        {"a dangling link", folder_ / "nothing-here"},
        {"a regular file", {}},
    };
    for (const Case& c : cases) {
        const fs::path path = folder_ / (std::string("at-") + c.what);
        if (c.linkTarget.empty())
            fs::copy_file(regular, path);
        else
            fs::create_symlink(c.linkTarget, path);
        LineSocketServer server("test server", Answer);
        std::string error;
        EXPECT_FALSE(server.Start(path, &error)) << c.what;
        EXPECT_NE(error.find("not a socket"), std::string::npos) << c.what << ": " << error;
        EXPECT_EQ(fs::symlink_status(path).type(),
                  c.linkTarget.empty() ? fs::file_type::regular : fs::file_type::symlink)
            << c.what << " is left in place";
    }
    EXPECT_EQ(folder_.ReadFile("regular"), "keep me");
    EXPECT_EQ(fs::status(staleSocket).type(), fs::file_type::socket);
}

TEST_F(LineSocketServerTest, AStaleSocketFileIsReplaced) {
    ASSERT_TRUE(test::LeaveStaleSocket(path_));
    StartServer();
    LineSocketClient client(path_);
    EXPECT_EQ(client.Ask("hi"), "echo hi");
}

TEST_F(LineSocketServerTest, AClientThatNeverReadsIsDroppedWithoutHoldingUpTheOthers) {
    StartServer();
    LineSocketClient stuck(path_);
    ASSERT_TRUE(stuck.Connected());
    // Megabytes of replies that are never read: its thread blocks in send.
    std::string requests;
    for (int i = 0; i < 64; ++i) requests += "big\n";
    ASSERT_TRUE(stuck.Send(requests));

    LineSocketClient other(path_);
    ASSERT_TRUE(other.Connected());
    EXPECT_EQ(other.Ask("ping"), "echo ping");
    // Once a send has waited its limit the server gives that client up.
    EXPECT_TRUE(ServerHasDropped(stuck));
    EXPECT_EQ(other.Ask("still"), "echo still");
}

TEST_F(LineSocketServerTest, ASilentClientIsClosedAfterTheIdleLimitWithoutHoldingUpTheOthers) {
    LineServerLimits limits = kShort;
    limits.idleLimit = 300ms;
    StartServer(limits);
    LineSocketClient silent(path_);
    ASSERT_TRUE(silent.Connected());
    LineSocketClient other(path_);
    EXPECT_EQ(other.Ask("ping"), "echo ping");
    EXPECT_TRUE(silent.DrainUntilClosed());
}

TEST_F(LineSocketServerTest, AClientOverTheCapIsToldSoAndAPlaceFreesWhenOneLeaves) {
    StartServer({.maxClients = 2});
    auto first = std::make_unique<LineSocketClient>(path_);
    LineSocketClient second(path_);
    // Answered, so both hold a place.
    ASSERT_EQ(first->Ask("1"), "echo 1");
    ASSERT_EQ(second.Ask("2"), "echo 2");

    LineSocketClient third(path_);
    EXPECT_EQ(third.ReadLine(), "err too many clients");
    EXPECT_TRUE(third.DrainUntilClosed());

    first.reset();
    // The first one's thread sees it leave shortly; until then the server
    // is still full (a bounded wait).
    std::string reply;
    for (int attempt = 0; attempt < 200 && reply != "echo 4"; ++attempt) {
        LineSocketClient fourth(path_);
        reply = fourth.Ask("4");
        if (reply != "echo 4") std::this_thread::sleep_for(50ms);
    }
    EXPECT_EQ(reply, "echo 4");
}

TEST_F(LineSocketServerTest, AtTheCapAQuietClientGivesItsPlaceToANewcomer) {
    LineServerLimits limits = kShort;
    limits.maxClients = 2;
    limits.yieldAfter = 100ms;
    StartServer(limits);
    LineSocketClient busy(path_);
    ASSERT_TRUE(busy.Send("hold\n"));
    ASSERT_TRUE(held_.WaitUntilHolding(1));
    LineSocketClient quiet(path_);
    ASSERT_EQ(quiet.Ask("hi"), "echo hi");

    // Refused until the quiet one has been quiet for yieldAfter (a bounded wait).
    std::optional<LineSocketClient> newcomer;
    std::string reply;
    for (int attempt = 0; attempt < 400 && reply != "echo new"; ++attempt) {
        if (attempt > 0) std::this_thread::sleep_for(20ms);
        newcomer.emplace(path_);
        reply = newcomer->Ask("new");
    }
    EXPECT_EQ(reply, "echo new");
    EXPECT_EQ(quiet.ReadLine(), "err closed for a new client");
    EXPECT_TRUE(quiet.DrainUntilClosed());

    // The busy client kept its place and gets its answer.
    held_.Release();
    EXPECT_EQ(busy.ReadLine(), "held");
    EXPECT_EQ(busy.Ask("after"), "echo after");
    EXPECT_EQ(newcomer->Ask("again"), "echo again");
}

TEST_F(LineSocketServerTest, AtTheCapANewcomerIsStillRefusedWhileEveryClientIsBusy) {
    struct Case {
        const char* what;
        std::chrono::milliseconds yieldAfter;
        bool holding;  // a request of each is being answered
    };
    const Case cases[] = {
        {"each answered a moment ago", 1min, false},
        // Even a client quiet for no time at all would make room here.
        {"each with a request being answered", 0ms, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LineServerLimits limits = kShort;
        limits.maxClients = 2;
        limits.yieldAfter = c.yieldAfter;
        StartServer(limits);
        LineSocketClient first(path_);
        LineSocketClient second(path_);
        if (c.holding) {
            ASSERT_TRUE(first.Send("hold\n"));
            ASSERT_TRUE(second.Send("hold\n"));
            ASSERT_TRUE(held_.WaitUntilHolding(2));
        } else {
            ASSERT_EQ(first.Ask("1"), "echo 1");
            ASSERT_EQ(second.Ask("2"), "echo 2");
        }

        LineSocketClient newcomer(path_);
        EXPECT_EQ(newcomer.ReadLine(), "err too many clients");
        EXPECT_TRUE(newcomer.DrainUntilClosed());

        if (c.holding) {
            held_.Release();
            EXPECT_EQ(first.ReadLine(), "held");
            EXPECT_EQ(second.ReadLine(), "held");
        }
        EXPECT_EQ(first.Ask("still"), "echo still");
        EXPECT_EQ(second.Ask("still"), "echo still");
    }
}

}  // namespace
}  // namespace kelno::ipc
