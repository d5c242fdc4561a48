#include "core/program_help.h"

#include <cstdio>

namespace kelno {

bool PrintHelpIfAsked(int argc, const char* const* argv, std::string_view usage) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            std::fwrite(usage.data(), 1, usage.size(), stdout);
            if (!usage.ends_with('\n')) std::fputc('\n', stdout);
            return true;
        }
    }
    return false;
}

}  // namespace kelno
