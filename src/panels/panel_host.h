#pragma once
// What the configuration panels need from the main window: the screen size
// that travels with every settings write, the message box, the file
// dialogs, the enable operation, the profile-switch timer and the start of
// the same-mode synchronisation, pop-up menus and the global input capture. The main window
// implements it; tests give the panels a double that records the calls and answers the dialogs.

#include <cstdint>
#include <optional>
#include <string>

#include "devices/hook/device_hook.h"

namespace kelno {

class CZembravaUSBDevice;

struct ScreenSize {
    int width = 0;
    int height = 0;
};

class IPanelHost {
  public:
    enum class Buttons { Ok, OkCancel };
    enum class Choice { Ok, Cancel };

    virtual ~IPanelHost() = default;

    // The screen size in pixels, taken once at window initialisation.
    virtual ScreenSize GetScreenSize() const = 0;
    // The modal message box with a language text id; `number` fills the
    // text's one integer argument where it has one.
    virtual Choice ShowMessage(const std::string& textId, Buttons buttons,
                               std::optional<int> number = std::nullopt) = 0;
    // The message box with an Ok button, shown once the current event has
    // been handled: for notices that arise inside a load or a device's
    // synchronisation, where a modal loop must not run.
    virtual void ShowNoticeLater(const std::string& textId) = 0;
    // Open / save dialogs for profile files ("*.json"); nothing when
    // cancelled.
    virtual std::optional<std::string> ChooseProfileToOpen() = 0;
    virtual std::optional<std::string> ChooseProfileToSave(const std::string& suggestedName) = 0;
    // The same for macro files ("*.mac").
    virtual std::optional<std::string> ChooseMacroToOpen() = 0;
    virtual std::optional<std::string> ChooseMacroToSave(const std::string& suggestedName) = 0;
    // A pop-up menu from a menu layout file at the pointer; the name of the
    // item chosen comes back to the window as a menu command (1145).
    virtual void ShowMenuAtPointer(const std::string& menuFile) = 0;
    // The main window's enable operation with apply-to-tabs set: the device
    // tabs and the active device's profile control follow `enabled`.
    virtual void EnableControls(bool enabled) = 0;
    // Starts (restarts) the main window's timer 1055 for a profile picked on
    // `target`'s page; when it fires the main window runs
    // CDeviceProfileUI::Of(target)->SwitchToSelectedProfile(target).
    virtual void StartProfileSwitchTimer(CZembravaUSBDevice& target) = 0;
    // "deng_same_mode": the same-mode lighting synchronisation.
    virtual void StartSameModeSynchronisation() = 0;
    // The global input capture of a macro recording (mode 4, 8, 16 or 32):
    // its events go to the macro panel of `target` until it is stopped, or
    // until the window hides, the device or its tab goes or the program
    // ends, when the panel is told to end the recording.
    virtual CaptureResult StartInputCapture(CZembravaUSBDevice& target, int32_t mode) = 0;
    virtual void StopInputCapture() = 0;
};

}  // namespace kelno
