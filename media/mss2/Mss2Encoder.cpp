#include "media/mss2/Mss2Encoder.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace tess {

namespace {

// Token bytes of the 555 mode.
constexpr uint8_t kCopyAbove = 0x80; // the pixel of the previously coded row
constexpr uint8_t kSkip = 0x81;      // keep the old pixel (inter frames only)
constexpr uint8_t kRepeat = 0x82;    // 0x82 + k: repeat the last symbol, k count bytes follow

void PutBe32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v >> 24);
    p[1] = static_cast<uint8_t>(v >> 16);
    p[2] = static_cast<uint8_t>(v >> 8);
    p[3] = static_cast<uint8_t>(v);
}

uint32_t FloatBits(float f) {
    uint32_t v;
    std::memcpy(&v, &f, 4);
    return v;
}

// Writes a repeat token that makes the decoder apply the last symbol `count` more times.
// The count is stored in bijective base 256: each byte adds one to its digit.
uint8_t* PutRepeat(uint8_t* o, uint32_t count) {
    uint8_t digits[4];
    int n = 0;
    while (count > 0) {
        digits[n++] = static_cast<uint8_t>((count - 1) & 0xFF);
        count = (count - 1) >> 8;
    }
    *o++ = static_cast<uint8_t>(kRepeat + n);
    while (n > 0)
        *o++ = digits[--n];
    return o;
}

// A run of n pixels coded by one symbol: the symbol covers the first pixel, a repeat token
// the rest (the token's own pixel plus `count` more).
uint8_t* PutRunTail(uint8_t* o, uint32_t n) {
    if (n >= 2)
        o = PutRepeat(o, n - 2);
    return o;
}

// A little-endian BGRx pixel word (blue in the low byte) in 15-bit colour.
inline uint16_t Word555(uint32_t v) {
    return static_cast<uint16_t>(((v >> 9) & 0x7C00) | ((v >> 6) & 0x03E0) | ((v >> 3) & 0x001F));
}

#ifdef __SSE2__
// Four pixels of one 128-bit register in 15-bit colour, one per 32-bit lane. Red and blue
// are placed by one multiply-add of the pixel's two 16-bit halves (blue x 1 + red x 1024),
// green by a shift; the three fields do not overlap, so the sum shifted down is the result.
inline __m128i Lanes555(__m128i v) {
    const __m128i rb =
        _mm_madd_epi16(_mm_and_si128(v, _mm_set1_epi32(0x00F800F8)), _mm_set1_epi32(0x04000001));
    const __m128i g = _mm_srli_epi32(_mm_and_si128(v, _mm_set1_epi32(0x0000F800)), 3);
    return _mm_srli_epi32(_mm_or_si128(rb, g), 3);
}

// Bit mask (two bits a pixel) of the eight pixels at a and b that are equal.
inline unsigned EqualMask(const uint16_t* a, const uint16_t* b) {
    return static_cast<unsigned>(
        _mm_movemask_epi8(_mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a)),
                                          _mm_loadu_si128(reinterpret_cast<const __m128i*>(b)))));
}
#endif

// Converts a row of n pixels into dst; returns whether it differs from `old` (when given).
bool ConvertRow(const uint8_t* src, uint16_t* dst, int32_t n, const uint16_t* old) {
    int32_t x = 0;
    bool changed = false;
#ifdef __SSE2__
    // Eight pixels at a time; the lanes hold values below 0x8000, so the signed pack is exact.
    __m128i diff = _mm_setzero_si128();
    for (; x + 8 <= n; x += 8) {
        const __m128i a =
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + static_cast<ptrdiff_t>(x) * 4));
        const __m128i b = _mm_loadu_si128(
            reinterpret_cast<const __m128i*>(src + static_cast<ptrdiff_t>(x) * 4 + 16));
        const __m128i c = _mm_packs_epi32(Lanes555(a), Lanes555(b));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + x), c);
        if (old)
            diff = _mm_or_si128(
                diff, _mm_xor_si128(c, _mm_loadu_si128(reinterpret_cast<const __m128i*>(old + x))));
    }
    changed = _mm_movemask_epi8(_mm_cmpeq_epi16(diff, _mm_setzero_si128())) != 0xFFFF;
#endif
    for (; x < n; ++x) {
        uint32_t v;
        std::memcpy(&v, src + static_cast<ptrdiff_t>(x) * 4, 4);
        dst[x] = Word555(v);
        changed = changed || (old && dst[x] != old[x]);
    }
    return changed;
}

// How many of the n pixels from a are equal to those from b, counted from the first.
inline int32_t EqualPrefix(const uint16_t* a, const uint16_t* b, int32_t n) {
    if (n <= 0 || a[0] != b[0])
        return 0;
    int32_t i = 1;
#ifdef __SSE2__
    for (; i + 8 <= n; i += 8) {
        const unsigned m = EqualMask(a + i, b + i);
        if (m != 0xFFFF)
            return i + __builtin_ctz(~m) / 2;
    }
#endif
    while (i < n && a[i] == b[i])
        ++i;
    return i;
}

// How many of the n pixels from a have the value v, counted from the first.
inline int32_t ValuePrefix(const uint16_t* a, uint16_t v, int32_t n) {
    if (n <= 0 || a[0] != v)
        return 0;
    int32_t i = 1;
#ifdef __SSE2__
    const __m128i vv = _mm_set1_epi16(static_cast<short>(v));
    for (; i + 8 <= n; i += 8) {
        const unsigned m = static_cast<unsigned>(_mm_movemask_epi8(
            _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i)), vv)));
        if (m != 0xFFFF)
            return i + __builtin_ctz(~m) / 2;
    }
#endif
    while (i < n && a[i] == v)
        ++i;
    return i;
}

// The index of the last of the n pixels from a that differs from b's, or -1.
inline int32_t LastDifference(const uint16_t* a, const uint16_t* b, int32_t n) {
    int32_t e = n;
#ifdef __SSE2__
    for (; e >= 8; e -= 8) {
        const unsigned m = EqualMask(a + e - 8, b + e - 8);
        if (m != 0xFFFF)
            return e - 8 + (31 - __builtin_clz(~m & 0xFFFF)) / 2;
    }
#endif
    while (e > 0 && a[e - 1] == b[e - 1])
        --e;
    return e - 1;
}

} // namespace

Mss2Encoder::Mss2Encoder(int32_t width, int32_t height)
    : width_(std::clamp(width, 1, kMaxSide)), height_(std::clamp(height, 1, kMaxSide)),
      cur_(static_cast<size_t>(width_) * height_), prev_(static_cast<size_t>(width_) * height_) {}

std::vector<uint8_t> Mss2Encoder::Extradata(int32_t width, int32_t height, float framesPerSecond,
                                            uint32_t bitRate) {
    std::vector<uint8_t> e(kExtradataSize, 0);
    uint8_t* p = e.data();
    PutBe32(p + 0, kExtradataSize);
    PutBe32(p + 4, 2); // version 2.0: the MSS2 flavour of the format
    PutBe32(p + 8, 0);
    PutBe32(p + 12, static_cast<uint32_t>(width));
    PutBe32(p + 16, static_cast<uint32_t>(height));
    PutBe32(p + 20, static_cast<uint32_t>(width));
    PutBe32(p + 24, static_cast<uint32_t>(height));
    PutBe32(p + 28, FloatBits(framesPerSecond));
    PutBe32(p + 32, bitRate);
    PutBe32(p + 36, FloatBits(0.0f));
    PutBe32(p + 40, FloatBits(0.0f));
    PutBe32(p + 44, FloatBits(0.0f));
    PutBe32(p + 48, 127); // free colours: 127 selects 15-bit RGB output
    PutBe32(p + 52, 0);   // no slice split
    PutBe32(p + 56, 256); // used colours
    // 256 palette entries: a grey ramp (unused by the 555 mode, but must be present).
    for (int i = 0; i < 256; ++i) {
        p[60 + i * 3] = p[61 + i * 3] = p[62 + i * 3] = static_cast<uint8_t>(i);
    }
    return e;
}

void Mss2Encoder::Convert(const uint8_t* bgrx, int32_t srcWidth, int32_t srcHeight,
                          int32_t srcStride) {
    const int32_t w = std::min(width_, std::max(srcWidth, 0));
    const int32_t h = bgrx ? std::min(height_, std::max(srcHeight, 0)) : 0;
    // Each row is compared with the previous picture's as it is converted.
    firstChanged_ = -1;
    lastChanged_ = -1;
    rowChanged_.assign(static_cast<size_t>(height_), 0);
    for (int32_t y = 0; y < height_; ++y) {
        uint16_t* d = cur_.data() + static_cast<size_t>(y) * width_;
        const uint16_t* old = havePrev_ ? prev_.data() + static_cast<size_t>(y) * width_ : nullptr;
        bool changed = false;
        int32_t filled = 0;
        if (y < h) {
            changed = ConvertRow(bgrx + static_cast<ptrdiff_t>(y) * srcStride, d, w, old);
            filled = w;
        }
        if (filled < width_) {
            std::fill(d + filled, d + width_, uint16_t{0});
            changed =
                changed || (old && std::memcmp(d + filled, old + filled,
                                               static_cast<size_t>(width_ - filled) * 2) != 0);
        }
        if (changed) {
            rowChanged_[static_cast<size_t>(y)] = 1;
            if (firstChanged_ < 0)
                firstChanged_ = y;
            lastChanged_ = y;
        }
    }
}

bool Mss2Encoder::FindChanges(Rect& r) const {
    const int32_t top = firstChanged_, bottom = lastChanged_;
    if (top < 0)
        return false;
    int32_t left = width_, right = -1;
    for (int32_t y = top; y <= bottom; ++y) {
        if (!rowChanged_[static_cast<size_t>(y)])
            continue;
        const uint16_t* c = &cur_[static_cast<size_t>(y) * width_];
        const uint16_t* p = &prev_[static_cast<size_t>(y) * width_];
        left = std::min(left, EqualPrefix(c, p, left));
        const int32_t from = right + 1;
        right = std::max(right, from + LastDifference(c + from, p + from, width_ - from));
    }
    r = {left, top, right, bottom};
    return right >= left;
}

bool Mss2Encoder::MostlyChanged(const Rect& r) const {
    const uint64_t all = static_cast<uint64_t>(width_) * height_;
    const uint64_t area = static_cast<uint64_t>(r.x1 - r.x0 + 1) * (r.y1 - r.y0 + 1);
    if (area * 4 < all * 3)
        return false;
    // Stop as soon as more than a quarter of the picture is seen unchanged.
    const uint64_t allowed = all / 4 - (all - area);
    uint64_t same = 0;
    for (int32_t y = r.y0; y <= r.y1; ++y) {
        const uint16_t* c = &cur_[static_cast<size_t>(y) * width_];
        const uint16_t* p = &prev_[static_cast<size_t>(y) * width_];
        for (int32_t x = r.x0; x <= r.x1; ++x)
            same += c[x] == p[x];
        if (same > allowed)
            return false;
    }
    return true;
}

bool Mss2Encoder::Encode(const uint8_t* bgrx, int32_t srcWidth, int32_t srcHeight,
                         int32_t srcStride, bool forceKey, std::vector<uint8_t>& out) {
    Convert(bgrx, srcWidth, srcHeight, srcStride);
    bool key = forceKey || !havePrev_;
    if (key) {
        EncodeKey(out, true);
    } else {
        Rect r;
        if (FindChanges(r)) {
            if (MostlyChanged(r)) {
                // The inter frame would cost about what a key frame does: make the key frame,
                // as quickly as the inter frame (the change may go on frame after frame).
                EncodeKey(out, false);
                key = true;
            } else {
                EncodeInter(r, out);
            }
        } else {
            // Nothing changed: one skipped pixel keeps the frame well-formed.
            out.assign({0x18, 0, 0, 0, 0, 0, 0, kSkip});
        }
    }
    cur_.swap(prev_);
    havePrev_ = true;
    return key;
}

namespace {

// Codes the pixels of a rectangle of a top-down 15-bit picture in the decoder's order: rows
// from the rectangle's bottom row up, left to right. Runs of one colour and runs of pixels
// equal to the pixel below (the row coded before) may cross row ends; runs of unchanged
// pixels (inter frames, `old` not null) stay inside one row.
class RectCoder {
public:
    RectCoder(const uint16_t* pic, const uint16_t* old, int32_t stride, int32_t pictureHeight,
              int32_t x0, int32_t y0, int32_t x1, int32_t y1)
        : pic_(pic), old_(old), stride_(stride), picH_(pictureHeight), x0_(x0), y0_(y0), x1_(x1),
          y1_(y1) {}

    uint8_t* Code(uint8_t* o) const {
        int32_t y = y1_;
        int32_t x = x0_;
        while (y >= y0_) {
            const uint16_t* row = pic_ + static_cast<ptrdiff_t>(y) * stride_;
            const uint16_t v = row[x];
            const uint32_t skipRun =
                old_ ? static_cast<uint32_t>(EqualPrefix(
                           row + x, old_ + static_cast<ptrdiff_t>(y) * stride_ + x, x1_ - x + 1))
                     : 0;
            const uint32_t colorRun =
                Run(y, x, [v](const uint16_t* r, int32_t n) { return ValuePrefix(r, v, n); });
            uint32_t copyRun = 0;
            if (y + 1 < picH_) {
                const int32_t s = stride_;
                copyRun = Run(
                    y, x, [s](const uint16_t* r, int32_t n) { return EqualPrefix(r, r + s, n); });
            }
            uint32_t n;
            if (skipRun > 0 && skipRun >= copyRun && skipRun >= colorRun) {
                n = skipRun;
                *o++ = kSkip;
                o = PutRunTail(o, n);
            } else if (copyRun > 0 && copyRun >= colorRun) {
                n = copyRun;
                *o++ = kCopyAbove;
                o = PutRunTail(o, n);
            } else {
                n = colorRun;
                *o++ = static_cast<uint8_t>(v >> 8);
                *o++ = static_cast<uint8_t>(v);
                o = PutRunTail(o, n);
            }
            Advance(y, x, n);
        }
        return o;
    }

private:
    // Length of the run from (x, y) in coding order; `prefix(p, n)` tells how many of the n
    // pixels from p belong to it.
    template <class Prefix> uint32_t Run(int32_t y, int32_t x, Prefix prefix) const {
        uint32_t n = 0;
        while (y >= y0_) {
            const int32_t left = x1_ - x + 1;
            const int32_t k = prefix(pic_ + static_cast<ptrdiff_t>(y) * stride_ + x, left);
            n += static_cast<uint32_t>(k);
            if (k < left)
                return n;
            --y;
            x = x0_;
        }
        return n;
    }

    void Advance(int32_t& y, int32_t& x, uint32_t n) const {
        const int32_t w = x1_ - x0_ + 1;
        int64_t pos = static_cast<int64_t>(x - x0_) + n;
        y -= static_cast<int32_t>(pos / w);
        x = x0_ + static_cast<int32_t>(pos % w);
    }

    const uint16_t* pic_;
    const uint16_t* old_;
    int32_t stride_;
    int32_t picH_;
    int32_t x0_, y0_, x1_, y1_;
};

} // namespace

namespace {

// Bytes of the repeat tokens that extend a run's first symbol to n pixels.
inline uint32_t RunTailBytes(uint32_t n) {
    if (n < 2)
        return 0;
    uint32_t count = n - 2, bytes = 1;
    while (count > 0) {
        ++bytes;
        count = (count - 1) >> 8;
    }
    return bytes;
}

// The run lengths worth trying: a lone symbol, and the longest runs that a repeat token with
// 0, 1, 2 and 3 count bytes covers (with the symbol), and any longer run.
constexpr uint32_t kRunLimits[] = {1, 2, 258, 65794, 16843010, UINT32_MAX};

} // namespace

uint8_t* Mss2Encoder::Scratch() {
    // Never more than two bytes a pixel (a lone colour), plus the frame header.
    const size_t need = 16 + static_cast<size_t>(width_) * height_ * 2;
    if (!scratch_)
        scratch_.reset(new uint8_t[need]); // left unset: only what is coded is read
    return scratch_.get();
}

void Mss2Encoder::EncodeKey(std::vector<uint8_t>& out, bool fewestBytes) {
    uint8_t* const start = Scratch();
    uint8_t* o = start;
    *o++ = 0x80; // key frame, 7 reserved bits
    *o++ = 0x60; // no WMV9 region, run-length coded, 555 mode
    RectCoder coder(cur_.data(), nullptr, width_, height_, 0, 0, width_ - 1, height_ - 1);
    o = coder.Code(o);
    out.assign(start, o);
    // Flat pictures code small either way; a picture of many short runs (above a byte for
    // every eight pixels) is worth the slower parse.
    if (!fewestBytes || out.size() * 8 < static_cast<size_t>(width_) * height_)
        return;
    // Pixels in coding order: picture rows bottom-up, each left to right. The pixel coded
    // one row earlier is the one below in the picture, `w` places back in this order.
    const size_t w = static_cast<size_t>(width_);
    const size_t n = w * static_cast<size_t>(height_);
    keyCost_.resize(n + 1);
    keyRun_.resize(n);
    keyCost_[n] = 0;
    uint32_t colorRun = 0, copyRun = 0;
    uint16_t next = 0;
    size_t k = n;
    // Backwards through the coding order: picture rows top-down, each right to left.
    for (int32_t y = 0; y < height_; ++y) {
        const uint16_t* row = cur_.data() + static_cast<size_t>(y) * w;
        const uint16_t* below = y + 1 < height_ ? row + w : nullptr;
        for (size_t x = w; x-- > 0;) {
            --k;
            const uint16_t v = row[x];
            colorRun = (k + 1 < n && v == next) ? colorRun + 1 : 1;
            copyRun = (below && v == below[x]) ? copyRun + 1 : 0;
            next = v;
            // The cost of what follows never grows as the start moves on, so for each number
            // of count bytes the longest run that still fits them is the one to try.
            uint32_t best = UINT32_MAX;
            int32_t run = 1;
            for (int kind = 0; kind < 2; ++kind) {
                const uint32_t full = kind == 0 ? colorRun : copyRun;
                const uint32_t symbolBytes = kind == 0 ? 2 : 1;
                uint32_t tried = 0;
                for (const uint32_t limit : kRunLimits) {
                    const uint32_t len = std::min(full, limit);
                    if (len == tried)
                        break;
                    tried = len;
                    const uint32_t c = symbolBytes + RunTailBytes(len) + keyCost_[k + len];
                    if (c < best || (c == best && len > static_cast<uint32_t>(std::abs(run)))) {
                        best = c;
                        run = kind == 0 ? static_cast<int32_t>(len) : -static_cast<int32_t>(len);
                    }
                }
            }
            keyCost_[k] = best;
            keyRun_[k] = run;
        }
    }

    out.resize(2 + keyCost_[0]);
    o = out.data() + 2;
    for (size_t at = 0; at < n;) {
        const int32_t run = keyRun_[at];
        if (run > 0) {
            const size_t row = static_cast<size_t>(height_) - 1 - at / w;
            const uint16_t v = cur_[row * w + at % w];
            *o++ = static_cast<uint8_t>(v >> 8);
            *o++ = static_cast<uint8_t>(v);
        } else {
            *o++ = kCopyAbove;
        }
        const uint32_t len = static_cast<uint32_t>(std::abs(run));
        o = PutRunTail(o, len);
        at += len;
    }
    out.resize(static_cast<size_t>(o - out.data()));
}

void Mss2Encoder::EncodeInter(const Rect& r, std::vector<uint8_t>& out) {
    uint8_t* const start = Scratch();
    uint8_t* o = start;
    *o++ = 0x18; // inter frame, no WMV9 region, no motion vector, run-length coded, 555 mode
    // The rectangle in the decoder's coordinates: y counts from the bottom picture row.
    const uint32_t x = static_cast<uint32_t>(r.x0), endX = static_cast<uint32_t>(r.x1);
    const uint32_t y = static_cast<uint32_t>(height_ - 1 - r.y1);
    const uint32_t endY = static_cast<uint32_t>(height_ - 1 - r.y0);
    *o++ = static_cast<uint8_t>(x >> 4);
    *o++ = static_cast<uint8_t>(((x & 0xF) << 4) | (endX >> 8));
    *o++ = static_cast<uint8_t>(endX);
    *o++ = static_cast<uint8_t>(y >> 4);
    *o++ = static_cast<uint8_t>(((y & 0xF) << 4) | (endY >> 8));
    *o++ = static_cast<uint8_t>(endY);
    RectCoder coder(cur_.data(), prev_.data(), width_, height_, r.x0, r.y0, r.x1, r.y1);
    o = coder.Code(o);
    out.assign(start, o);
}

} // namespace tess
