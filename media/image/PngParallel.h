#pragma once
// Parallel filtering and compression of a true-colour PNG's image data (see PngParallel.cpp).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "media/image/ImageCodec.h"

namespace tess::image::detail {

// A zlib stream kept in the pieces it was made in (its header, each band's deflate data, its
// checksum), written out in turn rather than joined into one copy first.
struct ZlibPieces {
    std::vector<std::unique_ptr<uint8_t[]>> data;
    std::vector<size_t> sizes;
    size_t total = 0;

    bool empty() const { return total == 0; }
    void add(std::unique_ptr<uint8_t[]> piece, size_t size) {
        data.push_back(std::move(piece));
        sizes.push_back(size);
        total += size;
    }
};

// The complete zlib stream of the picture's filtered rows (red, green, blue), made in
// `bands` bands at once. `filters` is a PNG_FILTER_* mask; the zlib strategy is the
// options' one, else `defaultStrategy`. False when compression failed.
bool CompressRgbParallel(const MemBm& picture, const PngOptions& options, int defaultStrategy,
                         int filters, int bands, ZlibPieces& zlibStream);

// The Adler-32 checksum of n bytes continuing from `adler` (1 to start), as zlib's
// adler32 computes it, faster.
uint32_t Adler32(uint32_t adler, const uint8_t* p, size_t n);

} // namespace tess::image::detail
