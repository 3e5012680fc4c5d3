// The image data of a true-colour PNG, filtered and compressed in parallel bands.
//
// Each band of rows is filtered (per row the filter with the smallest sum of absolute
// differences, as libpng chooses) and deflated by its own thread; every band but the last
// ends with a sync flush so the raw deflate streams join into one, and each band after the
// first is primed with the 32 KB of filtered data before it, so the file is within a few
// bytes of a single-stream one. libpng writes the chunks around it.
#include <algorithm>
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

inline uint8_t Paeth(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    if (pa <= pb && pa <= pc)
        return static_cast<uint8_t>(a);
    return static_cast<uint8_t>(pb <= pc ? b : c);
}

inline uint32_t Cost(uint8_t v) {
    return v < 128 ? v : 256u - v;
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

// Filters rows [y0, y1) into `out` (one filter byte and 3 * width bytes per row).
void FilterRows(const MemBm& picture, int32_t y0, int32_t y1, int filters, uint8_t* out) {
    const size_t n = static_cast<size_t>(picture.width()) * 3;
    std::vector<uint8_t> prev(n, 0), cur(n), cand(n * 4);
    if (y0 > 0)
        ToRgb(picture, y0 - 1, prev.data());
    for (int32_t y = y0; y < y1; ++y) {
        ToRgb(picture, y, cur.data());
        uint8_t* none = &cand[0];
        uint8_t* sub = &cand[n];
        uint8_t* up = &cand[2 * n];
        uint8_t* paeth = &cand[3 * n];
        uint32_t cost[4] = {0, 0, 0, 0};
        for (size_t i = 0; i < n; ++i) {
            const int a = i >= 3 ? cur[i - 3] : 0;
            const int b = prev[i];
            const int c = i >= 3 ? prev[i - 3] : 0;
            none[i] = cur[i];
            sub[i] = static_cast<uint8_t>(cur[i] - a);
            up[i] = static_cast<uint8_t>(cur[i] - b);
            paeth[i] = static_cast<uint8_t>(cur[i] - Paeth(a, b, c));
            cost[0] += Cost(none[i]);
            cost[1] += Cost(sub[i]);
            cost[2] += Cost(up[i]);
            cost[3] += Cost(paeth[i]);
        }
        static constexpr int kFlag[4] = {0x08, 0x10, 0x20, 0x80}; // PNG_FILTER_NONE .. PAETH
        int best = -1;
        for (int f = 0; f < 4; ++f)
            if ((filters & kFlag[f]) && (best < 0 || cost[f] < cost[best]))
                best = f;
        if (best < 0)
            best = 0;
        *out++ = static_cast<uint8_t>(best == 3 ? 4 : best); // filter type byte
        std::copy_n(&cand[static_cast<size_t>(best) * n], n, out);
        out += n;
        std::swap(prev, cur);
    }
}

struct Band {
    const uint8_t* data = nullptr;
    size_t size = 0;
    const uint8_t* dictionary = nullptr;
    size_t dictionarySize = 0;
    bool last = false;
    // Room for deflate's worst case, left uninitialised: only the pages deflate writes are
    // ever touched (a screen picture deflates to a small part of the bound).
    std::unique_ptr<uint8_t[]> out;
    size_t outSize = 0;
    bool ok = false;
};

void DeflateBand(Band& band, int level, int memLevel, int strategy) {
    z_stream z{};
    if (deflateInit2(&z, level, Z_DEFLATED, -15, memLevel, strategy) != Z_OK)
        return;
    if (band.dictionarySize &&
        deflateSetDictionary(&z, band.dictionary, static_cast<uInt>(band.dictionarySize)) != Z_OK) {
        deflateEnd(&z);
        return;
    }
    const size_t room = deflateBound(&z, band.size) + 16;
    band.out.reset(new uint8_t[room]);
    z.next_in = const_cast<Bytef*>(band.data);
    z.avail_in = static_cast<uInt>(band.size);
    z.next_out = band.out.get();
    z.avail_out = static_cast<uInt>(room);
    const int rc = deflate(&z, band.last ? Z_FINISH : Z_SYNC_FLUSH);
    band.ok = (band.last ? rc == Z_STREAM_END : rc == Z_OK) && z.avail_in == 0;
    band.outSize = room - z.avail_out;
    deflateEnd(&z);
}

} // namespace

bool CompressRgbParallel(const MemBm& picture, const PngOptions& options, int filters, int bands,
                         std::vector<uint8_t>& zlibStream) {
    const int32_t h = picture.height();
    const size_t rowBytes = static_cast<size_t>(picture.width()) * 3 + 1;
    if (picture.empty() || rowBytes * h > 0x7FFFFFFF)
        return false;
    bands = std::clamp(bands, 1, std::max(1, h / 16));
    std::vector<uint8_t> filtered(rowBytes * h);
    std::vector<int32_t> start(bands + 1);
    for (int b = 0; b <= bands; ++b)
        start[b] = static_cast<int32_t>(int64_t{h} * b / bands);

    std::vector<Band> work(bands);
    for (int b = 0; b < bands; ++b) {
        Band& band = work[b];
        band.data = filtered.data() + rowBytes * start[b];
        band.size = rowBytes * (start[b + 1] - start[b]);
        band.dictionarySize = std::min<size_t>(32768, rowBytes * start[b]);
        band.dictionary = band.data - band.dictionarySize;
        band.last = b == bands - 1;
    }
    const int strategy = options.strategy >= 0 ? options.strategy : Z_FILTERED;
    // All bands are filtered first (a band's dictionary is the end of the band before it),
    // then deflated; the calling thread takes band 0 of each step.
    std::vector<std::thread> threads;
    auto runBand = [&](int b) {
        FilterRows(picture, start[b], start[b + 1], filters, filtered.data() + rowBytes * start[b]);
    };
    try {
        for (int b = 1; b < bands; ++b)
            threads.emplace_back(runBand, b);
    } catch (const std::system_error&) {
        for (int b = static_cast<int>(threads.size()) + 1; b < bands; ++b)
            runBand(b);
    }
    runBand(0);
    for (std::thread& t : threads)
        t.join();
    threads.clear();
    try {
        for (int b = 1; b < bands; ++b)
            threads.emplace_back(DeflateBand, std::ref(work[b]), options.zlibLevel,
                                 options.memLevel, strategy);
    } catch (const std::system_error&) {
        for (int b = static_cast<int>(threads.size()) + 1; b < bands; ++b)
            DeflateBand(work[b], options.zlibLevel, options.memLevel, strategy);
    }
    DeflateBand(work[0], options.zlibLevel, options.memLevel, strategy);
    for (std::thread& t : threads)
        t.join();

    size_t total = 6;
    for (const Band& band : work) {
        if (!band.ok)
            return false;
        total += band.outSize;
    }
    zlibStream.clear();
    zlibStream.reserve(total);
    zlibStream.push_back(0x78); // deflate, 32 KB window
    zlibStream.push_back(0x9C); // default compression; header check bits
    for (const Band& band : work)
        zlibStream.insert(zlibStream.end(), band.out.get(), band.out.get() + band.outSize);
    const uLong adler =
        adler32(adler32(0L, Z_NULL, 0), filtered.data(), static_cast<uInt>(filtered.size()));
    for (int shift = 24; shift >= 0; shift -= 8)
        zlibStream.push_back(static_cast<uint8_t>(adler >> shift));
    return true;
}

} // namespace tess::image::detail
