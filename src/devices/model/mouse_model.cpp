#include "devices/model/mouse_model.h"

#include <algorithm>

#include "devices/hid/command_report.h"
#include "devices/model/half_words.h"
#include "devices/model/light_fields.h"

namespace kelno {
namespace {

// One START ... FINISH group writing the block of profile 0; a wireless
// mouse whose link is down is sent nothing but the probe.
int WriteBlockTransactions(DeviceLink& link,
                           const std::array<uint8_t, mouse::kSettingsWriteSize>& block) {
    CHidCommandChannel& channel = link.Command();
    const auto group = channel.LockGroup();
    if (!link.LinkUp()) return kChannelNoAnswer;
    channel.SendStart();
    if (!link.LinkUp()) {
        channel.SendFinish();
        return kChannelNoAnswer;
    }
    const int result = channel.WriteMemory(block, 0);
    channel.SendFinish();
    return result;
}

}  // namespace

void MouseModel::SetScreenSize(int width, int height) {
    screenWidth_ = std::clamp(width, 0, 0xFFFF);
    screenHeight_ = std::clamp(height, 0, 0xFFFF);
}

void MouseModel::TakeProfile() {
    MouseState state;
    state.light = profile_.GetLightSetting();
    state.stages = profile_.GetDpiStages();
    state.activeStage = profile_.GetActiveStage();
    state.system = UnpackHalfWords(profile_.GetSystemStages().words);
    const bool sameProfile = profile_.GetProfilePath() == takenPath_;
    takenPath_ = profile_.GetProfilePath();
    TakeState(state, sameProfile);
}

void MouseModel::Clamp(MouseState& state) const {
    if (range_.steps > 0)
        for (DpiStage& stage : state.stages) {
            stage.dpiX = static_cast<uint16_t>(std::min<int>(stage.dpiX, range_.steps));
            stage.dpiY = static_cast<uint16_t>(std::min<int>(stage.dpiY, range_.steps));
        }
    const int stageCount = static_cast<int>(state.stages.size());
    state.activeStage = stageCount == 0 ? 0 : std::clamp(state.activeStage, 0, stageCount - 1);
    if (state.system[mouse::kReportRate] >= mouse::kReportRates)
        state.system[mouse::kReportRate] = 0;
}

bool MouseModel::Accepts(const MouseState& state) const {
    return state.stages.empty() ||
           std::any_of(state.stages.begin(), state.stages.end(),
                       [](const DpiStage& s) { return s.enabled != 0; });
}

std::array<uint8_t, mouse::kSettingsWriteSize> MouseModel::BlockOf(const MouseState& state) {
    mouse::MouseSettings s;
    PutLight(state.light, s);
    s.reportRate = static_cast<uint8_t>(state.system[mouse::kReportRate]);
    s.currentStage = static_cast<uint8_t>(std::clamp(state.activeStage, 0, 255));
    s.stages = state.stages;
    s.flag = 1;
    s.screenWidth = static_cast<uint16_t>(screenWidth_);
    s.screenHeight = static_cast<uint16_t>(screenHeight_);
    const std::vector<CorrectInfoEntry> corrections = profile_.GetCorrectInfo();
    std::tie(s.minimumSquare, s.pixelThreshold) = mouse::SelectedCorrection(corrections);
    return mouse::BuildSettingsBlock(0, s);
}

std::function<int()> MouseModel::WriteOf(const MouseState& state) {
    DeviceLink& link = link_;
    return [&link, block = BlockOf(state)] { return WriteBlockTransactions(link, block); };
}

bool MouseModel::Save() {
    return profile_.GetProfilePath().empty() || profile_.Save();
}

void MouseModel::StoreInProfile(const MouseState& state) {
    profile_.SetLightSetting(state.light.Word(0), state.light.Word(1), state.light.Word(2));
    profile_.SetDpiStages(state.stages);
    profile_.SetActiveStage(state.activeStage);
    profile_.SetSystemStages(MouseSystemSettings{PackHalfWords(state.system)});
}

}  // namespace kelno
