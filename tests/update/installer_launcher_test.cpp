// The Linux revealer asks the file manager, over D-Bus, to show the
// downloaded file: a stand-in file manager on a private bus records the call.

#include "update/installer_launcher.h"

#include <gtest/gtest.h>

#include <future>
#include <string>
#include <vector>

namespace kelno::update {
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

struct FileManagerCalls {
    std::vector<std::string> uris;
};

void OnMethodCall(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* method,
                  GVariant* parameters, GDBusMethodInvocation* invocation, gpointer user) {
    auto* calls = static_cast<FileManagerCalls*>(user);
    if (g_strcmp0(method, "ShowItems") == 0) {
        GVariantIter* uris = nullptr;
        const gchar* startup = nullptr;
        g_variant_get(parameters, "(as&s)", &uris, &startup);
        const gchar* uri = nullptr;
        while (g_variant_iter_loop(uris, "&s", &uri)) calls->uris.emplace_back(uri);
        g_variant_iter_free(uris);
    }
    g_dbus_method_invocation_return_value(invocation, nullptr);
}

class RevealTest : public ::testing::Test {
  protected:
    void SetUp() override {
        bus_ = g_test_dbus_new(G_TEST_DBUS_NONE);
        g_test_dbus_up(bus_);
        const gchar* address = g_test_dbus_get_bus_address(bus_);
        if (!address) GTEST_SKIP() << "no private bus (dbus-daemon missing?)";
        program_ = Connect(address);
        fileManager_ = Connect(address);
        ASSERT_TRUE(program_ && fileManager_);
    }
    void TearDown() override {
        if (program_) g_object_unref(program_);
        if (fileManager_) g_object_unref(fileManager_);
        g_test_dbus_down(bus_);
        g_object_unref(bus_);
    }

    static GDBusConnection* Connect(const gchar* address) {
        return g_dbus_connection_new_for_address_sync(
            address,
            static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                              G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
            nullptr, nullptr, nullptr);
    }

    // Serves org.freedesktop.FileManager1 from this thread's main context.
    void ServeFileManager() {
        GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(kFileManagerXml, nullptr);
        static const GDBusInterfaceVTable vtable = {OnMethodCall, nullptr, nullptr, {}};
        g_dbus_connection_register_object(fileManager_, "/org/freedesktop/FileManager1",
                                          node->interfaces[0], &vtable, &calls_, nullptr, nullptr);
        g_dbus_node_info_unref(node);
        GVariant* reply = g_dbus_connection_call_sync(
            fileManager_, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
            "RequestName", g_variant_new("(su)", "org.freedesktop.FileManager1", 0u), nullptr,
            G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr);
        ASSERT_TRUE(reply);
        g_variant_unref(reply);
    }

    // Reveals on another thread (the call blocks) while this one serves.
    bool RevealWhileServing(const std::filesystem::path& file) {
        DesktopFileRevealer revealer(program_);
        auto shown = std::async(std::launch::async, [&] { return revealer.Reveal(file); });
        while (shown.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready)
            g_main_context_iteration(nullptr, FALSE);
        return shown.get();
    }

    GTestDBus* bus_ = nullptr;
    GDBusConnection* program_ = nullptr;
    GDBusConnection* fileManager_ = nullptr;
    FileManagerCalls calls_;
};

TEST_F(RevealTest, AsksTheFileManagerToShowTheFile) {
    ServeFileManager();
    EXPECT_TRUE(RevealWhileServing("/home/u/.cache/KELNO Driver/UpdateData/QB42M16D.bin"));
    EXPECT_EQ(calls_.uris, std::vector<std::string>{
                               "file:///home/u/.cache/KELNO%20Driver/UpdateData/QB42M16D.bin"});
}

}  // namespace
}  // namespace kelno::update
