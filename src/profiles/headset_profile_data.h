#pragma once
// The headset's profile: voice changer, equaliser and microphone settings,
// the preset equaliser curves and the user's named custom curves.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "profiles/basic_profile_data.h"

namespace kelno {

// In the order of the "SystemSetStages" keys.
struct HeadsetSystemSettings {
    enum Index : size_t {
        kMagicEnable,
        kMagicType,
        kEqType,
        kCustomEqIndex,
        kMicInSelect,
        kMicInValue,
        kMicMonitorSelect,
        kMicMonitorValue,
    };
    std::array<int32_t, 8> values{};
    bool operator==(const HeadsetSystemSettings&) const = default;
};

class CHs6533Profiledata : public CBasicProfiledata {
public:
    static constexpr int kBandCount = 10;
    static constexpr int kCustomEqType = 13;
    static constexpr int kMaxCustomCurves = 20;

    // The preset slot of an equaliser type in "EQHzValueInfo": types 1-12
    // their own, 0 and anything above 13 (or below 0) slot 1; -1 for the
    // custom type 13, which has no slot.
    static int PresetSlot(int eqType);

    HeadsetSystemSettings GetSystemSet();
    void SetSystemSet(const HeadsetSystemSettings& settings);

    // Ten band values of a preset (empty for the custom type). A preset the
    // profile lacks reads as ten zeros and is added to the node with them.
    std::vector<int> GetEqValues(int eqType);
    void SetEqValues(int eqType, const std::vector<int>& values);

    // The names of the custom curves. A list that is not an array, entries
    // that are not objects and entries beyond kMaxCustomCurves are dropped
    // from the node with their curves first, so junk takes no place and
    // each name keeps its own curve; the next save keeps the file as its
    // backup (see StoredNodeFits).
    std::vector<std::string> GetCustomEqNames();
    void SetCustomEqNames(const std::vector<std::string>& names);
    // Custom curve `index` (0 to 19); empty / ignored outside that range.
    std::vector<int> GetCustomEqValues(int index);
    void SetCustomEqValues(int index, const std::vector<int>& values);
    // Removes custom curve `index`, name and gains together, so the later
    // names keep their own curves. False outside the names.
    bool RemoveCustomEq(int index);

protected:
    // The custom curve lists as this class writes them: names an array of
    // at most kMaxCustomCurves objects, curves an array of arrays of band
    // objects (missing ones allowed). Anything else would be lost unseen.
    bool StoredNodeFits(const Json::Value& node) const override;

private:
    void DropUnusableCustomNames();
    std::vector<int> ReadCurve(const char* key, int slot);
    void WriteCurve(const char* key, int slot, const std::vector<int>& values);

    HeadsetSystemSettings systemSettings_;
};

}  // namespace kelno
