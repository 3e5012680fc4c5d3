// Redaction: boxes whose own pixels never feed any output pixel.
#include "media/annotate/Render.h"

#include <algorithm>
#include <array>
#include <optional>

namespace tess::annotate {

namespace {

using Rgb = std::array<double, 3>; // red, green, blue

struct RingSum {
    Rgb sum{};
    int count = 0;
    void add(const uint8_t* p) {
        sum[0] += p[2], sum[1] += p[1], sum[2] += p[0];
        ++count;
    }
    std::optional<Rgb> mean() const {
        if (count == 0)
            return std::nullopt;
        return Rgb{sum[0] / count, sum[1] / count, sum[2] / count};
    }
};

bool InsideAny(const std::vector<RectI>& boxes, int x, int y) {
    for (const RectI& b : boxes)
        if (b.contains(x, y))
            return true;
    return false;
}

// Mean of the usable ring pixels of a row (y) over columns [x0, x1), or of a column (x) over
// rows [y0, y1). Pixels outside the picture or inside any box are skipped.
std::optional<Rgb> RingMean(const MemBm& pic, const std::vector<RectI>& boxes, bool row, int fixed,
                            int from, int to) {
    RingSum s;
    int limit = row ? pic.height() : pic.width();
    if (fixed < 0 || fixed >= limit)
        return std::nullopt;
    for (int i = from; i < to; ++i) {
        int x = row ? i : fixed, y = row ? fixed : i;
        if (!InsideAny(boxes, x, y))
            s.add(pic.pixelAddress(x, y));
    }
    return s.mean();
}

// A value in -12 .. 12 fixed by the block and the channel.
int Noise(int bx, int by, int channel) {
    uint32_t h =
        uint32_t(bx) * 0x9E3779B1u ^ uint32_t(by) * 0x85EBCA77u ^ uint32_t(channel) * 0xC2B2AE3Du;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    return int(h % 25) - 12;
}

void FillRect(MemBm& pic, const RectI& r, uint8_t red, uint8_t green, uint8_t blue) {
    for (int y = r.y; y < r.bottom(); ++y) {
        uint8_t* p = pic.pixelAddress(r.x, y);
        for (int x = 0; x < r.w; ++x, p += 4)
            p[0] = blue, p[1] = green, p[2] = red, p[3] = 0;
    }
}

// The two opposite sides' values for one block: each side's span, else its whole length,
// else the opposite side's.
struct Pair {
    std::optional<Rgb> a, b;
};
Pair SidePair(const MemBm& pic, const std::vector<RectI>& boxes, bool row, int fixedA, int fixedB,
              int from, int to, int wholeFrom, int wholeTo) {
    Pair p;
    p.a = RingMean(pic, boxes, row, fixedA, from, to);
    if (!p.a)
        p.a = RingMean(pic, boxes, row, fixedA, wholeFrom, wholeTo);
    p.b = RingMean(pic, boxes, row, fixedB, from, to);
    if (!p.b)
        p.b = RingMean(pic, boxes, row, fixedB, wholeFrom, wholeTo);
    if (!p.a)
        p.a = p.b;
    if (!p.b)
        p.b = p.a;
    return p;
}

void Mosaic(MemBm& pic, const std::vector<RectI>& boxes, const RectI& r) {
    int k = MosaicBlockSize(r);
    int columns = (r.w + k - 1) / k, rows = (r.h + k - 1) / k;
    for (int by = 0; by < rows; ++by) {
        int y0 = r.y + by * k, y1 = std::min(y0 + k, r.bottom());
        Pair lr = SidePair(pic, boxes, false, r.x - 1, r.right(), y0, y1, r.y, r.bottom());
        double v = ((y0 + y1) / 2.0 - r.y) / r.h;
        for (int bx = 0; bx < columns; ++bx) {
            int x0 = r.x + bx * k, x1 = std::min(x0 + k, r.right());
            Pair tb = SidePair(pic, boxes, true, r.y - 1, r.bottom(), x0, x1, r.x, r.right());
            double u = ((x0 + x1) / 2.0 - r.x) / r.w;
            Rgb c{128, 128, 128};
            if (tb.a && lr.a) {
                for (int i = 0; i < 3; ++i)
                    c[i] = ((1 - v) * (*tb.a)[i] + v * (*tb.b)[i] + (1 - u) * (*lr.a)[i] +
                            u * (*lr.b)[i]) /
                           2;
            } else if (tb.a) {
                for (int i = 0; i < 3; ++i)
                    c[i] = (1 - v) * (*tb.a)[i] + v * (*tb.b)[i];
            } else if (lr.a) {
                for (int i = 0; i < 3; ++i)
                    c[i] = (1 - u) * (*lr.a)[i] + u * (*lr.b)[i];
            }
            uint8_t ch[3];
            for (int i = 0; i < 3; ++i)
                ch[i] = uint8_t(std::clamp(int(c[i] + 0.5) + Noise(bx, by, i), 0, 255));
            FillRect(pic, {x0, y0, x1 - x0, y1 - y0}, ch[0], ch[1], ch[2]);
        }
    }
}

struct Placed {
    RectI r;
    const Redact* item;
};

std::vector<Placed> Boxes(const MemBm& pic, const std::vector<Item>& items) {
    std::vector<Placed> out;
    RectI whole{0, 0, pic.width(), pic.height()};
    for (const Item& item : items)
        if (auto* r = std::get_if<Redact>(&item)) {
            RectI clipped = Intersect(r->r, whole);
            if (!clipped.empty())
                out.push_back({clipped, r});
        }
    return out;
}

RectI Inflated(const RectI& r, int by) {
    return {r.x - by, r.y - by, r.w + 2 * by, r.h + 2 * by};
}

void Apply(MemBm& pic, const std::vector<Placed>& boxes, const std::vector<bool>& which) {
    std::vector<RectI> rects;
    for (const Placed& b : boxes)
        rects.push_back(b.r);
    // Boxes are applied bottom to top; a mosaic reads only ring pixels outside every box,
    // which no box writes, so the order never feeds one box into another.
    for (size_t i = 0; i < boxes.size(); ++i) {
        if (!which[i])
            continue;
        const Redact& r = *boxes[i].item;
        if (r.style == RedactStyle::Mosaic)
            Mosaic(pic, rects, boxes[i].r);
        else
            FillRect(pic, boxes[i].r, r.fill & 0xFF, (r.fill >> 8) & 0xFF, (r.fill >> 16) & 0xFF);
    }
}

} // namespace

int MosaicBlockSize(const RectI& box) {
    return std::max(10, std::min(box.w, box.h) / 3);
}

void ApplyRedactions(MemBm& picture, const std::vector<Item>& items) {
    if (picture.empty())
        return;
    std::vector<Placed> boxes = Boxes(picture, items);
    Apply(picture, boxes, std::vector<bool>(boxes.size(), true));
}

RectI ApplyRedactions(MemBm& picture, const std::vector<Item>& items, const RectI& area) {
    if (picture.empty() || area.empty())
        return {};
    std::vector<Placed> boxes = Boxes(picture, items);
    std::vector<bool> which(boxes.size(), false);
    RectI reach = area, written;
    // A box is affected when its ring meets the area; every box it overlaps must then be
    // applied again too (the upper one wins), and so on.
    for (bool grew = true; grew;) {
        grew = false;
        for (size_t i = 0; i < boxes.size(); ++i)
            if (!which[i] && !Intersect(Inflated(boxes[i].r, 1), reach).empty()) {
                which[i] = true, grew = true;
                reach = Union(reach, boxes[i].r);
                written = Union(written, boxes[i].r);
            }
    }
    Apply(picture, boxes, which);
    return written;
}

} // namespace tess::annotate
