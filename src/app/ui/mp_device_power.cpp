#include "app/ui/mp_device_power.h"

#include <algorithm>

#include "devices/models/page_lookup.h"
#include "skin/controls/progress.h"
#include "skin/core/attribute_values.h"
#include "skin/core/paint_manager.h"
#include "skin/core/ui_defs.h"

namespace kelno::app {
namespace {

constexpr int kKindMouse = 2;
constexpr int kKindMousePad = 3;
constexpr int kMaxLevel = 100;

constexpr const char* kPartNames[] = {"device_power_value", "device_wuxian_logo",
                                      "device_Power_progress", "device_power_status",
                                      "device_phone_type"};

struct PhonePicture {
    const char* tip;
    const char* image;
};

PhonePicture PhonePictureFor(uint8_t type) {
    switch (type) {
        case 1:
            return {"Phone_type_iphone", "file='power/Phone_type_iphone.png'"};
        case 2:
            return {"Phone_type_samsung", "file='power/Phone_type_samsung.png'"};
        case 3:
            return {"Phone_type_other", "file='power/Phone_type_other.png'"};
        default:
            return {"Phone_type_no_device", "file='power/Phone_type_no_device.png'"};
    }
}

}  // namespace

std::string CMpDevicePowerUI::GetClass() const {
    return "MpDevicePowerUI";
}

void* CMpDevicePowerUI::GetInterface(std::string_view name) {
    if (skin::EqualsNoCase(name, kElementName)) return this;
    if (skin::EqualsNoCase(name, kPowerStatusViewInterface))
        return static_cast<IPowerStatusView*>(this);
    return skin::CContainerUI::GetInterface(name);
}

bool CMpDevicePowerUI::Activate() {
    if (!skin::CContainerUI::Activate()) return false;
    if (GetManager()) GetManager()->SendNotify(this, skin::notify::kSelectChanged);
    return true;
}

void CMpDevicePowerUI::SetKind(int kind, int value) {
    kind_ = kind;
    value_ = value;
}

bool CMpDevicePowerUI::FindParts() {
    for (int part = 0; part < kPartCount; ++part) {
        if (!parts_[part]) parts_[part] = FindDescendantByName(this, kPartNames[part]);
        if (!parts_[part]) return false;
    }
    return true;
}

void CMpDevicePowerUI::SetPowerPolling(bool polling) {
    if (!layout_) layout_ = FindDescendantByName(this, "device_power_Layout");
    if (layout_) layout_->SetVisible(polling);
}

void CMpDevicePowerUI::Show(std::span<const uint8_t> status) {
    if (status.size() < kStatusSize || !FindParts()) return;
    status = status.first(std::min(status.size(), kMaxStatusSize));
    const int level = std::min<int>(status[0], kMaxLevel);
    const uint8_t charging = status[1];
    const bool wireless = status[3] != 0;

    if (auto* progress =
            static_cast<skin::CProgressUI*>(parts_[kProgress]->GetInterface("Progress")))
        progress->SetValue(kMaxLevel - level);
    parts_[kValue]->SetText(std::to_string(level) + "%");
    if (kind_ == kKindMouse) parts_[kWirelessLogo]->SetVisible(wireless);

    skin::CControlUI* picture = parts_[kChargePicture];
    switch (charging) {
        case 0:
            parts_[kProgress]->SetVisible(true);
            picture->SetBkImage("file='power/powered.png'");
            break;
        case 1:
            parts_[kProgress]->SetVisible(!wireless);
            picture->SetBkImage(wireless ? "file='power/wuxian_powering.png'"
                                         : "file='power/powering.png'");
            break;
        case 2:
            parts_[kProgress]->SetVisible(true);
            picture->SetBkImage("file='power/power.png'");
            break;
        default:
            break;
    }

    if (kind_ == kKindMousePad) {
        const PhonePicture phone = PhonePictureFor(status[5]);
        parts_[kPhonePicture]->SetToolTip(phone.tip);
        parts_[kPhonePicture]->SetBkImage(phone.image);
    }
}

}  // namespace kelno::app
