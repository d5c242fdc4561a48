#include "profiles/basic_profile_data.h"

#include <algorithm>

#include "core/file_backup.h"
#include "core/json_access.h"
#include "core/json_file.h"
#include "core/names.h"

namespace kelno {
namespace {

namespace fs = std::filesystem;

uint8_t ByteOf(const Json::Value& object, const char* key) {
    return static_cast<uint8_t>(json::ReadInt64(object, key));
}

// Devices index only a handful of nodes; anything else in a file is bogus.
constexpr int kMaxDeviceIndex = 15;

// A profile tree that can take the device node at `index` and lose nothing
// but that node's old value: an object whose "Device" is an array (or
// missing) whose element there is an object (or missing).
bool FitsDeviceNode(const Json::Value& root, int index) {
    const Json::Value& devices = json::Member(root, "Device");
    const Json::Value& node = json::Element(devices, index);
    return root.isObject() && (devices.isNull() || devices.isArray()) &&
           (node.isNull() || node.isObject());
}

}  // namespace

const Json::Value& ProfileDeviceNode(const Json::Value& root, int index) {
    return json::Element(json::Member(root, "Device"), index);
}

std::vector<KeyAssignmentPair> KeyListOfNode(const Json::Value& node) {
    std::vector<KeyAssignmentPair> keys;
    const Json::Value& list = json::Member(node, "KeyList");
    const int count = json::ReadArraySize(node, "KeyList", CBasicProfiledata::kMaxListEntries);
    for (int i = 0; i < count; ++i) {
        const Json::Value& key = json::Element(list, i);
        const auto index = static_cast<uint16_t>(i);
        keys.push_back({KeyAssignment::FromPacked(
                            index, static_cast<uint32_t>(json::ReadInt64(key, "Assignment"))),
                        KeyAssignment::FromPacked(index, static_cast<uint32_t>(json::ReadInt64(
                                                             key, "DefaultAssignment")))});
    }
    return keys;
}

void StoreKeyList(Json::Value& node, const std::vector<KeyAssignmentPair>& list) {
    if (!node.isObject()) node = Json::Value(Json::objectValue);
    Json::Value& keys = json::MutableMember(node, "KeyList");
    const size_t count = std::min<size_t>(list.size(), CBasicProfiledata::kMaxListEntries);
    for (size_t i = 0; i < count; ++i) {
        json::MutableMember(json::MutableElement(keys, static_cast<Json::ArrayIndex>(i)),
                            "Assignment") = list[i].current.Packed();
    }
}

void CBasicProfiledata::SetProfilePath(const fs::path& path) {
    if (!path.empty()) profilePath_ = path;
}

void CBasicProfiledata::SetDefaultPath(const fs::path& path) {
    if (!path.empty()) defaultPath_ = path;
}

void CBasicProfiledata::SetDeviceIndex(int index) {
    deviceIndex_ = std::clamp(index, 0, kMaxDeviceIndex);
}

Json::Value& CBasicProfiledata::MutableNode() {
    if (!deviceNode_.isObject()) deviceNode_ = Json::Value(Json::objectValue);
    return deviceNode_;
}

Json::Value CBasicProfiledata::Load(const fs::path& path) {
    deviceNode_ = ProfileDeviceNode(ReadJsonFile(path), deviceIndex_);
    if (deviceNode_.isObject()) {
        lastLoad_ = LoadResult::Read;
        return deviceNode_;
    }
    deviceNode_ = ProfileDeviceNode(ReadJsonFile(defaultPath_), deviceIndex_);
    lastLoad_ = SaveNode(deviceNode_, path) ? LoadResult::Repaired : LoadResult::InMemoryOnly;
    return deviceNode_;
}

Json::Value CBasicProfiledata::LoadLightConfig(const fs::path& path) {
    lightConfig_ = ReadJsonFile(path);
    return lightConfig_;
}

LightSetting CBasicProfiledata::GetLightSetting() {
    const Json::Value& info = json::Member(deviceNode_, "LightInfo");
    LightSetting setting;
    if (!info.isNull()) {
        setting[LightSetting::kMode] = ByteOf(info, "SelectItem");
        setting[LightSetting::kBrightness] = ByteOf(info, "Light");
        setting[LightSetting::kSpeed] = ByteOf(info, "Speed");
        setting[LightSetting::kDirection] = ByteOf(info, "Fx");
        setting[LightSetting::kMultiColor] = json::ReadBool(info, "MultiColor") ? 1 : 0;
        // The stored colour is the user's; a missing component reads as 255.
        setting[LightSetting::kRed] = static_cast<uint8_t>(json::ReadInt64(info, "Red", 255));
        setting[LightSetting::kGreen] = static_cast<uint8_t>(json::ReadInt64(info, "Green", 255));
        setting[LightSetting::kBlue] = static_cast<uint8_t>(json::ReadInt64(info, "Blue", 255));
        setting[LightSetting::kLedState] = ByteOf(info, "LedStaus");
    }
    currentLightSetting_ = setting;
    return setting;
}

void CBasicProfiledata::SetLightSetting(uint32_t word0, uint32_t word1, uint32_t word2) {
    const LightSetting s = LightSetting::FromWords(word0, word1, word2);
    currentLightSetting_ = s;
    Json::Value info(Json::objectValue);
    info["SelectItem"] = s[LightSetting::kMode];
    info["Light"] = s[LightSetting::kBrightness];
    info["Speed"] = s[LightSetting::kSpeed];
    info["MultiColor"] = s[LightSetting::kMultiColor];
    info["Red"] = s[LightSetting::kRed];
    info["Green"] = s[LightSetting::kGreen];
    info["Blue"] = s[LightSetting::kBlue];
    info["Fx"] = s[LightSetting::kDirection];
    info["LedStaus"] = s[LightSetting::kLedState];
    MutableNode()["LightInfo"] = info;
}

std::vector<LightListEntry> CBasicProfiledata::GetLightList() {
    const Json::Value& list = json::Member(deviceNode_, "LightList");
    lightList_.clear();
    const int count = json::ReadArraySize(deviceNode_, "LightList", kMaxListEntries);
    for (int i = 0; i < count; ++i) {
        const Json::Value& element = json::Element(list, i);
        LightListEntry entry;
        if (!element.isNull()) {
            entry.mode = ByteOf(element, "LEDREGMode");
            entry.brightness = ByteOf(element, "LEDBrightness");
            entry.speed = ByteOf(element, "LEDSpeed");
            entry.direction = json::ReadBool(element, "LEDDirection") ? 1 : 0;
            entry.multiColor = json::ReadBool(element, "LEDMultiColor") ? 1 : 0;
            entry.red = ByteOf(element, "red");
            entry.green = ByteOf(element, "green");
            entry.blue = ByteOf(element, "blue");
            entry.valid = 1;
        }
        lightList_.push_back(entry);
    }
    return lightList_;
}

std::vector<LightEffectStep> CBasicProfiledata::GetCustomEffect() {
    customEffect_.clear();
    const Json::Value& effects =
        json::Element(json::Member(lightConfig_, "LightInfo"), deviceIndex_);
    const std::string guid =
        json::ReadString(json::Element(effects, currentLightSetting_[LightSetting::kMode]), "Guid");
    if (!IsBareName(guid)) return customEffect_;

    // A bare name is looked for beside the light configuration first, then
    // in the working folder where older versions kept effect files.
    const std::string fileName = guid + ".light";
    Json::Value effect = ReadJsonFile(lightConfigPath_.parent_path() / fileName);
    if (effect.isNull()) effect = ReadJsonFile(fileName);
    const int count = json::ReadArraySize(effect, "LEDEffectList", kMaxListEntries);
    const Json::Value& steps = json::Member(effect, "LEDEffectList");
    for (int i = 0; i < count; ++i) {
        const Json::Value& step = json::Element(steps, i);
        customEffect_.push_back({ByteOf(step, "LEDREGMode"), ByteOf(step, "LEDBrightness"),
                                 ByteOf(step, "LEDSpeed"), ByteOf(step, "LEDDirection"),
                                 ByteOf(step, "LEDMultiColor"), ByteOf(step, "red"),
                                 ByteOf(step, "green"), ByteOf(step, "blue"),
                                 json::ReadInt(step, "Time"), json::ReadInt(step, "Cyle")});
    }
    return customEffect_;
}

std::vector<KeyAssignmentPair> CBasicProfiledata::GetKeyList() {
    keyList_ = KeyListOfNode(deviceNode_);
    return keyList_;
}

void CBasicProfiledata::SetKeyList(const std::vector<KeyAssignmentPair>& list) {
    keyList_ = list;
    StoreKeyList(MutableNode(), list);
}

bool CBasicProfiledata::Save() {
    return SaveNode(deviceNode_, profilePath_);
}

bool CBasicProfiledata::SaveNode(const Json::Value& node, const fs::path& path) {
    if (path.empty()) return false;
    std::optional<Json::Value> root = ReadForReplacing(path, [this](const Json::Value& tree) {
        return FitsDeviceNode(tree, deviceIndex_) &&
               StoredNodeFits(ProfileDeviceNode(tree, deviceIndex_));
    });
    if (!root) return false;
    json::MutableElement(json::MutableMember(*root, "Device"), deviceIndex_) = node;
    return WriteRoot(*root, path);
}

bool CBasicProfiledata::WriteRoot(const Json::Value& root, const fs::path& path) {
    return WriteJsonFile(path, root) == 0;
}

}  // namespace kelno
