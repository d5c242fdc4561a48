#include "skin/window/tray_icon.h"

namespace kelno::skin {

CTrayIcon::~CTrayIcon() {
    DeleteTrayIcon();
}

bool CTrayIcon::CreateTrayIcon(const std::string& id, const std::string& iconPath,
                               const std::string& tooltip) {
    DeleteTrayIcon();
    IWindowSystem* system = CurrentWindowSystem();
    if (system == nullptr) return false;
    backend_ = system->CreateTray(id);
    if (backend_ == nullptr) return false;
    // Settings made before the icon existed apply now.
    SetIcon(iconPath);
    SetTooltipText(tooltip);
    backend_->SetMenu(items_, activateCommand_);
    backend_->SetCommandHandler([this](const std::string& command) {
        if (handler_) handler_(command);
    });
    return true;
}

void CTrayIcon::DeleteTrayIcon() {
    backend_.reset();
}

void CTrayIcon::SetIcon(const std::string& iconPath) {
    iconPath_ = iconPath;
    if (backend_) backend_->SetIcon(iconPath);
}

void CTrayIcon::SetTooltipText(const std::string& text) {
    tooltip_ = text;
    if (backend_) backend_->SetTooltip(text);
}

void CTrayIcon::SetMenu(std::vector<TrayMenuItem> items, std::string activateCommand) {
    items_ = std::move(items);
    activateCommand_ = std::move(activateCommand);
    if (backend_) backend_->SetMenu(items_, activateCommand_);
}

void CTrayIcon::SetCommandHandler(std::function<void(const std::string&)> handler) {
    handler_ = std::move(handler);
}

}  // namespace kelno::skin
