#include "platform/x11/Monitors.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>
#include <dlfcn.h>

#include <cstdlib>

#include "platform/ScreenPixelSource.h"
#include "platform/Translate.h"
#include "platform/x11/Screen.h"

namespace tess {

namespace {

// The four calls of libXrandr the lookup needs; all null when the library is missing.
struct RandR {
    decltype(&XRRQueryExtension) queryExtension = nullptr;
    decltype(&XRRQueryVersion) queryVersion = nullptr;
    decltype(&XRRGetMonitors) getMonitors = nullptr;
    decltype(&XRRFreeMonitors) freeMonitors = nullptr;
};

const RandR& LoadRandR() {
    static const RandR r = [] {
        RandR f;
        void* lib = dlopen("libXrandr.so.2", RTLD_LAZY | RTLD_LOCAL);
        if (!lib)
            return f;
        f.queryExtension =
            reinterpret_cast<decltype(f.queryExtension)>(dlsym(lib, "XRRQueryExtension"));
        f.queryVersion = reinterpret_cast<decltype(f.queryVersion)>(dlsym(lib, "XRRQueryVersion"));
        f.getMonitors = reinterpret_cast<decltype(f.getMonitors)>(dlsym(lib, "XRRGetMonitors"));
        f.freeMonitors = reinterpret_cast<decltype(f.freeMonitors)>(dlsym(lib, "XRRFreeMonitors"));
        if (!f.queryExtension || !f.queryVersion || !f.getMonitors || !f.freeMonitors)
            f = {};
        return f;
    }();
    return r;
}

} // namespace

std::vector<Monitor> ListMonitors(ScreenConnection& screen) {
    std::vector<Monitor> list;
    auto* display = static_cast<Display*>(screen.nativeDisplay());
    const RandR& randr = LoadRandR();
    int event = 0, error = 0, major = 0, minor = 0;
    if (display && !screen.lost() && randr.getMonitors &&
        randr.queryExtension(display, &event, &error) &&
        randr.queryVersion(display, &major, &minor) && (major > 1 || minor >= 5)) {
        int n = 0;
        if (XRRMonitorInfo* m = randr.getMonitors(display, screen.root(), True, &n)) {
            for (int i = 0; i < n; ++i) {
                Monitor monitor;
                if (char* name = m[i].name ? XGetAtomName(display, m[i].name) : nullptr) {
                    monitor.name = name;
                    XFree(name);
                }
                monitor.rect = {m[i].x, m[i].y, m[i].x + m[i].width, m[i].y + m[i].height};
                monitor.primary = m[i].primary;
                list.push_back(std::move(monitor));
            }
            randr.freeMonitors(m);
        }
    }
    if (list.empty())
        list.push_back({"screen", screen.screenRect(), true});
    return list;
}

const Monitor* MonitorAt(const std::vector<Monitor>& monitors, int x, int y) {
    const Monitor* best = nullptr;
    for (const Monitor& m : monitors) {
        const ScreenRect& r = m.rect;
        const bool holds = x >= r.left && x < r.right && y >= r.top && y < r.bottom;
        if (holds && (!best || int64_t{r.width()} * r.height() <
                                   int64_t{best->rect.width()} * best->rect.height()))
            best = &m;
    }
    return best;
}

ScreenRect MonitorRectAt(ScreenConnection& screen, int x, int y) {
    const std::vector<Monitor> monitors = ListMonitors(screen);
    const Monitor* m = MonitorAt(monitors, x, y);
    return m ? m->rect : screen.screenRect();
}

std::optional<ScreenRect> MonitorToCapture(ScreenConnection* screen) {
    if (!screen || ScreenReadFromSource())
        return std::nullopt;
    const std::vector<Monitor> monitors = ListMonitors(*screen);
    int32_t x = 0, y = 0;
    if (monitors.size() < 2 || !screen->pointer(&x, &y))
        return std::nullopt;
    if (const Monitor* m = MonitorAt(monitors, x, y))
        return m->rect;
    return std::nullopt;
}

std::optional<ScreenRect> FindMonitor(const std::vector<Monitor>& monitors, const std::string& text,
                                      std::string* error) {
    for (const Monitor& m : monitors)
        if (!text.empty() && m.name == text)
            return m.rect;
    char* end = nullptr;
    const long n = text.empty() ? -1 : std::strtol(text.c_str(), &end, 10);
    if (!text.empty() && !*end && n >= 0 && static_cast<size_t>(n) < monitors.size())
        return monitors[static_cast<size_t>(n)].rect;
    if (error)
        *error = FormatText(Tr("no monitor \"%s\"; the monitors are (number, name, geometry):"),
                            text.c_str()) +
                 "\n" + MonitorListText(monitors);
    return std::nullopt;
}

std::string MonitorListText(const std::vector<Monitor>& monitors) {
    std::string text;
    for (size_t i = 0; i < monitors.size(); ++i) {
        const Monitor& m = monitors[i];
        text += std::to_string(i) + " " + m.name + " " + std::to_string(m.rect.width()) + "x" +
                std::to_string(m.rect.height()) + (m.rect.left < 0 ? "" : "+") +
                std::to_string(m.rect.left) + (m.rect.top < 0 ? "" : "+") +
                std::to_string(m.rect.top) + (m.primary ? " primary" : "") + "\n";
    }
    return text;
}

} // namespace tess
