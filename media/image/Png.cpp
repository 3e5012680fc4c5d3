// PNG through libpng.
#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <png.h>
#include <zlib.h>

#include <thread>

#include "media/image/ColorTable.h"
#include "media/image/ImageCodec.h"
#include "media/image/PngParallel.h"
#include "platform/Translate.h"

namespace tess::image {

namespace {

void SilentWarning(png_structp, png_const_charp) {}

struct ErrorSink {
    std::string message;
};

void RecordError(png_structp png, png_const_charp msg) {
    if (auto* sink = static_cast<ErrorSink*>(png_get_error_ptr(png)))
        sink->message = msg ? msg : "PNG error";
    png_longjmp(png, 1);
}

struct MemoryReader {
    const uint8_t* data;
    size_t size;
    size_t pos;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t length) {
    auto* r = static_cast<MemoryReader*>(png_get_io_ptr(png));
    if (length > r->size - r->pos)
        png_error(png, Tr("the file ends early"));
    std::memcpy(out, r->data + r->pos, length);
    r->pos += length;
}

// Filters for screen pictures, measured on desktop content (text, flat areas, photographs):
// with these three libpng's per-row choice gives files as small as with all five filters in
// less time; leaving out SUB costs more size than it saves time.
constexpr int kDefaultRgbFilters = PNG_FILTER_SUB | PNG_FILTER_UP | PNG_FILTER_PAETH;

// The deflate strategy for true-colour screen pictures: runs only (distance-one matches).
// Measured on a 1920 x 1080 desktop with two threads, it deflates in well under half the
// time of the default strategy; files grow by about 2% on flat and text-heavy screens and
// by about 13% where a photograph fills much of the screen.
constexpr int kDefaultRgbStrategy = Z_RLE;

} // namespace

namespace {

// What the PNG writer needs, prepared before libpng is called.
struct PngJob {
    const MemBm& picture;
    const PngOptions& options;
    std::vector<uint32_t> colors; // the palette when paletted
    bool paletted = false;
    ColorTable table;
    std::vector<uint8_t> row;
    detail::ZlibPieces compressed; // the image data made beforehand, or empty
};

// Kept apart from EncodePng: after a longjmp nothing here is used again.
bool WritePng(png_structp png, png_infop info, std::FILE* out, PngJob& job) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    const int32_t w = job.picture.width();
    const int32_t h = job.picture.height();
    const PngOptions& options = job.options;
    png_init_io(png, out);
    png_set_compression_level(png, options.zlibLevel);
    png_set_compression_buffer_size(png, 256 * 1024);
    png_set_compression_mem_level(png, options.memLevel);
    if (options.strategy >= 0)
        png_set_compression_strategy(png, options.strategy);
    else if (!job.paletted)
        png_set_compression_strategy(png, kDefaultRgbStrategy);
    if (job.paletted) {
        png_set_IHDR(png, info, w, h, 8, PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_color plte[256];
        for (size_t i = 0; i < job.colors.size(); ++i) {
            plte[i].red = job.colors[i] & 0xFF;
            plte[i].green = (job.colors[i] >> 8) & 0xFF;
            plte[i].blue = (job.colors[i] >> 16) & 0xFF;
        }
        png_set_PLTE(png, info, plte, static_cast<int>(job.colors.size()));
        png_set_filter(png, PNG_FILTER_TYPE_BASE,
                       options.filters >= 0 ? options.filters : PNG_FILTER_NONE);
    } else {
        png_set_IHDR(png, info, w, h, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_set_filter(png, PNG_FILTER_TYPE_BASE,
                       options.filters >= 0 ? options.filters : kDefaultRgbFilters);
    }
    png_write_info(png, info);
    if (!job.compressed.empty()) {
        // The image data was compressed beforehand: IDAT chunks of up to 1 MB, each filled
        // from the pieces in turn, then IEND.
        static const png_byte idat[5] = {'I', 'D', 'A', 'T', '\0'};
        static const png_byte iend[5] = {'I', 'E', 'N', 'D', '\0'};
        constexpr size_t kChunk = 1 << 20;
        const detail::ZlibPieces& pieces = job.compressed;
        size_t piece = 0, at = 0;
        for (size_t left = pieces.total; left > 0;) {
            const size_t chunk = std::min(kChunk, left);
            png_write_chunk_start(png, idat, static_cast<png_uint_32>(chunk));
            for (size_t need = chunk; need > 0;) {
                const size_t n = std::min(need, pieces.sizes[piece] - at);
                png_write_chunk_data(png, pieces.data[piece].get() + at, n);
                at += n;
                need -= n;
                if (at == pieces.sizes[piece]) {
                    ++piece;
                    at = 0;
                }
            }
            png_write_chunk_end(png);
            left -= chunk;
        }
        png_write_chunk(png, iend, nullptr, 0);
        return true;
    }
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t* s = job.picture.pixelAddress(0, y);
        uint8_t* d = job.row.data();
        if (job.paletted) {
            for (int32_t x = 0; x < w; ++x, s += 4)
                *d++ = job.table.indexOf(s[2] | (s[1] << 8) | (s[0] << 16));
        } else {
            for (int32_t x = 0; x < w; ++x, s += 4, d += 3) {
                d[0] = s[2];
                d[1] = s[1];
                d[2] = s[0];
            }
        }
        png_write_row(png, job.row.data());
    }
    png_write_end(png, info);
    return true;
}

} // namespace

bool EncodePng(const MemBm& picture, std::FILE* out, const PngOptions& options) {
    if (picture.empty() || !out)
        return false;
    PngJob job{picture, options, {}, false, {}, {}, {}};
    // A picture of few colours is written with a palette, one byte a pixel.
    job.paletted =
        options.palette && CountColors(picture, 256, &job.colors) <= 256 && !job.colors.empty();
    if (job.paletted)
        job.table.assign(job.colors);
    job.row.resize(static_cast<size_t>(picture.width()) * 3);
    int bands = options.threads;
    if (bands <= 0)
        bands = std::thread::hardware_concurrency() >= 2 ? 2 : 1;
    // The zlib stream of the bands is collected in memory: up to 2 GB of filtered data.
    const uint64_t filteredBytes =
        (static_cast<uint64_t>(picture.width()) * 3 + 1) * static_cast<uint64_t>(picture.height());
    if (!job.paletted && bands > 1 && picture.height() >= 64 && filteredBytes <= 0x7FFFFFFF &&
        !detail::CompressRgbParallel(picture, options, kDefaultRgbStrategy,
                                     options.filters >= 0 ? options.filters : kDefaultRgbFilters,
                                     bands, job.compressed))
        return false;

    ErrorSink sink;
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, &sink, RecordError, SilentWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    const bool ok = WritePng(png, info, out, job);
    png_destroy_write_struct(&png, &info);
    return ok && std::fflush(out) == 0 && !std::ferror(out);
}

namespace detail {

namespace {

// Kept apart from DecodePng so that everything touched after setjmp lives in the caller's
// frame and is reached through references (a longjmp leaves no stale register copies).
bool ReadPng(png_structp png, png_infop info, std::unique_ptr<MemBm>& picture,
             std::vector<png_bytep>& rows, bool& alpha) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_user_limits(png, kMaxSide, kMaxSide);
    png_read_info(png, info);
    const png_uint_32 w = png_get_image_width(png, info);
    const png_uint_32 h = png_get_image_height(png, info);
    const int colorType = png_get_color_type(png, info);
    if (int64_t{w} * h > kMaxPixels)
        png_error(png, Tr("too large"));
    png_set_expand(png);
    png_set_strip_16(png);
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(png);
    png_set_bgr(png);
    alpha = (colorType & PNG_COLOR_MASK_ALPHA) || png_get_valid(png, info, PNG_INFO_tRNS);
    if (!alpha)
        png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != static_cast<size_t>(w) * 4)
        png_error(png, Tr("unexpected row layout"));
    picture = std::make_unique<MemBm>(static_cast<int32_t>(w), static_cast<int32_t>(h));
    if (picture->empty())
        png_error(png, Tr("empty picture"));
    rows.resize(h);
    for (png_uint_32 y = 0; y < h; ++y)
        rows[y] = picture->pixelAddress(0, static_cast<int32_t>(y));
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    return true;
}

} // namespace

std::unique_ptr<MemBm> DecodePng(const uint8_t* data, size_t size, std::string* error) {
    ErrorSink sink;
    MemoryReader reader{data, size, 0};
    png_structp png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, &sink, RecordError, SilentWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        if (error)
            *error = Tr("out of memory");
        return nullptr;
    }
    png_set_read_fn(png, &reader, ReadFromMemory);
    std::unique_ptr<MemBm> picture;
    std::vector<png_bytep> rows;
    bool alpha = false;
    const bool ok = ReadPng(png, info, picture, rows, alpha);
    png_destroy_read_struct(&png, &info, nullptr);
    if (!ok) {
        if (error)
            *error = FormatText(Tr("not a readable PNG picture: %s"), sink.message.c_str());
        return nullptr;
    }
    if (alpha) {
        // Blend over white for display.
        uint8_t* p = picture->bits();
        for (size_t i = 0; i < picture->sizeBytes(); i += 4, p += 4) {
            const unsigned a = p[3];
            for (int c = 0; c < 3; ++c)
                p[c] = static_cast<uint8_t>((p[c] * a + 255 * (255 - a) + 127) / 255);
            p[3] = 0;
        }
    }
    return picture;
}

} // namespace detail
} // namespace tess::image
