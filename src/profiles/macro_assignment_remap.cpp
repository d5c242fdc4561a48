#include "profiles/macro_assignment_remap.h"

#include "core/json_access.h"
#include "core/json_file.h"
#include "profiles/basic_profile_data.h"
#include "profiles/profile_list.h"

namespace kelno {
namespace {

namespace fs = std::filesystem;

bool SameFile(const fs::path& a, const fs::path& b) {
    if (a.empty() || b.empty()) return false;
    std::error_code error;
    if (fs::equivalent(a, b, error)) return true;
    return a.lexically_normal() == b.lexically_normal();
}

enum class FileRemap { Unchanged, Rewritten, LeftAlone };

FileRemap RemapProfileFile(const fs::path& file, int deletedIndex, int deviceIndex) {
    JsonFileRead read = ReadJsonFileWithStatus(file);
    // A missing file holds no assignments; the profile is made afresh from
    // the default profile when it is next opened.
    if (read.status == FileReadStatus::Missing) return FileRemap::Unchanged;
    if (read.status != FileReadStatus::Read || !read.value.isObject()) return FileRemap::LeftAlone;
    const Json::Value& node = ProfileDeviceNode(read.value, deviceIndex);
    if (!node.isObject()) return FileRemap::Unchanged;
    const MacroRemap remap = RemapAfterMacroDeleted(KeyListOfNode(node), deletedIndex);
    if (!remap.changed) return FileRemap::Unchanged;
    // The node was found through "Device", so both are what they must be
    // and only the key list changes.
    Json::Value& mutableNode = json::MutableElement(json::MutableMember(read.value, "Device"),
                                                    static_cast<Json::ArrayIndex>(deviceIndex));
    StoreKeyList(mutableNode, remap.keys);
    return WriteJsonFile(file, read.value) == 0 ? FileRemap::Rewritten : FileRemap::LeftAlone;
}

}  // namespace

bool PlaysMacro(const KeyAssignment& assignment) {
    return assignment.high == kPlayMacroAssignment ||
           assignment.high == kPlayMacroWhileHeldAssignment;
}

MacroRemap RemapAfterMacroDeleted(std::span<const KeyAssignmentPair> keys, int deletedIndex) {
    MacroRemap remap;
    remap.keys.assign(keys.begin(), keys.end());
    if (deletedIndex < 0) return remap;
    for (KeyAssignmentPair& key : remap.keys) {
        KeyAssignment& current = key.current;
        if (!PlaysMacro(current) || current.middle < deletedIndex) continue;
        if (current.middle == deletedIndex) {
            remap.usersOfDeleted.push_back(current.keyIndex);
            current.high = key.defaults.high;
            current.middle = key.defaults.middle;
            current.low = key.defaults.low;
        } else {
            --current.middle;
        }
        remap.changed = true;
    }
    return remap;
}

ProfileRemapReport RemapMacroAssignmentsInProfiles(const fs::path& deviceFolder, int deletedIndex,
                                                   const fs::path& handledInMemory,
                                                   int deviceIndex) {
    ProfileRemapReport report;
    const ProfileListStore list(deviceFolder, {});
    for (const ProfileEntry& entry : list.ListedProfiles()) {
        const fs::path file = list.ProfilePath(entry.uuid);
        if (file.empty() || SameFile(file, handledInMemory)) continue;
        switch (RemapProfileFile(file, deletedIndex, deviceIndex)) {
            case FileRemap::Unchanged:
                break;
            case FileRemap::Rewritten:
                report.rewritten.push_back(file);
                break;
            case FileRemap::LeftAlone:
                report.leftAlone.push_back(file);
                break;
        }
    }
    return report;
}

}  // namespace kelno
