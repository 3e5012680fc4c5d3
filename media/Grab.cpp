#include "media/Grab.h"

#include <algorithm>
#include <new>
#include <optional>
#include <thread>

#include "media/Caption.h"
#include "media/MediaFile.h"
#include "platform/ScreenReader.h"

namespace tess {

namespace {

// One copy request: the screen rectangle at (sx, sy) of width x height into target (x, y),
// both clipped to the target.
bool CopyPart(MemBm& target, int32_t x, int32_t y, int32_t width, int32_t height,
              ScreenConnection& source, int32_t sx, int32_t sy) {
    int32_t left = std::max(x, 0);
    int32_t top = std::max(y, 0);
    int32_t right = std::min(x + width, target.width());
    int32_t bottom = std::min(y + height, target.height());
    if (right <= left || bottom <= top)
        return true; // nothing of it lands on the target
    ScreenRect from{sx + (left - x), sy + (top - y), 0, 0};
    from.right = from.left + (right - left);
    from.bottom = from.top + (bottom - top);
    return ReaderFor(source).grab(from, target.pixelAddress(left, top), target.stride());
}

uint8_t Blend(uint8_t src, uint8_t dst, uint32_t alpha) {
    // Premultiplied source over the picture.
    uint32_t v = src + (dst * (255 - alpha) + 127) / 255;
    return static_cast<uint8_t>(std::min<uint32_t>(v, 255));
}

std::unique_ptr<MemBm> NewPicture(int32_t width, int32_t height, bool recordingFrame = false) {
    if (width <= 0 || height <= 0)
        return nullptr;
    // Every grab writes each pixel of its picture, so the last frame's picture will do.
    if (recordingFrame)
        if (auto kept = TakeRecordingPicture(width, height))
            return kept;
    try {
        auto bm = std::make_unique<MemBm>(width, height);
        if (!bm->bits())
            return nullptr;
        return bm;
    } catch (const std::bad_alloc&) {
        return nullptr;
    } catch (const std::length_error&) {
        return nullptr;
    }
}

void DrawCursorOf(ScreenConnection& screen, MemBm& bm, int32_t originX, int32_t originY) {
    if (auto cursor = ReaderFor(screen).cursor())
        DrawCursor(bm, *cursor, originX, originY);
}

// A recording's frame without a caption goes to the file straight from the reader's own
// memory where the reader has it (the X server's shared segment): the cursor is drawn there
// and the screen is not copied once more into a picture of ours (at 30 frames a second of a
// 1920 x 1080 screen that copy was a third of the recording's work). Nothing when the reader
// has no such memory for `r`: the caller grabs into a picture.
std::optional<int32_t> RecordInPlace(ScreenConnection& screen, const ScreenRect& r,
                                     bool drawCursor) {
    ScreenReader& reader = ReaderFor(screen);
    int32_t stride = 0;
    uint8_t* pixels = reader.grabInPlace(r, &stride);
    if (!pixels)
        return std::nullopt;
    if (drawCursor)
        if (auto cursor = reader.cursor())
            DrawCursor(pixels, r.width(), r.height(), stride, *cursor, r.left, r.top);
    MediaFile* recording = OpenRecording();
    return recording ? recording->AddFramePixels(pixels, r.width(), r.height(), stride) : kImageOk;
}

int32_t Finish(std::unique_ptr<MemBm> bm, int32_t imageFormat, const std::string& fileName,
               int32_t quality, Fx* overlay, bool mayReplace) {
    const MemBm& out = overlay ? overlay->Apply(*bm) : *bm;
    const int32_t r =
        WriteImageFile(out, static_cast<ImageFormat>(imageFormat), fileName, quality, mayReplace);
    if (imageFormat == StoredValue(ImageFormat::kRecordingFrame))
        KeepRecordingPicture(std::move(bm));
    return r;
}

std::unique_ptr<MemBm> ScreenPicture(ScreenConnection& screen, bool drawCursor, bool singleCopy,
                                     bool wholeDesktop, const ScreenRect* area, bool recordingFrame,
                                     int32_t* result) {
    ScreenRect r = GrabArea(screen, wholeDesktop, area);
    ReaderFor(screen).wantCursor(drawCursor);
    auto bm = NewPicture(r.width(), r.height(), recordingFrame);
    if (!bm) {
        *result = kImageNoBitmap;
        return nullptr;
    }
    if (!CopyScreenArea(*bm, 0, 0, r.width(), r.height(), screen, r.left, r.top, kSrcCopy,
                        singleCopy)) {
        // A black picture passed off as the screen would be a failure reported as success.
        *result = kImageNoPicture;
        return nullptr;
    }
    if (drawCursor)
        DrawCursorOf(screen, *bm, r.left, r.top);
    *result = kImageOk;
    return bm;
}

// What grabbing `window` shows: its frame's rectangle for a managed top-level window;
// nothing when it is gone.
std::optional<ScreenRect> WindowArea(ScreenConnection& screen, WindowId window) {
    WindowId target = screen.grabTarget(window);
    if (!target)
        return std::nullopt;
    return screen.windowRect(target); // none when gone between the two questions
}

std::unique_ptr<MemBm> WindowPicture(ScreenConnection& screen, const ScreenRect* rect,
                                     bool drawCursor, bool recordingFrame, int32_t* result) {
    *result = kImageOk;
    if (!rect)
        return nullptr;
    auto bm = NewPicture(rect->width(), rect->height(), recordingFrame);
    if (!bm) {
        *result = kImageNoBitmap;
        return nullptr;
    }
    if (!CopyScreenArea(*bm, 0, 0, rect->width(), rect->height(), screen, rect->left, rect->top,
                        kSrcCopy, true)) {
        *result = kImageNoPicture;
        return nullptr;
    }
    if (drawCursor)
        DrawCursorOf(screen, *bm, rect->left, rect->top);
    return bm;
}

} // namespace

bool CopyScreenArea(MemBm& target, int32_t x, int32_t y, int32_t width, int32_t height,
                    ScreenConnection& source, int32_t sx, int32_t sy, uint32_t rop,
                    bool singleCopy) {
    if (rop != kSrcCopy || !target.bits())
        return false;
    if (width <= 0 || height <= 0)
        return true;
    if (singleCopy)
        return CopyPart(target, x, y, width, height, source, sx, sy);
    bool ok = true;
    const int32_t stripWidth = width / 20 + 1;
    for (int32_t i = 0; i < 20; ++i) {
        int32_t offset = static_cast<int32_t>((static_cast<int64_t>(i) * width) / 20);
        int32_t w = std::min(stripWidth, width - offset);
        ok = CopyPart(target, x + offset, y, w, height, source, sx + offset, sy);
        std::this_thread::yield();
    }
    return ok; // as the last strip went
}

void DrawCursor(MemBm& bm, const CursorImage& cursor, int32_t originX, int32_t originY) {
    DrawCursor(bm.bits(), bm.width(), bm.height(), bm.stride(), cursor, originX, originY);
}

void DrawCursor(uint8_t* pixels, int32_t width, int32_t height, int32_t stride,
                const CursorImage& cursor, int32_t originX, int32_t originY) {
    if (!pixels || cursor.width <= 0 || cursor.height <= 0 ||
        cursor.argb.size() < static_cast<size_t>(cursor.width) * cursor.height)
        return;
    const int32_t left = cursor.x - cursor.xhot - originX;
    const int32_t top = cursor.y - cursor.yhot - originY;
    for (int32_t row = 0; row < cursor.height; ++row) {
        int32_t y = top + row;
        if (y < 0 || y >= height)
            continue;
        for (int32_t col = 0; col < cursor.width; ++col) {
            int32_t x = left + col;
            if (x < 0 || x >= width)
                continue;
            uint32_t p = cursor.argb[static_cast<size_t>(row) * cursor.width + col];
            uint32_t a = p >> 24;
            if (a == 0)
                continue;
            uint8_t* d =
                pixels + static_cast<ptrdiff_t>(y) * stride + static_cast<ptrdiff_t>(x) * 4;
            d[0] = Blend(p & 0xff, d[0], a);
            d[1] = Blend((p >> 8) & 0xff, d[1], a);
            d[2] = Blend((p >> 16) & 0xff, d[2], a);
        }
    }
}

ScreenRect GrabArea(ScreenConnection& screen, bool wholeDesktop, const ScreenRect* area) {
    if (area && (area->left != 0 || area->right != 0))
        return *area;
    return wholeDesktop ? screen.desktopRect() : screen.screenRect();
}

std::unique_ptr<MemBm> GrabScreenPicture(ScreenConnection& screen, bool drawCursor, bool singleCopy,
                                         bool wholeDesktop, const ScreenRect* area,
                                         int32_t* result) {
    return ScreenPicture(screen, drawCursor, singleCopy, wholeDesktop, area, false, result);
}

std::unique_ptr<MemBm> GrabWindowPicture(ScreenConnection& screen, WindowId window, bool drawCursor,
                                         int32_t* result) {
    const auto rect = WindowArea(screen, window);
    return WindowPicture(screen, rect ? &*rect : nullptr, drawCursor, false, result);
}

int32_t GrabScreen(ScreenConnection& screen, const std::string& fileName, int32_t imageFormat,
                   bool drawCursor, bool singleCopy, bool wholeDesktop, const ScreenRect* area,
                   int32_t quality, Fx* overlay, bool mayReplace) {
    const bool frame = imageFormat == StoredValue(ImageFormat::kRecordingFrame);
    if (frame && singleCopy && !overlay) {
        ReaderFor(screen).wantCursor(drawCursor);
        if (auto done = RecordInPlace(screen, GrabArea(screen, wholeDesktop, area), drawCursor))
            return *done;
    }
    int32_t result = kImageOk;
    auto bm = ScreenPicture(screen, drawCursor, singleCopy, wholeDesktop, area, frame, &result);
    if (!bm)
        return result;
    return Finish(std::move(bm), imageFormat, fileName, quality, overlay, mayReplace);
}

int32_t GrabWindow(ScreenConnection& screen, WindowId window, const std::string& fileName,
                   int32_t imageFormat, bool drawCursor, int32_t quality, Fx* overlay,
                   bool mayReplace) {
    const bool frame = imageFormat == StoredValue(ImageFormat::kRecordingFrame);
    const auto rect = WindowArea(screen, window);
    if (frame && rect && !overlay)
        if (auto done = RecordInPlace(screen, *rect, drawCursor))
            return *done;
    int32_t result = kImageOk;
    auto bm = WindowPicture(screen, rect ? &*rect : nullptr, drawCursor, frame, &result);
    if (!bm)
        return result;
    return Finish(std::move(bm), imageFormat, fileName, quality, overlay, mayReplace);
}

int32_t GrabScreen(const std::string& fileName, int32_t imageFormat, bool drawCursor,
                   bool singleCopy, bool wholeDesktop, const ScreenRect* area, int32_t quality,
                   Fx* overlay) {
    ScreenConnection* screen = WindowThreadScreen();
    if (!screen)
        return kImageNoDrawingArea;
    return GrabScreen(*screen, fileName, imageFormat, drawCursor, singleCopy, wholeDesktop, area,
                      quality, overlay);
}

int32_t GrabWindow(WindowId window, const std::string& fileName, int32_t imageFormat,
                   bool drawCursor, int32_t quality, Fx* overlay) {
    ScreenConnection* screen = WindowThreadScreen();
    if (!screen)
        return kImageNoDrawingArea;
    return GrabWindow(*screen, window, fileName, imageFormat, drawCursor, quality, overlay);
}

} // namespace tess
