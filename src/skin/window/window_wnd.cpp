#include "skin/window/window_wnd.h"

#include <algorithm>
#include <vector>

#include "core/debug_output.h"
#include "skin/automation/automation_server.h"
#include "skin/window/window_system.h"

namespace kelno::skin {

struct CWindowWnd::ModalState {
    std::unique_ptr<IMessageLoop> loop;
    int code = -1;
};

namespace {

// Host timer ids of window timers carry this bit; the paint manager numbers
// its control timers upwards from small ids.
constexpr uint32_t kWindowTimerBit = 0x80000000u;

// The loops MessageLoop runs, innermost last.
std::vector<IMessageLoop*>& MainLoops() {
    static std::vector<IMessageLoop*> loops;
    return loops;
}

}  // namespace

CWindowWnd::CWindowWnd()
    : queue_([this](uint32_t id, const MessageParam& w, const MessageParam& l) {
          return HandleMessage(id, w, l);
      }) {}

CWindowWnd::~CWindowWnd() {
    if (modal_ && modal_->loop) modal_->loop->Quit();
    DiscardWindow();
}

void CWindowWnd::DiscardWindow() {
    AutomationServer::UnregisterWindow(&pm_);
    queue_.Close();
    closing_ = true;
    if (host_ != nullptr && !destroyed_) {
        // The paint manager lets go of the host before the host goes.
        pm_.OnHostDestroyed();
        destroyed_ = true;
    }
    host_.reset();  // destroys the native window without calling us
}

bool CWindowWnd::Create(CWindowWnd* owner, const std::string& title, const Rect& rect,
                        bool toolWindow) {
    return CreateHost(owner, title, rect, toolWindow ? HostKind::Tool : HostKind::Normal);
}

bool CWindowWnd::CreateHost(CWindowWnd* owner, const std::string& title, const Rect& rect,
                            HostKind kind) {
    if (IsWindow()) return false;
    host_.reset();  // an earlier, destroyed window
    IWindowSystem* system = CurrentWindowSystem();
    if (system == nullptr) {
        DebugOutput("CWindowWnd::Create: no window system installed");
        return false;
    }
    HostOptions options;
    options.title = title;
    options.rect = rect;
    options.owner = owner ? owner->GetHost() : nullptr;
    options.toolWindow = kind != HostKind::Normal;
    options.popup = kind == HostKind::Popup;
    host_ = system->CreateHost(*this, options);
    if (host_ == nullptr) return false;
    owner_ = owner;
    if (owner != nullptr) ownerLifetime_ = owner->lifetime_;
    destroyed_ = false;
    closing_ = false;
    pm_.Init(host_.get(), title);
    pm_.SetToolTipHandler([this](const std::string& text, const Rect& anchor) {
        if (IWindowHost* host = GetHost()) host->ShowToolTip(text, anchor);
    });
    queue_.AttachHost(host_.get());
    AutomationServer::RegisterWindow(&pm_, this);
    return true;
}

void CWindowWnd::ShowWindow(bool show, bool takeFocus) {
    IWindowHost* host = GetHost();
    if (host == nullptr) return;
    host->Show(show);
    if (show && takeFocus) host->BringToFront();
}

bool CWindowWnd::IsVisible() const {
    IWindowHost* host = GetHost();
    return host != nullptr && host->IsVisible();
}

void CWindowWnd::CenterWindow() {
    IWindowHost* host = GetHost();
    if (host == nullptr) return;
    Rect mine = host->WindowRect();
    // Over the owner, or in the middle of the screen.
    Rect around;
    if (IWindowHost* ownerHost = owner_ && !ownerLifetime_.expired() ? owner_->GetHost() : nullptr)
        around = ownerHost->WindowRect();
    if (around.IsEmpty()) around = host->WorkArea();
    if (around.IsEmpty()) return;
    Point c = around.Center();
    int left = c.x - mine.Width() / 2, top = c.y - mine.Height() / 2;
    host->Move({left, top, left + mine.Width(), top + mine.Height()});
}

void CWindowWnd::SetTitle(const std::string& title) {
    if (IWindowHost* host = GetHost()) host->SetTitle(title);
}

void CWindowWnd::ResizeClient(int cx, int cy) {
    IWindowHost* host = GetHost();
    if (host == nullptr || cx <= 0 || cy <= 0) return;
    Rect r = host->WindowRect();
    host->Move({r.left, r.top, r.left + cx, r.top + cy});
}

int CWindowWnd::ShowModal() {
    IWindowSystem* system = CurrentWindowSystem();
    if (!IsWindow() || system == nullptr || modal_ != nullptr) return -1;
    auto state = std::make_shared<ModalState>();
    state->loop = system->CreateLoop();
    modal_ = state;
    std::weak_ptr<int> self = lifetime_;
    std::weak_ptr<int> ownerAlive = ownerLifetime_;
    CWindowWnd* owner = owner_;
    if (owner != nullptr && !ownerAlive.expired()) ++owner->modalChildren_;
    ShowWindow(true, true);
    if (closing_ || destroyed_) {
        state->code = closeCode_;
        state->loop->Quit();
    }
    AutomationServer::NoteNestedLoop();
    state->loop->Run();
    // The window may have deleted itself in OnFinalMessage.
    if (owner != nullptr && !ownerAlive.expired()) --owner->modalChildren_;
    if (!self.expired()) modal_.reset();
    return state->code;
}

void CWindowWnd::Close(int code) {
    if (closing_ || !IsWindow()) return;
    closeCode_ = code;
    if (modal_) modal_->code = code;
    closing_ = true;
    queue_.Close();
    // Destroying now would pull the tree from under the event being handled.
    std::weak_ptr<int> alive = lifetime_;
    bool posted = host_->PostTask([this, alive] {
        if (!alive.expired() && IsWindow()) host_->Destroy();
    });
    if (!posted) host_->Destroy();
}

bool CWindowWnd::PostMessage(uint32_t id, MessageParam wParam, MessageParam lParam) {
    return queue_.Post(id, std::move(wParam), std::move(lParam));
}

std::optional<int64_t> CWindowWnd::SendMessage(uint32_t id, MessageParam wParam,
                                               MessageParam lParam, std::stop_token stop) {
    return queue_.Send(id, std::move(wParam), std::move(lParam), std::move(stop));
}

bool CWindowWnd::SetTimer(uint32_t id, uint32_t elapseMs) {
    IWindowHost* host = GetHost();
    if (host == nullptr || (id & kWindowTimerBit) != 0) return false;
    host->SetTimer(id | kWindowTimerBit, std::max<uint32_t>(elapseMs, 1));
    return true;
}

void CWindowWnd::KillTimer(uint32_t id) {
    if (IWindowHost* host = GetHost(); host != nullptr && (id & kWindowTimerBit) == 0)
        host->KillTimer(id | kWindowTimerBit);
}

void CWindowWnd::MessageLoop() {
    IWindowSystem* system = CurrentWindowSystem();
    if (system == nullptr) return;
    std::unique_ptr<IMessageLoop> loop = system->CreateLoop();
    MainLoops().push_back(loop.get());
    loop->Run();
    MainLoops().pop_back();
}

void CWindowWnd::QuitMessageLoop() {
    if (!MainLoops().empty()) MainLoops().back()->Quit();
}

int64_t CWindowWnd::HandleMessage(uint32_t, const MessageParam&, const MessageParam&) {
    return 0;
}

void CWindowWnd::OnCloseRequest() {
    Close(IDCANCEL);
}

bool CWindowWnd::PreviewInput(const InputEvent&) {
    return false;
}

void CWindowWnd::OnHostPaint(cairo_t* cr, const Rect& dirty) {
    pm_.OnHostPaint(cr, dirty);
}

void CWindowWnd::OnHostInput(const InputEvent& event) {
    bool userInput = event.type != InputEvent::Type::WindowFocusIn &&
                     event.type != InputEvent::Type::WindowFocusOut &&
                     event.type != InputEvent::Type::MouseLeave;
    if (modalChildren_ > 0 && userInput) return;
    if (PreviewInput(event)) return;
    pm_.OnHostInput(event);
}

void CWindowWnd::OnHostResize(Size size) {
    pm_.OnHostResize(size);
}

void CWindowWnd::OnHostTimer(uint32_t id) {
    if (id & kWindowTimerBit)
        OnTimer(id & ~kWindowTimerBit);
    else
        pm_.OnHostTimer(id);
}

void CWindowWnd::OnHostShown(bool shown) {
    OnShownChanged(shown);
}

void CWindowWnd::OnHostCloseRequest() {
    if (modalChildren_ > 0) return;  // the modal window answers first
    OnCloseRequest();
}

void CWindowWnd::OnHostDestroyed() {
    destroyed_ = true;
    closing_ = true;
    AutomationServer::UnregisterWindow(&pm_);
    queue_.Close();
    pm_.OnHostDestroyed();
    if (modal_ && modal_->loop) modal_->loop->Quit();
    OnFinalMessage();  // may delete this
}

}  // namespace kelno::skin
