#include "core/settings_store.h"

#include <type_traits>

#include "core/file_backup.h"
#include "core/json_access.h"
#include "core/json_file.h"
#include "core/paths.h"

namespace kelno {

SettingsStore::SettingsStore(std::filesystem::path file) : file_(std::move(file)) {}

SettingsStore SettingsStore::ForConfigFolder(const std::filesystem::path& configFolder) {
    return SettingsStore(configFolder / "settings.json");
}

std::optional<int> SettingsStore::ReadInt(std::string_view name) const {
    return json::AsInt(json::Member(ReadJsonFile(file_), name));
}

std::optional<std::string> SettingsStore::ReadString(std::string_view name) const {
    return json::AsString(json::Member(ReadJsonFile(file_), name));
}

namespace {

template <typename T>
std::optional<T> ReadAs(const Json::Value& value) {
    if constexpr (std::is_same_v<T, int>)
        return json::AsInt(value);
    else
        return json::AsString(value);
}

template <typename T>
bool ReadsAs(const Json::Value& value) {
    return ReadAs<T>(value).has_value();
}

}  // namespace

template <typename T>
bool SettingsStore::Write(std::string_view name, const T& value) {
    if (!EnsureFolder(file_.parent_path())) return false;
    // Other values live beside this one: they are kept, or the file is. A
    // value of the wrong kind under this name was not written by us, so the
    // file counts as damaged and is kept too.
    std::optional<Json::Value> root = ReadForReplacing(file_, [name](const Json::Value& stored) {
        const Json::Value& old = json::Member(stored, name);
        return stored.isObject() && (old.isNull() || ReadsAs<T>(old));
    });
    if (!root) return false;
    // Stored already (the language at every start): no write, no fsync on
    // the caller's thread.
    if (ReadAs<T>(json::Member(*root, name)) == value) return true;
    (*root)[std::string(name)] = value;
    return WriteJsonFile(file_, *root) == 0;
}

bool SettingsStore::WriteInt(std::string_view name, int value) {
    return Write(name, value);
}

bool SettingsStore::WriteString(std::string_view name, std::string_view value) {
    return Write(name, std::string(value));
}

}  // namespace kelno
