#pragma once
// The window system of tests and tools without a display: every window gets
// a HeadlessHost; loops run the windows' posted tasks until quit or idle;
// file dialogs answer from a script; the clipboard is one string shared by
// its windows; the tray is absent unless enabled, and then records what the
// program shows and lets a test choose an item.

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "skin/host/headless_host.h"
#include "skin/window/window_system.h"

namespace kelno::skin {

class HeadlessTray;

class HeadlessWindowSystem final : public IWindowSystem {
  public:
    explicit HeadlessWindowSystem(Size defaultSize = {800, 600}, double dpiScale = 1.0);
    ~HeadlessWindowSystem() override;

    std::unique_ptr<IWindowHost> CreateHost(IHostClient& client,
                                            const HostOptions& options) override;
    // Run() works through the posted tasks of every window and returns
    // after Quit, or when no task is left (nothing else could wake it).
    std::unique_ptr<IMessageLoop> CreateLoop() override;
    std::optional<std::string> ChooseFile(const FileDialogRequest& request,
                                          IWindowHost* owner) override;
    std::unique_ptr<ITrayBackend> CreateTray(const std::string& id) override;
    std::optional<Point> PointerPosition() const override { return pointer_; }
    void SetPointerPosition(Point screenPoint) { pointer_ = screenPoint; }

    // Runs the posted tasks of every live window until none is left.
    size_t RunPendingTasks();

    // The headless host behind a host this system made (null otherwise).
    static HeadlessHost* Inner(IWindowHost* host);
    // The tooltip the window shows now ("" when none).
    static std::string ToolTipOf(IWindowHost* host);

    // The next file dialog returns `answer` (nothing: cancelled); dialogs
    // without a queued answer are cancelled.
    void QueueFileDialogAnswer(std::optional<std::string> answer);
    const std::vector<FileDialogRequest>& FileDialogRequests() const { return fileRequests_; }

    void EnableTray(bool enabled) { trayEnabled_ = enabled; }
    // The tray icon the program made last, while it exists.
    HeadlessTray* Tray() const { return tray_; }

  private:
    class Host;
    class Loop;
    friend class HeadlessTray;

    Size defaultSize_;
    double dpiScale_;
    std::vector<std::weak_ptr<HeadlessHost>> hosts_;
    std::deque<std::optional<std::string>> fileAnswers_;
    std::vector<FileDialogRequest> fileRequests_;
    bool trayEnabled_ = false;
    HeadlessTray* tray_ = nullptr;
    std::string clipboard_;
    Point pointer_;
};

class HeadlessTray final : public ITrayBackend {
  public:
    explicit HeadlessTray(HeadlessWindowSystem& system) : system_(system) {}
    ~HeadlessTray() override;
    void SetIcon(const std::string& iconPath) override { icon_ = iconPath; }
    void SetTooltip(const std::string& text) override { tooltip_ = text; }
    void SetMenu(const std::vector<TrayMenuItem>& items,
                 const std::string& activateCommand) override {
        items_ = items;
        activate_ = activateCommand;
    }
    void SetCommandHandler(std::function<void(const std::string&)> onCommand) override {
        onCommand_ = std::move(onCommand);
    }

    const std::string& Icon() const { return icon_; }
    const std::string& Tooltip() const { return tooltip_; }
    const std::vector<TrayMenuItem>& Items() const { return items_; }
    // The user picks a menu item; false when there is no such item.
    bool Choose(const std::string& command);
    // The user activates the icon.
    bool Activate() { return !activate_.empty() && Choose(activate_); }

  private:
    HeadlessWindowSystem& system_;
    std::string icon_, tooltip_, activate_;
    std::vector<TrayMenuItem> items_;
    std::function<void(const std::string&)> onCommand_;
};

}  // namespace kelno::skin
