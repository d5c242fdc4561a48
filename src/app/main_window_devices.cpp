// The main window's device side: one hidden page, tab item and power
// indicator per device kind; arrival and removal from the detection thread;
// the tab items' visibility and selection; the active device.

#include <algorithm>

#include "app/app_messages.h"
#include "app/device_option.h"
#include "app/main_window.h"
#include "app/ui/mp_device_power.h"
#include "core/debug_output.h"
#include "devices/models/mouse_device.h"
#include "devices/models/usb_device.h"
#include "panels/key_set_control.h"
#include "skin/core/dialog_builder.h"

namespace kelno::app {
namespace {

constexpr const char* kPowerIndicatorXml = "XML\\CustomControlXML\\MpDevicePower.xml";

bool IsDeviceKind(int kind) {
    switch (static_cast<DeviceKind>(kind)) {
        case DeviceKind::Keyboard:
        case DeviceKind::Mouse:
        case DeviceKind::WirelessMouse:
        case DeviceKind::MousePad:
        case DeviceKind::Headset:
            return true;
        default:
            return false;
    }
}

template <typename T>
T* ContainerNamed(skin::CPaintManagerUI& pm, const char* name, const char* interfaceName) {
    skin::CControlUI* control = pm.FindControl(name);
    return control ? static_cast<T*>(control->GetInterface(interfaceName)) : nullptr;
}

}  // namespace

skin::CControlUI* CMainWnd::BuildLayout(const std::string& file) {
    skin::CDialogBuilder builder;
    skin::CControlUI* root = builder.Create(file, this, &m_PaintManager);
    if (!root) DebugOutputF("cannot build %s: %s", file.c_str(), builder.GetLastError().c_str());
    return root;
}

void CMainWnd::BuildDevicePages() {
    for (const DeviceKindEntry& row : options_.catalogue.DeviceKindTable()) BuildKindPage(row);
    UpdateNoDeviceNotice();
}

bool CMainWnd::BuildKindPage(const DeviceKindEntry& row) {
    const Catalogue& catalogue = options_.catalogue;
    const int s = catalogue.findSupportedRow(row.vendorId, row.productId, row.kind, row.variant);
    if (s < 0) return false;
    const SupportedDeviceEntry slot = catalogue.SupportedDeviceTable()[static_cast<size_t>(s)];
    if (!IsDeviceKind(slot.kind)) return false;
    int vendorId = slot.vendorId, productId = slot.productId;
    const auto& supported = catalogue.SupportedDeviceTable();
    if (slot.kind == KindCode(DeviceKind::WirelessMouse) && slot.linked != 0 &&
        slot.linkedIndex < supported.size()) {
        vendorId = supported[slot.linkedIndex].vendorId;
        productId = supported[slot.linkedIndex].productId;
    }
    const int kind = EffectiveKind(slot.kind);
    const int r = catalogue.findKindRow(vendorId, productId, kind, row.variant);
    if (r < 0) return false;
    const DeviceKindEntry& kindRow = catalogue.DeviceKindTable()[static_cast<size_t>(r)];
    const DevicePageEntry& pageRow = catalogue.DevicePageTable()[static_cast<size_t>(r)];

    auto* powerSwitch =
        ContainerNamed<skin::CTabLayoutUI>(m_PaintManager, "device_power_switch", "TabLayout");
    auto* pageSwitch =
        ContainerNamed<skin::CTabLayoutUI>(m_PaintManager, "device_switch", "TabLayout");
    auto* tabStrip =
        ContainerNamed<skin::CContainerUI>(m_PaintManager, "device_select_layout", "Container");
    if (!powerSwitch || !pageSwitch || !tabStrip) {
        DebugOutput("main window: the device containers are missing from the skin");
        return false;
    }

    std::unique_ptr<skin::CControlUI> power(BuildLayout(kPowerIndicatorXml));
    std::unique_ptr<skin::CControlUI> tab(BuildLayout(kindRow.optionLayoutXml));
    std::unique_ptr<skin::CControlUI> pageRoot(BuildLayout(pageRow.pageXml));
    auto* item = dynamic_cast<CDeviceOptionUI*>(tab.get());
    auto* page = dynamic_cast<CZembravaUSBDevice*>(pageRoot.get());
    if (!power || !item || !page) {
        DebugOutputF("device page of %s not built", kindRow.kindName.c_str());
        return false;  // the pieces built so far are discarded
    }

    skin::CControlUI* powerControl = power.release();
    powerSwitch->Add(powerControl);
    powerIndicators_.push_back(powerControl);
    auto* powerIndicator = dynamic_cast<CMpDevicePowerUI*>(powerControl);
    if (powerIndicator) powerIndicator->SetKind(kind, row.variant);
    IPowerStatusView* powerView = powerIndicator;

    tab.release();
    pageRoot.release();
    page->SetLayoutFile(pageRow.pageXml);
    page->SetMainWindow([this](uint32_t message, uintptr_t wParam, intptr_t lParam) {
        PostMessage(message, static_cast<int64_t>(wParam), static_cast<int64_t>(lParam));
    });
    page->SetKeyCount(pageRow.secondaryCount);
    page->SetLedCount(pageRow.primaryCount);
    page->SetPowerPolling(pageRow.showPowerIndicator != 0);
    page->SetKindName(kindRow.kindName);
    page->SetPowerDisplay(powerView);
    page->AttachCatalogueEntry(slot);
    page->SetLightConfigName(pageRow.lightConfigName);
    if (auto* mouse = dynamic_cast<CZembravaMouseDevice*>(page))
        mouse->SetScreenSize(screen_.width, screen_.height);
    if (!options_.userData.empty()) page->SetDataFolders(options_.userData, options_.defaultData);
    pageSwitch->Add(page);
    page->InitLayout();
    if (auto* list = DevicesOfKind(kind)) list->push_back(page);
    generations_[page] = 0;

    tabStrip->Add(item);
    item->CacheSubControls();
    if (item->SynchroButton()) item->SynchroButton()->SetVisible(false);
    if (item->SelectButton()) item->SelectButton()->SetGroup(kindRow.tabGroup);
    item->BindPage(page, pageSwitch, pageSwitch->GetCount() - 1);
    item->SetPowerLayout(kindRow.powerSwitchName, powerSwitch->GetCount() - 1);
    item->SetKind(kindRow.kind, kindRow.variant);
    item->SetVisible(false);
    item->SetNameText(kindRow.kindName);
    tabItems_.push_back(item);
    return true;
}

std::vector<CZembravaUSBDevice*>* CMainWnd::DevicesOfKind(int kind) {
    switch (static_cast<DeviceKind>(EffectiveKind(kind))) {
        case DeviceKind::Keyboard:
            return &keyboards_;
        case DeviceKind::Mouse:
            return &mice_;
        case DeviceKind::MousePad:
            return &mousePads_;
        case DeviceKind::Headset:
            return &headsets_;
        default:
            return nullptr;
    }
}

CDeviceOptionUI* CMainWnd::TabItemOf(const CZembravaUSBDevice* device) const {
    for (CDeviceOptionUI* item : tabItems_)
        if (item->GetPage() == device) return item;
    return nullptr;
}

int CMainWnd::TabIndexOf(const CDeviceOptionUI* item) const {
    auto it = std::find(tabItems_.begin(), tabItems_.end(), item);
    return it == tabItems_.end() ? -1 : static_cast<int>(it - tabItems_.begin());
}

// --- arrival and removal -----------------------------------------------------------

IDeviceListObserver::ArrivalResult CMainWnd::OnDeviceArrival(size_t slot,
                                                             const std::stop_token& stop) {
    const std::optional<int64_t> result =
        SendMessage(kMsgDeviceArrival, static_cast<int64_t>(slot), {}, stop);
    // A window that is going away takes no device: the slot is freed.
    if (!result) return ArrivalResult::OpenFailed;
    return static_cast<ArrivalResult>(*result);
}

void CMainWnd::OnDeviceRemoval(size_t slot, const std::stop_token& stop) {
    SendMessage(kMsgDeviceRemoval, static_cast<int64_t>(slot), {}, stop);
}

IDeviceListObserver::ArrivalResult CMainWnd::HandleArrival(size_t index) {
    if (!detector_) return ArrivalResult::Handled;
    const std::optional<SupportedDeviceEntry> slot = detector_->List().Slot(index);
    if (!slot) return ArrivalResult::Handled;
    std::vector<CZembravaUSBDevice*>* devices = DevicesOfKind(slot->kind);
    if (!devices) return ArrivalResult::Handled;
    DebugOutput(slot->kind == KindCode(DeviceKind::Keyboard) ? "添加一个键盘设备"
                : EffectiveKind(slot->kind) == KindCode(DeviceKind::Mouse) ? "添加一个鼠标设备"
                                                                           : "添加一个鼠标垫设备");
    ArrivalResult result = ArrivalResult::Handled;
    bool changed = false;
    if (slot->variant == kPrimaryVariant) {
        auto it = std::find_if(devices->begin(), devices->end(), [&](CZembravaUSBDevice* d) {
            return sameInterface(d->GetCatalogueEntry(), *slot);
        });
        if (it != devices->end() && !(*it)->CommandChannel().IsOpen()) {
            CZembravaUSBDevice* device = *it;
            const bool wireless = slot->kind == KindCode(DeviceKind::WirelessMouse);
            if (device->OpenCommandChannel(slot->path, wireless)) {
                device->AttachCatalogueEntry(*slot);
                ++generations_[device];
                changed = true;
                if (CDeviceOptionUI* item = TabItemOf(device)) {
                    const bool wasVisible = item->IsItemVisible();
                    const bool select =
                        VisibleTabCount() == 0 || (wasVisible && item->IsTabSelected());
                    ShowTabItem(TabIndexOf(item), true, select);
                    item->StartTimerChain();
                }
            } else {
                // Detection frees the slot and tries again on its next pass.
                DebugOutputF("cannot open %s", slot->path.c_str());
                result = ArrivalResult::OpenFailed;
            }
        }
    } else if (slot->variant == kSecondaryVariant) {
        for (CZembravaUSBDevice* device : *devices) {
            const SupportedDeviceEntry& entry = device->GetCatalogueEntry();
            if (device->HasNotifyPath() || entry.productId != slot->productId ||
                entry.vendorId != slot->vendorId ||
                EffectiveKind(entry.kind) != EffectiveKind(slot->kind))
                continue;
            if (device->AttachNotifyPath(slot->path))
                changed = true;
            else
                result = ArrivalResult::OpenFailed;
            break;
        }
    }
    UpdateNoDeviceNotice();
    // A retried interface that still cannot be opened does not raise the
    // window every pass.
    if (changed) BringToFront();
    return result;
}

void CMainWnd::HandleRemoval(size_t index) {
    if (!detector_) return;
    const std::optional<SupportedDeviceEntry> slot = detector_->List().Slot(index);
    if (!slot) return;
    std::vector<CZembravaUSBDevice*>* devices = DevicesOfKind(slot->kind);
    if (!devices) return;
    DebugOutput(slot->kind == KindCode(DeviceKind::Keyboard) ? "删除一个键盘设备"
                : EffectiveKind(slot->kind) == KindCode(DeviceKind::Mouse) ? "删除一个鼠标设备"
                                                                           : "删除一个鼠标垫设备");
    if (slot->variant == kPrimaryVariant) {
        for (CZembravaUSBDevice* device : *devices) {
            if (!sameInterface(device->GetCatalogueEntry(), *slot)) continue;
            EndCaptureOfDevice(device);
            device->CloseCommandChannel();
            ++generations_[device];
            if (CDeviceOptionUI* item = TabItemOf(device)) HideTabItem(TabIndexOf(item));
            ShowDeviceWriteState();  // what a gone device lacks is no longer marked
            break;
        }
    } else if (slot->variant == kSecondaryVariant) {
        for (CZembravaUSBDevice* device : *devices) {
            const SupportedDeviceEntry& entry = device->GetCatalogueEntry();
            if (!device->HasNotifyPath() || entry.productId != slot->productId ||
                entry.vendorId != slot->vendorId)
                continue;
            device->DetachNotifyPath();
            break;
        }
    }
    UpdateNoDeviceNotice();
}

// --- tab items -----------------------------------------------------------------------

int CMainWnd::VisibleTabCount() const {
    return static_cast<int>(std::count_if(tabItems_.begin(), tabItems_.end(),
                                          [](CDeviceOptionUI* i) { return i->IsItemVisible(); }));
}

void CMainWnd::UpdateNoDeviceNotice() {
    const bool none = VisibleTabCount() == 0;
    if (skin::CControlUI* notice = m_PaintManager.FindControl("No_device_Link"))
        notice->SetVisible(none);
    if (skin::CControlUI* badge = m_PaintManager.FindControl("demo_device_badge"))
        badge->SetVisible(options_.demoDevices && !none);
    // A supported device this user may not open is named as the reason.
    const bool denied = none && detector_ && !detector_->PermissionDeniedPaths().empty();
    if (skin::CControlUI* text = m_PaintManager.FindControl("nodevice_text"))
        text->SetTextId(denied ? "nodevice_permission_text" : "nodevice_text");
}

void CMainWnd::ShowPowerPage(const CDeviceOptionUI& item) {
    skin::CControlUI* layout = m_PaintManager.FindControl(item.GetPowerLayoutName());
    if (!layout) return;
    if (item.GetPowerIndex() < 0) {
        layout->SetVisible(false);
        return;
    }
    layout->SetVisible(true);
    if (auto* tabs = static_cast<skin::CTabLayoutUI*>(layout->GetInterface("TabLayout")))
        tabs->SelectItem(item.GetPowerIndex());
}

void CMainWnd::ShowTabItem(int index, bool visible, bool select) {
    if (index < 0 || index >= static_cast<int>(tabItems_.size())) return;
    CDeviceOptionUI& item = *tabItems_[static_cast<size_t>(index)];
    item.SetVisible(visible);
    if (select) {
        if (item.GetPageSwitch()) item.GetPageSwitch()->SelectItem(item.GetPageIndex());
        ShowPowerPage(item);
    }
    if (item.SelectButton()) item.SelectButton()->Selected(select, true);

    int synchronised = 0;
    for (CDeviceOptionUI* i : tabItems_)
        if (i->IsItemVisible() && i->IsSynchroSelected()) ++synchronised;
    if (VisibleTabCount() == 0) {
        for (const char* name : {"device_power_switch", "device_switch"})
            if (auto* tabs = ContainerNamed<skin::CTabLayoutUI>(m_PaintManager, name, "TabLayout"))
                tabs->SelectItem(0);
    }
    UpdateNoDeviceNotice();
    OfferSynchronisation(VisibleTabCount() >= 2);
    if (synchronised <= 1)
        for (CDeviceOptionUI* i : tabItems_) i->ClearSynchro();
}

void CMainWnd::HideTabItem(int index) {
    if (index < 0 || index >= static_cast<int>(tabItems_.size())) return;
    CDeviceOptionUI& item = *tabItems_[static_cast<size_t>(index)];
    int next = -1;
    if (item.IsItemVisible() && item.IsTabSelected()) {
        // The active device goes: a capture in progress on it ends, and
        // the tabs it had disabled come back.
        EndCaptureOfDevice(item.GetPage());
        if (!controlEnabled_) EnableControls(true, true);
        for (int i = 0; i < static_cast<int>(tabItems_.size()); ++i) {
            if (i != index && tabItems_[static_cast<size_t>(i)]->IsItemVisible()) {
                next = i;
                break;
            }
        }
    }
    ShowTabItem(index, false, false);
    if (next >= 0) ShowTabItem(next, true, true);
}

void CMainWnd::OnTabSelected() {
    EndCapture();  // a capture belongs to the page it started on
    // Only the selected page's preview may tick.
    for (CDeviceOptionUI* item : tabItems_) item->UpdatePreviewTick();
    for (CDeviceOptionUI* item : tabItems_) {
        if (!item->IsTabSelected()) continue;
        // "device_select" is bound to its page of "device_switch".
        if (item->GetPageSwitch()) item->GetPageSwitch()->SelectItem(item->GetPageIndex());
        ShowPowerPage(*item);
        return;
    }
}

void CMainWnd::OnShownChanged(bool shown) {
    // Hidden to the tray, the window cannot show a capture or its stop
    // button: the keyboard is given back.
    if (!shown) EndCapture();
    for (CDeviceOptionUI* item : tabItems_) item->SetWindowShown(shown);
    // Files kept aside while the window was hidden are named now.
    if (shown) PostMessage(kMsgFilesKeptAside);
}

CZembravaUSBDevice* CMainWnd::ActiveDevice() const {
    for (CDeviceOptionUI* item : tabItems_)
        if (item->IsItemVisible() && item->IsTabSelected()) return item->GetPage();
    return nullptr;
}

void CMainWnd::EnableControls(bool applyToTabs, bool enabled) {
    if (applyToTabs) {
        if (skin::CControlUI* tabs = m_PaintManager.FindControl("device_select_layout"))
            tabs->SetEnabled(enabled);
        if (CZembravaUSBDevice* device = ActiveDevice())
            if (skin::CControlUI* profile =
                    m_PaintManager.FindSubControlByName(device, "DeviceProfileItem"))
                profile->SetEnabled(enabled);
        if (CZembravaUSBDevice* device = ActiveDevice())
            if (CKeySetControlUI* keys = CKeySetControlUI::Of(*device)) keys->SetBusy(!enabled);
    }
    controlEnabled_ = enabled;
}

// --- captured targets ------------------------------------------------------------------

std::optional<DeviceCapture> CMainWnd::CaptureActiveDevice() const {
    CZembravaUSBDevice* device = ActiveDevice();
    if (!device) return std::nullopt;
    auto it = generations_.find(device);
    return DeviceCapture{device, it == generations_.end() ? 0 : it->second};
}

bool CMainWnd::StillTheSameDevice(const DeviceCapture& capture) const {
    auto it = generations_.find(capture.device);
    return it != generations_.end() && it->second == capture.generation &&
           capture.device->CommandChannel().IsOpen();
}

}  // namespace kelno::app
