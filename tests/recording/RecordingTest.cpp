// Starting and stopping recordings in the process, under the test's X server.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "capture/Recording.h"
#include "recording/RecordingTestUtil.h"
#include "support/XTestWindows.h"

namespace tess {
namespace {

using namespace std::chrono_literals;

class Recording : public ::testing::Test {
protected:
    void SetUp() override {
        if (!test::HaveDisplay() || !test::HaveProgram("ffprobe") || !test::HaveProgram("ffmpeg"))
            GTEST_SKIP() << "needs an X display, ffmpeg and ffprobe";
        screen = ScreenConnection::open();
        ASSERT_TRUE(screen);
    }
    void TearDown() override { StopRecording(); }

    RecordingRequest Request(const std::string& name, std::optional<ScreenRect> area = {},
                             WindowId window = 0) {
        RecordingRequest r;
        r.fileName = dir.str() + "/" + name;
        r.frameRate = 10;
        r.area = area;
        r.window = window;
        return r;
    }
    static void WaitForFrames(int32_t n) {
        for (int i = 0; i < 200 && RecordingFramesWritten() < n; ++i)
            std::this_thread::sleep_for(10ms);
    }
    // The recording stopped, finished and decoded cleanly in the stream size `w` x `h`.
    static std::vector<std::string> StopAndDecode(int w, int h,
                                                  RecordingStopResult* result = nullptr) {
        RecordingStopResult stop = StopRecording();
        if (result)
            *result = stop;
        EXPECT_TRUE(stop.ok) << stop.message;
        EXPECT_EQ(test::VideoStreamInfo(stop.fileName),
                  "mss2 " + std::to_string(w) + " " + std::to_string(h));
        bool clean = false;
        std::vector<std::string> frames = test::DecodeFramesSmall(stop.fileName, w, h, &clean);
        EXPECT_TRUE(clean);
        return frames;
    }

    test::TempDir dir;
    std::unique_ptr<ScreenConnection> screen;
};

// An all-zero area is the whole screen.
TEST_F(Recording, StopRightAfterStartLeavesAFinishedFileWithTheFirstFrame) {
    RecordingStartResult s =
        StartRecording(screen.get(), Request("quick.wmv", ScreenRect{0, 0, 0, 0}));
    ASSERT_TRUE(s.ok) << s.message;
    EXPECT_TRUE(RecordingRunning());
    EXPECT_EQ(RecordingFileName(), dir.str() + "/quick.wmv");
    const ScreenRect full = screen->screenRect();
    RecordingStopResult stop;
    EXPECT_GE(StopAndDecode(full.width(), full.height(), &stop).size(), 1u);
    EXPECT_TRUE(stop.stopped);
    EXPECT_EQ(stop.fileName, dir.str() + "/quick.wmv");
    EXPECT_FALSE(RecordingRunning());
    EXPECT_TRUE(RecordingFileName().empty());
    EXPECT_FALSE(StopRecording().stopped);
}

TEST_F(Recording, AClosedWindowLeavesTheRecordingRunningWithoutNewFrames) {
    test::XTestDisplay x;
    Window win = x.create(50, 60, 200, 150, test::Pattern);
    ASSERT_TRUE(StartRecording(screen.get(), Request("window.wmv", {}, win)).ok);
    WaitForFrames(4);
    ASSERT_GE(RecordingFramesWritten(), 4);
    x.destroy(win);
    std::this_thread::sleep_for(150ms); // a frame in hand may still land
    const int32_t frames = RecordingFramesWritten();
    std::this_thread::sleep_for(600ms);
    EXPECT_TRUE(RecordingRunning());
    EXPECT_EQ(RecordingFramesWritten(), frames);
    EXPECT_EQ(RecordingWriteError(), 0);
    std::vector<std::string> decoded = StopAndDecode(200, 150);
    EXPECT_EQ(decoded.size(), static_cast<size_t>(frames));
    // The first frame is the window's pattern (15-bit colour).
    ASSERT_FALSE(decoded.empty());
    const auto* rgb = reinterpret_cast<const uint8_t*>(decoded[0].data());
    const uint32_t want = test::Pattern(100, 70);
    for (int c = 0; c < 3; ++c)
        EXPECT_NEAR(rgb[(70 * 200 + 100) * 3 + c], (want >> (16 - 8 * c)) & 0xff, 8) << c;
}

TEST_F(Recording, AResizedWindowKeepsTheStreamsSize) {
    test::XTestDisplay x;
    Window win = x.createSolid(10, 10, 160, 120, 0x2040c0);
    RecordingRequest r = Request("resized.wmv", {}, win);
    r.drawCursor = false;
    ASSERT_TRUE(StartRecording(screen.get(), std::move(r)).ok);
    WaitForFrames(3);
    XResizeWindow(x.get(), win, 240, 60);
    x.sync();
    WaitForFrames(RecordingFramesWritten() + 4);
    std::vector<std::string> frames = StopAndDecode(160, 120);
    x.destroy(win);
    ASSERT_GE(frames.size(), 5u);
    // After the resize: the window's 160 x 60 top part, the rest black.
    const auto* last = reinterpret_cast<const uint8_t*>(frames.back().data());
    const uint8_t* inside = last + (30 * 160 + 100) * 3;
    const uint8_t* below = last + (100 * 160 + 100) * 3;
    EXPECT_NEAR(inside[2], 0xc0, 8);
    EXPECT_EQ(below[0] + below[1] + below[2], 0);
}

TEST_F(Recording, ARecordingThatCannotStartLeavesNothingRunning) {
    RecordingRequest r = Request("missing/dir.wmv");
    RecordingStartResult s = StartRecording(screen.get(), std::move(r));
    EXPECT_FALSE(s.ok);
    EXPECT_NE(s.message.find("cannot be created"), std::string::npos) << s.message;
    EXPECT_FALSE(RecordingRunning());

    // A window that is gone: no file is left behind.
    test::XTestDisplay x;
    Window win = x.create(0, 0, 30, 30, test::Pattern);
    x.destroy(win);
    s = StartRecording(screen.get(), Request("gone.wmv", {}, win));
    EXPECT_FALSE(s.ok);
    EXPECT_FALSE(RecordingRunning());
    EXPECT_FALSE(std::filesystem::exists(dir.str() + "/gone.wmv"));

    // No display.
    s = StartRecording(nullptr, Request("nodisplay.wmv"));
    EXPECT_FALSE(s.ok);
    EXPECT_FALSE(std::filesystem::exists(dir.str() + "/nodisplay.wmv"));

    // A name that exists is not overwritten unless the user named it.
    std::filesystem::create_directories(dir.str() + "/taken.wmv.d");
    std::ofstream(dir.str() + "/taken.wmv") << "keep";
    s = StartRecording(screen.get(), Request("taken.wmv"));
    EXPECT_FALSE(s.ok);
    EXPECT_EQ(std::filesystem::file_size(dir.str() + "/taken.wmv"), 4u);
}

TEST_F(Recording, AStartWhileOneRunsFinishesTheFirstAndAFrameRateBelowOneCountsAsOne) {
    ASSERT_TRUE(StartRecording(screen.get(), Request("first.wmv", ScreenRect{0, 0, 40, 40})).ok);
    RecordingRequest b = Request("second.wmv", ScreenRect{0, 0, 40, 40});
    b.frameRate = 0;
    const auto t0 = std::chrono::steady_clock::now();
    ASSERT_TRUE(StartRecording(screen.get(), std::move(b)).ok);
    EXPECT_EQ(test::VideoStreamInfo(dir.str() + "/first.wmv"), "mss2 40 40");
    std::this_thread::sleep_until(t0 + 1500ms);
    const int32_t frames = RecordingFramesWritten();
    // One frame a second: a tick at the start and one a second after (a loaded machine may
    // have let more time pass than asked).
    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - t0);
    EXPECT_GE(frames, 2);
    EXPECT_LE(frames, seconds.count() + 2);
    EXPECT_TRUE(StopRecording().ok);
}

TEST_F(Recording, SoundOnlyRecordsAVoiceFile) {
    if (!test::HavePulse())
        GTEST_SKIP() << "needs the test PulseAudio daemon (tests/start-pulse.sh)";
    ASSERT_TRUE(StartRecording(nullptr, Request("voice.wma")).ok);
    std::this_thread::sleep_for(2s);
    // Counted from the first sound: the time shown is the time in the file, however late the
    // sound input began to deliver.
    const double shown = RecordingElapsedMs() / 1000.0;
    RecordingStopResult stop = StopRecording();
    ASSERT_TRUE(stop.ok) << stop.message;
    EXPECT_TRUE(test::VideoStreamInfo(stop.fileName).empty());
    std::vector<int16_t> sound = test::DecodeSound(stop.fileName);
    EXPECT_GE(shown, 2.0);
    EXPECT_NEAR(sound.size() / 8000.0, shown, 0.25);
    EXPECT_NEAR(test::ToneFrequency(sound), 440.0, 5.0);
    // Stopped at once: a file that decodes, or no file and a reason; never an empty file.
    for (int i = 0; i < 3; ++i) {
        const std::string name = "quick" + std::to_string(i) + ".wma";
        ASSERT_TRUE(StartRecording(nullptr, Request(name)).ok);
        RecordingStopResult quick = StopRecording();
        const std::string path = dir.str() + "/" + name;
        if (quick.ok) {
            EXPECT_EQ(quick.fileName, path);
            EXPECT_GT(std::filesystem::file_size(path), 0u);
        } else {
            EXPECT_TRUE(quick.fileName.empty());
            EXPECT_FALSE(std::filesystem::exists(path));
            EXPECT_NE(quick.message.find("no sound arrived"), std::string::npos) << quick.message;
        }
    }
}

// Amplitude (full scale 1) of the tone at `hz` in s[from, to) at `rate`: the median of windows
// of a tenth of a second (a clock's correction may bend the pitch by a hair, and on a loaded
// machine a source may begin late or the test's own tone player may miss a beat).
double ToneLevel(const std::vector<int16_t>& s, double hz, int rate, size_t from, size_t to) {
    const size_t w = static_cast<size_t>(rate / 10);
    std::vector<double> levels;
    for (size_t at = from; at + w <= std::min(to, s.size()); at += w) {
        double re = 0, im = 0;
        for (size_t i = 0; i < w; ++i) {
            re += s[at + i] * std::cos(2 * M_PI * hz * i / rate);
            im -= s[at + i] * std::sin(2 * M_PI * hz * i / rate);
        }
        levels.push_back(2 * std::hypot(re, im) / static_cast<double>(w) / 32768);
    }
    if (levels.empty())
        return 0;
    std::nth_element(levels.begin(), levels.begin() + levels.size() / 2, levels.end());
    return levels[levels.size() / 2];
}

// The test server's microphone plays 440 Hz and the desktop's output 1000 Hz, both at half
// of full scale: each source, and both, as the music stream beside the pictures.
TEST_F(Recording, DesktopSoundAloneOrWithTheMicrophoneIsAMusicStreamWithItsTonesInPlace) {
    if (!test::HavePulse())
        GTEST_SKIP() << "needs the test PulseAudio daemon (tests/start-pulse.sh)";
    struct Row {
        const char* name;
        SoundSource source;
        std::string desktopSource;
        int32_t quality;
    } const rows[] = {
        {"desktop.wmv", SoundSource::desktop, "desktop.monitor", 0},
        {"mic.wmv", SoundSource::microphone, "", 96},
        // Both, a stored source that is gone: the default output's (silent) monitor.
        {"gone.wmv", SoundSource::both, "unplugged.monitor", 0},
        {"both.wmv", SoundSource::both, "desktop.monitor", 192},
    };
    double alone[2] = {0, 0}; // 440 Hz, 1000 Hz
    const std::string log = dir.str() + "/tessaray.log";
    SetWarningLogPathForTesting(log);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        RecordingRequest r = Request(row.name, ScreenRect{0, 0, 64, 48});
        r.audioDevice = "";
        r.sound = {row.source, row.desktopSource, row.quality, 0};
        const RecordingStartResult start = StartRecording(screen.get(), std::move(r));
        ASSERT_TRUE(start.ok) << start.message;
        EXPECT_EQ(start.withoutSound, "");
        std::this_thread::sleep_for(3s);
        RecordingStopResult stop = StopRecording();
        ASSERT_TRUE(stop.ok) << stop.message;
        EXPECT_EQ(test::Probe("-select_streams a:0 -show_entries stream=codec_name,sample_rate,"
                              "channels,bit_rate",
                              stop.fileName),
                  "mp3,48000,2," + std::to_string(row.quality ? row.quality * 1000 : 128000) +
                      "\n");
        const double video = std::stod(
            "0" + test::Probe("-select_streams v:0 -show_entries stream=duration", stop.fileName));
        const std::vector<int16_t> s = test::DecodeSound(stop.fileName, 48000);
        EXPECT_NEAR(s.size() / 48000.0, video, 0.1);
        // The desktop's monitor may take most of a second to deliver its first sound.
        const double mic = ToneLevel(s, 440, 48000, 48000 / 2, 48000 * 28 / 10);
        const double desk = ToneLevel(s, 1000, 48000, 48000 / 2, 48000 * 28 / 10);
        if (std::string(row.name) == "both.wmv") {
            // Each within 1 dB of its level alone.
            EXPECT_NEAR(20 * std::log10(mic / alone[0]), 0, 1.0);
            EXPECT_NEAR(20 * std::log10(desk / alone[1]), 0, 1.0);
            continue;
        }
        const bool desktop = row.source == SoundSource::desktop;
        EXPECT_NEAR(desktop ? desk : mic, 0.5, 0.1);
        EXPECT_LT(desktop ? mic : desk, 0.01);
        (desktop ? alone[1] : alone[0]) = desktop ? desk : mic;
    }
    EXPECT_NE(ReadWholeFile(log).value_or("").find("\"unplugged.monitor\" is not there"),
              std::string::npos);
    SetWarningLogPathForTesting("");
}

TEST_F(Recording, AnOutputRemovedMidRecordingLeavesTheVideoWithSilenceAndOneWarning) {
    if (!test::HavePulse())
        GTEST_SKIP() << "needs the test PulseAudio daemon (tests/start-pulse.sh)";
    std::string module;
    ASSERT_EQ(test::RunCommand("pactl load-module module-null-sink sink_name=unplugged rate=48000 "
                               "channels=2",
                               &module),
              0);
    const std::string log = dir.str() + "/tessaray.log";
    SetWarningLogPathForTesting(log);
    RecordingRequest r = Request("unplugged.wmv", ScreenRect{0, 0, 64, 48});
    r.audioDevice = "";
    r.sound = {SoundSource::desktop, "unplugged.monitor", 0, 0};
    ASSERT_TRUE(StartRecording(screen.get(), std::move(r)).ok);
    std::this_thread::sleep_for(1s);
    ASSERT_EQ(test::RunCommand("pactl unload-module " + module), 0);
    std::this_thread::sleep_for(2s);
    RecordingStopResult stop = StopRecording();
    SetWarningLogPathForTesting("");
    ASSERT_TRUE(stop.ok) << stop.message;
    const std::vector<double> frames = test::VideoFrameTimes(stop.fileName);
    ASSERT_FALSE(frames.empty());
    EXPECT_GT(frames.back(), 2.7);
    EXPECT_NEAR(test::DecodeSound(stop.fileName, 48000).size() / 48000.0, frames.back(), 0.15);
    const std::string text = ReadWholeFile(log).value_or("");
    size_t warnings = 0;
    for (size_t at = 0; (at = text.find("unplugged.monitor", at)) != std::string::npos; ++at)
        ++warnings;
    EXPECT_EQ(warnings, 1u) << text;
}

// The longest run of near-silence in `s` from `from` on, in seconds.
double LongestSilence(const std::vector<int16_t>& s, int rate = 8000, size_t from = 0) {
    size_t run = 0, longest = 0;
    for (size_t i = from; i < s.size(); ++i) {
        run = std::abs(s[i]) < 200 ? run + 1 : 0;
        longest = std::max(longest, run);
    }
    return static_cast<double>(longest) / rate;
}

TEST_F(Recording, APauseLeavesNoGapAndAKilledProgramAPlayableFile) {
    RecordingRequest r = Request("paused.wmv", ScreenRect{0, 0, 64, 48});
    const bool sound = test::HavePulse();
    if (sound)
        r.audioDevice = std::string();
    RecordingStartResult started = StartRecording(screen.get(), std::move(r));
    ASSERT_TRUE(started.ok) << started.message;
    EXPECT_EQ(started.withoutSound, "");
    EXPECT_FALSE(PauseRecording(false)); // not paused
    std::this_thread::sleep_for(1500ms);
    ASSERT_TRUE(PauseRecording(true));
    EXPECT_TRUE(RecordingPaused());
    const int32_t framesAtPause = RecordingFramesWritten();
    std::this_thread::sleep_for(1500ms);
    EXPECT_EQ(RecordingFramesWritten(), framesAtPause); // nothing written while paused
    EXPECT_NEAR(RecordingElapsedMs(), 1500, 300);
    ASSERT_TRUE(PauseRecording(false));
    std::this_thread::sleep_for(1500ms);
    EXPECT_NEAR(RecordingElapsedMs(), 3000, 300);
    RecordingStopResult stop = StopRecording();
    ASSERT_TRUE(stop.ok) << stop.message;
    // The file is as long as the time recorded, its frames follow each other without the
    // pause between them, and its sound (the test server's tone) has no hole of its length.
    EXPECT_NEAR(std::stod("0" + test::Probe("-show_entries format=duration", stop.fileName)), 3.0,
                0.3);
    const std::vector<double> times = test::VideoFrameTimes(stop.fileName);
    ASSERT_GT(times.size(), 10u);
    for (size_t i = 1; i < times.size(); ++i)
        EXPECT_LT(times[i] - times[i - 1], 0.5) << "frame " << i << " at " << times[i];
    if (sound) {
        const std::vector<int16_t> tone = test::DecodeSound(stop.fileName);
        EXPECT_NEAR(tone.size() / 8000.0, 3.0, 0.3);
        EXPECT_LT(LongestSilence(tone), 0.5)
            << test::ToneFrequency(tone) << " " << *std::max_element(tone.begin(), tone.end());
        // The music stream (the desktop's tone) pauses the same way; its monitor may take
        // most of a second to begin.
        RecordingRequest m = Request("paused-music.wmv", ScreenRect{0, 0, 64, 48});
        m.audioDevice = "";
        m.sound = {SoundSource::desktop, "desktop.monitor", 0, 0};
        ASSERT_TRUE(StartRecording(screen.get(), std::move(m)).ok);
        std::this_thread::sleep_for(1500ms);
        ASSERT_TRUE(PauseRecording(true));
        std::this_thread::sleep_for(1000ms);
        ASSERT_TRUE(PauseRecording(false));
        std::this_thread::sleep_for(1500ms);
        const RecordingStopResult music = StopRecording();
        ASSERT_TRUE(music.ok) << music.message;
        const std::vector<int16_t> s = test::DecodeSound(music.fileName, 48000);
        EXPECT_NEAR(s.size() / 48000.0, 3.0, 0.3);
        EXPECT_LT(LongestSilence(s, 48000, 48000 * 6 / 5), 0.5);
    }

    // A program killed during a pause leaves the file playable up to the pause.
    const std::string killed = dir.str() + "/killed.wmv";
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    if (child == 0) {
        auto own = ScreenConnection::open();
        RecordingRequest k = Request("killed.wmv", ScreenRect{0, 0, 64, 48});
        if (own && StartRecording(own.get(), std::move(k)).ok) {
            std::this_thread::sleep_for(1200ms);
            PauseRecording(true);
            (void)!write(ready[1], "p", 1);
        } else {
            _exit(1);
        }
        for (;;)
            pause();
    }
    close(ready[1]);
    char c = 0;
    const bool paused = read(ready[0], &c, 1) == 1;
    close(ready[0]);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    ASSERT_TRUE(paused);
    bool clean = false;
    EXPECT_GE(test::DecodeFramesSmall(killed, 64, 48, &clean).size(), 5u);
    const std::vector<double> kept = test::VideoFrameTimes(killed);
    ASSERT_FALSE(kept.empty());
    EXPECT_GT(kept.back(), 0.9);
}

} // namespace
} // namespace tess
