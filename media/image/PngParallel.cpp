// The image data of a true-colour PNG, filtered and compressed in parallel bands.
//
// Each band of rows is filtered (per row the filter with the smallest sum of absolute
// differences, as libpng chooses) and deflated by its own thread, a few rows at a time;
// every band but the last
// ends with a sync flush so the raw deflate streams join into one, and each band after the
// first is primed with the 32 KB of filtered data before it, so the file is within a few
// bytes of a single-stream one. libpng writes the chunks around it.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <system_error>
#include <thread>
#include <vector>
#include <zlib.h>

#include "media/image/PngParallel.h"

namespace tess::image::detail {

namespace {

// The PNG Paeth predictor, written with selections rather than branches so that loops over
// it vectorise.
inline uint8_t Paeth(int a, int b, int c) {
    const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
    const int bc = pb <= pc ? b : c;
    return static_cast<uint8_t>(pa <= pb && pa <= pc ? a : bc);
}

// A filtered byte's distance from zero as a signed value: v for v < 128, else 256 - v.
inline uint32_t Cost(uint8_t v) {
    return std::min<uint8_t>(v, static_cast<uint8_t>(-v));
}

// The row's colour bytes as red, green, blue.
void ToRgb(const MemBm& picture, int32_t y, uint8_t* out) {
    const uint8_t* s = picture.pixelAddress(0, y);
    for (int32_t x = 0; x < picture.width(); ++x, s += 4, out += 3) {
        out[0] = s[2];
        out[1] = s[1];
        out[2] = s[0];
    }
}

// Filters rows [y0, y1) into `out` (one filter byte and 3 * width bytes per row). Each
// allowed filter is tried over the whole row in a loop of its own (plain loops the compiler
// vectorises; built for AVX2 too, picked when the processor has it); the row keeps the one
// with the smallest cost.
__attribute__((target_clones("avx2", "default"))) void
FilterRows(const MemBm& picture, int32_t y0, int32_t y1, int filters, uint8_t* out) {
    const size_t n = static_cast<size_t>(picture.width()) * 3;
    std::vector<uint8_t> prev(n, 0), cur(n), cand(n);
    if (y0 > 0)
        ToRgb(picture, y0 - 1, prev.data());
    static constexpr int kFlag[4] = {0x08, 0x10, 0x20, 0x80}; // PNG_FILTER_NONE .. PAETH
    if ((filters & (kFlag[0] | kFlag[1] | kFlag[2] | kFlag[3])) == 0)
        filters = kFlag[0];
    for (int32_t y = y0; y < y1; ++y) {
        ToRgb(picture, y, cur.data());
        const uint8_t* c = cur.data();
        const uint8_t* p = prev.data();
        uint32_t bestCost = UINT32_MAX;
        int bestType = 0;
        for (int f = 0; f < 4; ++f) {
            if (!(filters & kFlag[f]))
                continue;
            // The first candidate goes straight to the output; later ones to `cand`, and
            // are copied over only when cheaper.
            uint8_t* d = bestCost == UINT32_MAX ? out + 1 : cand.data();
            switch (f) {
            case 0:
                std::copy_n(c, n, d);
                break;
            case 1:
                for (size_t i = 0; i < 3 && i < n; ++i)
                    d[i] = c[i];
                for (size_t i = 3; i < n; ++i)
                    d[i] = static_cast<uint8_t>(c[i] - c[i - 3]);
                break;
            case 2:
                for (size_t i = 0; i < n; ++i)
                    d[i] = static_cast<uint8_t>(c[i] - p[i]);
                break;
            default:
                for (size_t i = 0; i < 3 && i < n; ++i)
                    d[i] = static_cast<uint8_t>(c[i] - p[i]); // Paeth with a = c = 0 is Up
                for (size_t i = 3; i < n; ++i)
                    d[i] = static_cast<uint8_t>(c[i] - Paeth(c[i - 3], p[i], p[i - 3]));
                break;
            }
            uint32_t cost = 0;
            for (size_t i = 0; i < n; ++i)
                cost += Cost(d[i]);
            if (cost < bestCost) {
                if (d != out + 1)
                    std::copy_n(d, n, out + 1);
                bestCost = cost;
                bestType = f == 3 ? 4 : f;
            }
        }
        out[0] = static_cast<uint8_t>(bestType); // filter type byte
        out += n + 1;
        std::swap(prev, cur);
    }
}

} // namespace

// Adler-32 in blocks of 32 bytes: per block the plain sum and the sum weighted 32 down to 1
// are loops the compiler vectorises, where the textbook byte-by-byte form is one long chain
// of additions. Same value as zlib's adler32.
__attribute__((target_clones("avx2", "default"))) uint32_t Adler32(uint32_t adler, const uint8_t* p,
                                                                   size_t n) {
    constexpr uint32_t kBase = 65521;
    constexpr size_t kBlock = 32;
    // The most bytes before the sums must be reduced so that they cannot overflow 32 bits
    // (zlib's 5552, rounded down to whole blocks).
    constexpr size_t kRun = 5552 / kBlock * kBlock;
    uint32_t a = adler & 0xFFFF, b = adler >> 16;
    while (n > 0) {
        const size_t run = std::min(n, kRun);
        n -= run;
        size_t i = 0;
        for (; i + kBlock <= run; i += kBlock) {
            uint32_t s1 = 0, s2 = 0;
            for (size_t k = 0; k < kBlock; ++k) {
                s1 += p[i + k];
                s2 += static_cast<uint32_t>(kBlock - k) * p[i + k];
            }
            b += static_cast<uint32_t>(kBlock) * a + s2;
            a += s1;
        }
        for (; i < run; ++i) {
            a += p[i];
            b += a;
        }
        p += run;
        a %= kBase;
        b %= kBase;
    }
    return b << 16 | a;
}

namespace {

// What one band's thread makes: raw deflate data ending in a sync flush (the last band:
// the end of the stream), and the Adler-32 of the band's filtered bytes.
struct Band {
    int32_t y0 = 0, y1 = 0;
    bool last = false;
    // Room for deflate's worst case, left uninitialised: only the pages deflate writes are
    // ever touched (a screen picture deflates to a small part of the bound).
    std::unique_ptr<uint8_t[]> out;
    size_t outSize = 0;
    uLong adler = 1;
    size_t filteredBytes = 0;
    bool ok = false;
};

// Rows are filtered a few at a time into a small buffer and handed to deflate at once, so
// the filtered picture never exists whole (megabytes of fresh memory for a full screen).
constexpr int32_t kRowsPerStep = 16;

void CompressBand(const MemBm& picture, int filters, int level, int memLevel, int strategy,
                  Band& band) {
    const size_t rowBytes = static_cast<size_t>(picture.width()) * 3 + 1;
    z_stream z{};
    if (deflateInit2(&z, level, Z_DEFLATED, -15, memLevel, strategy) != Z_OK)
        return;
    std::vector<uint8_t> rows;
    try {
        rows.resize(rowBytes * kRowsPerStep);
        // A band after the first starts with the 32 KB of filtered data before it as its
        // dictionary, as if the stream had run on from the band above.
        if (band.y0 > 0) {
            const int32_t need = static_cast<int32_t>((32768 + rowBytes - 1) / rowBytes);
            const int32_t from = std::max(0, band.y0 - need);
            std::vector<uint8_t> before(rowBytes * (band.y0 - from));
            FilterRows(picture, from, band.y0, filters, before.data());
            const size_t size = std::min<size_t>(32768, before.size());
            if (deflateSetDictionary(&z, before.data() + before.size() - size,
                                     static_cast<uInt>(size)) != Z_OK) {
                deflateEnd(&z);
                return;
            }
        }
        band.filteredBytes = rowBytes * (band.y1 - band.y0);
        const size_t room = deflateBound(&z, band.filteredBytes) + 16;
        band.out.reset(new uint8_t[room]);
        z.next_out = band.out.get();
        z.avail_out = static_cast<uInt>(room);
    } catch (const std::bad_alloc&) {
        deflateEnd(&z);
        return;
    }
    bool ok = true;
    for (int32_t y = band.y0; y < band.y1 && ok; y += kRowsPerStep) {
        const int32_t n = std::min(kRowsPerStep, band.y1 - y);
        FilterRows(picture, y, y + n, filters, rows.data());
        const size_t size = rowBytes * n;
        band.adler = Adler32(static_cast<uint32_t>(band.adler), rows.data(), size);
        z.next_in = rows.data();
        z.avail_in = static_cast<uInt>(size);
        ok = deflate(&z, Z_NO_FLUSH) == Z_OK && z.avail_in == 0;
    }
    if (ok) {
        const int rc = deflate(&z, band.last ? Z_FINISH : Z_SYNC_FLUSH);
        ok = band.last ? rc == Z_STREAM_END : rc == Z_OK;
    }
    band.ok = ok;
    band.outSize = z.next_out - band.out.get();
    deflateEnd(&z);
}

} // namespace

bool CompressRgbParallel(const MemBm& picture, const PngOptions& options, int defaultStrategy,
                         int filters, int bands, ZlibPieces& zlibStream) {
    const int32_t h = picture.height();
    const size_t rowBytes = static_cast<size_t>(picture.width()) * 3 + 1;
    if (picture.empty() || rowBytes * h > 0x7FFFFFFF)
        return false;
    bands = std::clamp(bands, 1, std::max(1, h / 16));
    std::vector<Band> work(bands);
    for (int b = 0; b < bands; ++b) {
        work[b].y0 = static_cast<int32_t>(int64_t{h} * b / bands);
        work[b].y1 = static_cast<int32_t>(int64_t{h} * (b + 1) / bands);
        work[b].last = b == bands - 1;
    }
    const int strategy = options.strategy >= 0 ? options.strategy : defaultStrategy;
    // One thread a band; the calling thread takes band 0.
    auto run = [&](int b) {
        CompressBand(picture, filters, options.zlibLevel, options.memLevel, strategy, work[b]);
    };
    std::vector<std::thread> threads;
    try {
        for (int b = 1; b < bands; ++b)
            threads.emplace_back(run, b);
    } catch (const std::system_error&) {
        for (int b = static_cast<int>(threads.size()) + 1; b < bands; ++b)
            run(b);
    }
    run(0);
    for (std::thread& t : threads)
        t.join();

    for (const Band& band : work)
        if (!band.ok)
            return false;
    zlibStream = {};
    // Deflate with a 32 KB window, default compression, and the header's check bits.
    zlibStream.add(std::unique_ptr<uint8_t[]>(new uint8_t[2]{0x78, 0x9C}), 2);
    uLong adler = adler32(0L, Z_NULL, 0);
    for (Band& band : work) {
        zlibStream.add(std::move(band.out), band.outSize);
        adler = adler32_combine(adler, band.adler, static_cast<z_off_t>(band.filteredBytes));
    }
    std::unique_ptr<uint8_t[]> check(new uint8_t[4]);
    for (int i = 0; i < 4; ++i)
        check[i] = static_cast<uint8_t>(adler >> (24 - 8 * i));
    zlibStream.add(std::move(check), 4);
    return true;
}

} // namespace tess::image::detail
