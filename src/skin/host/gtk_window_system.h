#pragma once
// The GTK 3 backend of the window classes: GtkWindowHost windows, GLib main
// loops, native file dialogs and a StatusNotifier tray icon.

#include <optional>
#include <string>

#include "skin/window/window_system.h"

namespace kelno::skin {

class GtkWindowSystem final : public IWindowSystem {
  public:
    // Opens the display (gtk_init_check); false when there is none.
    static bool InitializeGtk(int* argc, char*** argv);
    // The name of the X display the windows are on; nothing when GTK drives
    // another kind of display (a Wayland desktop), where no other client
    // may take the keyboard.
    static std::optional<std::string> X11DisplayName();

    std::unique_ptr<IWindowHost> CreateHost(IHostClient& client,
                                            const HostOptions& options) override;
    std::unique_ptr<IMessageLoop> CreateLoop() override;
    std::optional<std::string> ChooseFile(const FileDialogRequest& request,
                                          IWindowHost* owner) override;
    std::unique_ptr<ITrayBackend> CreateTray(const std::string& id) override;
    std::optional<Point> PointerPosition() const override;
};

}  // namespace kelno::skin
