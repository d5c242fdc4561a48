#include "platform/sim/sim_control_server.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <vector>

#include "core/debug_output.h"

namespace kelno::sim {
namespace {

// A request line longer than this is answered with an error and dropped.
constexpr size_t kMaxLineLength = 1024;
constexpr size_t kMaxClients = 16;

struct Client {
    int fd;
    std::string pending;
    bool discarding = false;  // inside an over-long line
};

bool SendAll(int fd, const std::string& text) {
    size_t sent = 0;
    while (sent < text.size()) {
        const ssize_t n = ::send(fd, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

SimControlServer::SimControlServer(std::shared_ptr<SimDeviceSet> devices)
    : devices_(std::move(devices)) {}

SimControlServer::~SimControlServer() {
    Stop();
}

bool SimControlServer::Start(const std::filesystem::path& socketPath) {
    if (listenFd_ >= 0) return false;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string pathText = socketPath.string();
    if (pathText.empty() || pathText.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, pathText.c_str(), pathText.size() + 1);

    const int listenFd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listenFd < 0) return false;
    std::error_code ignored;
    if (std::filesystem::is_socket(socketPath, ignored))
        std::filesystem::remove(socketPath, ignored);
    if (::bind(listenFd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listenFd, 8) != 0) {
        ::close(listenFd);
        return false;
    }
    const int wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd < 0) {
        ::close(listenFd);
        std::filesystem::remove(socketPath, ignored);
        return false;
    }
    listenFd_ = listenFd;
    wakeFd_ = wakeFd;
    socketPath_ = socketPath;
    worker_.Start([this](std::stop_token token) { Serve(token); });
    return true;
}

void SimControlServer::Stop() {
    if (listenFd_ < 0) return;
    worker_.RequestStop();
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(wakeFd_, &one, sizeof one);
    // The thread only waits in poll(), which the eventfd ends; the bound is
    // a guard, and the destructor of WorkerThread joins whatever is left.
    if (!worker_.StopAndJoin(std::chrono::milliseconds(5000)))
        DebugOutput("sim control server: thread did not stop in time");
    ::close(listenFd_);
    ::close(wakeFd_);
    listenFd_ = wakeFd_ = -1;
    std::error_code ignored;
    std::filesystem::remove(socketPath_, ignored);
}

void SimControlServer::Serve(std::stop_token token) {
    std::vector<Client> clients;
    while (!token.stop_requested()) {
        std::vector<pollfd> fds = {{wakeFd_, POLLIN, 0}, {listenFd_, POLLIN, 0}};
        for (const Client& client : clients) fds.push_back({client.fd, POLLIN, 0});
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (fds[0].revents != 0) break;
        // Only the clients polled in this pass have an entry in `fds`; one
        // accepted below is read from in the next pass.
        const size_t polled = clients.size();
        if ((fds[1].revents & POLLIN) != 0) {
            const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd >= 0 && clients.size() < kMaxClients)
                clients.push_back({fd, {}});
            else if (fd >= 0)
                ::close(fd);
        }
        std::vector<int> finished;
        for (size_t i = 0; i < polled; ++i) {
            if (fds[i + 2].revents == 0) continue;
            Client& client = clients[i];
            char buffer[512];
            const ssize_t n = ::recv(client.fd, buffer, sizeof buffer, 0);
            if (n <= 0) {
                finished.push_back(client.fd);
                continue;
            }
            bool alive = true;
            for (ssize_t b = 0; b < n && alive; ++b) {
                const char c = buffer[b];
                if (c != '\n') {
                    if (client.discarding) continue;
                    client.pending.push_back(c);
                    if (client.pending.size() > kMaxLineLength) {
                        client.pending.clear();
                        client.discarding = true;
                        alive = SendAll(client.fd, "err line too long\n");
                    }
                    continue;
                }
                if (client.discarding) {
                    client.discarding = false;
                    continue;
                }
                alive = SendAll(client.fd, devices_->HandleCommand(client.pending) + "\n");
                client.pending.clear();
            }
            if (!alive) finished.push_back(client.fd);
        }
        std::erase_if(clients, [&](const Client& client) {
            if (std::find(finished.begin(), finished.end(), client.fd) == finished.end())
                return false;
            ::close(client.fd);
            return true;
        });
    }
    for (const Client& client : clients) ::close(client.fd);
}

}  // namespace kelno::sim
