#pragma once
// Serves a line protocol on an owner-only local socket (owner_socket.h): one
// reply line per request line. Each client is served on a thread of its own,
// up to a cap, so a client that is slow, silent or never reads its replies
// costs only its own thread: a reply that cannot be sent within a bound drops
// that client, a client silent for the idle limit is closed, and a client
// over the cap takes the place of one that has been quiet for a while
// (that one is told so and closed) or, when every client is busy, is told
// so and closed itself. Stopping wakes every thread at once.

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <stop_token>
#include <string>
#include <string_view>

namespace kelno::ipc {

struct LineServerLimits {
    // A longer request line is answered "err line too long" and skipped.
    size_t maxLineLength = 1024;
    size_t maxClients = 8;
    std::chrono::milliseconds idleLimit = std::chrono::minutes(10);
    // At the cap, a client that has neither sent anything nor been answered
    // for this long gives its place to a newcomer, so a few silent clients
    // cannot lock everyone else out until the idle limit.
    std::chrono::milliseconds yieldAfter = std::chrono::seconds(5);
    std::chrono::milliseconds sendLimit = std::chrono::seconds(2);
};

class LineSocketServer {
  public:
    // Answers one request line (without its line feed) on the client's
    // thread; `stop` is requested when the server stops.
    using Handler = std::function<std::string(std::string_view line, std::stop_token stop)>;

    // `name` prefixes the server's debug output.
    LineSocketServer(std::string name, Handler handler, LineServerLimits limits = {});
    // Stops the server.
    ~LineSocketServer();
    LineSocketServer(const LineSocketServer&) = delete;
    LineSocketServer& operator=(const LineSocketServer&) = delete;

    // Binds `path` (ListenOwnerOnly) and starts serving. False with `error`
    // set when the socket cannot be made or the server already runs.
    bool Start(const std::filesystem::path& path, std::string* error = nullptr);
    // Stops every thread (a bounded wait), closes the connections and
    // removes the socket file. Idempotent.
    void Stop();
    bool IsRunning() const;

  private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace kelno::ipc
