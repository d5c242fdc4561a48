#include "platform/sim/scripted_input_capture.h"

namespace kelno::sim {

void ScriptedInputCapture::SetStartOutcome(input::CaptureStart outcome) {
    std::lock_guard lock(mutex_);
    outcome_ = outcome;
}

input::CaptureStart ScriptedInputCapture::Start(const input::CaptureRequest& request,
                                                input::InputHandler onInput,
                                                input::CaptureLostHandler onLost) {
    std::lock_guard lock(mutex_);
    calls_.push_back({Call::Kind::Start, request});
    running_.reset();  // a running capture ends first, whatever follows
    if (outcome_ == input::CaptureStart::Started) {
        running_ = Running{request, std::move(onInput), std::move(onLost)};
    }
    return outcome_;
}

void ScriptedInputCapture::Stop() {
    std::lock_guard lock(mutex_);
    calls_.push_back({Call::Kind::Stop, {}});
    running_.reset();
}

bool ScriptedInputCapture::Capturing() const {
    std::lock_guard lock(mutex_);
    return running_.has_value();
}

bool ScriptedInputCapture::Feed(const input::CapturedInput& input) {
    std::lock_guard lock(mutex_);
    if (!running_) return false;
    // A copy: the handler may stop the capture, which drops the running one.
    const input::InputHandler handler = running_->onInput;
    if (handler) handler(input);
    return true;
}

bool ScriptedInputCapture::Lose() {
    std::lock_guard lock(mutex_);
    if (!running_) return false;
    const input::CaptureLostHandler onLost = std::move(running_->onLost);
    running_.reset();
    if (onLost) onLost();
    return true;
}

std::vector<ScriptedInputCapture::Call> ScriptedInputCapture::Calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
}

std::optional<input::CaptureRequest> ScriptedInputCapture::RunningRequest() const {
    std::lock_guard lock(mutex_);
    if (!running_) return std::nullopt;
    return running_->request;
}

}  // namespace kelno::sim
