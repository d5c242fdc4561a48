#pragma once
// A private session bus (dbus-daemon through GTestDBus) and a stand-in file
// manager on it: org.freedesktop.FileManager1 served from a thread of its
// own, recording the URIs it is asked to show. For tests of what shows a
// downloaded update to the user.

#include <gio/gio.h>

#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kelno::update::test {

class PrivateBus {
  public:
    PrivateBus();
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;
    // Null when the bus could not start.
    const gchar* Address() const { return g_test_dbus_get_bus_address(bus_); }

  private:
    GTestDBus* bus_;
};

class StandInFileManager {
  public:
    StandInFileManager() = default;
    ~StandInFileManager() { Stop(); }
    StandInFileManager(const StandInFileManager&) = delete;
    StandInFileManager& operator=(const StandInFileManager&) = delete;

    // Returns once the name is owned on the bus; false, with why, otherwise.
    bool Start(const std::string& busAddress, std::string& why);
    void Stop();

    std::vector<std::string> Uris() const;
    // The URIs once some have come (bounded wait: a hang guard).
    std::vector<std::string> WaitForUris() const;

  private:
    void Serve(const std::string& address, std::promise<std::string> started);
    static void OnMethodCall(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                             const gchar* method, GVariant* parameters,
                             GDBusMethodInvocation* invocation, gpointer user);

    GMainContext* context_ = nullptr;
    GMainLoop* loop_ = nullptr;
    std::thread thread_;
    mutable std::mutex mutex_;
    std::vector<std::string> uris_;
};

}  // namespace kelno::update::test
