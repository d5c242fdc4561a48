#include "devices/model/keyboard_model.h"

#include <algorithm>

#include "devices/hid/command_report.h"
#include "devices/model/half_words.h"
#include "devices/model/light_fields.h"

namespace kelno {
namespace {

// The LED status byte's place in the keyboard's memory.
constexpr uint32_t kLedStatusAddress = 15;

// One START ... FINISH group writing `bytes` at `address`.
template <size_t N>
int WriteGroup(DeviceLink& link, const std::array<uint8_t, N>& bytes, uint32_t address) {
    CHidCommandChannel& channel = link.Command();
    const auto group = channel.LockGroup();
    channel.SendStart();
    const int result = channel.WriteMemory(bytes, address);
    channel.SendFinish();
    return result;
}

}  // namespace

void KeyboardModel::TakeProfile() {
    KeyboardState state;
    state.light = profile_.GetLightSetting();
    state.system = UnpackHalfWords(profile_.GetSystemStages().words);
    const bool sameProfile = profile_.GetProfilePath() == takenPath_;
    takenPath_ = profile_.GetProfilePath();
    TakeState(state, sameProfile);
}

void KeyboardModel::Clamp(KeyboardState& state) const {
    using namespace keyboard;
    for (int flag : {kSixKeyFlag, kWFlag, kWinLockFlag})
        state.system[flag] = state.system[flag] != 0 ? 1 : 0;
    if (state.system[kPollingRate] >= kPollingRates) state.system[kPollingRate] = 0;
    if (state.system[kRepeatDelay] >= kRepeatDelays) state.system[kRepeatDelay] = 0;
}

keyboard::KeyboardSettings KeyboardModel::SettingsOf(const KeyboardState& state) {
    keyboard::KeyboardSettings s;
    PutLight(state.light, s);
    s.ledStatus = state.light[LightSetting::kLedState];
    s.wFlag = static_cast<uint8_t>(state.system[keyboard::kWFlag]);
    s.sixKeyFlag = static_cast<uint8_t>(state.system[keyboard::kSixKeyFlag]);
    s.winLockFlag = static_cast<uint8_t>(state.system[keyboard::kWinLockFlag]);
    s.pollingRateIndex = static_cast<uint8_t>(state.system[keyboard::kPollingRate]);
    return s;
}

std::array<uint8_t, keyboard::kSettingsBlockSize> KeyboardModel::BlockOf(
    const KeyboardState& state) {
    return keyboard::BuildSettingsBlock(0, SettingsOf(state));
}

std::function<int()> KeyboardModel::WriteOf(const KeyboardState& state) {
    DeviceLink& link = link_;
    return [&link, block = BlockOf(state)] { return WriteGroup(link, block, 0); };
}

int KeyboardModel::SetLedStatus(bool dark, CommitDone done) {
    const uint8_t value = dark ? 1 : 0;
    DeviceLink& link = link_;
    return ApplyWith([value](KeyboardState& state) { state.light[LightSetting::kLedState] = value; },
              [&link, value](const KeyboardState&) -> std::function<int()> {
                  return [&link, value] {
                      return WriteGroup(link, std::array<uint8_t, 1>{value}, kLedStatusAddress);
                  };
              },
              std::move(done), false);
}

void KeyboardModel::StoreInProfile(const KeyboardState& state) {
    profile_.SetLightSetting(state.light.Word(0), state.light.Word(1), state.light.Word(2));
    profile_.SetSystemStages(KeyboardSystemSettings{PackHalfWords(state.system)});
}

bool KeyboardModel::Save() {
    return profile_.GetProfilePath().empty() || profile_.Save();
}

}  // namespace kelno
