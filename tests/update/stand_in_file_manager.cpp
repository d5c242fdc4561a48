#include "support/eventually.h"
#include "update/stand_in_file_manager.h"

#include <chrono>

namespace kelno::update::test {
namespace {

constexpr const char* kFileManagerXml = R"(
<node>
  <interface name="org.freedesktop.FileManager1">
    <method name="ShowItems">
      <arg type="as" name="uris" direction="in"/>
      <arg type="s" name="startupId" direction="in"/>
    </method>
  </interface>
</node>)";

}  // namespace

PrivateBus::PrivateBus() : bus_(g_test_dbus_new(G_TEST_DBUS_NONE)) {
    g_test_dbus_up(bus_);
}

PrivateBus::~PrivateBus() {
    g_test_dbus_down(bus_);
    g_object_unref(bus_);
}

bool StandInFileManager::Start(const std::string& busAddress, std::string& why) {
    context_ = g_main_context_new();
    loop_ = g_main_loop_new(context_, FALSE);
    std::promise<std::string> started;
    std::future<std::string> failure = started.get_future();
    thread_ = std::thread([this, busAddress, started = std::move(started)]() mutable {
        Serve(busAddress, std::move(started));
    });
    why = failure.get();
    return why.empty();
}

void StandInFileManager::Stop() {
    if (thread_.joinable()) {
        // An idle source on the thread's context: it quits the loop even if
        // the loop has not started running yet.
        g_main_context_invoke(
            context_,
            [](gpointer loop) -> gboolean {
                g_main_loop_quit(static_cast<GMainLoop*>(loop));
                return G_SOURCE_REMOVE;
            },
            loop_);
        thread_.join();
    }
    if (loop_) g_main_loop_unref(loop_);
    if (context_) g_main_context_unref(context_);
    loop_ = nullptr;
    context_ = nullptr;
}

std::vector<std::string> StandInFileManager::Uris() const {
    std::lock_guard lock(mutex_);
    return uris_;
}

std::vector<std::string> StandInFileManager::WaitForUris() const {
    kelno::test::Eventually([this] { return !Uris().empty(); }, {}, kelno::test::kHangGuard,
                            std::chrono::milliseconds(50));
    return Uris();
}

void StandInFileManager::Serve(const std::string& address, std::promise<std::string> started) {
    g_main_context_push_thread_default(context_);
    GError* error = nullptr;
    GDBusConnection* connection = g_dbus_connection_new_for_address_sync(
        address.c_str(),
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, &error);
    if (!connection) {
        started.set_value(std::string("no connection to the private bus: ") + error->message);
        g_error_free(error);
        g_main_context_pop_thread_default(context_);
        return;
    }
    GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(kFileManagerXml, nullptr);
    static const GDBusInterfaceVTable vtable = {OnMethodCall, nullptr, nullptr, {}};
    // The calls are dispatched on this thread's context, the one current
    // when the object is registered.
    const guint object =
        g_dbus_connection_register_object(connection, "/org/freedesktop/FileManager1",
                                          node->interfaces[0], &vtable, this, nullptr, nullptr);
    g_dbus_node_info_unref(node);
    GVariant* reply = g_dbus_connection_call_sync(
        connection, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
        "RequestName", g_variant_new("(su)", "org.freedesktop.FileManager1", 0u),
        G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr);
    guint32 owned = 0;
    if (reply) {
        g_variant_get(reply, "(u)", &owned);
        g_variant_unref(reply);
    }
    // 1: the primary owner.
    started.set_value(owned == 1 ? "" : "the file manager's name was not granted");
    if (owned == 1) g_main_loop_run(loop_);
    g_dbus_connection_unregister_object(connection, object);
    g_dbus_connection_close_sync(connection, nullptr, nullptr);
    g_object_unref(connection);
    g_main_context_pop_thread_default(context_);
}

void StandInFileManager::OnMethodCall(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                                      const gchar* method, GVariant* parameters,
                                      GDBusMethodInvocation* invocation, gpointer user) {
    auto* self = static_cast<StandInFileManager*>(user);
    if (g_strcmp0(method, "ShowItems") == 0) {
        GVariantIter* uris = nullptr;
        const gchar* startup = nullptr;
        g_variant_get(parameters, "(as&s)", &uris, &startup);
        const gchar* uri = nullptr;
        std::lock_guard lock(self->mutex_);
        while (g_variant_iter_loop(uris, "&s", &uri)) self->uris_.emplace_back(uri);
        g_variant_iter_free(uris);
    }
    g_dbus_method_invocation_return_value(invocation, nullptr);
}

}  // namespace kelno::update::test
