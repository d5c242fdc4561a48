#pragma once
// The client side of the automation socket for end-to-end tests: connects
// (retrying while the program starts) and asks one line at a time.

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "support/eventually.h"

namespace kelno::skin::test {

class AutomationClient {
  public:
    AutomationClient() = default;
    AutomationClient(const AutomationClient&) = delete;
    AutomationClient& operator=(const AutomationClient&) = delete;
    ~AutomationClient() {
        if (fd_ >= 0) close(fd_);
    }

    bool Connect(const std::string& path, std::chrono::milliseconds limit) {
        const auto connected = [&] {
            fd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
            if (connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
                timeval limitTv{30, 0};  // hang guard for each reply
                setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &limitTv, sizeof limitTv);
                return true;
            }
            close(fd_);
            fd_ = -1;
            return false;  // still starting
        };
        return kelno::test::Eventually(connected, {}, limit, std::chrono::milliseconds(50));
    }

    // One request line, its reply line (without the line feed).
    std::string Ask(const std::string& line) {
        std::string text = line + "\n";
        if (send(fd_, text.data(), text.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(text.size()))
            return "send failed";
        std::string reply;
        char c;
        while (recv(fd_, &c, 1, 0) == 1 && c != '\n') reply += c;
        return reply;
    }

  private:
    int fd_ = -1;
};

}  // namespace kelno::skin::test
