#pragma once
// Runs a shell command line for a test and keeps what it printed.

#include <string>

namespace kelno::test {

struct CommandRun {
    int status = -1;     // as pclose gives it; -1 when it could not start
    std::string output;  // standard output (redirect stderr in the line to keep it too)
};

CommandRun RunCommand(const std::string& commandLine);

}  // namespace kelno::test
