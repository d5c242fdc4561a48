#pragma once
// The program's command line (kAppUsage says what each option does). Both
// "--option value" and "--option=value" are accepted.

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

// What --help prints.
extern const char* const kAppUsage;

}  // namespace kelno::app
