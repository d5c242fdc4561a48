// kelno-udev-rules <output file>   writes the udev rules for the catalogue's devices
#include <iostream>
#include <string_view>

#include "core/atomic_file.h"
#include "devices/detect/catalogue.h"
#include "devices/detect/udev_rules.h"

int main(int argc, char** argv) {
    if (argc != 2 || std::string_view(argv[1]) == "--help") {
        std::cerr << "usage: kelno-udev-rules <output file>\n";
        return 2;
    }
    const kelno::WriteOutcome outcome =
        kelno::WriteFileAtomically(argv[1], kelno::MakeUdevRules(kelno::Catalogue::Shipped()));
    if (!outcome.ok) {
        std::cerr << "kelno-udev-rules: " << argv[1] << ": " << outcome.error << "\n";
        return 1;
    }
    return 0;
}
