#include "platform/x11/InstanceCheck.h"

#include "platform/x11/Screen.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <unistd.h>

namespace tess {

namespace {

// The process that owns `w` (_NET_WM_PID), 0 when not set.
unsigned long WindowPid(Display* dpy, Window w) {
    Atom pidAtom = XInternAtom(dpy, "_NET_WM_PID", True);
    if (pidAtom == None)
        return 0;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    unsigned long pid = 0;
    if (XGetWindowProperty(dpy, w, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &count,
                           &after, &data) == Success &&
        data && format == 32 && count == 1)
        pid = *reinterpret_cast<unsigned long*>(data);
    if (data)
        XFree(data);
    return pid;
}

bool HasClass(Display* dpy, Window w, const std::string& cls) {
    // Pop-ups (menus, tool tips) are not the program's windows in the sense asked here.
    XWindowAttributes attrs{};
    if (!XGetWindowAttributes(dpy, w, &attrs) || attrs.override_redirect)
        return false;
    XClassHint hint{};
    if (!XGetClassHint(dpy, w, &hint))
        return false;
    bool match = hint.res_class && cls == hint.res_class;
    // The toolkit of this very process may already own windows of the class (its hidden
    // leader window): they are not another copy.
    if (match && WindowPid(dpy, w) == static_cast<unsigned long>(getpid()))
        match = false;
    if (hint.res_name)
        XFree(hint.res_name);
    if (hint.res_class)
        XFree(hint.res_class);
    return match;
}

// Looks at `w` and, below it, the windows a window manager puts between the root and the
// client (a frame and perhaps one more level).
bool Search(Display* dpy, Window w, const std::string& cls, int depth) {
    if (HasClass(dpy, w, cls))
        return true;
    if (depth == 0)
        return false;
    Window root = 0, parent = 0, *kids = nullptr;
    unsigned n = 0;
    if (!XQueryTree(dpy, w, &root, &parent, &kids, &n))
        return false;
    bool found = false;
    for (unsigned i = 0; i < n && !found; ++i)
        found = Search(dpy, kids[i], cls, depth - 1);
    if (kids)
        XFree(kids);
    return found;
}

} // namespace

bool TopLevelWindowOfClassExists(const std::string& windowClass, const char* displayName) {
    Display* dpy = XOpenDisplay(displayName);
    if (!dpy)
        return false;
    bool found = false;
    {
        // Windows can vanish while they are looked at: their errors are recorded for this
        // connection and dropped, the process's handler left alone.
        XErrorScope errors(dpy);
        Window root = DefaultRootWindow(dpy);
        Window r = 0, parent = 0, *kids = nullptr;
        unsigned n = 0;
        if (XQueryTree(dpy, root, &r, &parent, &kids, &n)) {
            for (unsigned i = 0; i < n && !found; ++i)
                found = Search(dpy, kids[i], windowClass, 2);
            if (kids)
                XFree(kids);
        }
        errors.sync();
    }
    XCloseDisplay(dpy);
    return found;
}

} // namespace tess
