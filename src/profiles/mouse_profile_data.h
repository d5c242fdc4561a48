#pragma once
// The mouse's profile: DPI stages, system and report-rate settings and the
// sensor correction entries, beside the common data.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "profiles/basic_profile_data.h"

namespace kelno {

// Nine packed bytes on the wire: enabled, XY flag, X (16-bit LE), Y (16-bit
// LE), red, green, blue.
struct DpiStage {
    uint8_t enabled = 0;
    uint8_t xyFlag = 0;
    uint16_t dpiX = 0;
    uint16_t dpiY = 0;
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;

    std::array<uint8_t, 9> Pack() const;
    bool operator==(const DpiStage&) const = default;
};

// "DoubleClickTime" | "MouseSpeed" << 16, "PointerPrecision" | "ScorllPage" << 16,
// "WheelScorlllinse" | "ReportStages"."StageActive" << 16.
struct MouseSystemSettings {
    std::array<uint32_t, 3> words{};
    bool operator==(const MouseSystemSettings&) const = default;
};

struct CorrectInfoEntry {
    uint8_t pixelThreshold = 0;
    uint8_t minimumSquare = 0;
    uint8_t selection = 0;
    std::string name;
    bool operator==(const CorrectInfoEntry&) const = default;
};

class CMouseProfiledata : public CBasicProfiledata {
public:
    static constexpr int kMaxDpiStages = 16;

    // The stages of the current profile. (Stages of a previously loaded
    // profile are not carried over: a profile with fewer stages shows only
    // its own.)
    std::vector<DpiStage> GetDpiStages();
    void SetDpiStages(const std::vector<DpiStage>& stages);
    int GetActiveStage() const { return activeStage_; }
    void SetActiveStage(int stage);

    MouseSystemSettings GetSystemStages();
    void SetSystemStages(const MouseSystemSettings& settings);

    std::vector<CorrectInfoEntry> GetCorrectInfo();

private:
    std::vector<DpiStage> dpiStages_;
    int activeStage_ = 0;
    MouseSystemSettings systemSettings_;
    std::vector<CorrectInfoEntry> correctInfo_;
};

}  // namespace kelno
