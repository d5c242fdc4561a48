#include "platform/sim/sim_control_server.h"

namespace kelno::sim {

SimControlServer::SimControlServer(std::shared_ptr<SimDeviceSet> devices,
                                   ipc::LineServerLimits limits)
    : devices_(std::move(devices)),
      server_(
          "sim control server",
          [devices = devices_](std::string_view line, std::stop_token) {
              return devices->HandleCommand(line);
          },
          limits) {}

bool SimControlServer::Start(const std::filesystem::path& socketPath) {
    return server_.Start(socketPath);
}

void SimControlServer::Stop() {
    server_.Stop();
}

}  // namespace kelno::sim
