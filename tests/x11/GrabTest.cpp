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

#include "media/Caption.h"
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
const test::PixelFn kBlack = [](int, int) { return 0u; };

int g_foreignErrors = 0;

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
        if (counting_)
            XSetErrorHandler(oldHandler_);
    }
    Window make(int x, int y, int w, int h, const test::PixelFn& fn = Pattern, Window parent = 0) {
        Window win = x_.create(x, y, w, h, fn, parent);
        if (!parent)
            windows_.push_back(win);
        return win;
    }
    std::unique_ptr<MemBm> grab(const ScreenRect& area, bool cursor = false) {
        int32_t result = -1;
        auto bm = GrabScreenPicture(*screen_, cursor, true, true, &area, &result);
        EXPECT_EQ(result, bm ? 0 : kImageNoBitmap);
        return bm;
    }
    // Counts the errors that reach the toolkit's (the process's) handler in g_foreignErrors.
    void countForeignErrors() {
        g_foreignErrors = 0;
        counting_ = true;
        oldHandler_ = XSetErrorHandler([](Display*, XErrorEvent*) {
            ++g_foreignErrors;
            return 0;
        });
    }

    test::XTestDisplay x_;
    std::unique_ptr<ScreenConnection> screen_;
    std::vector<Window> windows_;
    bool counting_ = false;
    XErrorHandler oldHandler_ = nullptr;
};

// The screen, regions inside, around and beyond its edges, windows and children; parts off
// the screen are black and an empty region (a click without a drag) makes nothing.
TEST_F(GrabTest, ScreenRegionsAndWindowsShowTheirPixelsAndBlackOffTheScreen) {
    const ScreenRect s = screen_->screenRect();
    Window win = make(100, 50, 200, 150);
    ScreenRect zero{};
    for (const ScreenRect* area : std::vector<const ScreenRect*>{nullptr, &zero}) {
        int32_t result = -1;
        auto bm = GrabScreenPicture(*screen_, false, true, true, area, &result);
        ASSERT_TRUE(bm);
        EXPECT_EQ(result, 0);
        EXPECT_EQ(std::pair(bm->width(), bm->height()), std::pair(s.width(), s.height()));
        EXPECT_EQ(CountMismatches(*bm, 100, 50, 200, 150, Pattern, 100, 50), 0);
    }
    auto region = grab({120, 60, 220, 190});
    ASSERT_TRUE(region);
    EXPECT_EQ(std::pair(region->width(), region->height()), std::pair(100, 130));
    EXPECT_EQ(CountMismatches(*region, 0, 0, 100, 130, Pattern, -20, -10), 0);
    int32_t result = -1;
    auto window = GrabWindowPicture(*screen_, win, false, &result);
    ASSERT_TRUE(window);
    EXPECT_EQ(std::pair(window->width(), window->height()), std::pair(200, 150));
    EXPECT_EQ(CountMismatches(*window, 0, 0, 200, 150, Pattern), 0);
    const test::PixelFn grey = [](int, int) { return 0x123456u; };
    auto inChild = GrabWindowPicture(*screen_, make(30, 40, 20, 10, grey, win), false, &result);
    ASSERT_TRUE(inChild);
    EXPECT_EQ(inChild->width(), 20);
    EXPECT_EQ(CountMismatches(*inChild, 0, 0, 20, 10, grey), 0);

    Window edge = make(s.right - 50, s.bottom - 30, 200, 150);
    auto bm = GrabWindowPicture(*screen_, edge, false, &result);
    ASSERT_TRUE(bm);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(std::pair(bm->width(), bm->height()), std::pair(200, 150));
    EXPECT_EQ(CountMismatches(*bm, 0, 0, 50, 30, Pattern), 0);
    EXPECT_EQ(CountMismatches(*bm, 50, 0, 150, 150, kBlack), 0);
    EXPECT_EQ(CountMismatches(*bm, 0, 30, 50, 120, kBlack), 0);
    make(0, 0, 60, 60);
    bm = grab({-40, -20, 40, 60});
    ASSERT_TRUE(bm);
    EXPECT_EQ(CountMismatches(*bm, 0, 0, 80, 20, kBlack), 0);
    EXPECT_EQ(CountMismatches(*bm, 0, 0, 40, 80, kBlack), 0);
    EXPECT_EQ(CountMismatches(*bm, 40, 20, 40, 60, Pattern, 40, 20), 0);
    bm = grab({s.right + 10, 0, s.right + 30, 10});
    ASSERT_TRUE(bm);
    EXPECT_EQ(CountMismatches(*bm, 0, 0, 20, 10, kBlack), 0);

    ScreenRect click{500, 300, 500, 300}; // left is not 0, so the area is taken, and it is empty
    EXPECT_FALSE(grab(click));
    test::TempDir dir;
    auto file = (dir.path() / "x.png").string();
    EXPECT_EQ(GrabScreen(*screen_, file, 0, false, true, true, &click, -1, nullptr),
              kImageNoBitmap);
    EXPECT_FALSE(std::filesystem::exists(file));
}

// Shared memory and plain requests (in strips: many, the last one short, many rows a strip
// for a narrow column, partly off the screen) give the same pixels, as do the strip and
// single copies of an area.
TEST_F(GrabTest, SharedMemoryPlainRequestsAndStripCopiesAgree) {
    make(10, 10, 300, 200);
    const ScreenRect s = screen_->screenRect();
    make(s.right - 40, 0, 40, 40);
    make(0, s.bottom - 40, 200, 40); // the last strip's rows show something
    ASSERT_TRUE(screen_->shmAvailable());
    const ScreenRect areas[] = {
        s, {0, 0, 400, 300}, {15, 0, 16, s.bottom}, {s.right - 1000, 0, s.right + 24, 1024}};
    for (const ScreenRect& area : areas) {
        screen_->setUseShm(true);
        auto viaShm = grab(area);
        screen_->setUseShm(false);
        auto plain = grab(area);
        ASSERT_TRUE(viaShm && plain);
        EXPECT_TRUE(test::SamePixels(*viaShm, *plain)) << area.left << "," << area.width();
    }
    auto whole = grab(s);
    ASSERT_TRUE(whole);
    EXPECT_EQ(CountMismatches(*whole, 10, 10, 300, 200, Pattern, 10, 10), 0);
    EXPECT_EQ(CountMismatches(*whole, s.right - 40, 0, 40, 40, Pattern, s.right - 40, 0), 0);
    EXPECT_EQ(CountMismatches(*whole, 0, s.bottom - 40, 200, 40, Pattern, 0, s.bottom - 40), 0);
    auto edge = grab(areas[3]);
    ASSERT_TRUE(edge);
    EXPECT_EQ(CountMismatches(*edge, 1000, 0, 24, 1024, kBlack), 0);
    EXPECT_EQ(CountMismatches(*edge, 960, 0, 40, 40, Pattern, 960, 0), 0);

    make(0, 0, 1100, 300);
    for (int width : {1000, 1001, 19, 7, 1}) {
        MemBm single(width, 120), strips(width, 120);
        ASSERT_TRUE(CopyScreenArea(single, 0, 0, width, 120, *screen_, 3, 5, kSrcCopy, true));
        ASSERT_TRUE(CopyScreenArea(strips, 0, 0, width, 120, *screen_, 3, 5, kSrcCopy, false));
        EXPECT_TRUE(test::SamePixels(single, strips)) << "width " << width;
        EXPECT_EQ(CountMismatches(strips, 0, 0, width, 120, Pattern, -3, -5), 0);
    }
    MemBm wide(50, 10); // a strip never spills past the area into a wider target
    ASSERT_TRUE(CopyScreenArea(wide, 0, 0, 40, 10, *screen_, 0, 0, kSrcCopy, false));
    EXPECT_EQ(PixelAt(wide, 40, 0), 0u);
    EXPECT_EQ(PixelAt(wide, 39, 0), Pattern(39, 0));
    EXPECT_FALSE(CopyScreenArea(wide, 0, 0, 40, 10, *screen_, 0, 0, 0x00EE0086, true));
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

// An overlay that blacks the picture out.
class BlackOut : public Fx {
public:
    BlackOut() : Fx(SCaption("", 0, 0, 0, 0, 0, nullptr), 100) {}
    const MemBm& Apply(const MemBm& source) override {
        out_ = std::make_unique<MemBm>(source.width(), source.height());
        return *out_;
    }
    std::unique_ptr<MemBm> out_;
};

// A recording's frames reuse the picture of the frame before: each one must still show only
// what the screen shows now, black where its area leaves the screen, and nothing is held
// once the recording is closed.
TEST_F(GrabTest, RecordingFramesShowTheScreenOfTheirOwnTime) {
    const ScreenRect s = screen_->screenRect();
    const test::PixelFn green = [](int, int) { return 0x00FF00u; };
    Window first = make(s.right - 60, 0, 60, 40, green);
    FrameCollector rec;
    SetOpenRecording(&rec);
    const ScreenRect onScreen{s.right - 100, 0, s.right, 80};
    const ScreenRect offEdge{s.right - 50, 0, s.right + 50, 80}; // same size, half off
    auto frame = [&](const ScreenRect& area, bool cursor) {
        return GrabScreen(*screen_, "", StoredValue(ImageFormat::kRecordingFrame), false, cursor,
                          true, &area, 80, nullptr);
    };
    ASSERT_EQ(frame(onScreen, true), 0);
    x_.destroy(first);
    windows_.clear();
    make(s.right - 100, 0, 100, 80, Pattern);
    ASSERT_EQ(frame(offEdge, true), 0);
    ASSERT_EQ(frame(onScreen, false), 0);
    BlackOut caption; // a captioned frame goes through its overlay
    ASSERT_EQ(GrabScreen(*screen_, "", StoredValue(ImageFormat::kRecordingFrame), false, true, true,
                         &onScreen, 80, &caption),
              0);
    SetOpenRecording(nullptr);
    EXPECT_FALSE(TakeRecordingPicture(100, 80)) << "a picture outlived the recording";
    ASSERT_EQ(rec.frames.size(), 4u);
    EXPECT_EQ(CountMismatches(rec.frames[3], 0, 0, 100, 80, kBlack), 0);
    EXPECT_EQ(CountMismatches(rec.frames[0], 40, 0, 60, 40, green), 0);
    EXPECT_EQ(CountMismatches(rec.frames[1], 0, 0, 50, 80, Pattern, -50, 0), 0);
    EXPECT_EQ(CountMismatches(rec.frames[1], 50, 0, 50, 80, kBlack), 0);
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
    // A heap block from before the switch goes back to the heap (the sanitizer checks it).
    ReleasePictureMemory(heap, size_t{3} << 20);
}

// Vanished windows, ids that never named one and no window at all: results, no file, and the
// connection stays good.
TEST_F(GrabTest, VanishedWindowsGiveResultsAndNoFile) {
    Window gone = x_.createSolid(10, 10, 30, 30, 0xff0000);
    x_.destroy(gone);
    test::TempDir dir;
    auto file = (dir.path() / "gone.png").string();
    int32_t result = -1;
    EXPECT_FALSE(GrabWindowPicture(*screen_, gone, true, &result));
    EXPECT_EQ(result, 0);
    for (Window w : {gone, Window{0x7ffffff0}, Window{0}})
        EXPECT_EQ(GrabWindow(*screen_, w, file, 0, true, -1, nullptr), 0) << w;
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_FALSE(screen_->isWindow(gone));
    EXPECT_FALSE(screen_->isViewable(gone));
    EXPECT_FALSE(screen_->windowRect(gone));
    EXPECT_TRUE(screen_->children(gone).empty());
    EXPECT_EQ(screen_->frameOf(gone), 0u);
    EXPECT_EQ(screen_->grabTarget(gone), 0u);
    EXPECT_FALSE(screen_->isWindow(0));
    EXPECT_TRUE(screen_->isWindow(screen_->root()));
    EXPECT_TRUE(screen_->windowRect(screen_->root()));
}

TEST_F(GrabTest, CursorIsDrawnAtItsHotSpot) {
    Display* d = x_.get();
    const test::PixelFn blue = [](int, int) { return 0x0000ffu; };
    Window win = make(200, 200, 300, 300, blue);
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
    EXPECT_EQ(std::pair(px, py), std::pair(300, 320));
    auto image = screen_->cursor();
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, 12);
    EXPECT_EQ(image->xhot, 4);

    auto with = grab({250, 250, 400, 400}, true);
    auto without = grab({250, 250, 400, 400}, false);
    ASSERT_TRUE(with && without);
    const test::PixelFn redFn = [](int, int) { return 0xff0000u; };
    // Cursor's top-left on the screen: (296, 317); in the picture (46, 67).
    EXPECT_EQ(CountMismatches(*with, 46, 67, 12, 9, redFn), 0);
    EXPECT_EQ(PixelAt(*with, 45, 67), 0x0000ffu);
    EXPECT_EQ(PixelAt(*with, 58, 75), 0x0000ffu);
    EXPECT_EQ(CountMismatches(*without, 46, 67, 12, 9, blue), 0);
    int32_t result = 0;
    auto inWindow = GrabWindowPicture(*screen_, win, true, &result);
    ASSERT_TRUE(inWindow);
    EXPECT_EQ(CountMismatches(*inWindow, 96, 117, 12, 9, redFn), 0);
    // Recording frames, coded from the grab's own memory, show it too.
    FrameCollector rec;
    SetOpenRecording(&rec);
    const ScreenRect area{250, 240, 400, 400};
    const int32_t frame = StoredValue(ImageFormat::kRecordingFrame);
    EXPECT_EQ(GrabScreen(*screen_, "", frame, true, true, true, &area, 80, nullptr), 0);
    EXPECT_EQ(GrabWindow(*screen_, win, "", frame, true, 80, nullptr), 0);
    SetOpenRecording(nullptr);
    ASSERT_EQ(rec.frames.size(), 2u);
    EXPECT_EQ(CountMismatches(rec.frames[0], 46, 77, 12, 9, redFn), 0);
    EXPECT_EQ(CountMismatches(rec.frames[0], 0, 0, 46, 77, blue), 0);
    EXPECT_EQ(CountMismatches(rec.frames[0], 0, 90, 150, 70, blue), 0);
    EXPECT_EQ(CountMismatches(rec.frames[1], 96, 117, 12, 9, redFn), 0);
    XUndefineCursor(d, win);
    XFreeCursor(d, cursor);
    XFreePixmap(d, bits);
    x_.sync();
}

TEST(DrawCursorTest, BlendsByAlphaAndClipsToThePicture) {
    MemBm bm(4, 4);
    bm.fill(0xc86400); // 0x00BBGGRR: the pixels read 0x0064c8
    CursorImage c;
    c.width = c.height = 2;
    c.xhot = c.yhot = 1;
    c.x = c.y = 10; // screen position; the picture starts at (10, 10)
    // Opaque 0x123456, transparent, half-transparent black (premultiplied), half grey.
    c.argb = {0xff123456u, 0x00000000u, 0x80000000u, 0x80404040u};
    DrawCursor(bm, c, 10, 10);
    // Top-left of the cursor lands at (-1, -1): only its last pixel is inside.
    EXPECT_EQ(PixelAt(bm, 0, 0), (0x40u + 0u) << 16 | (0x40u + 50u) << 8 | (0x40u + 100u));
    c.x = c.y = 12;
    DrawCursor(bm, c, 10, 10);
    EXPECT_EQ(PixelAt(bm, 1, 1), 0x123456u);
    EXPECT_EQ(PixelAt(bm, 2, 1), 0x0064c8u);         // transparent: unchanged
    EXPECT_EQ(PixelAt(bm, 1, 2), (50u << 8) | 100u); // half black over (0, 100, 200)
    c.argb.clear();                                  // bad images are ignored
    DrawCursor(bm, c, 10, 10);
}

TEST_F(GrabTest, ScreenRectanglesAndChildrenTopFirstWithTheirFrames) {
    Display* d = x_.get();
    const ScreenRect s = screen_->screenRect();
    EXPECT_EQ(s, (ScreenRect{0, 0, DisplayWidth(d, 0), DisplayHeight(d, 0)}));
    EXPECT_EQ(screen_->desktopRect(), s);
    EXPECT_EQ(screen_->root(), x_.root());
    Window low = make(10, 20, 100, 80);
    Window high = make(50, 60, 30, 40);
    Window inner = make(5, 6, 7, 8, Pattern, high);
    auto top = screen_->children(screen_->root());
    auto posHigh = std::find(top.begin(), top.end(), high);
    auto posLow = std::find(top.begin(), top.end(), low);
    ASSERT_NE(posLow, top.end());
    EXPECT_LT(posHigh, posLow);
    EXPECT_EQ(screen_->windowRect(low), (ScreenRect{10, 20, 110, 100}));
    EXPECT_EQ(screen_->windowRect(inner), (ScreenRect{55, 66, 62, 74}));
    EXPECT_EQ(screen_->children(high), std::vector<WindowId>{inner});
    EXPECT_TRUE(screen_->isViewable(inner));
    EXPECT_EQ(screen_->frameOf(inner), high);
    EXPECT_EQ(screen_->frameOf(high), high);
    EXPECT_EQ(screen_->grabTarget(inner), inner); // without WM_STATE a window is itself
    XUnmapWindow(d, high);
    x_.sync();
    EXPECT_FALSE(screen_->isViewable(inner));
    // A reparenting window manager's frame on the root, the client inside it carrying
    // WM_STATE: the frame stands for the client.
    Window frame = make(300, 200, 120, 90);
    Window client = make(4, 20, 112, 66, Pattern, frame);
    Atom wmState = XInternAtom(d, "WM_STATE", False);
    long state[2] = {1, 0};
    XChangeProperty(d, client, wmState, wmState, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(state), 2);
    x_.sync();
    EXPECT_EQ(screen_->grabTarget(client), frame);
    EXPECT_EQ(screen_->windowRect(frame), (ScreenRect{300, 200, 420, 290}));
}

// A toolkit that puts its own handler in after our connection opened sees only its own
// connection's errors; a scope traps the display's errors while it lives.
TEST_F(GrabTest, OtherConnectionsErrorsGoToTheirHandlerOrTheirScope) {
    countForeignErrors();
    EXPECT_FALSE(screen_->isWindow(0x7ffffff0));
    EXPECT_EQ(g_foreignErrors, 0);
    XWindowAttributes attrs;
    EXPECT_EQ(XGetWindowAttributes(x_.get(), 0x7ffffff0, &attrs), 0);
    EXPECT_EQ(g_foreignErrors, 1);
    {
        XErrorScope trap(x_.get());
        EXPECT_EQ(trap.sync(), 0);
        XGetWindowAttributes(x_.get(), 0x7ffffff0, &attrs);
        XGetGeometry(x_.get(), 0x7ffffff1, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                     nullptr);
        EXPECT_EQ(trap.sync(), BadWindow);
        EXPECT_EQ(trap.sync(), 0);
        EXPECT_FALSE(screen_->isWindow(0x7ffffff0)); // our connection works beside it
    }
    EXPECT_EQ(g_foreignErrors, 1);
    XGetWindowAttributes(x_.get(), 0x7ffffff0, &attrs);
    EXPECT_EQ(g_foreignErrors, 2);
}

TEST_F(GrabTest, ConnectionsOnTwoThreadsAtOnce) {
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
    EXPECT_EQ(std::pair(a, b), std::pair(50, 50));
}

// The frame registers hot keys and probes combinations while a recorder thread traps the
// errors of its own connection: each error stays with its connection, none reaches the
// toolkit's handler.
TEST_F(GrabTest, HotKeysAndTheInstanceCheckLeaveARecordersErrorTrapAlone) {
    countForeignErrors();
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
            for (; !stop; ++rounds) {
                XGetWindowAttributes(d, 0x7ffffff0, &attrs);
                missed += trap.sync() != BadWindow;
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
