#include "core/paths.h"

#include <unistd.h>

#include <cstdlib>
#include <string>

namespace kelno {
namespace {

namespace fs = std::filesystem;

fs::path AbsoluteFromEnvironment(const EnvironmentLookup& environment, const char* name) {
    const char* value = environment(name);
    if (value == nullptr || value[0] == '\0') return {};
    fs::path path(value);
    return path.is_absolute() ? path : fs::path();
}

fs::path HomeFolder(const EnvironmentLookup& environment) {
    fs::path home = AbsoluteFromEnvironment(environment, "HOME");
    return home.empty() ? fs::temp_directory_path() : home;
}

fs::path XdgFolder(const EnvironmentLookup& environment, const char* variable,
                   const fs::path& homeRelativeFallback) {
    fs::path base = AbsoluteFromEnvironment(environment, variable);
    if (base.empty()) base = HomeFolder(environment) / homeRelativeFallback;
    return base / kApplicationFolderName;
}

bool HoldsProgramData(const fs::path& folder) {
    std::error_code error;
    return fs::is_directory(folder / "DefaultData", error) || fs::is_directory(folder / "skin", error);
}

}  // namespace

EnvironmentLookup ProcessEnvironment() {
    return [](const char* name) { return static_cast<const char*>(std::getenv(name)); };
}

AppFolders ResolveAppFolders(const EnvironmentLookup& environment, const fs::path& executable) {
    AppFolders folders;
    folders.userData = XdgFolder(environment, "XDG_DATA_HOME", ".local/share");
    folders.config = XdgFolder(environment, "XDG_CONFIG_HOME", ".config");
    folders.cache = XdgFolder(environment, "XDG_CACHE_HOME", ".cache");

    fs::path runtime = AbsoluteFromEnvironment(environment, "XDG_RUNTIME_DIR");
    if (runtime.empty()) runtime = fs::temp_directory_path() / ("kelno-" + std::to_string(::getuid()));
    folders.runtime = runtime / kApplicationFolderName;

    const fs::path overridden = AbsoluteFromEnvironment(environment, "KELNO_DATA_DIR");
    const fs::path executableFolder = executable.parent_path();
    if (!overridden.empty()) {
        folders.programData = overridden;
    } else if (HoldsProgramData(executableFolder)) {
        folders.programData = executableFolder;
    } else {
        folders.programData = executableFolder.parent_path() / "share" / "kelno-driver";
    }
    return folders;
}

fs::path CurrentExecutablePath() {
    std::error_code error;
    fs::path path = fs::read_symlink("/proc/self/exe", error);
    return error ? fs::path() : path;
}

bool EnsureFolder(const fs::path& folder) {
    std::error_code error;
    if (fs::is_directory(folder, error)) return true;
    fs::create_directories(folder, error);
    return fs::is_directory(folder, error);
}

}  // namespace kelno
