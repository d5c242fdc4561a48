#pragma once
// Another client of a test's X display: it may hold a focused window or the
// keyboard grab, and tells whether key presses reached it. The input-capture
// tests use it to see whether the keyboard is taken from other programs.

#include <chrono>
#include <string>

struct _XDisplay;

namespace kelno::test {

class XOtherClient {
  public:
    explicit XOtherClient(const std::string& display,
                          std::chrono::milliseconds wait = std::chrono::seconds(10));
    ~XOtherClient();
    XOtherClient(const XOtherClient&) = delete;
    XOtherClient& operator=(const XOtherClient&) = delete;

    bool Connected() const { return x_ != nullptr; }

    // A mapped top-level window with the input focus (no window manager).
    bool FocusOwnWindow();
    int GrabKeyboard();  // XGrabKeyboard's result
    void UngrabKeyboard();
    // Whether this client could take the keyboard now (it gives it back).
    bool KeyboardIsFree();
    bool WaitForKeyPress();
    // The focus comes back to the window when a keyboard grab ends.
    bool WaitForGrabEnd();
    // While the server is grabbed, no other client's request is carried out.
    void GrabServer();
    void UngrabServer();
    // Whether a key press has reached this client by now: the round trip
    // brings every event the server sent before it.
    bool GotKeyPress();

  private:
    // Waits for an event of `type` (and `mode`, for focus events).
    bool WaitFor(int type, int mode = -1);

    _XDisplay* x_;
    std::chrono::milliseconds wait_;
};

}  // namespace kelno::test
