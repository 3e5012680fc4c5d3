#pragma once
// Plain Xlib windows with known pixels, made on the test's own display connection. Each
// window's background is a pixmap, so the server repaints the same pixels whenever needed.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <thread>

#include "media/MemBm.h"
#include "support/TestSupport.h"

namespace tess::test {

using PixelFn = std::function<uint32_t(int x, int y)>; // 0x00RRGGBB at window pixel (x, y)

inline uint32_t Pattern(int x, int y) {
    return (static_cast<uint32_t>(x * 3 & 0xff) << 16) |
           (static_cast<uint32_t>(y * 5 & 0xff) << 8) | static_cast<uint32_t>((x ^ y) & 0xff);
}

// Opens the display, waiting a little if the server is just resetting.
inline Display* OpenTestDisplay() {
    for (int i = 0; i < 40; ++i) {
        if (Display* d = XOpenDisplay(nullptr))
            return d;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return nullptr;
}

// An X server resets when its last client leaves and refuses connections for a moment; one
// connection held for the whole test program keeps that from happening between tests.
inline void KeepServerUp() {
    static Display* keeper = OpenTestDisplay();
    (void)keeper;
}

class XTestDisplay {
public:
    XTestDisplay() {
        KeepServerUp();
        dpy_ = OpenTestDisplay();
    }
    ~XTestDisplay() {
        if (dpy_)
            XCloseDisplay(dpy_);
    }
    Display* get() const { return dpy_; }
    Window root() const { return DefaultRootWindow(dpy_); }

    // An unmanaged window at (x, y) in `parent` (root when 0) whose pixels are fn(x, y).
    Window create(int x, int y, int w, int h, const PixelFn& fn, Window parent = 0) {
        if (!parent)
            parent = root();
        XSetWindowAttributes attrs{};
        attrs.override_redirect = True;
        Window win = XCreateWindow(dpy_, parent, x, y, w, h, 0, CopyFromParent, InputOutput,
                                   CopyFromParent, CWOverrideRedirect, &attrs);
        int depth = DefaultDepth(dpy_, DefaultScreen(dpy_));
        Pixmap pm = XCreatePixmap(dpy_, win, w, h, depth);
        char* data = static_cast<char*>(std::malloc(static_cast<size_t>(w) * h * 4));
        XImage* img = XCreateImage(dpy_, DefaultVisual(dpy_, DefaultScreen(dpy_)), depth, ZPixmap,
                                   0, data, w, h, 32, 0);
        for (int yy = 0; yy < h; ++yy)
            for (int xx = 0; xx < w; ++xx)
                XPutPixel(img, xx, yy, fn(xx, yy));
        GC gc = XCreateGC(dpy_, pm, 0, nullptr);
        XPutImage(dpy_, pm, gc, img, 0, 0, 0, 0, w, h);
        XFreeGC(dpy_, gc);
        XDestroyImage(img);
        XSetWindowBackgroundPixmap(dpy_, win, pm);
        XFreePixmap(dpy_, pm);
        XMapRaised(dpy_, win);
        XSync(dpy_, False);
        return win;
    }

    Window createSolid(int x, int y, int w, int h, uint32_t rgb, Window parent = 0) {
        return create(
            x, y, w, h, [rgb](int, int) { return rgb; }, parent);
    }

    void destroy(Window w) {
        XDestroyWindow(dpy_, w);
        XSync(dpy_, False);
    }

    void sync() { XSync(dpy_, False); }

private:
    Display* dpy_;
};

// Keeps a screen area changing on its own thread and connection: two windows of different
// pixels at (x, y) raised in turn every `period` (a recording grows a key frame a period).
class FlickeringArea {
public:
    FlickeringArea(int x, int y, int w, int h, std::chrono::milliseconds period)
        : thread_([this, x, y, w, h, period] {
              XTestDisplay d;
              const Window a = d.create(x, y, w, h, Pattern);
              const Window b =
                  d.create(x, y, w, h, [](int xx, int yy) { return Pattern(yy, xx) ^ 0x00FFFFFF; });
              for (bool first = true; !stop_.load(); first = !first) {
                  XRaiseWindow(d.get(), first ? a : b);
                  d.sync();
                  std::this_thread::sleep_for(period);
              }
              d.destroy(a);
              d.destroy(b);
          }) {}
    ~FlickeringArea() {
        stop_.store(true);
        thread_.join();
    }

private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// 0x00RRGGBB of a picture's pixel.
inline uint32_t PixelAt(const MemBm& bm, int x, int y) {
    const uint8_t* p = bm.pixelAddress(x, y);
    return (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[1]) << 8) | p[0];
}

// Number of pixels of the w x h block at (bx, by) of `bm` that differ from fn(x - ox, y - oy).
inline int CountMismatches(const MemBm& bm, int bx, int by, int w, int h, const PixelFn& fn,
                           int ox = 0, int oy = 0) {
    int bad = 0;
    for (int y = by; y < by + h; ++y)
        for (int x = bx; x < bx + w; ++x)
            if (PixelAt(bm, x, y) != fn(x - ox, y - oy))
                ++bad;
    return bad;
}

inline bool SamePixels(const MemBm& a, const MemBm& b) {
    return a.width() == b.width() && a.height() == b.height() &&
           CountMismatches(a, 0, 0, a.width(), a.height(),
                           [&b](int x, int y) { return PixelAt(b, x, y); }) == 0;
}

// Two monitors side by side on the suite's 1920 x 1080 display while it lives: "TessLeft"
// (primary; it takes the output, so the whole-screen monitor goes) and "TessRight", removed
// again at the end. The test's own connections keep the server from resetting meanwhile.
struct TwoMonitors {
    const bool ok =
        HaveProgram("xrandr") &&
        RunCommand("xrandr --setmonitor '*TessLeft' 960/254x1080/286+0+0 screen >/dev/null && "
                   "xrandr --setmonitor TessRight 960/254x1080/286+960+0 none >/dev/null") == 0;
    ~TwoMonitors() { RunCommand("xrandr --delmonitor TessLeft; xrandr --delmonitor TessRight"); }
};

} // namespace tess::test
