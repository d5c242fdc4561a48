#pragma once
// Global input capture on an X display: the keyboard is taken with a core
// grab on the root window (keys reach no other client; the server's XKB
// still toggles the lock keys), and keys and mouse buttons are read as
// XInput 2 raw events, which carry no auto-repeat and arrive wherever the
// focus and the pointer are. The mouse is not grabbed.
//
// The capture has its own connection to the display, never shared with the
// toolkit, owned by one thread. The thread is started by the first Start
// and serves every later one; Start and Stop are requests to it, answered
// within a bound, so Start returns the grab's real outcome.
//
// Limits: a broken connection is noticed while the thread waits for the
// display (the usual case: the server went away or dropped the client); one
// that breaks inside an Xlib call reaches Xlib's process-wide I/O error
// handler, which ends the program unless the program replaced it. The
// server ends a keyboard grab on the root window by itself only through its
// "ungrab" key action (off by default), which is not detected.

#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/input/input_capture.h"

namespace kelno::input {

class X11InputCapture final : public IInputCapture {
  public:
    // `displayName` as XOpenDisplay takes it; empty means $DISPLAY. Nothing
    // is opened before the first Start.
    explicit X11InputCapture(std::string displayName = {});
    // Stops the capture and ends the thread, waiting a few seconds at most
    // (a thread stuck in a dead display is left to end on its own).
    ~X11InputCapture() override;
    X11InputCapture(const X11InputCapture&) = delete;
    X11InputCapture& operator=(const X11InputCapture&) = delete;

    // Unavailable when the display cannot be opened or offers no XInput 2;
    // GrabRefused when another client holds the keyboard (or the server is
    // frozen by one); Failed when the thread does not answer in time or the
    // grab fails otherwise. The handlers run on the capture's thread and may
    // call Stop (and Start) themselves; they must not wait for a thread that
    // is calling Stop.
    CaptureStart Start(const CaptureRequest& request, InputHandler onInput,
                       CaptureLostHandler onLost) override;
    // Releases the grab and the event selection and waits until the server
    // has them. Handlers of the stopped capture are not called afterwards,
    // except one that was already running when the bound ran out.
    void Stop() override;
    bool Capturing() const override;

  private:
    struct Shared;
    bool OnCaptureThread() const;
    bool StartThread();

    std::shared_ptr<Shared> shared_;
    std::thread thread_;      // started by the first Start
    std::mutex callerMutex_;  // one Start or Stop from outside at a time
};

}  // namespace kelno::input
