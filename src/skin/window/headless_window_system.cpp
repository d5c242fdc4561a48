#include "skin/window/headless_window_system.h"

#include <algorithm>

namespace kelno::skin {

// A HeadlessHost the system can reach while its window lives. The inner host
// is shared so that a pump that is running its tasks keeps it alive even when
// one of them deletes the window.
class HeadlessWindowSystem::Host final : public IWindowHost {
  public:
    Host(std::shared_ptr<HeadlessHost> inner, std::string& clipboard)
        : inner_(std::move(inner)), clipboard_(clipboard) {}
    ~Host() override { inner_->SetClient(nullptr); }

    HeadlessHost* Inner() const { return inner_.get(); }

    Size ClientSize() const override { return inner_->ClientSize(); }
    double DpiScale() const override { return inner_->DpiScale(); }
    void Invalidate(const Rect& area) override { inner_->Invalidate(area); }
    void SetTimer(uint32_t id, uint32_t intervalMs) override { inner_->SetTimer(id, intervalMs); }
    void KillTimer(uint32_t id) override { inner_->KillTimer(id); }
    void SetCapture() override { inner_->SetCapture(); }
    void ReleaseCapture() override { inner_->ReleaseCapture(); }
    void SetCursor(CursorShape shape) override { inner_->SetCursor(shape); }
    bool PostTask(std::function<void()> task) override { return inner_->PostTask(std::move(task)); }
    void Show(bool visible) override { inner_->Show(visible); }
    bool IsVisible() const override { return inner_->IsVisible(); }
    void SetTitle(const std::string& title) override { inner_->SetTitle(title); }
    void Move(const Rect& windowRect) override { inner_->Move(windowRect); }
    Rect WindowRect() const override { return inner_->WindowRect(); }
    void Minimize() override {
        minimized_ = true;
        inner_->Minimize();
    }
    void Restore() override {
        maximized_ = minimized_ = false;
        inner_->Restore();
    }
    bool IsMinimized() const override { return minimized_; }
    void BringToFront() override { inner_->BringToFront(); }
    void Destroy() override { inner_->Destroy(); }
    void Maximize() override { maximized_ = true; }
    bool IsMaximized() const override { return maximized_; }
    void SetClipboardText(const std::string& text) override { clipboard_ = text; }
    std::string GetClipboardText() override { return clipboard_; }
    void ShowToolTip(const std::string& text, const Rect&) override { toolTip_ = text; }
    const std::string& ToolTip() const { return toolTip_; }

  private:
    std::shared_ptr<HeadlessHost> inner_;
    std::string& clipboard_;  // the system's, shared by its windows
    std::string toolTip_;
    bool maximized_ = false;
    bool minimized_ = false;
};

class HeadlessWindowSystem::Loop final : public IMessageLoop {
  public:
    explicit Loop(HeadlessWindowSystem& system) : system_(system) {}
    void Run() override {
        while (!quit_ && system_.RunPendingTasks() > 0) {
        }
    }
    void Quit() override { quit_ = true; }

  private:
    HeadlessWindowSystem& system_;
    bool quit_ = false;
};

HeadlessWindowSystem::HeadlessWindowSystem(Size defaultSize, double dpiScale)
    : defaultSize_(defaultSize), dpiScale_(dpiScale) {}

HeadlessWindowSystem::~HeadlessWindowSystem() = default;

std::unique_ptr<IWindowHost> HeadlessWindowSystem::CreateHost(IHostClient& client,
                                                              const HostOptions& options) {
    Rect rect = options.rect;
    if (rect.IsEmpty()) rect = {0, 0, defaultSize_.cx, defaultSize_.cy};
    auto inner = std::make_shared<HeadlessHost>(Size{rect.Width(), rect.Height()}, dpiScale_);
    inner->SetTitle(options.title);
    inner->Move(rect);
    inner->SetClient(&client);
    std::erase_if(hosts_, [](const std::weak_ptr<HeadlessHost>& h) { return h.expired(); });
    hosts_.push_back(inner);
    return std::make_unique<Host>(std::move(inner), clipboard_);
}

std::unique_ptr<IMessageLoop> HeadlessWindowSystem::CreateLoop() {
    return std::make_unique<Loop>(*this);
}

std::optional<std::string> HeadlessWindowSystem::ChooseFile(const FileDialogRequest& request,
                                                            IWindowHost*) {
    fileRequests_.push_back(request);
    if (fileAnswers_.empty()) return std::nullopt;
    std::optional<std::string> answer = std::move(fileAnswers_.front());
    fileAnswers_.pop_front();
    return answer;
}

void HeadlessWindowSystem::QueueFileDialogAnswer(std::optional<std::string> answer) {
    fileAnswers_.push_back(std::move(answer));
}

std::unique_ptr<ITrayBackend> HeadlessWindowSystem::CreateTray(const std::string&) {
    if (!trayEnabled_) return nullptr;
    auto tray = std::make_unique<HeadlessTray>(*this);
    tray_ = tray.get();
    return tray;
}

size_t HeadlessWindowSystem::RunPendingTasks() {
    size_t total = 0;
    for (;;) {
        size_t ran = 0;
        // Copies: a task may make or end windows.
        std::vector<std::shared_ptr<HeadlessHost>> live;
        for (const auto& weak : hosts_)
            if (auto host = weak.lock()) live.push_back(std::move(host));
        for (const auto& host : live) ran += host->RunPendingTasks();
        if (ran == 0) return total;
        total += ran;
    }
}

std::string HeadlessWindowSystem::ToolTipOf(IWindowHost* host) {
    auto* ours = dynamic_cast<Host*>(host);
    return ours ? ours->ToolTip() : std::string();
}

HeadlessHost* HeadlessWindowSystem::Inner(IWindowHost* host) {
    auto* ours = dynamic_cast<Host*>(host);
    return ours ? ours->Inner() : nullptr;
}

HeadlessTray::~HeadlessTray() {
    if (system_.tray_ == this) system_.tray_ = nullptr;
}

bool HeadlessTray::Choose(const std::string& command) {
    bool known = std::any_of(items_.begin(), items_.end(),
                             [&](const TrayMenuItem& item) { return item.command == command; });
    if (!known || !onCommand_) return false;
    onCommand_(command);
    return true;
}

}  // namespace kelno::skin
