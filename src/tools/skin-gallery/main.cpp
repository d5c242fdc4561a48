// skin-gallery: shows every control of the skin library in one window and
// prints each notification it receives, one line each, to stdout.
//   skin-gallery [--resources <folder>] [--automation <socket path>]
// Resources default to the "skin/gallery" folder beside the program.

#include <glib-unix.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>
#include <string_view>

#include "core/program_help.h"
#include "gallery_window.h"
#include "skin/automation/automation_server.h"
#include "skin/core/paint_manager.h"
#include "skin/host/gtk_window_system.h"

namespace {

std::string OptionValue(int argc, char** argv, std::string_view flag) {
    for (int i = 1; i + 1 < argc; ++i)
        if (argv[i] == flag) return argv[i + 1];
    return {};
}

}  // namespace

int main(int argc, char** argv) {
    using namespace kelno;
    if (PrintHelpIfAsked(argc, argv,
                         "usage: skin-gallery [--resources <folder>] [--automation <socket path>]\n"
                         "Shows every control of the skin library in one window and prints each\n"
                         "notification it receives on standard output. Resources default to the\n"
                         "skin/gallery folder beside the program."))
        return 0;
    std::string resources = OptionValue(argc, argv, "--resources");
    std::string socketPath = skin::AutomationSocketArgument(argc, argv);
    if (!skin::GtkWindowSystem::InitializeGtk(&argc, &argv)) {
        std::cerr << "skin-gallery: cannot open a display\n";
        return 2;
    }
    if (resources.empty()) resources = skin::CPaintManagerUI::GetInstancePath() + "skin/gallery";
    if (!std::filesystem::is_directory(resources)) {
        std::cerr << "skin-gallery: no resources at " << resources << "\n";
        return 2;
    }
    skin::CPaintManagerUI::SetResourcePath(resources);

    skin::GtkWindowSystem windowSystem;
    skin::SetWindowSystem(&windowSystem);

    gallery::GalleryWindow window(std::cout);
    if (!window.Create(nullptr, "KELNO skin gallery")) {
        std::cerr << "skin-gallery: " << window.GetBuildError() << "\n";
        return 1;
    }
    skin::AutomationServer automation;
    if (!socketPath.empty()) {
        std::string error;
        if (!automation.Start(socketPath, &error)) {
            std::cerr << "skin-gallery: automation: " << error << "\n";
            return 1;
        }
    }
    // A terminate request closes the window the normal way.
    g_unix_signal_add(
        SIGTERM,
        [](gpointer data) -> gboolean {
            static_cast<gallery::GalleryWindow*>(data)->Close(skin::IDCANCEL);
            return G_SOURCE_REMOVE;
        },
        &window);
    window.CenterWindow();
    window.ShowWindow(true);
    std::cout << "ready" << std::endl;
    skin::CWindowWnd::MessageLoop();
    automation.Stop();
    skin::SetWindowSystem(nullptr);
    return 0;
}
