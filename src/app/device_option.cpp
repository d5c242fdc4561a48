#include "app/device_option.h"

#include "core/debug_output.h"
#include "devices/detect/catalogue.h"
#include "devices/models/usb_device.h"
#include "skin/core/attribute_values.h"
#include "skin/core/paint_manager.h"

namespace kelno::app {

std::string IconSetOf(int kind, int variant) {
    switch (kind) {
        case 1:
            return "kb";
        case 2:
            return "ms";
        case 3:
            if (variant == 0) return "hard_mp";
            if (variant == 1) return "soft_mp";
            return {};
        case 4:
        case 7:
            return "hd";
        case 5:
            return "hub";
        default:
            return "unknow";
    }
}

std::string CDeviceOptionUI::GetClass() const {
    return "DeviceOption";
}

void* CDeviceOptionUI::GetInterface(std::string_view name) {
    if (skin::EqualsNoCase(name, "DeviceOption")) return this;
    return CHorizontalLayoutUI::GetInterface(name);
}

bool CDeviceOptionUI::Activate() {
    if (!CHorizontalLayoutUI::Activate()) return false;
    if (GetManager()) GetManager()->SendNotify(this, skin::notify::kSelectChanged);
    return true;
}

void CDeviceOptionUI::SetVisible(bool visible) {
    visible_ = visible;
    CHorizontalLayoutUI::SetVisible(visible);
    UpdatePreviewTick();
}

void CDeviceOptionUI::CacheSubControls() {
    skin::CPaintManagerUI* pm = GetManager();
    if (!pm) return;
    auto option = [&](const char* name) -> skin::COptionUI* {
        skin::CControlUI* c = pm->FindSubControlByName(this, name);
        return c ? static_cast<skin::COptionUI*>(c->GetInterface("Option")) : nullptr;
    };
    select_ = option("device_select");
    synchro_ = option("synchro_device_select");
    name_ = pm->FindSubControlByName(this, "device_select_name");
}

void CDeviceOptionUI::SetNameText(const std::string& text) {
    if (name_) name_->SetText(text);
}

void CDeviceOptionUI::BindPage(CZembravaUSBDevice* page, skin::CTabLayoutUI* pages, int pageIndex) {
    page_ = page;
    pages_ = pages;
    pageIndex_ = pageIndex;
    if (page_) {
        page_->SetOptionItem(this);
        page_->SetPreviewStateListener([this] { UpdatePreviewTick(); });
    }
}

void CDeviceOptionUI::SetPowerLayout(std::string name, int index) {
    powerLayoutName_ = std::move(name);
    powerIndex_ = index;
}

void CDeviceOptionUI::SetKind(int kind, int variant) {
    kind_ = kind;
    variant_ = variant;
    const std::string set = IconSetOf(kind, variant);
    if (set.empty() || !select_) return;
    const std::string base = "common/device_ico/" + set + "_device_";
    normalImage_ = base + "normal.png";
    selectedImage_ = base + "selected.png";
    synchroNormalImage_ = base + "synchro_normal.png";
    synchroSelectedImage_ = base + "synchro_selected.png";
    ShowSynchroImages(false);
    select_->SetToolTip(set + "_device_name_text");
}

void CDeviceOptionUI::ShowSynchroImages(bool synchro) {
    if (!select_ || normalImage_.empty()) return;
    const std::string& normal = synchro ? synchroNormalImage_ : normalImage_;
    select_->SetAttribute("normalimage", normal);
    select_->SetAttribute("selectedimage", synchro ? synchroSelectedImage_ : selectedImage_);
    select_->SetAttribute("disabledimage", normal);
}

void CDeviceOptionUI::ClearSynchro() {
    if (synchro_) synchro_->Selected(false);
    ShowSynchroImages(false);
}

void CDeviceOptionUI::StartTimerChain() {
    synced_ = false;
    UpdatePreviewTick();
    ArmTimer(kTimerInitialSync, kInitialSyncDelayMs);
}

void CDeviceOptionUI::SetWindowShown(bool shown) {
    windowShown_ = shown;
    UpdatePreviewTick();
}

void CDeviceOptionUI::UpdatePreviewTick() {
    if (!page_) return;
    const bool seen = windowShown_ && visible_ && IsTabSelected() && PageConnected();
    const bool wasSeen = page_->IsPreviewShown();
    page_->SetPreviewShown(seen);
    // The lights may have moved while nobody looked.
    if (seen && !wasSeen) page_->LightTick();
    const bool tick = seen && synced_ && page_->IsPreviewEnabled() && page_->LightingAnimates();
    if (tick == ticking_) return;
    ticking_ = tick;
    if (tick) {
        ArmTimer(kTimerLightTick, kLightTickIntervalMs);
    } else {
        KillTimer(kTimerLightTick);
    }
}

void CDeviceOptionUI::ArmTimer(uint32_t id, uint32_t elapseMs) {
    if (GetManager()) GetManager()->SetTimer(this, id, elapseMs);
}

void CDeviceOptionUI::KillTimer(uint32_t id) {
    if (GetManager()) GetManager()->KillTimer(this, id);
}

bool CDeviceOptionUI::PageConnected() const {
    return page_ != nullptr && page_->CommandChannel().IsOpen();
}

void CDeviceOptionUI::DoEvent(skin::TEventUI& event) {
    if (event.Type != skin::UiEvent::Timer) {
        CHorizontalLayoutUI::DoEvent(event);
        return;
    }
    const auto id = static_cast<uint32_t>(event.wParam);
    // The preview tick repeats until UpdatePreviewTick stops it.
    if (id != kTimerLightTick) KillTimer(id);
    if (!page_) return;
    switch (id) {
        case kTimerInitialSync:
            page_->OnInitialSyncTimer();
            synced_ = true;
            UpdatePreviewTick();
            if (page_->GetPowerPolling()) ArmTimer(kTimerPowerPoll, kPowerPollIntervalMs);
            break;
        case kTimerLightTick:
            // The light buttons repaint themselves when their light changes.
            page_->LightTick();
            if (!PageConnected()) UpdatePreviewTick();
            break;
        case kTimerSyncRequest:
            page_->OnSyncRequestTimer();
            break;
        case kTimerPowerPoll:
            page_->OnPowerPollTimer();
            if (page_->GetPowerPolling() && PageConnected())
                ArmTimer(kTimerPowerPoll, kPowerPollIntervalMs);
            break;
        default:
            DebugOutputF("tab item: timer %u has no handler", id);
            break;
    }
}

}  // namespace kelno::app
