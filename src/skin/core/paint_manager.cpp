#include "skin/core/paint_manager.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>

#include "core/paths.h"
#include "skin/core/attribute_values.h"
#include "skin/core/image_cache.h"
#include "skin/core/resource_manager.h"

namespace kelno::skin {
namespace {

constexpr uint32_t kHoverTimerId = 1;
constexpr uint32_t kFirstControlTimerId = 0x100;

std::string& ResourcePath() {
    static std::string path;
    return path;
}

std::vector<CPaintManagerUI*>& Managers() {
    static std::vector<CPaintManagerUI*> managers;
    return managers;
}

struct SharedFonts {
    std::map<int, FontInfo> fonts;
    FontInfo defaultFont;
    bool hasDefault = false;
};

SharedFonts& Shared() {
    static SharedFonts shared;
    return shared;
}

uint64_t NowMs() {
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
}

bool IsInSubtree(const CControlUI* control, const CControlUI* root) {
    for (const CControlUI* c = control; c; c = c->GetParent()) {
        if (c == root) return true;
    }
    return false;
}

CControlUI* ReturnFirst(CControlUI* control, void*) {
    return control;
}

struct NameQuery {
    std::string_view name;
};

CControlUI* MatchName(CControlUI* control, void* data) {
    return EqualsNoCase(control->GetName(), static_cast<NameQuery*>(data)->name) ? control
                                                                                 : nullptr;
}

struct ClassQuery {
    std::string_view cls;
    int skip;
    std::vector<CControlUI*>* all;
};

CControlUI* MatchClass(CControlUI* control, void* data) {
    auto* q = static_cast<ClassQuery*>(data);
    if (!control->GetInterface(q->cls)) return nullptr;
    if (q->all) {
        q->all->push_back(control);
        return nullptr;  // keep walking
    }
    return q->skip-- == 0 ? control : nullptr;
}

}  // namespace

// Counts nested dispatches; deletion of removed controls waits for the
// outermost one to end, so no control is freed while its code runs.
class CPaintManagerUI::DispatchScope {
  public:
    explicit DispatchScope(CPaintManagerUI& pm) : pm_(pm) { ++pm_.dispatchDepth_; }
    ~DispatchScope() {
        if (--pm_.dispatchDepth_ == 0) pm_.FlushDelayedCleanup();
    }

  private:
    CPaintManagerUI& pm_;
};

CPaintManagerUI::CPaintManagerUI() {
    Managers().push_back(this);
}

CPaintManagerUI::~CPaintManagerUI() {
    dispatchDepth_ = 0;
    FlushDelayedCleanup();
    if (host_) {
        for (const TimerInfo& t : timers_) host_->KillTimer(t.hostId);
        if (hoverTimerRunning_) host_->KillTimer(kHoverTimerId);
    }
    timers_.clear();
    delete root_;
    root_ = nullptr;
    auto& all = Managers();
    all.erase(std::remove(all.begin(), all.end(), this), all.end());
}

void CPaintManagerUI::Init(IWindowHost* host, const std::string& name) {
    host_ = host;
    name_ = name;
    RefreshDpi();
    if (host_) clientSize_ = host_->ClientSize();
    NeedUpdate();
}

// --- program-wide settings ---

void CPaintManagerUI::SetResourcePath(const std::string& path) {
    std::string folder = path;
    if (!folder.empty() && folder.back() != '/') folder += '/';
    if (folder == ResourcePath()) return;
    ResourcePath() = folder;
    // Cached pictures are named relative to the old folder (another skin).
    ImageCache::Instance().Clear();
}

const std::string& CPaintManagerUI::GetResourcePath() {
    return ResourcePath();
}

std::string CPaintManagerUI::GetInstancePath() {
    std::string folder = CurrentExecutablePath().parent_path().string();
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

const std::vector<CPaintManagerUI*>& CPaintManagerUI::GetPaintManagers() {
    return Managers();
}

// --- the tree ---

bool CPaintManagerUI::SetRoot(CControlUI* root) {
    if (root == root_) return root != nullptr;
    if (root_) {
        ReapObjects(root_);
        AddDelayedCleanup(root_);
    }
    root_ = root;
    if (root_) root_->SetManager(this, nullptr, true);
    NeedUpdate();
    Invalidate();
    return root_ != nullptr;
}

CControlUI* CPaintManagerUI::FindControl(std::string_view name) const {
    return FindSubControlByName(root_, name);
}

CControlUI* CPaintManagerUI::FindControl(Point pt) const {
    if (popup_ && popup_->IsVisible() && popup_->GetPos().Contains(pt)) {
        if (CControlUI* c = FindSubControlByPoint(popup_, pt)) return c;
    }
    return FindSubControlByPoint(root_, pt);
}

CControlUI* CPaintManagerUI::FindSubControlByName(CControlUI* parent, std::string_view name) const {
    if (!parent || name.empty()) return nullptr;
    NameQuery q{name};
    return parent->FindControl(MatchName, &q, UIFIND_ALL | UIFIND_ME_FIRST);
}

CControlUI* CPaintManagerUI::FindSubControlByPoint(CControlUI* parent, Point pt) const {
    if (!parent) return nullptr;
    return parent->FindControl(ReturnFirst, &pt,
                               UIFIND_VISIBLE | UIFIND_HITTEST | UIFIND_TOP_FIRST);
}

CControlUI* CPaintManagerUI::FindSubControlByClass(CControlUI* parent, std::string_view cls,
                                                   int index) const {
    if (!parent || index < 0) return nullptr;
    ClassQuery q{cls, index, nullptr};
    return parent->FindControl(MatchClass, &q, UIFIND_ALL | UIFIND_ME_FIRST);
}

std::vector<CControlUI*> CPaintManagerUI::FindSubControlsByClass(CControlUI* parent,
                                                                 std::string_view cls) const {
    std::vector<CControlUI*> all;
    if (!parent) return all;
    ClassQuery q{cls, 0, &all};
    parent->FindControl(MatchClass, &q, UIFIND_ALL | UIFIND_ME_FIRST);
    return all;
}

// --- notifications ---

bool CPaintManagerUI::AddNotifier(INotifyUI* notifier) {
    if (!notifier || std::count(notifiers_.begin(), notifiers_.end(), notifier)) return false;
    notifiers_.push_back(notifier);
    return true;
}

bool CPaintManagerUI::RemoveNotifier(INotifyUI* notifier) {
    auto it = std::find(notifiers_.begin(), notifiers_.end(), notifier);
    if (it == notifiers_.end()) return false;
    notifiers_.erase(it);
    return true;
}

void CPaintManagerUI::SendNotify(TNotifyUI& msg) {
    DispatchScope scope(*this);
    msg.dwTimestamp = NowMs();
    msg.ptMouse = lastMouse_;
    // A notifier may add or remove notifiers while it runs.
    std::vector<INotifyUI*> snapshot = notifiers_;
    for (INotifyUI* notifier : snapshot) {
        if (std::count(notifiers_.begin(), notifiers_.end(), notifier)) notifier->Notify(msg);
    }
}

void CPaintManagerUI::SendNotify(CControlUI* control, std::string_view type, uintptr_t wParam,
                                 intptr_t lParam) {
    TNotifyUI msg;
    msg.sType = std::string(type);
    msg.pSender = control;
    msg.wParam = wParam;
    msg.lParam = lParam;
    SendNotify(msg);
}

bool CPaintManagerUI::AddMessageFilter(IMessageFilterUI* filter) {
    if (!filter || std::count(filters_.begin(), filters_.end(), filter)) return false;
    filters_.push_back(filter);
    return true;
}

bool CPaintManagerUI::RemoveMessageFilter(IMessageFilterUI* filter) {
    auto it = std::find(filters_.begin(), filters_.end(), filter);
    if (it == filters_.end()) return false;
    filters_.erase(it);
    return true;
}

// --- timers ---

uint32_t CPaintManagerUI::NextHostTimerId() {
    // Host ids are never reused while a timer holds one.
    for (;;) {
        ++lastHostTimerId_;
        if (lastHostTimerId_ < kFirstControlTimerId) lastHostTimerId_ = kFirstControlTimerId;
        bool taken = std::any_of(timers_.begin(), timers_.end(),
                                 [&](const TimerInfo& t) { return t.hostId == lastHostTimerId_; });
        if (!taken) return lastHostTimerId_;
    }
}

bool CPaintManagerUI::SetTimer(CControlUI* control, uint32_t timerId, uint32_t elapseMs) {
    if (!control || !host_) return false;
    KillTimer(control, timerId);
    TimerInfo info{control, timerId, NextHostTimerId()};
    timers_.push_back(info);
    host_->SetTimer(info.hostId, std::max<uint32_t>(elapseMs, 1));
    return true;
}

bool CPaintManagerUI::KillTimer(CControlUI* control, uint32_t timerId) {
    auto it = std::find_if(timers_.begin(), timers_.end(), [&](const TimerInfo& t) {
        return t.control == control && t.localId == timerId;
    });
    if (it == timers_.end()) return false;
    if (host_) host_->KillTimer(it->hostId);
    timers_.erase(it);
    return true;
}

void CPaintManagerUI::KillTimer(CControlUI* control) {
    for (size_t i = timers_.size(); i-- > 0;) {
        if (timers_[i].control == control) {
            if (host_) host_->KillTimer(timers_[i].hostId);
            timers_.erase(timers_.begin() + static_cast<long>(i));
        }
    }
}

void CPaintManagerUI::RemoveAllTimers() {
    if (host_) {
        for (const TimerInfo& t : timers_) host_->KillTimer(t.hostId);
    }
    timers_.clear();
}

// --- focus ---

void CPaintManagerUI::SetFocus(CControlUI* control) {
    if (control == focus_) return;
    if (control && (!control->IsVisible() || !control->IsEnabled())) return;
    DispatchScope scope(*this);
    InputEvent none;
    none.point = lastMouse_;
    if (CControlUI* old = focus_) {
        focus_ = nullptr;
        SendEvent(old, UiEvent::KillFocus, none);
        SendNotify(old, notify::kKillFocus);
    }
    // The killfocus handlers may have removed the new control.
    if (control && control->GetManager() == this && !IsInSubtreeOfCleanup(control)) {
        focus_ = control;
        SendEvent(control, UiEvent::SetFocus, none);
        if (focus_ == control) SendNotify(control, notify::kSetFocus);
    }
}

// --- popups ---

void CPaintManagerUI::OpenPopup(CControlUI* popup, std::function<void()> onClose) {
    ClosePopup();
    popup_ = popup;
    popupClose_ = std::move(onClose);
    if (popup_) {
        popup_->SetManager(this, nullptr, true);
        Invalidate(popup_->GetPos());
    }
}

void CPaintManagerUI::ClosePopup() {
    if (!popup_) return;
    Invalidate(popup_->GetPos());
    if (hover_ && IsInSubtree(hover_, popup_)) hover_ = nullptr;
    if (click_ && IsInSubtree(click_, popup_)) ReleaseCaptureIfHeld();
    popup_ = nullptr;
    auto onClose = std::move(popupClose_);
    popupClose_ = nullptr;
    if (onClose) onClose();
}

// --- layout, repaint, DPI ---

void CPaintManagerUI::Invalidate() {
    Invalidate(Rect{0, 0, clientSize_.cx, clientSize_.cy});
}

void CPaintManagerUI::Invalidate(const Rect& rc) {
    if (!host_) return;
    Rect area = rc.Intersect({0, 0, clientSize_.cx, clientSize_.cy});
    if (!area.IsEmpty()) host_->Invalidate(area);
}

void CPaintManagerUI::UpdateLayout() {
    if (!updateNeeded_ || !root_) return;
    updateNeeded_ = false;
    root_->SetPos({0, 0, clientSize_.cx, clientSize_.cy}, false);
    // Children may have moved anywhere: the whole window is repainted.
    Invalidate();
}

Size CPaintManagerUI::GetClientSize() const {
    return clientSize_;
}

int CPaintManagerUI::ScaleValue(int logical) const {
    return static_cast<int>(std::lround(logical * dpiScale_));
}

void CPaintManagerUI::RefreshDpi() {
    double scale = host_ ? host_->DpiScale() : 1.0;
    if (!(scale > 0.1 && scale < 10.0)) scale = 1.0;
    if (scale != dpiScale_) {
        dpiScale_ = scale;
        NeedUpdate();
        Invalidate();
    }
}

// --- window attributes ---

void CPaintManagerUI::SetWindowAttribute(std::string_view name, std::string_view value) {
    windowAttributes_[std::string(name)] = std::string(value);
}

std::string CPaintManagerUI::GetWindowAttribute(std::string_view name) const {
    auto it = windowAttributes_.find(std::string(name));
    return it == windowAttributes_.end() ? std::string() : it->second;
}

void CPaintManagerUI::AddDefaultAttributeList(std::string_view controlName, std::string_view list) {
    defaultAttributes_[ToLowerAscii(controlName)] = std::string(list);
}

std::string CPaintManagerUI::GetDefaultAttributeList(std::string_view controlName) const {
    auto it = defaultAttributes_.find(ToLowerAscii(controlName));
    return it == defaultAttributes_.end() ? std::string() : it->second;
}

// --- fonts ---

void CPaintManagerUI::AddFont(int id, const FontInfo& font, bool shared) {
    (shared ? Shared().fonts : fonts_)[id] = font;
    NeedUpdate();
    Invalidate();
}

void CPaintManagerUI::SetDefaultFont(const FontInfo& font, bool shared) {
    if (shared) {
        Shared().defaultFont = font;
        Shared().hasDefault = true;
    } else {
        defaultFont_ = font;
        hasDefaultFont_ = true;
    }
    NeedUpdate();
    Invalidate();
}

const FontInfo& CPaintManagerUI::GetFont(int id) const {
    if (auto it = fonts_.find(id); it != fonts_.end()) return it->second;
    if (auto it = Shared().fonts.find(id); it != Shared().fonts.end()) return it->second;
    return GetDefaultFont();
}

const FontInfo& CPaintManagerUI::GetDefaultFont() const {
    static const FontInfo kBuiltIn;
    if (hasDefaultFont_) return defaultFont_;
    if (Shared().hasDefault) return Shared().defaultFont;
    return kBuiltIn;
}

bool CPaintManagerUI::HasFont(int id) const {
    return fonts_.count(id) != 0 || Shared().fonts.count(id) != 0;
}

void CPaintManagerUI::RemoveAllFonts(bool shared) {
    if (shared) {
        Shared() = SharedFonts{};
    } else {
        fonts_.clear();
        hasDefaultFont_ = false;
    }
    NeedUpdate();
    Invalidate();
}

// --- images ---

std::shared_ptr<ImageData> CPaintManagerUI::GetImage(const std::string& name, uint32_t mask) const {
    if (name.empty()) return nullptr;
    ImageCache& cache = ImageCache::Instance();
    if (cache.Contains(name, mask)) return cache.Find(name, mask);
    std::string file = CResourceManager::GetInstance().GetImagePath(name);
    if (file.empty()) file = name;
    auto image = LoadPngImage(CResourceManager::ResolvePath(file), mask);
    cache.Add(name, mask, image);
    return image;
}

void CPaintManagerUI::AddImage(const std::string& name, std::shared_ptr<ImageData> image) {
    ImageCache::Instance().Add(name, 0, std::move(image));
}

void CPaintManagerUI::RemoveAllImages() {
    ImageCache::Instance().Clear();
}

// --- IHostClient ---

void CPaintManagerUI::OnHostPaint(cairo_t* cr, const Rect& dirty) {
    DispatchScope scope(*this);
    UpdateLayout();
    if (root_) root_->DoPaint(cr, dirty);
    if (popup_ && popup_->IsVisible()) popup_->DoPaint(cr, dirty);
}

void CPaintManagerUI::OnHostInput(const InputEvent& event) {
    DispatchScope scope(*this);
    for (IMessageFilterUI* filter : std::vector<IMessageFilterUI*>(filters_)) {
        if (std::count(filters_.begin(), filters_.end(), filter) && filter->FilterInput(event))
            return;
    }
    UpdateLayout();
    switch (event.type) {
        case InputEvent::Type::KeyDown:
        case InputEvent::Type::KeyUp:
        case InputEvent::Type::Char:
            DispatchKey(event);
            break;
        case InputEvent::Type::WindowFocusIn:
            break;
        case InputEvent::Type::WindowFocusOut:
            // A drag cannot end inside the window any more: end it far away
            // so no control takes the release for a click.
            if (CControlUI* pressed = click_) {
                ReleaseCaptureIfHeld();
                InputEvent away = event;
                away.point = {INT_MIN / 2, INT_MIN / 2};
                SendEvent(pressed, UiEvent::ButtonUp, away);
            }
            break;
        default:
            DispatchMouse(event);
            break;
    }
}

void CPaintManagerUI::DispatchKey(const InputEvent& event) {
    if (event.type == InputEvent::Type::KeyDown && event.keyCode == keys::kTab &&
        !(event.modifiers & (kModControl | kModAlt))) {
        MoveFocusByTab(!(event.modifiers & kModShift));
        return;
    }
    if (!focus_) return;
    UiEvent type = event.type == InputEvent::Type::KeyDown ? UiEvent::KeyDown
                   : event.type == InputEvent::Type::KeyUp ? UiEvent::KeyUp
                                                           : UiEvent::Char;
    SendEvent(focus_, type, event);
}

void CPaintManagerUI::DispatchMouse(const InputEvent& event) {
    lastMouse_ = event.point;
    switch (event.type) {
        case InputEvent::Type::MouseMove:
            if (click_) {
                SendEvent(click_, UiEvent::MouseMove, event);
            } else {
                SetHot(FindControl(event.point), event);
                if (hover_) SendEvent(hover_, UiEvent::MouseMove, event);
            }
            break;
        case InputEvent::Type::MouseLeave:
            if (!click_) SetHot(nullptr, event);
            break;
        case InputEvent::Type::MouseDown:
        case InputEvent::Type::DoubleClick: {
            if (popup_ && !popup_->GetPos().Contains(event.point)) {
                ClosePopup();  // the press that closes a popup does nothing else
                break;
            }
            CControlUI* control = FindControl(event.point);
            if (!control) break;
            SetHot(control, event);
            if (event.button == MouseButton::Right) {
                SendEvent(control, UiEvent::RButtonDown, event);
                break;
            }
            if (event.button != MouseButton::Left) break;
            if (control->IsEnabled() && control->IsKeyboardEnabled()) SetFocus(control);
            // Focus handlers may have removed the control.
            if (control->GetManager() != this || IsInSubtreeOfCleanup(control)) break;
            click_ = control;
            if (host_ && !captured_) {
                host_->SetCapture();
                captured_ = true;
            }
            SendEvent(control,
                      event.type == InputEvent::Type::DoubleClick ? UiEvent::DblClick
                                                                  : UiEvent::ButtonDown,
                      event);
            break;
        }
        case InputEvent::Type::MouseUp:
            if (event.button == MouseButton::Right) {
                if (CControlUI* control = FindControl(event.point)) {
                    SendEvent(control, UiEvent::RButtonUp, event);
                    if (control->GetManager() == this)
                        SendEvent(control, UiEvent::ContextMenu, event);
                }
                break;
            }
            if (event.button != MouseButton::Left) break;
            if (CControlUI* pressed = click_) {
                ReleaseCaptureIfHeld();
                SendEvent(pressed, UiEvent::ButtonUp, event);
                // The hot control did not follow the pointer during the drag
                // (and the release may have changed the layout).
                UpdateLayout();
                SetHot(FindControl(event.point), event);
            }
            break;
        case InputEvent::Type::MouseWheel:
            if (CControlUI* control = FindControl(event.point))
                SendEvent(control, UiEvent::ScrollWheel, event);
            break;
        default:
            break;
    }
}

namespace {

CControlUI* CollectTabStop(CControlUI* control, void* data) {
    if (control->IsTabStop() && control->IsVisible() && control->IsEnabled() &&
        control->IsKeyboardEnabled())
        static_cast<std::vector<CControlUI*>*>(data)->push_back(control);
    return nullptr;  // keep walking
}

}  // namespace

void CPaintManagerUI::MoveFocusByTab(bool forward) {
    if (!root_) return;
    std::vector<CControlUI*> stops;
    root_->FindControl(CollectTabStop, &stops, UIFIND_VISIBLE | UIFIND_ME_FIRST);
    if (stops.empty()) return;
    auto it = std::find(stops.begin(), stops.end(), focus_);
    size_t next;
    if (it == stops.end()) {
        next = forward ? 0 : stops.size() - 1;
    } else {
        size_t at = static_cast<size_t>(it - stops.begin());
        next = forward ? (at + 1) % stops.size() : (at + stops.size() - 1) % stops.size();
    }
    SetFocus(stops[next]);
}

bool CPaintManagerUI::IsInSubtreeOfCleanup(const CControlUI* control) const {
    return std::any_of(delayedCleanup_.begin(), delayedCleanup_.end(),
                       [&](CControlUI* gone) { return IsInSubtree(control, gone); });
}

void CPaintManagerUI::SendEvent(CControlUI* control, UiEvent type, const InputEvent& source) {
    if (!control) return;
    TEventUI e;
    e.Type = type;
    e.pSender = control;
    e.dwTimestamp = NowMs();
    e.ptMouse = source.point;
    e.chKey = source.keyCode;
    e.wKeyState = source.modifiers;
    e.wheelDelta = source.wheelDelta;
    e.text = source.text;
    control->Event(e);
}

void CPaintManagerUI::SetHot(CControlUI* control, const InputEvent& source) {
    if (control == hover_) {
        if (control && host_ && hoverTimeMs_ > 0 && tooltipText_.empty()) {
            host_->SetTimer(kHoverTimerId, hoverTimeMs_);  // restarts the rest period
            hoverTimerRunning_ = true;
        }
        return;
    }
    CControlUI* old = hover_;
    hover_ = control;
    ChangeToolTip({}, {});
    if (old) SendEvent(old, UiEvent::MouseLeave, source);
    if (hover_ && hover_ == control) {
        SendEvent(control, UiEvent::MouseEnter, source);
        if (hover_ == control) SendEvent(control, UiEvent::SetCursor, source);
    }
    if (host_) {
        if (hover_ && hoverTimeMs_ > 0) {
            host_->SetTimer(kHoverTimerId, hoverTimeMs_);
            hoverTimerRunning_ = true;
        } else if (hoverTimerRunning_) {
            host_->KillTimer(kHoverTimerId);
            hoverTimerRunning_ = false;
        }
        if (!hover_) host_->SetCursor(CursorShape::Arrow);
    }
}

void CPaintManagerUI::OnHostResize(Size size) {
    RefreshDpi();
    if (size == clientSize_) return;
    // An open drop-down was placed for the old size.
    ClosePopup();
    clientSize_ = size;
    NeedUpdate();
    Invalidate();
}

void CPaintManagerUI::OnHostTimer(uint32_t id) {
    DispatchScope scope(*this);
    if (id == kHoverTimerId) {
        if (host_) host_->KillTimer(kHoverTimerId);
        hoverTimerRunning_ = false;
        if (hover_) {
            ChangeToolTip(hover_->GetToolTip(), hover_->GetPos());
            InputEvent at;
            at.point = lastMouse_;
            SendEvent(hover_, UiEvent::MouseHover, at);
        }
        return;
    }
    auto it = std::find_if(timers_.begin(), timers_.end(),
                           [&](const TimerInfo& t) { return t.hostId == id; });
    if (it == timers_.end()) return;
    TEventUI e;
    e.Type = UiEvent::Timer;
    e.pSender = it->control;
    e.dwTimestamp = NowMs();
    e.ptMouse = lastMouse_;
    e.wParam = it->localId;
    it->control->Event(e);
}

void CPaintManagerUI::OnHostCloseRequest() {
    if (closeHandler_) closeHandler_();
}

void CPaintManagerUI::OnHostDestroyed() {
    RemoveAllTimers();
    hoverTimerRunning_ = false;
    captured_ = false;
    host_ = nullptr;
}

void CPaintManagerUI::ChangeToolTip(const std::string& text, const Rect& anchor) {
    if (text == tooltipText_) return;
    tooltipText_ = text;
    if (tooltipHandler_) tooltipHandler_(tooltipText_, anchor);
}

// --- bookkeeping ---

void CPaintManagerUI::ReapObjects(CControlUI* control) {
    if (!control) return;
    if (focus_ && IsInSubtree(focus_, control)) focus_ = nullptr;
    if (hover_ && IsInSubtree(hover_, control)) {
        hover_ = nullptr;
        ChangeToolTip({}, {});
        if (hoverTimerRunning_ && host_) host_->KillTimer(kHoverTimerId);
        hoverTimerRunning_ = false;
    }
    if (click_ && IsInSubtree(click_, control)) ReleaseCaptureIfHeld();
    if (popup_ && IsInSubtree(popup_, control)) {
        popup_ = nullptr;
        popupClose_ = nullptr;
    }
    for (size_t i = timers_.size(); i-- > 0;) {
        if (IsInSubtree(timers_[i].control, control)) {
            if (host_) host_->KillTimer(timers_[i].hostId);
            timers_.erase(timers_.begin() + static_cast<long>(i));
        }
    }
}

void CPaintManagerUI::ReleaseCaptureIfHeld() {
    click_ = nullptr;
    if (captured_ && host_) host_->ReleaseCapture();
    captured_ = false;
}

void CPaintManagerUI::AddDelayedCleanup(CControlUI* control) {
    if (!control) return;
    if (dispatchDepth_ > 0) {
        delayedCleanup_.push_back(control);
    } else {
        delete control;
    }
}

void CPaintManagerUI::FlushDelayedCleanup() {
    while (!delayedCleanup_.empty()) {
        std::vector<CControlUI*> batch;
        batch.swap(delayedCleanup_);
        for (CControlUI* control : batch) delete control;
    }
}

void CPaintManagerUI::InitControls(CControlUI* control, CControlUI* parent) {
    if (control) control->DoInit();
}

}  // namespace kelno::skin
