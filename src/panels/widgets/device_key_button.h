#pragma once
// CDeviceKeyButtonUI ("DeviceKeyButton"): one key or LED of a device
// picture. A button that also shows the LED's light (the "lightimage"
// picture tinted with the light colour at the light level) and, unless
// hidden, the "keysetimage" picture. A double click while enabled raises
// "dbclick". CSelectPanelUI sets its selected flag.

#include "devices/models/light_button.h"
#include "skin/controls/button.h"

namespace kelno::widgets {

class CDeviceKeyButtonUI : public skin::CButtonUI, public ILightButton {
  public:
    static constexpr const char* kElementName = "DeviceKeyButton";

    std::string GetClass() const override;  // "DeviceKeyButtonUI"
    void* GetInterface(std::string_view name) override;
    void SetAttribute(std::string_view name, std::string_view value) override;
    void DoEvent(skin::TEventUI& event) override;
    void PaintStatusImage(cairo_t* cr) override;

    // ILightButton; the colour is packed as red | blue << 8 | green << 16.
    void SetLight(uint32_t colour, uint8_t level, bool on) override;
    uint32_t GetLightColour() const override { return lightColour_; }
    uint8_t GetLightLevel() const override { return lightLevel_; }
    bool IsLightOn() const override { return lightOn_; }

    void ShowKeySetImage(bool show);
    bool IsKeySetImageHidden() const { return keySetHidden_; }
    void SetKeySelected(bool selected);
    bool IsKeySelected() const override { return keySelected_; }
    uint32_t GetGmNameTextColor() const { return gmNameTextColor_; }

  private:
    std::string lightImage_;
    std::string keySetImage_;
    uint32_t gmNameTextColor_ = 0;
    bool lightOn_ = false;
    uint32_t lightColour_ = 255;
    uint8_t lightLevel_ = 200;
    bool keySetHidden_ = true;
    bool keySelected_ = false;
};

}  // namespace kelno::widgets
