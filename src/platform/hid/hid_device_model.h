#pragma once
// The device side of one USB HID interface (one hidraw node): what a
// simulated device (platform/sim) implements, and what both the in-process
// simulated backend and the FUSE-served hidraw node used by the Linux
// backend's tests talk to. The model sees raw reports as hidraw carries
// them: byte 0 is the report id when the descriptor uses ids.

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "platform/hid/hid_types.h"
#include "platform/hid/hotplug.h"

namespace kelno::hid {

class HidDeviceModel {
  public:
    virtual ~HidDeviceModel() = default;

    virtual DeviceAttributes Attributes() const = 0;
    virtual int InterfaceNumber() const = 0;
    virtual std::vector<uint8_t> ReportDescriptor() const = 0;
    // Shown by hidraw as HID_NAME / the raw name; free text.
    virtual std::string Name() const = 0;

    // The host wrote a report on the interrupt pipe. False: the write fails
    // (fault injection, unplugged).
    virtual bool HandleWrite(std::span<const uint8_t> report) = 0;
    // The host sent an output or feature report on the control pipe.
    virtual bool HandleSetReport(ReportType type, std::span<const uint8_t> report) = 0;

    // The next input report the device sends, waiting at most `timeout`
    // (nullopt: until one comes or WakeReaders is called). Nothing when
    // none came, or when unplugged.
    virtual std::optional<std::vector<uint8_t>> NextInputReport(
        std::optional<std::chrono::milliseconds> timeout) = 0;
    // Wakes every NextInputReport waiting now (used when a reader closes).
    virtual void WakeReaders() = 0;
    // Whether an input report is queued, due already or still on its way
    // (latency). A backend on a stepped clock takes "nothing queued" for
    // "nothing will come" unless another thread sends one.
    virtual bool HasQueuedInput() const { return false; }

    virtual bool IsPlugged() const = 0;

    // The backends serving this model hear of its plugging through these;
    // a model announces every change of IsPlugged().
    PlugListeners& PlugEvents() { return plugEvents_; }

  private:
    PlugListeners plugEvents_;
};

}  // namespace kelno::hid
