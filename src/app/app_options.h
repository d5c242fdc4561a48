#pragma once
// The program's command line:
//   --demo[=<kinds>]          devices come from the emulator; the kinds plugged
//                             at start (comma-separated: keyboard, mouse,
//                             mousepad, headset), the keyboard by default
//   --demo-if-no-device       the real devices, or the emulated keyboard when
//                             no supported device is present at start
//   --sim-control <path>      the emulator's line protocol on a local socket
//                             (with either demo option)
//   --automation <path>       the skin library's automation server
//   --data-dir <folder>       the per-user data folder (tests)
//   --update-url <url>        the update server's API base (https), in place
//                             of the one the program was built with
//   --update-ca <file>        trust only the certificate authorities in this
//                             PEM file for update transfers (tests)
//   --audio=pulse             the headset's audio settings on the sound
//                             server even in demo mode (the real program
//                             always uses it; demo mode otherwise uses the
//                             emulator's)
// Both "--option value" and "--option=value" are accepted.

#include <optional>
#include <string>
#include <vector>

namespace kelno::app {

// Where the headset's audio settings go.
enum class AudioChoice {
    Default,  // the emulator's in demo mode, the sound server otherwise
    Pulse,    // the sound server (PulseAudio or pipewire-pulse)
};

struct AppOptions {
    bool demo = false;
    bool demoIfNoDevice = false;
    std::vector<std::string> demoKinds;  // as written; the emulator checks the names
    std::string simControlSocket;
    std::string automationSocket;
    std::string dataDir;
    std::string updateUrl;  // empty: the build's server
    std::string updateCa;   // empty: the system's authorities
    AudioChoice audio = AudioChoice::Default;
};

struct ParsedOptions {
    std::optional<AppOptions> options;  // nothing when the line is wrong
    std::string error;                  // why, for stderr
};

ParsedOptions ParseAppOptions(const std::vector<std::string>& arguments);

}  // namespace kelno::app
