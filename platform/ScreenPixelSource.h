#pragma once
// A source of the screen's pixels other than the X server (the portal's screen cast,
// platform/portal/), the choice of the back end, and the arithmetic of reading a stream's
// pictures. One source serves the whole process; the readers of platform/ScreenReader.h
// read it.
#include <cstdint>
#include <optional>
#include <string>

#include "platform/ScreenRect.h"
#include "platform/Translate.h"

namespace tess {

// Which back end reads the screen.
enum class ScreenBackend { X11, Portal };

// The back end in use: `option` is the value of --backend (empty when not given), `setting`
// the "ScreenBackend" setting ("auto", "x11" or "portal"; anything else counts as "auto"),
// and "auto" means the portal in a Wayland session, X11 otherwise. None when `option` is
// given but is neither "x11" nor "portal" (a mistake on the command line).
std::optional<ScreenBackend> ChooseScreenBackend(const std::string& option,
                                                 const std::string& setting, bool waylandSession);

class ScreenPixelSource {
public:
    virtual ~ScreenPixelSource() = default;
    // Starts the source when it is not running (the first use, or after it ended): may wait
    // for the user to allow it. False with failure() telling why.
    virtual bool start() = 0;
    // Copies `area` (X coordinates) of the newest picture into `dst` as 32-bit blue, green,
    // red, unused; `xScreen` is the X screen, which the picture covers unless the source
    // knows better. Parts the picture does not cover are black. False (dst black) when the
    // source is not running.
    virtual bool grab(const ScreenRect& area, const ScreenRect& xScreen, uint8_t* dst,
                      int32_t dstStride) = 0;
    // True once a started source stopped delivering (sharing was stopped, the service went).
    virtual bool ended() const = 0;
    // Why the last start failed or the source ended; empty when neither happened.
    virtual std::string failure() const = 0;
    // A reader that grabs at its own pace (a slow time lapse) keeps the source from being
    // stopped for want of use while it holds it; holds are counted.
    virtual void hold(bool on) { (void)on; }
    // Whether the pictures of the next grabs are to show the cursor (a recording's frames
    // always do; a snapshot as the user set it). A source whose desktop draws the cursor in
    // for a whole cast starts a cast of the other kind when it must.
    virtual void wantCursor(bool on) { (void)on; }
    // The program just took something of its own off the screen (the countdown window): the
    // next grab waits, up to `limitMs`, for a picture that arrived after this call, so it
    // does not copy one the desktop made while that was still shown.
    virtual void screenChanged(int limitMs) { (void)limitMs; }
};

// Makes a start that is waiting (for the user's answer, for the first picture) give up, as
// an interrupted command wants; safe in a signal handler. A start clears it when it begins.
void InterruptScreenSourceStart();
bool ScreenSourceStartInterrupted();
void ClearScreenSourceInterrupt();

// What the program says when a window is to be picked while the screen is read from a
// source: the windows the X server knows are only those of X programs. Translate at use:
// Tr(kWindowCaptureUnavailableMessage).
inline constexpr const char* kWindowCaptureUnavailableMessage =
    N_("Window capture is not available in this session: capture the screen or a region "
       "instead.");

// ---- the arithmetic of a source, kept apart for tests ---------------------------------

// Pixel layouts a stream may deliver, 32 bits a pixel, named by their bytes in memory.
enum class StreamPixelFormat { BGRx, BGRA, RGBx, RGBA };

// Copies `width` pixels of `format` to BGRx (the fourth byte 0).
void ConvertRowToBgrx(const uint8_t* src, StreamPixelFormat format, int32_t width, uint8_t* dst);

// A stream picture of pixelWidth x pixelHeight showing `logical` (X coordinates).
struct StreamGeometry {
    ScreenRect logical;
    int32_t pixelWidth = 0;
    int32_t pixelHeight = 0;
};

// Where a stream's picture lies on the X screen: the place and size the desktop announced
// when they lie on the X screen (a monitor of several), else the whole X screen. Desktops
// differ in what they announce: some give the monitor's logical size, some its size in
// pixels, which at an output scale above 1 reaches past the X screen.
ScreenRect StreamLogicalRect(const std::optional<ScreenRect>& announced, const ScreenRect& xScreen);

// Copies `area` (X coordinates) of a BGRx picture laid out as `geometry` says into `dst`
// (area.width() x area.height() pixels, `dstStride` bytes a row): each pixel is the picture
// pixel under its centre, so an output scale of 1 is a plain copy and any other is scaled to
// the asked size. Pixels outside the picture are black.
void CopyStreamArea(const uint8_t* picture, int32_t pictureStride, const StreamGeometry& geometry,
                    const ScreenRect& area, uint8_t* dst, int32_t dstStride);

} // namespace tess
