#include "update/installer_launcher.h"

#include "core/debug_output.h"

namespace kelno::update {
namespace {

constexpr int kCallTimeoutMs = 5000;

struct Owned {
    gchar* text = nullptr;
    ~Owned() { g_free(text); }
};

bool ShowInFileManager(GDBusConnection* bus, const char* uri) {
    GVariantBuilder uris;
    g_variant_builder_init(&uris, G_VARIANT_TYPE("as"));
    g_variant_builder_add(&uris, "s", uri);
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_sync(
        bus, "org.freedesktop.FileManager1", "/org/freedesktop/FileManager1",
        "org.freedesktop.FileManager1", "ShowItems", g_variant_new("(ass)", &uris, ""), nullptr,
        G_DBUS_CALL_FLAGS_NONE, kCallTimeoutMs, nullptr, &error);
    if (!reply) {
        DebugOutputF("file manager did not show the download: %s", error ? error->message : "");
        g_clear_error(&error);
        return false;
    }
    g_variant_unref(reply);
    return true;
}

bool OpenFolder(const std::filesystem::path& folder) {
    Owned uri{g_filename_to_uri(folder.c_str(), nullptr, nullptr)};
    if (!uri.text) return false;
    GError* error = nullptr;
    if (!g_app_info_launch_default_for_uri(uri.text, nullptr, &error)) {
        DebugOutputF("could not open %s: %s", folder.c_str(), error ? error->message : "");
        g_clear_error(&error);
        return false;
    }
    return true;
}

}  // namespace

DesktopFileRevealer::DesktopFileRevealer(GDBusConnection* bus)
    : bus_(bus ? G_DBUS_CONNECTION(g_object_ref(bus)) : nullptr) {}

DesktopFileRevealer::~DesktopFileRevealer() {
    if (bus_) g_object_unref(bus_);
}

bool DesktopFileRevealer::Reveal(const std::filesystem::path& file) {
    Owned uri{g_filename_to_uri(file.c_str(), nullptr, nullptr)};
    if (!uri.text) return false;
    GDBusConnection* bus = bus_ ? G_DBUS_CONNECTION(g_object_ref(bus_))
                                : g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    const bool shown = bus && ShowInFileManager(bus, uri.text);
    if (bus) g_object_unref(bus);
    return shown || OpenFolder(file.parent_path());
}

}  // namespace kelno::update
