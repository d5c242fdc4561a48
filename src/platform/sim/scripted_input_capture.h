#pragma once
// The input-capture seam without a display, for tests and the demo mode: the
// test decides how Start ends, feeds what a user would type or click, and
// ends a capture the way a lost display would. Every call is recorded.
// Thread-safe; handlers run on the thread that feeds.

#include <mutex>
#include <optional>
#include <vector>

#include "platform/input/input_capture.h"

namespace kelno::sim {

class ScriptedInputCapture final : public input::IInputCapture {
  public:
    struct Call {
        enum class Kind { Start, Stop } kind = Kind::Start;
        input::CaptureRequest request;  // Start only
    };

    // How later Starts end; Started until changed.
    void SetStartOutcome(input::CaptureStart outcome);

    input::CaptureStart Start(const input::CaptureRequest& request, input::InputHandler onInput,
                              input::CaptureLostHandler onLost) override;
    void Stop() override;
    bool Capturing() const override;

    // Hands `input` to the running capture's handler on the calling thread;
    // false (and dropped) when nothing is capturing.
    bool Feed(const input::CapturedInput& input);
    // Ends the running capture by itself: Capturing() turns false, then its
    // lost handler runs on the calling thread. False when nothing was running.
    bool Lose();

    std::vector<Call> Calls() const;
    // The request of the running capture.
    std::optional<input::CaptureRequest> RunningRequest() const;

  private:
    struct Running {
        input::CaptureRequest request;
        input::InputHandler onInput;
        input::CaptureLostHandler onLost;
    };

    // Recursive: a handler may call Stop or Start. Held while a handler
    // runs, so once Stop returns no handler is running or will run.
    mutable std::recursive_mutex mutex_;
    input::CaptureStart outcome_ = input::CaptureStart::Started;
    std::optional<Running> running_;
    std::vector<Call> calls_;
};

}  // namespace kelno::sim
