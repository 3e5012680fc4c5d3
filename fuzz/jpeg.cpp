// The JPEG loader on arbitrary bytes: a picture within the size limits or an error text.
#include "fuzz/FuzzTarget.h"
#include "fuzz/PictureCheck.h"
#include "media/image/ImageCodec.h"

TESS_FUZZ_TARGET(jpeg) {
    std::string error;
    auto picture = tess::image::detail::DecodeJpeg(data, size, &error);
    tess::fuzz::CheckDecoded(picture.get(), error);
    return 0;
}
