#pragma once
// Parallel filtering and compression of a true-colour PNG's image data (see PngParallel.cpp).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "media/image/ImageCodec.h"

namespace tess::image::detail {

// The complete zlib stream of the picture's filtered rows (red, green, blue), made in
// `bands` bands at once. `filters` is a PNG_FILTER_* mask; the zlib strategy is the
// options' one, else `defaultStrategy`. False when compression failed.
bool CompressRgbParallel(const MemBm& picture, const PngOptions& options, int defaultStrategy,
                         int filters, int bands, std::vector<uint8_t>& zlibStream);

// The Adler-32 checksum of n bytes continuing from `adler` (1 to start), as zlib's
// adler32 computes it, faster.
uint32_t Adler32(uint32_t adler, const uint8_t* p, size_t n);

} // namespace tess::image::detail
