#pragma once
// Telling other programs whether this one drives the device lighting, and
// hearing their requests to take or release it: D-Bus session signals on
// interface "org.kelno.Driver.LightControl" at "/org/kelno/Driver":
//   Announce(u wParam, u lParam)  sent by us (1, 1: we drive the lights;
//                                 1, 0: we do not)
//   Request(u wParam, u lParam)   sent by others (1, 1: take; 1, 0: release)

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/session/dbus_signals.h"

namespace kelno {

class LightControlBus {
public:
    static constexpr const char* kObjectPath = "/org/kelno/Driver";
    static constexpr const char* kInterface = "org.kelno.Driver.LightControl";

    using RequestHandler = std::function<void(uint32_t wParam, uint32_t lParam)>;

    // `connection` may be null (no session bus): every call is then a no-op.
    LightControlBus(std::shared_ptr<DbusSignalConnection> connection, RequestHandler onRequest);

    bool Announce(uint32_t wParam, uint32_t lParam);
    bool IsConnected() const { return connection_ != nullptr; }

private:
    std::shared_ptr<DbusSignalConnection> connection_;
};

// Suspend and resume of the machine, from logind's PrepareForSleep signal on
// the system bus: `onSleep(true)` before suspending, `onSleep(false)` after
// resuming.
class SleepMonitor {
public:
    using SleepHandler = std::function<void(bool suspending)>;
    SleepMonitor(std::shared_ptr<DbusSignalConnection> systemBus, SleepHandler onSleep);
    bool IsConnected() const { return connection_ != nullptr; }

private:
    std::shared_ptr<DbusSignalConnection> connection_;
};

}  // namespace kelno
