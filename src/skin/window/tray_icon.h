#pragma once
// CTrayIcon: the program's status-area icon with its menu. Silently absent
// when the desktop has no tray host (IsPresent() tells); every call is then
// harmless.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "skin/window/window_system.h"

namespace kelno::skin {

class CTrayIcon {
  public:
    CTrayIcon() = default;
    ~CTrayIcon();
    CTrayIcon(const CTrayIcon&) = delete;
    CTrayIcon& operator=(const CTrayIcon&) = delete;

    // Shows the icon. `id` names the program to the tray host. True when a
    // tray host took it.
    bool CreateTrayIcon(const std::string& id, const std::string& iconPath,
                        const std::string& tooltip);
    void DeleteTrayIcon();
    bool IsPresent() const { return backend_ != nullptr; }

    void SetIcon(const std::string& iconPath);
    void SetTooltipText(const std::string& text);
    // Menu items and the command activating the icon runs (may be empty).
    void SetMenu(std::vector<TrayMenuItem> items, std::string activateCommand = {});
    // Receives the command of the chosen item on the UI thread.
    void SetCommandHandler(std::function<void(const std::string&)> handler);

  private:
    std::unique_ptr<ITrayBackend> backend_;
    std::string iconPath_;
    std::string tooltip_;
    std::vector<TrayMenuItem> items_;
    std::string activateCommand_;
    std::function<void(const std::string&)> handler_;
};

}  // namespace kelno::skin
