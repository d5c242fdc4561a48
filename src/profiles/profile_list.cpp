#include "profiles/profile_list.h"

#include <algorithm>
#include <cctype>
#include <unordered_map>
#include <unordered_set>

#include "core/ascii_case.h"
#include "core/debug_output.h"
#include "core/file_backup.h"
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

// Hands out "profile1", "profile2", ... skipping names in use (compared
// without regard to case), in one pass however many entries there are.
class FreeProfileNames {
  public:
    explicit FreeProfileNames(const std::vector<ProfileEntry>& entries) {
        for (const ProfileEntry& entry : entries) taken_.insert(ToLowerAscii(entry.name));
    }
    std::string Next() {
        std::string name;
        do name = "profile" + std::to_string(next_++);
        while (!taken_.insert(ToLowerAscii(name)).second);
        return name;
    }

  private:
    std::unordered_set<std::string> taken_;
    int next_ = 1;
};

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

struct ListedEntries {
    std::vector<ProfileEntry> entries;
    // Where the profile the stored selection named is now; nothing when
    // the selection named no entry of the file.
    std::optional<size_t> selected;
    bool dropped = false;  // some could not be kept: the file goes to the backup
    bool named = false;    // nameless ones were named: the file is rewritten
};

// The usable entries of a list file: bare identifiers, each once, at most
// kMaxListedProfiles; nameless ones are named like added profiles. The
// entry at `storedSelection` is kept even beyond the cap, and a repeat
// selects the entry it repeats: the selection stays on the same profile.
ListedEntries EntriesOfList(const Json::Value& elements, int storedSelection) {
    ListedEntries listed;
    std::unordered_map<std::string, size_t> positions;  // identifier -> entry
    const Json::ArrayIndex count = elements.isArray() ? elements.size() : 0;
    const bool selectionListed =
        storedSelection >= 0 && storedSelection < static_cast<int64_t>(count);
    const auto selection = static_cast<Json::ArrayIndex>(storedSelection);
    const auto limit = static_cast<size_t>(ProfileListStore::kMaxListedProfiles);
    for (Json::ArrayIndex i = 0; i < count; ++i) {
        const bool isSelection = selectionListed && i == selection;
        // One place stays free for a selection further down.
        const size_t room = selectionListed && i < selection ? limit - 1 : limit;
        if (!isSelection && listed.entries.size() >= room) {
            listed.dropped = true;
            if (!selectionListed || i > selection) break;
            i = selection - 1;  // on to the selection
            continue;
        }
        auto entry = EntryFromJson(elements[i]);
        if (!entry) {
            listed.dropped = true;
            // As when a profile is deleted: the one before it.
            if (isSelection)
                listed.selected = listed.entries.empty() ? 0 : listed.entries.size() - 1;
            continue;
        }
        const auto [at, added] = positions.emplace(entry->uuid, listed.entries.size());
        if (isSelection) listed.selected = at->second;
        if (!added) {
            listed.dropped = true;
            continue;
        }
        listed.entries.push_back(std::move(*entry));
    }
    FreeProfileNames names(listed.entries);
    for (ProfileEntry& entry : listed.entries) {
        if (!entry.name.empty()) continue;
        entry.name = names.Next();
        listed.named = true;
    }
    return listed;
}

// Profiles a damaged list can be rebuilt from: every "<uuid>.Json" in the
// folder whose own "profileUUID" names it, oldest identifier first.
std::vector<ProfileEntry> ScanProfileFiles(const fs::path& folder) {
    std::vector<ProfileEntry> found;
    std::error_code error;
    for (const auto& file : fs::directory_iterator(folder, error)) {
        if (found.size() >= static_cast<size_t>(ProfileListStore::kMaxListedProfiles)) break;
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

}  // namespace

bool SameProfileName(const std::string& a, const std::string& b) {
    return EqualsNoCase(a, b);
}

ProfileListStore::ProfileListStore(fs::path userDataFolder, fs::path defaultProfilePath,
                                   const WallClock& clock)
    : folder_(std::move(userDataFolder)),
      defaultProfilePath_(std::move(defaultProfilePath)),
      clock_(clock) {}

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
    if (state.inMemoryOnly) {
        DebugOutputF("%s is not written: it could not be read or backed up", ListPath().c_str());
        return false;
    }
    Json::Value list(Json::objectValue);
    list["profilelist"] = Json::Value(Json::arrayValue);
    for (const auto& entry : state.entries) list["profilelist"].append(ListEntryJson(entry));
    list["profileselect"] = state.selected;
    return WriteJsonFile(ListPath(), list) == 0;
}

ProfileListState ProfileListStore::ReadState() {
    EnsureFolder(folder_);
    const JsonFileRead read = ReadJsonFileWithStatus(ListPath());
    const int stored = json::ReadInt(read.value, "profileselect", 0);
    ListedEntries listed = EntriesOfList(json::Member(read.value, "profilelist"), stored);
    ProfileListState state;
    state.entries = std::move(listed.entries);
    // A list that lost entries here, or had none to give, counts as damaged:
    // it is kept as the backup before anything replaces it.
    FileReadStatus status = read.status;
    if (status == FileReadStatus::Read && (listed.dropped || state.entries.empty()))
        status = FileReadStatus::Damaged;
    state.inMemoryOnly = !MayReplace(ListPath(), status);
    bool rewrite = status != FileReadStatus::Read || listed.named;
    int selected = listed.selected ? static_cast<int>(*listed.selected) : stored;
    if (state.entries.empty()) {
        selected = stored;
        state.entries = ScanProfileFiles(folder_);
        if (state.entries.empty()) {
            const ProfileEntry first{"profile1", NewUuid({})};
            // Its file is made only when the list that names it is written.
            if (!state.inMemoryOnly) WriteProfileFrom(ReadJsonFile(defaultProfilePath_), first);
            state.entries.push_back(first);
        }
    }
    state.selected = std::clamp(selected, 0, static_cast<int>(state.entries.size()) - 1);
    if (state.selected != stored || !json::Member(read.value, "profileselect").isInt())
        rewrite = true;
    if (rewrite) WriteState(state);
    return state;
}

ProfileListState ProfileListStore::Load() {
    return ReadState();
}

std::vector<ProfileEntry> ProfileListStore::ListedProfiles() const {
    const Json::Value list = ReadJsonFile(ListPath());
    std::vector<ProfileEntry> entries =
        EntriesOfList(json::Member(list, "profilelist"), json::ReadInt(list, "profileselect", 0))
            .entries;
    if (entries.empty()) entries = ScanProfileFiles(folder_);
    return entries;
}

ProfileListState ProfileListStore::Select(int index) {
    ProfileListState state = ReadState();
    state.selected = std::clamp(index, 0, static_cast<int>(state.entries.size()) - 1);
    WriteState(state);
    return state;
}

std::optional<int> ProfileListStore::Append(ProfileListState& state, ProfileEntry entry,
                                            bool select) {
    state.entries.push_back(std::move(entry));
    const int index = static_cast<int>(state.entries.size()) - 1;
    if (select) state.selected = index;
    if (!WriteState(state)) return std::nullopt;
    return index;
}

std::optional<int> ProfileListStore::Add() {
    ProfileListState state = ReadState();
    if (state.inMemoryOnly || static_cast<int>(state.entries.size()) >= kMaxAddedProfiles)
        return std::nullopt;
    const ProfileEntry entry{FreeProfileNames(state.entries).Next(), NewUuid(state.entries)};
    if (entry.uuid.empty() || !WriteProfileFrom(ReadJsonFile(defaultProfilePath_), entry))
        return std::nullopt;
    // The new profile becomes the stored selection: the next start opens it.
    return Append(state, entry, true);
}

std::optional<int> ProfileListStore::Copy(int index) {
    ProfileListState state = ReadState();
    if (state.inMemoryOnly || index < 0 || index >= static_cast<int>(state.entries.size()))
        return std::nullopt;
    std::string name = state.entries[static_cast<size_t>(index)].name + " copy";
    while (NameTaken(state.entries, name)) name += " copy";
    const ProfileEntry entry{name, NewUuid(state.entries)};
    const Json::Value source =
        ReadJsonFile(ProfilePath(state.entries[static_cast<size_t>(index)].uuid));
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
    if (!WriteState(state)) return RenameResult::ListNotWritten;
    // A missing file is made from the default profile, under the list's
    // name, when it is next loaded.
    const JsonFileRead file = ReadJsonFileWithStatus(ProfilePath(entry.uuid));
    if (file.status == FileReadStatus::Missing) return RenameResult::Renamed;
    if (!file.value.isObject() || !WriteProfileFrom(file.value, entry))
        return RenameResult::ListOnly;
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
    if (state.inMemoryOnly) return ImportResult::WriteFailed;
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
    const Json::Value content =
        ReadJsonFile(ProfilePath(state.entries[static_cast<size_t>(index)].uuid));
    if (!content.isObject()) return ExportResult::Unreadable;
    return WriteJsonFile(target, content) == 0 ? ExportResult::Exported : ExportResult::WriteFailed;
}

}  // namespace kelno
