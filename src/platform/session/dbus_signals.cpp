#include "platform/session/dbus_signals.h"

#include <vector>

#include "core/debug_output.h"

namespace kelno {

namespace {

void OnSignal(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
              GVariant* parameters, gpointer data) {
    const auto* handler = static_cast<const DbusSignalConnection::Handler*>(data);
    if (*handler) (*handler)(parameters);
}

}  // namespace

std::shared_ptr<DbusSignalConnection> DbusSignalConnection::Open(GBusType bus) {
    GError* error = nullptr;
    GDBusConnection* connection = g_bus_get_sync(bus, nullptr, &error);
    if (connection == nullptr) {
        DebugOutputF("no D-Bus %s bus: %s", bus == G_BUS_TYPE_SYSTEM ? "system" : "session",
                     error ? error->message : "unknown");
        g_clear_error(&error);
        return nullptr;
    }
    // The program decides when to end; a bus that goes away must not exit it.
    g_dbus_connection_set_exit_on_close(connection, FALSE);
    return std::shared_ptr<DbusSignalConnection>(new DbusSignalConnection(connection));
}

std::shared_ptr<DbusSignalConnection> DbusSignalConnection::OpenAddress(const std::string& address) {
    GError* error = nullptr;
    GDBusConnection* connection = g_dbus_connection_new_for_address_sync(
        address.c_str(),
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, &error);
    if (connection == nullptr) {
        DebugOutputF("cannot reach D-Bus at %s: %s", address.c_str(), error ? error->message : "");
        g_clear_error(&error);
        return nullptr;
    }
    g_dbus_connection_set_exit_on_close(connection, FALSE);
    return std::shared_ptr<DbusSignalConnection>(new DbusSignalConnection(connection));
}

DbusSignalConnection::~DbusSignalConnection() {
    for (const auto& subscription : subscriptions_)
        g_dbus_connection_signal_unsubscribe(connection_, subscription->id);
    g_object_unref(connection_);
}

bool DbusSignalConnection::Emit(const char* objectPath, const char* interfaceName,
                                const char* member, GVariant* parameters) {
    GError* error = nullptr;
    const gboolean sent = g_dbus_connection_emit_signal(connection_, nullptr, objectPath,
                                                        interfaceName, member, parameters, &error);
    if (!sent) {
        DebugOutputF("D-Bus signal %s.%s not sent: %s", interfaceName, member,
                     error ? error->message : "");
        g_clear_error(&error);
        return false;
    }
    // Signals are queued; flush so another program sees them promptly.
    g_dbus_connection_flush_sync(connection_, nullptr, nullptr);
    return true;
}

void DbusSignalConnection::Subscribe(const char* sender, const char* interfaceName,
                                     const char* member, const char* objectPath, Handler handler) {
    auto subscription = std::make_unique<Subscription>();
    subscription->handler = std::move(handler);
    subscription->id = g_dbus_connection_signal_subscribe(
        connection_, sender, interfaceName, member, objectPath, nullptr,
        G_DBUS_SIGNAL_FLAGS_NONE, OnSignal, &subscription->handler, nullptr);
    subscriptions_.push_back(std::move(subscription));
}

}  // namespace kelno
