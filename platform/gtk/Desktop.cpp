#include "platform/gtk/Desktop.h"

#include "platform/Translate.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <algorithm>
#include <gdk/gdkx.h>
#include <gio/gio.h>
#include <gtk/gtk.h>

namespace tess::gtk {

namespace {

// Object data of a window that asked for a user-specified position, and of a menu item
// whose key text is ours.
constexpr char kUserPosition[] = "tess-user-position";
constexpr char kKeyText[] = "tess-key-text";

struct UserPosition {
    int x, y;
};

void MoveToUserPosition(GtkWidget* w, gpointer) {
    auto* at = static_cast<UserPosition*>(g_object_get_data(G_OBJECT(w), kUserPosition));
    if (at && gtk_widget_get_window(w))
        gdk_window_move(gtk_widget_get_window(w), at->x, at->y);
}

bool TakeError(GError* err, std::string* error) {
    if (error)
        *error = err && err->message ? err->message : Tr("unknown error");
    if (err)
        g_error_free(err);
    return false;
}

} // namespace

namespace {

GdkFilterReturn ChildExposeFilter(GdkXEvent* xevent, GdkEvent*, gpointer data) {
    const auto* ev = static_cast<XEvent*>(xevent);
    const auto* child = static_cast<ChildXWindow*>(data);
    // The last of a series of expose events draws once.
    if (ev->type == Expose && ev->xexpose.window == child->id() && ev->xexpose.count == 0)
        child->Exposed();
    return GDK_FILTER_CONTINUE;
}

} // namespace

void ChildXWindow::OnExpose(std::function<void()> exposed) {
    exposed_ = std::move(exposed);
    if (!window_ || filtering_)
        return;
    // The toolkit's connection reads the window's expose events; the sink draws on its own.
    XSelectInput(static_cast<Display*>(display_), window_, ExposureMask);
    gdk_window_add_filter(nullptr, ChildExposeFilter, this);
    filtering_ = true;
}

ChildXWindow::~ChildXWindow() {
    if (filtering_)
        gdk_window_remove_filter(nullptr, ChildExposeFilter, this);
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

namespace {

void PlaceOverParent(GtkWidget* widget, gpointer) {
    GtkWindow* dialog = GTK_WINDOW(widget);
    GtkWindow* parent = gtk_window_get_transient_for(dialog);
    GdkWindow* gp = parent ? gtk_widget_get_window(GTK_WIDGET(parent)) : nullptr;
    if (!gp)
        return;
    GdkRectangle area{};
    gdk_monitor_get_workarea(gdk_display_get_monitor_at_window(gdk_window_get_display(gp), gp),
                             &area);
    int w = 0, h = 0, px = 0, py = 0, pw = 0, ph = 0;
    gtk_window_get_size(dialog, &w, &h);
    w = std::min(w, area.width * 2 / 3);
    h = std::min(h, area.height * 2 / 3);
    gtk_window_resize(dialog, w, h);
    gtk_window_get_position(parent, &px, &py);
    gtk_window_get_size(parent, &pw, &ph);
    gtk_window_move(
        dialog, std::clamp(px + (pw - w) / 2, area.x, std::max(area.x, area.x + area.width - w)),
        std::clamp(py + (ph - h) / 2, area.y, std::max(area.y, area.y + area.height - h)));
}

} // namespace

void PlaceOverParentWhenShown(void* dialog) {
    auto* w = static_cast<GtkWidget*>(dialog);
    if (w && GTK_IS_WINDOW(w))
        g_signal_connect_after(w, "map", G_CALLBACK(PlaceOverParent), nullptr);
}

void UseX11Toolkit() {
    gdk_set_allowed_backends("x11");
}

bool IsMapped(void* widget) {
    auto* w = static_cast<GtkWidget*>(widget);
    return w && GTK_IS_WIDGET(w) && gtk_widget_get_mapped(w);
}

namespace {

void GrabFor(GdkWindow* window, EscapeWatch* watch) {
    if (watch->grabbed || !GDK_IS_X11_WINDOW(window))
        return;
    Display* d = GDK_WINDOW_XDISPLAY(window);
    watch->grabbed = XGrabKeyboard(d, GDK_WINDOW_XID(window), False, GrabModeAsync, GrabModeAsync,
                                   CurrentTime) == GrabSuccess;
}

GdkFilterReturn EscapeFilter(GdkXEvent* xevent, GdkEvent*, gpointer data) {
    auto* watch = static_cast<EscapeWatch*>(data);
    auto* ev = static_cast<XEvent*>(xevent);
    if ((ev->type == MapNotify || ev->type == Expose) && watch->window)
        GrabFor(static_cast<GdkWindow*>(watch->window), watch);
    if (ev->type == KeyPress && XLookupKeysym(&ev->xkey, 0) == XK_Escape)
        watch->escape = true;
    return GDK_FILTER_CONTINUE;
}

} // namespace

void WatchEscape(void* widget, EscapeWatch* watch) {
    auto* w = static_cast<GtkWidget*>(widget);
    if (!w || !GTK_IS_WIDGET(w))
        return;
    if (watch->window) { // watched already: a grab that failed before may work now
        if (gtk_widget_get_mapped(w))
            GrabFor(static_cast<GdkWindow*>(watch->window), watch);
        return;
    }
    gtk_widget_realize(w);
    GdkWindow* window = gtk_widget_get_window(w);
    if (!window)
        return;
    watch->window = window;
    gdk_window_add_filter(window, EscapeFilter, watch);
    if (gtk_widget_get_mapped(w))
        GrabFor(window, watch);
}

void StopWatchingEscape(EscapeWatch* watch) {
    auto* window = static_cast<GdkWindow*>(watch->window);
    if (!window)
        return;
    gdk_window_remove_filter(window, EscapeFilter, watch);
    if (watch->grabbed && GDK_IS_X11_WINDOW(window)) {
        XUngrabKeyboard(GDK_WINDOW_XDISPLAY(window), CurrentTime);
        XFlush(GDK_WINDOW_XDISPLAY(window));
    }
    watch->grabbed = false;
    watch->window = nullptr;
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

void AskForUserPosition(void* window, int x, int y) {
    auto* w = static_cast<GtkWidget*>(window);
    if (!w || !GTK_IS_WINDOW(w))
        return;
    const bool first = !g_object_get_data(G_OBJECT(w), kUserPosition);
    g_object_set_data_full(G_OBJECT(w), kUserPosition, new UserPosition{x, y},
                           [](gpointer p) { delete static_cast<UserPosition*>(p); });
    gtk_window_move(GTK_WINDOW(w), x, y);
    // The position hint goes with the size hints (USPosition in WM_NORMAL_HINTS).
    GdkGeometry g{};
    gtk_window_set_geometry_hints(GTK_WINDOW(w), nullptr, &g, GDK_HINT_USER_POS);
    // The toolkit's move is lost on a window made before it is shown (wx makes it early to
    // learn the window manager's frame sizes, then shows it), which the window manager then
    // finds at (0, 0): the native window is put in place as soon as it exists.
    if (gtk_widget_get_realized(w))
        MoveToUserPosition(w, nullptr);
    else if (first)
        g_signal_connect_after(w, "realize", G_CALLBACK(MoveToUserPosition), nullptr);
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
    // A window shown later (the toolkit may wait for the window manager's frame sizes) must
    // still ask for its position then.
    if (g_object_get_data(G_OBJECT(w), kUserPosition))
        mask |= GDK_HINT_USER_POS;
    gtk_window_set_geometry_hints(GTK_WINDOW(w), nullptr, &g, static_cast<GdkWindowHints>(mask));
}

void ShowMenuKeyText(void* menuItem, const std::string& text) {
    auto* item = static_cast<GtkWidget*>(menuItem);
    if (!item || !GTK_IS_MENU_ITEM(item) || g_object_get_data(G_OBJECT(item), kKeyText))
        return;
    GtkWidget* label = gtk_bin_get_child(GTK_BIN(item));
    if (!label || !GTK_IS_LABEL(label))
        return;
    // The item's label and the key text side by side, the key text at the right edge where
    // the toolkit draws accelerators, dimmed as they are.
    g_object_ref(label);
    gtk_container_remove(GTK_CONTAINER(item), label);
    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 16);
    gtk_box_pack_start(GTK_BOX(box), label, TRUE, TRUE, 0);
    g_object_unref(label);
    GtkWidget* key = gtk_label_new(text.c_str());
    gtk_style_context_add_class(gtk_widget_get_style_context(key), "dim-label");
    gtk_box_pack_end(GTK_BOX(box), key, FALSE, FALSE, 0);
    gtk_container_add(GTK_CONTAINER(item), box);
    gtk_widget_show_all(box);
    g_object_set_data(G_OBJECT(item), kKeyText, key);
}

std::string MenuKeyText(void* menuItem) {
    auto* item = static_cast<GtkWidget*>(menuItem);
    if (!item || !GTK_IS_MENU_ITEM(item))
        return {};
    auto* key = static_cast<GtkWidget*>(g_object_get_data(G_OBJECT(item), kKeyText));
    return key && GTK_IS_LABEL(key) ? gtk_label_get_text(GTK_LABEL(key)) : "";
}

} // namespace tess::gtk
