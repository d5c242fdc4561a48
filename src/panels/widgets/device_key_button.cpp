#include "panels/widgets/device_key_button.h"

#include "panels/widgets/widget_paint.h"
#include "skin/core/attribute_values.h"
#include "skin/core/paint_manager.h"

namespace kelno::widgets {

std::string CDeviceKeyButtonUI::GetClass() const {
    return "DeviceKeyButtonUI";
}

void* CDeviceKeyButtonUI::GetInterface(std::string_view name) {
    if (skin::EqualsNoCase(name, kElementName)) return this;
    if (skin::EqualsNoCase(name, kLightButtonInterface)) return static_cast<ILightButton*>(this);
    return skin::CButtonUI::GetInterface(name);
}

void CDeviceKeyButtonUI::SetAttribute(std::string_view name, std::string_view value) {
    if (name == "lightimage") {
        lightImage_ = std::string(value);
    } else if (name == "keysetimage") {
        keySetImage_ = std::string(value);
    } else if (name == "gmnametextcolor") {
        if (const auto colour = skin::ParseColor(value)) gmNameTextColor_ = *colour;
    } else {
        skin::CButtonUI::SetAttribute(name, value);
    }
}

void CDeviceKeyButtonUI::DoEvent(skin::TEventUI& event) {
    if (event.Type == skin::UiEvent::DblClick && IsEnabled() && GetPos().Contains(event.ptMouse) &&
        GetManager()) {
        GetManager()->SendNotify(this, "dbclick");
    }
    skin::CButtonUI::DoEvent(event);
}

void CDeviceKeyButtonUI::PaintStatusImage(cairo_t* cr) {
    skin::CButtonUI::PaintStatusImage(cr);
    if (lightOn_) {
        const auto red = static_cast<uint8_t>(lightColour_);
        const auto blue = static_cast<uint8_t>(lightColour_ >> 8);
        const auto green = static_cast<uint8_t>(lightColour_ >> 16);
        if (lightImage_.empty()) {
            FillColour(cr, GetPos(), red, green, blue, lightLevel_);
        } else {
            DrawImage(cr, lightImage_, "fade='" + std::to_string(lightLevel_) + "'");
        }
    }
    if (!keySetHidden_ && !keySetImage_.empty()) DrawImage(cr, keySetImage_);
}

void CDeviceKeyButtonUI::SetLight(uint32_t colour, uint8_t level, bool on) {
    if (colour == lightColour_ && level == lightLevel_ && on == lightOn_) return;
    lightColour_ = colour;
    lightLevel_ = level;
    lightOn_ = on;
    Invalidate();
}

void CDeviceKeyButtonUI::ShowKeySetImage(bool show) {
    keySetHidden_ = !show;
    Invalidate();
}

void CDeviceKeyButtonUI::SetKeySelected(bool selected) {
    if (keySelected_ == selected) return;
    keySelected_ = selected;
    Invalidate();
}

}  // namespace kelno::widgets
