#pragma once
// The command channel of one device: owns the device's vendor-defined
// interface, frames 64-byte command reports, serialises them, matches each
// answer to its request, splits long transfers into 56-byte chunks and turns
// the device's status byte into result codes (command_report.h).
//
// Locks: groupLock (a caller's START ... FINISH group) outermost, then
// commandLock (or lightLock for light frames), transferLock inside.
// transferLock is held across the write and the read of one transaction, so
// another writer of the interface (a light frame, another thread's command)
// can never take this request's answer, and across opening and closing the
// interface, so a transaction never runs on a record being reopened.
//
// Time: read time-outs are spent on the channel's SteadyTime (the system
// clock unless one is given). A time-out the backend reports moves a stepped
// clock on to the read's deadline, so a test reads the time-out's length off
// the clock; it does so under transferLock, so no lock that a wait on that
// clock uses may be held around a call into the channel.

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>

#include "core/steady_time.h"
#include "devices/hid/command_report.h"
#include "devices/hid/hid_device_record.h"

namespace kelno {

inline constexpr size_t kDeviceInfoSize = 34;
inline constexpr uint16_t kMaxDataSize = 512;

class CHidCommandChannel {
  public:
    // `time` must outlive the channel.
    explicit CHidCommandChannel(std::shared_ptr<hid::HidBackend> backend = nullptr,
                                SteadyTime& time = SystemSteadyTime());
    ~CHidCommandChannel();
    CHidCommandChannel(const CHidCommandChannel&) = delete;
    CHidCommandChannel& operator=(const CHidCommandChannel&) = delete;

    // --- Opening (device-list side) ---
    // Opens the record on `path` (read, write, overlapped, shared) under
    // transferLock and marks the channel open. False when the open failed;
    // Record().lastOpenStatus tells why.
    bool OpenInterface(const std::string& path, bool wireless = false);
    // Marks the channel closed, wakes a transaction waiting on the device,
    // then closes the record under transferLock.
    void CloseInterface();
    bool IsOpen() const { return open_; }
    // Counts successful opens: tells a result read before a close and a new
    // open from one read now.
    uint64_t Openings() const { return openings_; }
    void SetWireless(bool wireless) { wireless_ = wireless; }
    bool IsWireless() const { return wireless_; }
    // While held, another thread (same-mode synchronisation) sets the
    // device's LEDs. `listener` hears every change of the hold (set it once,
    // before the hold is used).
    void SetLightingHold(bool hold) {
        if (lightingHold_.exchange(hold) != hold && holdListener_) holdListener_();
    }
    void SetLightingHoldListener(std::function<void()> listener) {
        holdListener_ = std::move(listener);
    }
    bool LightingHold() const { return lightingHold_; }
    bool IsBusy() const { return busy_; }
    SteadyTime& Time() const { return time_; }
    HidDeviceRecord& Record() { return record_; }
    std::mutex& TransferLock() { return transferLock_; }
    // Held across a SendStart ... SendFinish group (and the data size it
    // sets), so the groups of two threads never interleave on the device.
    // Outermost of the channel's locks; a thread may take it again.
    [[nodiscard]] std::unique_lock<std::recursive_mutex> LockGroup() {
        return std::unique_lock(groupLock_);
    }

    uint16_t DataSize() const { return dataSize_; }
    // False (and no change) above 512.
    bool SetDataSize(uint16_t size);
    uint8_t ChunkSize() const { return kChunkSize; }

    // --- Transport ---
    // One full transaction: the request (zero-filled or cut to 64 bytes) is
    // written and an answer read; an answer that does not echo the command
    // code is read past once. 1 after an answer was read, 0 when not open or
    // no answer came, -1 when the write failed. `answer` receives the last
    // answer (zero-filled). Writes the "命令"/"返回" diagnostics.
    int Transact(std::span<const uint8_t> request, std::span<uint8_t> answer,
                 size_t* count = nullptr);
    // The same for light frames: no busy flag, no diagnostics, 1000 ms.
    int TransactLight(std::span<const uint8_t> request, std::span<uint8_t> answer,
                      size_t* count = nullptr);

    // --- Command set (result codes of command_report.h) ---
    int SendStart();
    int SendFinish();  // a 10 ms pause precedes the report
    int ReadInfo(std::span<uint8_t, kDeviceInfoSize> record);
    int ReadMemory(std::span<uint8_t> out, uint32_t start);
    int WriteMemory(std::span<const uint8_t> data, uint32_t start);
    // DataSize() bytes; a shorter buffer is refused (0).
    int ReadKeyMap(std::span<uint8_t> out);
    // DataSize() bytes of `data` (a shorter buffer is refused); page must be
    // 0, else -201 without sending.
    int WriteKeyMap(std::span<const uint8_t> data, int page);
    // One report of at most 56 bytes at `position`; longer is refused (0).
    int WriteKeyLights(std::span<const uint8_t> bytes, uint16_t position);
    // Given up while a full transaction runs (kChannelBusy: send it again)
    // and never sent to a wireless device (kChannelNoAnswer).
    int SendLightFrame(std::span<const uint8_t> frame);
    int WriteMacros(std::span<const uint8_t> image);
    // out.size() bytes (at most 56, else refused) from `address`.
    int ReadStatus(std::span<uint8_t> out, uint16_t address);
    // DataSize() / 3 bytes.
    int ReadKeyLeds(std::span<uint8_t> out);
    bool ProbeLink();

    // An output report on the control pipe (the headset's 17-byte LED
    // reports). It does not wait for a running transaction: the control pipe
    // does not carry command answers. 1 when sent, 0 when not open, -1 when
    // the device refused it.
    int SendOutputReport(std::span<const uint8_t> report);

  private:
    static constexpr uint8_t kChunkSize = kCommandPayloadSize;

    enum class Lane { Command, Light };
    struct Outcome {
        int result = kChannelNoAnswer;
        bool echoMatched = false;
    };

    // Write + matched read under transferLock.
    Outcome Exchange(const CommandReport& request, CommandReport& answer, Lane lane);
    Outcome FullTransaction(const CommandReport& request, CommandReport& answer);
    // One request through its lane's lock; the result with the status mapped.
    // Reads fail (0) when no answer echoed the request.
    int RunCommand(const CommandReport& request, CommandReport& answer, bool isRead);
    // The chunk loop. `base` is added to each chunk's position in the
    // offset field. Reads copy into `readInto`, writes send from `writeFrom`.
    int ChunkedTransfer(uint8_t code, size_t total, uint32_t base,
                        std::span<const uint8_t> writeFrom, std::span<uint8_t> readInto, Lane lane);
    int SingleReport(uint8_t code, uint8_t length, uint16_t offset, bool isRead,
                     CommandReport* answerOut = nullptr);
    uint32_t TimeoutMs(Lane lane) const;

    HidDeviceRecord record_;
    SteadyTime& time_;
    std::atomic<uint16_t> dataSize_{kMaxDataSize};
    std::atomic<bool> busy_{false};
    std::atomic<bool> open_{false};
    std::atomic<uint64_t> openings_{0};
    std::atomic<bool> lightingHold_{false};
    std::function<void()> holdListener_;
    std::atomic<bool> wireless_{false};
    std::recursive_mutex groupLock_;
    std::mutex transferLock_;
    std::mutex commandLock_;
    std::mutex lightLock_;
};

}  // namespace kelno
