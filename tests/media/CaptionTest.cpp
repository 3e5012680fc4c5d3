#include "media/Caption.h"

#include <cstring>
#include <gtest/gtest.h>
#include <map>
#include <pango/pango.h>
#include <set>
#include <thread>

#include "media/Effects.h"
#include "media/WriteImageFile.h"
#include "settings/Settings.h"

namespace tess {
namespace {

constexpr uint32_t kBlack = 0x000000, kWhite = 0xFFFFFF, kRed = 0x0000FF, kGreen = 0x00FF00;

// A fixed moment: 2008-03-14 15:09:26 local time.
std::time_t Moment(int second = 26) {
    std::tm t{};
    t.tm_year = 108;
    t.tm_mon = 2;
    t.tm_mday = 14;
    t.tm_hour = 15;
    t.tm_min = 9;
    t.tm_sec = second;
    t.tm_isdst = -1;
    return std::mktime(&t);
}

LogFont PixelFont(int px, int weight = 400) {
    LogFont f;
    f.height = -px;
    f.weight = weight;
    f.setFace("DejaVu Sans");
    return f;
}

SCaption Caption(const char* text, int backMode, int align = 1, int vertical = 0,
                 uint32_t textColor = kBlack, uint32_t backColor = kWhite) {
    const LogFont font = PixelFont(14);
    return SCaption(text, textColor, backColor, backMode, align, vertical, &font);
}

std::set<uint32_t> ColoursIn(const MemBm& bm, int x0, int y0, int w, int h) {
    std::set<uint32_t> out;
    for (int y = y0; y < y0 + h; ++y)
        for (int x = x0; x < x0 + w; ++x)
            out.insert(bm.colorAt(x, y));
    return out;
}

TEST(CaptionPlacement, RowsColumnsAndBoxSize) {
    // 600 rows, a 20-row box: 50 % gives row 290, 0 % the bottom, 100 % the top.
    for (auto [vertical, y] : {std::pair{50, 290}, {0, 580}, {100, 0}})
        EXPECT_EQ(PlaceCaption(800, 600, 200, 20, 1, vertical).y, y);
    // Align 2 right, 0 left, 1 or any other value the middle.
    for (auto [align, x] : {std::pair{2, 824}, {1, 412}, {7, 412}, {0, 0}})
        EXPECT_EQ(PlaceCaption(1024, 768, 200, 20, align, 0).x, x);
    // A box wider than the picture starts at 0 whatever the alignment.
    for (int align : {0, 1, 2})
        EXPECT_EQ(PlaceCaption(50, 40, 52, 18, align, 0).x +
                      1000 * PlaceCaption(50, 40, 52, 18, align, 0).boxWidth,
                  50000);
    // Text plus margins (181 + 16 rounded up), capped by the picture (its width rounded up).
    for (auto [text, picture, size] :
         {std::tuple{std::pair{16, 181}, std::pair{1024, 768}, std::pair{200, 20}},
          {{16, 184}, {1024, 768}, {200, 20}},
          {{16, 500}, {50, 768}, {52, 20}},
          {{40, 10}, {50, 30}, {28, 30}}}) {
        const auto box = CaptionBoxSize(text.first, text.second, picture.first, picture.second);
        EXPECT_EQ(std::pair(box.width, box.height), size) << text.second << " in " << picture.first;
    }
}

TEST(LogFontRecord, SixtyBytesInTheirPlacesAndBackAndToPango) {
    LogFont f = PixelFont(16, 700);
    f.italic = 1;
    f.strikeOut = 1;
    f.pitchAndFamily = 0x22;
    const auto b = f.toBytes();
    // -16 little-endian, weight 700, italic, strike-out, pitch and family.
    EXPECT_EQ((std::vector<int>{b[0], b[3], b[16], b[17], b[20], b[22], b[27]}),
              (std::vector<int>{0xF0, 0xFF, 700 & 0xFF, 700 >> 8, 1, 1, 0x22}));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[28])), "DejaVu Sans");
    EXPECT_EQ(LogFont::FromBytes(b), f);
    std::array<uint8_t, 60> raw{};
    raw.fill('A');
    EXPECT_EQ(LogFont::FromBytes(raw).face().size(), 31u); // a face without its terminator
    f.strikeOut = 0;
    PangoFontDescription* d = ToPangoFontDescription(f);
    EXPECT_EQ(pango_font_description_to_string(d), std::string("DejaVu Sans Bold Italic 16px"));
    EXPECT_EQ(FontLabel(LogFontFromPango(d), 96), "DejaVu Sans 12, Bold, Italic");
    pango_font_description_free(d);

    PangoFontDescription* points = pango_font_description_from_string("Serif 12");
    EXPECT_EQ(LogFontFromPango(points, 96).height, -16);
    pango_font_description_free(points);

    f.underline = 1;
    EXPECT_EQ(FontLabel(f, 96), "DejaVu Sans 12, Bold, Italic, Underline");
    LogFont zero;
    EXPECT_EQ(FontLabel(zero, 96), " 0, default");
    PangoFontDescription* z = ToPangoFontDescription(zero);
    EXPECT_STREQ(pango_font_description_get_family(z), "Sans");
    pango_font_description_free(z);
}

TEST(CaptionText, ExpandsTimeCodesWithinTheBuffer) {
    EXPECT_EQ(ExpandTimeCodes("Tess %Y-%m-%d %H:%M:%S", Moment()), "Tess 2008-03-14 15:09:26");
    EXPECT_EQ(ExpandTimeCodes("", Moment()), "");
    EXPECT_EQ(ExpandTimeCodes("100%%", Moment()), "100%");
    // 100 codes of four characters each: longer than the buffer, cut to 259 bytes.
    std::string many;
    for (int i = 0; i < 100; ++i)
        many += "%Y";
    EXPECT_EQ(ExpandTimeCodes(many, Moment()).size(), 259u);
    EXPECT_EQ(SCaption(std::string(400, 'x').c_str(), 0, 0, 0, 0, 0, nullptr).text.size(), 259u);
    SCaption none(nullptr, 0, 0, 0, 0, 0, nullptr);
    EXPECT_TRUE(none.text.empty() && none.font == LogFont{});
}

// A black picture with a red left part (half of it by default).
MemBm Frame(int w, int h, int red = -1) {
    MemBm bm(w, h);
    bm.fill(kBlack);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < (red < 0 ? w / 2 : red); ++x)
            bm.pixelAddress(x, y)[2] = 0xFF;
    return bm;
}

TEST(Fx, OpaqueBoxSitsAtTheBottomCentreAndIsDrawnOnceForAnUnchangedText) {
    Fx fx(Caption("Tessaray %H:%M:%S", 0), 100);
    std::time_t now = Moment();
    fx.setClock([&] { return now; });
    const MemBm frame = Frame(640, 480);
    const MemBm& out = fx.Apply(frame);
    ASSERT_TRUE(fx.captionBox());
    const MemBm& box = *fx.captionBox();
    EXPECT_EQ(fx.lastText(), "Tessaray 15:09:26");
    EXPECT_TRUE(box.width() % 4 == 0 && box.width() > 16 && box.width() < 640 && box.height() > 4);
    EXPECT_EQ(fx.captionY() + box.height(), 480); // bottom row on the last row
    EXPECT_EQ(fx.captionX(), (640 - box.width()) / 2);
    EXPECT_EQ(out.width() * 1000 + out.height(), 640480);
    // The band is white, with black letters, and the picture is untouched elsewhere.
    EXPECT_TRUE(
        ColoursIn(out, fx.captionX(), fx.captionY(), box.width(), box.height()).count(kBlack));
    EXPECT_EQ(out.colorAt(10, 10), kRed);
    EXPECT_EQ(out.colorAt(630, fx.captionY() - 1), kBlack);
    EXPECT_EQ(out.colorAt(fx.captionX() + 1, fx.captionY() + 1), kWhite);
    EXPECT_EQ(fx.drawCount(), 1);

    fx.Apply(frame);
    fx.Apply(frame);
    EXPECT_EQ(fx.drawCount(), 1); // same text: composited, not redrawn
    const int boxWidth = box.width();
    now = Moment(27);
    fx.Apply(frame);
    EXPECT_EQ(fx.lastText(), "Tessaray 15:09:27");
    EXPECT_EQ(fx.drawCount(), 2);
    EXPECT_EQ(fx.captionBox()->width(), boxWidth); // the first text sized the box
}

TEST(Fx, TransparentTranslucentAndBorderModes) {
    const MemBm frame = Frame(400, 100, 20);
    std::map<int, std::set<uint32_t>> seen;
    for (int mode : {1, 2, 3, 4}) {
        Fx fx(Caption("Wide Caption Text", mode, 0, 100, kGreen, kWhite), 100);
        fx.setClock([] { return Moment(); });
        const MemBm& out = fx.Apply(frame);
        ASSERT_TRUE(fx.captionBox());
        EXPECT_EQ(fx.captionX() + fx.captionY(), 0); // left, and 100 %: the top
        seen[mode] = ColoursIn(out, 0, 0, fx.captionBox()->width(), fx.captionBox()->height());
        // Outside the box the picture is unchanged.
        EXPECT_TRUE(out.colorAt(399, 99) == kBlack && out.colorAt(0, 99) == kRed);
    }
    // Transparent: letters and picture only, no band.
    EXPECT_EQ(seen[1], (std::set<uint32_t>{kRed, kBlack, kGreen}));
    // Translucent: letters solid, the white band over black gives 85, over red (255, 0, 0)
    // gives (255, 85, 85).
    EXPECT_EQ(seen[2], (std::set<uint32_t>{0x555555, 0x5555FF, kGreen}));
    // Border: letters, a white outline, the picture between.
    EXPECT_EQ(seen[3], (std::set<uint32_t>{kRed, kBlack, kGreen, kWhite}));
    // Any other mode puts nothing on the picture.
    EXPECT_EQ(seen[4], (std::set<uint32_t>{kRed, kBlack}));
}

TEST(Fx, OutputSizeFollowsTheScaleAndTheCaptionStaysInsideSmallPictures) {
    for (int align : {0, 1, 2}) {
        Fx fx(Caption("A caption much wider than the picture it is put on", 0, align, 50), 100);
        const MemBm frame = Frame(50, 40);
        const MemBm& out = fx.Apply(frame);
        ASSERT_TRUE(fx.captionBox());
        EXPECT_EQ(fx.captionBox()->width() + fx.captionX(), 52);
        EXPECT_EQ(out.width(), 50);
        EXPECT_EQ(out.colorAt(0, fx.captionY()), kWhite);
    }
    // A picture lower than the letters: the box is the picture's height.
    Fx low(Caption("Low", 0), 100);
    const MemBm& out = low.Apply(Frame(100, 6));
    ASSERT_TRUE(low.captionBox());
    EXPECT_TRUE(low.captionBox()->height() == 6 && low.captionY() == 0 && out.height() == 6);

    // The scale sets the output size by the first frame.
    Fx half(Caption("x", 0), 50);
    EXPECT_EQ(half.Apply(Frame(200, 100)).width(), 100);
    const MemBm& later = half.Apply(Frame(300, 300)); // stretched to the first size
    EXPECT_EQ(later.width() * 1000 + later.height(), 100050);
    Fx off(Caption("x", 0), 0);
    const MemBm frame = Frame(20, 20);
    EXPECT_EQ(&off.Apply(frame), &frame); // below 1: the source as it is
    EXPECT_EQ(off.captionBox(), nullptr);
    Fx empty(Caption("", 0), 100);
    EXPECT_FALSE(empty.RenderCaption() || empty.Composite());
    EXPECT_EQ(empty.Apply(frame).colorAt(0, 19), kRed);
}

// Fonts and drawing need no toolkit: a worker thread renders as the window thread does.
TEST(Fx, TheRecorderThreadCanDrawCaptions) {
    MemBm onMain(320, 60), onWorker(320, 60);
    auto run = [](MemBm& target) {
        Fx fx(Caption("Frame %H:%M:%S", 3, 1, 50, kBlack, kWhite), 100);
        fx.setClock([] { return Moment(); });
        MemBm frame(320, 60);
        frame.fill(kRed);
        target.copyFrom(fx.Apply(frame), 0, 0);
    };
    run(onMain);
    std::thread worker([&] { run(onWorker); });
    worker.join();
    EXPECT_EQ(std::memcmp(onMain.bits(), onWorker.bits(), onMain.sizeBytes()), 0);
    EXPECT_GT(ColoursIn(onWorker, 0, 0, 320, 60).size(), 2u);
}

TEST(CaptionPreview, BoxFillByModeCentredInThePreview) {
    const uint32_t face = 0x808080;
    std::map<int, std::set<uint32_t>> colours;
    for (int mode : {0, 1, 2, 3}) {
        MemBm preview(300, 40);
        preview.fill(face);
        DrawCaptionPreview(preview, Caption("Preview", mode, 1, 0, kBlack, kWhite), "Preview");
        colours[mode] = ColoursIn(preview, 0, 0, 300, 40);
        // The corners stay the page's colour: the box is narrower than the preview; an
        // opaque or translucent one fills the full height.
        const uint32_t band = mode == 0 || mode == 2 ? kWhite : face;
        EXPECT_EQ((std::vector{preview.colorAt(0, 0), preview.colorAt(299, 39),
                               preview.colorAt(150, 0), preview.colorAt(150, 39)}),
                  (std::vector{face, face, band, band}))
            << mode;
    }
    EXPECT_TRUE(colours[1].count(kBlack) && !colours[1].count(kWhite));
    EXPECT_TRUE(colours[3].count(kWhite) && colours[3].count(kBlack)); // the outline
    MemBm empty(0, 0);
    DrawCaptionPreview(empty, Caption("x", 0), "x"); // nothing to draw into
}

TEST(CreateOverlay, OnlyWithACaptionAndAlwaysAtFullSize) {
    Settings s;
    s.capEnable = false;
    s.scaleEnable = true;
    EXPECT_EQ(CreateOverlay(s), nullptr);
    EXPECT_TRUE(s.scaleEnable); // no overlay: nothing changed
    s.capEnable = true;
    s.capString.clear();
    EXPECT_EQ(CreateOverlay(s), nullptr);

    s.capString = "Tessaray %a %H:%M:%S";
    s.scale = 50;
    s.capBackMode = 2;
    s.capAlign = 2;
    s.capVert = 30;
    s.capTextColor = 0x123456;
    s.capFont = PixelFont(20, 700).toBytes();
    s.capFontSet = true;
    auto fx = CreateOverlay(s);
    ASSERT_TRUE(fx);
    EXPECT_FALSE(s.scaleEnable);
    EXPECT_EQ(fx->scale(), 100);
    const SCaption& c = fx->caption();
    EXPECT_EQ(std::tuple(c.backMode, c.align, c.vertical, c.textColor, c.font.weight),
              std::tuple(2, 2, 30, 0x123456u, 700));
    MemBm frame(320, 200);
    EXPECT_EQ(fx->Apply(frame).width(), 320);

    // The effect switches are flags only: a captioned picture keeps its colours.
    Settings grey;
    ToggleEffect(grey.effects, 27503);
    grey.capEnable = true;
    fx = CreateOverlay(grey);
    ASSERT_TRUE(fx);
    frame.fill(kRed);
    EXPECT_EQ(fx->Apply(frame).colorAt(5, 5), kRed);
}

TEST(EffectSwitches, TogglingChangesOnlyTheFlag) {
    EffectBytes bytes{};
    std::set<int> indices;
    for (const EffectSwitch& s : EffectSwitches())
        indices.insert(s.byteIndex);
    // Bytes 1..6, 8..16, 18 and 19 of the record; the menu ids are not in byte order.
    EXPECT_EQ(indices, (std::set<int>{1, 2, 3, 4, 5, 6, 8, 9, 10, 11, 12, 13, 14, 15, 16, 18, 19}));
    EXPECT_STREQ(EffectForCommand(27503).value().name, "Gray");
    for (auto [id, index] : {std::pair{27900, 19}, {27513, 8}, {27511, 15}, {27512, 14}})
        EXPECT_EQ(EffectForCommand(id).value().byteIndex, index) << id;
    EXPECT_FALSE(EffectForCommand(27515));

    EXPECT_TRUE(ToggleEffect(bytes, 27503));
    EXPECT_TRUE(bytes[4] == 1 && IsEffectOn(bytes, 27503));
    EXPECT_FALSE(ToggleEffect(bytes, 27503) || ToggleEffect(bytes, 1234));
    EXPECT_EQ(bytes, EffectBytes{});
}

} // namespace
} // namespace tess
