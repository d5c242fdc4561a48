#include "platform/ipc/line_socket_server.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <limits>
#include <list>
#include <mutex>
#include <optional>
#include <utility>

#include "core/debug_output.h"
#include "core/unique_fd.h"
#include "core/worker_thread.h"
#include "platform/ipc/owner_socket.h"

namespace kelno::ipc {
namespace {

enum class Wake { Readable, Stopped, Idle };

// Waits until `fd` is readable, the server stops (`stopFd` is readable) or
// `limit` passes with nothing to read (a negative limit waits for ever).
Wake WaitReadable(int fd, int stopFd, int limitMs) {
    pollfd fds[2] = {{fd, POLLIN, 0}, {stopFd, POLLIN, 0}};
    while (true) {
        const int n = ::poll(fds, 2, limitMs);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 || fds[1].revents != 0) return Wake::Stopped;
        return n == 0 ? Wake::Idle : Wake::Readable;
    }
}

// Blocks at most the socket's send time-out (SO_SNDTIMEO) per call.
bool SendAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = ::send(fd, data.data(), data.size(), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

// The request line being received from one client.
struct PendingLine {
    std::string text;
    bool discarding = false;  // inside a line that was too long
};

int64_t NowTicks() {
    return std::chrono::steady_clock::now().time_since_epoch().count();
}

struct Session {
    explicit Session(UniqueFd client, const std::string& name)
        : fd(std::move(client)), worker(name) {}

    // The client's thread, before it reads: false once the client's place
    // has gone to a newcomer.
    bool StartAnswering() {
        int64_t since = quietSince.load();
        // Only the acceptor changes it meanwhile, and only to kYielded.
        return since != kYielded && quietSince.compare_exchange_strong(since, kAnswering);
    }
    void DoneAnswering() { quietSince.store(NowTicks()); }

    // When the client fell quiet; nothing while it is being answered or
    // once it has yielded.
    std::optional<int64_t> QuietSince() const {
        const int64_t since = quietSince.load();
        if (since == kAnswering || since == kYielded) return {};
        return since;
    }
    // The acceptor: takes the place of a client still quiet since `since`.
    bool Yield(int64_t since) { return quietSince.compare_exchange_strong(since, kYielded); }
    bool Yielded() const { return quietSince.load() == kYielded; }

    static constexpr int64_t kAnswering = std::numeric_limits<int64_t>::max();
    static constexpr int64_t kYielded = std::numeric_limits<int64_t>::min();

    UniqueFd fd;
    // The steady-clock time (in ticks) the client was last heard from or
    // answered, or one of the two marks above.
    std::atomic<int64_t> quietSince{NowTicks()};
    // Declared after the descriptor, so the thread is joined before it closes.
    WorkerThread worker;
};

}  // namespace

struct LineSocketServer::State {
    std::string name;
    Handler handler;
    LineServerLimits limits;
    std::filesystem::path path;
    UniqueFd listenFd;
    // Written once on stop and never read, so it wakes every waiting thread.
    UniqueFd stopFd;
    std::mutex sessionsMutex;
    std::list<std::unique_ptr<Session>> sessions;
    WorkerThread acceptor;

    void Accept(std::stop_token stop) {
        while (!stop.stop_requested()) {
            if (WaitReadable(listenFd.Get(), stopFd.Get(), -1) != Wake::Readable) return;
            UniqueFd client(::accept4(listenFd.Get(), nullptr, nullptr, SOCK_CLOEXEC));
            if (client.Valid()) {
                Admit(std::move(client));
            } else if (errno != EINTR && errno != ECONNABORTED && errno != EAGAIN) {
                // Out of descriptors, say: try again shortly rather than spin.
                DebugOutputF("%s: accept failed: %s", name.c_str(), std::strerror(errno));
                if (!WaitFor(stop, std::chrono::milliseconds(200))) return;
            }
        }
    }

    void Admit(UniqueFd client) {
        std::lock_guard lock(sessionsMutex);
        // Sessions whose client has gone are joined (at once: they ended).
        std::erase_if(sessions, [](const auto& s) { return !s->worker.IsRunning(); });
        const auto placesTaken = std::count_if(sessions.begin(), sessions.end(),
                                               [](const auto& s) { return !s->Yielded(); });
        if (static_cast<size_t>(placesTaken) >= limits.maxClients && !FreeAQuietPlace()) {
            constexpr std::string_view kBusy = "err too many clients\n";
            [[maybe_unused]] const ssize_t n =
                ::send(client.Get(), kBusy.data(), kBusy.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
            return;
        }
        const auto limit = std::chrono::duration_cast<std::chrono::microseconds>(limits.sendLimit);
        timeval sendLimit{static_cast<time_t>(limit.count() / 1000000),
                          static_cast<suseconds_t>(limit.count() % 1000000)};
        ::setsockopt(client.Get(), SOL_SOCKET, SO_SNDTIMEO, &sendLimit, sizeof sendLimit);
        Session& session =
            *sessions.emplace_back(std::make_unique<Session>(std::move(client), name));
        session.worker.Start([this, &session](std::stop_token stop) { Serve(session, stop); });
    }

    // Closes the client quiet longest, when one has been quiet for
    // yieldAfter; its thread sees the end and leaves. Called with
    // sessionsMutex held, so the descriptor stays open meanwhile.
    bool FreeAQuietPlace() {
        // A client that is heard from meanwhile is busy again: look again
        // (each client at most about once).
        for (size_t attempt = 0; attempt <= sessions.size(); ++attempt) {
            const int64_t latest =
                NowTicks() -
                std::chrono::duration_cast<std::chrono::steady_clock::duration>(limits.yieldAfter)
                    .count();
            Session* quietest = nullptr;
            int64_t quietestSince = latest;
            for (const auto& session : sessions) {
                const auto since = session->QuietSince();
                if (since && *since <= quietestSince) {
                    quietest = session.get();
                    quietestSince = *since;
                }
            }
            if (quietest == nullptr) return false;
            if (!quietest->Yield(quietestSince)) continue;
            DebugOutputF("%s: a quiet client gives its place to a new one", name.c_str());
            constexpr std::string_view kYielded = "err closed for a new client\n";
            const int fd = quietest->fd.Get();
            [[maybe_unused]] const ssize_t n =
                ::send(fd, kYielded.data(), kYielded.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
            ::shutdown(fd, SHUT_RDWR);
            return true;
        }
        return false;
    }

    void Serve(Session& session, std::stop_token stop) {
        const int fd = session.fd.Get();
        PendingLine line;
        const int idleMs = static_cast<int>(
            std::min<int64_t>(limits.idleLimit.count(), std::numeric_limits<int>::max()));
        while (!stop.stop_requested()) {
            const Wake wake = WaitReadable(fd, stopFd.Get(), idleMs);
            if (wake == Wake::Idle) DebugOutputF("%s: closing an idle client", name.c_str());
            if (wake != Wake::Readable || !session.StartAnswering()) break;
            const bool goOn = ReceiveAndAnswer(fd, line, stop);
            session.DoneAnswering();
            if (!goOn) break;
        }
        // The client sees the end now; the descriptor closes when the
        // session is cleared away.
        ::shutdown(fd, SHUT_RDWR);
    }

    // Reads what has arrived and answers the lines it completes; false when
    // the client has gone or a reply could not be sent.
    bool ReceiveAndAnswer(int fd, PendingLine& line, std::stop_token stop) {
        char buffer[4096];
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR) return true;
        if (n <= 0) return false;
        return Answer(fd, {buffer, static_cast<size_t>(n)}, line, stop);
    }

    // Answers every line completed by `received`; false when a reply could
    // not be sent (the client stopped reading or went away).
    bool Answer(int fd, std::string_view received, PendingLine& line, std::stop_token stop) {
        for (const char c : received) {
            if (c != '\n') {
                if (line.discarding) continue;
                line.text.push_back(c);
                if (line.text.size() > limits.maxLineLength) {
                    line.text.clear();
                    line.discarding = true;
                    if (!SendAll(fd, "err line too long\n")) return false;
                }
                continue;
            }
            if (std::exchange(line.discarding, false)) continue;
            std::string reply = handler(line.text, stop);
            line.text.clear();
            reply.push_back('\n');
            if (!SendAll(fd, reply)) return false;
        }
        return true;
    }

    // False while a thread of an earlier run is still finishing.
    bool ThreadsEnded() {
        std::lock_guard lock(sessionsMutex);
        return !acceptor.IsRunning() && sessions.empty();
    }

    // Stops every thread; true when all have ended within the bound.
    bool StopThreads() {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(stopFd.Get(), &one, sizeof one);
        // A thread blocked in a send ends after the send time-out.
        const auto deadline =
            std::chrono::steady_clock::now() + limits.sendLimit + std::chrono::milliseconds(1000);
        auto left = [&] {
            return std::max(std::chrono::milliseconds(0),
                            std::chrono::duration_cast<std::chrono::milliseconds>(
                                deadline - std::chrono::steady_clock::now()));
        };
        bool ended = acceptor.StopAndJoin(left());
        std::lock_guard lock(sessionsMutex);
        for (const auto& session : sessions) session->worker.RequestStop();
        for (const auto& session : sessions) ended = session->worker.StopAndJoin(left()) && ended;
        if (ended) sessions.clear();
        return ended;
    }
};

LineSocketServer::LineSocketServer(std::string name, Handler handler, LineServerLimits limits)
    : state_(std::make_unique<State>()) {
    state_->name = std::move(name);
    state_->handler = std::move(handler);
    state_->limits = limits;
}

LineSocketServer::~LineSocketServer() {
    Stop();
}

bool LineSocketServer::Start(const std::filesystem::path& path, std::string* error) {
    State& s = *state_;
    if (IsRunning() || !s.ThreadsEnded()) {
        if (error != nullptr) *error = "already running";
        return false;
    }
    std::string why;
    UniqueFd listenFd = ListenOwnerOnly(path, &why);
    UniqueFd stopFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (listenFd.Valid() && !stopFd.Valid()) {
        ::unlink(path.c_str());
        why = "cannot make an event descriptor";
    }
    if (!listenFd.Valid() || !stopFd.Valid()) {
        DebugOutputF("%s: %s", s.name.c_str(), why.c_str());
        if (error != nullptr) *error = why;
        return false;
    }
    s.listenFd = std::move(listenFd);
    s.stopFd = std::move(stopFd);
    s.path = path;
    s.acceptor.Start([&s](std::stop_token stop) { s.Accept(stop); });
    return true;
}

void LineSocketServer::Stop() {
    State& s = *state_;
    if (s.path.empty()) return;
    const bool ended = s.StopThreads();
    ::unlink(s.path.c_str());
    s.path.clear();
    if (!ended) {
        // Its descriptors stay open until the destructor has joined it.
        DebugOutputF("%s: a thread did not stop in time; it ends on its own", s.name.c_str());
        return;
    }
    s.listenFd.Reset();
    s.stopFd.Reset();
}

bool LineSocketServer::IsRunning() const {
    return !state_->path.empty();
}

}  // namespace kelno::ipc
