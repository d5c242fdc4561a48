#pragma once
// Whole-file JSON storage shared by profiles, macros, lists and settings.
// Files are read whole, changed in memory and written whole in the styled
// layout the program has always written (so files stay diffable and older
// versions can read them).

#include <json/value.h>

#include <filesystem>
#include <string>

namespace kelno {

// What reading a file found. A caller that may replace the file must tell
// these apart: damaged content can be kept as a backup and replaced, while a
// file that could not be read must be left alone (its content is unknown).
enum class FileReadStatus {
    Read,        // read whole (and, for JSON, parsed)
    Missing,     // nothing at that path
    Damaged,     // not a regular file (FIFO, socket, device), too large, or
                 // for JSON: empty or not JSON
    Unreadable,  // there, but not readable: permission, I/O error, a folder
};

struct TextFileRead {
    FileReadStatus status = FileReadStatus::Missing;
    std::string text;  // empty unless status is Read
};

struct JsonFileRead {
    FileReadStatus status = FileReadStatus::Missing;
    Json::Value value;  // null unless status is Read
};

// The file's bytes with a leading UTF-8 BOM removed. Only regular files are
// read, and they are opened without blocking, so a FIFO or device node in a
// file's place cannot hang the caller.
TextFileRead ReadFileTextWithStatus(const std::filesystem::path& path);
// The text alone; empty for anything but a file read whole.
std::string ReadFileText(const std::filesystem::path& path);

// The parsed file. Comments are accepted. Nesting is bounded, so a hostile
// file cannot exhaust the stack.
JsonFileRead ReadJsonFileWithStatus(const std::filesystem::path& path);
// The value alone: null when the file is missing, damaged or unreadable.
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
