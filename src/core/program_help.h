#pragma once
// The answer every program of the project gives to --help (or -h): what it
// does and how it is called, on standard output.

#include <string_view>

namespace kelno {

// True, after printing `usage`, when the command line asks for help.
bool PrintHelpIfAsked(int argc, const char* const* argv, std::string_view usage);

}  // namespace kelno
