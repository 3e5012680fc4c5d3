#pragma once
// Copying pixels off the screen: the whole screen, a rectangle of it or one window, with the
// mouse cursor drawn in, through the caption overlay, into a picture file or a frame of the
// open recording. Snapshots grab on the window thread; a recording grabs its first frame
// there and the rest on its recorder thread, each thread through its own ScreenConnection.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "media/MemBm.h"
#include "platform/x11/Screen.h"

namespace tess {

// Result codes shared with the picture writer.
inline constexpr int32_t kGrabDone = 0;
inline constexpr int32_t kGrabNoBitmap = 501; // the picture to grab into could not be made
inline constexpr int32_t kGrabNoImage = 505;  // the screen gave no pixels
inline constexpr int32_t kGrabNoDc = 507;     // no screen connection

// The overlay step: receives the grabbed picture and returns the picture to write (the same
// one, or one the overlay owns). Built by the caller around its caption overlay.
using GrabOverlay = std::function<const MemBm&(MemBm&)>;

// Copies width x height pixels of the screen at (sx, sy) to (x, y) of `target`, clipped to
// the target. With singleCopy one request; otherwise 20 vertical strips, strip i starting at
// (i * width) / 20 and width / 20 + 1 pixels wide (cut at the area's right edge), with a
// yield to other threads after each. Screen parts outside the desktop come out black.
// False when the raster operation is not kSrcCopy (media/MemBm.h) or the server gave no pixels.
bool CopyScreenArea(MemBm& target, int32_t x, int32_t y, int32_t width, int32_t height,
                    ScreenConnection& source, int32_t sx, int32_t sy, uint32_t rop,
                    bool singleCopy);

// Draws `cursor` into `bm`, whose top-left corner shows screen point (originX, originY):
// the image's hot spot lands on the pointer position, blended by its alpha.
void DrawCursor(MemBm& bm, const CursorImage& cursor, int32_t originX, int32_t originY);

// The area GrabScreen takes: `area` when given and its left or right is not 0; otherwise
// the primary screen, or with wholeDesktop the whole desktop.
ScreenRect GrabArea(ScreenConnection& screen, bool wholeDesktop, const ScreenRect* area);

// The grab without the write: the picture of the area (or the window), cursor drawn when
// asked. On failure null, with the result code in *result.
std::unique_ptr<MemBm> GrabScreenPicture(ScreenConnection& screen, bool drawCursor, bool singleCopy,
                                         bool wholeDesktop, const ScreenRect* area,
                                         int32_t* result);
// Null with *result 0 when `window` is not (or no longer) a window. The window's frame
// stands for a managed top-level window; the picture is what the screen shows there.
std::unique_ptr<MemBm> GrabWindowPicture(ScreenConnection& screen, WindowId window, bool drawCursor,
                                         int32_t* result);

// The write step: the picture writer for formats 0 to 4 (format 2: a frame of the open
// recording). Result code as the writer gives it.
int32_t WriteGrabbedPicture(const MemBm& bm, int32_t imageFormat, const std::string& fileName,
                            int32_t quality);

// Grab, cursor, overlay, write. Returns the result code.
int32_t GrabScreen(ScreenConnection& screen, const std::string& fileName, int32_t imageFormat,
                   bool drawCursor, bool singleCopy, bool wholeDesktop, const ScreenRect* area,
                   int32_t quality, const GrabOverlay* overlay);
// 0 and nothing written when `window` is not (or no longer) a window.
int32_t GrabWindow(ScreenConnection& screen, WindowId window, const std::string& fileName,
                   int32_t imageFormat, bool drawCursor, int32_t quality,
                   const GrabOverlay* overlay);

} // namespace tess
