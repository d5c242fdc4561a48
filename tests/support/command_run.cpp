#include "support/command_run.h"

#include <cstdio>

namespace kelno::test {

CommandRun RunCommand(const std::string& commandLine) {
    CommandRun run;
    FILE* pipe = popen(commandLine.c_str(), "r");
    if (!pipe) return run;
    char buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.output.append(buffer, got);
    run.status = pclose(pipe);
    return run;
}

}  // namespace kelno::test
