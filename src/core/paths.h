#pragma once
// Where the program keeps its files on this platform.

#include <filesystem>
#include <functional>
#include <string>

namespace kelno {

inline constexpr const char* kApplicationFolderName = "KELNO Driver";

// Reads an environment variable; nullptr when unset. Injectable for tests.
using EnvironmentLookup = std::function<const char*(const char*)>;
EnvironmentLookup ProcessEnvironment();

struct AppFolders {
    std::filesystem::path userData;     // profiles, macros, per-kind subfolders
    std::filesystem::path config;       // the settings store
    std::filesystem::path runtime;      // single-instance lock and sockets
    std::filesystem::path cache;        // downloads that can be fetched again
    std::filesystem::path programData;  // "skin", "Font", "DefaultData" of the installation
};

// XDG folders plus "KELNO Driver":
//   userData    $XDG_DATA_HOME   or $HOME/.local/share
//   config      $XDG_CONFIG_HOME or $HOME/.config
//   cache       $XDG_CACHE_HOME  or $HOME/.cache
//   runtime     $XDG_RUNTIME_DIR or the temporary folder + "kelno-<uid>"
//   programData $KELNO_DATA_DIR when set; else the executable's folder when it
//               holds "DefaultData" or "skin"; else <prefix>/share/kelno-driver
//               where <prefix> is the folder above the executable's.
// Relative XDG values are ignored, as the XDG rules require.
AppFolders ResolveAppFolders(const EnvironmentLookup& environment,
                             const std::filesystem::path& executable);

// The running program's path (from /proc/self/exe).
std::filesystem::path CurrentExecutablePath();

// Creates the folder and its parents when missing. False when it cannot.
bool EnsureFolder(const std::filesystem::path& folder);

}  // namespace kelno
