#pragma once
// The X11 screen as the rest of the program sees it: pixels of the root window, the screen
// and desktop rectangles, windows in stacking order with their rectangles, and the mouse
// cursor image. Only plain C++ types appear here, so code that also includes wxWidgets is
// not troubled by X11's macros; Xlib stays inside Screen.cpp.
//
// One `ScreenConnection` belongs to one thread at a time (Xlib connections are not shared
// between threads): the window thread uses `WindowThreadScreen()`, the recorder thread opens
// its own. X protocol errors (a window that vanished, a rectangle past the screen) are caught
// by the program's own error handler and come back as failed results, never as an exit.
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ScreenReader.h"
#include "platform/Translate.h"

namespace tess {

// An X window id; 0 is no window.
using WindowId = unsigned long;

// What one question to the server tells about a window.
struct WindowState {
    ScreenRect rect;        // border included, screen coordinates
    bool viewable = false;  // it and all its ancestors are mapped
    bool inputOnly = false; // an input-only window: nothing of it is ever seen
};

// What the program says when no display answers (after "tessaray: ").
// Translate at use: Tr(kNoDisplayMessage).
inline constexpr const char* kNoDisplayMessage = N_("cannot open the X display (is DISPLAY set?)");

// True when an X display answers at `displayName` (null: $DISPLAY). The toolkit is not asked:
// it ends the process when it finds none. With `hold`, the connection stays open until
// ReleaseHeldDisplay: an X server resets when its last client leaves and refuses the clients
// that connect meanwhile, so a probe closed at once could be what makes the server refuse the
// toolkit's own connection a moment later.
bool DisplayAnswers(const char* displayName = nullptr, bool hold = false);
void ReleaseHeldDisplay();

// The X server's screen reader (platform/ScreenReader.h): its grabs and cursor are the X
// server's, whatever back end the process chose; ReaderFor gives the chosen one.
class ScreenConnection : public ScreenReader {
public:
    // Opens a connection to `displayName` (null: $DISPLAY); null when no display answers.
    static std::unique_ptr<ScreenConnection> open(const char* displayName = nullptr);
    ~ScreenConnection() override;
    ScreenConnection(const ScreenConnection&) = delete;
    ScreenConnection& operator=(const ScreenConnection&) = delete;

    WindowId root() const;
    // (0, 0, width, height) of the primary screen.
    ScreenRect screenRect() const;
    // The whole desktop: the root window's geometry.
    ScreenRect desktopRect() const;

    // Copies `area` of the screen into `dst` (32-bit blue, green, red, unused; `dstStride`
    // bytes a row; area.width() x area.height() pixels). The part of the area outside the
    // desktop is black. False when the server gave no pixels (dst is then black).
    bool grab(const ScreenRect& area, uint8_t* dst, int32_t dstStride) override;
    // In the shared segment, when shared memory is used and the server's pixels are 32-bit
    // blue, green, red, unused.
    uint8_t* grabInPlace(const ScreenRect& area, int32_t* stride) override;

    // Shared memory is used for grabs when the server offers it: a segment of the
    // connection's own, kept from grab to grab (a recording's frames). Turned off, the pixels
    // come over the connection in small strips, which touches no fresh memory: the cheaper
    // way for a single grab in a fresh process (the command-line snapshot), where every page
    // of a new segment costs the server a page fault. Tests and benchmarks use it to measure
    // the plain path.
    bool shmAvailable() const;
    void setUseShm(bool use);

    // True once the connection broke (the X server went away): from then on every call
    // fails at once instead of ending the process, as Xlib would.
    bool lost() const;

    // True when `w` names an existing window.
    bool isWindow(WindowId w);
    // True when the window and all its ancestors are mapped.
    bool isViewable(WindowId w);
    // The window's rectangle, border included, in screen coordinates; none when it is gone.
    std::optional<ScreenRect> windowRect(WindowId w);
    // Rectangle and visibility at once; none when the window is gone.
    std::optional<WindowState> windowState(WindowId w);
    // The window's children, topmost first; empty when it has none or is gone.
    std::vector<WindowId> children(WindowId w);
    // The ancestor of `w` that is a child of the root (the window manager's frame of a
    // top-level window, or the window itself without a window manager); 0 when gone.
    WindowId frameOf(WindowId w);
    // The window that stands for `w` with its decorations: its frame when `w` is a managed
    // top-level window (it carries WM_STATE), else `w` itself; 0 when gone.
    WindowId grabTarget(WindowId w);

    // The cursor image and position; none when XFixes is missing or the call failed.
    std::optional<CursorImage> cursor() override;
    // The pointer position on the screen.
    bool pointer(int32_t* x, int32_t* y);

    // Maps a fully transparent 1 x 1 window at (x, y) for a moment, one that takes no
    // input either: nothing on the screen changes, but a compositor repaints the spot. Some
    // screen casts of a Wayland session send a picture only when the screen changes, so on a
    // still screen a new cast would wait for ever; this makes it send one. Only where a
    // compositor blends windows (a Wayland session): a plain X server would show the pixel
    // black for that moment. False when the server has no 32-bit visual (nothing shown).
    bool repaintSpot(int32_t x, int32_t y);

    // Where ReaderFor (platform/ScreenReader.h) keeps the chosen back end's reader over this
    // connection, so that its state (started, held) lasts as long as the connection.
    std::unique_ptr<ScreenReader>& chosenReaderSlot();

    // The Xlib Display*, for tests and for code in platform/x11 that needs it.
    void* nativeDisplay() const;

private:
    ScreenConnection();
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Records the X errors of another Xlib connection (a Display* of other code in
// platform/x11) while it lives, instead of whatever handler the process has: the same
// process-wide handler as the screen connections, so the two never swap handlers under each
// other. One scope per display at a time.
class XErrorScope {
public:
    explicit XErrorScope(void* display);
    ~XErrorScope();
    XErrorScope(const XErrorScope&) = delete;
    XErrorScope& operator=(const XErrorScope&) = delete;
    // Waits for every reply of the requests made so far; the first error code since the
    // last call (0 when none), then cleared.
    int sync();

private:
    void* display_;
    std::atomic<int> error_{0};
};

// Puts the program's handler of broken display connections in Xlib's place: call it before
// the process opens its first display. XOpenDisplay makes round trips before it returns, and
// a server that goes then would end the process with Xlib's words; this way the program says
// "tessaray: the connection to the display was lost" and ends with status 1.
void InstallDisplayLostHandler();

// A broken display connection (the X server died or the link went) ends the process in
// Xlib, and the toolkit's own handler calls _exit(1), so a recording would be left
// unfinished. The screen connections only fail from then on (ScreenConnection::lost). For
// the toolkit's connection, call this once the toolkit has opened its display: `onLost`
// then runs on the thread that met the broken connection, to finish what is being written
// and end the process (when it returns, the process ends with status 1).
void SetToolkitDisplayLostHandler(void (*onLost)());

// The window thread's connection, opened on first use; null when no display answers.
// Only the window thread may call this.
ScreenConnection* WindowThreadScreen();

} // namespace tess
