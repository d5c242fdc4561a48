#pragma once
// What a device page needs of its key and light buttons: the skin control
// that shows one key or LED answers GetInterface(kLightButtonInterface)
// with this interface, so the device classes need not know the widget.

#include <cstdint>

namespace kelno {

inline constexpr const char* kLightButtonInterface = "LightButton";
// The element name of the key and light buttons of a device picture.
inline constexpr const char* kDeviceKeyButtonClass = "DeviceKeyButton";

class ILightButton {
  public:
    virtual ~ILightButton() = default;
    // `colour` packed as red | blue << 8 | green << 16; level 0 to 255.
    virtual void SetLight(uint32_t colour, uint8_t level, bool on) = 0;
    virtual uint32_t GetLightColour() const = 0;
    virtual uint8_t GetLightLevel() const = 0;
    virtual bool IsLightOn() const = 0;
    // Picked in a selection panel (rubber band or clicks).
    virtual bool IsKeySelected() const { return false; }
};

}  // namespace kelno
