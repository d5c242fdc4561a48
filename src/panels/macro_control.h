#pragma once
// CMacroControlUI ("MacroControl", found on a keyboard or mouse page as
// "MacroControlItem"): the macro editor. The device's macros on the left,
// the actions of the selected one on the right; every change is written to
// the macro's file at once, and the key assignment panel's macro list and
// the keys that play macros follow additions, renames and deletions.
//
// The rules live in the macro models (macros/): the library writer owns the
// files, MacroActionList the actions and the selection, MacroRecorder the
// recording. This class shows them and turns the controls into calls.
// Everything runs on the UI thread; code-driven control changes never
// re-enter the handlers.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "panels/notify_routes.h"
#include "devices/models/usb_device.h"
#include "macros/macro_action_list.h"
#include "macros/macro_library.h"
#include "macros/macro_library_writer.h"
#include "macros/macro_recorder.h"
#include "panels/capture_panels.h"
#include "panels/child_lookup.h"
#include "panels/update_scope.h"
#include "panels/message_texts.h"
#include "skin/layout/layouts.h"

namespace kelno {

class IPanelHost;
class IKeyAssignmentDevice;
namespace skin {
class CListUI;
}

inline constexpr const char* kMacroActionMenu = "XML/Menus/macro_action_menu.xml";

// The delay edit of an action item of the list; null for anything else.
skin::CControlUI* DelayEditOf(skin::CControlUI* actionItem);

class CMacroControlUI : public skin::CHorizontalLayoutUI,
                        public IDevicePanel,
                        public IMacroCapturePanel {
  public:
    static constexpr const char* kElementName = "MacroControl";
    static constexpr const char* kItemName = "MacroControlItem";
    // Scrolls the action list to the selection once the list has its layout.
    static constexpr uint32_t kEnsureVisibleTimer = 4101;
    static constexpr uint32_t kEnsureVisibleDelayMs = 50;

    using SteadyNow = std::function<std::chrono::steady_clock::time_point()>;
    // The top-left corner of the window's client area on the screen.
    using ScreenOrigin = std::function<skin::Point()>;

    explicit CMacroControlUI(IPanelHost* host = nullptr);
    ~CMacroControlUI() override;

    std::string GetClass() const override;  // "MacroControlUI"
    void* GetInterface(std::string_view name) override;
    void DoEvent(skin::TEventUI& event) override;
    static CMacroControlUI* Of(CZembravaUSBDevice& device);

    // IDevicePanel: binding takes the device's macro folder and shows its
    // macros; a refresh reloads the list only when the files changed.
    void BindDevice(CZembravaUSBDevice* device) override;
    void RefreshFromDevice() override;

    // --- Operations ---------------------------------------------------------------
    void SetMacroFolder(const std::filesystem::path& folder);
    void LoadMacroList();
    std::vector<std::string> GetMacroNames() const;
    int GetSelectedMacroIndex();  // -1 without a selection
    void OnMacroSelected();       // shows the selected macro's file
    // Each tells the user what went wrong; the library is unchanged then.
    void AddMacro();
    void DeleteMacro();
    void RenameMacro();
    void ImportMacro();
    void ExportMacro();
    // Writes the selected macro with the delays the edits show (clamped).
    // False when nothing was written.
    bool SaveMacro();
    // The controls that lock while a recording runs.
    void EnableEditing(bool enabled);
    bool IsFixedTime();
    const MacroActionList& Actions() const { return actions_; }

    // The main window's entries: the macro routes (MacroEditorButton,
    // MacroRecording, MacroInsertCursorStep, MacroNameList, MacroDelayEdited,
    // OpenMacroActionMenu) and the items of the action menu (message 1145).
    // True when handled.
    bool OnRoutedNotify(const app::Route& route, const skin::TNotifyUI& notify,
                        CZembravaUSBDevice& device);
    bool OnMenuCommand(const std::string& command);

    // IMacroCapturePanel.
    void OnCapturedInput(int32_t mode, const input::CapturedInput& input) override;
    bool IsRecording() const override { return recorder_.IsRecording(); }
    void EndRecording() override;

    // Seams for tests: the clock a recording starts on, and where the
    // window's client area is on the screen (by default from the host).
    void SetSteadyClock(SteadyNow now) { now_ = std::move(now); }
    void SetScreenOrigin(ScreenOrigin origin) { screenOrigin_ = std::move(origin); }

  private:
    skin::CControlUI* Find(const std::string& name) { return children_.Find(name); }
    skin::CListUI* NameList();
    skin::CListUI* ActionList();
    IKeyAssignmentDevice* KeyDevice() const;
    MacroLibraryWriter Writer() const { return MacroLibraryWriter(folder_); }

    // macro_control.cpp: showing the models.
    void ShowMacroList(const std::vector<MacroIndexEntry>& entries, int selected);
    void ShowActions();
    skin::CControlUI* MakeActionItem(const MacroEvent& event);
    // The list's selection into the model (the list selects on clicks).
    void TakeActionSelection();
    // The delay edits into the model, each clamped and rewritten when it
    // showed something else.
    void TakeDelayEdits();
    uint16_t TakeFixedDelay();
    PointerMoveDistances TakeMoveDistances();
    void StartEnsureVisibleTimer();

    // macro_control_handlers.cpp.
    void OnButton(const std::string& name);
    bool RunActionOperation(const std::string& name);
    bool InsertByHand(const std::string& name);
    void OpenActionMenu(const skin::TNotifyUI& notify);
    // After a change of the macro list: the key assignment panel's list and
    // the key captions follow.
    void AfterLibraryChanged();
    // The device's macro image again, when a key plays macro `index`.
    void RewriteDeviceMacrosIfPlayed(int index);
    // Keys changed by a delete: the macros, the key map and the profile.
    void StoreRemappedKeys();
    // Tells the user what a refused operation means; a failed write of the
    // index changed nothing, a failed save of the actions kept them here.
    void Report(const MacroLibraryResult& result,
                const char* writeFailedText = texts::kMacroListSaveFailed);

    // macro_control_recording.cpp.
    void StartRecording(const std::string& trigger);
    void StopRecording();
    void FinishRecording();
    std::optional<RecordedInput> ResolveInput(const input::CapturedInput& input);
    void ShowRecordedStep(const RecordedStep& step);
    bool IsOnStopButton(int32_t screenX, int32_t screenY);

    IPanelHost* host_ = nullptr;
    CZembravaUSBDevice* device_ = nullptr;
    ChildLookup children_{*this};
    std::filesystem::path folder_;
    std::vector<MacroIndexEntry> entries_;  // as the list shows them
    MacroActionList actions_;
    MacroRecorder recorder_;
    SteadyNow now_;
    ScreenOrigin screenOrigin_;
    int updating_ = 0;
};

}  // namespace kelno
