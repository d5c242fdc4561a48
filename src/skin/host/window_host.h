#pragma once
// The boundary between a skinned window (paint manager + window class, which
// know controls) and the native window that shows it (GTK 3 on Linux, or the
// headless host that renders into an image). The host knows nothing of
// controls; the window knows nothing of GTK.

#include <cairo.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "skin/core/geometry.h"

namespace kelno::skin {

class IHostClient;

enum class MouseButton : uint8_t { None, Left, Middle, Right };

enum Modifier : uint32_t {
    kModShift = 1u << 0,
    kModControl = 1u << 1,
    kModAlt = 1u << 2,
    kModSuper = 1u << 3,
};

struct InputEvent {
    enum class Type : uint8_t {
        MouseMove,
        MouseDown,
        MouseUp,
        DoubleClick,
        MouseWheel,
        MouseLeave,  // the pointer left the window
        KeyDown,
        KeyUp,
        Char,  // text typed (UTF-8 in `text`)
        WindowFocusIn,
        WindowFocusOut,
    };
    Type type = Type::MouseMove;
    Point point;  // window coordinates (device pixels)
    MouseButton button = MouseButton::None;
    uint32_t modifiers = 0;  // Modifier bits
    int wheelDelta = 0;      // +1 up, -1 down (one notch)
    uint32_t keyCode = 0;    // X11/GDK keysym for key events
    uint32_t hardwareKey = 0;  // the key's own code (X keycode: evdev code + 8)
    std::string text;        // for Char
};

enum class CursorShape : uint8_t { Arrow, Hand, IBeam, SizeWE, SizeNS, Wait, SizeNWSE, SizeNESW };

// A window edge or corner the user can drag to resize the window.
enum class ResizeEdge : uint8_t {
    Left,
    Right,
    Top,
    Bottom,
    TopLeft,
    TopRight,
    BottomLeft,
    BottomRight
};

// What the native window offers the skinned window. Called on the UI thread
// only, except PostTask, which any thread may call.
class IWindowHost {
  public:
    virtual ~IWindowHost() = default;

    virtual Size ClientSize() const = 0;
    virtual double DpiScale() const = 0;  // 1.0 at 96 dpi

    // Asks for a repaint of part of the window (coalesced; painted later).
    virtual void Invalidate(const Rect& area) = 0;

    // Host timers: after `intervalMs`, and again every interval until
    // killed, the client's OnHostTimer(id) runs. Ids are the client's.
    virtual void SetTimer(uint32_t id, uint32_t intervalMs) = 0;
    virtual void KillTimer(uint32_t id) = 0;

    virtual void SetCapture() = 0;
    virtual void ReleaseCapture() = 0;
    virtual void SetCursor(CursorShape shape) = 0;

    // Runs `task` on the UI thread soon, in posting order. Safe from any
    // thread; false when the window is gone or closing.
    virtual bool PostTask(std::function<void()> task) = 0;

    virtual void Show(bool visible) = 0;
    virtual bool IsVisible() const = 0;
    virtual void SetTitle(const std::string& title) = 0;
    virtual void Move(const Rect& windowRect) = 0;
    virtual Rect WindowRect() const = 0;
    virtual void Minimize() = 0;
    virtual void Restore() = 0;
    virtual void BringToFront() = 0;
    virtual void Destroy() = 0;

    // Optional abilities; a host without them keeps these defaults.
    virtual void Maximize() {}
    virtual bool IsMaximized() const { return false; }
    virtual bool IsMinimized() const { return false; }
    // The usable screen area around the window (screen pixels); empty when
    // the host does not know it.
    virtual Rect WorkArea() const { return {}; }
    // The desktop clipboard's text (empty when it holds none).
    virtual void SetClipboardText(const std::string& text) {}
    virtual std::string GetClipboardText() { return {}; }
    // Shows `text` as the tooltip of the control at `anchor` (window pixels);
    // empty text hides it.
    virtual void ShowToolTip(const std::string& text, const Rect& anchor) {}
    // Where text is being typed (a focused edit's caret, window pixels), so
    // an input method shows its candidates beside it.
    virtual void SetTextInputArea(const Rect& caret) {}
    // Lets the window manager move the window with the pointer, as a drag of
    // a native title bar does; `point` is where the left button went down.
    virtual void BeginMoveDrag(Point point) {}
    // The same for resizing at an edge or corner.
    virtual void BeginResizeDrag(ResizeEdge edge, Point point) {}
    // The client sizes the user may resize the window to; 0 means no limit.
    virtual void SetSizeLimits(Size minimum, Size maximum) {}
    // A borderless pop-up (combo list, menu) owned by the caller, placed at
    // `screenRect` above this window; the caller shows it. A click outside it
    // reaches `client` as OnHostCloseRequest. Null when the host cannot make
    // one.
    virtual std::unique_ptr<IWindowHost> CreatePopup(IHostClient& client, const Rect& screenRect) {
        return nullptr;
    }
};

// What the host calls on the skinned window.
class IHostClient {
  public:
    virtual ~IHostClient() = default;
    // Paint `dirty` (window coordinates) on `cr`, already clipped to it.
    virtual void OnHostPaint(cairo_t* cr, const Rect& dirty) = 0;
    virtual void OnHostInput(const InputEvent& event) = 0;
    virtual void OnHostResize(Size size) = 0;
    virtual void OnHostTimer(uint32_t id) = 0;
    // The user asked to close the window (title bar, window manager).
    virtual void OnHostCloseRequest() = 0;
    // The native window is gone; no more calls follow.
    virtual void OnHostDestroyed() = 0;
    // The window became viewable (shown and not minimised) or stopped being
    // so; what is not seen need not be animated.
    virtual void OnHostShown(bool shown) {}
};

}  // namespace kelno::skin
