// Report (not a test): loading profile lists far larger than the program
// ever writes. The first load bounds the list and keeps the file as the
// backup; the second load reads the bounded list, as every later start does.
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "core/json_file.h"
#include "core/program_help.h"
#include "profiles/profile_list.h"

namespace kelno {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

bool WriteList(const fs::path& folder, int entries) {
    Json::Value list(Json::objectValue);
    Json::Value& elements = list["profilelist"] = Json::Value(Json::arrayValue);
    for (int i = 0; i < entries; ++i) {
        Json::Value entry(Json::objectValue);
        entry["profilename"] = i % 3 == 0 ? "" : "p" + std::to_string(i);  // a third nameless
        entry["profileUUID"] =
            "u" + std::to_string(i % (entries - entries / 10));  // a tenth repeated
        elements.append(entry);
    }
    list["profileselect"] = entries - 1;
    fs::create_directories(folder);
    return WriteJsonFile(folder / ProfileListStore::kListFileName, list) == 0;
}

int Run() {
    std::string pattern = (fs::temp_directory_path() / "kelno-files-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) return 1;
    const fs::path root = pattern;
    std::printf("%10s %14s %14s %10s\n", "entries", "first load ms", "next load ms", "kept");
    for (const int entries : {1000, 10000, 30000, 100000}) {
        const fs::path folder = root / std::to_string(entries);
        if (!WriteList(folder, entries)) return 1;
        ProfileListStore store(folder, root / "no default profile");
        auto start = Clock::now();
        const size_t kept = store.Load().entries.size();
        const double first = MsSince(start);
        start = Clock::now();
        store.Load();
        std::printf("%10d %14.1f %14.1f %10zu\n", entries, first, MsSince(start), kept);
    }
    std::error_code error;
    fs::remove_all(root, error);
    return 0;
}

}  // namespace
}  // namespace kelno

int main(int argc, char** argv) {
    if (kelno::PrintHelpIfAsked(argc, argv,
                                "usage: files_bench\n"
                                "Reports how long profile lists far larger than the program writes\n"
                                "take to load, the first time and afterwards."))
        return 0;
    return kelno::Run();
}
