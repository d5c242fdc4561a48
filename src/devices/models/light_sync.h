#pragma once
// Same-mode lighting synchronisation: the effect of one device copied to
// every connected device, each in its own kind's mode number, and one
// thread that animates every device held for it in lock-step (the devices'
// own effects pause while they are held; their frames keep flowing).
// Five effects can be shared: breathing, steady colour, blinking, colour
// cycle and off.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

#include "core/worker_thread.h"
#include "devices/models/software_lighting.h"
#include "profiles/profile_records.h"

namespace kelno {

class CZembravaUSBDevice;

namespace lightsync {

enum Code : int { kBreathing = 0, kSteady = 1, kBlinking = 2, kColourCycle = 3, kOff = 4 };

// The common code of a kind's mode (kind 1 the keyboard, the other kinds
// one table); nothing for a mode that cannot be shared.
std::optional<int> CommonCode(int kind, int mode);
// The kind's mode number of a common code.
int KindMode(int kind, int code);
// What a target stores: the source's setting with the target's mode, and
// brightness and speed within the target's maxima.
LightSetting TargetSetting(const LightSetting& source, int targetKind, int code);

// The shared animation: one step at a time, from one setting.
class SyncAnimation {
  public:
    using Clock = std::chrono::steady_clock;
    SyncAnimation(int code, const LightSetting& source);
    int Code() const { return code_; }
    int Speed() const { return speed_; }
    // Steady colour and off look the same at every step.
    bool Animates() const { return code_ != kSteady && code_ != kOff; }
    // The colour every synchronised LED takes after one step at `now`.
    LedColour Step(Clock::time_point now);

  private:
    int code_;
    int brightness_;
    int speed_;
    bool forward_;
    bool multiColour_;
    Rgb colour_;
    uint8_t wheel_ = 0;
    uint8_t phase_ = 0;
    uint8_t breathingWheel_ = 0;
    bool blinkOn_ = false;
    uint8_t blinkWheel_ = 0;
    Clock::time_point lastToggle_{};
};

// Time between two steps at `speed`: T[speed] milliseconds, at least 10.
std::chrono::milliseconds StepInterval(int speed);

}  // namespace lightsync

// The synchronisation thread of the main window. The device pages must
// outlive it (the window stops it before its pages).
class LightSynchroniser {
  public:
    explicit LightSynchroniser(std::vector<CZembravaUSBDevice*> devices);
    ~LightSynchroniser();
    LightSynchroniser(const LightSynchroniser&) = delete;
    LightSynchroniser& operator=(const LightSynchroniser&) = delete;

    void Start();
    // Ends the thread at once (bounded join); true when it ended.
    bool Stop(std::chrono::milliseconds bound = std::chrono::milliseconds(1000));
    // A synchronisation begins (UI thread): the animation starts from this
    // setting and the thread wakes.
    void Begin(int code, const LightSetting& source);
    // Steps taken so far (for tests and reports).
    uint64_t Steps() const;

  private:
    void Loop(const std::stop_token& token);
    // Every LED of every held, connected device takes `colour`; false when
    // no device is held.
    bool Apply(const LedColour& colour);

    std::vector<CZembravaUSBDevice*> devices_;
    mutable std::mutex mutex_;
    std::condition_variable_any wake_;
    std::optional<lightsync::SyncAnimation> animation_;  // under mutex_
    bool woken_ = false;
    uint64_t steps_ = 0;
    WorkerThread thread_{"light-sync"};
};

}  // namespace kelno
