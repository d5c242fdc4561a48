#include "devices/models/light_sync.h"

#include <algorithm>

#include "core/debug_output.h"
#include "devices/detect/catalogue.h"
#include "devices/models/usb_device.h"

namespace kelno {
namespace lightsync {
namespace {

struct ModeRow {
    int code;
    int keyboardMode;
    int otherMode;
};
constexpr ModeRow kModes[] = {
    {kBreathing, 6, 2}, {kSteady, 5, 3}, {kBlinking, 17, 4}, {kColourCycle, 1, 1}, {kOff, 23, 8},
};

bool IsKeyboard(int kind) {
    return kind == KindCode(DeviceKind::Keyboard);
}

// The lighting panel's maxima: the keyboard 24 and 5, the others 4 and 4.
int MaxBrightness(int kind) {
    return IsKeyboard(kind) ? kMaxBrightnessLevel : 4;
}
int MaxSpeed(int kind) {
    return IsKeyboard(kind) ? kMaxSpeed : 4;
}

constexpr std::chrono::milliseconds kShortestStep{10};

}  // namespace

std::optional<int> CommonCode(int kind, int mode) {
    for (const ModeRow& row : kModes)
        if ((IsKeyboard(kind) ? row.keyboardMode : row.otherMode) == mode) return row.code;
    return std::nullopt;
}

int KindMode(int kind, int code) {
    const ModeRow& row = kModes[static_cast<size_t>(std::clamp(code, 0, static_cast<int>(kOff)))];
    return IsKeyboard(kind) ? row.keyboardMode : row.otherMode;
}

LightSetting TargetSetting(const LightSetting& source, int targetKind, int code) {
    LightSetting target = source;
    target[LightSetting::kMode] = static_cast<uint8_t>(KindMode(targetKind, code));
    target[LightSetting::kBrightness] = static_cast<uint8_t>(
        std::min<int>(source[LightSetting::kBrightness], MaxBrightness(targetKind)));
    target[LightSetting::kSpeed] =
        static_cast<uint8_t>(std::min<int>(source[LightSetting::kSpeed], MaxSpeed(targetKind)));
    return target;
}

std::chrono::milliseconds StepInterval(int speed) {
    return std::max(std::chrono::milliseconds(BlinkPeriodForSpeed(speed)), kShortestStep);
}

SyncAnimation::SyncAnimation(int code, const LightSetting& source)
    : code_(std::clamp(code, 0, static_cast<int>(kOff))),
      brightness_(source[LightSetting::kBrightness]),
      speed_(source[LightSetting::kSpeed]),
      forward_(source[LightSetting::kDirection] != 0),
      multiColour_(source[LightSetting::kMultiColor] != 0),
      colour_{source[LightSetting::kRed], source[LightSetting::kGreen],
              source[LightSetting::kBlue]} {}

LedColour SyncAnimation::Step(Clock::time_point now) {
    const uint8_t level = LevelForBrightness(brightness_);
    const auto at = [](const Rgb& c, uint8_t l) { return LedColour{c.red, c.green, c.blue, l}; };
    switch (code_) {
        case kColourCycle:
            wheel_ = kelno::Step(true, kColourWheelSize, wheel_, 1);
            return at(kColourWheel[wheel_], level);
        case kBreathing: {
            phase_ = kelno::Step(forward_, kBreathingSteps, phase_, 1);
            Rgb colour = colour_;
            if (multiColour_) {
                if (phase_ < 2) breathingWheel_ = kelno::Step(true, kColourWheelSize, breathingWheel_, 16);
                colour = kColourWheel[breathingWheel_];
            }
            return at(colour, static_cast<uint8_t>(level * kBreathingCurve[phase_] / 256));
        }
        case kBlinking: {
            const auto period = std::chrono::milliseconds(100 * BlinkPeriodForSpeed(speed_));
            if (now - lastToggle_ >= period) {
                blinkOn_ = !blinkOn_;
                lastToggle_ = now;
                blinkWheel_ = kelno::Step(true, kColourWheelSize, blinkWheel_, 14);
            }
            if (!blinkOn_) return {};
            return at(multiColour_ ? kColourWheel[blinkWheel_] : colour_, level);
        }
        case kSteady:
            return at(colour_, level);
        default:
            return {};
    }
}

}  // namespace lightsync

LightSynchroniser::LightSynchroniser(std::vector<CZembravaUSBDevice*> devices)
    : devices_(std::move(devices)) {}

LightSynchroniser::~LightSynchroniser() {
    Stop();
}

void LightSynchroniser::Start() {
    thread_.Start([this](std::stop_token token) { Loop(token); });
}

bool LightSynchroniser::Stop(std::chrono::milliseconds bound) {
    {
        std::lock_guard lock(mutex_);
        woken_ = true;
    }
    thread_.RequestStop();
    wake_.notify_all();
    return thread_.StopAndJoin(bound);
}

void LightSynchroniser::Begin(int code, const LightSetting& source) {
    {
        std::lock_guard lock(mutex_);
        animation_.emplace(code, source);
        woken_ = true;
    }
    wake_.notify_all();
}

uint64_t LightSynchroniser::Steps() const {
    std::lock_guard lock(mutex_);
    return steps_;
}

bool LightSynchroniser::Apply(const LedColour& colour) {
    const uint32_t packed = PackLedEntry(colour);
    bool held = false;
    for (CZembravaUSBDevice* device : devices_) {
        CHidCommandChannel& channel = device->CommandChannel();
        if (!channel.IsOpen() || !channel.LightingHold()) continue;
        held = true;
        for (int led = 0; led < device->GetLedCount(); ++led) device->SetLedColour(led, packed);
    }
    return held;
}

void LightSynchroniser::Loop(const std::stop_token& token) {
    using Clock = lightsync::SyncAnimation::Clock;
    bool stepping = false;
    Clock::time_point due = Clock::now();
    while (!token.stop_requested()) {
        std::unique_lock lock(mutex_);
        const auto woken = [this] { return woken_; };
        // Nothing held: sleep until a synchronisation begins (or stop).
        if (!stepping || !animation_)
            wake_.wait(lock, token, woken);
        else
            wake_.wait_until(lock, token, due, woken);
        if (token.stop_requested()) break;
        woken_ = false;
        if (!animation_) continue;
        const auto now = Clock::now();
        const LedColour colour = animation_->Step(now);
        due = now + lightsync::StepInterval(animation_->Speed());
        ++steps_;
        const bool animates = animation_->Animates();
        lock.unlock();
        // The devices take their own locks; none is taken under ours. A
        // still effect is painted once; then the thread sleeps until woken.
        stepping = Apply(colour) && animates;
    }
    DebugOutput("同步灯光线程设定退出");
}

}  // namespace kelno
