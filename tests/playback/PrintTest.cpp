// Printing a picture: one page, the picture filling the page's width (or height) with its
// proportions kept, small and large pictures alike; read back from the PDF by pdftoppm.
#include "media/MemBm.h"
#include "media/WriteImageFile.h"
#include "media/image/ImageCodec.h"
#include "print/TPrintFile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
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
            if (p[0] > 200 && p[1] > 200 && p[2] > 200)
                continue;
            if (e.left < 0 || x < e.left)
                e.left = x;
            if (x > e.right)
                e.right = x;
            if (e.top < 0)
                e.top = y;
            e.bottom = y;
        }
    return e;
}

TEST(Print, APictureFillsThePageWidthWithItsProportions) {
    if (!wxTheApp || !test::HaveProgram("pdftoppm"))
        GTEST_SKIP() << "needs the toolkit and pdftoppm";
    test::TempDir dir;
    for (auto [w, h] : {std::pair{100, 50}, std::pair{1920, 1080}}) {
        MemBm pic(w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                uint8_t* p = pic.pixelAddress(x, y);
                p[0] = 200, p[1] = 40, p[2] = 20; // a dark blue
            }
        const std::string png = dir.str() + "/p" + std::to_string(w) + ".png";
        ASSERT_EQ(WriteImageFile(pic, 0, png, -1), 0);
        TPrintFile printout("foo", png);
        int minPage = 0, maxPage = 0, from = 0, to = 0;
        printout.GetPageInfo(&minPage, &maxPage, &from, &to);
        EXPECT_EQ(minPage + maxPage + from + to, 4); // page 1 only
        EXPECT_TRUE(printout.HasPage(1));
        EXPECT_FALSE(printout.HasPage(2));

        const std::string pdf = dir.str() + "/p" + std::to_string(w) + ".pdf";
        std::string error;
        ASSERT_TRUE(PrintToPdf(printout, pdf, 595, 842, &error)) << error; // A4
        EXPECT_TRUE(printout.fitToPage());
        ASSERT_EQ(test::RunCommand("pdftoppm -r 72 -png -singlefile '" + pdf + "' '" + dir.str() +
                                   "/page'"),
                  0);
        auto page = image::LoadImageFile(dir.str() + "/page.png");
        ASSERT_TRUE(page);
        EXPECT_EQ(page->width(), 595);
        Extent e = InkExtent(*page);
        EXPECT_LE(e.left, 1) << w;
        EXPECT_GE(e.right, 593) << w;
        EXPECT_LE(e.top, 1) << w;
        const double height = 595.0 * h / w;
        EXPECT_NEAR(e.bottom + 1, height, 3) << w;
    }
}

TEST(Print, APictureThatCannotBeReadPrintsAnEmptyPage) {
    if (!wxTheApp || !test::HaveProgram("pdftoppm"))
        GTEST_SKIP() << "needs the toolkit and pdftoppm";
    test::TempDir dir;
    TPrintFile printout("foo", dir.str() + "/missing.png");
    const std::string pdf = dir.str() + "/empty.pdf";
    ASSERT_TRUE(PrintToPdf(printout, pdf, 595, 842));
    ASSERT_EQ(
        test::RunCommand("pdftoppm -r 36 -png -singlefile '" + pdf + "' '" + dir.str() + "/page'"),
        0);
    auto page = image::LoadImageFile(dir.str() + "/page.png");
    ASSERT_TRUE(page);
    EXPECT_EQ(InkExtent(*page).left, -1);
    // A place that cannot be written is an error, not a silent success.
    EXPECT_FALSE(PrintToPdf(printout, "/proc/none/x.pdf", 595, 842));
}

} // namespace
} // namespace tess
