#pragma once
// Hot-plug events of a HID backend: detection waits for "the set of HID
// interfaces may have changed" instead of listing them on a timer, so an
// idle program sleeps. A backend without events offers no watch; its users
// then list on a timer.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <vector>

namespace kelno::hid {

class HotplugWatch {
  public:
    virtual ~HotplugWatch() = default;
    // Returns true when a change came since the watch was made or since the
    // last call; false when `timeout` passed first (nullopt: no limit) or
    // stop was requested.
    virtual bool WaitForChange(const std::stop_token& stop,
                               std::optional<std::chrono::milliseconds> timeout) = 0;
};

// Changes announced in-process (the simulated backend's plugging): any
// thread calls Announce, every watch made from it wakes.
class HotplugEvents : public std::enable_shared_from_this<HotplugEvents> {
  public:
    void Announce();
    // A watch that holds these events alive.
    std::unique_ptr<HotplugWatch> Watch();

  private:
    class CounterWatch;
    std::mutex mutex_;
    std::condition_variable_any changed_;
    uint64_t generation_ = 0;
};

// Where a device model tells of its plugging: each backend serving the
// model adds its events; they are held weakly, so a backend that went away
// is simply skipped.
class PlugListeners {
  public:
    void Add(std::weak_ptr<HotplugEvents> events);
    void AnnounceAll();

  private:
    std::mutex mutex_;
    std::vector<std::weak_ptr<HotplugEvents>> listeners_;
};

}  // namespace kelno::hid
