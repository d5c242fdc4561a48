#include "profiles/profile_list.h"

#include <algorithm>
#include <cctype>

#include "core/ascii_case.h"
#include "core/debug_output.h"
#include "core/json_access.h"
#include "core/json_file.h"
#include "core/names.h"
#include "core/paths.h"
#include "core/text_codec.h"
#include "profiles/basic_profile_data.h"

namespace kelno {
namespace {

namespace fs = std::filesystem;

constexpr int kHeadsetKind = 7;

bool NameTaken(const std::vector<ProfileEntry>& entries, const std::string& name, int except = -1) {
    for (size_t i = 0; i < entries.size(); ++i)
        if (static_cast<int>(i) != except && SameProfileName(entries[i].name, name)) return true;
    return false;
}

Json::Value ListEntryJson(const ProfileEntry& entry) {
    Json::Value element(Json::objectValue);
    element["profilename"] = ToNarrowText(entry.name);
    element["profileUUID"] = entry.uuid;
    element["profileislink"] = 0;
    element["profilelinkmame"] = "";
    return element;
}

std::optional<ProfileEntry> EntryFromJson(const Json::Value& element) {
    const std::string uuid = json::ReadString(element, "profileUUID");
    if (!IsBareName(uuid)) return std::nullopt;
    return ProfileEntry{ToWideText(json::ReadString(element, "profilename")), uuid};
}

// Profiles a damaged list can be rebuilt from: every "<uuid>.Json" in the
// folder whose own "profileUUID" names it, oldest identifier first.
std::vector<ProfileEntry> ScanProfileFiles(const fs::path& folder) {
    std::vector<ProfileEntry> found;
    std::error_code error;
    for (const auto& file : fs::directory_iterator(folder, error)) {
        if (file.path().extension() != ".Json") continue;
        const Json::Value content = ReadJsonFile(file.path());
        const auto entry = EntryFromJson(content);
        if (entry && entry->uuid == file.path().stem().string() &&
            json::Member(content, "Device").isArray())
            found.push_back(*entry);
    }
    std::sort(found.begin(), found.end(),
              [](const ProfileEntry& a, const ProfileEntry& b) { return a.uuid < b.uuid; });
    return found;
}

void KeepAsBackup(const fs::path& path) {
    fs::path backup = path;
    backup += ".bak";
    std::error_code error;
    fs::copy_file(path, backup, fs::copy_options::overwrite_existing, error);
    DebugOutputF("damaged profile list kept as %s", backup.c_str());
}

}  // namespace

bool SameProfileName(const std::string& a, const std::string& b) { return EqualsNoCase(a, b); }

ProfileListStore::ProfileListStore(fs::path userDataFolder, fs::path defaultProfilePath,
                                   const WallClock& clock)
    : folder_(std::move(userDataFolder)), defaultProfilePath_(std::move(defaultProfilePath)), clock_(clock) {}

fs::path ProfileListStore::ProfilePath(const std::string& uuid) const {
    if (!IsBareName(uuid)) return {};
    return folder_ / (uuid + ".Json");
}

std::string ProfileListStore::NewUuid(const std::vector<ProfileEntry>& entries) const {
    return MakeFreeTimestampName(
        [&](const std::string& name) {
            return IsNameTakenInFolder(folder_, name, ".Json") ||
                   std::any_of(entries.begin(), entries.end(),
                               [&](const ProfileEntry& e) { return e.uuid == name; });
        },
        clock_);
}

bool ProfileListStore::WriteProfileFrom(Json::Value content, const ProfileEntry& entry) {
    if (!content.isObject()) content = Json::Value(Json::objectValue);
    content["profilename"] = ToNarrowText(entry.name);
    content["profileUUID"] = entry.uuid;
    return WriteJsonFile(ProfilePath(entry.uuid), content) == 0;
}

bool ProfileListStore::WriteState(const ProfileListState& state) {
    Json::Value list(Json::objectValue);
    list["profilelist"] = Json::Value(Json::arrayValue);
    for (const auto& entry : state.entries) list["profilelist"].append(ListEntryJson(entry));
    list["profileselect"] = state.selected;
    return WriteJsonFile(ListPath(), list) == 0;
}

ProfileListState ProfileListStore::ReadState() {
    EnsureFolder(folder_);
    const Json::Value list = ReadJsonFile(ListPath());
    ProfileListState state;
    bool rewrite = false;
    const Json::Value& elements = json::Member(list, "profilelist");
    for (Json::ArrayIndex i = 0; elements.isArray() && i < elements.size(); ++i) {
        if (auto entry = EntryFromJson(elements[i])) {
            state.entries.push_back(*entry);
        } else {
            rewrite = true;
        }
    }
    if (state.entries.empty()) {
        std::error_code error;
        if (fs::exists(ListPath(), error) && fs::file_size(ListPath(), error) > 0) KeepAsBackup(ListPath());
        state.entries = ScanProfileFiles(folder_);
        if (state.entries.empty()) {
            const ProfileEntry first{"profile1", NewUuid({})};
            WriteProfileFrom(ReadJsonFile(defaultProfilePath_), first);
            state.entries.push_back(first);
        }
        rewrite = true;
    }
    const int stored = json::ReadInt(list, "profileselect", 0);
    state.selected = std::clamp(stored, 0, static_cast<int>(state.entries.size()) - 1);
    if (state.selected != stored || !json::Member(list, "profileselect").isInt()) rewrite = true;
    if (rewrite) WriteState(state);
    return state;
}

ProfileListState ProfileListStore::Load() { return ReadState(); }

ProfileListState ProfileListStore::Select(int index) {
    ProfileListState state = ReadState();
    state.selected = std::clamp(index, 0, static_cast<int>(state.entries.size()) - 1);
    WriteState(state);
    return state;
}

std::optional<int> ProfileListStore::Append(ProfileListState& state, ProfileEntry entry, bool select) {
    state.entries.push_back(std::move(entry));
    const int index = static_cast<int>(state.entries.size()) - 1;
    if (select) state.selected = index;
    if (!WriteState(state)) return std::nullopt;
    return index;
}

std::optional<int> ProfileListStore::Add() {
    ProfileListState state = ReadState();
    if (static_cast<int>(state.entries.size()) >= kMaxAddedProfiles) return std::nullopt;
    int n = 1;
    while (NameTaken(state.entries, "profile" + std::to_string(n))) ++n;
    const ProfileEntry entry{"profile" + std::to_string(n), NewUuid(state.entries)};
    if (entry.uuid.empty() || !WriteProfileFrom(ReadJsonFile(defaultProfilePath_), entry))
        return std::nullopt;
    // The new profile becomes the stored selection: the next start opens it.
    return Append(state, entry, true);
}

std::optional<int> ProfileListStore::Copy(int index) {
    ProfileListState state = ReadState();
    if (index < 0 || index >= static_cast<int>(state.entries.size())) return std::nullopt;
    std::string name = state.entries[static_cast<size_t>(index)].name + " copy";
    while (NameTaken(state.entries, name)) name += " copy";
    const ProfileEntry entry{name, NewUuid(state.entries)};
    const Json::Value source = ReadJsonFile(ProfilePath(state.entries[static_cast<size_t>(index)].uuid));
    if (entry.uuid.empty() || !WriteProfileFrom(source, entry)) return std::nullopt;
    return Append(state, entry, false);
}

std::optional<int> ProfileListStore::Delete(int index) {
    ProfileListState state = ReadState();
    if (index < 0 || index >= static_cast<int>(state.entries.size()) || state.entries.size() < 2)
        return std::nullopt;
    const ProfileEntry removed = state.entries[static_cast<size_t>(index)];
    state.entries.erase(state.entries.begin() + index);
    state.selected = std::max(index - 1, 0);
    // The list goes first: a failure here must not leave an entry whose
    // file is gone.
    if (!WriteState(state)) return std::nullopt;
    std::error_code error;
    fs::remove(ProfilePath(removed.uuid), error);
    return state.selected;
}

ProfileListStore::RenameResult ProfileListStore::Rename(int index, const std::string& name) {
    ProfileListState state = ReadState();
    if (index < 0 || index >= static_cast<int>(state.entries.size()) || name.empty())
        return RenameResult::Invalid;
    if (NameTaken(state.entries, name, index)) return RenameResult::NameTaken;
    ProfileEntry& entry = state.entries[static_cast<size_t>(index)];
    entry.name = ToWideText(name);
    if (!WriteState(state)) return RenameResult::Invalid;
    Json::Value content = ReadJsonFile(ProfilePath(entry.uuid));
    if (content.isObject()) WriteProfileFrom(content, entry);
    return RenameResult::Renamed;
}

bool ProfileListStore::Reset(int index, int deviceKind) {
    ProfileListState state = ReadState();
    if (index < 0 || index >= static_cast<int>(state.entries.size())) return false;
    const ProfileEntry& entry = state.entries[static_cast<size_t>(index)];
    Json::Value fresh = ReadJsonFile(defaultProfilePath_);
    if (!fresh.isObject()) fresh = Json::Value(Json::objectValue);
    if (deviceKind == kHeadsetKind) {
        const Json::Value current = ReadJsonFile(ProfilePath(entry.uuid));
        const Json::Value& currentNode = ProfileDeviceNode(current, 0);
        Json::Value& node = json::MutableElement(json::MutableMember(fresh, "Device"), 0);
        for (const char* key : {"CustomEQNameInfo", "CustomEQHzValueInfo"}) {
            const Json::Value& kept = json::Member(currentNode, key);
            if (!kept.isNull()) json::MutableMember(node, key) = kept;
        }
    }
    return WriteProfileFrom(fresh, entry);
}

ProfileListStore::ImportResult ProfileListStore::Import(const fs::path& source, int* newIndex) {
    Json::Value content = ReadJsonFile(source);
    if (!json::Member(content, "profilename").isString() ||
        !json::Member(content, "profileUUID").isString() ||
        !json::Member(content, "Device").isArray())
        return ImportResult::NotAProfile;

    ProfileListState state = ReadState();
    const std::string base = ToWideText(json::ReadString(content, "profilename"));
    std::string name = base;
    for (int n = 1; NameTaken(state.entries, name); ++n) name += "(" + std::to_string(n) + ")";
    const ProfileEntry entry{name, NewUuid(state.entries)};
    if (entry.uuid.empty() || !WriteProfileFrom(content, entry)) return ImportResult::WriteFailed;
    const auto index = Append(state, entry, false);
    if (!index) return ImportResult::WriteFailed;
    if (newIndex) *newIndex = *index;
    return ImportResult::Imported;
}

ProfileListStore::ExportResult ProfileListStore::Export(int index, const fs::path& target) {
    const ProfileListState state = ReadState();
    if (index < 0 || index >= static_cast<int>(state.entries.size()) || target.empty())
        return ExportResult::Invalid;
    const Json::Value content = ReadJsonFile(ProfilePath(state.entries[static_cast<size_t>(index)].uuid));
    if (!content.isObject()) return ExportResult::Unreadable;
    return WriteJsonFile(target, content) == 0 ? ExportResult::Exported : ExportResult::WriteFailed;
}

}  // namespace kelno
