#pragma once
// CWindowWnd: one top-level skinned window = a native window host + a paint
// manager, plus the application's numeric window messages and modal loops.
// The window sits between the host and its paint manager so it can see the
// input first (caption drags, a disabled owner under a modal window) and
// learn when the native window is gone.

#include <cstdint>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>

#include "skin/core/paint_manager.h"
#include "skin/window/message_param.h"
#include "skin/window/window_message_queue.h"

namespace kelno::skin {

class IMessageLoop;

// Close codes, as dialog results.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

class CWindowWnd : protected IHostClient {
  public:
    CWindowWnd();
    // Destroys the native window (without OnFinalMessage) when still open.
    ~CWindowWnd() override;
    CWindowWnd(const CWindowWnd&) = delete;
    CWindowWnd& operator=(const CWindowWnd&) = delete;

    // Makes the native window through the installed window system; hidden
    // until ShowWindow. False when there is no window system or the window
    // already exists.
    bool Create(CWindowWnd* owner, const std::string& title, const Rect& rect = {},
                bool toolWindow = false);
    bool IsWindow() const { return host_ != nullptr && !destroyed_; }
    IWindowHost* GetHost() const { return IsWindow() ? host_.get() : nullptr; }
    CPaintManagerUI& GetPaintManager() { return pm_; }
    CWindowWnd* GetOwner() const { return owner_; }

    void ShowWindow(bool show = true, bool takeFocus = true);
    bool IsVisible() const;
    void CenterWindow();
    void SetTitle(const std::string& title);
    void ResizeClient(int cx, int cy);

    // Shows the window and runs a nested loop until it closes; the owner
    // gets no input meanwhile. Returns the code given to Close, or -1 when
    // the window could not be shown.
    int ShowModal();
    // Ends the window: senders are released at once, the native window is
    // destroyed once the current event is over, a modal loop returns `code`.
    void Close(int code = IDOK);
    bool IsClosing() const { return closing_; }

    // The application's messages (ids such as 3089, 3090). Post is safe from
    // any thread; Send from a worker waits for the UI thread (or the window
    // closing, or `stop`), on the UI thread it calls HandleMessage at once.
    bool PostMessage(uint32_t id, MessageParam wParam = {}, MessageParam lParam = {});
    std::optional<int64_t> SendMessage(uint32_t id, MessageParam wParam = {},
                                       MessageParam lParam = {}, std::stop_token stop = {});

    // Window timers with the application's own ids (below 0x80000000): every
    // `elapseMs` OnTimer(id) runs on the UI thread until killed. Setting an
    // id again restarts it. False without a window or for an id out of range.
    bool SetTimer(uint32_t id, uint32_t elapseMs);
    void KillTimer(uint32_t id);

    // Runs the outermost message loop until QuitMessageLoop.
    static void MessageLoop();
    static void QuitMessageLoop();

  protected:
    // The application's own messages; returns the message's result.
    virtual int64_t HandleMessage(uint32_t id, const MessageParam& wParam,
                                  const MessageParam& lParam);
    virtual void OnTimer(uint32_t id) {}
    // The user asked to close (window manager); default: Close(IDCANCEL).
    virtual void OnCloseRequest();
    // Input before the paint manager sees it; true consumes the event.
    virtual bool PreviewInput(const InputEvent& event);
    enum class HostKind { Normal, Tool, Popup };
    bool CreateHost(CWindowWnd* owner, const std::string& title, const Rect& rect, HostKind kind);
    // Destroys the native window quietly (no OnFinalMessage): for a window
    // whose creation failed half-way.
    void DiscardWindow();
    // The native window is gone; nothing of the window is used afterwards,
    // so a window made with new may delete itself here.
    virtual void OnFinalMessage() {}

    // IHostClient: forwarded to the paint manager.
    void OnHostPaint(cairo_t* cr, const Rect& dirty) override;
    void OnHostInput(const InputEvent& event) override;
    void OnHostResize(Size size) override;
    void OnHostTimer(uint32_t id) override;
    void OnHostCloseRequest() override;
    void OnHostDestroyed() override;
    void OnHostShown(bool shown) override;
    // The window became viewable or stopped being so (hidden, minimised).
    virtual void OnShownChanged(bool shown) {}

  private:
    struct ModalState;

    CPaintManagerUI pm_;
    std::unique_ptr<IWindowHost> host_;
    WindowMessageQueue queue_;
    CWindowWnd* owner_ = nullptr;
    std::weak_ptr<int> ownerLifetime_;
    bool destroyed_ = false;
    bool closing_ = false;
    int closeCode_ = -1;
    int modalChildren_ = 0;  // input is refused while a modal window is open
    std::shared_ptr<ModalState> modal_;
    // Expires with the window, for code that runs after it may be deleted.
    std::shared_ptr<int> lifetime_ = std::make_shared<int>(0);
};

}  // namespace kelno::skin
