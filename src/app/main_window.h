#pragma once
// CMainWnd: the application's main window. It hosts the device tabs and
// pages (one hidden page, tab item and power indicator per device kind),
// runs the detection thread as its IDeviceListObserver, routes every control
// notification of its skin to the class that owns the control, owns the tray
// icon and shuts the workers down cooperatively.
//
// Threads: everything here runs on the UI thread except the three
// IDeviceListObserver calls (detection thread), which hand their work to the
// UI thread as window messages, and the Post* entry points, which any thread
// may call.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "panels/notify_routes.h"
#include "app/ui/set_wnd.h"
#include "app/ui/skin_frame.h"
#include "core/settings_store.h"
#include "devices/detect/catalogue.h"
#include "devices/detect/device_detector.h"
#include "devices/hook/device_hook.h"
#include "panels/panel_host.h"
#include "platform/audio/audio_config_lib.h"
#include "platform/input/input_capture.h"
#include "platform/input_settings/input_settings_worker.h"
#include "skin/window/tray_icon.h"
#include "skin/window/window_impl_base.h"

namespace kelno {
class CZembravaUSBDevice;
class CZembravaKeyboardDevice;
class CZembravaMouseDevice;
class LightSynchroniser;
namespace hid {
class HidBackend;
}
}  // namespace kelno

namespace kelno::app {

class CDeviceOptionUI;
class CLanguageManager;

// The device an action started on, and which of its arrivals it was.
struct DeviceCapture {
    CZembravaUSBDevice* device = nullptr;
    uint64_t generation = 0;
};

struct MainWindowOptions {
    std::shared_ptr<hid::HidBackend> backend;  // the devices' HID backend
    Catalogue catalogue = Catalogue::Shipped();
    // The devices are emulated: the window marks them as demo devices.
    bool demoDevices = false;
    std::filesystem::path userData;      // per-user data root (kind folders below it)
    std::filesystem::path defaultData;   // "DefaultData" of the program
    std::filesystem::path configFolder;  // the settings store (the language choice)
    // Tells other programs whether we drive the lighting (may be empty).
    std::function<void(uint32_t wParam, uint32_t lParam)> announceLightControl;
    // False: no detection thread; tests run the passes on the UI thread.
    bool startDetectionThread = true;
    std::string trayIconPath;
    // The global input capture of key capture and macro recording; null
    // where the session has none (captures then take the window's keys).
    std::shared_ptr<input::IInputCapture> inputCapture;
    // The window's own key events as scan codes (hardware key code, press).
    std::function<std::optional<input::KeyInput>(uint32_t hardwareKey, bool down)> windowKeyToScan;
    // The system's pointer, wheel, double-click and key-repeat settings that
    // the mouse and keyboard pages change; null: the pages keep them in
    // their profiles only.
    std::shared_ptr<input_settings::IInputSettings> inputSettings;
    // The headset's audio settings; null: the headset page says its audio
    // is unavailable and its audio controls change nothing.
    std::shared_ptr<audio::IAudioConfigLib> audioLibrary;
    // Updates, checked each time the settings window opens: the server
    // (none: the window says no server is configured), the transfers'
    // client (null: no check), what shows a download to the user, and the
    // cache folder whose "UpdateData" keeps the downloads.
    update::UpdateServer updateServer;
    std::shared_ptr<update::IHttpClient> updateClient;
    std::shared_ptr<update::IInstallerLauncher> updateLauncher;
    std::filesystem::path cacheFolder;
};

class CMainWnd : public skin::WindowImplBase, public IDeviceListObserver, public IPanelHost {
  public:
    static constexpr int kLogicalWidth = 1099;
    static constexpr int kLogicalHeight = 741;
    static constexpr uint32_t kProfileSwitchDelayMs = 400;
    static constexpr uint32_t kNoticeDelayMs = 1;
    static constexpr uint32_t kSizeNormaliseDelayMs = 100;

    explicit CMainWnd(MainWindowOptions options);
    // Shuts down (when Exit did not) before the pages go.
    ~CMainWnd() override;

    // Builds the window ("XML_MAIN"); hidden until the first detection pass.
    bool CreateMainWindow();

    void Notify(skin::TNotifyUI& msg) override;
    skin::CControlUI* CreateControl(const std::string& className) override;
    // A layout file ("XML\\DeviceXml\\keyboarddevice.xml") built with this
    // window as element factory and paint manager; null when it fails.
    skin::CControlUI* BuildLayout(const std::string& file);

    // --- IDeviceListObserver (detection thread) -------------------------------
    ArrivalResult OnDeviceArrival(size_t slot, const std::stop_token& stop) override;
    void OnDeviceRemoval(size_t slot, const std::stop_token& stop) override;
    void OnFirstPassDone() override;

    // --- From other threads and the session ------------------------------------
    void PostWakeUp();  // a second start
    void PostLightControlRequest(uint32_t wParam, uint32_t lParam);
    void PostSleep(bool suspending);  // logind

    // The tray menu's "exit": stops the workers, removes the tray icon and
    // closes the window, which ends the message loop.
    void Exit();
    // Stops the detection thread and every device's threads (bounded,
    // cooperative) and closes the channels. Idempotent.
    void Shutdown();

    // --- IPanelHost -----------------------------------------------------------------
    ScreenSize GetScreenSize() const override { return screen_; }
    Choice ShowMessage(const std::string& textId, Buttons buttons,
                       std::optional<int> number = std::nullopt) override;
    void ShowNoticeLater(const std::string& textId) override;
    std::optional<std::string> ChooseProfileToOpen() override;
    std::optional<std::string> ChooseProfileToSave(const std::string& suggestedName) override;
    std::optional<std::string> ChooseMacroToOpen() override;
    std::optional<std::string> ChooseMacroToSave(const std::string& suggestedName) override;
    void ShowMenuAtPointer(const std::string& menuFile) override;
    void EnableControls(bool enabled) override { EnableControls(true, enabled); }
    // Captures `target` now; when the timer fires the switch happens only if
    // the same arrival of that device is still connected.
    void StartProfileSwitchTimer(CZembravaUSBDevice& target) override;
    void StartSameModeSynchronisation() override;
    CaptureResult StartInputCapture(CZembravaUSBDevice& target, int32_t mode) override;
    void StopInputCapture() override;

    // --- State for other parts and tests ----------------------------------------
    // The page behind the first visible, selected tab item; null when none.
    CZembravaUSBDevice* ActiveDevice() const;
    DeviceDetector* Detector() { return detector_.get(); }
    const std::vector<CDeviceOptionUI*>& TabItems() const { return tabItems_; }
    const std::vector<CZembravaUSBDevice*>& Keyboards() const { return keyboards_; }
    const std::vector<CZembravaUSBDevice*>& Mice() const { return mice_; }
    const LightSynchroniser* Synchroniser() const { return synchroniser_.get(); }
    const std::shared_ptr<audio::IAudioConfigLib>& AudioLibrary() const {
        return options_.audioLibrary;
    }
    // Why a background could not be shown: the text id the user is told
    // (empty, and true, when it is shown).
    struct SkinApplied {
        std::string failureText;
        explicit operator bool() const { return failureText.empty(); }
    };
    // Shows the background of `choice` on the window's root; nothing
    // changes when its picture cannot be loaded.
    SkinApplied ApplySkin(const SkinChoice& choice);
    // The settings window while it is open, else null.
    CSetWnd* SettingsWindow() const { return settingsWindow_; }
    const std::vector<skin::CControlUI*>& PowerIndicators() const { return powerIndicators_; }
    bool IsPowerActive() const { return powerActive_; }
    int GetLightControlFlag() const { return lightControl_; }
    bool IsControlEnabled() const { return controlEnabled_; }
    // The enable operation: with `applyToTabs`, enables or disables the tab
    // strip and the active device's profile control.
    void EnableControls(bool applyToTabs, bool enabled);
    // Shows the "No_device_Link" notice exactly when no tab item is visible.
    void UpdateNoDeviceNotice();
    void ShowDeviceWriteState();
    skin::CTrayIcon& Tray() { return tray_; }
    const CDeviceHook* Hook() const { return hook_.get(); }

  protected:
    std::string GetSkinFile() override { return "XML_MAIN"; }
    void InitWindow() override;
    int64_t HandleMessage(uint32_t id, const skin::MessageParam& wParam,
                          const skin::MessageParam& lParam) override;
    // The close button and the window manager hide the window to the tray.
    void OnCloseRequest() override;
    void OnShownChanged(bool shown) override;
    // Says "first paint" once (KELNO_DEBUG=1), for the start-up report.
    void OnHostPaint(cairo_t* cr, const skin::Rect& dirty) override;
    bool PreviewInput(const skin::InputEvent& event) override;
    void OnTimer(uint32_t id) override;
    void OnFinalMessage() override;

    // Entry points that reach windows of other Parts; tests replace them.
    // The message box: the button chosen.
    virtual Choice AskQuestion(const std::string& textId, Buttons buttons,
                               std::optional<int> number);
    // Timer 1055 fired for `device`: the profile panel switches profiles.
    virtual void SwitchToSelectedProfile(CZembravaUSBDevice& device);
    // A notice with lines of plain text (file names) under the language text.
    virtual void ShowNoticeWithDetail(const std::string& textId, const std::string& detail);

  private:
    // Window initialisation ("windowinit").
    void OnWindowInit();
    void BuildDevicePages();
    bool BuildKindPage(const DeviceKindEntry& kindRow);

    // Arrival and removal on the UI thread.
    ArrivalResult HandleArrival(size_t slot);
    void HandleRemoval(size_t slot);
    std::vector<CZembravaUSBDevice*>* DevicesOfKind(int kind);
    CDeviceOptionUI* TabItemOf(const CZembravaUSBDevice* device) const;
    int TabIndexOf(const CDeviceOptionUI* item) const;
    void ShowTabItem(int index, bool visible, bool select);
    void HideTabItem(int index);
    void OnTabSelected();
    int VisibleTabCount() const;
    void ShowPowerPage(const CDeviceOptionUI& item);

    // Window behaviour.
    void NormaliseSize();
    void BringToFront();
    void TrayClick();
    void ShowTrayMenu();
    void OnMenuCommand(const std::string& command);
    void ToggleLightControl();
    void SetLightControl(int flag);
    void TellDevicesLightControl(bool on);
    void TellDevicesHovered(bool hovered);
    void OnWindowTimer(uint32_t id);
    void OnSleep(bool suspending);
    void SetUpLanguage();
    void ApplyLanguage(int index);
    void RefreshTrayMenu();
    std::vector<CZembravaUSBDevice*> AllDevices() const;

    // Global input capture (main_window_capture.cpp).
    void CreateInputHook();
    // Ends any capture, then captures for `target`'s panels; a failure is
    // told to the user and keeps nothing.
    CaptureResult StartCapture(CZembravaUSBDevice& target, int32_t mode);
    void StartKeyCapture();  // 1054 with 1
    void StopKeyCapture();   // 1054 with 0
    // Ends the running capture; a recording ends as its stop button ends it.
    void EndCapture();
    void EndCaptureOfDevice(const CZembravaUSBDevice* device);
    // A captured event or the capture's loss; false for a foreign message.
    bool OnHookMessage(uint32_t id, const skin::MessageParam& wParam);
    // A window-only capture takes the window's own keys: true when taken.
    bool TakeWindowKey(const skin::InputEvent& event);

    // Routing.
    void Dispatch(const Route& route, skin::TNotifyUI& msg);
    void RouteToActiveKeyboard(skin::TNotifyUI& msg);
    // The mouse controls go to the active page when it is a mouse's.
    void RouteToActiveMouse(skin::TNotifyUI& msg);

    // OS input settings (main_window_input_settings.cpp): the pages' values
    // applied on the settings worker; a failure shows "os_setting_notice".
    void CreateInputSettingsWorker();
    // The system setting that `control` of the page stands for, if any.
    void ApplyMouseSetting(const CZembravaMouseDevice& mouse, std::string_view control);
    void ApplyKeyboardSetting(const CZembravaKeyboardDevice& keyboard, std::string_view control);
    void ShowInputSettingOutcome(input_settings::Setting setting, input_settings::Outcome outcome);
    void RouteToLightingPanel(const Route& route, skin::TNotifyUI& msg);
    void RouteToKeyPanel(const Route& route, skin::TNotifyUI& msg);
    void RouteToHeadsetPanel(const Route& route, skin::TNotifyUI& msg);
    // The skin picker (main_window_skin.cpp): opened under the skin button;
    // a pick is shown (a custom picture chosen in the file dialog first) and
    // kept in main.ini for the next start.
    void OpenSkinPicker();
    void OnSkinPicked(const CSkinFrame::Pick& pick);
    // The background the user chose last time; one that cannot be shown
    // leaves the default and is told once the window is up.
    void ApplyStoredSkin();
    // The settings window (main_window_settings.cpp): one at a time, docked
    // under the title bar's right end or centred, run modally.
    void OpenSettings(bool docked);
    void CloseSettings();
    // Damaged files kept as backups (main_window_files.cpp): the backup
    // record tells the window from any thread; the files are named once
    // each, while the window shows.
    void ListenForFilesKeptAside();
    void StopListeningForFilesKeptAside();
    void ShowFilesKeptAside();
    // Each tab's connected device's release number, 0 for the others.
    std::vector<int32_t> TabItemVersions() const;
    void RouteToRecoilPanel(const Route& route, skin::TNotifyUI& msg);
    void RouteToMacroPanel(const Route& route, skin::TNotifyUI& msg);
    // "key_" n: selects the key on the key page, toggles its light on a
    // keyboard's lighting page.
    void OnKeyButton(int key);
    static bool IsLastLeftButton(CZembravaUSBDevice& device, int key);
    void RouteToProfilePanel(const Route& route, skin::TNotifyUI& msg);
    // Lighting synchronisation is offered while two or more tabs show.
    void OfferSynchronisation(bool offered);
    void RestoreDefaultsAfterQuestion();
    // An action that started on `device` may go on only while the device is
    // still connected under the same arrival.
    bool StillTheSameDevice(const DeviceCapture& capture) const;
    std::optional<DeviceCapture> CaptureActiveDevice() const;

    MainWindowOptions options_;
    std::unique_ptr<SettingsStore> settings_;
    std::unique_ptr<CLanguageManager> language_;
    std::unique_ptr<DeviceDetector> detector_;
    std::vector<CZembravaUSBDevice*> keyboards_, mice_, mousePads_, headsets_;
    std::vector<skin::CControlUI*> powerIndicators_;
    std::vector<CDeviceOptionUI*> tabItems_;
    // Counts every arrival and removal of each page, so an action that
    // waited can tell that its device went away meanwhile.
    std::map<const CZembravaUSBDevice*, uint64_t> generations_;
    std::optional<DeviceCapture> pendingProfileSwitch_;
    std::unique_ptr<CDeviceHook> hook_;
    std::unique_ptr<input_settings::InputSettingsWorker> inputSettingsWorker_;
    std::unique_ptr<LightSynchroniser> synchroniser_;
    uint32_t failedInputSettings_ = 0;  // a bit per Setting whose last value failed
    std::optional<DeviceCapture> captureTarget_;  // whose panel gets the captured input
    std::vector<std::string> pendingNotices_;     // for kTimerNotices
    skin::CTrayIcon tray_;
    ScreenSize screen_;
    skin::CControlUI* setButton_ = nullptr;
    CSetWnd* settingsWindow_ = nullptr;
    int languageIndex_ = -1;
    int lightControl_ = 1;
    bool initialised_ = false;
    bool controlEnabled_ = true;
    bool powerActive_ = true;
    bool displayChanged_ = false;
    bool active_ = false;
    bool hovered_ = false;
    bool painted_ = false;
    bool shutDown_ = false;
};

}  // namespace kelno::app
