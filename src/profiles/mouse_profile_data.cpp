#include "profiles/mouse_profile_data.h"

#include <algorithm>

#include "core/json_access.h"
#include "core/text_codec.h"

namespace kelno {
namespace {

uint8_t ByteOf(const Json::Value& object, const char* key) {
    return static_cast<uint8_t>(json::ReadInt64(object, key));
}

uint16_t WordOf(const Json::Value& object, const char* key) {
    return static_cast<uint16_t>(json::ReadInt64(object, key));
}

}  // namespace

std::array<uint8_t, 9> DpiStage::Pack() const {
    return {enabled,
            xyFlag,
            static_cast<uint8_t>(dpiX),
            static_cast<uint8_t>(dpiX >> 8),
            static_cast<uint8_t>(dpiY),
            static_cast<uint8_t>(dpiY >> 8),
            red,
            green,
            blue};
}

std::vector<DpiStage> CMouseProfiledata::GetDpiStages() {
    const Json::Value& dpi = json::Member(DeviceNode(), "DPIStages");
    dpiStages_.clear();
    if (!dpi.isNull()) {
        activeStage_ = std::clamp(json::ReadInt(dpi, "StageActive"), 0, kMaxDpiStages - 1);
        const int count = json::ReadArraySize(dpi, "StageDPIs", kMaxDpiStages);
        const Json::Value& stages = json::Member(dpi, "StageDPIs");
        for (int i = 0; i < count; ++i) {
            const Json::Value& stage = json::Element(stages, i);
            dpiStages_.push_back({ByteOf(stage, "StageActive"), ByteOf(stage, "StageXY"),
                                  WordOf(stage, "StageDPIX"), WordOf(stage, "StageDPIY"),
                                  ByteOf(stage, "StageColorR"), ByteOf(stage, "StageColorG"),
                                  ByteOf(stage, "StageColorB")});
        }
    }
    return dpiStages_;
}

void CMouseProfiledata::SetDpiStages(const std::vector<DpiStage>& stages) {
    dpiStages_ = stages;
    Json::Value& list = json::MutableMember(json::MutableMember(MutableNode(), "DPIStages"), "StageDPIs");
    const size_t count = std::min<size_t>(stages.size(), kMaxDpiStages);
    for (size_t i = 0; i < count; ++i) {
        const DpiStage& s = stages[i];
        Json::Value& stage = json::MutableElement(list, static_cast<Json::ArrayIndex>(i));
        json::MutableMember(stage, "StageActive") = s.enabled;
        json::MutableMember(stage, "StageColorB") = s.blue;
        json::MutableMember(stage, "StageColorG") = s.green;
        json::MutableMember(stage, "StageColorR") = s.red;
        json::MutableMember(stage, "StageXY") = s.xyFlag;
        json::MutableMember(stage, "StageDPIX") = s.dpiX;
        json::MutableMember(stage, "StageDPIY") = s.dpiY;
    }
}

void CMouseProfiledata::SetActiveStage(int stage) {
    activeStage_ = std::clamp(stage, 0, kMaxDpiStages - 1);
    json::MutableMember(json::MutableMember(MutableNode(), "DPIStages"), "StageActive") = activeStage_;
}

MouseSystemSettings CMouseProfiledata::GetSystemStages() {
    const Json::Value& stages = json::Member(DeviceNode(), "SystemStages");
    MouseSystemSettings settings;
    if (!stages.isNull()) {
        const Json::Value& report = json::Member(DeviceNode(), "ReportStages");
        settings.words[0] = WordOf(stages, "DoubleClickTime") | uint32_t{WordOf(stages, "MouseSpeed")} << 16;
        settings.words[1] = WordOf(stages, "PointerPrecision") | uint32_t{WordOf(stages, "ScorllPage")} << 16;
        settings.words[2] = WordOf(stages, "WheelScorlllinse") | uint32_t{WordOf(report, "StageActive")} << 16;
    }
    systemSettings_ = settings;
    return settings;
}

void CMouseProfiledata::SetSystemStages(const MouseSystemSettings& settings) {
    systemSettings_ = settings;
    Json::Value& stages = json::MutableMember(MutableNode(), "SystemStages");
    json::MutableMember(stages, "DoubleClickTime") = settings.words[0] & 0xFFFFu;
    json::MutableMember(stages, "MouseSpeed") = settings.words[0] >> 16;
    json::MutableMember(stages, "PointerPrecision") = settings.words[1] & 0xFFFFu;
    json::MutableMember(stages, "ScorllPage") = settings.words[1] >> 16;
    json::MutableMember(stages, "WheelScorlllinse") = settings.words[2] & 0xFFFFu;
    json::MutableMember(json::MutableMember(MutableNode(), "ReportStages"), "StageActive") =
        settings.words[2] >> 16;
}

std::vector<CorrectInfoEntry> CMouseProfiledata::GetCorrectInfo() {
    correctInfo_.clear();
    const Json::Value& list = json::Member(DeviceNode(), "CorrectInfo");
    const int count = json::ReadArraySize(DeviceNode(), "CorrectInfo", kMaxListEntries);
    for (int i = 0; i < count; ++i) {
        const Json::Value& entry = json::Element(list, i);
        correctInfo_.push_back({ByteOf(entry, "CorrectPixThresh"), ByteOf(entry, "CorrectMinSq"),
                                ByteOf(entry, "CorrectSelect"),
                                ToWideText(json::ReadString(entry, "CorrectName"))});
    }
    return correctInfo_;
}

}  // namespace kelno
