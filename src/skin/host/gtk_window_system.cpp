#include "skin/host/gtk_window_system.h"

#include <algorithm>
#include <cstring>

#include "skin/host/gtk_tray.h"
#include "skin/host/gtk_window_host.h"

namespace kelno::skin {
namespace {

class GtkMessageLoop final : public IMessageLoop {
  public:
    GtkMessageLoop() : loop_(g_main_loop_new(nullptr, FALSE)) {}
    ~GtkMessageLoop() override { g_main_loop_unref(loop_); }

    void Run() override {
        if (quitRequested_) return;
        g_main_loop_run(loop_);
    }
    void Quit() override {
        quitRequested_ = true;
        g_main_loop_quit(loop_);
    }

  private:
    GMainLoop* loop_;
    bool quitRequested_ = false;
};

GtkWindow* NativeOf(IWindowHost* host) {
    auto* gtkHost = dynamic_cast<GtkWindowHost*>(host);
    return gtkHost ? gtkHost->NativeWindow() : nullptr;
}

}  // namespace

bool GtkWindowSystem::InitializeGtk(int* argc, char*** argv) {
    return gtk_init_check(argc, argv) != FALSE;
}

std::optional<std::string> GtkWindowSystem::X11DisplayName() {
    GdkDisplay* display = gdk_display_get_default();
    // By type name: the X11 headers' macros would collide with ours.
    if (!display || std::strcmp(G_OBJECT_TYPE_NAME(display), "GdkX11Display") != 0)
        return std::nullopt;
    const char* name = gdk_display_get_name(display);
    return std::string(name ? name : "");
}

std::unique_ptr<IWindowHost> GtkWindowSystem::CreateHost(IHostClient& client,
                                                         const HostOptions& options) {
    GtkHostOptions gtkOptions;
    gtkOptions.title = options.title;
    gtkOptions.rect = options.rect;
    gtkOptions.transientFor = NativeOf(options.owner);
    gtkOptions.skipTaskbar = options.toolWindow;
    gtkOptions.popup = options.popup;
    return std::make_unique<GtkWindowHost>(client, gtkOptions);
}

std::unique_ptr<IMessageLoop> GtkWindowSystem::CreateLoop() {
    return std::make_unique<GtkMessageLoop>();
}

std::optional<std::string> GtkWindowSystem::ChooseFile(const FileDialogRequest& request,
                                                       IWindowHost* owner) {
    bool save = request.mode == FileDialogRequest::Mode::Save;
    GtkFileChooserNative* dialog = gtk_file_chooser_native_new(
        request.title.c_str(), NativeOf(owner),
        save ? GTK_FILE_CHOOSER_ACTION_SAVE : GTK_FILE_CHOOSER_ACTION_OPEN, nullptr, nullptr);
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
    for (const FileDialogFilter& f : request.filters) {
        GtkFileFilter* filter = gtk_file_filter_new();
        gtk_file_filter_set_name(filter, f.name.c_str());
        for (const std::string& pattern : f.patterns)
            gtk_file_filter_add_pattern(filter, pattern.c_str());
        gtk_file_chooser_add_filter(chooser, filter);  // takes the floating reference
    }
    if (!request.initialFolder.empty())
        gtk_file_chooser_set_current_folder(chooser, request.initialFolder.c_str());
    if (save) {
        gtk_file_chooser_set_do_overwrite_confirmation(chooser, TRUE);
        if (!request.initialName.empty())
            gtk_file_chooser_set_current_name(chooser, request.initialName.c_str());
    }
    std::optional<std::string> chosen;
    if (gtk_native_dialog_run(GTK_NATIVE_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT) {
        if (gchar* name = gtk_file_chooser_get_filename(chooser)) {
            chosen = name;
            g_free(name);
        }
    }
    g_object_unref(dialog);
    return chosen;
}

std::optional<Point> GtkWindowSystem::PointerPosition() const {
    GdkDisplay* display = gdk_display_get_default();
    GdkSeat* seat = display ? gdk_display_get_default_seat(display) : nullptr;
    GdkDevice* pointer = seat ? gdk_seat_get_pointer(seat) : nullptr;
    if (pointer == nullptr) return std::nullopt;
    GdkScreen* screen = nullptr;
    int x = 0, y = 0;
    gdk_device_get_position(pointer, &screen, &x, &y);
    GdkMonitor* monitor = gdk_display_get_monitor_at_point(display, x, y);
    int scale = monitor ? std::max(1, gdk_monitor_get_scale_factor(monitor)) : 1;
    return Point{x * scale, y * scale};
}

std::unique_ptr<ITrayBackend> GtkWindowSystem::CreateTray(const std::string& id) {
    return CreateGtkTray(id);
}

}  // namespace kelno::skin
