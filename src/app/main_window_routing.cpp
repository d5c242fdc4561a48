// The main window's element factory and the dispatch of control
// notifications (the table is panels/notify_routes.h) to the classes
// that own the controls.

#include <algorithm>
#include <functional>
#include <string_view>
#include <utility>

#include "app/app_messages.h"
#include "app/device_option.h"
#include "app/main_window.h"
#include "app/ui/language_manager.h"
#include "app/ui/message_box.h"
#include "app/ui/mp_device_power.h"
#include "core/debug_output.h"
#include "core/json_file.h"
#include "devices/models/keyboard_device.h"
#include "devices/models/light_sync.h"
#include "devices/models/mouse_device.h"
#include "devices/models/mouse_pad_device.h"
#include "devices/models/usb_device.h"
#include "headset/headset_device.h"
#include "headset/headset_panel_factory.h"
#include "headset/magic_control.h"
#include "headset/voice6533_control.h"
#include "panels/device_profile.h"
#include "panels/key_set_control.h"
#include "panels/light_control.h"
#include "panels/macro_control.h"
#include "panels/message_texts.h"
#include "panels/panel_factory.h"
#include "panels/shoot_control.h"
#include "panels/widgets/widget_factory.h"
#include "skin/core/attribute_values.h"
#include "skin/window/menu_wnd.h"
#include "skin/window/window_system.h"

namespace kelno::app {
namespace {

struct ElementRow {
    std::string_view name;
    // A control made by the window (devices need its HID backend).
    std::function<skin::CControlUI*(CMainWnd&, const std::shared_ptr<hid::HidBackend>&)> make;
};

skin::CControlUI* PlainContainer() {
    return new skin::CHorizontalLayoutUI();
}

template <typename Device>
ElementRow DeviceRow(std::string_view name) {
    return {name, [](CMainWnd&, const std::shared_ptr<hid::HidBackend>& backend) {
                return static_cast<skin::CControlUI*>(new Device(backend));
            }};
}

ElementRow ContainerRow(std::string_view name) {
    return {name,
            [](CMainWnd&, const std::shared_ptr<hid::HidBackend>&) { return PlainContainer(); }};
}

// Element names the skin library does not know itself. Widgets come first
// (from the widget factory), then the panels (panels/ and headset/).
const std::vector<ElementRow>& ElementTable() {
    static const std::vector<ElementRow> rows = {
        {"DeviceOption",
         [](CMainWnd&, const std::shared_ptr<hid::HidBackend>&) -> skin::CControlUI* {
             return new CDeviceOptionUI();
         }},
        DeviceRow<CZembravaKeyboardDevice>("ZembravaKeyboardDevice"),
        DeviceRow<CZembravaUSBDevice>("ZembravaUSBDevice"),
        DeviceRow<CZembravaMouseDevice>("ZembravaMouseDevice"),
        DeviceRow<CZembravaMousePadDevice>("ZembravaMousePadDevice"),
        {"ZembravaHS6533Device",
         [](CMainWnd& window, const std::shared_ptr<hid::HidBackend>& backend) -> skin::CControlUI* {
             auto* headset = new CZembravaHS6533Device(backend);
             headset->SetAudioLibrary(window.AudioLibrary());
             return headset;
         }},
        {CMpDevicePowerUI::kElementName,
         [](CMainWnd&, const std::shared_ptr<hid::HidBackend>&) -> skin::CControlUI* {
             return new CMpDevicePowerUI();
         }},
        ContainerRow("ComboEditContainerElement"),
    };
    return rows;
}

}  // namespace

skin::CControlUI* CMainWnd::CreateControl(const std::string& className) {
    if (skin::CControlUI* widget = widgets::CreateWidget(className)) return widget;
    if (skin::CControlUI* panel = CreatePanelControl(className, this, this)) return panel;
    if (skin::CControlUI* panel = CreateHeadsetPanelControl(className, this, this)) return panel;
    for (const ElementRow& row : ElementTable())
        if (skin::EqualsNoCase(row.name, className)) return row.make(*this, options_.backend);
    return nullptr;
}

void CMainWnd::Notify(skin::TNotifyUI& msg) {
    const std::string name = msg.pSender ? msg.pSender->GetName() : std::string();
    const Routing routing = RouteNotification(msg.sType, name);
    for (const Route& route : routing.routes) Dispatch(route, msg);
    // The skin library's own handling (title-bar buttons and the like)
    // follows unless the notification type ends the handling.
    if (routing.runDefaultHandling) WindowImplBase::Notify(msg);
}

IPanelHost::Choice CMainWnd::AskQuestion(const std::string& textId, Buttons buttons,
                                         std::optional<int> number) {
    MessageBoxRequest request;
    request.text = textId;
    request.buttons = buttons == Buttons::Ok ? kMessageBoxConfirm : kMessageBoxConfirmCancel;
    request.number = number;
    return showMessageBox(this, request) == kMessageBoxConfirmed ? Choice::Ok : Choice::Cancel;
}

IPanelHost::Choice CMainWnd::ShowMessage(const std::string& textId, Buttons buttons,
                                         std::optional<int> number) {
    return AskQuestion(textId, buttons, number);
}

void CMainWnd::ShowNoticeLater(const std::string& textId) {
    pendingNotices_.push_back(textId);
    SetTimer(kTimerNotices, kNoticeDelayMs);
}

std::optional<std::string> CMainWnd::ChooseProfileToOpen() {
    return skin::ShowOpenFileDialog(GetHost(), "", {{"Profiles", {"*.json", "*.Json"}}});
}

std::optional<std::string> CMainWnd::ChooseProfileToSave(const std::string& suggestedName) {
    return skin::ShowSaveFileDialog(GetHost(), "", {{"Profiles", {"*.json", "*.Json"}}}, "Json",
                                    suggestedName);
}

std::optional<std::string> CMainWnd::ChooseMacroToOpen() {
    return skin::ShowOpenFileDialog(GetHost(), "", {{"Macro Files", {"*.mac"}}});
}

std::optional<std::string> CMainWnd::ChooseMacroToSave(const std::string& suggestedName) {
    return skin::ShowSaveFileDialog(GetHost(), "", {{"Macro Files", {"*.mac"}}}, "mac",
                                    suggestedName);
}

void CMainWnd::ShowMenuAtPointer(const std::string& menuFile) {
    // A pop-up takes the input until it closes, so a second one can only
    // open once the first has gone.
    skin::IWindowSystem* system = skin::CurrentWindowSystem();
    std::optional<skin::Point> at = system ? system->PointerPosition() : std::nullopt;
    if (!at) {
        const skin::Rect mine = GetHost() ? GetHost()->WindowRect() : skin::Rect{};
        at = skin::Point{mine.left, mine.top};
    }
    skin::CMenuWnd::ShowMenu(this, menuFile, *at, [this](std::string command) {
        PostMessage(kMsgMenuCommand, std::move(command));
    });
}

void CMainWnd::SwitchToSelectedProfile(CZembravaUSBDevice& device) {
    if (CDeviceProfileUI* profile = CDeviceProfileUI::Of(device))
        profile->SwitchToSelectedProfile(device);
}

void CMainWnd::StartProfileSwitchTimer(CZembravaUSBDevice& target) {
    auto it = generations_.find(&target);
    if (it == generations_.end()) return;
    pendingProfileSwitch_ = DeviceCapture{&target, it->second};
    SetTimer(kTimerProfileSwitch, kProfileSwitchDelayMs);
}

void CMainWnd::StartSameModeSynchronisation() {
    CZembravaUSBDevice* active = ActiveDevice();
    if (!active || !synchroniser_) return;
    const LightSetting source = active->GetLightSettings();
    const std::optional<int> code =
        lightsync::CommonCode(EffectiveKind(active->GetDeviceKind()), source[LightSetting::kMode]);
    if (!code) return;  // this effect cannot be shared
    for (const auto* list : {&keyboards_, &mice_, &mousePads_, &headsets_}) {
        for (CZembravaUSBDevice* device : *list) {
            if (!device->CommandChannel().IsOpen()) continue;
            device->CommandChannel().SetLightingHold(true);
            const LightSetting target =
                lightsync::TargetSetting(source, EffectiveKind(device->GetDeviceKind()), *code);
            if (CLightControlUI* panel = CLightControlUI::Of(*device))
                panel->ShowSetting(target.Word(0), target.Word(1), target.Word(2));
            device->CommitLightSetting(target, false, [this, device](CommitResult result) {
                if (result == CommitResult::Stored) return;
                if (CLightControlUI* panel = CLightControlUI::Of(*device))
                    panel->RefreshFromDevice();
                if (result == CommitResult::NotSaved) ShowNoticeLater(texts::kSaveFailed);
            });
        }
    }
    synchroniser_->Begin(*code, source);
}

void CMainWnd::RestoreDefaultsAfterQuestion() {
    // The question is modal: the device may go away while it is open.
    const std::optional<DeviceCapture> target = CaptureActiveDevice();
    if (!target) return;
    if (AskQuestion("message_text_22", Buttons::OkCancel, std::nullopt) != Choice::Ok) return;
    if (!StillTheSameDevice(*target)) {
        DebugOutput("restore defaults dropped: its device is gone");
        return;
    }
    target->device->RestoreDefaults();
}

void CMainWnd::RouteToActiveKeyboard(skin::TNotifyUI& msg) {
    auto* keyboard = dynamic_cast<CZembravaKeyboardDevice*>(ActiveDevice());
    if (keyboard && keyboard->HandleSystemSettingNotify(msg))
        ApplyKeyboardSetting(*keyboard, msg.pSender->GetName());
}

void CMainWnd::RouteToActiveMouse(skin::TNotifyUI& msg) {
    auto* mouse = dynamic_cast<CZembravaMouseDevice*>(ActiveDevice());
    if (mouse && mouse->HandleMouseNotify(msg)) ApplyMouseSetting(*mouse, msg.pSender->GetName());
}

void CMainWnd::RouteToKeyPanel(const Route& route, skin::TNotifyUI& msg) {
    CZembravaUSBDevice* device = ActiveDevice();
    if (!device) return;
    if (CKeySetControlUI* panel = CKeySetControlUI::Of(*device))
        panel->OnRoutedNotify(route, msg, *device);
}

void CMainWnd::RouteToMacroPanel(const Route& route, skin::TNotifyUI& msg) {
    CZembravaUSBDevice* device = ActiveDevice();
    if (!device) return;
    if (CMacroControlUI* panel = CMacroControlUI::Of(*device))
        panel->OnRoutedNotify(route, msg, *device);
}

void CMainWnd::RouteToHeadsetPanel(const Route& route, skin::TNotifyUI& msg) {
    CZembravaUSBDevice* device = ActiveDevice();
    // The audio panels act on a headset only.
    if (!device || device->GetDeviceKind() != KindCode(DeviceKind::Headset)) return;
    if (route.handler == Handler::VoiceChangerOption) {
        if (CMagicControlUI* panel = CMagicControlUI::Of(*device))
            panel->OnRoutedNotify(route, msg, *device);
        return;
    }
    if (CVoice6533ControlUI* panel = CVoice6533ControlUI::Of(*device))
        panel->OnRoutedNotify(route, msg, *device);
}

void CMainWnd::RouteToRecoilPanel(const Route& route, skin::TNotifyUI& msg) {
    CZembravaUSBDevice* device = ActiveDevice();
    // Recoil presets belong to mice.
    if (!device || EffectiveKind(device->GetDeviceKind()) != KindCode(DeviceKind::Mouse)) return;
    if (CShootControlUI* panel = CShootControlUI::Of(*device))
        panel->OnRoutedNotify(route, msg, *device);
}

// A mouse must keep a left button: its last one is not opened for
// reassignment.
bool CMainWnd::IsLastLeftButton(CZembravaUSBDevice& device, int key) {
    if (EffectiveKind(device.GetDeviceKind()) != KindCode(DeviceKind::Mouse)) return false;
    auto* keys = static_cast<IKeyAssignmentDevice*>(
        device.GetInterface(IKeyAssignmentDevice::kInterface));
    if (!keys) return false;
    const auto& records = keys->GetKeyAssignments();
    if (key < 0 || key >= static_cast<int>(records.size())) return false;
    const auto isLeft = [](const KeyAssignmentPair& r) {
        return r.current.high == 0x10 && r.current.middle == 0x01 && r.current.low == 0;
    };
    return isLeft(records[static_cast<size_t>(key)]) &&
           std::count_if(records.begin(), records.end(), isLeft) == 1;
}

void CMainWnd::OnKeyButton(int key) {
    CZembravaUSBDevice* device = ActiveDevice();
    if (!device) return;
    // A page whose profile file cannot be read edits nothing.
    if (ReadJsonFile(device->GetProfileName()).isNull()) return;
    if (device->GetFunctionPage() == CZembravaUSBDevice::kKeysPage) {
        if (IsLastLeftButton(*device, key)) {
            ShowMessage(texts::kLastLeftButton, Buttons::Ok);
            return;
        }
        device->SelectKey(key);
    } else if (device->GetFunctionPage() == CZembravaUSBDevice::kLightingPage) {
        // On the lighting page a key click lights or darkens that key.
        auto* keyboard = dynamic_cast<CZembravaKeyboardDevice*>(device);
        if (!keyboard) return;
        CLightControlUI* lighting = CLightControlUI::Of(*device);
        keyboard->ToggleKeyLight(key, lighting ? lighting->GetSelectedCustomMode() : -1);
    }
}

void CMainWnd::RouteToLightingPanel(const Route& route, skin::TNotifyUI& msg) {
    CZembravaUSBDevice* device = ActiveDevice();
    if (!device) return;
    if (CLightControlUI* panel = CLightControlUI::Of(*device))
        panel->OnRoutedNotify(route, msg, *device);
}

void CMainWnd::RouteToProfilePanel(const Route& route, skin::TNotifyUI& msg) {
    CZembravaUSBDevice* device = ActiveDevice();
    if (!device) return;
    if (CDeviceProfileUI* panel = CDeviceProfileUI::Of(*device))
        panel->OnRoutedNotify(route, msg, *device);
}

void CMainWnd::OfferSynchronisation(bool offered) {
    for (CZembravaUSBDevice* device : AllDevices()) {
        if (CLightControlUI* panel = CLightControlUI::Of(*device))
            panel->SetSynchronisationOffered(offered);
        // A device alone has nothing to keep in step with.
        if (!offered) device->CommandChannel().SetLightingHold(false);
    }
}

void CMainWnd::Dispatch(const Route& route, skin::TNotifyUI& msg) {
    switch (route.handler) {
        case Handler::LogTimer:
            DebugOutputF("%s %s", msg.sType.c_str(),
                         msg.pSender ? msg.pSender->GetName().c_str() : "");
            return;
        case Handler::WindowInit:
            OnWindowInit();
            return;
        case Handler::WindowSizeChanged:
            if (std::exchange(displayChanged_, false)) NormaliseSize();
            return;
        case Handler::CloseButton:
        case Handler::Minimize:
        case Handler::Maximize:
        case Handler::Restore:
            // The skin library's title-bar handling runs after the dispatch:
            // it also swaps the maximise and restore buttons.
            return;
        case Handler::NoDeviceOk:
            OnCloseRequest();
            return;
        case Handler::ToggleLightControl:
            ToggleLightControl();
            return;
        case Handler::RestoreDefaults:
            RestoreDefaultsAfterQuestion();
            return;
        case Handler::ResetKeyRepeat:
        case Handler::KeyboardFlag:
        case Handler::KeyboardRepeatDelay:
            RouteToActiveKeyboard(msg);
            return;
        case Handler::SystemSettingSlider:
            // The sliders' names tell the pages apart; each page knows its own.
            RouteToActiveKeyboard(msg);
            RouteToActiveMouse(msg);
            return;
        case Handler::MouseOption:
        case Handler::MouseSystemOption:
        case Handler::DpiSlider:
        case Handler::DpiSliderMoving:
        case Handler::DpiEdit:
            RouteToActiveMouse(msg);
            return;
        case Handler::KeyButton:
            OnKeyButton(route.number);
            return;
        case Handler::EqualiserButton:
        case Handler::EqualiserOption:
        case Handler::EqualiserSlider:
        case Handler::CustomEqList:
        case Handler::VoiceChangerOption:
            RouteToHeadsetPanel(route, msg);
            return;
        case Handler::RecoilOption:
        case Handler::RecoilButton:
        case Handler::RecoilEdit:
            RouteToRecoilPanel(route, msg);
            return;
        case Handler::KeyAssignmentButton:
        case Handler::KeyAssignmentCheck:
        case Handler::KeyAssignmentList:
        case Handler::KeyAssignmentPendingChange:
            RouteToKeyPanel(route, msg);
            return;
        case Handler::MacroEditorButton:
        case Handler::MacroRecording:
        case Handler::MacroInsertCursorStep:
        case Handler::MacroNameList:
        case Handler::MacroDelayEdited:
        case Handler::OpenMacroActionMenu:
            RouteToMacroPanel(route, msg);
            return;
        case Handler::OpenSettingsDocked:
            OpenSettings(true);
            return;
        case Handler::OpenSkinPicker:
            OpenSkinPicker();
            return;
        case Handler::ShowDeviceSubPage:
            if (CZembravaUSBDevice* device = ActiveDevice()) device->SetFunctionPage(route.number);
            return;
        case Handler::DeviceTabSelected:
            OnTabSelected();
            return;
        case Handler::ProfileComboSelected:
        case Handler::ProfileButton:
            RouteToProfilePanel(route, msg);
            return;
        case Handler::LightingPaletteColour:
        case Handler::ColourSwatch:
        case Handler::LightingPanelButton:
        case Handler::LightingOption:
        case Handler::LightingSlider:
        case Handler::LightingList:
        case Handler::LightingColourEdit:
        case Handler::KeyboardKeysSelected:
        case Handler::MouseKeysSelected:
            RouteToLightingPanel(route, msg);
            return;
        case Handler::LanguageSelected:
            if (language_) language_->SetCurrentIndex(static_cast<int>(msg.wParam));
            SendMessage(kMsgApplyLanguage, static_cast<int64_t>(msg.wParam));
            return;
        case Handler::StartInputHook:
            SendMessage(kMsgInputHook, int64_t{1});
            return;
        case Handler::StopInputHook:
            SendMessage(kMsgInputHook, int64_t{0});
            return;
        default:
            DebugOutputF("%s (%d): not built yet", HandlerName(route.handler), route.number);
            return;
    }
}

}  // namespace kelno::app
