#include "profiles/headset_profile_data.h"

#include <algorithm>

#include "core/json_access.h"
#include "core/text_codec.h"

namespace kelno {
namespace {

constexpr const char* kSystemKeys[8] = {"MagicEnable", "MagicType",  "EqType",
                                        "CustomEqSeletIndex", "MicInSelect", "MicInValue",
                                        "MicMoniterSelect",   "MicMoniterValue"};

constexpr const char* kPresetCurves = "EQHzValueInfo";
constexpr const char* kCustomCurves = "CustomEQHzValueInfo";
constexpr const char* kCustomNames = "CustomEQNameInfo";

bool AllOf(const Json::Value& array, bool (*fits)(const Json::Value&)) {
    return std::all_of(array.begin(), array.end(), fits);
}

bool IsNullOr(const Json::Value& value, bool (*fits)(const Json::Value&)) {
    return value.isNull() || fits(value);
}

bool IsNameList(const Json::Value& names) {
    return names.isArray() &&
           names.size() <= static_cast<Json::ArrayIndex>(CHs6533Profiledata::kMaxCustomCurves) &&
           AllOf(names, [](const Json::Value& entry) { return entry.isObject(); });
}

bool IsCurve(const Json::Value& curve) {
    return curve.isArray() &&
           AllOf(curve, [](const Json::Value& band) { return band.isNull() || band.isObject(); });
}

bool IsCurveList(const Json::Value& curves) {
    return curves.isArray() &&
           AllOf(curves, [](const Json::Value& curve) { return IsNullOr(curve, IsCurve); });
}

}  // namespace

bool CHs6533Profiledata::StoredNodeFits(const Json::Value& node) const {
    return IsNullOr(json::Member(node, kCustomNames), IsNameList) &&
           IsNullOr(json::Member(node, kCustomCurves), IsCurveList);
}

void CHs6533Profiledata::DropUnusableCustomNames() {
    const Json::Value& names = json::Member(DeviceNode(), kCustomNames);
    if (IsNullOr(names, IsNameList)) return;
    const Json::Value& curves = json::Member(DeviceNode(), kCustomCurves);
    Json::Value keptNames(Json::arrayValue);
    Json::Value keptCurves(Json::arrayValue);
    const Json::ArrayIndex count = names.isArray() ? names.size() : 0;
    const auto limit = static_cast<Json::ArrayIndex>(kMaxCustomCurves);
    for (Json::ArrayIndex i = 0; i < count && keptNames.size() < limit; ++i) {
        if (!names[i].isObject()) continue;
        keptNames.append(names[i]);
        keptCurves.append(json::Element(curves, i));
    }
    Json::Value& node = MutableNode();
    node[kCustomNames] = std::move(keptNames);
    node[kCustomCurves] = std::move(keptCurves);
}

int CHs6533Profiledata::PresetSlot(int eqType) {
    if (eqType == kCustomEqType) return -1;
    if (eqType >= 1 && eqType <= 12) return eqType;
    return 1;
}

HeadsetSystemSettings CHs6533Profiledata::GetSystemSet() {
    const Json::Value& stages = json::Member(DeviceNode(), "SystemSetStages");
    HeadsetSystemSettings settings;
    for (size_t i = 0; i < settings.values.size(); ++i)
        settings.values[i] = json::ReadInt(stages, kSystemKeys[i]);
    systemSettings_ = settings;
    return settings;
}

void CHs6533Profiledata::SetSystemSet(const HeadsetSystemSettings& settings) {
    systemSettings_ = settings;
    Json::Value& stages = json::MutableMember(MutableNode(), "SystemSetStages");
    for (size_t i = 0; i < settings.values.size(); ++i)
        json::MutableMember(stages, kSystemKeys[i]) = settings.values[i];
}

std::vector<int> CHs6533Profiledata::ReadCurve(const char* key, int slot) {
    const Json::Value& curve = json::Element(json::Member(DeviceNode(), key), slot);
    if (curve.isNull()) {
        // A curve the profile lacks is stored as ten zero bands, so the next
        // save writes a complete curve.
        WriteCurve(key, slot, std::vector<int>(kBandCount, 0));
        return std::vector<int>(kBandCount, 0);
    }
    std::vector<int> values;
    for (int band = 0; band < kBandCount; ++band)
        values.push_back(json::ReadInt(json::Element(curve, band), "value"));
    return values;
}

void CHs6533Profiledata::WriteCurve(const char* key, int slot, const std::vector<int>& values) {
    if (values.size() < static_cast<size_t>(kBandCount)) return;
    Json::Value& curve = json::MutableElement(json::MutableMember(MutableNode(), key),
                                              static_cast<Json::ArrayIndex>(slot));
    for (int band = 0; band < kBandCount; ++band) {
        json::MutableMember(json::MutableElement(curve, static_cast<Json::ArrayIndex>(band)), "value") =
            values[static_cast<size_t>(band)];
    }
}

std::vector<int> CHs6533Profiledata::GetEqValues(int eqType) {
    const int slot = PresetSlot(eqType);
    if (slot < 0) return {};
    return ReadCurve(kPresetCurves, slot);
}

void CHs6533Profiledata::SetEqValues(int eqType, const std::vector<int>& values) {
    const int slot = PresetSlot(eqType);
    if (slot >= 0) WriteCurve(kPresetCurves, slot, values);
}

std::vector<std::string> CHs6533Profiledata::GetCustomEqNames() {
    DropUnusableCustomNames();
    std::vector<std::string> names;
    const Json::Value& list = json::Member(DeviceNode(), kCustomNames);
    const int count = json::ReadArraySize(DeviceNode(), kCustomNames, kMaxCustomCurves);
    for (int i = 0; i < count; ++i)
        names.push_back(ToWideText(json::ReadString(json::Element(list, i), "Name")));
    return names;
}

void CHs6533Profiledata::SetCustomEqNames(const std::vector<std::string>& names) {
    Json::Value list(Json::arrayValue);
    for (size_t i = 0; i < names.size() && i < static_cast<size_t>(kMaxCustomCurves); ++i) {
        Json::Value entry(Json::objectValue);
        entry["Name"] = ToNarrowText(names[i]);
        list.append(entry);
    }
    MutableNode()[kCustomNames] = list;
}

std::vector<int> CHs6533Profiledata::GetCustomEqValues(int index) {
    if (index < 0 || index >= kMaxCustomCurves) return {};
    return ReadCurve(kCustomCurves, index);
}

void CHs6533Profiledata::SetCustomEqValues(int index, const std::vector<int>& values) {
    if (index < 0 || index >= kMaxCustomCurves) return;
    WriteCurve(kCustomCurves, index, values);
}

bool CHs6533Profiledata::RemoveCustomEq(int index) {
    const int count = json::ReadArraySize(DeviceNode(), kCustomNames, kMaxCustomCurves);
    if (index < 0 || index >= count) return false;
    Json::Value removed;
    json::MutableMember(MutableNode(), kCustomNames)
        .removeIndex(static_cast<Json::ArrayIndex>(index), &removed);
    Json::Value& curves = json::MutableMember(MutableNode(), kCustomCurves);
    if (curves.isArray() && static_cast<Json::ArrayIndex>(index) < curves.size())
        curves.removeIndex(static_cast<Json::ArrayIndex>(index), &removed);
    return true;
}

}  // namespace kelno
