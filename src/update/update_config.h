#pragma once
// What the build fixes about updates: the server (the KELNO_UPDATE_URL cache
// variable; empty builds a program that checks nothing and says so) and the
// program's own version text.

#include <string_view>

#include "update/update_check.h"

namespace kelno::update {

std::string_view BuiltUpdateUrl();
std::string_view BuiltVersionText();

// The command line's server when one was given, else the build's.
UpdateServer ChooseUpdateServer(std::string_view commandLineUrl);

// The targets to check: the catalogue's firmware rows for the device tabs'
// release numbers (0 for a tab without a connected device) and the program
// itself at the build's version.
std::vector<UpdateTarget> CurrentUpdateTargets(const Catalogue& catalogue,
                                               std::span<const int32_t> tabItemVersions);

}  // namespace kelno::update
