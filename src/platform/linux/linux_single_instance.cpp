#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <poll.h>
#include <sys/eventfd.h>
#include <cerrno>
#include <cstring>

#include "core/debug_output.h"
#include "core/paths.h"
#include "core/unique_fd.h"
#include "core/worker_thread.h"
#include "platform/session/single_instance.h"

namespace kelno {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr char kWakeLine[] = "wake\n";

bool FillAddress(const fs::path& path, sockaddr_un& address) {
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    const std::string text = path.string();
    if (text.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, text.c_str(), text.size() + 1);
    return true;
}

// Tells the first instance to show itself. It may still be starting, so a
// refused connection is tried again a few times before giving up.
void WakeFirstInstance(const fs::path& socketPath) {
    sockaddr_un address{};
    if (!FillAddress(socketPath, address)) return;
    std::stop_source never;
    for (int attempt = 0; attempt < 20; ++attempt) {
        UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
        if (!fd.Valid()) return;
        if (::connect(fd.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
            ssize_t ignored = ::send(fd.Get(), kWakeLine, sizeof kWakeLine - 1, MSG_NOSIGNAL);
            (void)ignored;
            return;
        }
        WaitFor(never.get_token(), 50ms);
    }
    DebugOutput("single instance: the first instance did not answer");
}

class FirstInstance final : public SingleInstance {
  public:
    FirstInstance(UniqueFd lock, UniqueFd listener, UniqueFd stopEvent, fs::path socketPath,
                  WakeHandler onWake)
        : lock_(std::move(lock)),
          listener_(std::move(listener)),
          stopEvent_(std::move(stopEvent)),
          socketPath_(std::move(socketPath)),
          onWake_(std::move(onWake)),
          worker_("single-instance") {
        // Without a listener this is still the only instance; it just
        // cannot be woken by later ones.
        if (listener_.Valid()) worker_.Start([this](std::stop_token token) { Serve(token); });
    }

    ~FirstInstance() override {
        worker_.RequestStop();
        const uint64_t one = 1;
        ssize_t ignored = ::write(stopEvent_.Get(), &one, sizeof one);
        (void)ignored;
        worker_.StopAndJoin(std::chrono::milliseconds(1000));
        if (listener_.Valid()) {
            listener_.Reset();
            // The socket file is ours while we hold the lock.
            ::unlink(socketPath_.c_str());
        }
    }

    Role GetRole() const override { return Role::First; }

  private:
    void Serve(std::stop_token token) {
        while (!token.stop_requested()) {
            pollfd fds[2] = {{listener_.Get(), POLLIN, 0}, {stopEvent_.Get(), POLLIN, 0}};
            if (::poll(fds, 2, -1) < 0) {
                if (errno == EINTR) continue;
                return;
            }
            if (fds[1].revents != 0) return;
            if ((fds[0].revents & POLLIN) == 0) continue;
            UniqueFd client(::accept4(listener_.Get(), nullptr, nullptr, SOCK_CLOEXEC));
            if (!client.Valid()) continue;
            // Any connection is a wake-up; the line is read only to drain it.
            char buffer[16];
            pollfd readable{client.Get(), POLLIN, 0};
            if (::poll(&readable, 1, 200) > 0) {
                ssize_t ignored = ::recv(client.Get(), buffer, sizeof buffer, MSG_DONTWAIT);
                (void)ignored;
            }
            if (onWake_) onWake_();
        }
    }

    UniqueFd lock_;
    UniqueFd listener_;
    UniqueFd stopEvent_;
    fs::path socketPath_;
    WakeHandler onWake_;
    WorkerThread worker_{"single-instance"};
};

class FixedRole final : public SingleInstance {
  public:
    explicit FixedRole(Role role) : role_(role) {}
    Role GetRole() const override { return role_; }

  private:
    Role role_;
};

}  // namespace

std::unique_ptr<SingleInstance> SingleInstance::Acquire(const fs::path& runtimeFolder,
                                                        const std::string& identity,
                                                        WakeHandler onWake) {
    if (!EnsureFolder(runtimeFolder)) return std::make_unique<FixedRole>(Role::Failed);
    ::chmod(runtimeFolder.c_str(), 0700);
    const fs::path lockPath = runtimeFolder / (identity + ".lock");
    const fs::path socketPath = runtimeFolder / (identity + ".socket");

    UniqueFd lock(::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (!lock.Valid()) return std::make_unique<FixedRole>(Role::Failed);
    if (::flock(lock.Get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK) return std::make_unique<FixedRole>(Role::Failed);
        WakeFirstInstance(socketPath);
        return std::make_unique<FixedRole>(Role::Second);
    }

    // We hold the lock, so a socket file left behind is from a dead instance.
    ::unlink(socketPath.c_str());
    sockaddr_un address{};
    UniqueFd listener(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    UniqueFd stopEvent(::eventfd(0, EFD_CLOEXEC));
    if (!listener.Valid() || !stopEvent.Valid() || !FillAddress(socketPath, address) ||
        ::bind(listener.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener.Get(), 8) != 0) {
        DebugOutputF("single instance: cannot listen on %s: %s", socketPath.c_str(),
                     std::strerror(errno));
        listener.Reset();
    } else {
        ::chmod(socketPath.c_str(), 0600);
    }
    return std::make_unique<FirstInstance>(std::move(lock), std::move(listener),
                                           std::move(stopEvent), socketPath, std::move(onWake));
}

}  // namespace kelno
