#include "devices/models/software_lighting.h"

#include <algorithm>

namespace kelno {
namespace {

constexpr uint8_t kWheelStride = 16;

// Wheel position after a stride, wrapping at or above the wheel's end.
uint8_t NextWheelPosition(uint8_t position) {
    const int next = position + kWheelStride;
    return next >= kColourWheelSize ? 0 : static_cast<uint8_t>(next);
}

const Rgb& WheelColour(uint8_t position) { return kColourWheel[position % kColourWheelSize]; }

uint8_t LowerStep(uint8_t level, bool fine) {
    if (level & 0x80) return 40;
    if (level & 0x40) return 30;
    if (level & 0x20) return 10;
    if (level > 16) return 8;
    return fine ? 1 : 4;
}

uint8_t RaiseStep(uint8_t level, bool fine) {
    if (level & 0x80) return fine ? 6 : 40;
    if (level & 0x40) return fine ? 5 : 30;
    if (level & 0x20) return fine ? 4 : 10;
    if (level > 16) return fine ? 3 : 8;
    if (level > 8) return fine ? 2 : 4;
    return fine ? 1 : 4;
}

bool InKeyRange(int index) { return index >= 0 && index < SoftwareLighting::kKeyLevelCount; }

}  // namespace

SoftwareLighting::SoftwareLighting(int ledCount) { SetLedCount(ledCount); }

void SoftwareLighting::SetLedCount(int count) {
    std::lock_guard lock(mutex_);
    leds_.assign(static_cast<size_t>(std::max(count, 0)), LedColour{});
}

int SoftwareLighting::LedCount() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(leds_.size());
}

void SoftwareLighting::SetParameters(const EffectParameters& parameters) {
    std::lock_guard lock(mutex_);
    parameters_ = parameters;
}

EffectParameters SoftwareLighting::Parameters() const {
    std::lock_guard lock(mutex_);
    return parameters_;
}

void SoftwareLighting::SetLedColour(int index, LedColour colour) {
    std::lock_guard lock(mutex_);
    if (index >= 0 && index < static_cast<int>(leds_.size())) leds_[static_cast<size_t>(index)] = colour;
}

LedColour SoftwareLighting::GetLedColour(int index) const {
    std::lock_guard lock(mutex_);
    if (index < 0 || index >= static_cast<int>(leds_.size())) return {};
    return leds_[static_cast<size_t>(index)];
}

std::vector<LedColour> SoftwareLighting::LedColours() const {
    std::lock_guard lock(mutex_);
    return leds_;
}

void SoftwareLighting::SetLedColours(const std::vector<LedColour>& colours) {
    std::lock_guard lock(mutex_);
    std::copy_n(colours.begin(), std::min(colours.size(), leds_.size()), leds_.begin());
}

void SoftwareLighting::ResetAnimation() {
    std::lock_guard lock(mutex_);
    phase_ = 0;
    colourIndex_ = 0;
    blinkOn_ = false;
    lastToggle_ = {};
    keyLevels_.fill(0);
    ring_.fill(0);
    ringSpare_ = 0;
}

void SoftwareLighting::FillAll(Rgb colour, uint8_t level) {
    for (auto& led : leds_) led = {colour.red, colour.green, colour.blue, level};
}

void SoftwareLighting::Breathe() {
    std::lock_guard lock(mutex_);
    phase_ = Step(parameters_.forward, kBreathingSteps, phase_, 1);
    if (phase_ == 0) colourIndex_ = NextWheelPosition(colourIndex_);
    const Rgb colour = parameters_.multiColour ? WheelColour(colourIndex_) : parameters_.colour;
    FillAll(colour, static_cast<uint8_t>(kBreathingCurve[phase_ % kBreathingSteps] *
                                         LevelForBrightness(parameters_.brightness) / 256));
}

void SoftwareLighting::BreatheFourColours() {
    std::lock_guard lock(mutex_);
    phase_ = Step(parameters_.forward, kBreathingSteps, phase_, 1);
    if (phase_ == 0) colourIndex_ = static_cast<uint8_t>((colourIndex_ + 1) % kFourColours.size());
    FillAll(kFourColours[colourIndex_ % kFourColours.size()],
            static_cast<uint8_t>(kBreathingCurve[phase_ % kBreathingSteps] *
                                 LevelForBrightness(parameters_.brightness) / 256));
}

void SoftwareLighting::Static() {
    std::lock_guard lock(mutex_);
    FillAll(parameters_.colour, LevelForBrightness(parameters_.brightness));
}

void SoftwareLighting::ColourCycle() {
    std::lock_guard lock(mutex_);
    phase_ = Step(parameters_.forward, kColourWheelSize, phase_, 1);
    FillAll(WheelColour(phase_), LevelForBrightness(parameters_.brightness));
}

bool SoftwareLighting::BlinkToggleDue(Clock::time_point now) {
    const auto period = std::chrono::milliseconds(200) * BlinkPeriodForSpeed(parameters_.speed);
    if (now - lastToggle_ < period) return false;
    blinkOn_ = !blinkOn_;
    lastToggle_ = now;
    return true;
}

void SoftwareLighting::Blink(Clock::time_point now) {
    std::lock_guard lock(mutex_);
    if (BlinkToggleDue(now)) phase_ = NextWheelPosition(phase_);
    if (!blinkOn_) return FillAll({}, 0);
    FillAll(parameters_.multiColour ? WheelColour(phase_) : parameters_.colour,
            LevelForBrightness(parameters_.brightness));
}

void SoftwareLighting::BlinkFourColours(Clock::time_point now) {
    std::lock_guard lock(mutex_);
    if (BlinkToggleDue(now)) phase_ = static_cast<uint8_t>((phase_ + 1) % kFourColours.size());
    if (!blinkOn_) return FillAll({}, 0);
    FillAll(kFourColours[phase_ % kFourColours.size()], LevelForBrightness(parameters_.brightness));
}

void SoftwareLighting::Off() {
    std::lock_guard lock(mutex_);
    FillAll({}, 0);
}

std::vector<uint8_t> SoftwareLighting::Frame() const {
    std::lock_guard lock(mutex_);
    std::vector<uint8_t> frame;
    frame.reserve(leds_.size() * 3);
    for (const auto& led : leds_) {
        frame.push_back(static_cast<uint8_t>(led.red * led.level >> 8));
        frame.push_back(static_cast<uint8_t>(led.green * led.level >> 8));
        frame.push_back(static_cast<uint8_t>(led.blue * led.level >> 8));
    }
    return frame;
}

void SoftwareLighting::RaiseKeyLevel(int index, bool fine) {
    std::lock_guard lock(mutex_);
    if (!InKeyRange(index)) return;
    uint8_t& level = keyLevels_[static_cast<size_t>(index)];
    if (level == 0) return;
    level = static_cast<uint8_t>(std::min(255, level + RaiseStep(level, fine)));
}

void SoftwareLighting::LowerKeyLevel(int index, bool fine) {
    std::lock_guard lock(mutex_);
    if (!InKeyRange(index)) return;
    uint8_t& level = keyLevels_[static_cast<size_t>(index)];
    level = static_cast<uint8_t>(std::max(0, level - LowerStep(level, fine)));
}

uint8_t SoftwareLighting::KeyLevel(int index) const {
    std::lock_guard lock(mutex_);
    return InKeyRange(index) ? keyLevels_[static_cast<size_t>(index)] : 0;
}

void SoftwareLighting::SetKeyLevel(int index, uint8_t level) {
    std::lock_guard lock(mutex_);
    if (InKeyRange(index)) keyLevels_[static_cast<size_t>(index)] = level;
}

void SoftwareLighting::RotateRing(bool forward, int length) {
    std::lock_guard lock(mutex_);
    const auto end = ring_.begin() + std::clamp(length, 0, kRingSize);
    if (end == ring_.begin()) return;
    if (forward) {
        ringSpare_ = *(end - 1);
        std::rotate(ring_.begin(), end - 1, end);
    } else {
        ringSpare_ = ring_.front();
        std::rotate(ring_.begin(), ring_.begin() + 1, end);
    }
}

void SoftwareLighting::MarkRingKeys(int count) {
    std::lock_guard lock(mutex_);
    const int marked = std::clamp(count, 0, std::min(kRingSize, kKeyLevelCount));
    for (size_t i = 0; i < static_cast<size_t>(marked); ++i)
        if (ring_[i] != 0) keyLevels_[i] = 255;
}

void SoftwareLighting::ClearKeyLevels() {
    std::lock_guard lock(mutex_);
    keyLevels_.fill(0);
    ring_.fill(0);
}

void SoftwareLighting::RestartRing() {
    std::lock_guard lock(mutex_);
    keyLevels_.fill(0);
    ring_.fill(0);
    ring_[0] = 1;
}

uint8_t SoftwareLighting::RingEntry(int index) const {
    std::lock_guard lock(mutex_);
    return index >= 0 && index < kRingSize ? ring_[static_cast<size_t>(index)] : 0;
}

void SoftwareLighting::SetRingEntry(int index, uint8_t value) {
    std::lock_guard lock(mutex_);
    if (index >= 0 && index < kRingSize) ring_[static_cast<size_t>(index)] = value;
}

uint8_t SoftwareLighting::Phase() const {
    std::lock_guard lock(mutex_);
    return phase_;
}

uint8_t SoftwareLighting::ColourIndex() const {
    std::lock_guard lock(mutex_);
    return colourIndex_;
}

}  // namespace kelno
