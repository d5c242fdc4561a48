#include "core/names.h"

#include <charconv>
#include <cstdio>

namespace kelno {
namespace {

std::string FormatTimestamp(const LocalTime& t) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%d_%02d_%02d_%02d_%02d_%02d_%03d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second, t.millisecond);
    return buffer;
}

}  // namespace

std::string MakeTimestampName(const WallClock& clock) { return FormatTimestamp(clock.Now()); }

std::string MakeFreeTimestampName(const std::function<bool(const std::string&)>& isTaken,
                                  const WallClock& clock) {
    constexpr long long kMaxTries = 100000;
    const LocalTime start = clock.Now();
    for (long long step = 0; step < kMaxTries; ++step) {
        std::string name = FormatTimestamp(AddMilliseconds(start, step));
        if (!isTaken(name)) return name;
    }
    return {};
}

bool IsNameTakenInFolder(const std::filesystem::path& folder, const std::string& name,
                         std::string_view suffix) {
    std::error_code error;
    return std::filesystem::exists(folder / (name + std::string(suffix)), error);
}

bool SplitIndexedName(std::string_view name, std::string& prefix, int& number) {
    number = -1;
    const size_t underscore = name.rfind('_');
    if (underscore == std::string_view::npos) {
        prefix.clear();
        return false;
    }
    prefix.assign(name.substr(0, underscore + 1));
    const std::string_view digits = name.substr(underscore + 1);
    if (digits.empty()) return false;
    for (char c : digits)
        if (c < '0' || c > '9') return false;
    int value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size()) return false;
    number = value;
    return true;
}

bool IsBareName(std::string_view name) {
    if (name.empty() || name.size() > kMaxBareNameLength || name == "." ||
        name.find("..") != std::string_view::npos)
        return false;
    for (unsigned char c : name)
        if (c < 0x20 || c == 0x7F || c == '/' || c == '\\') return false;
    return true;
}

}  // namespace kelno
