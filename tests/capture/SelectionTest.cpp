// Choosing the capture target: the window finder on a made-up tree and on real X windows,
// drag rectangles, the selection frame and the once-per-window outline.
#include <gtest/gtest.h>

#include <map>

#include "capture/Selection.h"
#include "support/TestSupport.h"
#include "support/XTestWindows.h"

namespace tess {
namespace {

class FakeTree : public WindowTree {
public:
    struct Node {
        ScreenRect rect;
        bool viewable = true, inputOnly = false;
        std::vector<WindowId> children; // topmost first
    };
    FakeTree() { nodes[1].rect = {0, 0, 1000, 800}; }
    // Adds `id` as the bottom-most child of `parent`.
    void add(WindowId parent, WindowId id, ScreenRect r, bool viewable = true) {
        nodes[id].rect = r;
        nodes[id].viewable = viewable;
        nodes[parent].children.push_back(id);
    }
    WindowId desktop() override { return 1; }
    ScreenRect desktopBounds() override { return nodes[1].rect; }
    std::vector<WindowId> children(WindowId w) override { return nodes[w].children; }
    std::optional<WindowState> state(WindowId w) override {
        auto it = nodes.find(w);
        if (it == nodes.end())
            return std::nullopt;
        return WindowState{it->second.rect, it->second.viewable, it->second.inputOnly};
    }
    std::map<WindowId, Node> nodes;
};

TEST(FindWindowTest, SmallestVisibleWindowWins) {
    FakeTree t;
    t.add(1, 10, {300, 300, 400, 380}); // a small dialog on top
    t.add(1, 11, {100, 100, 700, 600}); // a large window below it
    EXPECT_EQ(FindWindowAt(t, 350, 350, false), 10u);
    EXPECT_EQ(FindWindowAt(t, 150, 150, false), 11u);
    // Not the frontmost: a large window on top does not hide a smaller one below.
    t.nodes[1].children = {11, 10};
    EXPECT_EQ(FindWindowAt(t, 350, 350, false), 10u);
    EXPECT_EQ(FindWindowAt(t, 400, 380, false), 10u); // edges count as inside
    // Nothing but the desktop, and off the desktop.
    EXPECT_EQ(FindWindowAt(t, 900, 700, false), 1u);
    EXPECT_EQ(FindWindowAt(t, 1000, 800, false), 1u);
    EXPECT_EQ(FindWindowAt(t, 1001, 10, false), 0u);
    EXPECT_EQ(FindWindowAt(t, -1, 10, false), 0u);

    // Equal areas keep the topmost.
    FakeTree e;
    e.add(1, 10, {100, 100, 200, 200});
    e.add(1, 11, {150, 150, 250, 250});
    EXPECT_EQ(FindWindowAt(e, 175, 175, false), 10u);
}

TEST(FindWindowTest, HiddenEmptyInputOnlyAndVanishedWindowsAreSkipped) {
    FakeTree t;
    t.add(1, 10, {100, 100, 200, 200}, false);
    t.add(1, 11, {100, 100, 100, 300});
    t.add(1, 12, {90, 90, 210, 210});
    t.nodes[12].inputOnly = true;
    t.add(1, 13, {0, 0, 500, 500});
    EXPECT_EQ(FindWindowAt(t, 150, 150, false), 13u);
    t.nodes[1].children.insert(t.nodes[1].children.begin(), 99); // gone during the search
    EXPECT_EQ(FindWindowAt(t, 150, 150, false), 13u);
}

TEST(FindWindowTest, ShiftReachesChildWindows) {
    FakeTree t;
    t.add(1, 10, {100, 100, 600, 500});
    t.add(10, 20, {120, 450, 200, 480}); // a button
    t.add(10, 21, {110, 110, 590, 440}); // a panel
    t.add(21, 30, {300, 300, 320, 310}); // inside the panel
    const bool plain = DeepSearch(true, false), shift = DeepSearch(true, true);
    EXPECT_FALSE(plain);
    EXPECT_TRUE(shift);
    EXPECT_TRUE(DeepSearch(false, false));
    EXPECT_EQ(FindWindowAt(t, 150, 460, plain), 10u);
    EXPECT_EQ(FindWindowAt(t, 150, 460, shift), 20u);
    EXPECT_EQ(FindWindowAt(t, 305, 305, shift), 30u);
    EXPECT_EQ(FindWindowAt(t, 400, 200, shift), 21u);
    EXPECT_EQ(FindWindowAt(t, 105, 105, shift), 10u);
}

TEST(DragTest, EitherDirectionGivesTheSameRectangleAndTheFrameLiesJustOutside) {
    ScreenRect r{10, 20, 110, 220};
    EXPECT_EQ(DragRect(10, 20, 110, 220), r);
    EXPECT_EQ(DragRect(110, 220, 10, 20), r);
    EXPECT_EQ(DragRect(10, 220, 110, 20), r);
    EXPECT_TRUE(DragRect(50, 60, 50, 60).empty()); // a click
    auto bars = FrameBars({10, 20, 30, 40});
    EXPECT_EQ(bars[0], (ScreenRect{10, 40, 30, 43}));
    EXPECT_EQ(bars[1], (ScreenRect{10, 17, 30, 20}));
    EXPECT_EQ(bars[2], (ScreenRect{7, 20, 10, 40}));
    EXPECT_EQ(bars[3], (ScreenRect{30, 20, 33, 40}));
}

TEST(OutlineTest, OncePerNewWindowAcrossSelections) {
    OutlineTracker& t = LastOutlined();
    int beeps = 0;
    for (WindowId w : {5ul, 5ul, 5ul, 6ul, 6ul, 5ul})
        beeps += t.moveTo(w);
    EXPECT_EQ(beeps, 3);
    // The next selection starts over window 5, outlined last: nothing until another window.
    EXPECT_FALSE(LastOutlined().moveTo(5));
    EXPECT_TRUE(LastOutlined().moveTo(7));
}

TEST(FindWindowXTest, RealWindows) {
    if (!test::HaveDisplay())
        GTEST_SKIP() << "no X display";
    test::XTestDisplay x;
    auto screen = ScreenConnection::open();
    ASSERT_TRUE(screen && x.get());
    Window big = x.createSolid(100, 100, 400, 300, 0x808080);
    Window button = x.createSolid(10, 10, 40, 20, 0xc0c0c0, big);
    Window small = x.createSolid(250, 250, 50, 40, 0xffffff); // a dialog over it
    ScreenWindowTree tree(*screen);
    EXPECT_EQ(FindWindowAt(tree, 260, 260, false), small);
    EXPECT_EQ(FindWindowAt(tree, 120, 300, false), big);
    EXPECT_EQ(FindWindowAt(tree, 115, 115, false), big);
    EXPECT_EQ(FindWindowAt(tree, 115, 115, true), button);
    XUnmapWindow(x.get(), small);
    x.sync();
    EXPECT_EQ(FindWindowAt(tree, 260, 260, false), big);
    x.destroy(small);
    x.destroy(big);
}

} // namespace
} // namespace tess
