#include "media/MediaFile.h"

#include <gtest/gtest.h>

namespace tess {
namespace {

class ValidFile : public MediaFile {
public:
    using MediaFile::MediaFile;
    bool IsValid() const override { return true; }
};

TEST(MediaFile, DisplayNameIsTheLastPathComponentOrEmptyWhenInvalid) {
    EXPECT_EQ(ValidFile("/tmp/caps/Tess_1.wmv").GetDisplayName(), "Tess_1.wmv");
    EXPECT_EQ(ValidFile("Tess.wmv").GetDisplayName(), "Tess.wmv");
    EXPECT_EQ(MediaFile("/tmp/caps/Tess_1.wmv").GetDisplayName(), "");
    EXPECT_EQ(MediaFile("/tmp/x.wmv").GetFileName(), "/tmp/x.wmv");
}

} // namespace
} // namespace tess
