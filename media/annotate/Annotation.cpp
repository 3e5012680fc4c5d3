#include "media/annotate/Annotation.h"

#include "media/annotate/Render.h"

#include <algorithm>
#include <cmath>
#include <type_traits>
#include <utility>

namespace tess::annotate {

namespace {

template <class... F> struct Overloaded : F... { using F::operator()...; };
template <class... F> Overloaded(F...) -> Overloaded<F...>;

double SegmentDistance(PointF p, PointF a, PointF b) {
    double dx = b.x - a.x, dy = b.y - a.y;
    double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    return Distance(p, {a.x + t * dx, a.y + t * dy});
}

RectF PointsBounds(std::initializer_list<PointF> pts) {
    double x0 = 1e300, y0 = 1e300, x1 = -1e300, y1 = -1e300;
    for (PointF p : pts) {
        x0 = std::min(x0, p.x), y0 = std::min(y0, p.y);
        x1 = std::max(x1, p.x), y1 = std::max(y1, p.y);
    }
    return {x0, y0, x1 - x0, y1 - y0};
}

// Distance from p to the outline of r (0 on it), negative never.
double OutlineDistance(PointF p, const RectF& r) {
    double dx = std::max({r.x - p.x, 0.0, p.x - r.right()});
    double dy = std::max({r.y - p.y, 0.0, p.y - r.bottom()});
    if (dx > 0 || dy > 0)
        return std::hypot(dx, dy);
    return std::min({p.x - r.x, r.right() - p.x, p.y - r.y, r.bottom() - p.y});
}

bool IsRectKind(const Item& item) {
    return std::holds_alternative<Box>(item) || std::holds_alternative<Oval>(item) ||
           std::holds_alternative<Marker>(item) || std::holds_alternative<Redact>(item);
}

RectF RectOf(const Item& item) {
    return std::visit(
        Overloaded{[](const Box& b) { return b.r; }, [](const Oval& o) { return o.r; },
                   [](const Marker& m) { return m.r; },
                   [](const Redact& r) {
                       return RectF{double(r.r.x), double(r.r.y), double(r.r.w), double(r.r.h)};
                   },
                   [](const auto&) { return RectF{}; }},
        item);
}

Item WithRect(const Item& item, const RectF& r) {
    return std::visit(Overloaded{[&](Box b) -> Item { return b.r = r, b; },
                                 [&](Oval o) -> Item { return o.r = r, o; },
                                 [&](Marker m) -> Item { return m.r = r, m; },
                                 [&](Redact x) -> Item { return x.r = OutwardPixels(r), x; },
                                 [&](const auto& other) -> Item { return other; }},
                      item);
}

} // namespace

double ArrowHeadLength(float width) {
    return 4.0 * width + 8;
}

double Distance(PointF a, PointF b) {
    return std::hypot(a.x - b.x, a.y - b.y);
}

RectF RectFromCorners(PointF a, PointF b) {
    return {std::min(a.x, b.x), std::min(a.y, b.y), std::fabs(b.x - a.x), std::fabs(b.y - a.y)};
}

RectF Union(const RectF& a, const RectF& b) {
    if (a.empty())
        return b;
    if (b.empty())
        return a;
    double x0 = std::min(a.x, b.x), y0 = std::min(a.y, b.y);
    return {x0, y0, std::max(a.right(), b.right()) - x0, std::max(a.bottom(), b.bottom()) - y0};
}

RectI Union(const RectI& a, const RectI& b) {
    if (a.empty())
        return b;
    if (b.empty())
        return a;
    int x0 = std::min(a.x, b.x), y0 = std::min(a.y, b.y);
    return {x0, y0, std::max(a.right(), b.right()) - x0, std::max(a.bottom(), b.bottom()) - y0};
}

RectI Intersect(const RectI& a, const RectI& b) {
    int x0 = std::max(a.x, b.x), y0 = std::max(a.y, b.y);
    int x1 = std::min(a.right(), b.right()), y1 = std::min(a.bottom(), b.bottom());
    if (x1 <= x0 || y1 <= y0)
        return {};
    return {x0, y0, x1 - x0, y1 - y0};
}

RectF Inflate(const RectF& r, double by) {
    return {r.x - by, r.y - by, r.w + 2 * by, r.h + 2 * by};
}

RectI OutwardPixels(const RectF& r) {
    int x0 = int(std::floor(r.x)), y0 = int(std::floor(r.y));
    int x1 = int(std::ceil(r.right())), y1 = int(std::ceil(r.bottom()));
    return {x0, y0, x1 - x0, y1 - y0};
}

std::optional<Tool> ToolForKey(char32_t key) {
    if (key >= 'a' && key <= 'z')
        key -= 'a' - 'A';
    switch (key) {
    case 'S':
        return Tool::Select;
    case 'C':
        return Tool::Crop;
    case 'A':
        return Tool::Arrow;
    case 'L':
        return Tool::Line;
    case 'R':
        return Tool::Rectangle;
    case 'E':
        return Tool::Ellipse;
    case 'P':
        return Tool::Pen;
    case 'M':
        return Tool::Marker;
    case 'T':
        return Tool::Text;
    case 'N':
        return Tool::Step;
    case 'X':
    case 'B':
        return Tool::Redact;
    default:
        return std::nullopt;
    }
}

char ToolKey(Tool tool) {
    static constexpr char kKeys[kToolCount] = {'S', 'C', 'A', 'L', 'R', 'E',
                                               'P', 'M', 'T', 'N', 'X'};
    int i = static_cast<int>(tool);
    return i >= 0 && i < kToolCount ? kKeys[i] : '?';
}

Tool ToolOf(const Item& item) {
    static constexpr Tool kTools[] = {Tool::Arrow,   Tool::Line, Tool::Rectangle,
                                      Tool::Ellipse, Tool::Pen,  Tool::Marker,
                                      Tool::Text,    Tool::Step, Tool::Redact};
    static_assert(std::size(kTools) == std::variant_size_v<Item>);
    return kTools[item.index()];
}

int StepNumber(const Document& doc, size_t index) {
    if (index >= doc.items.size() || !std::holds_alternative<Step>(doc.items[index]))
        return 0;
    int n = doc.firstStep;
    for (size_t i = 0; i < index; ++i)
        n += std::holds_alternative<Step>(doc.items[i]) ? 1 : 0;
    return n;
}

RectF Bounds(const Item& item, const TextMeasure& measure) {
    return std::visit(
        Overloaded{
            [](const Arrow& a) {
                double head = ArrowHeadLength(a.s.width) * 0.5;
                return Inflate(PointsBounds({a.from, a.to}), std::max(head, a.s.width / 2.0) + 1);
            },
            [](const Line& l) {
                return Inflate(PointsBounds({l.from, l.to}), l.s.width / 2.0 + 1);
            },
            [](const Box& b) { return Inflate(b.r, (b.filled ? 0 : b.s.width / 2.0) + 1); },
            [](const Oval& o) { return Inflate(o.r, o.s.width / 2.0 + 1); },
            [](const Pen& p) {
                if (p.pts.empty())
                    return RectF{};
                RectF r{p.pts[0].x, p.pts[0].y, 0, 0};
                for (PointF q : p.pts)
                    r = PointsBounds({{r.x, r.y}, {r.right(), r.bottom()}, q});
                return Inflate(r, p.s.width / 2.0 + 1);
            },
            [](const Marker& m) { return m.r; },
            [&](const Text& t) {
                SizeF size = measure ? measure(t) : MeasureText(t);
                double pad = t.backdrop ? BackdropPadding(t) : 0;
                return Inflate(
                    RectF{t.at.x - pad, t.at.y - pad, size.w + 2 * pad, size.h + 2 * pad}, 1);
            },
            [](const Step& s) {
                RectF r{s.at.x - s.radius, s.at.y - s.radius, 2.0 * s.radius, 2.0 * s.radius};
                if (Distance(s.at, s.tail) > s.radius)
                    r = PointsBounds({{r.x, r.y}, {r.right(), r.bottom()}, s.tail});
                return Inflate(r, 2);
            },
            [](const Redact& r) {
                return RectF{double(r.r.x), double(r.r.y), double(r.r.w), double(r.r.h)};
            }},
        item);
}

namespace {

bool Hits(const Item& item, PointF p, double tol, const TextMeasure& measure) {
    return std::visit(
        Overloaded{[&](const Arrow& a) {
                       if (SegmentDistance(p, a.from, a.to) <= tol + a.s.width / 2.0)
                           return true;
                       return Distance(p, a.to) <= tol + ArrowHeadLength(a.s.width) * 0.5;
                   },
                   [&](const Line& l) {
                       return SegmentDistance(p, l.from, l.to) <= tol + l.s.width / 2.0;
                   },
                   [&](const Box& b) {
                       if (b.filled)
                           return Inflate(b.r, tol).contains(p);
                       return OutlineDistance(p, b.r) <= tol + b.s.width / 2.0;
                   },
                   [&](const Oval& o) {
                       double rx = o.r.w / 2, ry = o.r.h / 2;
                       if (rx <= 0 || ry <= 0)
                           return Inflate(o.r, tol + o.s.width / 2.0).contains(p);
                       double e = std::hypot((p.x - o.r.x - rx) / rx, (p.y - o.r.y - ry) / ry);
                       return std::fabs(e - 1) * std::min(rx, ry) <= tol + o.s.width / 2.0;
                   },
                   [&](const Pen& pen) {
                       for (size_t i = 0; i < pen.pts.size(); ++i) {
                           PointF b = pen.pts[i + 1 < pen.pts.size() ? i + 1 : i];
                           if (SegmentDistance(p, pen.pts[i], b) <= tol + pen.s.width / 2.0)
                               return true;
                       }
                       return false;
                   },
                   [&](const Step& s) {
                       return Distance(p, s.at) <= s.radius + tol ||
                              (Distance(s.at, s.tail) > s.radius &&
                               SegmentDistance(p, s.at, s.tail) <= tol + 2);
                   },
                   [&](const auto&) { return Inflate(Bounds(item, measure), tol).contains(p); }},
        item);
}

} // namespace

std::optional<size_t> HitTest(const Document& doc, PointF p, double tolerancePx,
                              const TextMeasure& measure) {
    for (size_t i = doc.items.size(); i-- > 0;)
        if (Hits(doc.items[i], p, tolerancePx, measure))
            return i;
    return std::nullopt;
}

std::vector<HandleSpot> Handles(const Item& item) {
    if (IsRectKind(item)) {
        RectF r = RectOf(item);
        double mx = r.x + r.w / 2, my = r.y + r.h / 2;
        return {{Handle::TopLeft, {r.x, r.y}},
                {Handle::Top, {mx, r.y}},
                {Handle::TopRight, {r.right(), r.y}},
                {Handle::Right, {r.right(), my}},
                {Handle::BottomRight, {r.right(), r.bottom()}},
                {Handle::Bottom, {mx, r.bottom()}},
                {Handle::BottomLeft, {r.x, r.bottom()}},
                {Handle::Left, {r.x, my}}};
    }
    if (auto* a = std::get_if<Arrow>(&item))
        return {{Handle::Start, a->from}, {Handle::End, a->to}};
    if (auto* l = std::get_if<Line>(&item))
        return {{Handle::Start, l->from}, {Handle::End, l->to}};
    if (auto* s = std::get_if<Step>(&item))
        return {{Handle::Tail, s->tail}};
    return {};
}

Handle HandleAt(const Item& item, PointF p, double tolerancePx, const TextMeasure& measure) {
    Handle best = Handle::None;
    double bestDistance = tolerancePx;
    for (const HandleSpot& h : Handles(item)) {
        double d = Distance(p, h.at);
        if (d <= bestDistance)
            best = h.handle, bestDistance = d;
    }
    if (best != Handle::None)
        return best;
    return Hits(item, p, tolerancePx, measure) ? Handle::Body : Handle::None;
}

Item Moved(const Item& item, double dx, double dy) {
    auto shift = [&](PointF& q) { q.x += dx, q.y += dy; };
    return std::visit(Overloaded{[&](Arrow a) -> Item { return shift(a.from), shift(a.to), a; },
                                 [&](Line l) -> Item { return shift(l.from), shift(l.to), l; },
                                 [&](Box b) -> Item { return b.r.x += dx, b.r.y += dy, b; },
                                 [&](Oval o) -> Item { return o.r.x += dx, o.r.y += dy, o; },
                                 [&](Pen p) -> Item {
                                     for (PointF& q : p.pts)
                                         shift(q);
                                     return p;
                                 },
                                 [&](Marker m) -> Item { return m.r.x += dx, m.r.y += dy, m; },
                                 [&](Text t) -> Item { return shift(t.at), t; },
                                 [&](Step s) -> Item { return shift(s.at), shift(s.tail), s; },
                                 [&](Redact r) -> Item {
                                     r.r.x += int(std::lround(dx));
                                     r.r.y += int(std::lround(dy));
                                     return r;
                                 }},
                      item);
}

PointF Constrain45(PointF from, PointF to) {
    double dx = to.x - from.x, dy = to.y - from.y;
    double ax = std::fabs(dx), ay = std::fabs(dy);
    // tan(22.5 degrees): below it the line is flat, above its inverse upright.
    constexpr double kTan = 0.41421356237309503;
    if (ay <= ax * kTan)
        return {to.x, from.y};
    if (ax <= ay * kTan)
        return {from.x, to.y};
    double d = (ax + ay) / 2;
    return {from.x + std::copysign(d, dx), from.y + std::copysign(d, dy)};
}

PointF ConstrainSquare(PointF anchor, PointF to) {
    double dx = to.x - anchor.x, dy = to.y - anchor.y;
    double side = std::max(std::fabs(dx), std::fabs(dy));
    return {anchor.x + std::copysign(side, dx), anchor.y + std::copysign(side, dy)};
}

Item WithHandleAt(const Item& item, Handle handle, PointF p, bool constrain) {
    if (handle == Handle::Body || handle == Handle::None)
        return item;
    if (IsRectKind(item)) {
        RectF r = RectOf(item);
        double x0 = r.x, y0 = r.y, x1 = r.right(), y1 = r.bottom();
        bool left =
            handle == Handle::TopLeft || handle == Handle::BottomLeft || handle == Handle::Left;
        bool right =
            handle == Handle::TopRight || handle == Handle::BottomRight || handle == Handle::Right;
        bool top = handle == Handle::TopLeft || handle == Handle::TopRight || handle == Handle::Top;
        bool bottom = handle == Handle::BottomLeft || handle == Handle::BottomRight ||
                      handle == Handle::Bottom;
        if ((left || right) && (top || bottom) && constrain) {
            PointF anchor{left ? x1 : x0, top ? y1 : y0};
            p = ConstrainSquare(anchor, p);
        }
        if (left)
            x0 = p.x;
        if (right)
            x1 = p.x;
        if (top)
            y0 = p.y;
        if (bottom)
            y1 = p.y;
        return WithRect(item, RectFromCorners({x0, y0}, {x1, y1}));
    }
    auto endPoint = [&](PointF& from, PointF& to) {
        if (handle == Handle::Start)
            from = constrain ? Constrain45(to, p) : p;
        else if (handle == Handle::End)
            to = constrain ? Constrain45(from, p) : p;
    };
    return std::visit(Overloaded{[&](Arrow a) -> Item { return endPoint(a.from, a.to), a; },
                                 [&](Line l) -> Item { return endPoint(l.from, l.to), l; },
                                 [&](Step s) -> Item {
                                     if (handle == Handle::Tail)
                                         s.tail = p;
                                     return s;
                                 },
                                 [&](const auto& other) -> Item { return other; }},
                      item);
}

uint32_t ColorOf(const Item& item) {
    return std::visit(
        Overloaded{[](const Marker& m) { return m.color; }, [](const Text& t) { return t.color; },
                   [](const Step& s) { return s.color; }, [](const Redact& r) { return r.fill; },
                   [](const auto& x) { return x.s.color; }},
        item);
}

Item WithColor(const Item& item, uint32_t color) {
    return std::visit(Overloaded{[&](Marker m) -> Item { return m.color = color, m; },
                                 [&](Text t) -> Item { return t.color = color, t; },
                                 [&](Step s) -> Item { return s.color = color, s; },
                                 [&](Redact r) -> Item { return r.fill = color, r; },
                                 [&](auto x) -> Item { return x.s.color = color, x; }},
                      item);
}

float SizeOf(const Item& item) {
    return std::visit(
        Overloaded{[](const Marker&) { return 0.0f; }, [](const Redact&) { return 0.0f; },
                   [](const Text& t) { return t.sizePx; }, [](const Step& s) { return s.radius; },
                   [](const auto& x) { return x.s.width; }},
        item);
}

Item WithSize(const Item& item, float size) {
    return std::visit(Overloaded{[&](const Marker& m) -> Item { return m; },
                                 [&](const Redact& r) -> Item { return r; },
                                 [&](Text t) -> Item { return t.sizePx = size, t; },
                                 [&](Step s) -> Item { return s.radius = size, s; },
                                 [&](auto x) -> Item { return x.s.width = size, x; }},
                      item);
}

std::optional<Item> Retyped(const Item& item, Tool tool) {
    if (ToolOf(item) == tool)
        return item;
    uint32_t color = ColorOf(item);
    if (auto* a = std::get_if<Arrow>(&item); a && tool == Tool::Line)
        return Line{a->from, a->to, a->s};
    if (auto* l = std::get_if<Line>(&item); l && tool == Tool::Arrow)
        return Arrow{l->from, l->to, l->s};
    if (!IsRectKind(item))
        return std::nullopt;
    RectF r = RectOf(item);
    float width = SizeOf(item) > 0 ? SizeOf(item) : Stroke{}.width;
    switch (tool) {
    case Tool::Rectangle:
        return Box{r, {color, width}, false};
    case Tool::Ellipse:
        return Oval{r, {color, width}};
    case Tool::Marker:
        return Marker{r, color};
    case Tool::Redact:
        return Redact{OutwardPixels(r), RedactStyle::Solid, color};
    default:
        return std::nullopt;
    }
}

std::vector<PointF> Simplify(const std::vector<PointF>& pts, double tolerance) {
    if (pts.size() < 3)
        return pts;
    std::vector<bool> keep(pts.size(), false);
    keep.front() = keep.back() = true;
    // Ranges still to split, kept on a list rather than the call stack (a long stroke).
    std::vector<std::pair<size_t, size_t>> ranges{{0, pts.size() - 1}};
    while (!ranges.empty()) {
        auto [a, b] = ranges.back();
        ranges.pop_back();
        double worst = -1;
        size_t at = a;
        for (size_t i = a + 1; i < b; ++i) {
            double d = SegmentDistance(pts[i], pts[a], pts[b]);
            if (d > worst)
                worst = d, at = i;
        }
        if (worst <= tolerance)
            continue;
        keep[at] = true;
        ranges.push_back({a, at});
        ranges.push_back({at, b});
    }
    std::vector<PointF> out;
    for (size_t i = 0; i < pts.size(); ++i)
        if (keep[i])
            out.push_back(pts[i]);
    return out;
}

} // namespace tess::annotate
