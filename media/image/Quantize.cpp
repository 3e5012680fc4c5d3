// Reduction of a 32-bit picture to 8 bits per pixel: exact palettes for pictures of few
// colours, otherwise a median-cut palette and Floyd-Steinberg error diffusion.
#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <unordered_map>

#include "media/image/ColorTable.h"
#include "media/image/ImageCodec.h"
#include "media/image/Quantize.h"

namespace tess::image {

namespace {

// A pixel's three colour bytes as 0x00RRGGBB (the little-endian pixel word).
inline uint32_t PixelWord(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v & 0x00FFFFFF;
}

// 0x00RRGGBB <-> colour value 0x00BBGGRR (the same swap both ways).
inline uint32_t SwapRB(uint32_t v) {
    return ((v >> 16) & 0xFF) | (v & 0xFF00) | ((v & 0xFF) << 16);
}

constexpr int kBits = detail::ColorHistogram::kBits;
constexpr int kSide = 1 << kBits;
constexpr int kCells = kSide * kSide * kSide;

inline int Cell(int r, int g, int b) {
    return (r << (2 * kBits)) | (g << kBits) | b;
}

using Histogram = detail::ColorHistogram;

struct Box {
    std::array<int, 3> lo{}, hi{}; // inclusive cell bounds per channel (r, g, b)
    uint64_t population = 0;
};

// Narrows a box to the cells that hold pixels and counts them.
void Shrink(const Histogram& hist, Box& box) {
    std::array<int, 3> lo{kSide, kSide, kSide}, hi{-1, -1, -1};
    uint64_t pop = 0;
    for (int r = box.lo[0]; r <= box.hi[0]; ++r)
        for (int g = box.lo[1]; g <= box.hi[1]; ++g)
            for (int b = box.lo[2]; b <= box.hi[2]; ++b) {
                const uint32_t n = hist.count[Cell(r, g, b)];
                if (!n)
                    continue;
                pop += n;
                const int v[3] = {r, g, b};
                for (int c = 0; c < 3; ++c) {
                    lo[c] = std::min(lo[c], v[c]);
                    hi[c] = std::max(hi[c], v[c]);
                }
            }
    box.population = pop;
    if (pop) {
        box.lo = lo;
        box.hi = hi;
    }
}

std::vector<uint32_t> MedianCut(const Histogram& hist, size_t maxColors) {
    std::vector<Box> boxes(1);
    boxes[0].hi = {kSide - 1, kSide - 1, kSide - 1};
    Shrink(hist, boxes[0]);
    while (boxes.size() < maxColors) {
        // Split the box with the most pixels times its longest side (green weighs most).
        static constexpr int weight[3] = {3, 4, 2};
        size_t best = boxes.size();
        uint64_t bestScore = 0;
        int axis = 0;
        for (size_t i = 0; i < boxes.size(); ++i) {
            const Box& b = boxes[i];
            for (int c = 0; c < 3; ++c) {
                const int len = b.hi[c] - b.lo[c];
                const uint64_t score = b.population * static_cast<uint64_t>(len * weight[c]);
                if (len > 0 && score > bestScore) {
                    bestScore = score;
                    best = i;
                    axis = c;
                }
            }
        }
        if (best == boxes.size())
            break; // every box is a single cell
        Box& box = boxes[best];
        // Population per slice along the axis, then the median slice.
        std::vector<uint64_t> slice(kSide, 0);
        for (int r = box.lo[0]; r <= box.hi[0]; ++r)
            for (int g = box.lo[1]; g <= box.hi[1]; ++g)
                for (int b = box.lo[2]; b <= box.hi[2]; ++b) {
                    const int v[3] = {r, g, b};
                    slice[v[axis]] += hist.count[Cell(r, g, b)];
                }
        uint64_t acc = 0;
        int cut = box.lo[axis];
        for (int s = box.lo[axis]; s < box.hi[axis]; ++s) {
            acc += slice[s];
            cut = s;
            if (acc * 2 >= box.population)
                break;
        }
        Box upper = box;
        box.hi[axis] = cut;
        upper.lo[axis] = cut + 1;
        Shrink(hist, box);
        Shrink(hist, upper);
        if (upper.population)
            boxes.push_back(upper);
    }
    std::vector<uint32_t> palette;
    for (const Box& b : boxes) {
        uint64_t n = 0, s[3] = {0, 0, 0};
        for (int r = b.lo[0]; r <= b.hi[0]; ++r)
            for (int g = b.lo[1]; g <= b.hi[1]; ++g)
                for (int bb = b.lo[2]; bb <= b.hi[2]; ++bb) {
                    const int cell = Cell(r, g, bb);
                    n += hist.count[cell];
                    for (int c = 0; c < 3; ++c)
                        s[c] += hist.sum[static_cast<size_t>(cell) * 3 + c];
                }
        if (!n)
            continue;
        const uint32_t r = static_cast<uint32_t>((s[0] + n / 2) / n);
        const uint32_t g = static_cast<uint32_t>((s[1] + n / 2) / n);
        const uint32_t bl = static_cast<uint32_t>((s[2] + n / 2) / n);
        palette.push_back(r | (g << 8) | (bl << 16));
    }
    return palette;
}

} // namespace

size_t CountColors(const MemBm& picture, size_t limit, std::vector<uint32_t>* palette) {
    if (palette)
        palette->clear();
    if (picture.empty())
        return 0;
    ColorTable seen;
    std::vector<uint32_t> found;
    const uint8_t* p = picture.bits();
    const uint8_t* end = p + picture.sizeBytes();
    uint32_t last = 0xFFFFFFFFu;
    for (; p < end; p += 4) {
        const uint32_t v = PixelWord(p);
        if (v == last)
            continue; // runs of one colour are common on screens
        last = v;
        if (seen.insert(v, static_cast<uint8_t>(found.size()))) {
            found.push_back(v);
            if (found.size() > limit || found.size() > 256)
                return found.size();
        }
    }
    if (palette) {
        for (uint32_t v : found)
            palette->push_back(SwapRB(v));
    }
    return found.size();
}

IndexedImage ReduceTo8Bits(const MemBm& picture, bool errorDiffusion) {
    IndexedImage out;
    if (picture.empty())
        return out;
    const int32_t w = picture.width();
    const int32_t h = picture.height();
    out.width = w;
    out.height = h;
    out.indices.resize(static_cast<size_t>(w) * h);

    std::vector<uint32_t> exact;
    if (CountColors(picture, 256, &exact) <= 256) {
        ColorTable table;
        table.assign(exact);
        out.palette = std::move(exact);
        uint8_t* d = out.indices.data();
        for (int32_t y = 0; y < h; ++y) {
            const uint8_t* s = picture.pixelAddress(0, y);
            for (int32_t x = 0; x < w; ++x, s += 4)
                *d++ = table.indexOf(SwapRB(PixelWord(s)));
        }
        return out;
    }

    Histogram hist;
    {
        const uint8_t* p = picture.bits();
        for (size_t i = 0; i < picture.sizeBytes(); i += 4, p += 4)
            hist.add(p);
    }
    out.palette = MedianCut(hist, 256);
    detail::MapToPalette(picture.bits(), picture.stride(), w, h, out.palette,
                         errorDiffusion ? detail::Diffusion::Everywhere : detail::Diffusion::None,
                         nullptr, 0, out.indices.data());
    return out;
}

namespace detail {

ColorHistogram::ColorHistogram() : count(kCells, 0), sum(static_cast<size_t>(kCells) * 3, 0) {}

std::vector<uint32_t> ScreenPalette(const uint8_t* pixels, int stride, int w, int h,
                                    const uint8_t* mask, size_t maxColors) {
    // Pixels by exact colour (pixel words), counted run by run.
    std::unordered_map<uint32_t, uint64_t> counts;
    uint64_t total = 0;
    for (int y = 0; y < h; ++y) {
        const uint8_t* s = pixels + static_cast<size_t>(stride) * y;
        const uint8_t* m = mask ? mask + static_cast<size_t>(w) * y : nullptr;
        for (int x = 0; x < w;) {
            if (m && !m[x]) {
                ++x;
                continue;
            }
            const uint32_t word = PixelWord(s + x * 4);
            int end = x + 1;
            while (end < w && (!m || m[end]) && PixelWord(s + end * 4) == word)
                ++end;
            counts[word] += static_cast<uint64_t>(end - x);
            total += static_cast<uint64_t>(end - x);
            x = end;
        }
    }
    // Up to half the palette for the colours of at least 1/2000 of the pixels, most first.
    std::vector<std::pair<uint64_t, uint32_t>> frequent;
    for (const auto& [word, n] : counts)
        if (n * 2000 >= total && n >= 8)
            frequent.emplace_back(n, word);
    std::sort(frequent.begin(), frequent.end(), std::greater<>());
    if (frequent.size() > maxColors / 2)
        frequent.resize(maxColors / 2);
    std::vector<uint32_t> palette;
    ColorTable kept;
    for (const auto& f : frequent) {
        palette.push_back(SwapRB(f.second));
        kept.insert(f.second, 0);
    }
    ColorHistogram rest;
    bool any = false;
    for (const auto& [word, n] : counts) {
        if (kept.contains(word))
            continue;
        const uint8_t p[4] = {static_cast<uint8_t>(word), static_cast<uint8_t>(word >> 8),
                              static_cast<uint8_t>(word >> 16), 0};
        const int cell = Cell(p[2] >> (8 - kBits), p[1] >> (8 - kBits), p[0] >> (8 - kBits));
        rest.count[cell] += static_cast<uint32_t>(n);
        for (int c = 0; c < 3; ++c)
            rest.sum[static_cast<size_t>(cell) * 3 + c] += p[2 - c] * n;
        any = true;
    }
    if (any)
        for (uint32_t c : MedianCut(rest, maxColors - palette.size()))
            palette.push_back(c);
    return palette;
}

int16_t NearestColor::search(int r, int g, int b) const {
    int best = 0;
    int bestD = 1 << 30;
    for (size_t i = 0; i < palette_.size(); ++i) {
        const uint32_t p = palette_[i];
        const int dr = r - static_cast<int>(p & 0xFF);
        const int dg = g - static_cast<int>((p >> 8) & 0xFF);
        const int db = b - static_cast<int>((p >> 16) & 0xFF);
        const int d = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
        if (d < bestD) {
            bestD = d;
            best = static_cast<int>(i);
        }
    }
    return static_cast<int16_t>(best);
}

namespace {

// A neighbour differing by more than this in a channel makes an edge: no error crosses it.
constexpr int kEdge = 48;
// In smooth areas only three quarters of the error is passed on: a gentler grain, which
// costs fewer bytes in a GIF.
constexpr int kSmoothShare = 3;

inline bool Near(const uint8_t* a, const uint8_t* b) {
    return std::abs(a[0] - b[0]) <= kEdge && std::abs(a[1] - b[1]) <= kEdge &&
           std::abs(a[2] - b[2]) <= kEdge;
}

} // namespace

void MapToPalette(const uint8_t* pixels, int stride, int w, int h,
                  const std::vector<uint32_t>& palette, Diffusion diffusion, const uint8_t* mask,
                  uint8_t maskedIndex, uint8_t* out) {
    NearestColor nearest(palette);
    if (diffusion == Diffusion::None) {
        for (int32_t y = 0; y < h; ++y) {
            const uint8_t* s = pixels + static_cast<size_t>(stride) * y;
            const uint8_t* m = mask ? mask + static_cast<size_t>(w) * y : nullptr;
            for (int32_t x = 0; x < w; ++x, s += 4)
                *out++ = m && !m[x] ? maskedIndex : nearest(s[2], s[1], s[0]);
        }
        return;
    }
    // Floyd-Steinberg: 7/16 right, 3/16 below left, 5/16 below, 1/16 below right. Errors are
    // kept in sixteenths, with one spare entry at each end of the rows.
    std::vector<int32_t> cur(static_cast<size_t>(w + 2) * 3, 0), next(cur.size(), 0);
    for (int32_t y = 0; y < h; ++y) {
        std::fill(next.begin(), next.end(), 0);
        const uint8_t* s = pixels + static_cast<size_t>(stride) * y;
        const uint8_t* m = mask ? mask + static_cast<size_t>(w) * y : nullptr;
        for (int32_t x = 0; x < w; ++x, s += 4) {
            int32_t* e = &cur[static_cast<size_t>(x + 1) * 3];
            if (m && !m[x]) {
                *out++ = maskedIndex;
                continue;
            }
            // Only pixels whose four neighbours are near them take and give error.
            const bool smooth =
                diffusion == Diffusion::Everywhere ||
                ((x == 0 || Near(s, s - 4)) && (x + 1 == w || Near(s, s + 4)) &&
                 (y == 0 || Near(s, s - stride)) && (y + 1 == h || Near(s, s + stride)));
            const int src[3] = {s[2], s[1], s[0]};
            if (!smooth) {
                *out++ = nearest(src[0], src[1], src[2]);
                continue;
            }
            int v[3];
            for (int c = 0; c < 3; ++c)
                v[c] = std::clamp(src[c] + (e[c] + 8) / 16, 0, 255);
            const uint8_t idx = nearest(v[0], v[1], v[2]);
            *out++ = idx;
            const uint32_t p = palette[idx];
            const int chosen[3] = {static_cast<int>(p & 0xFF), static_cast<int>((p >> 8) & 0xFF),
                                   static_cast<int>((p >> 16) & 0xFF)};
            int32_t* n = &next[static_cast<size_t>(x + 1) * 3];
            for (int c = 0; c < 3; ++c) {
                const int err = diffusion == Diffusion::Everywhere
                                    ? v[c] - chosen[c]
                                    : (v[c] - chosen[c]) * kSmoothShare / 4;
                e[3 + c] += err * 7;
                n[-3 + c] += err * 3;
                n[c] += err * 5;
                n[3 + c] += err;
            }
        }
        std::swap(cur, next);
    }
}

} // namespace detail

} // namespace tess::image
