// The mark-up's drawing and redaction, checked on the pixels of the saved picture.
#include <cairo.h>
#include <cmath>
#include <fstream>
#include <gtest/gtest.h>
#include <pango/pangocairo.h>
#include <random>
#include <set>

#include "media/MemBm.h"
#include "media/WriteImageFile.h"
#include "media/annotate/Gesture.h"
#include "media/annotate/Render.h"
#include "media/annotate/ViewLayers.h"
#include "media/annotate/ViewTransform.h"
#include "support/TestSupport.h"

namespace tess::annotate {
namespace {

constexpr uint32_t kRed = 0x0000FF, kWhite = 0xFFFFFF, kYellow = 0x00FFFF;

MemBm Random(int w, int h, uint32_t seed) {
    MemBm bm(w, h);
    std::mt19937 rng(seed);
    for (size_t i = 0; i < bm.sizeBytes(); ++i)
        bm.bits()[i] = i % 4 == 3 ? 0 : uint8_t(rng());
    return bm;
}

MemBm Plain(int w, int h, uint32_t color) {
    MemBm bm(w, h);
    bm.fill(color);
    return bm;
}

// The colour bytes of a picture (the fourth byte of each pixel is not part of it).
std::vector<uint8_t> Colours(const MemBm& bm) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i < bm.sizeBytes(); ++i)
        if (i % 4 != 3)
            out.push_back(bm.bits()[i]);
    return out;
}

std::vector<char> FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The smallest rectangle holding every pixel that differs between two pictures.
RectI Changed(const MemBm& a, const MemBm& b) {
    RectI r;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.colorAt(x, y) != b.colorAt(x, y))
                r = Union(r, RectI{x, y, 1, 1});
    return r;
}

Redact Box(int x, int y, int w, int h, RedactStyle style) {
    return Redact{{x, y, w, h}, style, 0x203040};
}

// A redaction drawn with the tool through a view zoomed to 0.37, between two view points.
Redact DrawnAtZoom(PointF a, PointF b, RedactStyle style) {
    History history;
    ToolOptions options;
    options.tool = Tool::Redact;
    options.redactStyle = style;
    Gesture g(history, 160, 120, options);
    ViewTransform view = ViewTransform::At(0.37, {0, 0, 160, 120}, 0, 0, 1); // at (0, 0)
    g.press(view.toPicture(a), {});
    g.release(view.toPicture(b), {});
    EXPECT_EQ(history.current().items.size(), 1u);
    return std::get<Redact>(history.current().items.at(0));
}

TEST(AnnotateRedact, SolidBoxIsExactInsideAndLeavesEveryOtherPixel) {
    MemBm original = Random(64, 48, 1);
    Document doc;
    doc.items.push_back(Redact{{10, 10, 30, 20}, RedactStyle::Solid, 0x123456});
    auto out = RenderForSave(original, doc);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) {
            bool inside = x >= 10 && x < 40 && y >= 10 && y < 30;
            ASSERT_EQ(out->colorAt(x, y), inside ? 0x123456u : original.colorAt(x, y))
                << x << "," << y;
        }
    // A marker over the box multiplies the fill, not what the box hides.
    doc.items.push_back(Marker{{5, 5, 20, 10}, kYellow});
    EXPECT_EQ(RenderForSave(original, doc)->colorAt(12, 12), 0x003456u);
}

// Two pictures equal outside the boxes and independently random inside give the same
// picture and the same file bytes in every format.
TEST(AnnotateRedact, NothingInsideTheBoxesReachesThePictureOrTheFiles) {
    test::TempDir dir;
    const int w = 160, h = 120;
    for (RedactStyle style : {RedactStyle::Solid, RedactStyle::Mosaic}) {
        std::vector<std::vector<Item>> cases = {
            {Box(50, 40, 50, 35, style)},
            {Box(0, 30, 25, 40, style)},
            {Box(w - 25, 30, 25, 40, style)},
            {Box(40, 0, 50, 22, style)},
            {Box(40, h - 22, 50, 22, style)},
            {Box(0, 0, w, 30, style)}, // a whole band: the top side is the picture edge
            {DrawnAtZoom({19.3, 15.1}, {36.05, 30.31}, style)},
            {Box(30, 30, 30, 30, style), Box(60, 30, 30, 30, style)}, // sharing an edge
            {Box(30, 30, 40, 30, style), Box(50, 45, 40, 30, style)}, // overlapping
            {Box(50, 45, 40, 30, style), Box(30, 30, 40, 30, style)},
            // A marker and an arrow across the box compose over the redacted pixels.
            {Box(50, 40, 50, 35, style), Marker{{40, 50, 80, 15}, kYellow},
             Arrow{{20, 20}, {120, 90}, {kRed, 4}}},
        };
        int n = 0;
        for (const auto& items : cases) {
            SCOPED_TRACE(testing::Message() << "style " << int(style) << " case " << n);
            Document doc;
            doc.items = items;
            MemBm a = Random(w, h, 7), b = a, secret = Random(w, h, 99 + n);
            for (const Item& item : items)
                if (auto* r = std::get_if<Redact>(&item))
                    for (int y = r->r.y; y < r->r.bottom(); ++y)
                        std::copy_n(secret.pixelAddress(r->r.x, y), r->r.w * 4,
                                    b.pixelAddress(r->r.x, y));
            ASSERT_NE(Colours(a), Colours(b));
            auto ra = RenderForSave(a, doc), rb = RenderForSave(b, doc);
            ASSERT_EQ(Colours(*ra), Colours(*rb));
            // Equal pixels give equal files when the encoders are deterministic: checked
            // on the boxes made through the zoom and under the other items.
            if (n != 6 && n != 10) {
                ++n;
                continue;
            }
            for (ImageFormat f :
                 {ImageFormat::kPng, ImageFormat::kBmp, ImageFormat::kGif, ImageFormat::kJpeg}) {
                std::string pa =
                                dir.str() + "/a" + std::to_string(n) + "." + std::to_string(int(f)),
                            pb =
                                dir.str() + "/b" + std::to_string(n) + "." + std::to_string(int(f));
                ASSERT_EQ(WriteImageFile(*ra, f, pa, 90, true), 0);
                ASSERT_EQ(WriteImageFile(*rb, f, pb, 90, true), 0);
                EXPECT_EQ(FileBytes(pa), FileBytes(pb)) << "format " << int(f);
            }
            ++n;
        }
    }
}

TEST(AnnotateRedact, MosaicIsBlockyRepeatableAndColouredFromItsSurroundings) {
    // A flat surrounding: every block is that colour give or take the fixed noise, whatever
    // lies inside.
    MemBm original = Random(120, 100, 3);
    const uint32_t around = 0x406080;
    RectI box{20, 15, 75, 45};
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 120; ++x)
            if (!box.contains(x, y))
                *reinterpret_cast<uint32_t*>(original.pixelAddress(x, y)) = 0x806040;
    Document doc;
    doc.items.push_back(Redact{box, RedactStyle::Mosaic, 0});
    auto once = RenderForSave(original, doc), again = RenderForSave(original, doc);
    EXPECT_EQ(Colours(*once), Colours(*again));
    const int k = MosaicBlockSize(box);
    EXPECT_EQ(k, 15);
    std::set<uint32_t> blockColours;
    for (int y = box.y; y < box.bottom(); ++y)
        for (int x = box.x; x < box.right(); ++x) {
            uint32_t c = once->colorAt(x, y);
            int bx = box.x + (x - box.x) / k * k, by = box.y + (y - box.y) / k * k;
            ASSERT_EQ(c, once->colorAt(bx, by)) << "block not uniform at " << x << "," << y;
            for (int shift : {0, 8, 16})
                ASSERT_LE(std::abs(int((c >> shift) & 0xFF) - int((around >> shift) & 0xFF)), 12);
            blockColours.insert(c);
        }
    EXPECT_GT(blockColours.size(), 3u); // the noise differs from block to block

    // White below the box, and above it black on the left, white on the right: each block
    // takes the colours of the ring beside it.
    for (int x = box.x - 1; x <= box.right(); ++x) {
        std::fill_n(original.pixelAddress(x, box.y - 1), 3, x < box.x + box.w / 2 ? 0 : 255);
        std::fill_n(original.pixelAddress(x, box.bottom()), 3, 255);
    }
    auto shaded = RenderForSave(original, doc);
    EXPECT_LT(shaded->colorAt(box.x + k, box.y) & 0xFF, 0x80 - 24);
    EXPECT_GT(shaded->colorAt(box.right() - 1, box.y) & 0xFF, 0x80 + 24);
    EXPECT_GT(shaded->colorAt(box.x + k, box.bottom() - 1) & 0xFF, 0x80 + 24);
}

TEST(AnnotateRedact, LayersRecomputeOnlyChangedBoxesYetMatchAFullRedaction) {
    MemBm original = Random(90, 70, 5);
    ViewLayers layers(original);
    Document doc;
    std::mt19937 rng(11);
    for (int step = 0; step < 60; ++step) {
        int op = int(rng() % 3);
        if (op == 0 || doc.items.empty()) {
            // On a 5-pixel grid, so boxes often touch or overlap.
            doc.items.push_back(Redact{{int(rng() % 18) * 5 - 5, int(rng() % 14) * 5 - 5,
                                        int(rng() % 6) * 5 + 5, int(rng() % 6) * 5 + 5},
                                       RedactStyle(rng() % 2),
                                       uint32_t(rng() & 0xFFFFFF)});
        } else if (op == 1) {
            doc.items.erase(doc.items.begin() + rng() % doc.items.size());
        } else {
            doc.items[rng() % doc.items.size()] =
                Moved(doc.items[rng() % doc.items.size()], int(rng() % 9) - 4, int(rng() % 9) - 4);
        }
        layers.setDocument(doc);
        MemBm full = original;
        ApplyRedactions(full, doc.items);
        ASSERT_EQ(Colours(layers.redacted()), Colours(full)) << "after step " << step;
    }
}

TEST(AnnotateShapes, ArrowTipMeetsItsEndAndNothingPassesIt) {
    for (auto [from, to] : {std::pair{PointF{10.5, 30.5}, PointF{80.5, 30.5}},
                            std::pair{PointF{70.2, 55.7}, PointF{15.1, 8.3}}}) {
        MemBm white = Plain(100, 64, kWhite);
        Document doc;
        doc.items.push_back(Arrow{from, to, {kRed, 5}});
        auto out = RenderForSave(white, doc);
        double len = std::hypot(to.x - from.x, to.y - from.y);
        double ux = (to.x - from.x) / len, uy = (to.y - from.y) / len;
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 100; ++x)
                if (out->colorAt(x, y) != kWhite) { // pixel centre's distance past the tip
                    ASSERT_LE((x + 0.5 - to.x) * ux + (y + 0.5 - to.y) * uy, 1.0) << x << "," << y;
                }
        int tx = int(to.x - ux), ty = int(to.y - uy); // the pixel just inside the tip
        EXPECT_NE(out->colorAt(tx, ty), kWhite);
        EXPECT_EQ(out->colorAt(int(from.x + 10 * ux), int(from.y + 10 * uy)), kRed); // shaft
    }
}

TEST(AnnotateShapes, MarkerMultipliesBoxBandAndEllipseStayInPlace) {
    MemBm half = Plain(100, 80, kWhite);
    for (int y = 0; y < 80; ++y)
        for (int x = 50; x < 100; ++x)
            std::fill_n(half.pixelAddress(x, y), 4, 0);
    Document doc;
    doc.items.push_back(Marker{{20, 10, 60, 20}, kYellow});
    auto marked = RenderForSave(half, doc);
    EXPECT_EQ(marked->colorAt(30, 20), kYellow); // white takes the marker's colour
    EXPECT_EQ(marked->colorAt(70, 20), 0u);      // black stays black

    // A rectangle's band: full colour in its middle, nothing farther than w/2 + 1 away.
    MemBm white = Plain(100, 80, kWhite);
    const RectF r{20, 20, 60, 40};
    const float width = 6;
    doc.items = {annotate::Box{r, {kRed, width}, false}, Oval{{30, 30, 40, 20}, {kRed, 2}}};
    auto boxed = RenderForSave(white, doc);
    EXPECT_EQ(boxed->colorAt(20, 40), kRed);
    EXPECT_EQ(boxed->colorAt(50, 60), kRed);
    EXPECT_EQ(boxed->colorAt(50, 40), kWhite); // the ellipse's centre
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 100; ++x) {
            double px = x + 0.5, py = y + 0.5;
            double dx = std::max({r.x - px, 0.0, px - r.right()});
            double dy = std::max({r.y - py, 0.0, py - r.bottom()});
            double out = std::hypot(dx, dy);
            double in = std::min({px - r.x, r.right() - px, py - r.y, r.bottom() - py});
            double band = out > 0 ? out : in;
            bool nearOval = std::abs(std::hypot((px - 50) / 20, (py - 40) / 10) - 1) < 0.35;
            if (band > width / 2 + 1 && !nearOval) {
                ASSERT_EQ(boxed->colorAt(x, y), kWhite) << x << "," << y;
            }
        }
}

// The pixels of `r` in a picture.
std::vector<uint32_t> Patch(const MemBm& bm, const RectI& r) {
    std::vector<uint32_t> out;
    for (int y = r.y; y < r.bottom(); ++y)
        for (int x = r.x; x < r.right(); ++x)
            out.push_back(bm.colorAt(x, y));
    return out;
}

TEST(AnnotateShapes, StepNumbersFollowTheOrderThroughDeleteUndoAndAStartValue) {
    MemBm white = Plain(200, 60, kWhite);
    Document start; // an item that is no step comes first
    start.items.push_back(Line{{2, 57}, {12, 57}, {kRed, 2}});
    History history(start);
    Gesture g(history, 200, 60, ToolOptions{.tool = Tool::Step});
    for (double x : {30.0, 100.0, 170.0}) {
        g.press({x, 30}, {});
        g.release({x, 30}, {});
    }
    ASSERT_EQ(history.current().items.size(), 4u);
    const RectI third = OutwardPixels(Bounds(history.current().items[3]));
    auto three = Patch(*RenderForSave(white, history.current()), third);

    g.setTool(Tool::Select);
    g.press({100, 30}, {});
    g.release({100, 30}, {});
    g.deleteSelected();
    Document fresh; // a single bubble numbered 2 at the third one's place
    fresh.firstStep = 2;
    fresh.items.push_back(history.current().items[2]);
    auto two = Patch(*RenderForSave(white, history.current()), third);
    EXPECT_EQ(two, Patch(*RenderForSave(white, fresh), third));
    EXPECT_NE(two, three);
    g.undo();
    EXPECT_EQ(Patch(*RenderForSave(white, history.current()), third), three);

    g.setFirstStep(4);
    for (size_t i = 1; i < 4; ++i)
        EXPECT_EQ(StepNumber(history.current(), i), 3 + int(i));
}

// The ink of a text rendered at `zoom`, in picture pixels.
RectF InkAtZoom(const Text& t, double zoom) {
    int w = int(std::ceil(300 * zoom)), h = int(std::ceil(160 * zoom));
    MemBm bm = Plain(w, h, kWhite), blank = bm;
    cairo_surface_t* s = bm.createCairoSurface();
    cairo_t* cr = cairo_create(s);
    cairo_scale(cr, zoom, zoom);
    DrawItem(cr, t);
    cairo_destroy(cr);
    cairo_surface_destroy(s);
    RectI ink = Changed(bm, blank);
    return {ink.x / zoom, ink.y / zoom, ink.w / zoom, ink.h / zoom};
}

TEST(AnnotateText, InkStaysInBoundsAndKeepsItsPlaceAtEveryZoom) {
    Text t{{20.3, 15.6}, "Mark-up Wgy\nsecond line", 0x202020, 26, false};
    RectF saved = InkAtZoom(t, 1);
    ASSERT_FALSE(saved.empty());
    RectF bounds = Bounds(t);
    EXPECT_GE(saved.x, bounds.x);
    EXPECT_GE(saved.y, bounds.y);
    EXPECT_LE(saved.right(), bounds.right());
    EXPECT_LE(saved.bottom(), bounds.bottom());
    for (double zoom : {0.5, 2.0}) {
        RectF r = InkAtZoom(t, zoom);
        const double px = std::max(1.0, 1 / zoom); // one pixel of the view or of the picture
        EXPECT_NEAR(r.x, saved.x, px) << zoom;
        EXPECT_NEAR(r.y, saved.y, px) << zoom;
        EXPECT_NEAR(r.right(), saved.right(), px) << zoom;
        EXPECT_NEAR(r.bottom(), saved.bottom(), px) << zoom;
    }
    // A line break typed in the text gives a second line of the same height.
    Text one = t;
    one.utf8 = "Mark-up Wgy";
    PangoLayout* layout = CreateTextLayout(nullptr, t);
    EXPECT_EQ(pango_layout_get_line_count(layout), 2);
    g_object_unref(layout);
    EXPECT_NEAR(MeasureText(t).h, 2 * MeasureText(one).h, 2);
    t.backdrop = true;
    EXPECT_NEAR(Bounds(t).h, bounds.h + 2 * BackdropPadding(t), 0.01);
}

TEST(AnnotateSize, SavedPictureIsTheCropWithItsItemsAndOnePicturePixelPerDevicePixel) {
    MemBm original = Random(80, 60, 9);
    History history;
    Document doc;
    doc.items.push_back(annotate::Box{{30, 20, 10, 10}, {kRed, 2}, true});
    history.commit(doc);
    doc.crop = RectI{25, 15, 40, 30};
    history.commit(doc);
    auto cropped = RenderForSave(original, history.current());
    ASSERT_EQ(cropped->width(), 40);
    ASSERT_EQ(cropped->height(), 30);
    EXPECT_EQ(cropped->colorAt(0, 0), original.colorAt(25, 15));
    EXPECT_EQ(cropped->colorAt(39, 29), original.colorAt(64, 44));
    EXPECT_EQ(cropped->colorAt(5 + 4, 5 + 4), kRed); // the box at (30, 20) moved with it
    history.undo();
    EXPECT_EQ(RenderForSave(original, history.current())->width(), 80);

    // At zoom 1 and a device scale of 2 the committed layer holds the picture's pixels as
    // they are, each on one device pixel.
    ViewLayers layers(original);
    layers.setDocument({});
    for (double odd : {0, 1}) {
        const double s = 2 - odd;
        ViewTransform view = ViewTransform::Fit({0, 0, 80, 60}, 100 + odd, 100 + odd, s);
        EXPECT_EQ(view.zoom, 1);
        EXPECT_EQ(view.offset.x * s, std::round(view.offset.x * s)); // on a device pixel
        EXPECT_EQ(view.offset.y * s, std::round(view.offset.y * s));
        layers.setView(view, 100 + odd, 100 + odd);
        ASSERT_TRUE(layers.update());
        cairo_surface_t* l1 = layers.committed();
        ASSERT_EQ(cairo_image_surface_get_width(l1), int(s * (100 + odd)));
        const uint8_t* data = cairo_image_surface_get_data(l1);
        int stride = cairo_image_surface_get_stride(l1);
        int ox = int(view.offset.x * s), oy = int(view.offset.y * s);
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 80; ++x) {
                const uint8_t* p = data + (oy + y) * stride + (ox + x) * 4;
                ASSERT_EQ(uint32_t(p[2] | p[1] << 8 | p[0] << 16), original.colorAt(x, y));
            }
    }
}

} // namespace
} // namespace tess::annotate
