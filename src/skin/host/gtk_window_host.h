#pragma once
// The GTK 3 window host: an undecorated GtkWindow (the skin draws its own
// title bar) holding one drawing area. Host coordinates are device pixels;
// GTK's logical pixels are multiplied by the window's scale factor.

#include <gtk/gtk.h>

#include <map>
#include <memory>
#include <string>

#include "skin/host/window_host.h"

namespace kelno::skin {

struct GtkHostOptions {
    std::string title;
    Rect rect;  // screen pixels; empty: default size, centred
    GtkWindow* transientFor = nullptr;
    bool popup = false;  // override-redirect, grabs input while shown
    bool skipTaskbar = false;
};

class GtkWindowHost final : public IWindowHost {
  public:
    GtkWindowHost(IHostClient& client, const GtkHostOptions& options);
    // Destroys the native window without calling the client.
    ~GtkWindowHost() override;
    GtkWindowHost(const GtkWindowHost&) = delete;
    GtkWindowHost& operator=(const GtkWindowHost&) = delete;

    Size ClientSize() const override;
    double DpiScale() const override;
    void Invalidate(const Rect& area) override;
    void SetTimer(uint32_t id, uint32_t intervalMs) override;
    void KillTimer(uint32_t id) override;
    void SetCapture() override;
    void ReleaseCapture() override;
    void SetCursor(CursorShape shape) override;
    bool PostTask(std::function<void()> task) override;
    void Show(bool visible) override;
    bool IsVisible() const override;
    void SetTitle(const std::string& title) override;
    void Move(const Rect& windowRect) override;
    Rect WindowRect() const override;
    void Minimize() override;
    void Restore() override;
    void BringToFront() override;
    void Destroy() override;
    void Maximize() override;
    bool IsMaximized() const override;
    bool IsMinimized() const override { return minimized_; }
    Rect WorkArea() const override;
    void SetClipboardText(const std::string& text) override;
    std::string GetClipboardText() override;
    void SetTextInputArea(const Rect& caret) override;
    void ShowToolTip(const std::string& text, const Rect& anchor) override;
    void BeginMoveDrag(Point point) override;
    void BeginResizeDrag(ResizeEdge edge, Point point) override;
    void SetSizeLimits(Size minimum, Size maximum) override;
    std::unique_ptr<IWindowHost> CreatePopup(IHostClient& client, const Rect& screenRect) override;

    GtkWindow* NativeWindow() const { return window_; }

  private:
    struct TaskGate;
    struct TimerClosure;

    void ConnectSignals();
    void DisconnectAll();
    void OnNativeDestroyed();
    void EmitInput(InputEvent event);
    int ToDevice(double logical) const;
    double ToLogical(int device) const;
    Point ToDevicePoint(double x, double y) const;
    void GrabForPopup();
    void Ungrab();

    static gboolean OnDraw(GtkWidget*, cairo_t* cr, gpointer self);
    static gboolean OnButtonPress(GtkWidget*, GdkEventButton* e, gpointer self);
    static gboolean OnButtonRelease(GtkWidget*, GdkEventButton* e, gpointer self);
    static gboolean OnMotion(GtkWidget*, GdkEventMotion* e, gpointer self);
    static gboolean OnScroll(GtkWidget*, GdkEventScroll* e, gpointer self);
    static gboolean OnLeave(GtkWidget*, GdkEventCrossing* e, gpointer self);
    static gboolean OnKeyPress(GtkWidget*, GdkEventKey* e, gpointer self);
    static gboolean OnKeyRelease(GtkWidget*, GdkEventKey* e, gpointer self);
    static gboolean OnFocusIn(GtkWidget*, GdkEventFocus*, gpointer self);
    static gboolean OnFocusOut(GtkWidget*, GdkEventFocus*, gpointer self);
    static gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer self);
    static gboolean OnMapped(GtkWidget*, GdkEvent*, gpointer self);
    static gboolean OnUnmapped(GtkWidget*, GdkEvent*, gpointer self);
    // Tells the client when mapped-and-not-minimised changes.
    void ReportShown();
    static void OnDestroy(GtkWidget*, gpointer self);
    static void OnSizeAllocate(GtkWidget*, GdkRectangle* allocation, gpointer self);
    static void OnScaleChanged(GObject*, GParamSpec*, gpointer self);
    static void OnRealize(GtkWidget*, gpointer self);
    static gboolean OnWindowState(GtkWidget*, GdkEventWindowState* e, gpointer self);
    static void OnImCommit(GtkIMContext*, const gchar* text, gpointer self);

    IHostClient& client_;
    const bool popup_;
    GtkWindow* window_ = nullptr;  // null once destroyed
    GtkWidget* area_ = nullptr;
    GtkIMContext* im_ = nullptr;
    std::shared_ptr<TaskGate> gate_;
    std::map<uint32_t, guint> timers_;
    int scale_ = 1;
    bool captured_ = false;  // a seat grab we took
    bool minimized_ = false;
    bool mapped_ = false;
    bool reportedShown_ = false;
    bool buttonDown_ = false;  // GTK's implicit grab is active
    double lastPressRootX_ = 0, lastPressRootY_ = 0;
    guint32 lastPressTime_ = 0;
    // Text committed by the input method while a key press is filtered.
    std::string committed_;
    bool filteringKey_ = false;
    // Expires with the host, so a handler can tell that a client call
    // deleted it.
    std::shared_ptr<int> lifetime_ = std::make_shared<int>(0);
};

}  // namespace kelno::skin
