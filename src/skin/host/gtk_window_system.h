#pragma once
// The GTK 3 backend of the window classes: GtkWindowHost windows, GLib main
// loops, native file dialogs and a StatusNotifier tray icon.

#include "skin/window/window_system.h"

namespace kelno::skin {

class GtkWindowSystem final : public IWindowSystem {
  public:
    // Opens the display (gtk_init_check); false when there is none.
    static bool InitializeGtk(int* argc, char*** argv);

    std::unique_ptr<IWindowHost> CreateHost(IHostClient& client,
                                            const HostOptions& options) override;
    std::unique_ptr<IMessageLoop> CreateLoop() override;
    std::optional<std::string> ChooseFile(const FileDialogRequest& request,
                                          IWindowHost* owner) override;
    std::unique_ptr<ITrayBackend> CreateTray(const std::string& id) override;
    std::optional<Point> PointerPosition() const override;
};

}  // namespace kelno::skin
