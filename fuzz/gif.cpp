// The GIF loader on arbitrary bytes: a picture within the size limits or an error text.
#include "fuzz/FuzzTarget.h"
#include "fuzz/PictureCheck.h"
#include "media/image/ImageCodec.h"

TESS_FUZZ_TARGET(gif) {
    std::string error;
    auto picture = tess::image::detail::DecodeGif(data, size, &error);
    tess::fuzz::CheckDecoded(picture.get(), error);
    return 0;
}
