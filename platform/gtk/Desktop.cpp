#include "platform/gtk/Desktop.h"

#include <X11/Xlib.h>
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

ChildXWindow::~ChildXWindow() {
    if (!window_)
        return;
    // The window goes with its parent: a parent already gone is no error worth a word.
    GdkDisplay* gd = gdk_display_get_default();
    if (gd)
        gdk_x11_display_error_trap_push(gd);
    XDestroyWindow(static_cast<Display*>(display_), window_);
    XSync(static_cast<Display*>(display_), False);
    if (gd)
        gdk_x11_display_error_trap_pop_ignored(gd);
}

bool ChildXWindow::Create(void* widget) {
    auto* w = static_cast<GtkWidget*>(widget);
    if (window_ || !w || !GTK_IS_WIDGET(w))
        return window_ != 0;
    if (!gtk_widget_get_realized(w))
        gtk_widget_realize(w);
    GdkWindow* gw = gtk_widget_get_window(w);
    if (!gw || !GDK_IS_X11_WINDOW(gw) || !gdk_window_ensure_native(gw))
        return false;
    Display* d = GDK_WINDOW_XDISPLAY(gw);
    const Window parent = GDK_WINDOW_XID(gw);
    window_ = XCreateSimpleWindow(d, parent, 0, 0, 1, 1, 0, 0, BlackPixel(d, DefaultScreen(d)));
    if (!window_)
        return false;
    display_ = d;
    parent_ = gw;
    XFlush(d);
    return true;
}

void ChildXWindow::Place(int x, int y, int w, int h) {
    if (!window_ || w <= 0 || h <= 0)
        return;
    int ox = 0, oy = 0;
    gdk_window_get_origin(static_cast<GdkWindow*>(parent_), &ox, &oy);
    auto* d = static_cast<Display*>(display_);
    XMoveResizeWindow(d, window_, x - ox, y - oy, static_cast<unsigned>(w),
                      static_cast<unsigned>(h));
    XSync(d, False); // the sink, on its own connection, reads the new size next
}

void ChildXWindow::Show(bool show) {
    if (!window_ || show == shown_)
        return;
    auto* d = static_cast<Display*>(display_);
    if (show) {
        XMapRaised(d, window_);
    } else {
        XUnmapWindow(d, window_);
    }
    XSync(d, False);
    shown_ = show;
}

void UseX11Toolkit() {
    gdk_set_allowed_backends("x11");
}

bool IsMapped(void* widget) {
    auto* w = static_cast<GtkWidget*>(widget);
    return w && GTK_IS_WIDGET(w) && gtk_widget_get_mapped(w);
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
    g.min_width = g.base_width + h.minW;
    g.min_height = h.fixedHeight ? g.base_height : g.base_height + h.minH;
    int mask = GDK_HINT_BASE_SIZE | GDK_HINT_MIN_SIZE;
    if (h.fixedHeight) {
        g.max_width = 32767;
        g.max_height = g.base_height;
        mask |= GDK_HINT_MAX_SIZE;
    } else if (h.aspectW > 0 && h.aspectH > 0) {
        g.min_aspect = g.max_aspect = static_cast<double>(h.aspectW) / h.aspectH;
        mask |= GDK_HINT_ASPECT;
    }
    gtk_window_set_geometry_hints(GTK_WINDOW(w), nullptr, &g, static_cast<GdkWindowHints>(mask));
}

} // namespace tess::gtk
