// Placeholder entry: shows a window saying the application is being built.

#include <gtk/gtk.h>

#include "core/paths.h"

int main(int argc, char** argv) {
    gtk_init(&argc, &argv);
    const kelno::AppFolders folders =
        kelno::ResolveAppFolders(kelno::ProcessEnvironment(), kelno::CurrentExecutablePath());

    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(window), kelno::kApplicationFolderName);
    gtk_window_set_default_size(GTK_WINDOW(window), 640, 360);
    const std::string text = std::string("KELNO Driver is being built.\n\nUser data: ") +
                             folders.userData.string() +
                             "\nProgram data: " + folders.programData.string();
    GtkWidget* label = gtk_label_new(text.c_str());
    gtk_container_add(GTK_CONTAINER(window), label);
    g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), nullptr);
    gtk_widget_show_all(window);
    gtk_main();
    return 0;
}
