#include "skin/host/gtk_tray.h"

#include <gtk/gtk.h>

#ifdef KELNO_HAVE_APPINDICATOR
#include <libayatana-appindicator/app-indicator.h>
#endif

#include "core/debug_output.h"

namespace kelno::skin {

#ifdef KELNO_HAVE_APPINDICATOR
namespace {

bool StatusNotifierHostPresent() {
    GError* error = nullptr;
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
    if (bus == nullptr) {
        g_clear_error(&error);
        return false;
    }
    GVariant* reply = g_dbus_connection_call_sync(
        bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
        "NameHasOwner", g_variant_new("(s)", "org.kde.StatusNotifierWatcher"),
        G_VARIANT_TYPE("(b)"), G_DBUS_CALL_FLAGS_NONE, 1000, nullptr, &error);
    gboolean present = FALSE;
    if (reply != nullptr) {
        g_variant_get(reply, "(b)", &present);
        g_variant_unref(reply);
    }
    g_clear_error(&error);
    g_object_unref(bus);
    return present != FALSE;
}

class AppIndicatorTray final : public ITrayBackend {
  public:
    explicit AppIndicatorTray(const std::string& id)
        : indicator_(app_indicator_new(id.c_str(), "", APP_INDICATOR_CATEGORY_APPLICATION_STATUS)) {
        SetMenu({}, {});
        app_indicator_set_status(indicator_, APP_INDICATOR_STATUS_ACTIVE);
    }
    ~AppIndicatorTray() override {
        app_indicator_set_status(indicator_, APP_INDICATOR_STATUS_PASSIVE);
        g_object_unref(indicator_);
    }

    void SetIcon(const std::string& iconPath) override {
        app_indicator_set_icon_full(indicator_, iconPath.c_str(), "");
    }
    void SetTooltip(const std::string& text) override {
        app_indicator_set_title(indicator_, text.c_str());
    }
    void SetMenu(const std::vector<TrayMenuItem>& items,
                 const std::string& activateCommand) override {
        GtkWidget* menu = gtk_menu_new();
        for (const TrayMenuItem& item : items) {
            GtkWidget* entry = gtk_menu_item_new_with_label(item.text.c_str());
            // The command string lives as long as the menu item.
            g_object_set_data_full(G_OBJECT(entry), "kelno-command", g_strdup(item.command.c_str()),
                                   g_free);
            g_signal_connect(entry, "activate", G_CALLBACK(OnItem), this);
            gtk_menu_shell_append(GTK_MENU_SHELL(menu), entry);
            if (item.command == activateCommand)
                app_indicator_set_secondary_activate_target(indicator_, entry);
        }
        gtk_widget_show_all(menu);
        app_indicator_set_menu(indicator_, GTK_MENU(menu));  // takes the menu
    }
    void SetCommandHandler(std::function<void(const std::string&)> onCommand) override {
        onCommand_ = std::move(onCommand);
    }

  private:
    static void OnItem(GtkMenuItem* item, gpointer self) {
        auto* tray = static_cast<AppIndicatorTray*>(self);
        const char* command =
            static_cast<const char*>(g_object_get_data(G_OBJECT(item), "kelno-command"));
        if (tray->onCommand_ && command != nullptr) tray->onCommand_(command);
    }

    AppIndicator* indicator_;
    std::function<void(const std::string&)> onCommand_;
};

}  // namespace
#endif

std::unique_ptr<ITrayBackend> CreateGtkTray(const std::string& id) {
#ifdef KELNO_HAVE_APPINDICATOR
    if (StatusNotifierHostPresent()) return std::make_unique<AppIndicatorTray>(id);
    DebugOutput("no StatusNotifier host on the session bus; no tray icon");
#endif
    return nullptr;
}

}  // namespace kelno::skin
