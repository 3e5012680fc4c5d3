// Choosing the capture target: the window finder on a made-up tree and on real X windows,
// drag rectangles, the selection frame and the selection window's painting arithmetic (the
// once-per-window outline: tests/snapshot/SelectRTest), and the countdown's monitor.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "capture/CountdownWindow.h"
#include "capture/Selection.h"
#include "support/TestSupport.h"
#include "support/XTestWindows.h"

namespace tess {
namespace {

// Windows by id; each node's children topmost first.
class FakeTree : public WindowTree {
public:
    FakeTree() { nodes[1].state = {{0, 0, 1000, 800}, true, false}; }
    // Adds `id` as the bottom-most child of `parent`.
    FakeTree& add(WindowId parent, WindowId id, ScreenRect r, bool viewable = true,
                  bool inputOnly = false) {
        nodes[id].state = {r, viewable, inputOnly};
        nodes[parent].children.push_back(id);
        return *this;
    }
    WindowId desktop() override { return 1; }
    ScreenRect desktopBounds() override { return nodes[1].state.rect; }
    std::vector<WindowId> children(WindowId w) override { return nodes[w].children; }
    std::optional<WindowState> state(WindowId w) override {
        auto it = nodes.find(w);
        return it == nodes.end() ? std::nullopt : std::optional(it->second.state);
    }
    struct Node {
        WindowState state;
        std::vector<WindowId> children;
    };
    std::map<WindowId, Node> nodes;
};

// `points`: x, y and the window found there, in threes.
void ExpectFound(FakeTree& t, bool deep, std::vector<int> points) {
    for (size_t i = 0; i + 2 < points.size(); i += 3)
        EXPECT_EQ(FindWindowAt(t, points[i], points[i + 1], deep), WindowId(points[i + 2]))
            << points[i] << "," << points[i + 1];
}

TEST(FindWindowTest, SmallestVisibleWindowWinsAndHiddenOnesAreSkipped) {
    FakeTree t;
    t.add(1, 10, {300, 300, 400, 380}).add(1, 11, {100, 100, 700, 600}); // a dialog on top
    ExpectFound(t, false, {350, 350, 10, 150, 150, 11, 400, 380, 10});   // edges count as inside
    ExpectFound(t, false, {900, 700, 1, 1000, 800, 1, 1001, 10, 0, -1, 10, 0}); // desktop, off it
    // Not the frontmost: a large window on top does not hide a smaller one below.
    t.nodes[1].children = {11, 10};
    ExpectFound(t, false, {350, 350, 10});
    // Equal areas keep the topmost.
    FakeTree e;
    e.add(1, 10, {100, 100, 200, 200}).add(1, 11, {150, 150, 250, 250});
    ExpectFound(e, false, {175, 175, 10});
    // Hidden, empty, input-only and vanished windows are skipped.
    t = FakeTree();
    t.add(1, 10, {100, 100, 200, 200}, false).add(1, 11, {100, 100, 100, 300});
    t.add(1, 12, {90, 90, 210, 210}, true, true).add(1, 13, {0, 0, 500, 500});
    ExpectFound(t, false, {150, 150, 13});
    t.nodes[1].children.insert(t.nodes[1].children.begin(), 99); // gone during the search
    ExpectFound(t, false, {150, 150, 13});
}

TEST(FindWindowTest, ShiftReachesChildWindows) {
    FakeTree t;
    t.add(1, 10, {100, 100, 600, 500}).add(10, 20, {120, 450, 200, 480});  // a button
    t.add(10, 21, {110, 110, 590, 440}).add(21, 30, {300, 300, 320, 310}); // a panel, inside it
    EXPECT_FALSE(DeepSearch(true, false));
    EXPECT_TRUE(DeepSearch(true, true));
    EXPECT_TRUE(DeepSearch(false, false));
    ExpectFound(t, false, {150, 460, 10});
    ExpectFound(t, true, {150, 460, 20, 305, 305, 30, 400, 200, 21, 105, 105, 10});
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

TEST(GuidanceTest, DimmedPartsLabelAndHelpPlacesStayOnTheScreen) {
    const ScreenRect screen{0, 0, 1920, 1080};
    using Parts = std::array<ScreenRect, 4>;
    EXPECT_EQ(
        OutsideParts(screen, ScreenRect{10, 20, 40, 50}),
        (Parts{{{0, 0, 1920, 20}, {0, 50, 1920, 1080}, {0, 20, 10, 50}, {40, 20, 1920, 50}}}));
    EXPECT_EQ(OutsideParts(screen, std::nullopt), (Parts{{screen, {}, {}, {}}}));
    EXPECT_EQ(
        OutsideParts(screen, ScreenRect{-10, -10, 40, 1100}), // clipped to the screen
        (Parts{{{0, 0, 1920, 0}, {0, 1080, 1920, 1080}, {0, 0, 0, 1080}, {40, 0, 1920, 1080}}}));

    // An 80 x 20 label: under the frame, above it, inside; its right edge under the rectangle's.
    struct Label {
        ScreenRect r, want;
    } labels[] = {
        {{100, 100, 400, 300}, {320, 307, 400, 327}},
        {{100, 900, 400, 1060}, {320, 873, 400, 893}},    // 1060 + 7 + 20 > 1080: above
        {{0, 0, 1920, 1080}, {1840, 1056, 1920, 1076}},   // the whole screen: inside
        {{0, 100, 50, 200}, {0, 207, 80, 227}},           // narrower than the label
        {{1900, 100, 1960, 200}, {1840, 207, 1920, 227}}, // partly off the screen
    };
    for (const Label& l : labels)
        EXPECT_EQ(SizeLabelRect(l.r, 80, 20, screen), l.want) << l.r.left << "," << l.r.top;

    // The help line, centred on its monitor; at the bottom while the framed rectangle would lie
    // under it.
    const ScreenRect right{1920, 0, 3840, 1080};
    const ScreenRect top{2580, 16, 3180, 46}, bottom{2580, 1034, 3180, 1064};
    EXPECT_EQ(HelpLineRect(right, 600, 30, std::nullopt), top);
    EXPECT_EQ(HelpLineRect(right, 600, 30, ScreenRect{100, 10, 200, 200}), top);
    EXPECT_EQ(HelpLineRect(right, 600, 30, ScreenRect{2500, 49, 2700, 100}), top);
    EXPECT_EQ(HelpLineRect(right, 600, 30, ScreenRect{2500, 48, 2700, 100}), bottom);
    EXPECT_EQ(HelpLineRect({0, 0, 400, 300}, 600, 30, std::nullopt), (ScreenRect{0, 16, 600, 46}));
}

// What a pixel shows with the rectangle `r`: 0 dimmed, 1 clear, 2 the frame.
int Shown(const std::optional<ScreenRect>& r, int x, int y) {
    if (!r)
        return 0;
    if (x >= r->left && x < r->right && y >= r->top && y < r->bottom)
        return 1;
    for (const ScreenRect& bar : FrameBars(*r))
        if (x >= bar.left && x < bar.right && y >= bar.top && y < bar.bottom)
            return 2;
    return 0;
}

TEST(GuidanceTest, AChangeRepaintsEveryPixelThatChangesAndLittleElse) {
    using R = std::optional<ScreenRect>;
    struct Change {
        R from, to;
        int64_t maxArea; // what may be repainted at most
    } changes[] = {
        {std::nullopt, ScreenRect{10, 10, 20, 20}, 16 * 16},
        {ScreenRect{10, 10, 20, 20}, std::nullopt, 16 * 16},
        {ScreenRect{10, 10, 60, 40}, ScreenRect{10, 10, 61, 40}, 4 * 36}, // a drag's step
        {ScreenRect{10, 10, 60, 40}, ScreenRect{10, 10, 58, 43}, 5 * 39 + 6 * 56},
        {ScreenRect{10, 10, 60, 40}, ScreenRect{12, 9, 62, 39}, 2 * 5 * 37 + 2 * 4 * 58},
        {ScreenRect{30, 30, 30, 30}, ScreenRect{20, 25, 30, 30}, 13 * 11 + 16 * 8}, // from a click
        {ScreenRect{10, 10, 20, 20}, ScreenRect{10, 10, 20, 20}, 0},
    };
    for (const Change& c : changes) {
        const std::vector<ScreenRect> areas = ChangedAreas(c.from, c.to);
        int64_t area = 0;
        for (const ScreenRect& a : areas)
            area += int64_t{a.width()} * a.height();
        EXPECT_LE(area, c.maxArea);
        for (int y = 0; y < 70; ++y)
            for (int x = 0; x < 70; ++x)
                if (Shown(c.from, x, y) != Shown(c.to, x, y)) {
                    EXPECT_TRUE(std::any_of(areas.begin(), areas.end(),
                                            [&](const ScreenRect& a) {
                                                return x >= a.left && x < a.right && y >= a.top &&
                                                       y < a.bottom;
                                            }))
                        << x << "," << y << " not repainted";
                }
    }
}

TEST(CountdownCornerTest, TopRightOfTheMonitorHoldingTheAreasMiddleOrThePointer) {
    // Three monitors in a row, a fourth below the middle one.
    const std::vector<Monitor> monitors{{"A", {0, 0, 1000, 600}},
                                        {"B", {1000, 0, 2000, 600}},
                                        {"C", {2000, 0, 3000, 600}},
                                        {"D", {1000, 600, 2000, 1200}}};
    const ScreenRect screen{0, 0, 3000, 1200};
    const int right = 3000 - kCountdownInset - kCountdownSide;
    struct Row {
        std::optional<ScreenRect> area;
        int px, py; // the pointer
        wxPoint corner;
    } rows[] = {
        {ScreenRect{1200, 100, 1800, 500}, 2500, 100, {2000 - 120, 24}}, // B, not the pointer's
        {ScreenRect{1200, 700, 1800, 1100}, 0, 0, {2000 - 120, 624}},    // D
        {std::nullopt, 2500, 100, {right, 24}},                          // C, the pointer's
        {std::nullopt, 500, 900, {right, 24}},                           // on none: the screen
    };
    for (const Row& r : rows)
        EXPECT_EQ(CountdownCorner(monitors, screen, r.area, r.px, r.py), r.corner)
            << r.px << "," << r.py;
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
