// The main window's life: creation, its message table, window timers, the
// tray, size and visibility, light control, suspend and shutdown.

#include "app/main_window.h"

#include <algorithm>
#include <utility>

#include "app/app_messages.h"
#include "app/device_option.h"
#include "app/tray_menu.h"
#include "app/ui/language_manager.h"
#include "core/debug_output.h"
#include "devices/models/light_sync.h"
#include "devices/models/usb_device.h"
#include "panels/macro_control.h"
#include "panels/message_texts.h"
#include "skin/controls/combo.h"
#include "skin/core/resource_manager.h"
#include "skin/window/menu_wnd.h"
#include "skin/window/window_system.h"

namespace kelno::app {
namespace {

// Activating the tray icon: the tray click (show or hide the window).
constexpr const char* kTrayShowCommand = "show";

constexpr uint32_t kWindowTimers[] = {kTimerSizeNormalise, kTimerTrayMenu, kTimerProfileSwitch};

}  // namespace

CMainWnd::CMainWnd(MainWindowOptions options)
    : options_(std::move(options)),
      settings_(
          std::make_unique<SettingsStore>(SettingsStore::ForConfigFolder(options_.configFolder))) {
    CreateInputHook();
    CreateInputSettingsWorker();
    ListenForFilesKeptAside();
}

CMainWnd::~CMainWnd() {
    Shutdown();
}

bool CMainWnd::CreateMainWindow() {
    return Create(nullptr, kApplicationTitle);
}

void CMainWnd::InitWindow() {
    DebugOutput("InitWindow");
    // The stored language replaces this one at window initialisation.
    skin::CResourceManager::GetInstance().LoadLanguage("lan_cn.xml");
    setButton_ = m_PaintManager.FindControl("setbtn");
    // The update marker waits for a check to find everything up to date; a
    // program without an update server never checks, so it has none.
    if (setButton_ && (!options_.updateServer.Configured() || !options_.updateClient))
        setButton_->SetForeImage({});
    tray_.CreateTrayIcon("kelno-driver", options_.trayIconPath, "KELNO 游戏键盘");
    RefreshTrayMenu();
    tray_.SetCommandHandler([this](const std::string& command) {
        if (command == kTrayShowCommand)
            TrayClick();
        else
            PostMessage(kMsgMenuCommand, command);
    });
}

void CMainWnd::OnWindowInit() {
    if (initialised_) return;
    if (options_.announceLightControl) options_.announceLightControl(1, 1);
    SetUpLanguage();
    RefreshTrayMenu();
    SetLightControl(lightControl_);
    // Before the pages: the mouse's settings block carries the screen size.
    if (skin::IWindowHost* host = GetHost()) {
        const skin::Rect screen = host->WorkArea();
        screen_ = {screen.Width(), screen.Height()};
    }
    ApplyStoredSkin();
    BuildDevicePages();
    // One thread animates the devices held for same-mode synchronisation.
    synchroniser_ = std::make_unique<LightSynchroniser>(AllDevices());
    synchroniser_->Start();
    // Hidden until the first detection pass is over (identity message).
    ShowWindow(false);
    detector_ = std::make_unique<DeviceDetector>(options_.backend, options_.catalogue, *this);
    if (options_.startDetectionThread) detector_->Start();
    SetTimer(kTimerSizeNormalise, kSizeNormaliseDelayMs);
    initialised_ = true;
}

// --- messages ----------------------------------------------------------------------

void CMainWnd::PostWakeUp() {
    PostMessage(kMsgIdentity, int64_t{0}, int64_t{1});
}

void CMainWnd::PostLightControlRequest(uint32_t wParam, uint32_t lParam) {
    PostMessage(kMsgLightControlRequest, int64_t{wParam}, int64_t{lParam});
}

void CMainWnd::PostSleep(bool suspending) {
    PostMessage(kMsgPowerBroadcast, int64_t{suspending ? 1 : 0});
}

void CMainWnd::OnFirstPassDone() {
    PostMessage(kMsgIdentity, int64_t{0}, int64_t{0});
}

int64_t CMainWnd::HandleMessage(uint32_t id, const skin::MessageParam& wParam,
                                const skin::MessageParam& lParam) {
    const int64_t w = skin::MessageInt(wParam);
    const int64_t l = skin::MessageInt(lParam);
    switch (id) {
        case kMsgIdentity:
            DebugOutputF("软件标示 %u，%llx %llx", id, static_cast<unsigned long long>(w),
                         static_cast<unsigned long long>(l));
            BringToFront();
            return 1;
        case kMsgLightControlRequest:
            if (w != 1) return 0;
            if (l == 0 || l == 1) SetLightControl(static_cast<int>(l));
            TellDevicesLightControl(lightControl_ != 0);
            return 1;
        case kMsgPowerBroadcast:
            OnSleep(w != 0);
            return 1;
        // Arrival and removal are handled while suspended too: the
        // detection thread does not repeat them, so ignoring them would leave
        // pages bound to interfaces that are gone (or never bound).
        case kMsgDeviceArrival:
            return static_cast<int64_t>(HandleArrival(static_cast<size_t>(w)));
        case kMsgDeviceRemoval:
            HandleRemoval(static_cast<size_t>(w));
            return 1;
        case UWM_DEVICE_WRITE_MSG:
            ShowDeviceWriteState();
            return 1;
        case UWM_DEVICE_SAVE_FAILED_MSG:
            ShowNoticeLater(texts::kSaveFailed);
            return 1;
        case kMsgSkinPicked:
            if (const auto* pick = std::any_cast<CSkinFrame::Pick>(&wParam)) OnSkinPicked(*pick);
            return 1;
        case kMsgFilesKeptAside:
            ShowFilesKeptAside();
            return 1;
        case kMsgInputSettingOutcome:
            if (w >= 0 && w < input_settings::kSettingCount)
                ShowInputSettingOutcome(static_cast<input_settings::Setting>(w),
                                        static_cast<input_settings::Outcome>(l));
            return 1;
        default:
            if (id >= hook::kMsgKeySingleKey && id <= hook::kMsgCaptureLost &&
                OnHookMessage(id, wParam))
                return 1;
            break;
    }
    if (!powerActive_) return 0;
    switch (id) {
        case kMsgInputHook:
            if (w == 1)
                StartKeyCapture();
            else if (w == 0)
                StopKeyCapture();
            return 1;
        case kMsgMenuCommand:
            if (const auto* command = std::any_cast<std::string>(&wParam)) OnMenuCommand(*command);
            return 1;
        case kMsgApplyLanguage:
            ApplyLanguage(static_cast<int>(w));
            return 1;
        case kMsgOpenSettings:
            OpenSettings(false);
            return 1;
        case kMsgDpiNotice:
            DebugOutput("界面 DPI 1发生变化");
            return 1;
        case kMsgShowSettingProgress:
            if (skin::CControlUI* progress = m_PaintManager.FindControl("setting_progress"))
                progress->SetVisible(true);
            return 1;
        case kMsgClearUpdateMarker:
            // The marker is the button's fore image; its icon stays.
            if (setButton_) setButton_->SetForeImage({});
            return 1;
        case kMsgDeviceProfile:
        case kMsgDevicePower:
            return 0;
        default:
            return skin::WindowImplBase::HandleMessage(id, wParam, lParam);
    }
}

// A change a device refused stays marked until a later write of its kind
// goes through: the window must not let the user believe the device has it.
void CMainWnd::ShowDeviceWriteState() {
    const std::vector<CZembravaUSBDevice*> devices = AllDevices();
    const bool failed = std::any_of(devices.begin(), devices.end(), [](CZembravaUSBDevice* d) {
        return d->CommandChannel().IsOpen() && d->HasFailedWrites();
    });
    if (skin::CControlUI* notice = m_PaintManager.FindControl("device_write_notice"))
        notice->SetVisible(failed);
}

void CMainWnd::OnHostPaint(cairo_t* cr, const skin::Rect& dirty) {
    WindowImplBase::OnHostPaint(cr, dirty);
    if (painted_) return;
    painted_ = true;
    DebugOutput("first paint");
}

bool CMainWnd::PreviewInput(const skin::InputEvent& event) {
    using Type = skin::InputEvent::Type;
    if (TakeWindowKey(event)) return true;
    if (event.type == Type::WindowFocusIn || event.type == Type::WindowFocusOut) {
        active_ = hovered_ = event.type == Type::WindowFocusIn;
        TellDevicesHovered(hovered_);
    } else if (event.type == Type::MouseLeave && !active_ && hovered_) {
        DebugOutput("鼠标移出");
        hovered_ = false;
        TellDevicesHovered(false);
    } else if (event.type == Type::MouseMove && !active_ && !hovered_) {
        DebugOutput("鼠标移入");
        hovered_ = true;
        TellDevicesHovered(true);
    }
    return WindowImplBase::PreviewInput(event);
}

void CMainWnd::OnSleep(bool suspending) {
    if (suspending) EndCapture();
    powerActive_ = !suspending;
    TellDevicesLightControl(!suspending && lightControl_ != 0);
}

// --- language ------------------------------------------------------------------------

void CMainWnd::SetUpLanguage() {
    language_ = std::make_unique<CLanguageManager>(options_.defaultData / "Language.config",
                                                   *settings_, &m_PaintManager);
    languageIndex_ = language_->ReadStoredLanguage();
    language_->ApplyLanguage(languageIndex_);
    if (skin::CControlUI* control = m_PaintManager.FindControl("Language_combox"))
        if (auto* combo = static_cast<skin::CComboUI*>(control->GetInterface("Combo")))
            language_->FillLanguageCombo(*combo);
}

void CMainWnd::ApplyLanguage(int index) {
    if (!language_ || !language_->ApplyLanguage(index)) return;
    languageIndex_ = index;
    // The user's pick is in use; say so when it will not be there next time.
    if (!language_->IsChoiceStored())
        AskQuestion(texts::kLanguageNotSaved, Buttons::Ok, std::nullopt);
    // Key captions are built from language texts.
    for (CZembravaUSBDevice* device : keyboards_) device->RefreshUi();
    for (CZembravaUSBDevice* device : mice_) device->RefreshUi();
    RefreshTrayMenu();
    // A pick in the settings window: the title bar's list shows it too.
    if (skin::CControlUI* control = m_PaintManager.FindControl("Language_combox"))
        if (auto* combo = static_cast<skin::CComboUI*>(control->GetInterface("Combo")))
            combo->SelectItem(index, false);
    if (settingsWindow_) settingsWindow_->PostMessage(kMsgApplyLanguage);
    m_PaintManager.NeedUpdate();
    m_PaintManager.Invalidate();
}

void CMainWnd::RefreshTrayMenu() {
    // The item texts are language texts.
    std::vector<skin::TrayMenuItem> items = TrayMenuItemsFrom("menu.xml");
    items.insert(items.begin(), {kTrayShowCommand, kApplicationTitle});
    tray_.SetMenu(std::move(items), kTrayShowCommand);
}

// --- window timers -----------------------------------------------------------------

void CMainWnd::OnTimer(uint32_t id) {
    // While suspended the timer keeps running and fires again after resume.
    if (!powerActive_) return;
    KillTimer(id);
    OnWindowTimer(id);
}

void CMainWnd::OnWindowTimer(uint32_t id) {
    switch (id) {
        case kTimerSizeNormalise:
            NormaliseSize();
            m_PaintManager.Invalidate();
            break;
        case kTimerTrayMenu:
            ShowTrayMenu();
            break;
        case kTimerProfileSwitch: {
            const std::optional<DeviceCapture> target = std::exchange(pendingProfileSwitch_, {});
            if (!target || !StillTheSameDevice(*target)) {
                DebugOutput("profile switch dropped: its device is gone");
                break;
            }
            SwitchToSelectedProfile(*target->device);
            break;
        }
        case kTimerNotices:
            for (const std::string& textId : std::exchange(pendingNotices_, {}))
                AskQuestion(textId, Buttons::Ok, std::nullopt);
            break;
        default:
            break;
    }
}

// --- size and visibility -------------------------------------------------------------

void CMainWnd::NormaliseSize() {
    skin::IWindowHost* host = GetHost();
    if (!host) return;
    const bool visible = IsVisible();
    // Centred from the new size: a native window reports its old size until
    // the resize has gone through.
    const int width = m_PaintManager.ScaleValue(kLogicalWidth);
    const int height = m_PaintManager.ScaleValue(kLogicalHeight);
    const skin::Rect area = host->WorkArea();
    const skin::Point centre = area.IsEmpty() ? host->WindowRect().Center() : area.Center();
    const int left = centre.x - width / 2, top = centre.y - height / 2;
    host->Move({left, top, left + width, top + height});
    if (visible != IsVisible()) ShowWindow(visible, false);
}

void CMainWnd::BringToFront() {
    UpdateNoDeviceNotice();
    skin::IWindowHost* host = GetHost();
    if (!host) return;
    host->Restore();
    ShowWindow(true);
}

void CMainWnd::TrayClick() {
    if (!powerActive_) return;
    UpdateNoDeviceNotice();
    CloseSettings();
    const bool visible = IsVisible();
    if (visible) {
        ShowWindow(false);
        return;
    }
    NormaliseSize();
    BringToFront();
    m_PaintManager.NeedUpdate();
    m_PaintManager.Invalidate();
}

void CMainWnd::ShowTrayMenu() {
    // The menu deletes itself when it closes; its command comes back as a
    // message so it runs after the menu is gone.
    skin::Rect mine = GetHost() ? GetHost()->WindowRect() : skin::Rect{};
    skin::CMenuWnd::ShowMenu(
        this, "menu.xml", {mine.left, mine.top - 50},
        [this](std::string command) { PostMessage(kMsgMenuCommand, std::move(command)); });
}

void CMainWnd::OnMenuCommand(const std::string& command) {
    if (command == "exit") {
        Exit();
        return;
    }
    // The other commands are the macro action menu's items.
    CZembravaUSBDevice* device = ActiveDevice();
    CMacroControlUI* macros = device ? CMacroControlUI::Of(*device) : nullptr;
    if (!macros || !macros->OnMenuCommand(command))
        DebugOutputF("menu command %s: nobody takes it", command.c_str());
}

void CMainWnd::OnCloseRequest() {
    ShowWindow(false);
}

// --- light control -------------------------------------------------------------------

void CMainWnd::ToggleLightControl() {
    const int flag = lightControl_ == 0 ? 1 : 0;
    if (options_.announceLightControl) options_.announceLightControl(1, flag);
    SetLightControl(flag);
    TellDevicesLightControl(flag != 0);
}

void CMainWnd::SetLightControl(int flag) {
    lightControl_ = flag;
    if (skin::CControlUI* status = m_PaintManager.FindControl("control_light_status"))
        status->SetTextId(flag ? "control_light_on_text" : "control_light_off_text");
}

std::vector<CZembravaUSBDevice*> CMainWnd::AllDevices() const {
    std::vector<CZembravaUSBDevice*> all;
    for (const auto* list : {&mice_, &mousePads_, &keyboards_, &headsets_})
        all.insert(all.end(), list->begin(), list->end());
    return all;
}

void CMainWnd::TellDevicesLightControl(bool on) {
    for (CZembravaUSBDevice* device : AllDevices()) device->SetLightingEnabled(on);
}

void CMainWnd::TellDevicesHovered(bool hovered) {
    for (CZembravaUSBDevice* device : AllDevices()) device->SetPreviewEnabled(hovered);
}

// --- shutdown ------------------------------------------------------------------------

void CMainWnd::Exit() {
    Shutdown();
    tray_.DeleteTrayIcon();
    Close(skin::IDOK);
}

void CMainWnd::Shutdown() {
    if (shutDown_) return;
    shutDown_ = true;
    StopListeningForFilesKeptAside();
    DebugOutput("退出测试");
    CloseSettings();
    EndCapture();  // a recording is kept; the keyboard is given back first
    ShowWindow(false);
    for (uint32_t id : kWindowTimers) KillTimer(id);
    pendingProfileSwitch_.reset();
    // The detection thread first: it may be waiting for this thread, and it
    // is released by the stop request.
    if (detector_ && !detector_->Stop()) DebugOutput("所有对象处于非激发状态，超时");
    // Before the pages it paints.
    if (synchroniser_ && !synchroniser_->Stop())
        DebugOutput("light synchronisation did not stop in time");
    for (CZembravaUSBDevice* device : AllDevices()) {
        // Closed first: a transaction the device worker is waiting on ends
        // at once instead of at its time-out.
        device->CloseCommandChannel();
        if (!device->StopThreads()) DebugOutput("所有对象处于非激发状态，超时");
        device->DetachNotifyPath();
    }
    if (inputSettingsWorker_ && !inputSettingsWorker_->Shutdown())
        DebugOutput("input settings worker did not stop in time");
    m_PaintManager.RemoveAllTimers();
}

void CMainWnd::OnFinalMessage() {
    Shutdown();
    QuitMessageLoop();
}

}  // namespace kelno::app
