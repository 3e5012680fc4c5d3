#include "platform/gtk/Desktop.h"

#include <gdk/gdkx.h>
#include <gio/gio.h>
#include <gtk/gtk.h>

namespace tess::gtk {

namespace {

bool TakeError(GError* err, std::string* error) {
    if (error)
        *error = err && err->message ? err->message : "unknown error";
    if (err)
        g_error_free(err);
    return false;
}

} // namespace

unsigned long NativeXWindow(void* widget) {
    auto* w = static_cast<GtkWidget*>(widget);
    if (!w || !GTK_IS_WIDGET(w))
        return 0;
    if (!gtk_widget_get_realized(w))
        gtk_widget_realize(w);
    GdkWindow* window = gtk_widget_get_window(w);
    if (!window || !GDK_IS_X11_WINDOW(window))
        return 0;
    if (!gdk_window_ensure_native(window))
        return 0;
    return gdk_x11_window_get_xid(window);
}

bool LaunchDefaultApplication(const std::string& path, std::string* error) {
    GFile* file = g_file_new_for_path(path.c_str());
    gchar* uri = g_file_get_uri(file);
    g_object_unref(file);
    GError* err = nullptr;
    bool ok = g_app_info_launch_default_for_uri(uri, nullptr, &err);
    g_free(uri);
    return ok || TakeError(err, error);
}

bool ChooseApplicationAndOpen(void* parent, const std::string& path, std::string* error) {
    GFile* file = g_file_new_for_path(path.c_str());
    GtkWindow* top = nullptr;
    if (parent && GTK_IS_WIDGET(parent)) {
        GtkWidget* t = gtk_widget_get_toplevel(static_cast<GtkWidget*>(parent));
        if (GTK_IS_WINDOW(t))
            top = GTK_WINDOW(t);
    }
    GtkWidget* dialog = gtk_app_chooser_dialog_new(top, GTK_DIALOG_MODAL, file);
    bool launched = false;
    if (gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_OK) {
        GAppInfo* app = gtk_app_chooser_get_app_info(GTK_APP_CHOOSER(dialog));
        if (app) {
            GList files = {file, nullptr, nullptr};
            GError* err = nullptr;
            launched = g_app_info_launch(app, &files, nullptr, &err);
            if (!launched)
                TakeError(err, error);
            g_object_unref(app);
        }
    }
    gtk_widget_destroy(dialog);
    g_object_unref(file);
    return launched;
}

void SetSizeHints(void* window, const SizeHints& h) {
    auto* w = static_cast<GtkWidget*>(window);
    if (!w || !GTK_IS_WINDOW(w))
        return;
    GdkGeometry g{};
    g.base_width = h.baseW;
    g.base_height = h.baseH;
    g.min_width = h.baseW + 30;
    g.min_height = h.fixedHeight ? h.baseH : h.baseH + 30;
    int mask = GDK_HINT_BASE_SIZE | GDK_HINT_MIN_SIZE;
    if (h.fixedHeight) {
        g.max_width = 32767;
        g.max_height = h.baseH;
        mask |= GDK_HINT_MAX_SIZE;
    } else if (h.aspectW > 0 && h.aspectH > 0) {
        g.min_aspect = g.max_aspect = static_cast<double>(h.aspectW) / h.aspectH;
        mask |= GDK_HINT_ASPECT;
    }
    gtk_window_set_geometry_hints(GTK_WINDOW(w), nullptr, &g, static_cast<GdkWindowHints>(mask));
}

} // namespace tess::gtk
