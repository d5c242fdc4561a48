#pragma once
// Whole-file JSON storage shared by profiles, macros, lists and settings.
// Files are read whole, changed in memory and written whole in the styled
// layout the program has always written (so files stay diffable and older
// versions can read them).

#include <json/value.h>

#include <filesystem>
#include <string>

namespace kelno {

// The file's bytes with a leading UTF-8 BOM removed; empty when the file
// cannot be opened or read whole.
std::string ReadFileText(const std::filesystem::path& path);

// The parsed file, or a null value when it is missing, empty or not JSON.
// Comments are accepted. Nesting is bounded, so a hostile file cannot
// exhaust the stack.
Json::Value ReadJsonFile(const std::filesystem::path& path);

// Parses JSON text with the same rules as ReadJsonFile.
Json::Value ParseJsonText(std::string_view text);

// The styled layout followed by one extra line feed. Strings that are not
// valid UTF-8 (legacy code page text from older files) are decoded first, so
// the file always holds UTF-8.
std::string FormatJsonText(const Json::Value& value);

// Writes the value atomically. Returns 0 on success and 1 on any failure;
// on failure the previous file is left as it was.
int WriteJsonFile(const std::filesystem::path& path, const Json::Value& value);

}  // namespace kelno
