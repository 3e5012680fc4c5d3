// Pictures whose few bytes ask for a huge picture, or for one wider than any may be, are
// refused at once instead of being drawn as hundreds of megabytes of background (inputs
// found by fuzzing, kept in fuzz/regressions and replayed by the fuzz_replay test too).
#include <gtest/gtest.h>

#include <string>

#include "media/image/ImageCodec.h"

namespace tess {
namespace {

TEST(DecoderLimits, TinyDataForAHugePictureIsRefusedWithAReason) {
    const std::string dir = std::string(TESS_SOURCE_DIR) + "/fuzz/regressions/";
    for (const char* name :
         {"bmp/rle-tiny-data-huge-picture.bmp", "gif/tiny-data-huge-screen.gif",
          "gif/wider-than-the-side-limit.gif", "jpeg/tiny-data-huge-picture.jpg"}) {
        std::string error;
        auto picture = image::LoadImageFile(dir + name, image::ImageType::Unknown, &error);
        EXPECT_EQ(picture, nullptr) << name;
        EXPECT_FALSE(error.empty()) << name;
    }
}

} // namespace
} // namespace tess
