// Sound against picture in a real recording, and the sound server going away: a screen change
// and a tone switched on (and off) together sit together in the decoded file, and a recording
// after the sound server came back records sound again.
#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <thread>

#include "recording/RecordingTestUtil.h"
#include "support/XTestWindows.h"

namespace tess {
namespace {

using namespace std::chrono_literals;
using test::Quote;

// The test source switched on or off at the sound server (the recording keeps reading it).
void Tone(bool on) {
    test::RunCommand(std::string("pactl set-source-mute tone ") + (on ? "0" : "1"));
}

// The first time a sample is on, and the first time after it that one is off (-1: none).
std::pair<double, double> Span(const std::vector<std::pair<double, bool>>& samples) {
    double on = -1, off = -1;
    for (auto [t, now] : samples)
        if (now && on < 0)
            on = t;
        else if (!now && on >= 0 && off < 0)
            off = t;
    return {on, off};
}

// Times (seconds, file time) where the sound becomes loud (half of full scale) and quiet
// again, in 10 ms steps.
std::pair<double, double> ToneSpan(const std::string& file) {
    const std::vector<int16_t> s = test::DecodeSound(file);
    const double start =
        std::atof(test::Probe("-select_streams a:0 -show_entries stream=start_time", file).c_str());
    std::vector<std::pair<double, bool>> loud;
    for (size_t at = 0; at + 80 <= s.size(); at += 80) {
        double sum = 0;
        for (size_t i = at; i < at + 80; ++i)
            sum += double(s[i]) * s[i];
        loud.emplace_back(start + at / 8000.0, std::sqrt(sum / 80) > 3000);
    }
    return Span(loud);
}

// Times where the recorded area turns white, and black again.
std::pair<double, double> WhiteSpan(const std::string& file) {
    const auto frames = test::DecodeFramesSmall(file, 8, 6);
    const auto times = test::VideoFrameTimes(file);
    std::vector<std::pair<double, bool>> white;
    for (size_t i = 0; i < frames.size() && i < times.size(); ++i) {
        long sum = 0;
        for (unsigned char c : frames[i])
            sum += c;
        white.emplace_back(times[i], sum / long(frames[i].size()) > 128);
    }
    return Span(white);
}

TEST(SoundTiming, AToneAndAScreenChangeStayTogetherFromStartToEnd) {
    if (!test::HaveDisplay() || !test::HavePulse() || !test::HaveProgram("ffmpeg"))
        GTEST_SKIP() << "needs an X display, the test PulseAudio daemon and ffmpeg";
    test::TempDir dir;
    // 30 frames a second, so a frame's time is within 33 ms of the change it shows.
    std::filesystem::create_directories(dir.path() / "config/Quorvanta");
    std::ofstream(dir.path() / "config/Quorvanta/Tessaray.reg")
        << "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quorvanta\\Tessaray]\n"
           "\"WMFrameRate\"=\"30\"\n";

    test::XTestDisplay x;
    Display* d = x.get();
    ASSERT_NE(d, nullptr);
    Window win = x.createSolid(0, 0, 64, 48, 0);
    Tone(false);

    const std::string file = dir.str() + "/aligned.wmv";
    test::ProgramRun run;
    std::thread recorder([&] {
        run = test::RunProgram("--record --seconds 20 --audio --region 0,0,64,48 --output " +
                                   Quote(file),
                               "XDG_CONFIG_HOME=" + Quote(dir.str() + "/config") + " ");
    });
    // The tone follows the screen by as long as pactl takes, which a loaded machine stretches.
    double toneLag = 0;
    auto change = [&](bool white) {
        XSetWindowBackground(d, win, white ? 0xFFFFFF : 0);
        XClearWindow(d, win);
        XSync(d, False);
        const auto t0 = std::chrono::steady_clock::now();
        Tone(white);
        toneLag = std::max(
            toneLag, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    };
    // Two seconds into the file (a loaded machine is slow to start the program).
    for (int i = 0; i < 100 && !std::filesystem::exists(file); ++i)
        std::this_thread::sleep_for(100ms);
    std::this_thread::sleep_for(2s);
    change(true);
    std::this_thread::sleep_for(15s);
    change(false);
    recorder.join();
    Tone(true); // as the other sound tests expect it
    x.destroy(win);
    ASSERT_EQ(run.exitCode, 0) << run.err;

    const auto [videoOn, videoOff] = WhiteSpan(file);
    const auto [soundOn, soundOff] = ToneSpan(file);
    ASSERT_GT(videoOn, 1.0);
    ASSERT_GT(videoOff, videoOn);
    ASSERT_GT(soundOn, 1.0) << "no tone found";
    ASSERT_GT(soundOff, soundOn) << "the tone never ends";
    EXPECT_NEAR(soundOn, videoOn, 0.1 + toneLag) << "at the start";
    EXPECT_NEAR(soundOff, videoOff, 0.1 + toneLag) << "at the end";
}

TEST(SoundTiming, ARecordingAfterTheSoundServerCameBackRecordsSound) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (!test::HaveDisplay() || !test::HavePulse() || !runtime ||
        !std::filesystem::exists(std::string(runtime) + "/pulse-test.pid"))
        GTEST_SKIP() << "needs an X display and the test PulseAudio daemon started for the run";
    test::TempDir dir;
    const std::string pidFile = std::string(runtime) + "/pulse-test.pid";
    auto killServer = [&] {
        std::string pid;
        test::RunCommand("cat " + Quote(pidFile), &pid);
        test::RunCommand("kill -KILL " + pid);
        for (int i = 0; i < 50 && test::HavePulse(); ++i)
            std::this_thread::sleep_for(100ms);
    };

    // The server goes during a recording: the video goes on to the end.
    const std::string first = dir.str() + "/during.wmv";
    test::ProgramRun run;
    std::thread recorder([&] {
        run = test::RunProgram("--record --seconds 5 --audio --region 0,0,64,48 --output " +
                               Quote(first));
    });
    std::this_thread::sleep_for(2s);
    killServer();
    recorder.join();
    ASSERT_FALSE(test::HavePulse());
    const auto times = test::VideoFrameTimes(first);
    ASSERT_FALSE(times.empty()) << run.err;
    EXPECT_GT(times.back(), 4.0) << run.err;

    // Back again: the next recording finds it and records the tone.
    ASSERT_EQ(test::RunCommand(Quote(std::string(TESS_SOURCE_DIR) + "/tests/start-pulse.sh")), 0);
    ASSERT_TRUE(test::HavePulse());
    std::this_thread::sleep_for(500ms);
    const std::string second = dir.str() + "/after.wmv";
    run = test::RunProgram("--record --seconds 3 --audio --region 0,0,64,48 --output " +
                           Quote(second));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::vector<int16_t> sound = test::DecodeSound(second);
    EXPECT_NEAR(sound.size() / 8000.0, 3.0, 0.3);
    EXPECT_NEAR(test::ToneFrequency(sound), 440.0, 5.0);
}

} // namespace
} // namespace tess
