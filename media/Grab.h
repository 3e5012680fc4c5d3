#pragma once
// Copying pixels off the screen: the whole screen, a rectangle of it or one window, with the
// mouse cursor drawn in, through the caption overlay, into a picture file or a frame of the
// open recording. Snapshots grab on the window thread; a recording grabs its first frame
// there and the rest on its recorder thread, each thread through its own ScreenConnection.
#include <cstdint>
#include <memory>
#include <string>

#include "media/MemBm.h"
#include "media/WriteImageFile.h"
#include "platform/x11/Screen.h"

namespace tess {

class Fx;

// Result codes are the picture writer's (media/WriteImageFile.h): kImageNoBitmap when the
// picture to grab into cannot be made, kImageNoPicture when the screen gave no pixels,
// kImageNoDrawingArea when there is no screen connection.

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
// The same into a width x height picture at `pixels`, `stride` bytes a row.
void DrawCursor(uint8_t* pixels, int32_t width, int32_t height, int32_t stride,
                const CursorImage& cursor, int32_t originX, int32_t originY);

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

// Grab, cursor, overlay (null for none), then WriteImageFile (format 2: a frame of the open
// recording). Returns the result code. `mayReplace` lets the writer replace an existing file
// (an output path the user named); capture names are always free names.
int32_t GrabScreen(ScreenConnection& screen, const std::string& fileName, int32_t imageFormat,
                   bool drawCursor, bool singleCopy, bool wholeDesktop, const ScreenRect* area,
                   int32_t quality, Fx* overlay, bool mayReplace = false);
// 0 and nothing written when `window` is not (or no longer) a window.
int32_t GrabWindow(ScreenConnection& screen, WindowId window, const std::string& fileName,
                   int32_t imageFormat, bool drawCursor, int32_t quality, Fx* overlay,
                   bool mayReplace = false);

// The same on the window thread's connection; kImageNoDrawingArea without a display.
int32_t GrabScreen(const std::string& fileName, int32_t imageFormat, bool drawCursor,
                   bool singleCopy, bool wholeDesktop, const ScreenRect* area, int32_t quality,
                   Fx* overlay);
int32_t GrabWindow(WindowId window, const std::string& fileName, int32_t imageFormat,
                   bool drawCursor, int32_t quality, Fx* overlay);

} // namespace tess
