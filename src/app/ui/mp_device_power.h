#pragma once
// CMpDevicePowerUI ("MpDevicePower"): the power indicator of a device page,
// built from "XML\\CustomControlXML\\MpDevicePower.xml". It shows the 6-byte
// power status the device reads: level (byte 0, percent), charging state
// (byte 1: 0 not charging, 1 charging, 2 charged), wireless flag (byte 3)
// and, on a mouse pad, the phone lying on it (byte 5: 1 iPhone, 2 Samsung,
// 3 other).

#include <array>
#include <cstdint>
#include <span>

#include "devices/models/usb_device.h"
#include "skin/core/container.h"

namespace kelno::app {

class CMpDevicePowerUI final : public skin::CContainerUI, public IPowerStatusView {
  public:
    static constexpr const char* kElementName = "MpDevicePower";
    // The interface name the main window asks for to reach IPowerStatusView.
    static constexpr const char* kPowerStatusViewInterface = "PowerStatusView";
    static constexpr size_t kStatusSize = 6;
    static constexpr size_t kMaxStatusSize = 64;

    std::string GetClass() const override;  // "MpDevicePowerUI"
    void* GetInterface(std::string_view name) override;
    // Raises "selectchanged" after the base activation.
    bool Activate() override;

    // The device kind (2 mouse, 3 mouse pad, ...) and the page's variant.
    void SetKind(int kind, int value);
    int GetKind() const { return kind_; }
    int GetValue() const { return value_; }

    // Shows a power status. Fewer than 6 bytes show nothing; bytes beyond
    // 64 are ignored; a level above 100 shows as 100; an unknown charging
    // state leaves the picture as it was.
    void Show(std::span<const uint8_t> status);

    // IPowerStatusView: polling shows the indicator, no polling hides it.
    void SetPowerPolling(bool polling) override;
    void ShowPowerStatus(std::span<const uint8_t> status) override { Show(status); }

  private:
    enum Part { kValue, kWirelessLogo, kProgress, kChargePicture, kPhonePicture, kPartCount };
    // Finds the five parts Show needs on first use; false while any is missing.
    bool FindParts();

    int kind_ = 0;
    int value_ = 0;
    std::array<skin::CControlUI*, kPartCount> parts_{};
    skin::CControlUI* layout_ = nullptr;  // "device_power_Layout"
};

}  // namespace kelno::app
