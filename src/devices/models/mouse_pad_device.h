#pragma once
// CZembravaMousePadDevice: the lit mouse pad's page (15 LEDs, no keys),
// a lighting-block device (light_block_device.h) with 45-byte frames.

#include "devices/models/light_block_device.h"

namespace kelno {

namespace pad {
inline constexpr int kLedCount = 15;
}  // namespace pad

class CZembravaMousePadDevice : public CZembravaLightBlockDevice {
  public:
    explicit CZembravaMousePadDevice(std::shared_ptr<hid::HidBackend> backend = nullptr);
    ~CZembravaMousePadDevice() override;

    std::string GetClass() const override;  // "ZembravaMousePadDevice"
    void* GetInterface(std::string_view name) override;

    CBasicProfiledata& Profile() { return profile_; }

  protected:
    CBasicProfiledata& BasicProfile() override { return profile_; }
    const CBasicProfiledata& BasicProfile() const override { return profile_; }

  private:
    CBasicProfiledata profile_;
};

}  // namespace kelno
