#pragma once
// CPaintManagerUI: the skinned side of one native window. It owns the root
// control, turns the host's input into control events (hit testing, hot and
// pushed states, capture, focus, keys, double clicks, wheel), runs control
// timers over the host's timers, invalidates through the host, paints the
// tree with cairo and delivers notifications to the registered notifiers.
// Everything here runs on the UI thread.

#include <cairo.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "skin/core/control.h"
#include "skin/core/font_info.h"
#include "skin/core/ui_defs.h"
#include "skin/host/window_host.h"

namespace kelno::skin {

struct ImageData;

class CPaintManagerUI final : public IHostClient {
  public:
    CPaintManagerUI();
    ~CPaintManagerUI() override;
    CPaintManagerUI(const CPaintManagerUI&) = delete;
    CPaintManagerUI& operator=(const CPaintManagerUI&) = delete;

    // Connects the manager to its native window. The host must outlive the
    // manager or call OnHostDestroyed first.
    void Init(IWindowHost* host, const std::string& name = {});
    IWindowHost* GetHost() const { return host_; }
    const std::string& GetName() const { return name_; }

    // --- program-wide settings ---
    // The folder skin files are resolved against (ends with '/'). Changing
    // it (another skin) empties the picture cache.
    static void SetResourcePath(const std::string& path);
    static const std::string& GetResourcePath();
    // The running program's folder, ending with '/'.
    static std::string GetInstancePath();
    // Every live manager (for ReloadText and shared resources).
    static const std::vector<CPaintManagerUI*>& GetPaintManagers();

    // --- the tree ---
    // Takes ownership of `root` (the old root is deleted) and attaches it.
    bool SetRoot(CControlUI* root);
    CControlUI* GetRoot() const { return root_; }
    // First control in tree order whose name matches, without regard to
    // case; nullptr when none.
    CControlUI* FindControl(std::string_view name) const;
    // Topmost visible, enabled, hit-testable control at a window point.
    CControlUI* FindControl(Point pt) const;
    CControlUI* FindSubControlByName(CControlUI* parent, std::string_view name) const;
    CControlUI* FindSubControlByPoint(CControlUI* parent, Point pt) const;
    // The `index`-th descendant (tree order) whose interface answers `cls`.
    CControlUI* FindSubControlByClass(CControlUI* parent, std::string_view cls,
                                      int index = 0) const;
    std::vector<CControlUI*> FindSubControlsByClass(CControlUI* parent, std::string_view cls) const;

    // --- notifications ---
    bool AddNotifier(INotifyUI* notifier);
    bool RemoveNotifier(INotifyUI* notifier);
    void SendNotify(TNotifyUI& msg);
    void SendNotify(CControlUI* control, std::string_view type, uintptr_t wParam = 0,
                    intptr_t lParam = 0);
    bool AddMessageFilter(IMessageFilterUI* filter);
    bool RemoveMessageFilter(IMessageFilterUI* filter);

    // --- timers of controls ---
    // The control's DoEvent receives UiEvent::Timer with wParam = timerId
    // every `elapseMs` until killed. Setting an existing timer restarts it.
    bool SetTimer(CControlUI* control, uint32_t timerId, uint32_t elapseMs);
    bool KillTimer(CControlUI* control, uint32_t timerId);
    void KillTimer(CControlUI* control);
    void RemoveAllTimers();

    // --- focus, capture, hover ---
    CControlUI* GetFocus() const { return focus_; }
    // Moves the keyboard focus ("killfocus" to the old control, "setfocus"
    // to the new one). nullptr clears it.
    void SetFocus(CControlUI* control);
    CControlUI* GetHot() const { return hover_; }
    CControlUI* GetCaptured() const { return click_; }
    uint32_t GetHoverTimeMs() const { return hoverTimeMs_; }
    void SetHoverTimeMs(uint32_t ms) { hoverTimeMs_ = ms; }
    // The tooltip text of the control the pointer rests on ("" when none).
    const std::string& GetToolTipText() const { return tooltipText_; }
    // Told when a tooltip should show (text, the control's rectangle) and
    // when it should go ("" and an empty rectangle); the window shows it.
    void SetToolTipHandler(std::function<void(const std::string&, const Rect&)> handler) {
        tooltipHandler_ = std::move(handler);
    }

    // --- popups drawn over the tree (combo lists) ---
    // Shows `popup` (owned by the caller) over everything at its current
    // position. A press outside it closes it and runs `onClose`.
    void OpenPopup(CControlUI* popup, std::function<void()> onClose);
    void ClosePopup();
    CControlUI* GetPopup() const { return popup_; }

    // --- layout, repaint, DPI ---
    void Invalidate();
    void Invalidate(const Rect& rc);
    void NeedUpdate() { updateNeeded_ = true; }
    bool IsUpdateNeeded() const { return updateNeeded_; }
    // Lays the tree out now when something asked for it.
    void UpdateLayout();
    Size GetClientSize() const;
    double GetDPIScale() const { return dpiScale_; }
    int ScaleValue(int logical) const;

    // --- window attributes from the layout's <Window> element ---
    Size GetInitSize() const { return initSize_; }
    void SetInitSize(Size size) { initSize_ = size; }
    const Rect& GetCaptionRect() const { return captionRect_; }
    void SetCaptionRect(Rect rc) { captionRect_ = rc; }
    const Rect& GetSizeBox() const { return sizeBox_; }
    void SetSizeBox(Rect rc) { sizeBox_ = rc; }
    Size GetMinInfo() const { return minInfo_; }
    void SetMinInfo(Size size) { minInfo_ = size; }
    Size GetMaxInfo() const { return maxInfo_; }
    void SetMaxInfo(Size size) { maxInfo_ = size; }
    Size GetRoundCorner() const { return roundCorner_; }
    void SetRoundCorner(Size size) { roundCorner_ = size; }
    // Attributes of <Window> the library does not interpret itself.
    void SetWindowAttribute(std::string_view name, std::string_view value);
    std::string GetWindowAttribute(std::string_view name) const;

    // Default attribute lists by element name (from <Default>).
    void AddDefaultAttributeList(std::string_view controlName, std::string_view list);
    std::string GetDefaultAttributeList(std::string_view controlName) const;

    // --- fonts ---
    // Shared fonts are seen by every manager; private ones by this one.
    void AddFont(int id, const FontInfo& font, bool shared = false);
    void SetDefaultFont(const FontInfo& font, bool shared = false);
    // The font of `id`, or the default font when the id is unknown.
    const FontInfo& GetFont(int id) const;
    const FontInfo& GetDefaultFont() const;
    bool HasFont(int id) const;
    void RemoveAllFonts(bool shared = false);

    // --- images (shared cache) ---
    // Loads a PNG by resource id (res.xml) or file name (resource path);
    // cached. nullptr when it cannot be loaded.
    std::shared_ptr<ImageData> GetImage(const std::string& name, uint32_t mask = 0) const;
    static void AddImage(const std::string& name, std::shared_ptr<ImageData> image);
    static void RemoveAllImages();

    // --- IHostClient ---
    void OnHostPaint(cairo_t* cr, const Rect& dirty) override;
    void OnHostInput(const InputEvent& event) override;
    void OnHostResize(Size size) override;
    void OnHostTimer(uint32_t id) override;
    void OnHostCloseRequest() override;
    void OnHostDestroyed() override;
    // The window half decides what a close request means.
    void SetCloseRequestHandler(std::function<void()> handler) {
        closeHandler_ = std::move(handler);
    }

    // --- bookkeeping the controls use ---
    // Forgets every reference to a control that is going away.
    void ReapObjects(CControlUI* control);
    // Deletes `control` once the current dispatch ends (at once otherwise).
    void AddDelayedCleanup(CControlUI* control);
    bool IsDispatching() const { return dispatchDepth_ > 0; }
    // Attaches a newly added subtree (DoInit on each control).
    void InitControls(CControlUI* control, CControlUI* parent);

  private:
    struct TimerInfo {
        CControlUI* control;
        uint32_t localId;
        uint32_t hostId;
    };
    class DispatchScope;

    void DispatchMouse(const InputEvent& event);
    void DispatchKey(const InputEvent& event);
    void MoveFocusByTab(bool forward);
    void SendEvent(CControlUI* control, UiEvent type, const InputEvent& source);
    void SetHot(CControlUI* control, const InputEvent& source);
    void FlushDelayedCleanup();
    bool IsInSubtreeOfCleanup(const CControlUI* control) const;
    void ReleaseCaptureIfHeld();
    void RefreshDpi();
    void ChangeToolTip(const std::string& text, const Rect& anchor);
    uint32_t NextHostTimerId();

    IWindowHost* host_ = nullptr;
    std::string name_;
    CControlUI* root_ = nullptr;
    std::vector<INotifyUI*> notifiers_;
    std::vector<IMessageFilterUI*> filters_;
    std::vector<TimerInfo> timers_;
    uint32_t lastHostTimerId_ = 0;

    CControlUI* focus_ = nullptr;
    CControlUI* hover_ = nullptr;
    CControlUI* click_ = nullptr;  // pressed control, holds the capture
    bool captured_ = false;
    uint32_t hoverTimeMs_ = 400;
    bool hoverTimerRunning_ = false;
    std::string tooltipText_;
    std::function<void(const std::string&, const Rect&)> tooltipHandler_;
    Point lastMouse_;

    CControlUI* popup_ = nullptr;
    std::function<void()> popupClose_;

    bool updateNeeded_ = true;
    double dpiScale_ = 1.0;
    Size clientSize_;

    Size initSize_;
    Rect captionRect_;
    Rect sizeBox_;
    Size minInfo_;
    Size maxInfo_;
    Size roundCorner_;
    std::map<std::string, std::string> windowAttributes_;
    std::map<std::string, std::string> defaultAttributes_;  // lower-case keys

    std::map<int, FontInfo> fonts_;
    FontInfo defaultFont_;
    bool hasDefaultFont_ = false;

    int dispatchDepth_ = 0;
    std::vector<CControlUI*> delayedCleanup_;
    std::function<void()> closeHandler_;
};

}  // namespace kelno::skin
