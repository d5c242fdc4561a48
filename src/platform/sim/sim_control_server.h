#pragma once
// Serves the emulator's line protocol (sim_device_set.h) on a local
// (AF_UNIX) stream socket, on a worker thread of its own: one reply line per
// request line, any number of clients. Stopping wakes the thread at once.

#include <filesystem>
#include <memory>
#include <string>

#include "core/worker_thread.h"
#include "platform/sim/sim_device_set.h"

namespace kelno::sim {

class SimControlServer {
  public:
    explicit SimControlServer(std::shared_ptr<SimDeviceSet> devices);
    ~SimControlServer();
    SimControlServer(const SimControlServer&) = delete;
    SimControlServer& operator=(const SimControlServer&) = delete;

    // Binds `socketPath` (a stale socket file there is replaced) and starts
    // serving. False when the socket cannot be made or one already runs.
    bool Start(const std::filesystem::path& socketPath);
    // Stops the thread, closes every connection and removes the socket file.
    void Stop();

  private:
    void Serve(std::stop_token token);

    std::shared_ptr<SimDeviceSet> devices_;
    std::filesystem::path socketPath_;
    int listenFd_ = -1;
    int wakeFd_ = -1;  // eventfd written when stop is requested
    WorkerThread worker_{"sim-control"};
};

}  // namespace kelno::sim
