#pragma once
// The program's command line:
//   --demo[=<kinds>]          devices come from the emulator; the kinds plugged
//                             at start (comma-separated: keyboard, mouse,
//                             mousepad, headset), the keyboard by default
//   --emulator-socket <path>  with --demo: the emulator's control socket
//   --automation <path>       the skin library's automation server
//   --data-dir <folder>       the per-user data folder (tests)
// Both "--option value" and "--option=value" are accepted.

#include <optional>
#include <string>
#include <vector>

namespace kelno::app {

struct AppOptions {
    bool demo = false;
    std::vector<std::string> demoKinds;  // as written; the emulator checks the names
    std::string emulatorSocket;
    std::string automationSocket;
    std::string dataDir;
};

struct ParsedOptions {
    std::optional<AppOptions> options;  // nothing when the line is wrong
    std::string error;                  // why, for stderr
};

ParsedOptions ParseAppOptions(const std::vector<std::string>& arguments);

}  // namespace kelno::app
