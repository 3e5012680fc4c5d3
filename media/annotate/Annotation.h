#pragma once
// The mark-up of a picture: plain item values in picture pixels (physical capture pixels,
// never logical ones), kept in a Document that is itself a value. The editor window, the
// history and the renderer all work on these; nothing here knows a toolkit.
//
// Colours are colour values 0x00BBGGRR (red in the low byte), as MemBm's.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace tess::annotate {

struct PointF {
    double x = 0, y = 0;
    bool operator==(const PointF&) const = default;
};

struct SizeF {
    double w = 0, h = 0;
    bool operator==(const SizeF&) const = default;
};

// A rectangle; w and h are never negative once normalised.
struct RectF {
    double x = 0, y = 0, w = 0, h = 0;
    bool operator==(const RectF&) const = default;
    double right() const { return x + w; }
    double bottom() const { return y + h; }
    bool empty() const { return w <= 0 || h <= 0; }
    bool contains(PointF p) const { return p.x >= x && p.x <= x + w && p.y >= y && p.y <= y + h; }
};

// A rectangle of whole pixels: columns x .. x + w - 1, rows y .. y + h - 1.
struct RectI {
    int x = 0, y = 0, w = 0, h = 0;
    bool operator==(const RectI&) const = default;
    int right() const { return x + w; }
    int bottom() const { return y + h; }
    bool empty() const { return w <= 0 || h <= 0; }
    bool contains(int px, int py) const { return px >= x && px < x + w && py >= y && py < y + h; }
};

// The rectangle spanned by two corners, in any order.
RectF RectFromCorners(PointF a, PointF b);
// The smallest rectangle holding both (an empty one is ignored).
RectF Union(const RectF& a, const RectF& b);
RectI Union(const RectI& a, const RectI& b);
RectI Intersect(const RectI& a, const RectI& b);
RectF Inflate(const RectF& r, double by);
// The whole pixels a rectangle touches (rounded outward).
RectI OutwardPixels(const RectF& r);

struct Stroke {
    uint32_t color = 0x0000FF;
    float width = 5;
    bool operator==(const Stroke&) const = default;
};

// The arrow's tip lies exactly on `to`; its head grows with the width.
struct Arrow {
    PointF from, to;
    Stroke s;
    bool operator==(const Arrow&) const = default;
};
struct Line {
    PointF from, to;
    Stroke s;
    bool operator==(const Line&) const = default;
};
// A rectangle, outlined (the band is centred on r's edge) or filled.
struct Box {
    RectF r;
    Stroke s;
    bool filled = false;
    bool operator==(const Box&) const = default;
};
struct Oval {
    RectF r;
    Stroke s;
    bool operator==(const Oval&) const = default;
};
// A freehand line, simplified when it is made.
struct Pen {
    std::vector<PointF> pts;
    Stroke s;
    bool operator==(const Pen&) const = default;
};
// A translucent highlight box that multiplies with what lies below it.
struct Marker {
    RectF r;
    uint32_t color = 0x00FFFF;
    bool operator==(const Marker&) const = default;
};
// Text laid out with its top-left corner at `at`; lines break only at '\n'.
struct Text {
    PointF at;
    std::string utf8;
    uint32_t color = 0x0000FF;
    float sizePx = 28;
    bool backdrop = false;
    bool operator==(const Text&) const = default;
};
// A numbered bubble centred on `at`; its number follows from its place among the steps.
// A tail (a pointer towards `tail`) is drawn when tail lies outside the bubble.
struct Step {
    PointF at;
    PointF tail;
    uint32_t color = 0x0000FF;
    float radius = 16;
    bool operator==(const Step&) const = default;
};
enum class RedactStyle : int { Solid = 0, Mosaic = 1 };
// A box of whole pixels whose pixels are never read: filled with one colour, or a mosaic
// made only from the pixels around it.
struct Redact {
    RectI r;
    RedactStyle style = RedactStyle::Solid;
    uint32_t fill = 0x000000;
    bool operator==(const Redact&) const = default;
};

using Item = std::variant<Arrow, Line, Box, Oval, Pen, Marker, Text, Step, Redact>;

struct Document {
    std::vector<Item> items; // bottom to top
    std::optional<RectI> crop;
    int firstStep = 1;
    bool operator==(const Document&) const = default;
};

// The editor's tools, in the order of their buttons (the numbers are stored as a setting).
enum class Tool : int {
    Select = 0,
    Crop,
    Arrow,
    Line,
    Rectangle,
    Ellipse,
    Pen,
    Marker,
    Text,
    Step,
    Redact,
};
constexpr int kToolCount = 11;
// The tool a key letter chooses (S C A L R E P M T N X, and B for Redact), case-insensitive.
std::optional<Tool> ToolForKey(char32_t key);
// The key letter shown in a tool's tooltip.
char ToolKey(Tool tool);
// The tool that makes an item of this kind.
Tool ToolOf(const Item& item);

// The number shown by the step at `index`: firstStep plus the count of steps before it.
// 0 when the item there is no step.
int StepNumber(const Document& doc, size_t index);

// The size of a text's laid-out lines (without the backdrop's padding), in picture pixels.
// An empty function measures with Pango as the renderer lays it out.
using TextMeasure = std::function<SizeF(const Text&)>;

// Everything an item may paint, in picture pixels (stroke width, arrow head, backdrop,
// bubble and tail included). Used for selection, hit testing and repainting.
RectF Bounds(const Item& item, const TextMeasure& measure = {});
// The length of an arrow's head (its width is half of that) for a stroke width.
double ArrowHeadLength(float width);
// The distance between two points.
double Distance(PointF a, PointF b);

// The topmost item under `p`: lines and outlines within `tolerancePx` of their stroke,
// filled things (filled boxes, markers, text, steps, redactions) anywhere inside.
std::optional<size_t> HitTest(const Document& doc, PointF p, double tolerancePx,
                              const TextMeasure& measure = {});

// The grips of a selected item.
enum class Handle : int {
    None = 0,
    Body, // the item itself: drags move it
    TopLeft,
    Top,
    TopRight,
    Right,
    BottomRight,
    Bottom,
    BottomLeft,
    Left,
    Start, // the first point of an arrow or a line
    End,   // the last point (the arrow's tip)
    Tail,  // a step's pointer
};
struct HandleSpot {
    Handle handle;
    PointF at;
};
// The handles an item offers (rectangle items: eight; arrow and line: two; step: its tail;
// pen and text: none, they move only).
std::vector<HandleSpot> Handles(const Item& item);
// The handle within `tolerancePx` of p, else Body when p hits the item, else None.
Handle HandleAt(const Item& item, PointF p, double tolerancePx, const TextMeasure& measure = {});

// The item moved by (dx, dy). A redaction moves by whole pixels (rounded).
Item Moved(const Item& item, double dx, double dy);
// The item with `handle` dragged to `p`. Rectangles are normalised (a corner dragged past
// the opposite one flips the rectangle); `constrain` keeps lines at multiples of 45 degrees
// and rectangles square. A redaction is rounded outward to whole pixels.
Item WithHandleAt(const Item& item, Handle handle, PointF p, bool constrain);

// The end of a line from `from` towards `to`, turned to the nearest multiple of 45 degrees
// (its length kept along the chosen direction).
PointF Constrain45(PointF from, PointF to);
// The corner opposite `anchor` of the square spanned towards `to` (side: the larger extent).
PointF ConstrainSquare(PointF anchor, PointF to);

// The colour an item is drawn in (a redaction's fill).
uint32_t ColorOf(const Item& item);
Item WithColor(const Item& item, uint32_t color);
// The item's size property: stroke width, text size, or step radius; 0 for items without
// one (markers, redactions).
float SizeOf(const Item& item);
Item WithSize(const Item& item, float size);
// The item turned into the kind `tool` makes, keeping its place and colour: arrow <-> line,
// and among rectangle, ellipse, marker and redaction. Nothing for other pairs.
std::optional<Item> Retyped(const Item& item, Tool tool);

// The pen's points with those dropped that lie within `tolerance` of the simplified line
// (Douglas-Peucker); the ends are kept.
std::vector<PointF> Simplify(const std::vector<PointF>& pts, double tolerance);

} // namespace tess::annotate
