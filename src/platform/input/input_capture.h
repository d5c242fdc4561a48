#pragma once
// Global input capture: for a single-key capture or a macro recording the
// program takes the keyboard from every other program (the keys are
// swallowed; the lock keys still toggle) and reads key and mouse-button
// events wherever the pointer is. The mouse is never taken from anyone.
//
// Keys are reported as PC set-1 scan codes with the E0 ("extended") flag,
// the identity the key tables use on every platform; a backend converts
// its own key codes through an explicit table.

#include <chrono>
#include <cstdint>
#include <functional>
#include <variant>

namespace kelno::input {

struct KeyInput {
    bool down = false;
    uint8_t scanCode = 0;
    bool extended = false;  // the E0 prefix
    bool operator==(const KeyInput&) const = default;
};

enum class MouseButton : uint8_t { Left, Right, Middle, Back, Forward };

struct ButtonInput {
    bool down = false;
    MouseButton button = MouseButton::Left;
    int32_t screenX = 0;  // pointer position on the screen, in pixels
    int32_t screenY = 0;
    bool operator==(const ButtonInput&) const = default;
};

struct CapturedInput {
    std::variant<KeyInput, ButtonInput> event;
    std::chrono::steady_clock::time_point time;  // when the capture saw it
};

struct CaptureRequest {
    bool mouseButtons = false;  // also report mouse buttons (recordings)
};

enum class CaptureStart {
    Started,
    Unavailable,   // this session offers no global capture (no X display)
    GrabRefused,   // another program holds the keyboard
    Failed,        // anything else; the capture is not running
};

// Both run on the capture's own thread, in the order of the user's input.
using InputHandler = std::function<void(const CapturedInput&)>;
// The capture ended by itself (display gone, keyboard taken away).
using CaptureLostHandler = std::function<void()>;

class IInputCapture {
public:
    virtual ~IInputCapture() = default;

    // Ends a running capture first, then starts a new one; returns once the
    // keyboard is held or refused, never with a half-started capture.
    virtual CaptureStart Start(const CaptureRequest& request, InputHandler onInput,
                               CaptureLostHandler onLost) = 0;
    // Releases the keyboard. When it returns, no handler runs any more.
    // Harmless without a running capture.
    virtual void Stop() = 0;
    virtual bool Capturing() const = 0;
};

}  // namespace kelno::input
