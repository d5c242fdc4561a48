#pragma once
// DeviceLink: one device's connection, apart from any window. It owns the
// two HID interfaces of a device: the vendor interface (Command(), every
// command) and the consumer-control interface (Notify(), read by the
// notification thread), the device worker that runs transactions one after
// another, and the power reading and wireless link probe built on them.
//
// Threads: the owner's thread (the UI thread in the window, the caller's
// thread in a tool) opens and closes the interfaces and posts work. The
// device worker runs `io` of RunOnDevice; its result comes back through the
// poster to the owner's thread. The notification thread blocks in a read of
// Notify() and hands each usage to the handler on that thread: the handler
// must post, never touch the owner's state.

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "core/serial_worker.h"
#include "core/steady_time.h"
#include "core/worker_thread.h"
#include "devices/hid/command_channel.h"

namespace kelno {

// Runs a task on the owner's thread later; false when it could not be
// queued (the owner is going away). Any thread may call it.
using UiTaskPoster = std::function<bool(std::function<void()>)>;

// Notification usages of the consumer-control interface.
inline constexpr uint16_t kNotifySyncRequest = 0x401;
inline constexpr uint16_t kNotifyCounter = 0x404;

// What becomes of a result whose device went away (or was opened anew)
// while the transactions ran.
enum class StaleResult {
    Drop,    // nothing: the owner no longer wants it
    Deliver  // as it is: the owner settles what it waited for
};

class DeviceLink {
  public:
    static constexpr std::chrono::milliseconds kStopBound{1000};
    static constexpr size_t kPowerStatusSize = 6;

    // The power status and what a reading got: byte 0 the level in percent,
    // byte 1 the charging state, byte 3 1 when wireless, byte 4 the level
    // the main window shows.
    struct PowerReading {
        int result = 0;
        std::array<uint8_t, kPowerStatusSize> status{};
    };

    // `backend` is the HID backend both interfaces open on (null: none; they
    // then fail to open); `time` the clock their time-outs are spent on.
    explicit DeviceLink(std::shared_ptr<hid::HidBackend> backend,
                        SteadyTime& time = SystemSteadyTime());
    // Shuts down (see Shutdown) and closes both interfaces.
    ~DeviceLink();
    DeviceLink(const DeviceLink&) = delete;
    DeviceLink& operator=(const DeviceLink&) = delete;

    CHidCommandChannel& Command() { return *command_; }
    const CHidCommandChannel& Command() const { return *command_; }
    CHidCommandChannel& Notify() { return *notify_; }

    // Where results go; unset, RunOnDevice queues nothing (a tool then runs
    // its transactions at once).
    void SetPoster(UiTaskPoster poster) { poster_ = std::move(poster); }
    bool HasPoster() const { return static_cast<bool>(poster_); }

    // --- the interfaces ---------------------------------------------------------
    bool OpenCommand(const std::string& path, bool wireless);
    void CloseCommand() { command_->CloseInterface(); }
    // The consumer-control interface appeared: open Notify() on it and start
    // the notification thread, which hands each usage to `onUsage`. False
    // when it cannot be opened.
    bool AttachNotifyPath(const std::string& path, std::function<void(uint16_t)> onUsage);
    // It disappeared: stop the thread (cancel its read, bounded join) and
    // close it.
    void DetachNotifyPath();
    bool HasNotifyPath() const { return notifyAttached_; }
    bool IsNotifyThreadRunning() const { return notifyThread_.IsRunning(); }

    // --- the device worker ------------------------------------------------------
    // Runs `io` on the device worker, in order with every other call, then
    // `apply(result)` on the owner's thread while the link lives and its
    // command interface is still the one opened when the call was made (a
    // result of a device that went away meanwhile is dropped, unless
    // `stale` says to deliver it). `io` may touch the interfaces and its own
    // data only. False when nothing was queued (no poster, or stopping).
    template <typename Io, typename Apply>
    bool RunOnDevice(Io io, Apply apply, StaleResult stale = StaleResult::Drop);
    // Runs `task` on the owner's thread while the link lives.
    bool PostToOwner(std::function<void()> task);
    bool WaitForWork(std::chrono::milliseconds bound) { return worker_.WaitIdle(bound); }
    bool IsWorkDone() const { return worker_.IsIdle(); }
    // Stops the device worker and the notification thread (bounded). True
    // when both ended.
    bool StopWorkerAndNotify();
    // Drops every later result and stops: the owner is going away.
    void Shutdown();

    // --- what the link reads --------------------------------------------------------
    // Whether the device answers: a wireless device's receiver is asked, since
    // a sleeping device takes every command without acting on it. True for a
    // wired device. Transactions only (device worker or a tool's thread).
    bool LinkUp();
    // Transactions only.
    PowerReading ReadPower();
    // A power reading on the device worker, its result to `show` on the
    // owner's thread. At most one is queued or running: a device that times
    // out takes longer per reading than a poll's period, and queued readings
    // would hold every write the user makes behind them.
    void PollPower(std::function<void(const PowerReading&)> show);

  private:
    void NotificationLoop(const std::stop_token& token);
    static void DropStaleResult();

    std::unique_ptr<CHidCommandChannel> command_;
    std::unique_ptr<CHidCommandChannel> notify_;
    UiTaskPoster poster_;
    // Posted tasks hold a weak reference and do nothing once the link is gone.
    std::shared_ptr<DeviceLink*> alive_;
    bool notifyAttached_ = false;
    std::function<void(uint16_t)> onUsage_;
    std::atomic<bool> powerReadQueued_{false};
    WorkerThread notifyThread_{"device-notify"};
    SerialWorker worker_{"device-commands"};
};

template <typename Io, typename Apply>
bool DeviceLink::RunOnDevice(Io io, Apply apply, StaleResult stale) {
    if (!poster_) return false;
    std::weak_ptr<DeviceLink*> alive = alive_;
    const uint64_t opening = command_->Openings();
    return worker_.Post([this, io = std::move(io), apply = std::move(apply), poster = poster_,
                         alive, opening, stale](const std::stop_token&) mutable {
        auto result = io();
        poster([this, alive, opening, stale, apply, result = std::move(result)]() mutable {
            if (!alive.lock()) return;
            const bool current = command_->IsOpen() && command_->Openings() == opening;
            if (current || stale == StaleResult::Deliver)
                apply(std::move(result));
            else
                DropStaleResult();
        });
    });
}

}  // namespace kelno
