#pragma once
// CZembravaUSBDevice: the common base of the device pages. A device object is
// at once the device's settings page (a horizontal layout built by the skin
// builder from the device layout file) and the owner of the device's two HID
// interfaces: the vendor interface (commandChannel, every command) and the
// consumer-control interface (notifyChannel, read by the notification
// thread). It binds the page's key and light buttons to key and LED indexes,
// runs the software lighting effects over its LED colours and mirrors them
// onto the light buttons.
//
// Threads: the UI thread owns the controls and calls every virtual. The
// notification thread blocks in a read of notifyChannel and never touches a
// control: it posts to the UI thread (UiTaskPoster). The lighting thread
// steps the effects and sends the light frames, so a slow or failing frame
// never stalls the UI thread. LED colours and key levels live in a
// SoftwareLighting object, which is locked; the light setting bytes are
// guarded by their own lock.

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "core/serial_worker.h"
#include "core/worker_thread.h"
#include "devices/detect/catalogue.h"
#include "devices/hid/command_channel.h"
#include "devices/model/commit_result.h"
#include "devices/model/device_link.h"
#include "devices/models/custom_effect_player.h"
#include "devices/models/light_list_overlay.h"
#include "devices/models/software_lighting.h"
#include "profiles/profile_records.h"
#include "skin/layout/layouts.h"

namespace kelno {

// Window messages a device sends its owner.
inline constexpr uint32_t UWM_DEVICE_POWER_MSG = 0x0D01;
// A device write the user started has ended; lParam: the channel's result
// (kChannelOk, or what failed). The page's HasFailedWrites() says whether
// the device still lacks something the user changed.
inline constexpr uint32_t UWM_DEVICE_WRITE_MSG = 0x0D02;
// The profile file could not be written: the page shows, and the device
// holds, what the file still holds.
inline constexpr uint32_t UWM_DEVICE_SAVE_FAILED_MSG = 0x0D03;

// What a write the user starts puts on the device: a later write of the
// same kind replaces what a failed one did not bring.
enum class DeviceWriteKind : uint8_t {
    Settings = 1 << 0,
    KeyLights = 1 << 1,
    KeyMap = 1 << 2,
};

// The tab item's timers that drive a device page.
inline constexpr uint32_t kTimerLightTick = 1000;    // every 20 ms: LightTick
inline constexpr uint32_t kTimerInitialSync = 1001;  // once, 500 ms after arrival
inline constexpr uint32_t kTimerSyncRequest = 1002;  // set by the notification thread
inline constexpr uint32_t kTimerPowerPoll = 1005;  // every 5000 ms when powerPolling

// The owner window's message entry (the main window binds its PostMessage).
// Called on the UI thread only.
using DeviceMessageSink = std::function<void(uint32_t message, uintptr_t wParam, intptr_t lParam)>;

// What the wireless power indicator offers its device.
class IPowerStatusView {
  public:
    virtual ~IPowerStatusView() = default;
    virtual void SetPowerPolling(bool polling) = 0;
    // The 6-byte power status (byte 0: the level in percent, byte 1: the
    // charging state, byte 3: 1 when wireless).
    virtual void ShowPowerStatus(std::span<const uint8_t> status) = 0;
};

// What a configuration panel embedded in a device page offers the device
// (panels implement it and answer GetInterface(kDevicePanelInterface)).
inline constexpr const char* kDevicePanelInterface = "DevicePanel";
class CZembravaUSBDevice;
class IDevicePanel {
  public:
    virtual ~IDevicePanel() = default;
    // The page the panel belongs to; called when the device binds its page.
    virtual void BindDevice(CZembravaUSBDevice* device) = 0;
    // The device state changed (profile loaded, settings read back): the
    // panel shows it again.
    virtual void RefreshFromDevice() = 0;
};

// An LED colour packed into 32 bits: red, green, blue, level from the low
// byte up.
uint32_t PackLedEntry(const LedColour& colour);
LedColour UnpackLedEntry(uint32_t packed);
// The packed colour a light button takes: red | blue << 8 | green << 16.
uint32_t ButtonColour(uint8_t red, uint8_t green, uint8_t blue);

class CZembravaUSBDevice : public skin::CHorizontalLayoutUI {
  public:
    static constexpr uint8_t kNoIndex = 255;
    static constexpr std::chrono::milliseconds kStopBound = DeviceLink::kStopBound;
    static constexpr std::chrono::milliseconds kFailedFramePause{200};
    static constexpr size_t kPowerStatusSize = DeviceLink::kPowerStatusSize;

    // `backend` is the HID backend both channels open on (null: none; the
    // channels then fail to open).
    explicit CZembravaUSBDevice(std::shared_ptr<hid::HidBackend> backend = nullptr);
    ~CZembravaUSBDevice() override;

    std::string GetClass() const override;  // "ZembravaUSBDevice"
    void* GetInterface(std::string_view name) override;
    // Delivers timer 1002 when the page has no tab item (tests, tools).
    void DoEvent(skin::TEventUI& event) override;

    // --- Set-up, in the order the owner calls them ---------------------------
    void SetLayoutFile(std::string file) { layoutFile_ = std::move(file); }
    const std::string& GetLayoutFile() const { return layoutFile_; }
    void SetMainWindow(DeviceMessageSink sink) { mainWindow_ = std::move(sink); }
    // Resizes keyButtons.
    void SetKeyCount(int count);
    int GetKeyCount() const { return keyCount_; }
    // Resizes lightButtons and the LED colours, zeroing every entry.
    void SetLedCount(int count);
    int GetLedCount() const { return ledCount_; }
    void SetPowerPolling(bool polling);
    bool GetPowerPolling() const { return powerPolling_; }
    void SetProfileName(std::string name) { profileName_ = std::move(name); }
    void SetKindName(std::string name) { kindName_ = std::move(name); }
    const std::string& GetKindName() const { return kindName_; }
    // Also passes powerPolling to it. May be null.
    void SetPowerDisplay(IPowerStatusView* display);
    // Copies the entry; deviceKind from its kind (6 counts as 2),
    // interfaceRole from its variant.
    void AttachCatalogueEntry(const SupportedDeviceEntry& entry);
    const SupportedDeviceEntry& GetCatalogueEntry() const { return catalogueEntry_; }
    void SetLightConfigName(std::string name) { lightConfigName_ = std::move(name); }
    const std::string& GetLightConfigName() const { return lightConfigName_; }
    // The tab item that receives the sync timers.
    void SetOptionItem(skin::CControlUI* item) { optionItem_ = item; }
    skin::CControlUI* GetOptionItem() const { return optionItem_; }
    // Where tasks for the UI thread go; by default the page's window host.
    void SetUiTaskPoster(UiTaskPoster poster);

    // Data folders: the per-user root (the kind's folder is root / kindName)
    // and the default data folder. By default from the platform's folders
    // (AppFolders.userData, programData / "DefaultData"); tests inject theirs.
    void SetDataFolders(std::filesystem::path userDataRoot, std::filesystem::path defaultData);
    std::filesystem::path UserFolder() const;  // created when missing
    std::filesystem::path DefaultDataFolder() const;
    std::filesystem::path DefaultProfilePath() const;  // + kindName + ".Json"

    int GetDeviceKind() const { return deviceKind_; }
    int GetInterfaceRole() const { return interfaceRole_; }

    // --- Run time: the channels --------------------------------------------
    CHidCommandChannel& CommandChannel() { return link_.Command(); }
    CHidCommandChannel& NotifyChannel() { return link_.Notify(); }
    DeviceLink& Link() { return link_; }
    // Open / close the vendor interface (under its transfer lock).
    bool OpenCommandChannel(const std::string& path, bool wireless = false);
    virtual void CloseCommandChannel();
    // The consumer-control interface appeared: open notifyChannel on it and
    // start the notification thread. False when it cannot be opened.
    virtual bool AttachNotifyPath(const std::string& path);
    // It disappeared: stop the thread (cancel its read, bounded join) and
    // close the record.
    virtual void DetachNotifyPath();
    bool HasNotifyPath() const { return link_.HasNotifyPath(); }
    bool IsNotifyThreadRunning() const { return link_.IsNotifyThreadRunning(); }
    bool IsLightingThreadRunning() const { return lightingThread_.IsRunning(); }
    // Stops the device worker and both threads (bounded joins). True when
    // all ended. A transaction under way ends at its time-out; closing the
    // command channel first ends it at once.
    bool StopThreads();
    // Waits up to `bound` until the device worker has run every queued
    // transaction; what follows them is then posted to the UI thread.
    bool WaitForDeviceWork(std::chrono::milliseconds bound) { return link_.WaitForWork(bound); }
    bool IsDeviceWorkDone() const { return link_.IsWorkDone(); }
    // The last write of some kind failed and none of that kind followed it
    // (cleared when the device is opened again). UI thread.
    bool HasFailedWrites() const { return failedWrites_ != 0; }
    bool HasFailedWrite(DeviceWriteKind kind) const {
        return (failedWrites_ & static_cast<uint8_t>(kind)) != 0;
    }

    // --- Operations the kinds give their own ----------------------------------
    virtual void InitLayout();
    virtual int RefreshUi() { return 0; }
    virtual void LightBreathe();
    virtual void LightBreatheFourColours();
    virtual void LightStatic();
    virtual void LightColourCycle();
    virtual void LightBlink();
    virtual void LightBlinkFourColours();
    virtual void LightOff();
    // Mirrors the LED colours onto the light buttons (UI thread). Frames
    // are not sent from here: the lighting thread sends one after every step
    // that changed the LEDs.
    virtual void LightTick();
    virtual void SetLedColour(int index, uint32_t packed);  // ignored out of range
    virtual uint32_t GetLedColour(int index) const;  // 0 out of range
    virtual int InitialSync() { return 0; }
    virtual int OnSyncRequest() { return 0; }
    // When open: ReadStatus 6 bytes at 0, byte 3 := wireless, to the power
    // display and UWM_DEVICE_POWER_MSG(byte 4, 0) to the main window.
    virtual int PollPowerStatus();
    virtual int LoadProfile() { return 0; }
    virtual int RefreshPanels() { return 0; }
    virtual int RestoreDefaults() { return 0; }
    virtual int WriteKeyMap(int /*profileIndex*/,
                            const std::vector<KeyAssignmentPair>& /*assignments*/) {
        return 0;
    }
    virtual int WriteStoredKeyMap(int /*profileIndex*/) { return 0; }
    virtual int WriteMacros() { return 0; }
    virtual int WriteSettings(int /*profileIndex*/, int /*activeProfile*/, int /*flag*/,
                              int /*screenWidth*/, int /*screenHeight*/) {
        return 0;
    }
    virtual int FillPanelLists() { return 0; }
    virtual void RaiseKeyLevel(int index, bool fine);
    virtual void LowerKeyLevel(int index, bool fine);
    virtual void MarkRingKeys();
    virtual void RotateRing(bool forward);
    virtual void ClearKeyLevels();
    // Function pages of a device page (sub-pages 1 to 7).
    static constexpr int kLightingPage = 1;
    static constexpr int kKeysPage = 2;
    virtual void SetFunctionPage(int page);
    virtual int GetFunctionPage() const { return functionPage_; }
    virtual void BindProfilePaths() {}
    virtual std::string GetProfileName() const { return {}; }
    virtual int SaveProfile() { return 0; }
    virtual void SetLightSettings(uint32_t word0, uint32_t word1, uint32_t word2);
    virtual void SelectKey(int index) { selectedKey_ = index; }

    // A light setting the user chose, committed: the lighting shows it, the
    // profile stores it and the device is sent it; `done` hears how it ended
    // (at once or when the device answered). False when it ended at once
    // without being stored. By default the profile is saved first and the
    // device written after; a kind with a model writes first instead.
    virtual bool CommitLightSetting(const LightSetting& setting, bool clearHold, CommitDone done);

    // --- Timer entry points for the tab item --------------------------------
    // These run the same operations as the virtuals above, with their
    // transactions on the device worker so the UI thread never waits for the
    // device; pages whose operations are not split run them directly.
    // Timer 1001: InitialSync. The tab item then arms 1000 (and 1005 when
    // GetPowerPolling()).
    virtual void OnInitialSyncTimer() { InitialSync(); }

    // --- When the preview and the lighting thread work -------------------------
    // True while the current mode changes the LEDs over time; the tab item
    // ticks the preview only then (and only while it is seen), and the
    // lighting thread steps only then. A page that knows its modes says
    // which are still.
    virtual bool LightingAnimates() const { return true; }
    // The page's preview is on screen (window shown, its tab selected);
    // set by the tab item on the UI thread.
    void SetPreviewShown(bool shown);
    bool IsPreviewShown() const { return previewShown_; }
    // Called on the UI thread when LightingAnimates() or the hover state may
    // have changed, so the tab item can start or stop its tick.
    void SetPreviewStateListener(std::function<void()> listener) {
        previewListener_ = std::move(listener);
    }
    virtual void OnSyncRequestTimer() { OnSyncRequest(); }
    void OnPowerPollTimer();

    // --- State for panels and tests -------------------------------------------
    LightSetting GetLightSettings() const;
    const std::array<uint8_t, kDeviceInfoSize>& GetDeviceInfo() const { return deviceInfo_; }
    SoftwareLighting& Lighting() { return lighting_; }
    const SoftwareLighting& Lighting() const { return lighting_; }
    int GetSelectedKey() const { return selectedKey_; }
    bool IsLightingEnabled() const { return lightingEnabled_; }
    void SetLightingEnabled(bool on) { lightingEnabled_ = on; }
    bool IsPreviewEnabled() const { return previewEnabled_; }
    void SetPreviewEnabled(bool on);
    skin::CControlUI* KeyButton(int index) const;    // null out of range or unbound
    skin::CControlUI* LightButton(int index) const;  // null out of range or unbound
    skin::CContainerUI* GetKeyPanel() const { return keyPanel_; }
    // Page key -> device key and page key -> LED (255: none). Copies, taken
    // under the map lock.
    std::map<int, int> KeyToDeviceIndex() const;
    std::map<int, int> KeyToLed() const;
    // Number of light frames the lighting thread sent (failed ones included).
    uint64_t LightFramesSent() const { return framesSent_; }

  protected:
    // Binds key_N names and light_M user data among the children of
    // `panel` whose class is "DeviceKeyButton" (numbers outside the vectors
    // are ignored). With `lightByName`, "light_N" names bind light buttons
    // too.
    void BindKeyButtons(skin::CContainerUI* panel, bool lightByName);
    // Empties keyButtons, lightButtons and the LED list (a page without a
    // layout file).
    void UnbindAll();
    // The effect parameters from the light setting bytes (clamped).
    void ApplyLightSettingsToEffects(const LightSetting& setting);
    void StoreLightSettings(const LightSetting& setting);

    // Paints the light buttons from the LED colours; `colourFor` picks
    // each button's packed colour and level. By default the LED's colour.
    virtual void MirrorLedsToButtons();
    void SetLightButton(int led, uint32_t packedColour, uint8_t level);

    // --- the lighting thread ----------------------------------------------------
    // (Re)starts it. It runs PreviewStep() once when woken (a setting
    // changed) and then every StepInterval() while the mode animates and
    // someone needs the steps: the device (SendsLightFrames, wired) or a
    // preview on screen; otherwise it sleeps until woken. After a step that
    // changed the LEDs it sends the frame (a failed one is tried again
    // 200 ms later) and, when the preview does not tick, has the light
    // buttons mirrored once on the UI thread.
    void StartLightingThread();
    bool StopLightingThread();
    // Time between two steps at the current speed.
    virtual std::chrono::milliseconds StepInterval() const;
    // One step of the current effect, on the lighting thread.
    virtual void PreviewStep() {}
    // The effects the software-lit devices number alike: 1 colour cycle,
    // 2 breathing, 3 steady, 4 blinking. False for other modes.
    bool StepSharedEffect(int mode);
    // The profile's custom effect: new steps (any thread), one pass
    // (lighting thread); both under customEffectLock.
    void SetCustomEffect(std::vector<LightEffectStep> steps);
    void PlayCustomEffect();
    // False on devices that render their own lighting.
    virtual bool SendsLightFrames() const { return true; }
    // Sends the LEDs as they are now (lighting thread): one light frame
    // command by default. The channel's result.
    virtual int SendLightFrame();
    // Wakes the lighting thread early (a setting changed).
    void WakeLightingThread();
    // Tells the preview listener (UI thread).
    void NotifyPreviewState();
    // The profile's per-LED light list: replaced on the UI thread, laid over
    // the effect by the lighting thread after each step (both under
    // lightListLock).
    void ReplaceLightList(std::vector<LightListEntry> entries);
    void ApplyLightList();
    bool LightListAnimates() const { return lightListAnimates_; }

    // --- the notification thread ---------------------------------------------
    // One notification usage, on the notification thread. The base handles
    // 0x401 (posts the sync request timer) and 0x404.
    virtual void HandleNotification(uint16_t usage);
    // Delay of the sync request timer after 0x401 (500 ms; 100 on the keyboard).
    virtual uint32_t SyncRequestDelayMs() const { return 500; }
    // Runs `task` on the UI thread while this page lives.
    bool PostToUi(std::function<void()> task) { return link_.PostToOwner(std::move(task)); }
    // DeviceLink::RunOnDevice with the page's window as the owner's thread.
    // Called on the UI thread; false when nothing was queued (no UI to come
    // back to, or stopping).
    template <typename Io, typename Apply>
    bool RunOnDevice(Io io, Apply apply) {
        AdoptHostPoster();
        return link_.RunOnDevice(std::move(io), std::move(apply));
    }
    // Sets timer `id` on the tab item (on the page itself without one).
    void ArmTimer(uint32_t id, uint32_t elapseMs);
    // A write the user started: `write` (transactions and the data it
    // holds, nothing of the page) runs on the device worker after every
    // transaction queued before it, so the UI thread never waits for the
    // device; its end reaches the main window (UWM_DEVICE_WRITE_MSG). A page
    // with no UI thread to come back to (a tool) writes at once. Returns
    // kChannelNoAnswer when the channel is closed, else kChannelOk once
    // queued (the write's own result comes by the message) or the result of
    // the write made at once.
    int QueueDeviceWrite(DeviceWriteKind kind, std::function<int()> write);
    // Marks (or clears) a kind of write the device did not take and tells
    // the main window (UI thread).
    void ReportWriteResult(DeviceWriteKind kind, int result);
    // Tells the main window the profile file was not written (UI thread).
    void ReportSaveFailed();
    // A commit's end for controls of the page itself: a change not saved
    // is told to the main window.
    CommitDone TellIfNotSaved();

    // The map lock guards keyToDeviceIndex and keyToLed, which the
    // notification thread reads.
    void SetKeyMaps(std::map<int, int> keyToDevice, std::map<int, int> keyToLed);
    int PageKeyOfDeviceKey(int deviceKey) const;  // -1 when none
    int LedOfPageKey(int pageKey) const;          // kNoIndex when none

    DeviceLink link_;
    std::array<uint8_t, kDeviceInfoSize> deviceInfo_{};
    skin::CControlUI* lightPanel_ = nullptr;
    skin::CControlUI* profilePanel_ = nullptr;
    skin::CContainerUI* keyPanel_ = nullptr;
    skin::CControlUI* optionItem_ = nullptr;
    IPowerStatusView* powerDisplay_ = nullptr;
    skin::CControlUI* functionSwitch_ = nullptr;
    skin::CControlUI* keyFunctionSwitch_ = nullptr;
    std::string layoutFile_;
    DeviceMessageSink mainWindow_;
    std::string profileName_;
    std::string lightConfigName_ = "tovra_light";
    std::string kindName_;
    int deviceKind_ = 0;
    int interfaceRole_ = 0;
    int keyCount_ = 0;
    int ledCount_ = 0;
    int selectedKey_ = -1;
    int functionPage_ = 1;
    std::vector<skin::CControlUI*> keyButtons_;
    std::vector<skin::CControlUI*> lightButtons_;
    SoftwareLighting lighting_;
    std::atomic<bool> lightingEnabled_{true};
    std::atomic<bool> previewEnabled_{true};
    SupportedDeviceEntry catalogueEntry_;
    bool powerPolling_ = false;
    std::mutex customEffectLock_;
    CustomEffectPlayer customEffect_;  // under customEffectLock_
    std::mutex lightListLock_;
    LightListOverlay lightList_;  // under lightListLock_
    std::atomic<bool> lightListAnimates_{false};

  private:
    void LightingLoop(const std::stop_token& token);
    // Whether the lighting thread has steps to run without being woken.
    bool LightingStepsWanted() const;
    // One step; true when it changed the LEDs.
    bool RunLightingStep();
    // True when the LEDs differ from what the last step or change left.
    bool TakeLedChanges();
    // Mirrors the LEDs on the UI thread once (coalesced).
    void PostMirror();
    // False when a frame was wanted and sending it failed.
    bool SendFrameIfWanted();

    mutable std::mutex settingsMutex_;
    LightSetting lightSettings_;
    mutable std::mutex mapMutex_;
    std::map<int, int> keyToDeviceIndex_;
    std::map<int, int> keyToLed_;

    std::filesystem::path userDataRoot_;
    std::filesystem::path defaultDataFolder_;
    bool foldersSet_ = false;

    std::atomic<uint32_t> notifyCounter_{0};

    std::mutex wakeMutex_;
    std::condition_variable_any wake_;
    bool wakeRequested_ = false;
    std::atomic<bool> frameWanted_{false};
    std::atomic<bool> previewShown_{false};
    std::vector<LedColour> lastSteppedLeds_;  // the lighting thread's own
    std::atomic<bool> mirrorPending_{false};
    std::function<void()> previewListener_;
    std::atomic<uint64_t> framesSent_{0};
    WorkerThread lightingThread_{"device-lighting"};

    void ShowPowerReading(const DeviceLink::PowerReading& reading);
    // The window host's poster, taken when the link has none yet.
    void AdoptHostPoster();
    uint8_t failedWrites_ = 0;  // DeviceWriteKind bits; UI thread
};

}  // namespace kelno
