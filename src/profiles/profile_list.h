#pragma once
// The list of a device's profiles ("ProfileList.ini", JSON despite its
// name) and the operations on it: add, copy, delete, rename, reset, import,
// export and selection. Every operation reads the list file afresh, changes
// it and writes it back at once; the profile files beside it are created,
// copied and removed here. The profile control on the device page shows
// what this class reports.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <json/value.h>

#include "core/clock.h"

namespace kelno {

struct ProfileEntry {
    std::string name;  // display name, UTF-8
    std::string uuid;  // base name of the profile file; always a bare name
    bool operator==(const ProfileEntry&) const = default;
};

struct ProfileListState {
    std::vector<ProfileEntry> entries;
    int selected = 0;  // always a valid index of entries
    // The list file could not be read, or could not be backed up before a
    // repair: the entries were rebuilt in memory and nothing is written over
    // the file (every change that needs the list fails) until it is usable.
    bool inMemoryOnly = false;
};

class ProfileListStore {
  public:
    static constexpr const char* kListFileName = "ProfileList.ini";
    // "Add" stops here; copies and imports may go beyond.
    static constexpr int kMaxAddedProfiles = 50;
    // Entries taken from a list file or found in the folder; a hand-made or
    // hostile list must not stall the start.
    static constexpr int kMaxListedProfiles = 1000;

    ProfileListStore(std::filesystem::path userDataFolder, std::filesystem::path defaultProfilePath,
                     const WallClock& clock = DefaultWallClock());

    std::filesystem::path ListPath() const { return folder_ / kListFileName; }
    std::filesystem::path ProfilePath(const std::string& uuid) const;

    // Reads the list. A missing one is created with "profile1" made from the
    // default profile. A damaged one (not JSON, not a regular file, the wrong
    // shape, no usable entry) is kept as "ProfileList.ini.bak" and rebuilt
    // from the profile files found in the folder (a fresh list only when
    // there are none). Entries whose identifier is not a bare name, repeats
    // of an identifier and entries beyond kMaxListedProfiles are dropped,
    // with the file kept as the backup; a nameless entry is named like an
    // added one. The selection stays on its profile however many entries
    // are dropped (the selected one is kept beyond kMaxListedProfiles); a
    // selection outside the list is clamped. Either is written back.
    // A list that cannot be read, or backed up, is never written: see
    // ProfileListState::inMemoryOnly.
    ProfileListState Load();

    // The profiles the list file names, read without writing anything (no
    // repair, no new list); when it names none, the profile files found in
    // the folder, as Load would rebuild the list from them.
    std::vector<ProfileEntry> ListedProfiles() const;

    // Records `index` as the selected profile (clamped into the list).
    ProfileListState Select(int index);

    // Adds "profileN" (the first free N, names compared without regard to
    // case) made from the default profile, at the end of the list, and
    // records it as selected. Nothing when 50 or more profiles exist.
    std::optional<int> Add();
    // Adds "<name> copy" (" copy" repeated until free) with the settings of
    // profile `index`. Nothing for an invalid index.
    std::optional<int> Copy(int index);
    // Removes profile `index` (never the last one): the list is written
    // first, then the profile's file is removed. Returns the new selection.
    std::optional<int> Delete(int index);

    enum class RenameResult {
        Renamed,
        NameTaken,
        Invalid,
        ListNotWritten,  // nothing renamed: the list could not be written
        ListOnly,        // the list holds the new name; the profile's file could
                         // not be read or rewritten and keeps the old one
    };
    // The list is written first: the entry's name is the list's, so it can
    // change even when the profile's file cannot.
    RenameResult Rename(int index, const std::string& name);

    // Replaces the profile's settings with the default profile's, keeping
    // its name and identifier; on the headset (kind 7) the user's custom
    // equaliser curves survive.
    bool Reset(int index, int deviceKind);

    enum class ImportResult { Imported, NotAProfile, WriteFailed };
    // Adds the profile in `source` under a new identifier (never over an
    // existing profile), named after its "profilename" with "(n)" appended
    // while taken. `source` must hold "profilename", "profileUUID" and a
    // "Device" array.
    ImportResult Import(const std::filesystem::path& source, int* newIndex = nullptr);

    enum class ExportResult { Exported, Unreadable, WriteFailed, Invalid };
    // Writes profile `index` whole to `target`; refused when the profile
    // file cannot be read, so no empty file replaces the target.
    ExportResult Export(int index, const std::filesystem::path& target);

  private:
    ProfileListState ReadState();
    bool WriteState(const ProfileListState& state);
    std::string NewUuid(const std::vector<ProfileEntry>& entries) const;
    bool WriteProfileFrom(Json::Value content, const ProfileEntry& entry);
    std::optional<int> Append(ProfileListState& state, ProfileEntry entry, bool select);

    std::filesystem::path folder_;
    std::filesystem::path defaultProfilePath_;
    const WallClock& clock_;
};

// True when the names are equal without regard to ASCII letter case.
bool SameProfileName(const std::string& a, const std::string& b);

}  // namespace kelno
