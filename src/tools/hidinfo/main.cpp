// kelno-hidinfo <descriptor file>   one JSON line per top-level collection
// kelno-hidinfo --list [--sysfs <folder>] [--dev <folder>]
//                                   one JSON line per hidraw collection
#include <cstdio>
#include <iostream>
#include <string_view>
#include <vector>

#include "core/json_file.h"
#include "platform/hid/hex_bytes.h"
#include "platform/hid/report_descriptor.h"
#include "platform/linux/hidraw_backend.h"
#include "tools/hidinfo/collection_json.h"

namespace {

constexpr const char* kUsage =
    "usage: kelno-hidinfo <file of hex descriptor bytes>\n"
    "       kelno-hidinfo --list [--sysfs <folder>] [--dev <folder>]\n";

int PrintDescriptorFile(const char* file) {
    const std::string text = kelno::ReadFileText(file);
    const auto bytes = kelno::hid::ParseHexBytes(text);
    if (text.empty() || !bytes) {
        std::cerr << "kelno-hidinfo: " << file << ": not a file of hex bytes\n";
        return 1;
    }
    const kelno::hid::ParsedDescriptor parsed = kelno::hid::ParseReportDescriptor(*bytes);
    if (!parsed.ok) {
        std::cerr << "kelno-hidinfo: " << file << ": " << parsed.error << "\n";
        return 1;
    }
    for (const auto& collection : parsed.collections) {
        std::cout << kelno::tools::CollectionJsonLine(collection.info) << "\n";
    }
    return 0;
}

// Every collection of every hidraw node, with whether this user may open
// it (the usual reason a device is not found).
int ListNodes(const char* sysfsRoot, const char* devRoot) {
    kelno::hid::HidrawBackend backend(sysfsRoot, devRoot);
    const auto interfaces = backend.Enumerate();
    if (!interfaces) {
        std::cerr << "kelno-hidinfo: cannot list hidraw nodes under " << sysfsRoot << "\n";
        return 1;
    }
    for (const auto& info : *interfaces) std::cout << kelno::tools::InterfaceJsonLine(info) << "\n";
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    if (!args.empty() && args[0] == "--list") {
        const char* sysfsRoot = "/sys";
        const char* devRoot = "/dev";
        for (size_t i = 1; i < args.size(); i += 2) {
            const bool known = args[i] == "--sysfs" || args[i] == "--dev";
            if (!known || i + 1 >= args.size()) {
                std::cerr << kUsage;
                return 2;
            }
            (args[i] == "--sysfs" ? sysfsRoot : devRoot) = argv[i + 2];
        }
        return ListNodes(sysfsRoot, devRoot);
    }
    if (args.size() != 1 || args[0] == "--help") {
        std::cerr << kUsage;
        return 2;
    }
    return PrintDescriptorFile(argv[1]);
}
