#pragma once
// One device's profile in memory: the device node of the selected profile
// file as a JSON tree, typed reads and writes on it, and saving it back.
// The profile object never talks to the hardware; the device reads settings
// from it and sends them on.

#include <json/value.h>

#include <filesystem>
#include <vector>

#include "profiles/profile_records.h"

namespace kelno {

class CBasicProfiledata {
  public:
    // Longest list taken from a file (LEDs, keys, effect steps): a hostile
    // file must not make the program allocate without bound.
    static constexpr int kMaxListEntries = 512;

    CBasicProfiledata() = default;
    virtual ~CBasicProfiledata() = default;

    void SetProfilePath(const std::filesystem::path& path);  // ignored when empty
    const std::filesystem::path& GetProfilePath() const { return profilePath_; }
    void SetDefaultPath(const std::filesystem::path& path);  // ignored when empty
    const std::filesystem::path& GetDefaultPath() const { return defaultPath_; }
    void SetLightConfigPath(const std::filesystem::path& path) { lightConfigPath_ = path; }
    const std::filesystem::path& GetLightConfigPath() const { return lightConfigPath_; }
    void SetDeviceIndex(int index);
    int GetDeviceIndex() const { return deviceIndex_; }

    // Reads the device node of the profile at `path`. When the file has no
    // node (missing, damaged, unreadable or without it), the node comes from
    // the default profile and is written into the file as Save does. Returns
    // a copy of the node; GetLastLoadResult says what happened to the file.
    Json::Value Load(const std::filesystem::path& path);
    enum class LoadResult {
        Read,          // the file's own node
        Repaired,      // the default node, written into the file
        InMemoryOnly,  // the default node; the file could not be read or
                       // backed up, so it was left alone
    };
    LoadResult GetLastLoadResult() const { return lastLoad_; }
    Json::Value LoadLightConfig(const std::filesystem::path& path);

    LightSetting GetLightSetting();
    void SetLightSetting(uint32_t word0, uint32_t word1, uint32_t word2);
    std::vector<LightListEntry> GetLightList();
    std::vector<LightEffectStep> GetCustomEffect();
    std::vector<KeyAssignmentPair> GetKeyList();
    void SetKeyList(const std::vector<KeyAssignmentPair>& list);

    // Saves the device node into the profile file (only that node changes).
    // A file that is damaged or of the wrong shape (e.g. "Device" is not an
    // array) is kept as "<name>.bak" before it is replaced; one that cannot
    // be read, or backed up, is not written (false). All three return true
    // on success.
    virtual bool Save();
    virtual bool SaveNode(const Json::Value& node, const std::filesystem::path& path);
    virtual bool WriteRoot(const Json::Value& root, const std::filesystem::path& path);

    const Json::Value& DeviceNode() const { return deviceNode_; }
    const LightSetting& CurrentLightSetting() const { return currentLightSetting_; }

  protected:
    // The device node for writing; made an object when it is not one.
    Json::Value& MutableNode();
    // Whether the node stored in the file can be replaced by this one
    // without losing what a kind cannot read (its own lists of the wrong
    // shape); a node that does not fit makes the file count as damaged, so
    // it is kept as the backup before the save.
    virtual bool StoredNodeFits(const Json::Value& /*node*/) const { return true; }

  private:
    std::filesystem::path profilePath_;
    std::filesystem::path defaultPath_;
    LightSetting currentLightSetting_;
    std::vector<LightListEntry> lightList_;
    Json::Value deviceNode_;
    std::filesystem::path lightConfigPath_;
    std::vector<LightEffectStep> customEffect_;
    Json::Value lightConfig_;
    std::vector<KeyAssignmentPair> keyList_;
    int deviceIndex_ = 0;
    LoadResult lastLoad_ = LoadResult::Read;
};

// The device node at `index` of a profile tree, or null.
const Json::Value& ProfileDeviceNode(const Json::Value& root, int index);

// The key assignments of a device node ("KeyList": "Assignment" and
// "DefaultAssignment" of each key), at most kMaxListEntries.
std::vector<KeyAssignmentPair> KeyListOfNode(const Json::Value& node);
// Writes the current assignments into the node's "KeyList"; the defaults
// and other members of each key stay as they are.
void StoreKeyList(Json::Value& node, const std::vector<KeyAssignmentPair>& list);

}  // namespace kelno
