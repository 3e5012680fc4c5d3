// The GIF loader on arbitrary bytes: a picture within the size limits or an error text; and
// the reader of an animation's frames: each frame a picture within the limits, or an error.
#include "fuzz/FuzzTarget.h"
#include "fuzz/PictureCheck.h"
#include "media/image/ImageCodec.h"

TESS_FUZZ_TARGET(gif) {
    std::string error;
    auto picture = tess::image::detail::DecodeGif(data, size, &error);
    tess::fuzz::CheckDecoded(picture.get(), error);
    error.clear();
    const auto frames = tess::image::detail::DecodeGifFrames(data, size, &error);
    if (frames.empty())
        tess::fuzz::CheckDecoded(nullptr, error);
    for (const auto& frame : frames)
        tess::fuzz::CheckDecoded(frame.picture.get(), error);
    return 0;
}
