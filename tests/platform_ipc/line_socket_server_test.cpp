// The shared local-socket server: owner-only socket, symbolic links refused,
// and clients that never read, say nothing or come over the cap, none of
// which may hold up the others.

#include "platform/ipc/line_socket_server.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
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
    static constexpr LineServerLimits kShort{
        .maxLineLength = 64, .maxClients = 4, .idleLimit = 1min, .sendLimit = 300ms};

    void StartServer(LineServerLimits limits = kShort) {
        server_ = std::make_unique<LineSocketServer>("test server", Answer, limits);
        std::string error;
        ASSERT_TRUE(server_->Start(path_, &error)) << error;
    }

    test::TempFolder folder_;
    fs::path path_ = folder_ / "line.sock";
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

}  // namespace
}  // namespace kelno::ipc
