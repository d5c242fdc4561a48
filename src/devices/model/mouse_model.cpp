#include "devices/model/mouse_model.h"

#include <algorithm>

#include "core/debug_output.h"
#include "devices/hid/command_report.h"

namespace kelno {
namespace {

uint16_t Low(uint32_t word) {
    return static_cast<uint16_t>(word & 0xFFFF);
}
uint16_t High(uint32_t word) {
    return static_cast<uint16_t>(word >> 16);
}

MouseSystemSettings PackSystem(const std::array<uint16_t, 6>& values) {
    MouseSystemSettings system;
    for (size_t i = 0; i < system.words.size(); ++i)
        system.words[i] = uint32_t{values[2 * i]} | uint32_t{values[2 * i + 1]} << 16;
    return system;
}

std::array<uint16_t, 6> UnpackSystem(const MouseSystemSettings& system) {
    std::array<uint16_t, 6> values{};
    for (size_t i = 0; i < values.size(); ++i) {
        const uint32_t word = system.words[i / 2];
        values[i] = i % 2 == 0 ? Low(word) : High(word);
    }
    return values;
}

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

MouseModel::MouseModel(DeviceLink& link) : link_(link) {}

void MouseModel::SetScreenSize(int width, int height) {
    screenWidth_ = std::clamp(width, 0, 0xFFFF);
    screenHeight_ = std::clamp(height, 0, 0xFFFF);
}

void MouseModel::TakeProfile() {
    MouseState state;
    state.light = profile_.GetLightSetting();
    state.stages = profile_.GetDpiStages();
    state.activeStage = profile_.GetActiveStage();
    state.system = UnpackSystem(profile_.GetSystemStages());
    stored_ = state;
    Show(state);
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

std::array<uint8_t, mouse::kSettingsWriteSize> MouseModel::BlockOf(const MouseState& state) {
    const LightSetting& light = state.light;
    mouse::MouseSettings s;
    s.mode = light[LightSetting::kMode];
    s.brightness = light[LightSetting::kBrightness];
    s.speed = light[LightSetting::kSpeed];
    s.effectOption = light[LightSetting::kDirection];
    s.multiColour = light[LightSetting::kMultiColor];
    s.red = light[LightSetting::kRed];
    s.green = light[LightSetting::kGreen];
    s.blue = light[LightSetting::kBlue];
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

int MouseModel::Write(const MouseState& state, std::function<void(int)> ended) {
    if (!link_.Command().IsOpen()) {
        ended(kChannelNoAnswer);
        return kChannelNoAnswer;
    }
    const auto block = BlockOf(state);
    DeviceLink& link = link_;
    // A mouse that went away while its block was on the way still ends the
    // change: the state shown goes back to what is stored.
    if (link_.RunOnDevice([&link, block] { return WriteBlockTransactions(link, block); },
                          [ended](int result) { ended(result); }, StaleResult::Deliver))
        return kChannelOk;
    const int result = WriteBlockTransactions(link_, block);
    ended(result);
    return result;
}

void MouseModel::Apply(const Edit& edit, Done done) {
    MouseState wanted = shown_;
    edit(wanted);
    Clamp(wanted);
    const bool anyStageOn = std::any_of(wanted.stages.begin(), wanted.stages.end(),
                                        [](const DpiStage& s) { return s.enabled != 0; });
    if (!anyStageOn && !wanted.stages.empty()) {
        // The mouse needs a stage to be in: the change is not taken.
        Show(shown_);
        if (done) done(CommitResult::Refused);
        return;
    }
    Show(wanted);
    ++writesUnderWay_;
    Write(wanted, [this, wanted, done](int result) {
        --writesUnderWay_;
        CommitResult outcome = CommitResult::Refused;
        if (result == kChannelOk) {
            const MouseState before = stored_;
            Store(wanted);
            if (profile_.GetProfilePath().empty() || profile_.Save()) {
                outcome = CommitResult::Stored;
            } else {
                // The file keeps the old state: so does the mouse.
                DebugOutput("mouse settings not saved: the mouse is given the stored ones back");
                Store(before);
                SendStored();
                outcome = CommitResult::NotSaved;
            }
        }
        WriteEnded(result);
        if (done) done(outcome);
    });
}

void MouseModel::TakeFromDevice(const Edit& edit) {
    MouseState state = stored_;
    edit(state);
    Clamp(state);
    Store(state);
    profile_.Save();
    Show(state);
}

int MouseModel::SendStored() {
    ++writesUnderWay_;
    return Write(stored_, [this](int result) {
        --writesUnderWay_;
        WriteEnded(result);
    });
}

void MouseModel::WriteEnded(int result) {
    if (writeListener_) writeListener_(result);
    // While another write is on its way it decides: each block is whole.
    if (writesUnderWay_ == 0 && !(shown_ == stored_)) Show(stored_);
}

void MouseModel::Store(const MouseState& state) {
    stored_ = state;
    profile_.SetLightSetting(state.light.Word(0), state.light.Word(1), state.light.Word(2));
    profile_.SetDpiStages(state.stages);
    profile_.SetActiveStage(state.activeStage);
    profile_.SetSystemStages(PackSystem(state.system));
}

void MouseModel::Show(const MouseState& state) {
    shown_ = state;
    if (stateListener_) stateListener_(shown_);
}

}  // namespace kelno
