// Pictures whose few bytes ask for a huge picture are refused at once instead of being drawn
// as hundreds of megabytes of background (inputs found by fuzzing, kept in fuzz/regressions).
#include <gtest/gtest.h>

#include <string>

#include "media/image/ImageCodec.h"

namespace tess {
namespace {

TEST(DecoderLimits, TinyCompressedDataForAHugePictureIsRefused) {
    const std::string dir = std::string(TESS_SOURCE_DIR) + "/fuzz/regressions/";
    for (const char* name :
         {"bmp/rle-tiny-data-huge-picture.bmp", "gif/tiny-data-huge-screen.gif"}) {
        std::string error;
        auto picture = image::LoadImageFile(dir + name, image::ImageType::Unknown, &error);
        EXPECT_EQ(picture, nullptr) << name;
        EXPECT_NE(error.find("far too short"), std::string::npos) << name << ": " << error;
    }
}

} // namespace
} // namespace tess
