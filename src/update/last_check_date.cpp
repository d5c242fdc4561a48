#include "update/last_check_date.h"

#include <cstdio>

#include "core/json_access.h"
#include "core/json_file.h"

namespace kelno::update {
namespace {

std::string DateText(const LocalTime& time) {
    char text[40];
    std::snprintf(text, sizeof text, "%d-%d-%d", time.year, time.month, time.day);
    return text;
}

// Three runs of at most four digits joined by '-': the only text shown.
bool IsDateText(std::string_view text) {
    int parts = 1;
    int digits = 0;
    for (const char c : text) {
        if (c == '-') {
            if (digits == 0) return false;
            ++parts;
            digits = 0;
        } else if (c >= '0' && c <= '9' && digits < 4) {
            ++digits;
        } else {
            return false;
        }
    }
    return parts == 3 && digits > 0;
}

}  // namespace

std::optional<std::string> LastCheckDate::Read() const {
    const Json::Value root = ReadJsonFile(file_);
    const auto value = json::AsString(json::Member(json::Member(root, "updatelasttime"), "value"));
    if (!value || !IsDateText(*value)) return {};
    return value;
}

bool LastCheckDate::WriteToday() const {
    Json::Value root(Json::objectValue);
    root["updatelasttime"]["value"] = DateText(clock_.Now());
    return WriteJsonFile(file_, root) == 0;
}

std::string LastCheckDate::ReadOrWriteToday() const {
    if (auto stored = Read()) return *stored;
    WriteToday();
    return DateText(clock_.Now());
}

}  // namespace kelno::update
