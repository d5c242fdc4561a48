#include "platform/linux/udev_hotplug_watch.h"

#include <libudev.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "core/debug_output.h"
#include "core/unique_fd.h"

namespace kelno::hid {
namespace {

constexpr const char* kUdevControl = "/run/udev/control";

class UdevHotplugWatch final : public HotplugWatch {
  public:
    UdevHotplugWatch(udev* context, udev_monitor* monitor, UniqueFd wake)
        : context_(context), monitor_(monitor), wake_(std::move(wake)) {}

    ~UdevHotplugWatch() override {
        udev_monitor_unref(monitor_);
        udev_unref(context_);
    }

    bool WaitForChange(const std::stop_token& stop,
                       std::optional<std::chrono::milliseconds> timeout) override {
        // A stop request wakes the poll through the event counter.
        const std::stop_callback onStop(stop, [this] {
            const uint64_t one = 1;
            ssize_t ignored = ::write(wake_.Get(), &one, sizeof one);
            (void)ignored;
        });
        pollfd fds[2] = {{udev_monitor_get_fd(monitor_), POLLIN, 0}, {wake_.Get(), POLLIN, 0}};
        const int waitMs = timeout ? static_cast<int>(timeout->count()) : -1;
        int ready = 0;
        do {
            ready = ::poll(fds, 2, waitMs);
        } while (ready < 0 && errno == EINTR && !stop.stop_requested());
        if (stop.stop_requested() || ready <= 0 || (fds[0].revents & POLLIN) == 0) return false;
        // Several nodes of one device come together: one pass serves them all.
        while (udev_device* device = udev_monitor_receive_device(monitor_))
            udev_device_unref(device);
        return true;
    }

  private:
    udev* context_;
    udev_monitor* monitor_;
    UniqueFd wake_;
};

}  // namespace

std::unique_ptr<HotplugWatch> MakeUdevHotplugWatch() {
    std::error_code error;
    if (!std::filesystem::exists(kUdevControl, error)) {
        DebugOutput("no udev daemon here: devices are looked for on a timer");
        return nullptr;
    }
    UniqueFd wake(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    udev* context = udev_new();
    udev_monitor* monitor = context ? udev_monitor_new_from_netlink(context, "udev") : nullptr;
    if (!wake.Valid() || !monitor ||
        udev_monitor_filter_add_match_subsystem_devtype(monitor, "hidraw", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor) < 0) {
        DebugOutput("udev monitor unavailable: devices are looked for on a timer");
        if (monitor) udev_monitor_unref(monitor);
        if (context) udev_unref(context);
        return nullptr;
    }
    return std::make_unique<UdevHotplugWatch>(context, monitor, std::move(wake));
}

}  // namespace kelno::hid
