#include "profiles/keyboard_profile_data.h"

#include <algorithm>

#include "core/json_access.h"

namespace kelno {
namespace {

constexpr const char* kSystemKeys[3][2] = {
    {"Repeat", "RepeatDelay"}, {"Key6Flag", "PollingRate"}, {"WFlag", "WinFlag"}};

uint32_t Low16(const Json::Value& object, const char* key) {
    return static_cast<uint32_t>(json::ReadInt64(object, key)) & 0xFFFFu;
}

bool IsValidGroup(int group) {
    return group >= 0 && group < CKeyboardProfiledata::kMaxCustomLightGroups;
}

Json::Value ColourObject(int value) {
    Json::Value colour(Json::objectValue);
    colour["Red"] = value;
    colour["Green"] = value;
    colour["Blue"] = value;
    colour["Alpha"] = value;
    return colour;
}

}  // namespace

KeyboardSystemSettings CKeyboardProfiledata::GetSystemStages() {
    const Json::Value& stages = json::Member(DeviceNode(), "SystemStages");
    KeyboardSystemSettings settings;
    if (!stages.isNull()) {
        for (size_t i = 0; i < 3; ++i)
            settings.words[i] = Low16(stages, kSystemKeys[i][0]) | Low16(stages, kSystemKeys[i][1]) << 16;
    }
    systemSettings_ = settings;
    return settings;
}

void CKeyboardProfiledata::SetSystemStages(const KeyboardSystemSettings& settings) {
    systemSettings_ = settings;
    Json::Value& stages = json::MutableMember(MutableNode(), "SystemStages");
    for (size_t i = 0; i < 3; ++i) {
        json::MutableMember(stages, kSystemKeys[i][0]) = settings.words[i] & 0xFFFFu;
        json::MutableMember(stages, kSystemKeys[i][1]) = settings.words[i] >> 16;
    }
}

std::vector<KeyColour> CKeyboardProfiledata::GetCustomLightColours(int group, int count) {
    keyColours_.clear();
    if (!IsValidGroup(group)) return keyColours_;
    count = std::clamp(count, 0, kMaxListEntries);
    Json::Value& groups = json::MutableMember(
        json::MutableMember(MutableNode(), "CustomLightMode"), "LightColorInfo");
    Json::Value& colours = json::MutableElement(groups, static_cast<Json::ArrayIndex>(group));
    const bool newGroup = !colours.isArray();
    if (newGroup) colours = Json::Value(Json::arrayValue);

    // A key with nothing stored is made dark and the lit-by-default keys
    // white; the caller sees zeros for it until the next read.
    const auto initialiseKey = [&](int key) {
        colours[static_cast<Json::ArrayIndex>(key)] = ColourObject(0);
        for (int lit : kLitByDefaultKeys) colours[static_cast<Json::ArrayIndex>(lit)] = ColourObject(255);
        keyColours_.push_back({});
    };
    for (int k = 0; k < count; ++k) {
        const Json::Value& stored = json::Element(colours, k);
        if (newGroup || stored.isNull()) {
            initialiseKey(k);
            continue;
        }
        keyColours_.push_back({static_cast<uint8_t>(json::ReadInt64(stored, "Red")),
                               static_cast<uint8_t>(json::ReadInt64(stored, "Green")),
                               static_cast<uint8_t>(json::ReadInt64(stored, "Blue")),
                               static_cast<uint8_t>(json::ReadInt64(stored, "Alpha"))});
    }
    return keyColours_;
}

void CKeyboardProfiledata::SetCustomLightColours(const std::vector<KeyColour>& colours, int group) {
    if (!IsValidGroup(group)) return;
    keyColours_ = colours;
    Json::Value& stored = json::MutableElement(
        json::MutableMember(json::MutableMember(MutableNode(), "CustomLightMode"), "LightColorInfo"),
        static_cast<Json::ArrayIndex>(group));
    const size_t count = std::min<size_t>(colours.size(), kMaxListEntries);
    for (size_t i = 0; i < count; ++i) {
        Json::Value& colour = json::MutableElement(stored, static_cast<Json::ArrayIndex>(i));
        json::MutableMember(colour, "Red") = colours[i].red;
        json::MutableMember(colour, "Green") = colours[i].green;
        json::MutableMember(colour, "Blue") = colours[i].blue;
        json::MutableMember(colour, "Alpha") = colours[i].alpha;
    }
}

int CKeyboardProfiledata::GetCustomLightGroup() {
    const int stored = json::ReadInt(json::Member(DeviceNode(), "CustomLightMode"),
                                     "CustomLightModeGroupIndex");
    group_ = IsValidGroup(stored) ? stored : 0;
    return group_;
}

void CKeyboardProfiledata::SetCustomLightGroup(int group) {
    if (!IsValidGroup(group)) return;
    group_ = group;
    json::MutableMember(json::MutableMember(MutableNode(), "CustomLightMode"),
                        "CustomLightModeGroupIndex") = group;
}

}  // namespace kelno
