#pragma once
// The firmware of an emulated peripheral, served as one HID interface: the
// 64-byte command protocol on report id 4 (checksum verification, START /
// FINISH nesting, device information, settings memory, key map, key-to-LED
// table, macro area, per-key light bitmap, light frames, power status, link
// probe), notification input reports, a log of every exchange, and fault
// injection. The keyboard, mouse, mouse pad and headset are configurations
// of it (sim_devices.h).

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/hid/hid_device_model.h"

namespace kelno::sim {

// What one emulated interface is.
struct SimDeviceConfig {
    std::string name;  // shown as the HID name
    hid::DeviceAttributes attributes;
    int interfaceNumber = 1;
    std::vector<uint8_t> reportDescriptor;
    uint8_t notifyReportId = 3;
    std::vector<uint8_t> info;             // 34-byte information record
    std::vector<uint8_t> memory;           // settings memory (byte 0: active profile)
    std::vector<uint8_t> keyMap;           // 3 bytes per device key
    std::vector<uint8_t> keyLeds;          // LED index per device key
    size_t keyLightBitmapSize = 0;         // per-key light bitmap (21 on the keyboard)
    size_t lightFrameSize = 0;             // 3 bytes per LED
    std::vector<uint8_t> powerStatus;      // answered by READ_STATUS
    bool acceptsLedOutputReports = false;  // the headset's 17-byte reports
    // Reached through a wireless receiver: while the link is down only the
    // receiver answers (the link probe); every other request goes unanswered,
    // as a sleeping device's would.
    bool overTheAir = false;
};

// One-shot faults, each fired by the nth matching request from now.
enum class SimFault {
    NoAnswer,            // the request is taken, nothing comes back
    WrongEcho,           // the answer echoes another command code
    StaleExtraAnswer,    // a foreign answer is queued before the real one
    StatusError,         // status 0xFF
    StatusRejected,      // status 0xFE
    WriteFailure,        // the write itself fails
    UnplugBeforeAnswer,  // the device vanishes in the middle of the transfer
    ShortAnswer,         // the answer stops after its status byte
};

struct SimExchange {
    enum class Kind { HostWrite, DeviceReport, HostSetReport };
    Kind kind;
    std::vector<uint8_t> bytes;
};

class SimCommandDevice : public hid::HidDeviceModel {
  public:
    static constexpr uint8_t kAnyCommand = 0;

    explicit SimCommandDevice(SimDeviceConfig config);
    ~SimCommandDevice() override;

    // hid::HidDeviceModel
    hid::DeviceAttributes Attributes() const override;
    int InterfaceNumber() const override;
    std::vector<uint8_t> ReportDescriptor() const override;
    std::string Name() const override;
    bool HandleWrite(std::span<const uint8_t> report) override;
    bool HandleSetReport(hid::ReportType type, std::span<const uint8_t> report) override;
    std::optional<std::vector<uint8_t>> NextInputReport(
        std::optional<std::chrono::milliseconds> timeout) override;
    void WakeReaders() override;
    bool HasQueuedInput() const override;
    bool IsPlugged() const override;

    // Plugging; a re-plugged device starts with no group open and no queued
    // reports, and keeps its memory.
    void SetPlugged(bool plugged);

    // --- Device-side events ---
    // Sends a notification input report carrying `usage`.
    void Notify(uint16_t usage);
    // Changes settings memory on the device (as its own keys would) and
    // asks the host to read it back (notification 0x401).
    void ChangeMemoryOnDevice(size_t offset, std::span<const uint8_t> bytes);
    void PressKey(uint8_t deviceKey) { Notify(static_cast<uint16_t>(0x500 + deviceKey)); }
    void ReleaseKey(uint8_t deviceKey) { Notify(static_cast<uint16_t>(0x600 + deviceKey)); }
    void SetLinkUp(bool up);
    // Replaces the information record (cut or zero-filled to 34 bytes), e.g.
    // to report an absurd key count; the macro capacity follows byte 6.
    void SetInfoRecord(std::vector<uint8_t> info);
    void SetPowerStatus(std::vector<uint8_t> status);

    // --- Fault injection ---
    void SetLatency(std::chrono::microseconds perReport);
    void InjectFault(SimFault fault, unsigned nth = 1, uint8_t command = kAnyCommand);
    void ClearFaults();
    // Faults armed and not fired yet.
    size_t PendingFaults() const;

    // --- Inspection ---
    std::vector<uint8_t> Memory() const { return Locked(memory_); }
    std::vector<uint8_t> KeyMap() const { return Locked(keyMap_); }
    std::vector<uint8_t> KeyLeds() const { return Locked(keyLeds_); }
    std::vector<uint8_t> Info() const { return Locked(info_); }
    std::vector<uint8_t> MacroArea() const;  // the bytes received so far
    bool MacroImageValid() const { return Locked(macroValid_); }
    std::vector<uint8_t> KeyLightBitmap() const { return Locked(keyLightBitmap_); }
    std::vector<uint8_t> LightFrame() const { return Locked(lightFrame_); }
    bool LightFrameReceived() const { return Locked(lightFrameReceived_); }
    // The LED output reports received, 17 bytes each: the latest ones (a
    // demo runs for hours) and how many came in all.
    std::vector<std::vector<uint8_t>> LedReports() const { return Locked(ledReports_); }
    uint64_t LedReportCount() const { return Locked(ledReportCount_); }
    int GroupDepth() const { return Locked(groupDepth_); }  // START nesting
    int Commits() const { return Locked(commits_); }        // outermost FINISHes
    std::vector<SimExchange> Exchanges() const { return Locked(exchanges_); }
    // The command reports the host wrote, in order.
    std::vector<std::vector<uint8_t>> CommandRequests() const;
    void ClearExchanges();

  private:
    struct PendingFault {
        SimFault fault;
        unsigned remaining;
        uint8_t command;
    };
    struct QueuedReport {
        std::chrono::steady_clock::time_point due;
        std::vector<uint8_t> bytes;
    };

    // A copy of a member, taken under the lock.
    template <typename T>
    T Locked(const T& member) const {
        std::lock_guard lock(mutex_);
        return member;
    }

    // Runs one command; returns the status byte and fills the answer payload.
    uint8_t Execute(const std::vector<uint8_t>& request, std::vector<uint8_t>& answer);
    uint8_t WriteMacroChunk(size_t offset, std::span<const uint8_t> chunk);
    bool ValidateMacroImage() const;
    void QueueInputLocked(std::vector<uint8_t> report);
    void LogLocked(SimExchange::Kind kind, std::vector<uint8_t> bytes);
    std::vector<SimFault> TakeFaultsLocked(uint8_t command);

    const SimDeviceConfig config_;
    mutable std::mutex mutex_;
    std::condition_variable inputReady_;
    std::deque<QueuedReport> input_;
    uint64_t wakeGeneration_ = 0;
    bool plugged_ = true;
    std::chrono::microseconds latency_{0};
    std::vector<PendingFault> faults_;
    std::vector<SimExchange> exchanges_;

    std::vector<uint8_t> info_;
    std::vector<uint8_t> memory_;
    std::vector<uint8_t> keyMap_;
    std::vector<uint8_t> keyLeds_;
    std::vector<uint8_t> macroArea_;
    size_t macroReceived_ = 0;
    bool macroValid_ = false;
    std::vector<uint8_t> keyLightBitmap_;
    std::vector<uint8_t> lightFrame_;
    std::vector<std::vector<uint8_t>> ledReports_;
    uint64_t ledReportCount_ = 0;
    std::vector<uint8_t> powerStatus_;
    bool linkUp_ = true;
    bool lightFrameReceived_ = false;
    int groupDepth_ = 0;
    int commits_ = 0;
};

}  // namespace kelno::sim
