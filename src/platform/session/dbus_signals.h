#pragma once
// A D-Bus connection for broadcasting and receiving signals, over GDBus.
// Handlers run in the GLib main context that was current on the thread that
// subscribed (the UI thread in the program), so they may touch the UI.

#include <gio/gio.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kelno {

class DbusSignalConnection {
public:
    using Handler = std::function<void(GVariant* parameters)>;

    // The session or system bus; nullptr when there is none (the program
    // then simply runs without these messages).
    static std::shared_ptr<DbusSignalConnection> Open(GBusType bus);
    // A bus at an address (tests run a private bus).
    static std::shared_ptr<DbusSignalConnection> OpenAddress(const std::string& address);

    ~DbusSignalConnection();
    DbusSignalConnection(const DbusSignalConnection&) = delete;
    DbusSignalConnection& operator=(const DbusSignalConnection&) = delete;

    // Broadcasts a signal. `parameters` is consumed (floating references are
    // sunk). False when it could not be sent.
    bool Emit(const char* objectPath, const char* interfaceName, const char* member,
              GVariant* parameters);

    // Calls `handler` for each matching signal until the connection goes.
    // `sender` may be nullptr for any sender.
    void Subscribe(const char* sender, const char* interfaceName, const char* member,
                   const char* objectPath, Handler handler);

    GDBusConnection* Raw() const { return connection_; }

private:
    explicit DbusSignalConnection(GDBusConnection* connection) : connection_(connection) {}

    struct Subscription {
        guint id = 0;
        Handler handler;
    };
    GDBusConnection* connection_;
    // Heap-held so the handler's address, given to GDBus, stays put.
    std::vector<std::unique_ptr<Subscription>> subscriptions_;
};

}  // namespace kelno
