// The X server's screen under a real X server with windows of known pixels: grabbing the
// screen, a region and windows, the cursor drawn at its hot spot, the strip copy, windows
// that vanish; stacking order, rectangles and frames; X errors that come back as results,
// also beside the hot keys and a recorder thread; the hot-key value.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <thread>

#include "media/Grab.h"
#include "media/MediaFile.h"
#include "media/WriteImageFile.h"
#include "platform/PictureMemory.h"
#include "platform/x11/HotKeys.h"
#include "platform/x11/InstanceCheck.h"
#include "support/TestSupport.h"
#include "support/XTestWindows.h"

namespace tess {
namespace {

using test::CountMismatches;
using test::Pattern;
using test::PixelAt;

class GrabTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!test::HaveDisplay())
            GTEST_SKIP() << "no X display";
        screen_ = ScreenConnection::open();
        ASSERT_TRUE(screen_);
        ASSERT_TRUE(x_.get());
    }
    void TearDown() override {
        for (Window w : windows_)
            x_.destroy(w);
    }
    Window make(int x, int y, int w, int h, const test::PixelFn& fn = Pattern, Window parent = 0) {
        Window win = x_.create(x, y, w, h, fn, parent);
        if (!parent)
            windows_.push_back(win);
        return win;
    }

    test::XTestDisplay x_;
    std::unique_ptr<ScreenConnection> screen_;
    std::vector<Window> windows_;
};
using ScreenTest = GrabTest;

TEST_F(GrabTest, ScreenRegionAndWindowShowTheWindowsPixels) {
    Window win = make(100, 50, 200, 150);
    int32_t result = -1;

    // The whole screen: a null area and a (0, 0, 0, 0) area are the same.
    ScreenRect zero{};
    for (const ScreenRect* area : std::vector<const ScreenRect*>{nullptr, &zero}) {
        auto bm = GrabScreenPicture(*screen_, false, true, true, area, &result);
        ASSERT_TRUE(bm);
        EXPECT_EQ(result, 0);
        EXPECT_EQ(bm->width(), screen_->screenRect().width());
        EXPECT_EQ(bm->height(), screen_->screenRect().height());
        EXPECT_EQ(CountMismatches(*bm, 100, 50, 200, 150, Pattern, 100, 50), 0);
    }

    // A region inside the window, and one around it.
    ScreenRect inner{120, 60, 220, 190};
    auto region = GrabScreenPicture(*screen_, false, true, true, &inner, &result);
    ASSERT_TRUE(region);
    EXPECT_EQ(region->width(), 100);
    EXPECT_EQ(region->height(), 130);
    EXPECT_EQ(CountMismatches(*region, 0, 0, 100, 130, Pattern, -20, -10), 0);

    auto window = GrabWindowPicture(*screen_, win, false, &result);
    ASSERT_TRUE(window);
    EXPECT_EQ(window->width(), 200);
    EXPECT_EQ(window->height(), 150);
    EXPECT_EQ(CountMismatches(*window, 0, 0, 200, 150, Pattern), 0);

    // A child window grabs as itself.
    Window child = make(
        30, 40, 20, 10, [](int, int) { return 0x123456u; }, win);
    auto inChild = GrabWindowPicture(*screen_, child, false, &result);
    ASSERT_TRUE(inChild);
    EXPECT_EQ(inChild->width(), 20);
    EXPECT_EQ(CountMismatches(*inChild, 0, 0, 20, 10, [](int, int) { return 0x123456u; }), 0);
}

TEST_F(GrabTest, SharedMemoryAndPlainRequestsAgree) {
    make(10, 10, 300, 200);
    const ScreenRect s = screen_->screenRect();
    Window right = make(s.right - 40, 0, 40, 40);
    Window bottom = make(0, s.bottom - 40, 200, 40); // the last strip's rows show something
    (void)right;
    (void)bottom;
    ASSERT_TRUE(screen_->shmAvailable());
    // The plain path asks for the pixels in strips: the whole screen (many strips, the last
    // one short), a small area, a one-pixel column (many rows a strip) and an area partly
    // off the screen.
    const ScreenRect areas[] = {
        s, {0, 0, 400, 300}, {15, 0, 16, s.bottom}, {s.right - 1000, 0, s.right + 24, 1024}};
    for (const ScreenRect& area : areas) {
        int32_t result = 0;
        screen_->setUseShm(true);
        auto viaShm = GrabScreenPicture(*screen_, false, true, true, &area, &result);
        screen_->setUseShm(false);
        auto plain = GrabScreenPicture(*screen_, false, true, true, &area, &result);
        ASSERT_TRUE(viaShm && plain);
        EXPECT_TRUE(test::SamePixels(*viaShm, *plain)) << area.left << "," << area.width();
    }
    int32_t result = 0;
    auto whole = GrabScreenPicture(*screen_, false, true, true, &s, &result);
    ASSERT_TRUE(whole);
    EXPECT_EQ(CountMismatches(*whole, 10, 10, 300, 200, Pattern, 10, 10), 0);
    EXPECT_EQ(CountMismatches(*whole, s.right - 40, 0, 40, 40, Pattern, s.right - 40, 0), 0);
    EXPECT_EQ(CountMismatches(*whole, 0, s.bottom - 40, 200, 40, Pattern, 0, s.bottom - 40), 0);
    auto edge = GrabScreenPicture(*screen_, false, true, true, &areas[3], &result);
    ASSERT_TRUE(edge);
    EXPECT_EQ(CountMismatches(*edge, 1000, 0, 24, 1024, [](int, int) { return 0u; }), 0);
    EXPECT_EQ(CountMismatches(*edge, 960, 0, 40, 40, Pattern, 960, 0), 0);
}

// Keeps a copy of every frame handed to it.
class FrameCollector : public MediaFile {
public:
    FrameCollector() : MediaFile("frames") {}
    int32_t AddBitmapFrame(const MemBm& frame) override {
        frames.emplace_back(frame.width(), frame.height());
        std::memcpy(frames.back().bits(), frame.bits(), frame.sizeBytes());
        return 0;
    }
    std::vector<MemBm> frames;
};

// A recording's frames reuse the picture of the frame before: each one must still show only
// what the screen shows now, black where its area leaves the screen, with no pixel of the
// frame before, and nothing is held once the recording is closed.
TEST_F(GrabTest, RecordingFramesShowTheScreenOfTheirOwnTime) {
    const ScreenRect s = screen_->screenRect();
    Window first = make(s.right - 60, 0, 60, 40, [](int, int) { return 0x00FF00u; });
    FrameCollector rec;
    SetOpenRecording(&rec);
    const ScreenRect onScreen{s.right - 100, 0, s.right, 80};
    const ScreenRect offEdge{s.right - 50, 0, s.right + 50, 80}; // same size, half off
    ASSERT_EQ(GrabScreen(*screen_, "", StoredValue(ImageFormat::kRecordingFrame), false, true, true,
                         &onScreen, 80, nullptr),
              0);
    x_.destroy(first);
    windows_.clear();
    make(s.right - 100, 0, 100, 80, Pattern);
    ASSERT_EQ(GrabScreen(*screen_, "", StoredValue(ImageFormat::kRecordingFrame), false, true, true,
                         &offEdge, 80, nullptr),
              0);
    ASSERT_EQ(GrabScreen(*screen_, "", StoredValue(ImageFormat::kRecordingFrame), false, false,
                         true, &onScreen, 80, nullptr),
              0);
    SetOpenRecording(nullptr);
    EXPECT_FALSE(TakeRecordingPicture(100, 80)) << "a picture outlived the recording";
    ASSERT_EQ(rec.frames.size(), 3u);
    EXPECT_EQ(CountMismatches(rec.frames[0], 40, 0, 60, 40, [](int, int) { return 0x00FF00u; }), 0);
    EXPECT_EQ(CountMismatches(rec.frames[1], 0, 0, 50, 80, Pattern, -50, 0), 0);
    EXPECT_EQ(CountMismatches(rec.frames[1], 50, 0, 50, 80, [](int, int) { return 0u; }), 0);
    EXPECT_EQ(CountMismatches(rec.frames[2], 0, 0, 100, 80, Pattern), 0);
}

TEST(PictureMemoryTest, BlocksComeZeroedEitherWay) {
    auto zeroed = [](const unsigned char* p, size_t bytes) {
        return std::all_of(p, p + bytes, [](unsigned char c) { return c == 0; });
    };
    auto* heap = static_cast<unsigned char*>(AllocatePictureMemory(size_t{3} << 20));
    EXPECT_TRUE(zeroed(heap, size_t{3} << 20));
    UsePrefaultedPictureMemory(true);
    for (size_t bytes : {size_t{100}, size_t{3} << 20}) {
        auto* p = static_cast<unsigned char*>(AllocatePictureMemory(bytes));
        EXPECT_TRUE(zeroed(p, bytes)) << bytes;
        std::memset(p, 0xAB, bytes);
        ReleasePictureMemory(p, bytes);
    }
    UsePrefaultedPictureMemory(false);
    // A heap block made before the switch goes back to the heap after it (the address
    // sanitizer of the test build checks the pairing).
    ReleasePictureMemory(heap, size_t{3} << 20);
}

TEST_F(GrabTest, StripCopyEqualsSingleCopy) {
    make(0, 0, 1100, 300);
    for (int width : {1000, 1001, 19, 7, 1}) {
        MemBm single(width, 120), strips(width, 120);
        ASSERT_TRUE(CopyScreenArea(single, 0, 0, width, 120, *screen_, 3, 5, kSrcCopy, true));
        ASSERT_TRUE(CopyScreenArea(strips, 0, 0, width, 120, *screen_, 3, 5, kSrcCopy, false));
        EXPECT_TRUE(test::SamePixels(single, strips)) << "width " << width;
        EXPECT_EQ(CountMismatches(strips, 0, 0, width, 120, Pattern, -3, -5), 0);
    }
    // A strip never spills past the area into a wider target.
    MemBm wide(50, 10);
    ASSERT_TRUE(CopyScreenArea(wide, 0, 0, 40, 10, *screen_, 0, 0, kSrcCopy, false));
    EXPECT_EQ(PixelAt(wide, 40, 0), 0u);
    EXPECT_EQ(PixelAt(wide, 39, 0), Pattern(39, 0));
    // Only a plain copy is known.
    EXPECT_FALSE(CopyScreenArea(wide, 0, 0, 40, 10, *screen_, 0, 0, 0x00EE0086, true));
}

TEST_F(GrabTest, PartsOffTheScreenAreBlack) {
    const ScreenRect s = screen_->screenRect();
    Window win = make(s.right - 50, s.bottom - 30, 200, 150);
    int32_t result = -1;
    auto bm = GrabWindowPicture(*screen_, win, false, &result);
    ASSERT_TRUE(bm);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(bm->width(), 200);
    EXPECT_EQ(bm->height(), 150);
    EXPECT_EQ(CountMismatches(*bm, 0, 0, 50, 30, Pattern), 0);
    EXPECT_EQ(CountMismatches(*bm, 50, 0, 150, 150, [](int, int) { return 0u; }), 0);
    EXPECT_EQ(CountMismatches(*bm, 0, 30, 50, 120, [](int, int) { return 0u; }), 0);

    Window corner = make(0, 0, 60, 60);
    (void)corner;
    ScreenRect area{-40, -20, 40, 60};
    bm = GrabScreenPicture(*screen_, false, false, true, &area, &result);
    ASSERT_TRUE(bm);
    EXPECT_EQ(CountMismatches(*bm, 0, 0, 80, 20, [](int, int) { return 0u; }), 0);
    EXPECT_EQ(CountMismatches(*bm, 0, 0, 40, 80, [](int, int) { return 0u; }), 0);
    EXPECT_EQ(CountMismatches(*bm, 40, 20, 40, 60, Pattern, 40, 20), 0);

    ScreenRect away{s.right + 10, 0, s.right + 30, 10};
    bm = GrabScreenPicture(*screen_, false, true, true, &away, &result);
    ASSERT_TRUE(bm);
    EXPECT_EQ(CountMismatches(*bm, 0, 0, 20, 10, [](int, int) { return 0u; }), 0);
}

TEST_F(GrabTest, EmptyRegionMakesNoPicture) {
    // A click without a drag: left is not 0, so the area is taken, and it is empty.
    ScreenRect click{500, 300, 500, 300};
    int32_t result = 0;
    EXPECT_FALSE(GrabScreenPicture(*screen_, false, true, true, &click, &result));
    EXPECT_EQ(result, kImageNoBitmap);
    test::TempDir dir;
    auto file = (dir.path() / "x.png").string();
    EXPECT_EQ(GrabScreen(*screen_, file, 0, false, true, true, &click, -1, nullptr),
              kImageNoBitmap);
    EXPECT_FALSE(std::filesystem::exists(file));
}

TEST_F(GrabTest, VanishedWindowGivesZeroAndNoFile) {
    Window win = x_.createSolid(10, 10, 30, 30, 0xff0000);
    x_.destroy(win);
    test::TempDir dir;
    auto file = (dir.path() / "gone.png").string();
    int32_t result = -1;
    EXPECT_FALSE(GrabWindowPicture(*screen_, win, true, &result));
    EXPECT_EQ(result, 0);
    EXPECT_EQ(GrabWindow(*screen_, win, file, 0, true, -1, nullptr), 0);
    EXPECT_FALSE(std::filesystem::exists(file));
    // Ids that never named a window, and no window at all.
    EXPECT_EQ(GrabWindow(*screen_, 0x7ffffff0, file, 0, true, -1, nullptr), 0);
    EXPECT_EQ(GrabWindow(*screen_, 0, file, 0, true, -1, nullptr), 0);
    EXPECT_FALSE(std::filesystem::exists(file));
    // The connection is still good after the errors.
    EXPECT_TRUE(screen_->isWindow(screen_->root()));
}

TEST_F(GrabTest, CursorIsDrawnAtItsHotSpot) {
    Display* d = x_.get();
    Window win = make(200, 200, 300, 300, [](int, int) { return 0x0000ffu; });
    // A 12 x 9 red cursor with its hot spot at (4, 3).
    Pixmap bits = XCreatePixmap(d, win, 12, 9, 1);
    GC gc = XCreateGC(d, bits, 0, nullptr);
    XSetForeground(d, gc, 1);
    XFillRectangle(d, bits, gc, 0, 0, 12, 9);
    XFreeGC(d, gc);
    XColor red{}, black{};
    red.red = 0xffff;
    red.flags = black.flags = DoRed | DoGreen | DoBlue;
    Cursor cursor = XCreatePixmapCursor(d, bits, bits, &red, &black, 4, 3);
    XDefineCursor(d, win, cursor);
    XWarpPointer(d, None, x_.root(), 0, 0, 0, 0, 300, 320);
    x_.sync();

    int32_t px = 0, py = 0;
    ASSERT_TRUE(screen_->pointer(&px, &py));
    EXPECT_EQ(px, 300);
    EXPECT_EQ(py, 320);
    auto image = screen_->cursor();
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, 12);
    EXPECT_EQ(image->xhot, 4);

    int32_t result = 0;
    ScreenRect area{250, 250, 400, 400};
    auto with = GrabScreenPicture(*screen_, true, true, true, &area, &result);
    auto without = GrabScreenPicture(*screen_, false, true, true, &area, &result);
    ASSERT_TRUE(with && without);
    const test::PixelFn redFn = [](int, int) { return 0xff0000u; };
    // Cursor's top-left on the screen: (296, 317); in the picture (46, 67).
    EXPECT_EQ(CountMismatches(*with, 46, 67, 12, 9, redFn), 0);
    EXPECT_EQ(PixelAt(*with, 45, 67), 0x0000ffu);
    EXPECT_EQ(PixelAt(*with, 58, 75), 0x0000ffu);
    EXPECT_EQ(CountMismatches(*without, 46, 67, 12, 9, [](int, int) { return 0x0000ffu; }), 0);

    // Relative to a window's corner.
    auto inWindow = GrabWindowPicture(*screen_, win, true, &result);
    ASSERT_TRUE(inWindow);
    EXPECT_EQ(CountMismatches(*inWindow, 96, 117, 12, 9, redFn), 0);

    XUndefineCursor(d, win);
    XFreeCursor(d, cursor);
    XFreePixmap(d, bits);
    x_.sync();
}

TEST_F(GrabTest, GrabsAreWrittenAsPictureFiles) {
    if (!test::HaveProgram("convert") || !test::HaveProgram("identify"))
        GTEST_SKIP() << "ImageMagick is missing";
    Window win = make(400, 300, 64, 48);
    test::TempDir dir;
    for (int format : {0, 1}) {
        auto file = (dir.path() / ("w" + std::to_string(format))).string();
        EXPECT_EQ(GrabWindow(*screen_, win, file, format, false, -1, nullptr), 0);
        int w = 0, h = 0;
        auto px = test::ReadPixels(file, &w, &h);
        ASSERT_EQ(px.size(), 64u * 48u) << file;
        int bad = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                bad += px[y * w + x] != Pattern(x, y);
        EXPECT_EQ(bad, 0) << "format " << format;
    }
    ScreenRect area{410, 310, 430, 320};
    auto region = (dir.path() / "r.png").string();
    EXPECT_EQ(GrabScreen(*screen_, region, 0, false, false, true, &area, -1, nullptr), 0);
    int w = 0, h = 0;
    auto px = test::ReadPixels(region, &w, &h);
    ASSERT_EQ(px.size(), 200u);
    EXPECT_EQ(px[0], Pattern(10, 10));
    EXPECT_EQ(px[199], Pattern(29, 19));
    // A name that exists is left alone unless replacing is allowed.
    EXPECT_NE(GrabScreen(*screen_, region, 1, false, true, true, &area, -1, nullptr), 0);
    EXPECT_EQ(test::ReadPixels(region, &w, &h).size(), 200u);
}

TEST(DrawCursorTest, BlendsByAlphaAndClipsToThePicture) {
    MemBm bm(4, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            uint8_t* p = bm.pixelAddress(x, y);
            p[0] = 200, p[1] = 100, p[2] = 0;
        }
    CursorImage c;
    c.width = 2;
    c.height = 2;
    c.xhot = 1;
    c.yhot = 1;
    c.x = 10; // screen position; the picture starts at (10, 10)
    c.y = 10;
    // Opaque white, transparent, half-transparent black (premultiplied), half grey.
    c.argb = {0xffffffffu, 0x00000000u, 0x80000000u, 0x80404040u};
    DrawCursor(bm, c, 10, 10);
    // Top-left of the cursor lands at (-1, -1): only its last pixel is inside.
    EXPECT_EQ(PixelAt(bm, 0, 0), (0x40u + 0u) << 16 | (0x40u + 50u) << 8 | (0x40u + 100u));
    c.x = 12;
    c.y = 12;
    DrawCursor(bm, c, 10, 10);
    EXPECT_EQ(PixelAt(bm, 1, 1), 0xffffffu);
    EXPECT_EQ(PixelAt(bm, 2, 1), 0x0064c8u);         // transparent: unchanged
    EXPECT_EQ(PixelAt(bm, 1, 2), (50u << 8) | 100u); // half black over (0, 100, 200)
    // Bad images are ignored.
    c.argb.clear();
    DrawCursor(bm, c, 10, 10);
}

TEST_F(ScreenTest, ScreenAndDesktopRectangles) {
    Display* d = x_.get();
    ScreenRect s = screen_->screenRect();
    EXPECT_EQ(s, (ScreenRect{0, 0, DisplayWidth(d, 0), DisplayHeight(d, 0)}));
    EXPECT_EQ(screen_->desktopRect(), s);
    EXPECT_EQ(screen_->root(), x_.root());
}

TEST_F(ScreenTest, ChildrenComeTopFirstWithTheirRectanglesAndFrames) {
    Window low = make(10, 20, 100, 80);
    Window high = make(50, 60, 30, 40);
    Window inner = make(5, 6, 7, 8, Pattern, high);

    auto top = screen_->children(screen_->root());
    auto posHigh = std::find(top.begin(), top.end(), high);
    auto posLow = std::find(top.begin(), top.end(), low);
    ASSERT_NE(posHigh, top.end());
    ASSERT_NE(posLow, top.end());
    EXPECT_LT(posHigh, posLow);

    EXPECT_EQ(screen_->windowRect(low), (ScreenRect{10, 20, 110, 100}));
    EXPECT_EQ(screen_->windowRect(inner), (ScreenRect{55, 66, 62, 74}));
    EXPECT_EQ(screen_->children(high), std::vector<WindowId>{inner});
    EXPECT_TRUE(screen_->isViewable(inner));
    EXPECT_EQ(screen_->frameOf(inner), high);
    EXPECT_EQ(screen_->frameOf(high), high);
    // Without WM_STATE a window stands for itself.
    EXPECT_EQ(screen_->grabTarget(inner), inner);

    XUnmapWindow(x_.get(), high);
    x_.sync();
    EXPECT_FALSE(screen_->isViewable(inner));

    // What a reparenting window manager leaves: a frame on the root, the client inside it
    // carrying WM_STATE; the frame stands for the client.
    Window frame = make(300, 200, 120, 90);
    Window client = make(4, 20, 112, 66, Pattern, frame);
    Atom wmState = XInternAtom(x_.get(), "WM_STATE", False);
    long state[2] = {1, 0};
    XChangeProperty(x_.get(), client, wmState, wmState, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(state), 2);
    x_.sync();
    EXPECT_EQ(screen_->grabTarget(client), frame);
    EXPECT_EQ(screen_->windowRect(screen_->grabTarget(client)), (ScreenRect{300, 200, 420, 290}));
}

TEST_F(ScreenTest, ErrorsAreResults) {
    Window gone = x_.createSolid(0, 0, 10, 10, 0);
    x_.destroy(gone);
    EXPECT_FALSE(screen_->isWindow(gone));
    EXPECT_FALSE(screen_->isViewable(gone));
    EXPECT_FALSE(screen_->windowRect(gone));
    EXPECT_TRUE(screen_->children(gone).empty());
    EXPECT_EQ(screen_->frameOf(gone), 0u);
    EXPECT_EQ(screen_->grabTarget(gone), 0u);
    EXPECT_FALSE(screen_->isWindow(0));
    // Still usable afterwards.
    EXPECT_TRUE(screen_->windowRect(screen_->root()));
}

int g_foreignErrors = 0;

TEST_F(ScreenTest, OtherConnectionsErrorsGoToTheirHandlerOrTheirScope) {
    // A toolkit that puts its own handler in after our connection opened sees only its own
    // connection's errors.
    g_foreignErrors = 0;
    XErrorHandler old = XSetErrorHandler([](Display*, XErrorEvent*) {
        ++g_foreignErrors;
        return 0;
    });
    EXPECT_FALSE(screen_->isWindow(0x7ffffff0));
    EXPECT_EQ(g_foreignErrors, 0);
    XWindowAttributes attrs;
    EXPECT_EQ(XGetWindowAttributes(x_.get(), 0x7ffffff0, &attrs), 0);
    EXPECT_EQ(g_foreignErrors, 1);
    g_foreignErrors = 0;
    {
        XErrorScope trap(x_.get());
        EXPECT_EQ(trap.sync(), 0);
        XGetWindowAttributes(x_.get(), 0x7ffffff0, &attrs);
        XGetGeometry(x_.get(), 0x7ffffff1, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                     nullptr);
        EXPECT_EQ(trap.sync(), BadWindow);
        EXPECT_EQ(trap.sync(), 0);
        // Our own connection keeps working beside it.
        EXPECT_FALSE(screen_->isWindow(0x7ffffff0));
    }
    EXPECT_EQ(g_foreignErrors, 0);
    // After the scope the display's errors go to its handler again.
    XGetWindowAttributes(x_.get(), 0x7ffffff0, &attrs);
    EXPECT_EQ(g_foreignErrors, 1);
    XSetErrorHandler(old);
}

TEST_F(ScreenTest, ConnectionsOnTwoThreadsAtOnce) {
    // The recorder thread grabs through its own connection while the window thread does.
    make(0, 0, 64, 64, [](int, int) { return 0x00ff00u; });
    auto work = [](int* good) {
        auto c = ScreenConnection::open();
        if (!c)
            return;
        std::vector<uint8_t> buf(64 * 64 * 4);
        for (int i = 0; i < 50; ++i) {
            if (c->grab({0, 0, 64, 64}, buf.data(), 64 * 4) && buf[1] == 0xff && buf[0] == 0)
                ++*good;
            c->isWindow(0x7ffffff0); // an error on every round
        }
    };
    int a = 0, b = 0;
    std::thread t1(work, &a), t2(work, &b);
    t1.join();
    t2.join();
    EXPECT_EQ(a, 50);
    EXPECT_EQ(b, 50);
}

TEST_F(ScreenTest, HotKeysAndTheInstanceCheckLeaveARecordersErrorTrapAlone) {
    // The frame registers hot keys and probes combinations while a recorder thread traps
    // the errors of its own connection: each error stays with the connection that caused it,
    // none reaches the toolkit's handler.
    g_foreignErrors = 0;
    XErrorHandler old = XSetErrorHandler([](Display*, XErrorEvent*) {
        ++g_foreignErrors;
        return 0;
    });
    auto keys = X11HotKeys::Open();
    ASSERT_TRUE(keys);
    const unsigned f11 = 0x7A, f12 = 0x7B, mods = kModControl | kModAlt;
    KeyCode held = XKeysymToKeycode(x_.get(), KeysymForVirtualKey(f11));
    XGrabKey(x_.get(), held, ControlMask | Mod1Mask, x_.root(), False, GrabModeAsync,
             GrabModeAsync); // another client's
    x_.sync();
    std::atomic<bool> stop{false};
    int missed = 0, rounds = 0;
    std::thread recorder([&] {
        Display* d = test::OpenTestDisplay();
        {
            XErrorScope trap(d);
            XWindowAttributes attrs;
            while (!stop) {
                XGetWindowAttributes(d, 0x7ffffff0, &attrs);
                missed += trap.sync() != BadWindow;
                ++rounds;
            }
        }
        XCloseDisplay(d);
    });
    int wrong = 0;
    for (int i = 0; i < 150; ++i) {
        wrong += !keys->HeldByOtherClient(mods, f11);
        wrong += !keys->Register(0, mods, f12);
        if (i % 10 == 0)
            wrong += TopLevelWindowOfClassExists("no such class here");
    }
    stop = true;
    recorder.join();
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(missed, 0) << "of " << rounds;
    EXPECT_EQ(g_foreignErrors, 0);
    keys.reset();
    XUngrabKey(x_.get(), held, ControlMask | Mod1Mask, x_.root());
    x_.sync();
    XSetErrorHandler(old);
}

TEST(ScreenOpenTest, NoDisplayGivesNull) {
    EXPECT_FALSE(ScreenConnection::open(":987"));
}

TEST(HotKey, StoredBitsModifiersAndTexts) {
    const HotKey ctrlShiftF9 = HotKey::FromStored(0x70378); // the stored value's low 16 bits
    EXPECT_EQ(ctrlShiftF9, HotKey::Of(0x78, true, true, false));
    EXPECT_EQ(ctrlShiftF9.stored(), 0x0378);
    EXPECT_EQ(ctrlShiftF9.modifiers(), kModControl | kModShift);
    EXPECT_EQ(HotKey{0x0f41}.modifiers(), kModAlt | kModControl | kModShift);
    EXPECT_EQ(HotKey{0x0841}.modifiers(), 0u); // the extended-key flag maps to nothing
    EXPECT_EQ(HotKey::Of(0x21, false, true, false).value, 0x0A21); // Page Up is extended
    EXPECT_EQ(HotKey{0x0A21}.combination(), HotKey{0x0221}.combination());
    EXPECT_EQ(ctrlShiftF9.text(), "Ctrl + Shift + F9");
    EXPECT_EQ(HotKey{0x0441}.text(), "Alt + A");
    EXPECT_EQ(HotKey{}.text(), "");
    // What the desktop's shortcut portal is offered as the preferred trigger.
    EXPECT_EQ(ctrlShiftF9.triggerText(), "CTRL+SHIFT+F9");
    EXPECT_EQ(HotKey{0x0441}.triggerText(), "ALT+a");
    EXPECT_EQ(HotKey{0x0821}.triggerText(), "Prior");
    EXPECT_EQ(HotKey{0x04FF}.triggerText(), "");
    EXPECT_EQ(KeysymForVirtualKey(0xFF), 0u);
}

} // namespace
} // namespace tess
