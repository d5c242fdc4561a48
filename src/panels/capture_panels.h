#pragma once
// What the main window hands captured input to: the key assignment panel
// takes single keys, the macro panel its recordings. The panels implement
// these; the window finds them on the capture's device page.

#include <cstdint>

#include "devices/hook/device_hook.h"
#include "platform/input/input_capture.h"

namespace kelno {

class CZembravaUSBDevice;

class IKeyCapturePanel {
  public:
    static constexpr const char* kInterface = "KeyCapturePanel";
    virtual ~IKeyCapturePanel() = default;
    // A key of the single-key capture (presses and releases).
    virtual void OnCapturedKey(const input::KeyInput& key) = 0;
    // How the capture the panel asked for started (or that it ended:
    // `capturing` false), so the panel shows what really happens.
    virtual void OnKeyCaptureState(bool capturing, CaptureResult result) = 0;
};

class IMacroCapturePanel {
  public:
    static constexpr const char* kInterface = "MacroCapturePanel";
    virtual ~IMacroCapturePanel() = default;
    // An event of a recording in capture mode `mode` (4, 8, 16 or 32).
    virtual void OnCapturedInput(int32_t mode, const input::CapturedInput& input) = 0;
    virtual bool IsRecording() const = 0;
    // The capture ends without the stop button (window hidden, device or
    // tab gone, exit): the recording ends as Stop ends it, kept and saved.
    virtual void EndRecording() = 0;
};

// The panels on a device page; null when the page has none.
IKeyCapturePanel* KeyCapturePanelOf(CZembravaUSBDevice& device);
IMacroCapturePanel* MacroCapturePanelOf(CZembravaUSBDevice& device);

}  // namespace kelno
