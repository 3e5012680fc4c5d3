// Printing a picture, read back from the PDF by pdftoppm; reducing a picture for the screen.
#include "media/MemBm.h"
#include "media/WriteImageFile.h"
#include "media/image/ImageCodec.h"
#include "print/PictureImage.h"
#include "print/TPrintFile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <memory>
#include <wx/app.h>

namespace tess {
namespace {

// The extent of the non-white pixels of a rendered page: columns and rows.
struct Extent {
    int left = -1, right = -1, top = -1, bottom = -1;
};
Extent InkExtent(const MemBm& page) {
    Extent e;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x) {
            const uint8_t* p = page.pixelAddress(x, y);
            if (p[0] <= 200 || p[1] <= 200 || p[2] <= 200) {
                e.left = e.left < 0 ? x : std::min(e.left, x);
                e.right = std::max(e.right, x);
                e.top = e.top < 0 ? y : e.top;
                e.bottom = y;
            }
        }
    return e;
}

// The first page of `pdf` rendered by pdftoppm at `dpi`.
std::unique_ptr<MemBm> Render(const std::string& pdf, int dpi) {
    const std::string png = pdf + "-page";
    if (test::RunCommand("pdftoppm -r " + std::to_string(dpi) + " -png -singlefile '" + pdf +
                         "' '" + png + "'") != 0)
        return nullptr;
    return image::LoadImageFile(png + ".png");
}

TEST(Print, APictureFillsThePageWidthWithItsProportions) {
    if (!wxTheApp || !test::HaveProgram("pdftoppm"))
        GTEST_SKIP() << "needs the toolkit and pdftoppm";
    test::TempDir dir;
    for (auto [w, h] : {std::pair{100, 50}, std::pair{1920, 1080}}) {
        MemBm pic(w, h);
        pic.fill(0xC82814); // a dark blue
        const std::string png = dir.str() + "/p" + std::to_string(w) + ".png";
        ASSERT_EQ(WriteImageFile(pic, ImageFormat::kPng, png, -1), 0);
        TPrintFile printout("foo", png);
        int minPage = 0, maxPage = 0, from = 0, to = 0;
        printout.GetPageInfo(&minPage, &maxPage, &from, &to);
        EXPECT_EQ(minPage + maxPage + from + to, 4); // page 1 only
        EXPECT_TRUE(printout.HasPage(1));
        EXPECT_FALSE(printout.HasPage(2));

        std::string error;
        ASSERT_TRUE(PrintToPdf(printout, png + ".pdf", 595, 842, &error)) << error; // A4
        EXPECT_TRUE(printout.fitToPage());
        auto page = Render(png + ".pdf", 72);
        ASSERT_TRUE(page);
        EXPECT_EQ(page->width(), 595);
        Extent e = InkExtent(*page);
        EXPECT_LE(e.left, 1) << w;
        EXPECT_GE(e.right, 593) << w;
        EXPECT_LE(e.top, 1) << w;
        EXPECT_NEAR(e.bottom + 1, 595.0 * h / w, 3) << w;
    }
    // A picture that cannot be read prints an empty page; a place that cannot be written is
    // an error, not a silent success.
    TPrintFile missing("foo", dir.str() + "/missing.png");
    ASSERT_TRUE(PrintToPdf(missing, dir.str() + "/empty.pdf", 595, 842));
    auto page = Render(dir.str() + "/empty.pdf", 36);
    ASSERT_TRUE(page);
    EXPECT_EQ(InkExtent(*page).left, -1);
    EXPECT_FALSE(PrintToPdf(missing, "/proc/none/x.pdf", 595, 842));
}

// A picture reduced for the screen (halved, then scaled) keeps its areas' colours and places.
TEST(Print, ReducedPicturesKeepTheirColoursAndPlaces) {
    if (!wxTheApp)
        GTEST_SKIP() << "needs the toolkit";
    MemBm pic(401, 300); // an odd width: the last column is dropped by halving
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 401; ++x) {
            uint8_t* p = pic.pixelAddress(x, y);
            p[0] = x < 200 ? 255 : 0;
            p[1] = y < 150 ? 255 : 0;
            p[2] = 60;
            p[3] = 0;
        }
    for (auto [w, h] : {std::pair{100, 75}, std::pair{90, 60}, std::pair{401, 300}}) {
        wxImage img = ScaledPictureBitmap(pic, w, h).ConvertToImage();
        ASSERT_EQ(img.GetWidth(), w);
        ASSERT_EQ(img.GetHeight(), h);
        for (auto [fx, fy] : {std::pair{0.25, 0.25}, std::pair{0.75, 0.25}, std::pair{0.25, 0.75},
                              std::pair{0.75, 0.75}}) {
            const int x = static_cast<int>(fx * w), y = static_cast<int>(fy * h);
            EXPECT_NEAR(img.GetBlue(x, y), fx < 0.5 ? 255 : 0, 2) << w << " " << x << "," << y;
            EXPECT_NEAR(img.GetGreen(x, y), fy < 0.5 ? 255 : 0, 2) << w << " " << x << "," << y;
            EXPECT_NEAR(img.GetRed(x, y), 60, 2);
        }
    }
}

} // namespace
} // namespace tess
