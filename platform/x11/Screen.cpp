#include "platform/x11/Screen.h"

#include "platform/Log.h"

#include <X11/Xatom.h>
#include <X11/Xlib-xcb.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/Xfixes.h>
#include <X11/extensions/shape.h>
#include <sys/ipc.h>
#include <sys/mman.h>
#include <sys/shm.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <utility>

namespace tess {

namespace {

// MADV_POPULATE_WRITE (Linux 5.14); the system headers may be older than the kernel.
#ifdef MADV_POPULATE_WRITE
constexpr int kPopulateWrite = MADV_POPULATE_WRITE;
#else
constexpr int kPopulateWrite = 23;
#endif

// Bytes of one strip of a grab over the connection: under the heap's limit for fresh
// mappings (128 KB), so strip after strip reuses the same memory.
constexpr size_t kStripBytes = 120 * 1024;

// ---- error trapping ------------------------------------------------------------------
//
// Xlib has one error handler per process. Ours is put in place when a connection opens and
// again before every section whose errors we want (a toolkit initialised later may have
// replaced it meanwhile): errors on our own connections are recorded on the connection,
// errors on other connections (the toolkit's) go on to the handler that was there before.

struct ErrorSlot {
    Display* display;
    std::atomic<int>* lastError;
};

// Guards the slots only; no Xlib call is made while it is held.
std::mutex g_errorMutex;
std::vector<ErrorSlot> g_slots;
std::atomic<XErrorHandler> g_previousHandler{nullptr};
thread_local bool t_inHandler = false;

int TrapError(Display* display, XErrorEvent* event) {
    {
        std::lock_guard lock(g_errorMutex);
        for (auto& slot : g_slots) {
            if (slot.display == display) {
                int none = 0; // the first error of a section is the one reported
                slot.lastError->compare_exchange_strong(none, event->error_code);
                return 0;
            }
        }
    }
    XErrorHandler previous = g_previousHandler.load();
    // A foreign handler that hands errors back to us must not loop.
    if (previous && !t_inHandler) {
        t_inHandler = true;
        int r = previous(display, event);
        t_inHandler = false;
        return r;
    }
    LogNotice("X error %d (request %d) ignored", event->error_code, event->request_code);
    return 0;
}

// ---- broken connections ----------------------------------------------------------------
//
// Xlib calls the process's I/O error handler, then the connection's exit handler (exit(1)
// by default). A screen connection's exit handler marks it lost and returns; Xlib then
// fails every later call on it at once. The process-wide handler leaves screen connections
// to that and hands the toolkit's connection to the program's handler. Any other connection
// ends the process with the program's own words: one that XOpenDisplay is still opening
// (it makes round trips before it returns, so before an exit handler can be set), or one
// broken before the toolkit's handler is there. Xlib's own handler would say "X connection
// to :N broken (explicit kill or server shutdown)." and end the process just the same.

std::atomic<void (*)()> g_toolkitLost{nullptr};

bool IsScreenConnection(Display* display);

int BrokenConnection(Display* display) {
    if (IsScreenConnection(display))
        return 0;
    if (auto onLost = g_toolkitLost.load()) {
        onLost();
        _exit(1);
    }
    LogNotice("the connection to the display was lost");
    _exit(1);
}

void MarkLost(Display*, void* lost) {
    static_cast<std::atomic<bool>*>(lost)->store(true);
}

void EnsureHandler() {
    XErrorHandler previous = XSetErrorHandler(TrapError);
    if (previous != TrapError)
        g_previousHandler.store(previous);
    XSetIOErrorHandler(BrokenConnection);
}

void RegisterDisplay(Display* display, std::atomic<int>* lastError) {
    EnsureHandler();
    std::lock_guard lock(g_errorMutex);
    g_slots.push_back({display, lastError});
}

bool IsScreenConnection(Display* display) {
    std::lock_guard lock(g_errorMutex);
    return std::any_of(g_slots.begin(), g_slots.end(),
                       [display](const ErrorSlot& s) { return s.display == display; });
}

void UnregisterDisplay(Display* display) {
    std::lock_guard lock(g_errorMutex);
    std::erase_if(g_slots, [display](const ErrorSlot& s) { return s.display == display; });
}

int ShiftOf(unsigned long mask) {
    int s = 0;
    if (!mask)
        return 0;
    while (!(mask & 1)) {
        mask >>= 1;
        ++s;
    }
    return s;
}

int BitsOf(unsigned long mask) {
    mask >>= ShiftOf(mask);
    int n = 0;
    while (mask & 1) {
        mask >>= 1;
        ++n;
    }
    return n;
}

uint8_t Channel(unsigned long pixel, unsigned long mask) {
    if (!mask)
        return 0;
    unsigned long v = (pixel & mask) >> ShiftOf(mask);
    int bits = BitsOf(mask);
    if (bits >= 8)
        return static_cast<uint8_t>(v >> (bits - 8));
    unsigned long max = (1ul << bits) - 1;
    return static_cast<uint8_t>((v * 255 + max / 2) / max);
}

bool IsBgrx(const XImage* img) {
    const bool littleEndianHost = [] {
        uint16_t one = 1;
        uint8_t b;
        std::memcpy(&b, &one, 1);
        return b == 1;
    }();
    return img->bits_per_pixel == 32 && img->red_mask == 0xff0000 && img->green_mask == 0xff00 &&
           img->blue_mask == 0xff && (img->byte_order == LSBFirst) == littleEndianHost;
}

// Copies an image of w x h pixels into dst, converting when its layout is not BGRx.
void CopyImage(XImage* img, int w, int h, uint8_t* dst, int32_t dstStride) {
    if (IsBgrx(img)) {
        for (int y = 0; y < h; ++y)
            std::memcpy(dst + static_cast<size_t>(y) * dstStride,
                        img->data + static_cast<size_t>(y) * img->bytes_per_line,
                        static_cast<size_t>(w) * 4);
        return;
    }
    for (int y = 0; y < h; ++y) {
        uint8_t* row = dst + static_cast<size_t>(y) * dstStride;
        for (int x = 0; x < w; ++x) {
            unsigned long p = XGetPixel(img, x, y);
            row[x * 4 + 0] = Channel(p, img->blue_mask);
            row[x * 4 + 1] = Channel(p, img->green_mask);
            row[x * 4 + 2] = Channel(p, img->red_mask);
            row[x * 4 + 3] = 0;
        }
    }
}

} // namespace

// ---- connection ----------------------------------------------------------------------

struct ScreenConnection::Impl {
    Display* display = nullptr;
    int screen = 0;
    Window root = 0;
    std::atomic<int> lastError{0};
    std::atomic<bool> lost{false};

    int scanlinePad = 32; // bits a row of the screen's depth is padded to, as the server sends
    bool shmAvailable = false;
    bool useShm = true;
    XShmSegmentInfo shm{};
    size_t shmCapacity = 0; // bytes of the attached segment, 0 when none
    XImage* shmImage = nullptr;
    int shmImageW = 0, shmImageH = 0;

    bool xfixes = false;
    Atom wmState = 0;
    std::unique_ptr<ScreenReader> chosenReader; // see chosenReaderSlot

    // Starts a section whose X errors are wanted as a result.
    void beginTrap() {
        EnsureHandler();
        lastError.store(0);
    }
    // Ends it: every reply and error of the section has arrived; true when none failed.
    bool endTrap() {
        XSync(display, False);
        return lastError.exchange(0) == 0;
    }

    void dropShmImage() {
        if (shmImage) {
            shmImage->data = nullptr; // the segment is not the image's to free
            XDestroyImage(shmImage);
            shmImage = nullptr;
        }
        shmImageW = shmImageH = 0;
    }

    void dropShm() {
        dropShmImage();
        if (shmCapacity) {
            beginTrap();
            XShmDetach(display, &shm);
            endTrap();
            shmdt(shm.shmaddr);
            shmCapacity = 0;
        }
        shm = {};
    }

    // A shared image of w x h pixels; null when shared memory cannot be used.
    XImage* shmImageFor(int w, int h) {
        if (shmImage && shmImageW == w && shmImageH == h)
            return shmImage;
        dropShmImage();
        Visual* visual = DefaultVisual(display, screen);
        int depth = DefaultDepth(display, screen);
        XImage* img = XShmCreateImage(display, visual, depth, ZPixmap, nullptr, &shm, w, h);
        if (!img)
            return nullptr;
        size_t need = static_cast<size_t>(img->bytes_per_line) * h;
        if (need > shmCapacity) {
            dropShm();
            int id = shmget(IPC_PRIVATE, need, IPC_CREAT | 0600);
            if (id < 0) {
                img->data = nullptr;
                XDestroyImage(img);
                return nullptr;
            }
            void* addr = shmat(id, nullptr, 0);
            // Marked for removal now: it goes away when both sides have detached.
            shmctl(id, IPC_RMID, nullptr);
            if (addr == reinterpret_cast<void*>(-1)) {
                img->data = nullptr;
                XDestroyImage(img);
                return nullptr;
            }
            // Map every page now, in one call, rather than one fault per page on the first
            // read (a fresh process, such as a command-line snapshot, pays for each fault).
            // Older kernels refuse the advice; the faults then happen as before.
            madvise(addr, need, kPopulateWrite);
            shm.shmid = id;
            shm.shmaddr = static_cast<char*>(addr);
            shm.readOnly = False;
            beginTrap();
            Bool attached = XShmAttach(display, &shm);
            if (!endTrap() || !attached) {
                shmdt(addr);
                shm = {};
                img->data = nullptr;
                XDestroyImage(img);
                shmAvailable = false; // a remote server: use the plain path from now on
                return nullptr;
            }
            shmCapacity = need;
        }
        img->data = shm.shmaddr;
        img->obdata = reinterpret_cast<char*>(&shm);
        shmImage = img;
        shmImageW = w;
        shmImageH = h;
        return img;
    }

    bool grabShm(int x, int y, int w, int h, uint8_t* dst, int32_t stride) {
        XImage* img = shmImageFor(w, h);
        if (!img)
            return false;
        beginTrap();
        Bool ok = XShmGetImage(display, root, img, x, y, AllPlanes);
        if (!endTrap() || !ok)
            return false;
        CopyImage(img, w, h, dst, stride);
        return true;
    }

    // The pixels come over the connection itself, in strips of at most kStripBytes asked
    // for all at once: the server works on the next strips while this side copies one, and
    // each strip's reply buffer is small enough for the heap to hand the same memory back
    // for the next (a whole-picture reply would be megabytes of fresh pages, each costing a
    // page fault, which on some virtual machines is more than the copying itself).
    bool grabPlain(int x, int y, int w, int h, uint8_t* dst, int32_t stride) {
        // The layout of the server's pixels, and a header to read each strip through.
        XImage* img = XCreateImage(display, DefaultVisual(display, screen),
                                   static_cast<unsigned>(DefaultDepth(display, screen)), ZPixmap, 0,
                                   nullptr, static_cast<unsigned>(w), 1, scanlinePad, 0);
        if (!img)
            return false;
        const size_t rowBytes = static_cast<size_t>(img->bytes_per_line);
        const int rowsPerStrip = static_cast<int>(std::max<size_t>(1, kStripBytes / rowBytes));
        xcb_connection_t* c = XGetXCBConnection(display);
        std::vector<xcb_get_image_cookie_t> cookies;
        cookies.reserve(static_cast<size_t>((h + rowsPerStrip - 1) / rowsPerStrip));
        for (int top = 0; top < h; top += rowsPerStrip)
            cookies.push_back(
                xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, root, static_cast<int16_t>(x),
                              static_cast<int16_t>(y + top), static_cast<uint16_t>(w),
                              static_cast<uint16_t>(std::min(rowsPerStrip, h - top)), ~0u));
        xcb_flush(c);
        bool ok = true;
        for (size_t i = 0; i < cookies.size(); ++i) {
            const int top = static_cast<int>(i) * rowsPerStrip;
            const int rows = std::min(rowsPerStrip, h - top);
            xcb_generic_error_t* error = nullptr;
            xcb_get_image_reply_t* reply = xcb_get_image_reply(c, cookies[i], &error);
            free(error);
            // Every reply is taken, even after a failure, so none is left queued.
            if (ok && reply &&
                static_cast<size_t>(xcb_get_image_data_length(reply)) >= rowBytes * rows) {
                img->data = reinterpret_cast<char*>(xcb_get_image_data(reply));
                img->height = rows;
                CopyImage(img, w, rows, dst + static_cast<size_t>(top) * stride, stride);
            } else {
                ok = false;
            }
            free(reply);
        }
        img->data = nullptr; // the replies were the data
        XDestroyImage(img);
        return ok;
    }

    bool attributes(Window w, XWindowAttributes* attrs) {
        if (!w)
            return false;
        beginTrap();
        Status st = XGetWindowAttributes(display, w, attrs);
        return endTrap() && st;
    }

    bool queryTree(Window w, Window* parent, std::vector<Window>* kids) {
        if (!w)
            return false;
        Window rootRet = 0, parentRet = 0;
        Window* list = nullptr;
        unsigned int n = 0;
        beginTrap();
        Status st = XQueryTree(display, w, &rootRet, &parentRet, &list, &n);
        bool ok = endTrap() && st;
        if (ok) {
            if (parent)
                *parent = parentRet;
            if (kids)
                kids->assign(list, list + n);
        }
        if (list)
            XFree(list);
        return ok;
    }
};

ScreenConnection::ScreenConnection() : impl_(std::make_unique<Impl>()) {}

namespace {
Display* g_heldDisplay = nullptr;
} // namespace

bool DisplayAnswers(const char* displayName, bool hold) {
    Display* display = XOpenDisplay(displayName);
    if (!display)
        return false;
    if (hold) {
        ReleaseHeldDisplay();
        g_heldDisplay = display;
    } else {
        XCloseDisplay(display);
    }
    return true;
}

void ReleaseHeldDisplay() {
    if (g_heldDisplay)
        XCloseDisplay(std::exchange(g_heldDisplay, nullptr));
}

std::unique_ptr<ScreenConnection> ScreenConnection::open(const char* displayName) {
    Display* display = XOpenDisplay(displayName);
    if (!display)
        return nullptr;
    std::unique_ptr<ScreenConnection> c(new ScreenConnection());
    Impl& d = *c->impl_;
    d.display = display;
    d.screen = DefaultScreen(display);
    d.root = RootWindow(display, d.screen);
    RegisterDisplay(display, &d.lastError);
    XSetIOErrorExitHandler(display, MarkLost, &d.lost);
    int formatCount = 0;
    if (XPixmapFormatValues* formats = XListPixmapFormats(display, &formatCount)) {
        for (int i = 0; i < formatCount; ++i)
            if (formats[i].depth == DefaultDepth(display, d.screen))
                d.scanlinePad = formats[i].scanline_pad;
        XFree(formats);
    }

    int major = 0, minor = 0;
    Bool pixmaps = False;
    d.shmAvailable = XShmQueryVersion(display, &major, &minor, &pixmaps);
    int eventBase = 0, errorBase = 0;
    d.xfixes = XFixesQueryExtension(display, &eventBase, &errorBase);
    if (d.xfixes) {
        int fmaj = 4, fmin = 0;
        XFixesQueryVersion(display, &fmaj, &fmin);
    }
    d.wmState = XInternAtom(display, "WM_STATE", False);
    return c;
}

ScreenConnection::~ScreenConnection() {
    if (impl_)
        impl_->chosenReader.reset();
    if (!impl_ || !impl_->display)
        return;
    impl_->dropShm();
    Display* display = impl_->display;
    if (!impl_->lost.load())
        XSync(display, False);
    UnregisterDisplay(display);
    XCloseDisplay(display);
}

bool ScreenConnection::lost() const {
    return impl_->lost.load();
}

std::unique_ptr<ScreenReader>& ScreenConnection::chosenReaderSlot() {
    return impl_->chosenReader;
}

void InstallDisplayLostHandler() {
    XSetIOErrorHandler(BrokenConnection);
}

void SetToolkitDisplayLostHandler(void (*onLost)()) {
    g_toolkitLost.store(onLost);
    EnsureHandler();
}

WindowId ScreenConnection::root() const {
    return impl_->root;
}

ScreenRect ScreenConnection::screenRect() const {
    Display* d = impl_->display;
    return {0, 0, DisplayWidth(d, impl_->screen), DisplayHeight(d, impl_->screen)};
}

ScreenRect ScreenConnection::desktopRect() const {
    XWindowAttributes attrs;
    if (impl_->attributes(impl_->root, &attrs))
        return {attrs.x, attrs.y, attrs.x + attrs.width, attrs.y + attrs.height};
    return screenRect();
}

bool ScreenConnection::shmAvailable() const {
    return impl_->shmAvailable;
}

void ScreenConnection::setUseShm(bool use) {
    impl_->useShm = use;
}

bool ScreenConnection::grab(const ScreenRect& area, uint8_t* dst, int32_t dstStride) {
    if (area.empty())
        return true; // nothing to copy
    if (!dst)
        return false;
    ScreenRect desk = desktopRect();
    ScreenRect clip{std::max(area.left, desk.left), std::max(area.top, desk.top),
                    std::min(area.right, desk.right), std::min(area.bottom, desk.bottom)};
    const size_t rowBytes = static_cast<size_t>(area.width()) * 4;
    bool partial = clip.empty() || clip != area;
    if (partial) {
        for (int32_t y = 0; y < area.height(); ++y)
            std::memset(dst + static_cast<size_t>(y) * dstStride, 0, rowBytes);
    }
    if (clip.empty())
        return true; // wholly off the desktop: all black
    uint8_t* target = dst + static_cast<size_t>(clip.top - area.top) * dstStride +
                      static_cast<size_t>(clip.left - area.left) * 4;
    bool ok = false;
    if (impl_->shmAvailable && impl_->useShm)
        ok = impl_->grabShm(clip.left, clip.top, clip.width(), clip.height(), target, dstStride);
    if (!ok)
        ok = impl_->grabPlain(clip.left, clip.top, clip.width(), clip.height(), target, dstStride);
    if (!ok && !partial) {
        for (int32_t y = 0; y < area.height(); ++y)
            std::memset(dst + static_cast<size_t>(y) * dstStride, 0, rowBytes);
    }
    return ok;
}

uint8_t* ScreenConnection::grabInPlace(const ScreenRect& area, int32_t* stride) {
    if (area.empty() || !stride || !impl_->shmAvailable || !impl_->useShm)
        return nullptr;
    const ScreenRect desk = desktopRect();
    if (area.left < desk.left || area.top < desk.top || area.right > desk.right ||
        area.bottom > desk.bottom)
        return nullptr;
    XImage* img = impl_->shmImageFor(area.width(), area.height());
    if (!img || !IsBgrx(img))
        return nullptr;
    impl_->beginTrap();
    const Bool ok = XShmGetImage(impl_->display, impl_->root, img, area.left, area.top, AllPlanes);
    if (!impl_->endTrap() || !ok)
        return nullptr;
    *stride = img->bytes_per_line;
    return reinterpret_cast<uint8_t*>(img->data);
}

bool ScreenConnection::isWindow(WindowId w) {
    XWindowAttributes attrs;
    return impl_->attributes(w, &attrs);
}

bool ScreenConnection::isViewable(WindowId w) {
    XWindowAttributes attrs;
    return impl_->attributes(w, &attrs) && attrs.map_state == IsViewable;
}

std::optional<ScreenRect> ScreenConnection::windowRect(WindowId w) {
    if (auto st = windowState(w))
        return st->rect;
    return std::nullopt;
}

std::optional<WindowState> ScreenConnection::windowState(WindowId w) {
    XWindowAttributes attrs;
    if (!impl_->attributes(w, &attrs))
        return std::nullopt;
    int rx = 0, ry = 0;
    Window child = 0;
    impl_->beginTrap();
    Bool same = XTranslateCoordinates(impl_->display, w, impl_->root, 0, 0, &rx, &ry, &child);
    if (!impl_->endTrap() || !same)
        return std::nullopt;
    const int bw = attrs.border_width;
    WindowState st;
    st.rect = ScreenRect{rx - bw, ry - bw, rx + attrs.width + bw, ry + attrs.height + bw};
    st.viewable = attrs.map_state == IsViewable;
    st.inputOnly = attrs.c_class == InputOnly;
    return st;
}

std::vector<WindowId> ScreenConnection::children(WindowId w) {
    std::vector<Window> kids;
    if (!impl_->queryTree(w, nullptr, &kids))
        return {};
    // The server lists them bottom to top.
    return std::vector<WindowId>(kids.rbegin(), kids.rend());
}

WindowId ScreenConnection::frameOf(WindowId w) {
    if (!w || w == impl_->root)
        return w;
    for (int depth = 0; depth < 64; ++depth) {
        Window parent = 0;
        if (!impl_->queryTree(w, &parent, nullptr))
            return 0;
        if (parent == impl_->root || parent == 0)
            return w;
        w = parent;
    }
    return 0;
}

WindowId ScreenConnection::grabTarget(WindowId w) {
    if (!isWindow(w))
        return 0;
    Atom type = 0;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    impl_->beginTrap();
    int st = XGetWindowProperty(impl_->display, w, impl_->wmState, 0, 2, False, AnyPropertyType,
                                &type, &format, &items, &after, &data);
    bool ok = impl_->endTrap() && st == Success;
    if (data)
        XFree(data);
    if (!ok)
        return 0;
    if (type == None)
        return w; // not a managed top-level window
    WindowId frame = frameOf(w);
    return frame ? frame : w;
}

namespace {
// The cursor last read on any connection of the process, for the moments the server cannot
// say which cursor it shows.
std::mutex g_lastCursorMutex;
std::optional<CursorImage> g_lastCursor;
unsigned long g_lastCursorSerial = 0; // the server's number of the cursor kept there
} // namespace

std::optional<CursorImage> ScreenConnection::cursor() {
    if (!impl_->xfixes)
        return std::nullopt;
    impl_->beginTrap();
    XFixesCursorImage* img = XFixesGetCursorImage(impl_->display);
    bool ok = impl_->endTrap() && img;
    if (!ok) {
        if (img)
            XFree(img);
        // The server refuses the cursor's picture for a while at times (seen under Xvfb after
        // other programs that had shown cursors of their own came and went, until the pointer
        // meets another cursor): a frame then shows the last cursor read, where the pointer
        // is, rather than none.
        std::optional<CursorImage> last;
        {
            std::lock_guard lock(g_lastCursorMutex);
            last = g_lastCursor;
        }
        int32_t x = 0, y = 0;
        if (!last || !pointer(&x, &y))
            return std::nullopt;
        last->x = x;
        last->y = y;
        return last;
    }
    const unsigned long serial = img->cursor_serial;
    CursorImage c;
    c.x = img->x;
    c.y = img->y;
    c.xhot = img->xhot;
    c.yhot = img->yhot;
    c.width = img->width;
    c.height = img->height;
    size_t n = static_cast<size_t>(img->width) * img->height;
    c.argb.resize(n);
    // Xlib hands the 32-bit pixels over as longs.
    for (size_t i = 0; i < n; ++i)
        c.argb[i] = static_cast<uint32_t>(img->pixels[i]);
    XFree(img);
    {
        // Copied only when the cursor changed: this runs for every recorded frame.
        std::lock_guard lock(g_lastCursorMutex);
        if (!g_lastCursor || serial != g_lastCursorSerial) {
            g_lastCursor = c;
            g_lastCursorSerial = serial;
        }
    }
    return c;
}

bool ScreenConnection::pointer(int32_t* x, int32_t* y) {
    Window rootRet = 0, child = 0;
    int rx = 0, ry = 0, wx = 0, wy = 0;
    unsigned int mask = 0;
    impl_->beginTrap();
    Bool same =
        XQueryPointer(impl_->display, impl_->root, &rootRet, &child, &rx, &ry, &wx, &wy, &mask);
    if (!impl_->endTrap() || !same)
        return false;
    *x = rx;
    *y = ry;
    return true;
}

bool ScreenConnection::repaintSpot(int32_t x, int32_t y) {
    Impl& d = *impl_;
    if (lost())
        return false;
    XVisualInfo visual{};
    if (!XMatchVisualInfo(d.display, d.screen, 32, TrueColor, &visual))
        return false;
    d.beginTrap();
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.colormap = XCreateColormap(d.display, d.root, visual.visual, AllocNone);
    attributes.background_pixel = 0; // alpha 0 too
    attributes.border_pixel = 0;
    const Window spot =
        XCreateWindow(d.display, d.root, x, y, 1, 1, 0, 32, InputOutput, visual.visual,
                      CWOverrideRedirect | CWColormap | CWBackPixel | CWBorderPixel, &attributes);
    // An empty input shape: a click at that moment goes to whatever is below.
    XShapeCombineRectangles(d.display, spot, ShapeInput, 0, 0, nullptr, 0, ShapeSet, Unsorted);
    XMapRaised(d.display, spot);
    XSync(d.display, False);
    // Shown for a moment, so a compositor that is slow to take the new window still does.
    usleep(20 * 1000);
    XDestroyWindow(d.display, spot);
    XFreeColormap(d.display, attributes.colormap);
    return d.endTrap();
}

void* ScreenConnection::nativeDisplay() const {
    return impl_->display;
}

XErrorScope::XErrorScope(void* display) : display_(display) {
    RegisterDisplay(static_cast<Display*>(display_), &error_);
}

XErrorScope::~XErrorScope() {
    XSync(static_cast<Display*>(display_), False);
    UnregisterDisplay(static_cast<Display*>(display_));
}

int XErrorScope::sync() {
    EnsureHandler();
    XSync(static_cast<Display*>(display_), False);
    return error_.exchange(0);
}

ScreenConnection* WindowThreadScreen() {
    static std::unique_ptr<ScreenConnection> connection = ScreenConnection::open();
    return connection.get();
}

} // namespace tess
