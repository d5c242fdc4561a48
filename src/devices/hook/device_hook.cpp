#include "devices/hook/device_hook.h"

#include <utility>
#include <variant>

#include "core/debug_output.h"

namespace kelno {

CDeviceHook::CDeviceHook(std::shared_ptr<input::IInputCapture> capture, Post post)
    : capture_(std::move(capture)), post_(std::move(post)) {}

CDeviceHook::~CDeviceHook() {
    StopCapture();
}

void CDeviceHook::PostEvent(int32_t mode, uint64_t generation,
                            const input::CapturedInput& input) const {
    const bool mouse = std::holds_alternative<input::ButtonInput>(input.event);
    if (mouse && !hook::ModeTakesMouse(mode)) return;
    // A mode without a message still swallows the keys: nothing is sent.
    if (const std::optional<uint32_t> message = hook::HookMessageFor(mode, mouse))
        post_(*message, hook::HookEvent{generation, input});
}

CaptureResult CDeviceHook::StartCapture(int32_t mode, bool keyboardHook, bool mouseHook) {
    StopCapture();
    const uint64_t generation = ++generation_;
    // Every caller asks for the keyboard; a capture without it would let
    // the keys through to whatever has the focus while we record them.
    (void)keyboardHook;
    if (!capture_) {
        mode_ = mode;
        capturing_ = windowOnly_ = true;
        return CaptureResult::WindowOnly;
    }
    input::CaptureRequest request;
    request.mouseButtons = mouseHook && hook::ModeTakesMouse(mode);
    const Post post = post_;
    auto onInput = [this, mode, generation](const input::CapturedInput& input) {
        PostEvent(mode, generation, input);
    };
    auto onLost = [post, generation] {
        post(hook::kMsgCaptureLost, hook::HookEvent{generation, {}});
    };
    switch (capture_->Start(request, std::move(onInput), std::move(onLost))) {
        case input::CaptureStart::Started:
            mode_ = mode;
            capturing_ = true;
            windowOnly_ = false;
            return CaptureResult::Started;
        case input::CaptureStart::Unavailable:
            DebugOutput("input capture: no global capture here, the window's keys count");
            mode_ = mode;
            capturing_ = windowOnly_ = true;
            return CaptureResult::WindowOnly;
        case input::CaptureStart::GrabRefused:
            DebugOutput("input capture: another program holds the keyboard");
            return CaptureResult::GrabRefused;
        case input::CaptureStart::Failed:
            break;
    }
    DebugOutput("input capture: failed to start");
    return CaptureResult::Failed;
}

bool CDeviceHook::StopCapture() {
    if (!capturing_) return false;
    if (capture_ && !windowOnly_) capture_->Stop();
    capturing_ = windowOnly_ = false;
    mode_ = 0;
    return true;
}

void CDeviceHook::OnWindowKey(const input::KeyInput& key) {
    if (!IsWindowOnly()) return;
    PostEvent(mode_, generation_, input::CapturedInput{key, std::chrono::steady_clock::now()});
}

}  // namespace kelno
