#pragma once
// A window host with no display, for tests and tools: a fixed client size,
// timers on a manual clock (AdvanceTime), a task queue pumped by hand
// (RunPendingTasks), synthetic input, and rendering into an image surface
// that keeps its pixels between paints so partial repaints can be checked.

#include <cairo.h>

#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>

#include "skin/host/window_host.h"

namespace kelno::skin {

class HeadlessHost final : public IWindowHost {
  public:
    explicit HeadlessHost(Size clientSize, double dpiScale = 1.0);
    ~HeadlessHost() override;
    HeadlessHost(const HeadlessHost&) = delete;
    HeadlessHost& operator=(const HeadlessHost&) = delete;

    void SetClient(IHostClient* client) { client_ = client; }

    // --- IWindowHost ---
    Size ClientSize() const override { return size_; }
    double DpiScale() const override { return dpiScale_; }
    void Invalidate(const Rect& area) override;
    void SetTimer(uint32_t id, uint32_t intervalMs) override;
    void KillTimer(uint32_t id) override;
    void SetCapture() override { captured_ = true; }
    void ReleaseCapture() override { captured_ = false; }
    void SetCursor(CursorShape shape) override { cursor_ = shape; }
    bool PostTask(std::function<void()> task) override;
    void Show(bool visible) override;
    bool IsVisible() const override { return visible_; }
    void SetTitle(const std::string& title) override { title_ = title; }
    void Move(const Rect& windowRect) override;
    Rect WindowRect() const override { return windowRect_; }
    void Minimize() override;
    void Restore() override;
    void BringToFront() override {}
    void SetClipboardText(const std::string& text) override { clipboard_ = text; }
    std::string GetClipboardText() override { return clipboard_; }
    void Destroy() override;

    // --- test controls ---
    void Resize(Size size);
    // Moves the manual clock, firing due timers in time order (a timer
    // killed or set by another timer's handler is honoured).
    void AdvanceTime(uint32_t ms);
    uint64_t NowMs() const { return nowMs_; }
    bool HasTimer(uint32_t id) const { return timers_.count(id) != 0; }
    size_t TimerCount() const { return timers_.size(); }
    // Runs the posted tasks (and the ones they post); returns how many ran.
    size_t RunPendingTasks();

    // --- input ---
    void Send(const InputEvent& event);
    void MouseMove(Point pt, uint32_t modifiers = 0);
    void MouseDown(Point pt, MouseButton button = MouseButton::Left, uint32_t modifiers = 0);
    void MouseUp(Point pt, MouseButton button = MouseButton::Left, uint32_t modifiers = 0);
    // Move, press, release: what a user's click delivers.
    void Click(Point pt, MouseButton button = MouseButton::Left);
    // Two clicks with the double-click event between them, as GTK delivers.
    void DoubleClick(Point pt);
    // Press at `from`, moves in `steps` to `to`, release there.
    void Drag(Point from, Point to, int steps = 4);
    void Wheel(Point pt, int delta);
    void KeyDown(uint32_t keysym, uint32_t modifiers = 0);
    void KeyUp(uint32_t keysym, uint32_t modifiers = 0);
    void PressKey(uint32_t keysym, uint32_t modifiers = 0);
    // One Char event per UTF-8 character.
    void TypeText(const std::string& text);

    // --- rendering ---
    Rect DirtyRect() const { return dirty_; }
    // Paints what was invalidated (only that) into the kept surface and
    // returns the painted rectangle. Repeats while painting invalidates
    // more (a layout pass), a bounded number of times.
    Rect PaintPending();
    // Everything invalidated, then painted.
    void PaintAll();
    // The kept surface (owned by the host), painted up to date.
    cairo_surface_t* RenderToSurface();
    bool RenderToPng(const std::string& path);
    // 0xAARRGGBB of one pixel of the kept surface (0 outside).
    uint32_t PixelAt(Point pt) const;

    bool IsCaptured() const { return captured_; }
    CursorShape Cursor() const { return cursor_; }
    const std::string& Title() const { return title_; }
    bool IsDestroyed() const { return destroyed_; }

  private:
    struct Timer {
        uint32_t interval;
        uint64_t due;
        uint64_t order;  // set order breaks ties
    };
    void EnsureSurface();
    void ReportShown(bool wasShown);

    IHostClient* client_ = nullptr;
    Size size_;
    double dpiScale_;
    Rect dirty_;
    cairo_surface_t* surface_ = nullptr;
    std::map<uint32_t, Timer> timers_;
    uint64_t nowMs_ = 0;
    uint64_t timerOrder_ = 0;
    mutable std::mutex tasksMutex_;
    std::deque<std::function<void()>> tasks_;
    bool destroyed_ = false;
    bool captured_ = false;
    bool visible_ = false;
    bool minimized_ = false;
    CursorShape cursor_ = CursorShape::Arrow;
    std::string title_;
    std::string clipboard_;
    Rect windowRect_;
};

}  // namespace kelno::skin
