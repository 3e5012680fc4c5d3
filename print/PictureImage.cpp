#include "print/PictureImage.h"

#include "media/image/ImageCodec.h"

#include <cstdlib>
#include <cstring>

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

wxBitmap ScaledPictureBitmap(const MemBm& picture, int w, int h) {
    if (w <= 0 || h <= 0)
        return {};
    if (w == picture.width() && h == picture.height())
        return wxBitmap(PictureImage(picture));
    MemBm scaled(w, h);
    if (!image::DrawStretched(picture, scaled, 0, 0, w, h))
        return {};
    return wxBitmap(PictureImage(scaled));
}

} // namespace tess
