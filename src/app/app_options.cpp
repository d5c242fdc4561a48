#include "app/app_options.h"

#include <string_view>

namespace kelno::app {
namespace {

// "a,b" -> {"a", "b"}; empty when any item is empty.
std::vector<std::string> SplitList(std::string_view text) {
    std::vector<std::string> items;
    for (;;) {
        const size_t comma = text.find(',');
        const std::string_view item = text.substr(0, comma);
        if (item.empty()) return {};
        items.emplace_back(item);
        if (comma == text.npos) return items;
        text.remove_prefix(comma + 1);
    }
}

}  // namespace

const char* const kAppUsage =
    "usage: kelno-driver [options]\n"
    "Configures the KELNO keyboards, mice, mouse pads and headsets connected to this\n"
    "computer; without options it drives the real devices.\n"
    "\n"
    "  --demo[=<kinds>]        devices come from the emulator; the kinds plugged at\n"
    "                          start (comma-separated: keyboard, mouse, wmouse,\n"
    "                          mousepad, headset), the keyboard by default\n"
    "  --demo-if-no-device     the real devices, or the emulated keyboard when no\n"
    "                          supported device is present at start\n"
    "  --sim-control <path>    the emulator's line protocol on a local socket (with\n"
    "                          either demo option)\n"
    "  --automation <path>     the window's automation socket\n"
    "  --data-dir <folder>     the per-user data folder\n"
    "  --update-url <url>      the update server's API base (https), in place of the\n"
    "                          one the program was built with\n"
    "  --update-ca <file>      trust only the certificate authorities in this PEM\n"
    "                          file for update transfers\n"
    "  --audio=pulse           the headset's audio settings on the sound server even\n"
    "                          in demo mode\n"
    "  -h, --help              this text\n"
    "Both \"--option value\" and \"--option=value\" are accepted. KELNO_DEBUG=1 writes\n"
    "diagnostics to standard error.\n";

ParsedOptions ParseAppOptions(const std::vector<std::string>& arguments) {
    AppOptions options;
    for (size_t i = 0; i < arguments.size(); ++i) {
        std::string_view argument = arguments[i];
        std::string_view name = argument;
        std::optional<std::string> inlineValue;
        if (const size_t eq = argument.find('=');
            argument.starts_with("--") && eq != argument.npos) {
            name = argument.substr(0, eq);
            inlineValue = std::string(argument.substr(eq + 1));
        }
        if (name == "--demo") {
            options.demo = true;
            options.demoKinds =
                inlineValue ? SplitList(*inlineValue) : std::vector<std::string>{"keyboard"};
            if (options.demoKinds.empty()) return {std::nullopt, "--demo= needs device kinds"};
            continue;
        }
        if (name == "--audio") {
            const std::string value = inlineValue                ? *inlineValue
                                      : i + 1 < arguments.size() ? arguments[++i]
                                                                 : std::string();
            if (value != "pulse") return {std::nullopt, "--audio takes pulse"};
            options.audio = AudioChoice::Pulse;
            continue;
        }
        if (argument == "--demo-if-no-device") {
            options.demoIfNoDevice = true;
            continue;
        }
        std::string* target = name == "--sim-control"  ? &options.simControlSocket
                              : name == "--automation" ? &options.automationSocket
                              : name == "--data-dir"   ? &options.dataDir
                              : name == "--update-url" ? &options.updateUrl
                              : name == "--update-ca"  ? &options.updateCa
                                                       : nullptr;
        if (!target) return {std::nullopt, "unknown option " + std::string(argument)};
        if (inlineValue) {
            *target = *inlineValue;
        } else if (i + 1 < arguments.size()) {
            *target = arguments[++i];
        } else {
            return {std::nullopt, std::string(name) + " needs a value"};
        }
        if (target->empty()) return {std::nullopt, std::string(name) + " needs a value"};
    }
    // Updates are fetched and verified over https only.
    if (!options.updateUrl.empty() && !options.updateUrl.starts_with("https://"))
        return {std::nullopt, "--update-url needs an https:// address"};
    if (options.demo && options.demoIfNoDevice)
        return {std::nullopt, "--demo and --demo-if-no-device exclude each other"};
    if (!options.simControlSocket.empty() && !options.demo && !options.demoIfNoDevice)
        return {std::nullopt, "--sim-control needs --demo or --demo-if-no-device"};
    return {options, {}};
}

}  // namespace kelno::app
