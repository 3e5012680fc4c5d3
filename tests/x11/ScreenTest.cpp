// The screen connection's view of windows: stacking order, rectangles, frames, and X errors
// that come back as results.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <thread>

#include "platform/x11/HotKeys.h"
#include "platform/x11/InstanceCheck.h"
#include "platform/x11/Screen.h"
#include "support/TestSupport.h"
#include "x11/XTestWindows.h"

namespace tess {
namespace {

class ScreenTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!test::HaveDisplay())
            GTEST_SKIP() << "no X display";
        screen_ = ScreenConnection::open();
        ASSERT_TRUE(screen_);
        ASSERT_TRUE(x_.get());
    }
    test::XTestDisplay x_;
    std::unique_ptr<ScreenConnection> screen_;
};

TEST_F(ScreenTest, ScreenAndDesktopRectangles) {
    Display* d = x_.get();
    ScreenRect s = screen_->screenRect();
    EXPECT_EQ(s, (ScreenRect{0, 0, DisplayWidth(d, 0), DisplayHeight(d, 0)}));
    EXPECT_EQ(screen_->desktopRect(), s);
    EXPECT_EQ(screen_->root(), x_.root());
}

TEST_F(ScreenTest, ChildrenComeTopFirstWithTheirRectangles) {
    Window low = x_.createSolid(10, 20, 100, 80, 0x111111);
    Window high = x_.createSolid(50, 60, 30, 40, 0x222222);
    Window inner = x_.createSolid(5, 6, 7, 8, 0x333333, high);

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
    x_.destroy(high);
    x_.destroy(low);
}

TEST_F(ScreenTest, ManagedWindowIsGrabbedWithItsFrame) {
    // What a reparenting window manager leaves: a frame on the root, the client inside it
    // carrying WM_STATE.
    Window frame = x_.createSolid(300, 200, 120, 90, 0x444444);
    Window client = x_.createSolid(4, 20, 112, 66, 0x555555, frame);
    Atom wmState = XInternAtom(x_.get(), "WM_STATE", False);
    long state[2] = {1, 0};
    XChangeProperty(x_.get(), client, wmState, wmState, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(state), 2);
    x_.sync();
    EXPECT_EQ(screen_->grabTarget(client), frame);
    EXPECT_EQ(screen_->windowRect(screen_->grabTarget(client)), (ScreenRect{300, 200, 420, 290}));
    x_.destroy(frame);
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

TEST_F(ScreenTest, AHandlerInstalledLaterSeesOnlyItsOwnErrors) {
    // A toolkit that puts its own handler in after our connection opened.
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
    XSetErrorHandler(old);
}

TEST_F(ScreenTest, ErrorScopeRecordsAnotherConnectionsErrors) {
    g_foreignErrors = 0;
    XErrorHandler old = XSetErrorHandler([](Display*, XErrorEvent*) {
        ++g_foreignErrors;
        return 0;
    });
    XWindowAttributes attrs;
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
    Window w = x_.createSolid(0, 0, 64, 64, 0x00ff00);
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
    x_.destroy(w);
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

} // namespace
} // namespace tess
