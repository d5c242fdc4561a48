#pragma once
// CDeviceHook: the main window's global input capture for a single key and
// for macro recordings. While a capture runs the keyboard belongs to us
// (keys are swallowed everywhere, the lock keys still toggle) and every
// event is posted to the window as the message of the capture's mode, in
// the order of the user's input.
//
// Where the session offers no global capture (a Wayland desktop), a capture
// falls back to the keys the window itself receives (`OnWindowKey`): the
// caller is told, so the panel can say that keys count only while the
// window has the focus.
//
// Threads: Start/Stop/IsCurrent on the UI thread; the capture's own thread
// only posts.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include "devices/hook/hook_messages.h"
#include "platform/input/input_capture.h"

namespace kelno {

enum class CaptureResult {
    Started,
    WindowOnly,   // no global capture here: only the window's own keys count
    GrabRefused,  // another program holds the keyboard
    Failed,
};

class CDeviceHook {
  public:
    // Hands a message to the window from any thread (owned payload).
    using Post = std::function<void(uint32_t message, hook::HookEvent event)>;

    // `capture` may be null: every capture is then window-only.
    CDeviceHook(std::shared_ptr<input::IInputCapture> capture, Post post);
    // Releases the keyboard.
    virtual ~CDeviceHook();
    CDeviceHook(const CDeviceHook&) = delete;
    CDeviceHook& operator=(const CDeviceHook&) = delete;

    // Ends a running capture first (so nothing arrives twice), then captures
    // for `mode`. Keys are always taken; mouse buttons only when
    // `mouseHook` is set and the mode is a macro mode. Nothing is kept when
    // it fails.
    CaptureResult StartCapture(int32_t mode, bool keyboardHook, bool mouseHook);
    // Releases the keyboard; true when a capture was running. Events of the
    // ended capture still queued are no longer current.
    bool StopCapture();

    bool IsCapturing() const { return capturing_; }
    int32_t Mode() const { return capturing_ ? mode_ : 0; }
    // The event belongs to the capture running now.
    bool IsCurrent(const hook::HookEvent& event) const {
        return capturing_ && event.generation == generation_;
    }
    // A window-only capture takes the keys the window receives.
    bool IsWindowOnly() const { return capturing_ && windowOnly_; }
    void OnWindowKey(const input::KeyInput& key);

  private:
    void PostEvent(int32_t mode, uint64_t generation, const input::CapturedInput& input) const;

    std::shared_ptr<input::IInputCapture> capture_;
    Post post_;
    int32_t mode_ = 0;
    uint64_t generation_ = 0;
    bool capturing_ = false;
    bool windowOnly_ = false;
};

}  // namespace kelno
