#include "platform/session/session_bus_address.h"

#include <gio/gio.h>
#include <unistd.h>

#include <string_view>

namespace kelno {

std::optional<std::string> SessionBusAddressWithoutAutolaunch(
    const EnvironmentLookup& environment,
    const std::function<bool(const std::string& path)>& isExecutable) {
    const char* address = environment("DBUS_SESSION_BUS_ADDRESS");
    if (address && *address) return std::nullopt;
    const char* runtime = environment("XDG_RUNTIME_DIR");
    if (!runtime || *runtime != '/') return std::nullopt;
    const char* path = environment("PATH");
    std::string_view folders = path ? path : "";
    while (!folders.empty()) {
        const size_t colon = folders.find(':');
        const std::string_view folder = folders.substr(0, colon);
        if (!folder.empty() && isExecutable(std::string(folder) + "/dbus-launch"))
            return std::nullopt;
        folders.remove_prefix(colon == std::string_view::npos ? folders.size() : colon + 1);
    }
    // An address names a socket path with its special characters escaped.
    gchar* escaped = g_dbus_address_escape_value((std::string(runtime) + "/bus").c_str());
    std::string result = std::string("unix:path=") + escaped;
    g_free(escaped);
    return result;
}

void AvoidSessionBusAutolaunch() {
    const std::optional<std::string> address = SessionBusAddressWithoutAutolaunch(
        ProcessEnvironment(),
        [](const std::string& file) { return ::access(file.c_str(), X_OK) == 0; });
    if (address) g_setenv("DBUS_SESSION_BUS_ADDRESS", address->c_str(), TRUE);
}

}  // namespace kelno
