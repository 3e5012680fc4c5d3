// The mark-up's undo history and its tools' gestures, fed plain pointer and key events.
#include <cmath>
#include <gtest/gtest.h>
#include <random>

#include "media/annotate/Gesture.h"
#include "media/annotate/History.h"

namespace tess::annotate {
namespace {

const Modifiers kNone{}, kShift{.shift = true}, kCtrl{.ctrl = true};

// One drag from a to b in `steps` moves.
void Drag(Gesture& g, PointF a, PointF b, Modifiers mods = {}, int steps = 10) {
    g.press(a, mods);
    for (int i = 1; i <= steps; ++i)
        g.move({a.x + (b.x - a.x) * i / steps, a.y + (b.y - a.y) * i / steps}, mods);
    g.release(b, mods);
}

Item RandomItem(std::mt19937& rng) {
    auto c = [&] { return double(rng() % 200); };
    switch (rng() % 4) {
    case 0:
        return Arrow{{c(), c()}, {c(), c()}, {uint32_t(rng() & 0xFFFFFF), 3}};
    case 1:
        return Box{{c(), c(), c(), c()}, {}, bool(rng() % 2)};
    case 2:
        return Text{{c(), c()}, "t" + std::to_string(rng() % 100)};
    default:
        return Redact{{int(rng() % 100), int(rng() % 100), 10, 10}};
    }
}

// Random edits, undos and redos against a list of every document reached: the history's
// document is always the one at the list's cursor, and only the newest 200 steps are kept.
TEST(AnnotateHistory, FollowsAReferenceListThroughRandomEditsUndosAndRedos) {
    std::mt19937 rng(20261208);
    History history;
    std::vector<Document> states{Document{}};
    size_t cursor = 0, oldest = 0;
    for (int op = 0; op < 500; ++op) {
        int kind = int(rng() % 10);
        if (kind < 2) {
            bool did = history.undo();
            EXPECT_EQ(did, cursor > oldest);
            cursor -= did ? 1 : 0;
        } else if (kind < 3) {
            bool did = history.redo();
            EXPECT_EQ(did, cursor + 1 < states.size());
            cursor += did ? 1 : 0;
        } else {
            Document next = states[cursor];
            if (next.items.empty() || kind == 3) {
                next.items.push_back(RandomItem(rng));
            } else if (kind == 4) {
                next.items.erase(next.items.begin() + rng() % next.items.size());
            } else if (kind == 5) {
                next.crop = RectI{int(rng() % 50), int(rng() % 50), 40, 30};
            } else if (kind == 6) {
                Item& it = next.items[rng() % next.items.size()];
                it = WithColor(it, rng() & 0xFFFFFF);
            } else if (kind == 7) {
                Item& it = next.items[rng() % next.items.size()];
                it = Retyped(it, Tool::Ellipse).value_or(Moved(it, 3, -2));
            } else {
                Item& it = next.items[rng() % next.items.size()];
                it = Moved(it, double(rng() % 7) - 3, double(rng() % 7) - 3);
            }
            bool changed = !(next == states[cursor]);
            EXPECT_EQ(history.commit(next), changed);
            if (changed) {
                states.resize(cursor + 1);
                states.push_back(next);
                ++cursor;
                oldest = cursor > 200 ? std::max(oldest, cursor - 200) : oldest;
            }
        }
        ASSERT_TRUE(history.current() == states[cursor]) << "after operation " << op;
        ASSERT_EQ(history.canRedo(), cursor + 1 < states.size());
        ASSERT_EQ(history.undoDepth(), cursor - oldest);
    }
    // Far more than 200 steps back: undo stops after the newest 200.
    for (int i = 0; i < 300; ++i) {
        Document d;
        d.firstStep = 100 + i;
        history.commit(d);
    }
    int undone = 0;
    while (history.undo())
        ++undone;
    EXPECT_EQ(undone, 200);
    EXPECT_EQ(history.current().firstStep, 199);
}

TEST(AnnotateHistory, DragsWheelBurstsAndTextSessionsAreOneStepEach) {
    History history;
    Gesture g(history, 400, 300, ToolOptions{.tool = Tool::Rectangle});
    Drag(g, {10, 10}, {110, 60}, kNone, 100);
    EXPECT_EQ(history.undoDepth(), 1u);
    g.setTool(Tool::Select);
    Drag(g, {10, 30}, {40, 50}, kNone, 100); // moves the rectangle by its left edge
    EXPECT_EQ(history.undoDepth(), 2u);
    EXPECT_EQ(std::get<Box>(history.current().items[0]).r, (RectF{40, 30, 100, 50}));

    ASSERT_TRUE(g.selection());
    for (int i = 0; i < 5; ++i)
        g.wheel(1, kNone);
    EXPECT_EQ(history.undoDepth(), 3u);
    EXPECT_EQ(SizeOf(history.current().items[0]), 10);
    g.press({40, 30}, kNone); // a click ends the burst: the next one is a step of its own
    g.release({40, 30}, kNone);
    g.key(Key::Char, ']', kNone);
    EXPECT_EQ(history.undoDepth(), 4u);
    for (int i = 0; i < 4; ++i)
        g.key(Key::Right, 0, kShift); // a run of nudges merges too
    EXPECT_EQ(history.undoDepth(), 5u);
    EXPECT_EQ(std::get<Box>(history.current().items[0]).r.x, 80);

    g.setTool(Tool::Text);
    g.press({200, 200}, kNone);
    ASSERT_NE(g.textSession(), nullptr);
    g.commitText("two\nlines");
    EXPECT_EQ(history.undoDepth(), 6u);
    g.doubleClick({205, 205}, kNone); // edit it again, then empty it: removed in one step
    ASSERT_NE(g.textSession(), nullptr);
    EXPECT_EQ(g.hidden(), 1u);
    g.commitText("");
    EXPECT_EQ(history.undoDepth(), 7u);
    EXPECT_EQ(history.current().items.size(), 1u);
}

TEST(AnnotateHistory, UndoDuringADragCancelsItAndUndoDropsTheSelection) {
    History history;
    Gesture g(history, 400, 300, ToolOptions{.tool = Tool::Line});
    Drag(g, {10, 10}, {100, 10});
    const Document drawn = history.current();
    g.press({10, 50}, kNone);
    g.move({80, 90}, kNone);
    ASSERT_NE(g.live(), nullptr);
    Outcome out = g.undo();
    EXPECT_TRUE(out.handled);
    EXPECT_EQ(g.live(), nullptr);
    EXPECT_FALSE(g.dragging());
    EXPECT_TRUE(history.current() == drawn); // the line before the drag is still there
    EXPECT_EQ(history.undoDepth(), 1u);
    g.release({80, 90}, kNone); // the release of the cancelled drag makes nothing
    EXPECT_TRUE(history.current() == drawn);

    // Esc during a drag of the line leaves it where it was.
    g.setTool(Tool::Select);
    g.press({50, 10}, kNone);
    g.move({50, 70}, kNone);
    EXPECT_EQ(g.hidden(), 0u);
    g.escape();
    g.release({50, 70}, kNone);
    EXPECT_TRUE(history.current() == drawn);

    ASSERT_EQ(g.selection(), 0u);
    g.undo(); // the line goes, and so does the selection of it
    EXPECT_TRUE(history.current().items.empty());
    EXPECT_FALSE(g.selection());
    EXPECT_EQ(g.selectedItem(), nullptr);
    EXPECT_TRUE(g.redo().layersChanged);
    EXPECT_TRUE(history.current() == drawn);
}

TEST(AnnotateGesture, ShiftConstrainsLinesTo45DegreesAndShapesToSquares) {
    History history;
    Gesture g(history, 400, 300, ToolOptions{.tool = Tool::Line});
    const double a = 44 * M_PI / 180;
    Drag(g, {10, 10}, {10 + 100 * std::cos(a), 10 + 100 * std::sin(a)}, kShift);
    auto line = std::get<Line>(history.current().items.back());
    EXPECT_NEAR(line.to.x - line.from.x, line.to.y - line.from.y, 1e-9);
    Drag(g, {10, 10}, {100, 40}, kShift); // 18 degrees: flat
    EXPECT_EQ(std::get<Line>(history.current().items.back()).to.y, 10);
    Drag(g, {10, 10}, {100, 40}, kNone);
    EXPECT_EQ(std::get<Line>(history.current().items.back()).to.y, 40);

    g.setTool(Tool::Ellipse);
    Drag(g, {200, 200}, {150, 230}, kShift); // up-left of the start too
    EXPECT_EQ(std::get<Oval>(history.current().items.back()).r, (RectF{150, 200, 50, 50}));
    g.setTool(Tool::Redact);
    Drag(g, {10.6, 20.2}, {30.1, 25.9}, kNone);
    EXPECT_EQ(std::get<Redact>(history.current().items.back()).r, (RectI{10, 20, 21, 6}));
}

TEST(AnnotateGesture, HandlesNudgesAndTheTopmostItem) {
    History history;
    Gesture g(history, 400, 300, ToolOptions{.tool = Tool::Rectangle, .fill = true});
    Drag(g, {10, 10}, {50, 40});
    Drag(g, {30, 30}, {90, 70}); // over the first one
    ASSERT_EQ(history.current().items.size(), 2u);
    EXPECT_EQ(HitTest(history.current(), {35, 35}, 2), 1u);
    EXPECT_EQ(HitTest(history.current(), {15, 15}, 2), 0u);
    EXPECT_EQ(HitTest(history.current(), {200, 200}, 2), std::nullopt);

    g.setTool(Tool::Select);
    g.press({35, 35}, kNone);
    g.release({35, 35}, kNone);
    ASSERT_EQ(g.selection(), 1u); // the upper one
    // The bottom-right handle dragged past the top-left corner flips the rectangle.
    Drag(g, {90, 70}, {20, 25});
    EXPECT_EQ(std::get<Box>(history.current().items[1]).r, (RectF{20, 25, 10, 5}));
    g.key(Key::Left, 0, kNone);
    g.key(Key::Down, 0, kShift);
    EXPECT_EQ(std::get<Box>(history.current().items[1]).r, (RectF{19, 35, 10, 5}));
    g.key(Key::Delete, 0, kNone);
    EXPECT_EQ(history.current().items.size(), 1u);
    EXPECT_FALSE(g.selection());
}

TEST(AnnotateGesture, AClickMakesNothingButAStepAndKeysFollowTheirOrder) {
    History history;
    Gesture g(history, 400, 300);
    for (Tool t : {Tool::Arrow, Tool::Line, Tool::Rectangle, Tool::Ellipse, Tool::Pen, Tool::Marker,
                   Tool::Redact, Tool::Crop}) {
        g.setTool(t);
        g.press({50, 50}, kNone);
        g.move({51, 50.5}, kNone); // a hand's tremble, under the click slop
        g.release({51, 50.5}, kNone);
    }
    EXPECT_EQ(history.undoDepth(), 0u);
    g.setTool(Tool::Step);
    g.press({50, 50}, kNone);
    g.release({50, 50}, kNone);
    EXPECT_EQ(history.current().items.size(), 1u);

    // Tool letters choose tools, but not while a text is typed; Esc then ends steps one at a
    // time: the text, the selection, then the editor.
    EXPECT_TRUE(g.key(Key::Char, 'r', kNone).toolChanged);
    EXPECT_EQ(g.tool(), Tool::Rectangle);
    g.key(Key::Char, 'b', kNone);
    EXPECT_EQ(g.tool(), Tool::Redact);
    g.setTool(Tool::Text);
    g.press({100, 100}, kNone);
    for (char32_t c : {U'R', U'e', U'x'})
        EXPECT_FALSE(g.key(Key::Char, c, kNone).handled);
    EXPECT_EQ(g.tool(), Tool::Text);
    EXPECT_TRUE(g.key(Key::Escape, 0, kNone).textChanged);
    EXPECT_EQ(g.textSession(), nullptr);
    EXPECT_EQ(history.current().items.size(), 1u);
    g.setTool(Tool::Select);
    g.press({50, 50}, kNone);
    g.release({50, 50}, kNone);
    ASSERT_TRUE(g.selection());
    EXPECT_FALSE(g.key(Key::Escape, 0, kNone).closeRequested);
    EXPECT_FALSE(g.selection());
    EXPECT_TRUE(g.key(Key::Escape, 0, kNone).closeRequested);
    g.key(Key::Char, 'z', kCtrl);
    EXPECT_TRUE(history.current().items.empty());
    g.key(Key::Char, 'Z', Modifiers{.shift = true, .ctrl = true});
    EXPECT_EQ(history.current().items.size(), 1u);
}

} // namespace
} // namespace tess::annotate
