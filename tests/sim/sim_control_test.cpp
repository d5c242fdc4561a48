#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include "platform/sim/sim_control_server.h"
#include "platform/sim/sim_device_set.h"
#include "support/temp_folder.h"

namespace kelno::sim {
namespace {

TEST(SimDeviceSet, LineProtocol) {
    SimDeviceSet devices;
    struct Step {
        const char* line;
        const char* reply;
    };
    const Step steps[] = {
        {"list", "ok"},
        {"", "err empty command"},
        {"launch keyboard", "err unknown command"},
        {"plug toaster", "err unknown kind"},
        {"plug", "err usage: plug <kind>"},
        {"mem keyboard 0 4", "err never plugged"},
        {"notify keyboard 401", "err not plugged"},
        {"plug keyboard", "ok"},
        {"plug headset", "ok"},
        {"list", "ok keyboard headset"},
        {"mem keyboard 0 4", "ok 00 01 18 03"},
        {"  mem   keyboard 0x06 1\r", "ok ff"},
        {"mem keyboard 1020 4", "ok 00 00 00 00"},
        {"mem keyboard 1020 5", "err out of range"},
        {"mem keyboard 18446744073709551615 2", "err out of range"},
        {"mem keyboard -1 2", "err bad number"},
        {"mem keyboard 0 0", "ok"},
        {"mem keyboard 0", "err usage: mem <kind> <offset> <length>"},
        {"notify keyboard 401", "ok"},
        {"notify keyboard 0x50a", "ok"},
        {"notify keyboard 10000", "err bad usage"},
        {"notify keyboard zz", "err bad usage"},
        {"keymap headset", "ok"},
        {"unplug keyboard", "ok"},
        {"unplug keyboard", "err not plugged"},
        {"list", "ok headset"},
        {"mem keyboard 0 1", "ok 00"},
    };
    for (const Step& step : steps)
        EXPECT_EQ(devices.HandleCommand(step.line), step.reply) << step.line;

    const std::string keymap = devices.HandleCommand("keymap keyboard");
    EXPECT_EQ(keymap.size(), 3 + 378 * 3 - 1);
    EXPECT_EQ(keymap.substr(0, 3), "ok ");
}

TEST(SimDeviceSet, ReplugKeepsMemoryAndTheSameNode) {
    SimDeviceSet devices;
    auto keyboard = devices.Plug(SimKind::Keyboard);
    ASSERT_TRUE(keyboard);
    const uint8_t profile[] = {2};
    keyboard->ChangeMemoryOnDevice(0, profile);
    EXPECT_TRUE(devices.Unplug(SimKind::Keyboard));
    EXPECT_TRUE(devices.Backend()->Enumerate()->empty());
    EXPECT_EQ(devices.Plug(SimKind::Keyboard), keyboard);
    EXPECT_EQ(devices.HandleCommand("mem keyboard 0 1"), "ok 02");
    EXPECT_EQ(devices.Backend()->Enumerate()->size(), 4u);
}

class Client {
  public:
    explicit Client(const std::filesystem::path& socketPath) {
        fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
        connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        timeval guard{30, 0};  // hang guard only
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &guard, sizeof guard);
    }
    ~Client() { ::close(fd_); }
    bool Connected() const { return connected_; }
    void Send(const std::string& text) {
        ASSERT_EQ(::send(fd_, text.data(), text.size(), MSG_NOSIGNAL),
                  static_cast<ssize_t>(text.size()));
    }
    std::string ReadLine() {
        std::string line;
        char c;
        while (::recv(fd_, &c, 1, 0) == 1) {
            if (c == '\n') return line;
            line.push_back(c);
        }
        return "<closed>";
    }

  private:
    int fd_ = -1;
    bool connected_ = false;
};

TEST(SimControlServer, AnswersEachLineOverTheSocketAndStopsCleanly) {
    test::TempFolder folder;
    const auto socketPath = folder / "sim.sock";
    auto devices = std::make_shared<SimDeviceSet>();
    SimControlServer server(devices);
    ASSERT_TRUE(server.Start(socketPath));
    EXPECT_FALSE(server.Start(socketPath)) << "one server at a time";

    Client first(socketPath);
    Client second(socketPath);
    ASSERT_TRUE(first.Connected());
    ASSERT_TRUE(second.Connected());
    // Lines may arrive split across sends and several at once.
    first.Send("plug mo");
    first.Send("use\nlist\n");
    EXPECT_EQ(first.ReadLine(), "ok");
    EXPECT_EQ(first.ReadLine(), "ok mouse");
    second.Send(std::string(5000, 'x') + "\nlist\n");
    EXPECT_EQ(second.ReadLine(), "err line too long");
    EXPECT_EQ(second.ReadLine(), "ok mouse");
    EXPECT_TRUE(devices->IsPlugged(SimKind::Mouse));

    server.Stop();
    EXPECT_FALSE(std::filesystem::exists(socketPath));
    EXPECT_EQ(first.ReadLine(), "<closed>");
}

TEST(SimControlServer, ReplacesAStaleSocketFile) {
    test::TempFolder folder;
    const auto socketPath = folder / "sim.sock";
    {
        // A socket file left behind, as a crashed process leaves it.
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ::close(fd);
        ASSERT_TRUE(std::filesystem::is_socket(socketPath));
    }
    SimControlServer server(std::make_shared<SimDeviceSet>());
    EXPECT_FALSE(server.Start(folder / std::string(200, 'n'))) << "path too long for a socket";
    ASSERT_TRUE(server.Start(socketPath));
    Client client(socketPath);
    client.Send("list\n");
    EXPECT_EQ(client.ReadLine(), "ok");
}

}  // namespace
}  // namespace kelno::sim
