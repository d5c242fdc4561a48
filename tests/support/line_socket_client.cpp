#include "support/line_socket_client.h"

#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>

#include <cerrno>
#include <cstdio>

namespace kelno::test {

namespace {

sockaddr_un Address(const std::filesystem::path& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    return address;
}

}  // namespace

bool LeaveStaleSocket(const std::filesystem::path& path) {
    const UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    const sockaddr_un address = Address(path);
    return ::bind(fd.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
}

LineSocketClient::LineSocketClient(const std::filesystem::path& socketPath)
    : fd_(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    const sockaddr_un address = Address(socketPath);
    connected_ =
        ::connect(fd_.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    timeval guard{30, 0};
    ::setsockopt(fd_.Get(), SOL_SOCKET, SO_RCVTIMEO, &guard, sizeof guard);
}

bool LineSocketClient::Send(std::string_view text) {
    while (!text.empty()) {
        const ssize_t n = ::send(fd_.Get(), text.data(), text.size(), MSG_NOSIGNAL);
        if (n <= 0) return false;
        text.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

std::optional<std::string> LineSocketClient::ReadLine() {
    std::string line;
    char c;
    while (::recv(fd_.Get(), &c, 1, 0) == 1) {
        if (c == '\n') return line;
        line.push_back(c);
    }
    return std::nullopt;
}

std::string LineSocketClient::Ask(std::string_view line) {
    if (!Send(std::string(line) + "\n")) return "<closed>";
    return ReadLine().value_or("<closed>");
}

bool LineSocketClient::DrainUntilClosed() {
    char buffer[4096];
    while (true) {
        const ssize_t n = ::recv(fd_.Get(), buffer, sizeof buffer, 0);
        if (n == 0) return true;
        if (n < 0) return errno == ECONNRESET;
    }
}

}  // namespace kelno::test
