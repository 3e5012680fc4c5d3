#pragma once
// The picture codec layer: PNG through libpng, JPEG through libjpeg, BMP and GIF written and
// read by the program itself. Encoders write into an open stdio stream; decoders read a
// whole file (or a memory block) into a MemBm. Bad input gives an error text, never a crash.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "media/MemBm.h"

namespace tess::image {

enum class ImageType { Unknown, Png, Bmp, Gif, Jpeg };

// An 8-bit picture: one palette index per pixel, rows top to bottom.
struct IndexedImage {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> palette; // colour values 0x00BBGGRR, at most 256
    std::vector<uint8_t> indices;  // width * height
    bool valid() const {
        return width > 0 && height > 0 && !palette.empty() && palette.size() <= 256 &&
               indices.size() == static_cast<size_t>(width) * height;
    }
};

// libpng settings; the defaults suit screen pictures (flat areas, text, some photographs).
struct PngOptions {
    int zlibLevel = 6;
    int filters = -1;    // PNG_FILTER_* mask; -1 for the program's choice
    bool palette = true; // a picture of at most 256 colours is written with a palette
    int strategy = -1;   // zlib strategy; -1 for libpng's choice
    int memLevel = 8;    // zlib memory level 1..9
    int threads = 0;     // bands compressed at once for true colour; 0: up to 2 by the CPUs
};

bool EncodePng(const MemBm& picture, std::FILE* out, const PngOptions& options = {});
bool EncodeBmp(const MemBm& picture, std::FILE* out);
// quality 1..100 (values outside are clamped).
bool EncodeJpeg(const MemBm& picture, std::FILE* out, int quality);
bool EncodeGif(const IndexedImage& picture, std::FILE* out);

// Number of distinct colours (three bytes each) of the picture, counting no further than
// min(limit, 256) + 1; `palette`, when given, receives them (in order of first appearance)
// when there are no more than that.
size_t CountColors(const MemBm& picture, size_t limit, std::vector<uint32_t>* palette = nullptr);

// Reduces a picture to 8 bits per pixel with a palette chosen from the picture itself. A
// picture of at most 256 colours keeps them exactly; otherwise a median-cut palette with
// Floyd-Steinberg error diffusion (when `errorDiffusion`) or nearest colours.
IndexedImage ReduceTo8Bits(const MemBm& picture, bool errorDiffusion = true);

ImageType DetectImageType(const uint8_t* data, size_t size);
// The type by a file name's extension ("png", "bmp", "gif", "jpg"/"jpeg"), any case.
ImageType TypeFromExtension(const std::string& path);

// Decodes a picture; type Unknown detects it from the data. Null with `error` filled on
// failure. Alpha is blended over white; pictures wider or higher than 32768 pixels, or of
// more than 64 million pixels, are refused; so are JPEG, run-length BMP and GIF pictures far
// larger than their data can fill.
std::unique_ptr<MemBm> DecodeImage(const uint8_t* data, size_t size, ImageType type,
                                   std::string* error = nullptr);
std::unique_ptr<MemBm> LoadImageFile(const std::string& path, ImageType type = ImageType::Unknown,
                                     std::string* error = nullptr);

// Draws the whole of `source` into `target`, smoothly scaled to the rectangle (x, y, w, h)
// (clipped to the target), for display, printing and MemBm::stretchFrom. False when nothing
// could be drawn.
bool DrawStretched(const MemBm& source, MemBm& target, int32_t x, int32_t y, int32_t w, int32_t h);

namespace detail {
std::unique_ptr<MemBm> DecodePng(const uint8_t* data, size_t size, std::string* error);
std::unique_ptr<MemBm> DecodeJpeg(const uint8_t* data, size_t size, std::string* error);
std::unique_ptr<MemBm> DecodeBmp(const uint8_t* data, size_t size, std::string* error);
std::unique_ptr<MemBm> DecodeGif(const uint8_t* data, size_t size, std::string* error);
// Every frame of an animation as it is shown (each image drawn over the ones before as its
// disposal says), with its delay in centiseconds; empty with `error` filled on failure.
struct GifFrame {
    std::unique_ptr<MemBm> picture;
    int delayCs = 0;
};
std::vector<GifFrame> DecodeGifFrames(const uint8_t* data, size_t size, std::string* error);
// Appends one image's LZW data (the code size byte excluded) as GIF sub-blocks and their
// terminator; `count` palette indices, each below 2^minCodeSize (2..8).
void CompressGifLzw(const uint8_t* indices, size_t count, int minCodeSize,
                    std::vector<uint8_t>& out);
constexpr int32_t kMaxSide = 32768;
constexpr int64_t kMaxPixels = int64_t{1} << 26; // 64 million: 256 MB as a MemBm
// Compressed pictures larger than this (a million pixels) must bring data
// enough to fill them.
constexpr int64_t kMaxFreePixels = int64_t{1} << 20;
} // namespace detail

} // namespace tess::image
