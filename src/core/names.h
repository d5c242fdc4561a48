#pragma once
// Names the program makes or takes apart: timestamp identifiers of profiles
// and macros, numbered control names, and names that become file names.

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "core/clock.h"

namespace kelno {

// The time as "%d_%02d_%02d_%02d_%02d_%02d_%03d" (year, month, day, hour,
// minute, second, millisecond), e.g. 2023_04_09_17_05_31_042: the
// identifier of profiles and macros.
std::string MakeTimestampName(const WallClock& clock = DefaultWallClock());

// A timestamp name that `isTaken` rejects is moved on by one millisecond
// until it is free (two profiles made within one millisecond must not share
// a file). Returns an empty string if no free name turns up within a
// hundred thousand tries.
std::string MakeFreeTimestampName(const std::function<bool(const std::string&)>& isTaken,
                                  const WallClock& clock = DefaultWallClock());

// True when folder / (name + suffix) already exists: the usual `isTaken`.
bool IsNameTakenInFolder(const std::filesystem::path& folder, const std::string& name,
                         std::string_view suffix);

// Splits a control name at its last underscore, e.g. "key_12" into "key_"
// and 12. `prefix` receives the name up to and including that underscore
// ("" when there is none). Returns true only when the rest is a non-empty run
// of decimal digits that fits an int; then `number` holds it, otherwise
// `number` is -1. "key_-1", "key_abc" and "key_" are not numbered names.
bool SplitIndexedName(std::string_view name, std::string& prefix, int& number);

// Longest bare name in bytes: with the endings the program adds (".Json",
// ".bak", a temporary file's ".tmp-XXXXXX") it still fits the 255 bytes a
// file name may have, so a file named after it can always be made.
inline constexpr size_t kMaxBareNameLength = 200;

// A name that is about to become part of a file path (profile UUID, macro
// Guid, effect Guid, installer name) must be a bare file name: not empty, no
// longer than kMaxBareNameLength, no '/' or '\\', not ".", no "..", no NUL
// or other control character.
bool IsBareName(std::string_view name);

}  // namespace kelno
