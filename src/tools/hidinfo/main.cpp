// kelno-hidinfo <descriptor file>   one JSON line per top-level collection
// kelno-hidinfo --list              one JSON line per hidraw collection
#include <cstdio>
#include <iostream>
#include <string_view>

#include "core/json_file.h"
#include "platform/hid/hex_bytes.h"
#include "platform/hid/report_descriptor.h"
#include "tools/hidinfo/collection_json.h"

namespace {

constexpr const char* kUsage =
    "usage: kelno-hidinfo <file of hex descriptor bytes>\n"
    "       kelno-hidinfo --list\n";

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

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 || std::string_view(argv[1]) == "--help") {
        std::cerr << kUsage;
        return 2;
    }
    return PrintDescriptorFile(argv[1]);
}
