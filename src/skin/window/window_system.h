#pragma once
// What a windowing backend offers the window classes besides a window host:
// new hosts, (nested) message loops, file dialogs and the tray. The program
// installs one (the GTK backend, or a headless one in tests) before it makes
// its first window.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "skin/host/window_host.h"

namespace kelno::skin {

struct HostOptions {
    std::string title;
    Rect rect;                     // screen pixels; empty: a default size, centred
    IWindowHost* owner = nullptr;  // kept above it (modal windows, tool windows)
    bool toolWindow = false;       // no taskbar entry
    bool popup = false;            // borderless, above everything, takes input until closed;
                                   // a click outside it is a close request
};

// A message loop on the UI thread. Run returns after Quit; a Quit that comes
// before Run makes Run return at once. Loops nest (modal windows).
class IMessageLoop {
  public:
    virtual ~IMessageLoop() = default;
    virtual void Run() = 0;
    virtual void Quit() = 0;
};

struct FileDialogFilter {
    std::string name;                   // "Profiles"
    std::vector<std::string> patterns;  // "*.Json"
};

struct FileDialogRequest {
    enum class Mode { Open, Save };
    Mode mode = Mode::Open;
    std::string title;
    std::vector<FileDialogFilter> filters;
    std::string defaultExtension;  // "Json": added to a saved name without one
    std::string initialFolder;
    std::string initialName;  // Save only
};

struct TrayMenuItem {
    std::string command;  // delivered when chosen
    std::string text;     // shown
};

// A status-area icon. Absent (null from CreateTray) when the session has no
// tray host.
class ITrayBackend {
  public:
    virtual ~ITrayBackend() = default;
    virtual void SetIcon(const std::string& iconPath) = 0;
    virtual void SetTooltip(const std::string& text) = 0;
    // The menu; `activateCommand` (one of the items' commands, or empty) is
    // what activating the icon itself does.
    virtual void SetMenu(const std::vector<TrayMenuItem>& items,
                         const std::string& activateCommand) = 0;
    // Called on the UI thread with the command of the chosen item.
    virtual void SetCommandHandler(std::function<void(const std::string& command)> onCommand) = 0;
};

class IWindowSystem {
  public:
    virtual ~IWindowSystem() = default;
    virtual std::unique_ptr<IWindowHost> CreateHost(IHostClient& client,
                                                    const HostOptions& options) = 0;
    virtual std::unique_ptr<IMessageLoop> CreateLoop() = 0;
    // Blocks the caller (the UI keeps running) until the user chose a file or
    // cancelled; nothing when cancelled or impossible.
    virtual std::optional<std::string> ChooseFile(const FileDialogRequest& request,
                                                  IWindowHost* owner) = 0;
    virtual std::unique_ptr<ITrayBackend> CreateTray(const std::string& id) = 0;
    // Where the pointer is on the screen (screen pixels); nothing when unknown.
    virtual std::optional<Point> PointerPosition() const = 0;
};

// The installed backend; null until SetWindowSystem. Not owned.
IWindowSystem* CurrentWindowSystem();
void SetWindowSystem(IWindowSystem* system);

// Open and save dialogs through the installed backend.
std::optional<std::string> ShowOpenFileDialog(IWindowHost* owner, const std::string& title,
                                              const std::vector<FileDialogFilter>& filters);
std::optional<std::string> ShowSaveFileDialog(IWindowHost* owner, const std::string& title,
                                              const std::vector<FileDialogFilter>& filters,
                                              const std::string& defaultExtension,
                                              const std::string& initialName = {});

// `name` + "." + `extension` unless the file name already has an extension,
// as a save dialog with a default extension does.
std::string WithDefaultExtension(const std::string& name, const std::string& extension);

}  // namespace kelno::skin
