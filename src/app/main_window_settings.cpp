// The settings and update window: opened from the settings button (docked
// under the title bar's right end) or by message 3093 (centred), one at a
// time, modal over the main window.

#include "app/device_option.h"
#include "app/main_window.h"
#include "app/ui/language_manager.h"
#include "core/debug_output.h"
#include "devices/models/usb_device.h"
#include "update/downloader.h"
#include "update/update_config.h"

namespace kelno::app {

std::vector<int32_t> CMainWnd::TabItemVersions() const {
    std::vector<int32_t> versions;
    for (const CDeviceOptionUI* item : tabItems_) {
        CZembravaUSBDevice* page = item->GetPage();
        const bool connected = page && item->IsItemVisible() && page->CommandChannel().IsOpen();
        versions.push_back(connected ? page->CommandChannel().Record().attributes.versionNumber
                                     : 0);
    }
    return versions;
}

void CMainWnd::OpenSettings(bool docked) {
    if (settingsWindow_ || shutDown_) return;
    SettingsWindowOptions settings;
    settings.update.client = options_.updateClient;
    settings.update.server = options_.updateServer;
    settings.update.launcher = options_.updateLauncher;
    settings.update.downloadFolder = update::DownloadFolder(options_.cacheFolder);
    settings.update.lastCheckFile = options_.userData / update::kLastCheckFileName;
    settings.targets = update::CurrentUpdateTargets(options_.catalogue, TabItemVersions());
    settings.language = language_.get();

    std::optional<skin::Point> at;
    if (docked && GetHost()) {
        const skin::Rect main = GetHost()->WindowRect();
        at = skin::Point{
            main.right - m_PaintManager.ScaleValue(CSetWnd::kWidth) - m_PaintManager.ScaleValue(30),
            main.top + m_PaintManager.ScaleValue(60)};
    }
    CSetWnd window(*this, std::move(settings));
    if (!window.Open(at)) return;
    settingsWindow_ = &window;
    window.ShowModal();
    settingsWindow_ = nullptr;
}

void CMainWnd::CloseSettings() {
    if (settingsWindow_) settingsWindow_->CloseWindow();
}

}  // namespace kelno::app
