#pragma once
// KeyboardModel: the keyboard's settings as typed state over its profile,
// on the one commit path of SettingsModel: the whole 25-byte block of
// profile 0 is written, and stored only when the keyboard took it. The LED
// status byte takes the same path with a one-byte write of its own.

#include <array>
#include <cstdint>
#include <filesystem>

#include "devices/model/settings_model.h"
#include "devices/models/keyboard_wire.h"
#include "profiles/keyboard_profile_data.h"
#include "profiles/profile_records.h"

namespace kelno {

namespace keyboard {
// The system settings the profile keeps beside the lighting.
enum SystemSetting : int {
    kRepeatRate = 0,
    kRepeatDelay = 1,
    kSixKeyFlag = 2,
    kPollingRate = 3,
    kWFlag = 4,
    kWinLockFlag = 5,
};
inline constexpr int kPollingRates = 4;
inline constexpr int kRepeatDelays = 4;
}  // namespace keyboard

struct KeyboardState {
    LightSetting light;
    std::array<uint16_t, 6> system{};  // by keyboard::SystemSetting

    bool operator==(const KeyboardState&) const = default;
};

class KeyboardModel final : public SettingsModel<KeyboardState> {
  public:
    explicit KeyboardModel(DeviceLink& link) : SettingsModel(link) {}

    CKeyboardProfiledata& Profile() { return profile_; }
    const CKeyboardProfiledata& Profile() const { return profile_; }

    // The profile as loaded becomes the state (nothing is written); the
    // changes on their way carry over only when it is the same profile.
    void TakeProfile();
    // The LED status (0 lights the keyboard, 1 darkens it) through the
    // commit path, written as its one byte.
    int SetLedStatus(bool dark, CommitDone done = {});

    static keyboard::KeyboardSettings SettingsOf(const KeyboardState& state);
    // The block for a state as the keyboard takes it (profile 0).
    static std::array<uint8_t, keyboard::kSettingsBlockSize> BlockOf(const KeyboardState& state);

  private:
    // Flags are 0 or 1, the polling rate and repeat delay among the
    // keyboard's.
    void Clamp(KeyboardState& state) const override;
    std::function<int()> WriteOf(const KeyboardState& state) override;
    void StoreInProfile(const KeyboardState& state) override;
    bool Save() override;

    CKeyboardProfiledata profile_;
    std::filesystem::path takenPath_;  // of the profile last taken
};

}  // namespace kelno
