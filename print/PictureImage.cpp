#include "print/PictureImage.h"

#include "media/image/ImageCodec.h"

#include <cstdlib>
#include <cstring>
#include <memory>

namespace tess {

wxImage PictureImage(const MemBm& picture) {
    const int w = picture.width(), h = picture.height();
    if (w <= 0 || h <= 0)
        return {};
    auto* rgb = static_cast<unsigned char*>(std::malloc(static_cast<size_t>(w) * h * 3));
    if (!rgb)
        return {};
    unsigned char* out = rgb;
    for (int y = 0; y < h; ++y) {
        const uint8_t* in = picture.pixelAddress(0, y);
        for (int x = 0; x < w; ++x, in += 4, out += 3) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
        }
    }
    return wxImage(w, h, rgb); // takes the memory
}

namespace {

// The picture at half its size, each pixel the mean of four: a fast first step of a large
// reduction, leaving the smooth scaling little to do.
std::unique_ptr<MemBm> Halved(const MemBm& p) {
    auto result = std::make_unique<MemBm>(p.width() / 2, p.height() / 2);
    MemBm& half = *result;
    for (int y = 0; y < half.height(); ++y) {
        const uint8_t* a = p.pixelAddress(0, 2 * y);
        const uint8_t* b = p.pixelAddress(0, 2 * y + 1);
        uint8_t* out = half.pixelAddress(0, y);
        for (int x = 0; x < half.width(); ++x, a += 8, b += 8, out += 4)
            for (int c = 0; c < 4; ++c)
                out[c] = static_cast<uint8_t>((a[c] + a[c + 4] + b[c] + b[c + 4] + 2) / 4);
    }
    return result;
}

} // namespace

wxBitmap ScaledPictureBitmap(const MemBm& picture, int w, int h) {
    if (w <= 0 || h <= 0)
        return {};
    if (w == picture.width() && h == picture.height())
        return wxBitmap(PictureImage(picture));
    const MemBm* source = &picture;
    std::unique_ptr<MemBm> reduced;
    while (source->width() >= 2 * w && source->height() >= 2 * h) {
        auto next = Halved(*source);
        reduced = std::move(next);
        source = reduced.get();
    }
    if (w == source->width() && h == source->height())
        return wxBitmap(PictureImage(*source));
    MemBm scaled(w, h);
    if (!image::DrawStretched(*source, scaled, 0, 0, w, h))
        return {};
    return wxBitmap(PictureImage(scaled));
}

} // namespace tess
