// Exports of a recording the program made (a page of text, the suite's 440 Hz tone) as a user
// meets them: tessaray --export, the files read back by ffprobe and ffmpeg; and the export
// object's cancel and failure, which leave nothing behind.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>

#include "recording/RecordingTestUtil.h"
#include "support/XTestWindows.h"
// Xlib's macro of that name would hide the export's Status().
#undef Status
#include "media/Export.h"
#include "media/WMFile.h"

namespace tess {
namespace {

namespace fs = std::filesystem;
using test::Quote;

constexpr int kW = 640, kH = 360;

// Names in a folder.
std::set<std::string> Listing(const fs::path& dir) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.insert(e.path().filename().string());
    return names;
}

double Number(const std::string& text) {
    return text.empty() ? -1 : std::atof(text.c_str());
}

// Luma PSNR of `file` against `source` decoded by ffmpeg at `fps` and `scale` (the frames
// paired in order); of the first frame only with `first`, else from half a second on: at
// constant quality the coders give a busy key picture (a page of text) coarse steps and sharpen
// it over the next few frames, as ffmpeg's do at the same settings.
double LumaPsnr(const std::string& source, const std::string& file, int fps, int scale,
                bool first) {
    const std::string pace = (first ? "" : "trim=start_frame=" + std::to_string(fps / 2) + ",") +
                             "setpts=N/(" + std::to_string(fps) + "*TB)";
    const std::string size =
        std::to_string(kW * scale / 100) + ":" + std::to_string(kH * scale / 100);
    std::string out;
    test::RunCommand("ffmpeg -hide_banner -i " + Quote(source) + " -i " + Quote(file) +
                         " -lavfi '[0:v]fps=" + std::to_string(fps) + ",scale=" + size +
                         ",format=rgb24,format=yuv420p," + pace + "[a];[1:v]format=yuv420p," +
                         pace + "[b];[a][b]psnr' " + (first ? "-frames:v 1 " : "") +
                         "-f null - 2>&1 | grep -o 'PSNR y:[0-9.inf]*'",
                     &out);
    return out.size() > 7 ? Number(out.substr(7)) : -1;
}

// Top-level box names of an MP4 file, in order.
std::vector<std::string> Mp4Boxes(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::vector<std::string> boxes;
    unsigned char h[8];
    while (in.read(reinterpret_cast<char*>(h), 8)) {
        uint64_t size = uint64_t{h[0]} << 24 | h[1] << 16 | h[2] << 8 | h[3];
        boxes.emplace_back(reinterpret_cast<char*>(h + 4), 4);
        if (size < 8)
            break;
        in.seekg(static_cast<std::streamoff>(size - 8), std::ios::cur);
    }
    return boxes;
}

// The Range of a WebM's Colour element (1 limited, 2 full; -1 without one), which players take
// over what the coded stream says.
int WebMColourRange(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::string head(4096, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    const size_t at = head.find(std::string("\x55\xB9\x81", 3), head.find("\x55\xB0"));
    return at < head.size() - 3 ? static_cast<uint8_t>(head[at + 3]) : -1;
}

class Exporting : public ::testing::Test {
protected:
    // One recording for the suite: a page of text in the corner of the screen, with sound.
    static void SetUpTestSuite() {
        if (!test::HaveDisplay() || !test::HaveProgram("ffmpeg") || !test::HavePulse())
            return;
        recordingDir_ = new test::TempDir;
        test::XTestDisplay x;
        Display* d = x.get();
        Window win = x.createSolid(0, 0, kW, kH, 0xffffff);
        GC gc = XCreateGC(d, win, 0, nullptr);
        XSetForeground(d, gc, 0x101040);
        for (int line = 0; line < 24; ++line) {
            const std::string text = "Line " + std::to_string(line) +
                                     ": the quick brown fox jumps over the lazy dog 0123456789";
            XDrawString(d, win, gc, 4, 14 + line * 14, text.c_str(), static_cast<int>(text.size()));
        }
        XFreeGC(d, gc);
        x.sync();
        recording_ = recordingDir_->str() + "/page.wmv";
        test::ProgramRun run =
            test::RunProgram("--record --seconds 3 --audio --region 0,0," + std::to_string(kW) +
                             "," + std::to_string(kH) + " --output " + Quote(recording_));
        x.destroy(win);
        if (run.exitCode != 0) {
            ADD_FAILURE() << run.err;
            recording_.clear();
        }
    }
    static void TearDownTestSuite() {
        delete recordingDir_;
        recordingDir_ = nullptr;
    }
    void SetUp() override {
        if (recording_.empty())
            GTEST_SKIP() << "needs an X display, ffmpeg and the test PulseAudio daemon";
    }

    static inline test::TempDir* recordingDir_ = nullptr;
    static inline std::string recording_;
    test::TempDir dir;
};

TEST_F(Exporting, WebMMp4AndGifPlayInBrowsersAtTheChosenRateWithTheRecordingsPicturesAndSound) {
    struct Row {
        const char* name;
        std::string extra; // options
        const char* video; // codec, profile, pixels, colours
        const char* audio; // codec, rate
        int fps;
        int scale;
        double psnr;
    };
    const Row rows[] = {
        // The 4:2:0 pictures are tagged BT.601 and limited range, as they were converted: a
        // player that assumed BT.709 for a large untagged picture would shift every colour, one
        // that took them as full range would wash out black and white.
        // WebM keeps the recording's frame rate, and the 8-kHz voice its rate (Opus always
        // decodes at 48 kHz).
        {"out.webm", "", "vp9,Profile 0,yuv420p,tv,smpte170m", "opus,48000", 5, 100, 38},
        {"out.mp4", "--fps 10", "h264,High,yuv420p,tv,smpte170m", "aac,8000", 10, 100, 38},
        {"out.gif", "--scale 50", "gif,unknown,bgra,unknown,unknown", "", 5, 50, 30},
    };
    const double length = Number(test::Probe("-show_entries format=duration", recording_));
    ASSERT_GT(length, 2.0);
    const std::set<std::string> tmpBefore = Listing(fs::temp_directory_path());
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string out = dir.str() + "/" + row.name;
        // No display needed.
        test::ProgramRun run = test::RunProgram("--export " + Quote(recording_) + " --output " +
                                                    Quote(out) + " " + row.extra,
                                                "env -u DISPLAY ");
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(test::FirstLine(run.out), out);
        EXPECT_EQ(test::Probe("-select_streams v:0 -show_entries "
                              "stream=codec_name,profile,pix_fmt,color_range,color_space",
                              out),
                  std::string(row.video) + "\n");
        EXPECT_EQ(
            test::Probe("-select_streams a:0 -show_entries stream=codec_name,sample_rate", out),
            *row.audio ? std::string(row.audio) + "\n" : "");
        // A GIF's length is the sum of its delays, and it keeps only the frames that differ.
        const double seconds = Number(test::Probe("-show_entries format=duration", out));
        EXPECT_NEAR(seconds, length, 1.0 / row.fps);
        const bool gif = row.scale != 100;
        if (!gif) {
            const std::string frames = test::Probe(
                "-count_frames -select_streams v:0 -show_entries stream=nb_read_frames", out);
            EXPECT_NEAR(Number(frames), seconds * row.fps, 1.0);
        }
        EXPECT_GE(LumaPsnr(recording_, out, row.fps, row.scale, gif), row.psnr);
    }
    // The index before the data, so a browser plays the MP4 while it loads.
    const std::vector<std::string> boxes = Mp4Boxes(dir.str() + "/out.mp4");
    const auto moov = std::find(boxes.begin(), boxes.end(), "moov");
    EXPECT_LT(moov - boxes.begin(), std::find(boxes.begin(), boxes.end(), "mdat") - boxes.begin());
    EXPECT_EQ(WebMColourRange(dir.str() + "/out.webm"), 1);
    const std::vector<int16_t> sound = test::DecodeSound(dir.str() + "/out.webm");
    EXPECT_NEAR(sound.size() / 8000.0, length, 0.3);
    EXPECT_NEAR(test::ToneFrequency(sound), 440.0, 5.0);
    // Nothing left beside the files or in the temporary folder.
    EXPECT_EQ(Listing(dir.path()), (std::set<std::string>{"out.webm", "out.mp4", "out.gif"}));
    EXPECT_EQ(Listing(fs::temp_directory_path()), tmpBefore);
}

// A cancelled export, and one whose target cannot be written at the end (a folder has its
// name), leave no file and no temporary file.
TEST_F(Exporting, CancelAndAFailingTargetLeaveNothing) {
    const std::set<std::string> tmpBefore = Listing(fs::temp_directory_path());
    for (const char* name : {"cancelled.mp4", "cancelled.webm"}) {
        Export job;
        std::string error;
        ASSERT_TRUE(job.Start(recording_, dir.path() / name,
                              ExportOptions{ExportFormatOfName(name).value()}, &error))
            << error;
        job.Cancel();
        ASSERT_TRUE(job.Wait(20000)) << name;
        const ExportStatus s = job.Status();
        EXPECT_TRUE(s.done && s.cancelled && !s.ok) << name;
    }
    fs::create_directory(dir.path() / "taken.webm");
    Export job;
    std::string error;
    ASSERT_TRUE(job.Start(recording_, dir.path() / "taken.webm", ExportOptions{}, &error)) << error;
    ASSERT_TRUE(job.Wait(60000));
    const ExportStatus s = job.Status();
    EXPECT_TRUE(s.done && !s.ok && !s.cancelled);
    EXPECT_NE(s.message.find("taken.webm"), std::string::npos) << s.message;
    EXPECT_EQ(Listing(dir.path()), std::set<std::string>{"taken.webm"});
    EXPECT_TRUE(fs::is_empty(dir.path() / "taken.webm"));
    EXPECT_EQ(Listing(fs::temp_directory_path()), tmpBefore);
}

// A picture, a damaged recording and a mistaken command line exit with a message.
TEST_F(Exporting, PicturesDamagedFilesAndWrongOptionsExitWithAMessage) {
    const std::string picture = dir.str() + "/picture.png";
    ASSERT_EQ(test::RunCommand("convert -size 32x32 xc:red " + Quote(picture)), 0);
    const std::string damaged = dir.str() + "/damaged.wmv";
    {
        std::ifstream in(recording_, std::ios::binary);
        std::string head(4000, '\0');
        in.read(head.data(), static_cast<std::streamsize>(head.size()));
        std::ofstream(damaged, std::ios::binary) << head << std::string(100000, '\x5a');
    }
    struct Row {
        std::string args;
        int exitCode;
        std::string said;
    };
    const Row rows[] = {
        {"--export " + Quote(picture) + " --output " + Quote(dir.str() + "/a.webm"), 1,
         "picture.png"},
        {"--export " + Quote(damaged) + " --output " + Quote(dir.str() + "/b.mp4"), 1,
         "damaged.wmv"},
        {"--export " + Quote(recording_) + " --output " + Quote(dir.str() + "/c.mkv"), 2, ".mkv"},
        {"--export " + Quote(recording_) + " --output x.webm --fps 0", 2, "--fps"},
    };
    for (const Row& row : rows) {
        test::ProgramRun run = test::RunProgram(row.args);
        EXPECT_EQ(run.exitCode, row.exitCode) << row.args;
        EXPECT_NE(run.err.find(row.said), std::string::npos) << run.err;
    }
    EXPECT_EQ(Listing(dir.path()), (std::set<std::string>{"picture.png", "damaged.wmv"}));
}

// A recording at 60 frames a second with the music stream at 44.1 kHz, written by the program's
// own writer without a screen or a clock: its WebM has at most 30 pictures a second and its
// music coded as music at Opus's 48 kHz.
TEST(FastRecordingExport, KeepsThirtyPicturesASecondAndCodesMusicAtOpusRate) {
    if (!test::HaveProgram("ffprobe"))
        GTEST_SKIP() << "needs ffprobe";
    test::TempDir dir;
    const std::string in = dir.str() + "/fast.wmv", out = dir.str() + "/fast.webm";
    constexpr int w = 160, h = 96, fps = 60, frames = 90, rate = 44100;
    {
        WMFile f(in, "", fps, 1000000, w, h, -1);
        ASSERT_TRUE(f.Open());
        ASSERT_EQ(f.AddMusicStream(rate, 2, 128000), 0);
        // 1.5 s of a 10 kHz tone in both channels, written after the first picture.
        std::vector<uint8_t> picture(size_t{w} * h * 4, 0xe0), sound(size_t{rate} * 6);
        for (size_t i = 0; i < sound.size() / 4; ++i) {
            const auto v = static_cast<int16_t>(8000 * std::sin(2 * M_PI * 10000.0 * i / rate));
            std::memcpy(&sound[i * 4], &v, 2);
            std::memcpy(&sound[i * 4 + 2], &v, 2);
        }
        for (int i = 0; i < frames; ++i) {
            // A block moving across: every picture differs from the one before.
            for (int y = 40; y < 56; ++y)
                std::memset(&picture[(size_t{w} * y + i) * 4], 0x20, 16 * 4);
            ASSERT_EQ(f.AddFrame(picture.data(), w, h, w * 4, i * 10000000LL / fps, false), 0);
            if (i == 0) {
                ASSERT_EQ(f.WriteAudio(sound.data(), sound.size()), sound.size());
            }
        }
        ASSERT_TRUE(f.Close());
    }
    Export job;
    std::string error;
    ASSERT_TRUE(job.Start(in, out, ExportOptions{}, &error)) << error;
    ASSERT_TRUE(job.Wait(60000));
    ASSERT_TRUE(job.Status().ok) << job.Status().message;
    EXPECT_EQ(test::Probe("-select_streams v:0 -show_entries stream=r_frame_rate", out), "30/1\n");
    EXPECT_EQ(test::Probe(
                  "-select_streams a:0 -show_entries stream=codec_name,sample_rate,channels", out),
              "opus,48000,2\n");
    // Music keeps its treble, which a voice's rate would cut off.
    EXPECT_NEAR(test::ToneFrequency(test::DecodeSound(out, 48000), 48000), 10000, 20);
}

} // namespace
} // namespace tess
