// The main window's global input capture: the single-key capture of the key
// assignment panel (message 1054), the recordings of the macro panel, the
// routing of captured events to the panel of the device that asked, and the
// endings that never leave the keyboard taken (hidden to the tray, tab or
// device gone, suspend, exit).

#include <utility>
#include <variant>

#include "app/app_messages.h"
#include "app/main_window.h"
#include "core/debug_output.h"
#include "devices/models/usb_device.h"
#include "panels/capture_panels.h"

namespace kelno::app {
namespace {

// What the user is told when a capture could not take the keyboard.
const char* FailureNotice(CaptureResult result) {
    switch (result) {
        case CaptureResult::GrabRefused:
            return "capture_grab_refused_text";
        case CaptureResult::Failed:
            return "capture_failed_text";
        default:
            return nullptr;
    }
}

}  // namespace

void CMainWnd::CreateInputHook() {
    hook_ = std::make_unique<CDeviceHook>(options_.inputCapture,
                                          [this](uint32_t message, hook::HookEvent event) {
                                              PostMessage(message, std::move(event));
                                          });
}

CaptureResult CMainWnd::StartCapture(CZembravaUSBDevice& target, int32_t mode) {
    EndCapture();
    const auto generation = generations_.find(&target);
    if (!hook_ || generation == generations_.end()) return CaptureResult::Failed;
    const CaptureResult result = hook_->StartCapture(mode, true, true);
    if (const char* notice = FailureNotice(result)) {
        ShowNoticeLater(notice);
        return result;
    }
    captureTarget_ = DeviceCapture{&target, generation->second};
    return result;
}

void CMainWnd::StartKeyCapture() {
    CZembravaUSBDevice* device = ActiveDevice();
    if (!device) return;
    IKeyCapturePanel* panel = KeyCapturePanelOf(*device);
    if (!panel) return;
    const CaptureResult result = StartCapture(*device, hook::kModeSingleKey);
    panel->OnKeyCaptureState(captureTarget_.has_value(), result);
}

void CMainWnd::StopKeyCapture() {
    if (hook_ && hook_->Mode() == hook::kModeSingleKey) EndCapture();
}

CaptureResult CMainWnd::StartInputCapture(CZembravaUSBDevice& target, int32_t mode) {
    return StartCapture(target, mode);
}

void CMainWnd::StopInputCapture() {
    if (hook_) hook_->StopCapture();
    captureTarget_.reset();
}

void CMainWnd::EndCapture() {
    if (!hook_ || !hook_->IsCapturing()) return;
    const int32_t mode = hook_->Mode();
    const std::optional<DeviceCapture> target = std::exchange(captureTarget_, std::nullopt);
    hook_->StopCapture();
    // The page still exists (pages live as long as the window), even when
    // its device went away: its panels end what they showed.
    if (!target) return;
    if (mode == hook::kModeSingleKey) {
        if (IKeyCapturePanel* panel = KeyCapturePanelOf(*target->device))
            panel->OnKeyCaptureState(false, CaptureResult::Started);
    } else if (IMacroCapturePanel* panel = MacroCapturePanelOf(*target->device)) {
        if (panel->IsRecording()) panel->EndRecording();
    }
}

void CMainWnd::EndCaptureOfDevice(const CZembravaUSBDevice* device) {
    if (captureTarget_ && captureTarget_->device == device) EndCapture();
}

bool CMainWnd::OnHookMessage(uint32_t id, const skin::MessageParam& wParam) {
    const auto* event = std::any_cast<hook::HookEvent>(&wParam);
    if (!event) return false;
    // Anything still queued from a capture that ended is dropped.
    if (!hook_ || !hook_->IsCurrent(*event) || !captureTarget_) return true;
    if (id == hook::kMsgCaptureLost) {
        DebugOutput("input capture lost");
        EndCapture();
        return true;
    }
    if (!StillTheSameDevice(*captureTarget_)) {
        EndCapture();
        return true;
    }
    CZembravaUSBDevice& device = *captureTarget_->device;
    if (id == hook::kMsgKeySingleKey) {
        if (const auto* key = std::get_if<input::KeyInput>(&event->input.event))
            if (IKeyCapturePanel* panel = KeyCapturePanelOf(device)) panel->OnCapturedKey(*key);
    } else if (const int32_t mode = hook::MacroModeOfMessage(id)) {
        if (IMacroCapturePanel* panel = MacroCapturePanelOf(device))
            panel->OnCapturedInput(mode, event->input);
    }
    return true;
}

bool CMainWnd::TakeWindowKey(const skin::InputEvent& event) {
    using Type = skin::InputEvent::Type;
    if (!hook_ || !hook_->IsWindowOnly()) return false;
    if (event.type == Type::Char) return true;  // nothing is typed while capturing
    if (event.type != Type::KeyDown && event.type != Type::KeyUp) return false;
    if (options_.windowKeyToScan) {
        if (const std::optional<input::KeyInput> key =
                options_.windowKeyToScan(event.hardwareKey, event.type == Type::KeyDown))
            hook_->OnWindowKey(*key);
    }
    return true;
}

}  // namespace kelno::app
