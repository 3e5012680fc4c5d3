// Picture files written by WriteImageFile, checked by independent readers (ImageMagick,
// ffprobe), and pictures of other programs read back by the codec layer.
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

// Writes `bm` as PNG in `threads` bands.
bool EncodePngFile(const MemBm& bm, const std::string& path, int threads) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    image::PngOptions options;
    options.threads = threads;
    const bool ok = image::EncodePng(bm, f, options);
    std::fclose(f);
    return ok;
}

// The first stream as ffprobe sees it: "codec,width,height\n".
std::string ProbeStream(const std::string& path) {
    std::string out;
    RunCommand("ffprobe -v error -show_entries stream=codec_name,width,height -of csv=p=0 '" +
                   path + "'",
               &out);
    return out;
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

TEST(MediaFile, DisplayNameIsTheLastPathComponentOrEmptyWhenInvalid) {
    EXPECT_EQ(RecordingStub("/tmp/caps/Tess_1.wmv").GetDisplayName(), "Tess_1.wmv");
    EXPECT_EQ(RecordingStub().GetDisplayName(), "stub.wmv");
    EXPECT_EQ(MediaFile("/tmp/caps/Tess_1.wmv").GetDisplayName(), "");
    EXPECT_EQ(MediaFile("/tmp/x.wmv").GetFileName(), "/tmp/x.wmv");
}

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

TEST(PictureFile, PngRoundTripsExactlyThroughImageMagickAndOurReader) {
    TempDir dir;
    for (bool few : {false, true}) {
        auto bm = few ? FewColours(200) : ManyColours();
        const std::string path = dir.str() + (few ? "/few.png" : "/many.png");
        ASSERT_EQ(WriteImageFile(*bm, ImageFormat::kPng, path, -1), 0) << LastImageWriteError();
        EXPECT_EQ(Identify(path, "%m %w %h"),
                  "PNG " + std::to_string(bm->width()) + " " + std::to_string(bm->height()));
        EXPECT_EQ(MagickRgb(path), Rgb(*bm));
        auto back = image::LoadImageFile(path);
        ASSERT_TRUE(back);
        EXPECT_EQ(Rgb(*back), Rgb(*bm));
    }
    EXPECT_EQ(EntriesIn(dir.path()), 2u); // no temporary files left
}

TEST(PictureFile, PngInParallelBandsIsOneValidStreamOfTheSameSize) {
    TempDir dir;
    auto bm = bench::MakeDesktopPicture(960, 541);
    const auto want = Rgb(*bm);
    std::vector<uintmax_t> sizes;
    for (int threads : {1, 2, 3, 7}) {
        const std::string path = dir.str() + "/t" + std::to_string(threads) + ".png";
        ASSERT_TRUE(EncodePngFile(*bm, path, threads));
        EXPECT_EQ(MagickRgb(path), want) << threads << " bands";
        sizes.push_back(fs::file_size(path));
    }
    for (uintmax_t size : sizes)
        EXPECT_LT(size, sizes[0] + sizes[0] / 100); // within 1 % of one stream

    // Noise does not compress: its data spans several 1 MB chunks, which start and end
    // inside the bands' pieces.
    MemBm noise(1000, 800);
    uint32_t seed = 12345;
    for (size_t i = 0; i < noise.sizeBytes(); ++i) {
        seed = seed * 1664525u + 1013904223u;
        noise.bits()[i] = static_cast<uint8_t>(seed >> 24);
    }
    const std::string path = dir.str() + "/noise.png";
    ASSERT_TRUE(EncodePngFile(noise, path, 3));
    EXPECT_GT(fs::file_size(path), uintmax_t{2} << 20);
    EXPECT_EQ(MagickRgb(path), Rgb(noise));
}

TEST(PictureFile, BmpRoundTripsExactlyAndOddWidthsArePadded) {
    TempDir dir;
    auto bm = ManyColours(161, 33);
    const std::string path = dir.str() + "/a.bmp";
    ASSERT_EQ(WriteImageFile(*bm, ImageFormat::kBmp, path, 0), 0);
    EXPECT_EQ(Identify(path, "%m %w %h"), "BMP3 161 33"); // the 40-byte header form
    EXPECT_EQ(MagickRgb(path), Rgb(*bm));
    EXPECT_EQ(fs::file_size(path), 54u + ((161 * 3 + 3) / 4 * 4) * 33u);
    auto back = image::LoadImageFile(path);
    ASSERT_TRUE(back);
    EXPECT_EQ(Rgb(*back), Rgb(*bm));
    EXPECT_EQ(ProbeStream(path), "bmp,161,33\n");
}

TEST(PictureFile, GifOfATrueColourPictureHasAtMost256ColoursAndOtherDecodersReadIt) {
    TempDir dir;
    auto bm = bench::MakeDesktopPicture(640, 400);
    ASSERT_GT(image::CountColors(*bm, 100000), 256u);
    const std::string path = dir.str() + "/desk.gif";
    ASSERT_EQ(WriteImageFile(*bm, ImageFormat::kGif, path, 0), 0);
    std::string head(11, '\0');
    std::ifstream(path, std::ios::binary).read(head.data(), 11);
    EXPECT_EQ(head.substr(0, 6), "GIF89a");
    EXPECT_EQ(head[10] & 0x87, 0x87); // a global colour table of 256 entries
    EXPECT_EQ(Identify(path, "%m %w %h"), "GIF 640 400");
    const int colours = std::stoi(Identify(path, "%k"));
    EXPECT_LE(colours, 256);
    EXPECT_GT(colours, 64); // the palette is chosen from the picture
    EXPECT_EQ(ProbeStream(path), "gif,640,400\n");
    // ImageMagick's pixels stay close to the original (error diffusion) and equal ours.
    const auto magick = MagickRgb(path);
    EXPECT_LT(MeanAbsDiff(magick, Rgb(*bm)), 6.0);
    auto back = image::LoadImageFile(path);
    ASSERT_TRUE(back);
    EXPECT_EQ(Rgb(*back), magick);
}

TEST(PictureFile, GifOfFewColoursIsExactForEveryTableSize) {
    TempDir dir;
    for (int n : {1, 2, 3, 16, 17, 255, 256}) {
        auto bm = FewColours(n, 300, 80); // long enough to fill and clear the LZW table
        const std::string path = dir.str() + "/g" + std::to_string(n) + ".gif";
        ASSERT_EQ(WriteImageFile(*bm, ImageFormat::kGif, path, 0), 0);
        EXPECT_EQ(MagickRgb(path), Rgb(*bm)) << n << " colours";
        auto back = image::LoadImageFile(path);
        ASSERT_TRUE(back);
        EXPECT_EQ(Rgb(*back), Rgb(*bm)) << n << " colours";
    }
    // Noise: long LZW streams with many table resets.
    auto noisy = std::make_unique<MemBm>(512, 512);
    uint32_t seed = 7;
    for (int y = 0; y < 512; ++y)
        for (int x = 0; x < 512; ++x) {
            seed = seed * 1103515245u + 12345u;
            const uint8_t v = static_cast<uint8_t>((seed >> 16) & 0xFF);
            uint8_t* p = noisy->pixelAddress(x, y);
            p[0] = p[1] = p[2] = v; // 256 greys
        }
    const std::string path = dir.str() + "/noise.gif";
    ASSERT_EQ(WriteImageFile(*noisy, ImageFormat::kGif, path, 0), 0);
    EXPECT_EQ(MagickRgb(path), Rgb(*noisy));
}

TEST(PictureFile, JpegQualityIsTheLowByteAndMinusOneIsTheBest) {
    TempDir dir;
    auto bm = ManyColours(320, 180);
    const std::string best = dir.str() + "/best.jpg", mid = dir.str() + "/mid.jpg",
                      wrap = dir.str() + "/wrap.jpg";
    ASSERT_EQ(WriteImageFile(*bm, ImageFormat::kJpeg, best, -1), 0);
    ASSERT_EQ(WriteImageFile(*bm, ImageFormat::kJpeg, mid, 50), 0);
    ASSERT_EQ(WriteImageFile(*bm, ImageFormat::kJpeg, wrap, 0x132), 0); // low byte 0x32 = 50
    EXPECT_EQ(Identify(best, "%m %w %h %Q"), "JPEG 320 180 100");
    EXPECT_EQ(Identify(mid, "%Q"), "50");
    EXPECT_EQ(Identify(wrap, "%Q"), "50");
    EXPECT_EQ(ProbeStream(best), "mjpeg,320,180\n");
    EXPECT_EQ(Identify(best, "%[channels]"), "srgb"); // three components
    EXPECT_LT(MeanAbsDiff(MagickRgb(best), Rgb(*bm)), 2.0);
    EXPECT_GT(fs::file_size(best), fs::file_size(mid));
    auto back = image::LoadImageFile(best);
    ASSERT_TRUE(back);
    EXPECT_LT(MeanAbsDiff(Rgb(*back), Rgb(*bm)), 2.0);
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
    EXPECT_EQ(EntriesIn(dir.path()), 0u);

    MemBm empty(0, 0);
    EXPECT_EQ(WriteImageFile(empty, ImageFormat::kPng, dir.str() + "/e.png", -1), 505);
    EXPECT_EQ(EntriesIn(dir.path()), 0u);
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
    // Alpha is shown over white.
    const std::string alpha = dir.str() + "/alpha.png";
    ASSERT_EQ(RunCommand("convert -size 8x8 xc:'rgba(255,0,0,0.0)' '" + alpha + "'"), 0);
    auto back = image::LoadImageFile(alpha);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->colorAt(3, 3), 0xFFFFFFu);
}

TEST(PictureFile, DamagedOrForeignFilesAreRefusedWithAMessage) {
    TempDir dir;
    auto bm = ManyColours(64, 40);
    std::string error;
    EXPECT_FALSE(image::LoadImageFile(dir.str() + "/missing.png", image::ImageType::Png, &error));
    EXPECT_NE(error.find("missing.png"), std::string::npos);
    for (ImageFormat format :
         {ImageFormat::kPng, ImageFormat::kBmp, ImageFormat::kGif, ImageFormat::kJpeg}) {
        const std::string path = dir.str() + "/f." + ExtensionForImageFormat(StoredValue(format));
        ASSERT_EQ(WriteImageFile(*bm, format, path, -1), 0);
        const std::vector<uint8_t> data = ReadBytes(path);
        // Every truncation and a run of corrupted copies decode or fail cleanly.
        for (size_t len = 0; len < data.size(); len += 1 + len / 8) {
            error.clear();
            auto pic = image::DecodeImage(data.data(), len, image::ImageType::Unknown, &error);
            if (!pic) {
                EXPECT_FALSE(error.empty());
            }
        }
        uint32_t seed = static_cast<uint32_t>(StoredValue(format)) + 1;
        for (int round = 0; round < 60; ++round) {
            std::vector<uint8_t> bad = data;
            for (int k = 0; k < 6; ++k) {
                seed = seed * 1664525u + 1013904223u;
                bad[(seed >> 8) % bad.size()] ^= static_cast<uint8_t>(seed >> 24 | 1);
            }
            (void)image::DecodeImage(bad.data(), bad.size(), image::ImageType::Unknown, &error);
        }
    }
    const std::string text = "just some text, not a picture";
    EXPECT_FALSE(image::DecodeImage(reinterpret_cast<const uint8_t*>(text.data()), text.size(),
                                    image::ImageType::Unknown, &error));
    EXPECT_EQ(error, "not a picture file of a known kind");
}

TEST(PictureFile, RunLengthBmpOfAnotherProgramSurvivesDamage) {
    TempDir dir;
    auto bm = FewColours(12, 90, 40);
    const std::string src = dir.str() + "/s.png", rle = dir.str() + "/r.bmp";
    ASSERT_EQ(WriteImageFile(*bm, ImageFormat::kPng, src, -1), 0);
    ASSERT_EQ(RunCommand("convert '" + src + "' -type Palette -compress RLE BMP3:'" + rle + "'"),
              0);
    ASSERT_NE(Identify(rle, "%C"), "None");
    const std::vector<uint8_t> data = ReadBytes(rle);
    std::string error;
    auto back = image::DecodeImage(data.data(), data.size(), image::ImageType::Bmp, &error);
    ASSERT_TRUE(back) << error;
    EXPECT_EQ(Rgb(*back), Rgb(*bm));
    uint32_t seed = 99;
    for (int round = 0; round < 200; ++round) {
        std::vector<uint8_t> bad = data;
        for (int k = 0; k < 4; ++k) {
            seed = seed * 1664525u + 1013904223u;
            bad[54 + (seed >> 8) % (bad.size() - 54)] = static_cast<uint8_t>(seed >> 24);
        }
        (void)image::DecodeImage(bad.data(), bad.size(), image::ImageType::Bmp);
    }
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

TEST(PictureFile, TypesOfFileNameExtensions) {
    EXPECT_EQ(image::TypeFromExtension("/a.b/Shot.JPEG"), image::ImageType::Jpeg);
    EXPECT_EQ(image::TypeFromExtension("/a.png/noext"), image::ImageType::Unknown);
}

} // namespace
} // namespace tess
