#include "skin/automation/automation_server.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <optional>

#include "core/debug_output.h"
#include "core/worker_thread.h"
#include "skin/automation/control_probe.h"
#include "skin/core/paint_manager.h"

namespace kelno::skin {
namespace {

// Windows known to automation, in registration order.
struct Registry {
    std::mutex mutex;
    std::vector<AutomationTarget> windows;
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

// The reply slot of one command handed to the UI thread. A task that is
// dropped unrun (its window went away) marks the slot abandoned.
struct ReplySlot {
    std::mutex mutex;
    std::condition_variable_any changed;
    std::optional<std::string> reply;
    bool abandoned = false;
};

// Completes a reply unless it already has one; false when it had.
bool SetReply(ReplySlot& slot, std::string reply) {
    std::lock_guard lock(slot.mutex);
    if (slot.reply) return false;
    slot.reply = std::move(reply);
    slot.changed.notify_all();
    return true;
}

// The reply of the command running on the UI thread now (UI thread only).
std::shared_ptr<ReplySlot>& RunningCommand() {
    static std::shared_ptr<ReplySlot> running;
    return running;
}

struct ReplyGuard {
    std::shared_ptr<ReplySlot> slot;
    ~ReplyGuard() {
        if (!slot) return;
        std::lock_guard lock(slot->mutex);
        if (!slot->reply) slot->abandoned = true;
        slot->changed.notify_all();
    }
};

// Runs `work` on the UI thread and waits for its reply line.
std::optional<std::string> RunOnUi(std::function<std::string()> work, std::stop_token stop) {
    auto slot = std::make_shared<ReplySlot>();
    bool posted = false;
    {
        Registry& registry = TheRegistry();
        std::lock_guard lock(registry.mutex);
        for (const AutomationTarget& target : registry.windows) {
            IWindowHost* host = target.manager ? target.manager->GetHost() : nullptr;
            if (host == nullptr) continue;
            auto guard = std::make_shared<ReplyGuard>();
            guard->slot = slot;
            posted = host->PostTask([guard, work] {
                std::shared_ptr<ReplySlot> outer = RunningCommand();
                RunningCommand() = guard->slot;
                std::string reply = work();
                RunningCommand() = outer;
                // Already answered when the command opened a modal loop.
                SetReply(*guard->slot, std::move(reply));
            });
            if (posted) break;
        }
    }
    if (!posted) return std::nullopt;
    std::unique_lock lock(slot->mutex);
    slot->changed.wait(lock, stop, [&] { return slot->reply.has_value() || slot->abandoned; });
    return slot->reply;
}

std::string WaitVisible(const AutomationCommand& command, std::stop_token stop) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(command.number);
    ControlRef ref = command.target;
    while (true) {
        std::optional<std::string> state = RunOnUi(
            [ref] {
                AutomationExecutor executor(AutomationServer::RegisteredWindows());
                CControlUI* control = executor.Find(ref);
                return std::string(control && IsShownWithParents(control) ? "1" : "0");
            },
            stop);
        if (!state) return FormatError("no window to ask");
        if (*state == "1") return FormatOk();
        if (std::chrono::steady_clock::now() >= deadline)
            return FormatError("timeout waiting for " + ref.name);
        // Look again shortly; the wait ends early when the server stops.
        if (!WaitFor(stop, std::chrono::milliseconds(20))) return FormatError("stopped");
    }
}

bool WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        ssize_t n = send(fd, data.data(), data.size(), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

}  // namespace

struct AutomationServer::Impl {
    std::string path;
    int listenFd = -1;
    int wakeFd = -1;
    WorkerThread worker{"automation"};

    ~Impl() {
        // Every wait of the worker wakes on stop and sends time out, so this
        // ends; a worker that somehow does not keeps its descriptors.
        if (worker.StopAndJoin(std::chrono::milliseconds(3000))) CloseFds();
    }

    void CloseFds() {
        if (listenFd >= 0) close(listenFd);
        if (wakeFd >= 0) close(wakeFd);
        listenFd = wakeFd = -1;
    }

    // Waits until `fd` is readable; false when stop was requested.
    bool WaitReadable(int fd) const {
        pollfd fds[2] = {{fd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
        while (true) {
            int n = poll(fds, 2, -1);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 || fds[1].revents != 0) return false;
            if (fds[0].revents & POLLNVAL) return false;
            if (fds[0].revents != 0) return true;
        }
    }

    void Serve(std::stop_token stop) {
        std::stop_callback wake(stop, [this] {
            uint64_t one = 1;
            [[maybe_unused]] ssize_t n = write(wakeFd, &one, sizeof one);
        });
        while (!stop.stop_requested()) {
            if (!WaitReadable(listenFd)) break;
            int client = accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0) {
                if (errno == EINTR || errno == ECONNABORTED || errno == EAGAIN) continue;
                DebugOutputF("automation: accept failed: %s", std::strerror(errno));
                break;
            }
            // A client that stops reading must not hold the worker forever.
            timeval sendLimit{2, 0};
            setsockopt(client, SOL_SOCKET, SO_SNDTIMEO, &sendLimit, sizeof sendLimit);
            ServeClient(client, stop);
            close(client);
        }
    }

    void ServeClient(int client, std::stop_token stop) {
        std::string pending;
        bool discarding = false;  // inside a line that was too long
        char buffer[4096];
        while (!stop.stop_requested()) {
            if (!WaitReadable(client)) return;
            ssize_t n = recv(client, buffer, sizeof buffer, 0);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return;
            pending.append(buffer, static_cast<size_t>(n));
            size_t newline;
            while ((newline = pending.find('\n')) != std::string::npos) {
                std::string line = pending.substr(0, newline);
                pending.erase(0, newline + 1);
                if (discarding) {
                    discarding = false;
                    continue;
                }
                if (!WriteAll(client, HandleLine(line, stop) + "\n")) return;
            }
            if (!discarding && pending.size() > kAutomationMaxLine) {
                if (!WriteAll(client, FormatError("line too long") + "\n")) return;
                discarding = true;
            }
            if (discarding) pending.clear();
        }
    }
};

AutomationServer::AutomationServer() : impl_(std::make_unique<Impl>()) {}

AutomationServer::~AutomationServer() {
    Stop();
}

bool AutomationServer::Start(const std::string& socketPath, std::string* error) {
    if (IsRunning()) {
        if (error != nullptr) *error = "already running";
        return false;
    }
    auto fail = [&](std::string why) {
        if (error != nullptr) *error = why;
        DebugOutputF("automation: %s", why.c_str());
        impl_->CloseFds();
        return false;
    };
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socketPath.empty() || socketPath.size() >= sizeof address.sun_path)
        return fail("socket path empty or too long");
    std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);

    struct stat existing {};
    if (lstat(socketPath.c_str(), &existing) == 0) {
        if (!S_ISSOCK(existing.st_mode)) return fail("not a socket: " + socketPath);
        unlink(socketPath.c_str());  // left by an earlier run
    }
    impl_->listenFd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    impl_->wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (impl_->listenFd < 0 || impl_->wakeFd < 0) return fail("cannot make a socket");
    if (bind(impl_->listenFd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        return fail("cannot bind " + socketPath + ": " + std::strerror(errno));
    // Owner only, before anyone can connect.
    if (chmod(socketPath.c_str(), 0600) != 0 || listen(impl_->listenFd, 4) != 0) {
        unlink(socketPath.c_str());
        return fail("cannot listen on " + socketPath);
    }
    impl_->path = socketPath;
    impl_->worker.Start([impl = impl_.get()](std::stop_token stop) { impl->Serve(stop); });
    return true;
}

void AutomationServer::Stop() {
    if (impl_->path.empty()) return;
    if (!impl_->worker.StopAndJoin(std::chrono::milliseconds(2000)))
        DebugOutput("automation: worker still busy after 2000 ms; it ends on its own");
    unlink(impl_->path.c_str());
    impl_->path.clear();
    // The worker is joined (or will be by its destructor); the descriptors
    // close with the worker gone.
    if (!impl_->worker.IsRunning()) impl_->CloseFds();
}

bool AutomationServer::IsRunning() const {
    return !impl_->path.empty();
}

void AutomationServer::RegisterWindow(CPaintManagerUI* manager, IHostClient* input) {
    if (manager == nullptr) return;
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    for (const AutomationTarget& t : registry.windows)
        if (t.manager == manager) return;
    registry.windows.push_back({manager, input ? input : manager});
}

void AutomationServer::UnregisterWindow(CPaintManagerUI* manager) {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    std::erase_if(registry.windows,
                  [&](const AutomationTarget& t) { return t.manager == manager; });
}

std::vector<AutomationTarget> AutomationServer::RegisteredWindows() {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    return registry.windows;
}

void AutomationServer::NoteNestedLoop() {
    if (std::shared_ptr<ReplySlot> running = RunningCommand()) SetReply(*running, FormatOk());
    RunningCommand().reset();
}

std::string AutomationServer::HandleLine(std::string_view line, std::stop_token stop) {
    AutomationParse parsed = ParseAutomationCommand(line);
    if (const auto* bad = std::get_if<AutomationError>(&parsed)) return FormatError(bad->message);
    const auto& command = std::get<AutomationCommand>(parsed);
    if (command.verb == AutomationVerb::WaitVisible) return WaitVisible(command, stop);
    std::optional<std::string> reply = RunOnUi(
        [command] { return AutomationExecutor(RegisteredWindows()).Execute(command); }, stop);
    return reply ? *reply : FormatError("no window to run the command");
}

std::string AutomationSocketArgument(int argc, char** argv) {
    const std::string_view flag = "--automation";
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i] ? argv[i] : "";
        if (arg == flag && i + 1 < argc && argv[i + 1]) return argv[i + 1];
        if (arg.size() > flag.size() + 1 && arg.substr(0, flag.size()) == flag &&
            arg[flag.size()] == '=')
            return std::string(arg.substr(flag.size() + 1));
    }
    return {};
}

}  // namespace kelno::skin
