// Picture files written by WriteImageFile, checked by independent readers (ImageMagick,
// ffprobe), and pictures of other programs read back by the codec layer.
#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <sys/resource.h>
#include <zlib.h>

#include "bench/DesktopPicture.h"
#include "media/MediaFile.h"
#include "media/MemBm.h"
#include "media/WriteImageFile.h"
#include "media/image/GifAnimation.h"
#include "media/image/ImageCodec.h"
#include "media/image/PngParallel.h"
#include "settings/FileNames.h"
#include "support/TestSupport.h"

namespace tess {
namespace {

namespace fs = std::filesystem;
using test::RunCommand;
using test::TempDir;

// A picture with text, flat areas and noise (thousands of colours).
std::unique_ptr<MemBm> ManyColours(int w = 160, int h = 90) {
    auto bm = bench::MakeDesktopPicture(w, h);
    bench::DrawPhoto(*bm, 0, 0, w, h / 2);
    return bm;
}

// A picture of exactly `n` colours in bands and a checker board.
std::unique_ptr<MemBm> FewColours(int n, int w = 97, int h = 61) {
    auto bm = std::make_unique<MemBm>(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int i = ((x / 3) + (y / 2) * 7) % n;
            uint8_t* p = bm->pixelAddress(x, y);
            p[0] = static_cast<uint8_t>(i * 37);
            p[1] = static_cast<uint8_t>(i * 11 + 3);
            p[2] = static_cast<uint8_t>(255 - i);
        }
    return bm;
}

// Random bytes (`grey`: 256 greys) from a linear congruential generator.
MemBm Noise(int w, int h, uint32_t seed, bool grey) {
    MemBm bm(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int k = 0; k < 4; ++k) {
                seed = seed * 1664525u + 1013904223u;
                bm.pixelAddress(x, y)[k] = static_cast<uint8_t>(seed >> 24);
                if (grey && k == 0) {
                    bm.pixelAddress(x, y)[1] = bm.pixelAddress(x, y)[2] = bm.pixelAddress(x, y)[0];
                    break;
                }
            }
    return bm;
}

// Red, green, blue bytes of each pixel, rows top to bottom.
std::vector<uint8_t> Rgb(const MemBm& bm) {
    std::vector<uint8_t> out;
    out.reserve(static_cast<size_t>(bm.width()) * bm.height() * 3);
    for (int y = 0; y < bm.height(); ++y)
        for (int x = 0; x < bm.width(); ++x) {
            const uint8_t* p = bm.pixelAddress(x, y);
            out.insert(out.end(), {p[2], p[1], p[0]});
        }
    return out;
}

// Pixels as ImageMagick decodes them.
std::vector<uint8_t> MagickRgb(const std::string& path) {
    std::string out;
    EXPECT_EQ(RunCommand("convert '" + path + "' -depth 8 rgb:- 2>/dev/null", &out), 0);
    return {out.begin(), out.end()};
}

std::string Identify(const std::string& path, const std::string& format) {
    std::string out;
    RunCommand("identify -format '" + format + "' '" + path + "' 2>&1", &out);
    return out;
}

// The first stream as ffprobe sees it: "codec,width,height\n".
std::string ProbeStream(const std::string& path) {
    std::string out;
    RunCommand("ffprobe -v error -show_entries stream=codec_name,width,height -of csv=p=0 '" +
                   path + "'",
               &out);
    return out;
}

// Writes `bm` as PNG in `threads` bands.
bool EncodePngFile(const MemBm& bm, const std::string& path, int threads) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    image::PngOptions options;
    options.threads = threads;
    const bool ok = image::EncodePng(bm, f, options);
    std::fclose(f);
    return ok;
}

// Our reader's pixels of `path` (empty when it fails).
std::vector<uint8_t> OurRgb(const std::string& path) {
    auto back = image::LoadImageFile(path);
    return back ? Rgb(*back) : std::vector<uint8_t>{};
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

size_t EntriesIn(const fs::path& dir) {
    return static_cast<size_t>(std::distance(fs::directory_iterator(dir), {}));
}

double MeanAbsDiff(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    if (a.size() != b.size() || a.empty())
        return 1e9;
    double sum = 0;
    for (size_t i = 0; i < a.size(); ++i)
        sum += std::abs(int(a[i]) - int(b[i]));
    return sum / a.size();
}

struct RecordingStub : MediaFile {
    explicit RecordingStub(const char* name = "stub.wmv") : MediaFile(name) {}
    int32_t AddBitmapFrame(const MemBm& frame) override {
        ++frames;
        lastWidth = frame.width();
        return 1234;
    }
    bool IsValid() const override { return true; }
    int frames = 0, lastWidth = 0;
};

// The PNG writer's own Adler-32 against zlib's, over the lengths where its blocks and runs
// begin and end (all 0xFF brings the sums nearest to overflowing), and continued in pieces.
TEST(PngChecksum, Adler32AgreesWithZlibAtEveryBoundary) {
    std::mt19937 rng(7);
    std::vector<uint8_t> data(300000), full(300000, 0xFF);
    for (auto& v : data)
        v = static_cast<uint8_t>(rng());
    for (const auto* buffer : {&data, &full}) {
        for (size_t n : {0, 1, 31, 32, 33, 5535, 5536, 5537, 5552, 5553, 300000})
            EXPECT_EQ(image::detail::Adler32(1, buffer->data(), n),
                      adler32(1L, buffer->data(), static_cast<uInt>(n)))
                << n;
        uint32_t ours = 1;
        uLong theirs = 1;
        size_t at = 0;
        for (size_t piece : {7u, 5761u, 92176u, 1u, 40000u}) {
            ours = image::detail::Adler32(ours, buffer->data() + at, piece);
            theirs = adler32(theirs, buffer->data() + at, static_cast<uInt>(piece));
            at += piece;
            EXPECT_EQ(ours, theirs) << at;
        }
    }
}

// Tiny data asking for a huge picture, or one wider than any may be (fuzzing finds).
TEST(DecoderLimits, TinyDataForAHugePictureIsRefusedWithAReason) {
    const std::string dir = std::string(TESS_SOURCE_DIR) + "/fuzz/regressions/";
    for (const char* name :
         {"bmp/rle-tiny-data-huge-picture.bmp", "gif/tiny-data-huge-screen.gif",
          "gif/wider-than-the-side-limit.gif", "jpeg/tiny-data-huge-picture.jpg"}) {
        std::string error;
        EXPECT_EQ(image::LoadImageFile(dir + name, image::ImageType::Unknown, &error), nullptr)
            << name;
        EXPECT_FALSE(error.empty()) << name;
    }
    // A header announcing a huge picture is refused before anything is allocated.
    uint8_t gif[] = {'G',  'I', 'F', '8', '9', 'a',  0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0,
                     0x2C, 0,   0,   0,   0,   0xFF, 0xFF, 0xFF, 0xFF, 0,    2, 0};
    std::string error;
    EXPECT_FALSE(image::DecodeImage(gif, sizeof gif, image::ImageType::Gif, &error));
}

// PNG (also in parallel bands), BMP and GIF of few colours are exact for ImageMagick and for
// our reader; BMP rows of odd widths are padded.
TEST(PictureFile, LosslessFormatsRoundTripExactly) {
    TempDir dir;
    struct Case {
        std::unique_ptr<MemBm> bm;
        ImageFormat format;
        const char* name;
        int threads; // PNG bands; 0: through WriteImageFile
    } cases[] = {
        {ManyColours(), ImageFormat::kPng, "many.png", 0},
        {FewColours(200), ImageFormat::kPng, "few.png", 0},
        {ManyColours(161, 33), ImageFormat::kBmp, "a.bmp", 0},
        {FewColours(1, 300, 80), ImageFormat::kGif, "g1.gif", 0},
        {FewColours(2, 300, 80), ImageFormat::kGif, "g2.gif", 0},
        {FewColours(3, 300, 80), ImageFormat::kGif, "g3.gif", 0},
        {FewColours(16, 300, 80), ImageFormat::kGif, "g16.gif", 0},
        {FewColours(17, 300, 80), ImageFormat::kGif, "g17.gif", 0},
        {FewColours(255, 300, 80), ImageFormat::kGif, "g255.gif", 0},
        {FewColours(256, 300, 80), ImageFormat::kGif, "g256.gif", 0},
        // Noise: long LZW streams with many table resets.
        {std::make_unique<MemBm>(Noise(512, 512, 7, true)), ImageFormat::kGif, "noise.gif", 0},
        // Noise does not compress: its data spans several 1 MB chunks, which start
        // and end inside the bands' pieces.
        {std::make_unique<MemBm>(Noise(1000, 800, 12345, false)), ImageFormat::kPng, "noise.png",
         3}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.str() + "/" + c.name;
        ASSERT_TRUE(c.threads ? EncodePngFile(*c.bm, path, c.threads)
                              : WriteImageFile(*c.bm, c.format, path, -1) == 0)
            << LastImageWriteError();
        EXPECT_EQ(MagickRgb(path), Rgb(*c.bm));
        if (!c.threads) {
            EXPECT_EQ(OurRgb(path), Rgb(*c.bm));
        }
    }
    EXPECT_GT(fs::file_size(dir.str() + "/noise.png"), uintmax_t{2} << 20);
    EXPECT_EQ(Identify(dir.str() + "/many.png", "%m %w %h"), "PNG 160 90");
    EXPECT_EQ(Identify(dir.str() + "/a.bmp", "%m %w %h"), "BMP3 161 33"); // the 40-byte header
    EXPECT_EQ(fs::file_size(dir.str() + "/a.bmp"), 54u + ((161 * 3 + 3) / 4 * 4) * 33u);
    EXPECT_EQ(ProbeStream(dir.str() + "/a.bmp"), "bmp,161,33\n");
    EXPECT_EQ(EntriesIn(dir.path()), std::size(cases)); // no temporary files left

    // Bands make one valid stream of about the size of one.
    auto bm = bench::MakeDesktopPicture(960, 541);
    std::vector<uintmax_t> sizes;
    for (int threads : {1, 2, 3, 7}) {
        const std::string path = dir.str() + "/t" + std::to_string(threads) + ".png";
        ASSERT_TRUE(EncodePngFile(*bm, path, threads));
        EXPECT_EQ(MagickRgb(path), Rgb(*bm)) << threads << " bands";
        sizes.push_back(fs::file_size(path));
        EXPECT_LT(sizes.back(), sizes[0] + sizes[0] / 100) << threads; // within 1 %
    }
}

// GIF of a true-colour picture: at most 256 colours chosen from it; JPEG: the quality is the
// low byte and -1 the best.
TEST(PictureFile, LossyFormatsStayCloseAndOtherDecodersReadThem) {
    TempDir dir;
    auto desk = bench::MakeDesktopPicture(640, 400);
    ASSERT_GT(image::CountColors(*desk, 100000), 256u);
    const std::string gif = dir.str() + "/desk.gif";
    ASSERT_EQ(WriteImageFile(*desk, ImageFormat::kGif, gif, 0), 0);
    const std::vector<uint8_t> head = ReadBytes(gif);
    ASSERT_GT(head.size(), 11u);
    EXPECT_EQ(std::string(head.begin(), head.begin() + 6), "GIF89a");
    EXPECT_EQ(head[10] & 0x87, 0x87); // a global colour table of 256 entries
    EXPECT_EQ(Identify(gif, "%m %w %h"), "GIF 640 400");
    const int colours = std::stoi(Identify(gif, "%k"));
    EXPECT_TRUE(colours <= 256 && colours > 64) << colours;
    EXPECT_EQ(ProbeStream(gif), "gif,640,400\n");
    // ImageMagick's pixels stay close to the original (error diffusion) and equal ours.
    const auto magick = MagickRgb(gif);
    EXPECT_LT(MeanAbsDiff(magick, Rgb(*desk)), 6.0);
    EXPECT_EQ(OurRgb(gif), magick);

    auto bm = ManyColours(320, 180);
    const std::string best = dir.str() + "/best.jpg", mid = dir.str() + "/mid.jpg",
                      wrap = dir.str() + "/wrap.jpg";
    ASSERT_EQ(WriteImageFile(*bm, ImageFormat::kJpeg, best, -1), 0);
    ASSERT_EQ(WriteImageFile(*bm, ImageFormat::kJpeg, mid, 50), 0);
    ASSERT_EQ(WriteImageFile(*bm, ImageFormat::kJpeg, wrap, 0x132), 0); // low byte 0x32 = 50
    EXPECT_EQ(Identify(best, "%m %w %h %Q %[channels]"), "JPEG 320 180 100 srgb");
    EXPECT_EQ(Identify(mid, "%Q") + Identify(wrap, "%Q"), "5050");
    EXPECT_EQ(ProbeStream(best), "mjpeg,320,180\n");
    EXPECT_LT(MeanAbsDiff(MagickRgb(best), Rgb(*bm)), 2.0);
    EXPECT_GT(fs::file_size(best), fs::file_size(mid));
    EXPECT_LT(MeanAbsDiff(OurRgb(best), Rgb(*bm)), 2.0);
}

TEST(PictureFile, NothingIsWrittenForAnEmptyNameAnUnknownFormatOrFormat2WithoutRecording) {
    TempDir dir;
    auto bm = FewColours(4);
    ASSERT_EQ(OpenRecording(), nullptr);
    EXPECT_EQ(WriteImageFile(*bm, ImageFormat::kPng, "", -1), 0);
    EXPECT_EQ(WriteImageFile(*bm, ImageFormat::kGif, "", -1), 0);
    EXPECT_EQ(WriteImageFile(*bm, ImageFormat::kRecordingFrame, dir.str() + "/x.bmp", -1), 0);
    EXPECT_EQ(WriteImageFile(*bm, static_cast<ImageFormat>(7), dir.str() + "/x.png", -1), 0);
    EXPECT_EQ(WriteImageFile(*bm, static_cast<ImageFormat>(-1), dir.str() + "/x.png", -1), 0);
    EXPECT_EQ(EntriesIn(dir.path()), 0u);

    RecordingStub recording;
    SetOpenRecording(&recording);
    EXPECT_EQ(WriteImageFile(*bm, ImageFormat::kRecordingFrame, dir.str() + "/x.bmp", -1), 1234);
    SetOpenRecording(nullptr);
    EXPECT_EQ(recording.frames, 1);
    EXPECT_EQ(recording.lastWidth, bm->width());
    MemBm empty(0, 0);
    EXPECT_EQ(WriteImageFile(empty, ImageFormat::kPng, dir.str() + "/e.png", -1), 505);
    EXPECT_EQ(EntriesIn(dir.path()), 0u);

    // The display name is the last path component, or empty for a file that is not valid.
    EXPECT_EQ(RecordingStub("/tmp/caps/Tess_1.wmv").GetDisplayName(), "Tess_1.wmv");
    EXPECT_EQ(recording.GetDisplayName(), "stub.wmv");
    EXPECT_EQ(MediaFile("/tmp/caps/Tess_1.wmv").GetDisplayName(), "");
}

TEST(PictureFile, FailuresGiveTheirCodesAndLeaveNoFileBehind) {
    TempDir dir;
    auto bm = ManyColours();
    const std::string regular = dir.str() + "/plain";
    std::ofstream(regular) << "x";
    // A directory that cannot exist: below a regular file.
    EXPECT_EQ(WriteImageFile(*bm, ImageFormat::kPng, regular + "/a.png", -1), 503);
    EXPECT_FALSE(LastImageWriteError().empty());
    for (ImageFormat format : {ImageFormat::kBmp, ImageFormat::kGif, ImageFormat::kJpeg})
        EXPECT_EQ(WriteImageFile(*bm, format, regular + "/a.x", -1), 504);

    // A full disk: the file size limit cuts every write short.
    auto big = bench::MakeDesktopPicture(400, 300);
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 2000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    std::vector<int> codes;
    for (ImageFormat format :
         {ImageFormat::kPng, ImageFormat::kBmp, ImageFormat::kGif, ImageFormat::kJpeg})
        codes.push_back(WriteImageFile(*big, format, dir.str() + "/full", -1));
    setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_EQ(codes, (std::vector<int>{503, 504, 504, 504}));
    EXPECT_EQ(EntriesIn(dir.path()), 1u); // only "plain": no partial or temporary file
}

TEST(PictureFile, AChosenFreeNameIsNeverReplacedButAUserPathMayBe) {
    TempDir dir;
    auto bm = FewColours(3);
    const std::string path = dir.str() + "/Tess_1.png";
    std::ofstream(path) << "someone else's file";
    EXPECT_EQ(WriteImageFile(*bm, ImageFormat::kPng, path, -1), 503);
    std::string kept;
    std::getline(std::ifstream(path), kept);
    EXPECT_EQ(kept, "someone else's file");
    EXPECT_EQ(EntriesIn(dir.path()), 1u);
    EXPECT_EQ(WriteImageFile(*bm, ImageFormat::kPng, path, -1, /*mayReplace=*/true), 0);
    EXPECT_EQ(Identify(path, "%m"), "PNG");
    EXPECT_EQ(EntriesIn(dir.path()), 1u);
    // A relative name is written in the current directory.
    const fs::path cwd = fs::current_path();
    fs::current_path(dir.path());
    EXPECT_EQ(WriteImageFile(*bm, ImageFormat::kBmp, "rel.bmp", -1), 0);
    fs::current_path(cwd);
    EXPECT_TRUE(fs::exists(dir.path() / "rel.bmp"));
}

TEST(PictureFile, PicturesOfOtherProgramsAreRead) {
    TempDir dir;
    auto bm = FewColours(40, 64, 48);
    const std::string src = dir.str() + "/src.png";
    ASSERT_EQ(WriteImageFile(*bm, ImageFormat::kPng, src, -1), 0);
    const auto want = Rgb(*bm);
    struct Case {
        const char *name, *args, *kind; // convert ARGS KIND:NAME
        bool exact;
    } const cases[] = {
        {"i.gif", "-interlace GIF", "", true},
        {"p8.bmp", "-type Palette", "BMP3:", true},
        {"t32.bmp", "-define bmp:format=bmp4 -alpha on", "BMP:", true},
        {"r24.bmp", "", "BMP3:", true},
        {"g.png", "-interlace PNG", "PNG48:", true},
        {"q.jpg", "-quality 95", "", false},
        {"c.jpg", "-colorspace CMYK -quality 95", "", false},
        {"rle.bmp", "-type Palette -compress RLE", "BMP3:", true},
    };
    for (const Case& c : cases) {
        const std::string out = dir.str() + "/" + c.name;
        ASSERT_EQ(
            RunCommand("convert '" + src + "' " + c.args + " " + c.kind + "'" + out + "' 2>&1"), 0)
            << c.name;
        std::string error;
        auto back = image::LoadImageFile(out, image::ImageType::Unknown, &error);
        ASSERT_TRUE(back) << c.name << ": " << error;
        ASSERT_EQ(back->width(), 64) << c.name;
        if (c.exact)
            EXPECT_EQ(Rgb(*back), want) << c.name;
        else
            EXPECT_LT(MeanAbsDiff(Rgb(*back), want), 12.0) << c.name;
    }
    ASSERT_NE(Identify(dir.str() + "/rle.bmp", "%C"), "None"); // (damaged pictures: fuzz/)
    // Alpha is shown over white.
    const std::string alpha = dir.str() + "/alpha.png";
    ASSERT_EQ(RunCommand("convert -size 8x8 xc:'rgba(255,0,0,0.0)' '" + alpha + "'"), 0);
    auto back = image::LoadImageFile(alpha);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->colorAt(3, 3), 0xFFFFFFu);
    EXPECT_EQ(image::TypeFromExtension("/a.b/Shot.JPEG"), image::ImageType::Jpeg);
    EXPECT_EQ(image::TypeFromExtension("/a.png/noext"), image::ImageType::Unknown);
}

// Damaged and truncated pictures are the fuzz targets' (tools/fuzz.sh, also in the test run).
TEST(PictureFile, MissingOrForeignFilesAreRefusedWithAMessage) {
    TempDir dir;
    std::string error;
    EXPECT_FALSE(image::LoadImageFile(dir.str() + "/missing.png", image::ImageType::Png, &error));
    EXPECT_NE(error.find("missing.png"), std::string::npos);
    const std::string text = "just some text, not a picture";
    EXPECT_FALSE(image::DecodeImage(reinterpret_cast<const uint8_t*>(text.data()), text.size(),
                                    image::ImageType::Unknown, &error));
    EXPECT_EQ(error, "not a picture file of a known kind");
}

TEST(PictureFile, DrawStretchedFillsOnlyItsRectangle) {
    MemBm src(10, 10), target(100, 50);
    src.fill(0x00FF00);
    target.fill(0x0000FF);
    image::DrawStretched(src, target, 20, 10, 60, 30);
    for (auto [x, y, colour] : {std::tuple{20, 10, 0x00FF00u},
                                {79, 39, 0x00FF00u},
                                {19, 10, 0x0000FFu},
                                {80, 39, 0x0000FFu},
                                {50, 40, 0x0000FFu}})
        EXPECT_EQ(target.colorAt(x, y), colour) << x << "," << y;
    image::DrawStretched(src, target, 90, 40, 200, 200); // clipped to the target
    EXPECT_EQ(target.colorAt(99, 49), 0x00FF00u);
}

// Peak signal-to-noise ratio of two equal-sized RGB byte strings, in dB.
double Psnr(const uint8_t* a, const uint8_t* b, size_t n) {
    double sum = 0;
    for (size_t i = 0; i < n; ++i)
        sum += (double(a[i]) - b[i]) * (double(a[i]) - b[i]);
    return sum == 0 ? 99 : 10 * std::log10(255.0 * 255.0 * n / sum);
}

// An animation of `frames` written at the times given; empty on failure.
std::vector<uint8_t> WriteAnimation(const std::string& path, const std::vector<MemBm>& frames,
                                    const std::vector<int64_t>& times, int64_t endMs) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    image::GifAnimationWriter gif(f, frames[0].width(), frames[0].height());
    bool ok = true;
    for (size_t i = 0; i < frames.size(); ++i)
        ok = ok && gif.AddFrame(frames[i].bits(), frames[i].stride(), times[i]);
    ok = ok && gif.Finish(endMs);
    EXPECT_TRUE(ok) << gif.error();
    std::fclose(f);
    return ok ? ReadBytes(path) : std::vector<uint8_t>{};
}

// A screen with text, a block moving across it, then a full-screen gradient (a new scene),
// then the screen again; frames 67 ms apart, so the centisecond delays must carry their
// rounding. Our decoder, ImageMagick and ffprobe see every frame close to its source.
TEST(GifAnimation, FramesDecodeCloseToTheirSourcesAndDelaysAddUp) {
    TempDir dir;
    const int w = 320, h = 200;
    auto desk = bench::MakeDesktopPicture(w, h);
    std::vector<MemBm> frames;
    std::vector<int64_t> times;
    for (int i = 0; i < 12; ++i) {
        MemBm frame(w, h);
        if (i >= 5 && i < 8) {
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    uint8_t* p = frame.pixelAddress(x, y);
                    p[0] = static_cast<uint8_t>(x * 255 / w);
                    p[1] = static_cast<uint8_t>(y * 255 / h);
                    p[2] = static_cast<uint8_t>((x + y + i * 20) * 255 / (w + h + 160));
                }
        } else {
            frame.copyFrom(*desk, 0, 0);
            MemBm block(30, 20);
            block.fill(0x2040E0);
            frame.copyFrom(block, 10 + 25 * i, 120);
        }
        frames.push_back(std::move(frame));
        times.push_back(67 * i);
    }
    const std::string path = dir.str() + "/a.gif";
    const auto data = WriteAnimation(path, frames, times, 67 * 12);
    ASSERT_FALSE(data.empty());

    std::string error;
    const auto decoded = image::detail::DecodeGifFrames(data.data(), data.size(), &error);
    ASSERT_EQ(decoded.size(), frames.size()) << error;
    int totalCs = 0;
    std::string magickOut;
    RunCommand("convert '" + path + "' -coalesce -depth 8 rgb:- 2>/dev/null", &magickOut);
    const std::vector<uint8_t> magick(magickOut.begin(), magickOut.end());
    const size_t frameBytes = size_t{w} * h * 3;
    ASSERT_EQ(magick.size(), frameBytes * frames.size());
    for (size_t i = 0; i < frames.size(); ++i) {
        SCOPED_TRACE(i);
        const auto source = Rgb(frames[i]);
        const auto ours = Rgb(*decoded[i].picture);
        EXPECT_GE(Psnr(ours.data(), source.data(), frameBytes), 30);
        EXPECT_EQ(std::vector<uint8_t>(magick.begin() + i * frameBytes,
                                       magick.begin() + (i + 1) * frameBytes),
                  ours);
        EXPECT_NEAR(decoded[i].delayCs, 6.5, 0.5); // 6.7 cs, rounded either way
        totalCs += decoded[i].delayCs;
    }
    EXPECT_EQ(totalCs, 80); // 804 ms
    std::string probe;
    RunCommand("ffprobe -v error -count_frames -show_entries stream=codec_name,width,height,"
               "nb_read_frames -of csv=p=0 '" +
                   path + "'",
               &probe);
    EXPECT_EQ(probe, "gif,320,200,12\n");
}

// A still screen whose clock changes compresses to little more than one frame; frames that
// come faster than the format can show are merged, one that lasts longer than a delay holds is
// continued; a failing write is reported.
TEST(GifAnimation, AStillScreenCostsLittleAndAFailingWriteIsReported) {
    TempDir dir;
    auto desk = bench::MakeDesktopPicture(320, 240);
    std::vector<MemBm> frames;
    std::vector<int64_t> times;
    for (int i = 0; i < 33; ++i) {
        MemBm frame(320, 240);
        frame.copyFrom(*desk, 0, 0);
        MemBm digit(6, 9);
        digit.fill(i % 3 == 0 ? 0xFFFFFF : i % 3 == 1 ? 0x101010 : 0x2020C0);
        frame.copyFrom(digit, 290, 225);
        frames.push_back(std::move(frame));
        // Three times a frame comes 6 ms after another and replaces it.
        const int second = i - (i + 10) / 11;
        times.push_back(second * 100 + (i % 11 == 1 ? 6 : 0));
    }
    const auto one = WriteAnimation(dir.str() + "/one.gif", {frames[0]}, {0}, 100);
    const auto all = WriteAnimation(dir.str() + "/all.gif", frames, times, 3000);
    ASSERT_FALSE(one.empty() || all.empty());
    EXPECT_LT(all.size(), one.size() + one.size() / 10);
    std::string error;
    const auto decoded = image::detail::DecodeGifFrames(all.data(), all.size(), &error);
    EXPECT_EQ(decoded.size(), 30u) << error;
    int totalCs = 0;
    for (const auto& frame : decoded)
        totalCs += frame.delayCs;
    EXPECT_EQ(totalCs, 300);
    // A frame longer than one delay holds (655.35 s) goes on in images of one pixel.
    const auto longer = WriteAnimation(dir.str() + "/long.gif", {frames[0]}, {0}, 1311930);
    std::vector<int> delays;
    for (const auto& frame : image::detail::DecodeGifFrames(longer.data(), longer.size(), &error))
        delays.push_back(frame.delayCs);
    EXPECT_EQ(delays, (std::vector<int>{65535, 65535, 123})) << error;

    std::FILE* full = std::fopen("/dev/full", "wb");
    ASSERT_NE(full, nullptr);
    image::GifAnimationWriter gif(full, 320, 240);
    bool ok = true;
    for (int i = 0; i < 10 && ok; ++i)
        ok = gif.AddFrame(frames[i].bits(), frames[i].stride(), i * 100);
    EXPECT_FALSE(ok && gif.Finish(1000));
    EXPECT_NE(gif.error().find("could not be written"), std::string::npos) << gif.error();
    std::fclose(full);
}

} // namespace
} // namespace tess
