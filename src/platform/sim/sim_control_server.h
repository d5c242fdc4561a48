#pragma once
// Serves the emulator's line protocol (sim_device_set.h) on an owner-only
// local socket (platform/ipc/line_socket_server.h): one reply line per
// request line, each client on a thread of its own.

#include <filesystem>
#include <memory>

#include "platform/ipc/line_socket_server.h"
#include "platform/sim/sim_device_set.h"

namespace kelno::sim {

class SimControlServer {
  public:
    explicit SimControlServer(std::shared_ptr<SimDeviceSet> devices,
                              ipc::LineServerLimits limits = {});

    // Binds `socketPath` (a stale socket file there is replaced; anything
    // else, a symbolic link too, is refused and left alone) and starts
    // serving. False when the socket cannot be made or one already runs.
    bool Start(const std::filesystem::path& socketPath);
    // Stops the threads, closes every connection and removes the socket file.
    void Stop();

  private:
    std::shared_ptr<SimDeviceSet> devices_;
    ipc::LineSocketServer server_;
};

}  // namespace kelno::sim
