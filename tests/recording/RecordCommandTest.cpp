// The command-line recording as a user meets it: the program run under the test's X server,
// its file read back by ffprobe and ffmpeg.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gio/gio.h>
#include <thread>

#include "platform/FileIo.h"
#include "platform/Log.h"
#include "recording/RecordingTestUtil.h"
#include "support/PrivateBus.h"
#include "support/XTestWindows.h"

namespace tess {
namespace {

using namespace std::chrono_literals;
using test::Quote;

// Sound comes in whole 0.2-s buffers: either end may be a buffer off, and a little more.
constexpr double kSoundLengthTolerance = 0.5;

constexpr int kSmallW = 192, kSmallH = 108; // frames are compared at a tenth of 1920 x 1080

using test::PaletteColour;
using test::PaletteIndexOf;

class RecordCommand : public ::testing::Test {
protected:
    void SetUp() override {
        if (!test::HaveDisplay() || !test::HaveProgram("ffmpeg") || !test::HaveProgram("ffprobe"))
            GTEST_SKIP() << "needs an X display, ffmpeg and ffprobe";
    }
    test::TempDir dir;
};

TEST_F(RecordCommand, FramesShowTheScreenAsItWasWhenEachWasGrabbed) {
    test::XTestDisplay x;
    Display* d = x.get();
    ASSERT_NE(d, nullptr);
    XSetWindowAttributes attrs{};
    attrs.override_redirect = True;
    attrs.background_pixel = PaletteColour(0);
    Window win = XCreateWindow(d, x.root(), 0, 0, 1920, 1080, 0, CopyFromParent, InputOutput,
                               CopyFromParent, CWOverrideRedirect | CWBackPixel, &attrs);
    XMapRaised(d, win);
    XSync(d, False);

    const std::string file = dir.str() + "/screen.wmv";
    std::atomic<bool> done{false};
    test::ProgramRun run;
    std::thread recorder([&] {
        run = test::RunProgram("--record --seconds 5 --output " + Quote(file));
        done = true;
    });

    // The content changes every 300 ms; changes[k] is when colour k was on the screen.
    using clock = std::chrono::steady_clock;
    const auto t0 = clock::now();
    std::vector<double> changes{0.0};
    while (!done) {
        std::this_thread::sleep_for(300ms);
        const int k = static_cast<int>(changes.size());
        XSetWindowBackground(d, win, PaletteColour(k % 64));
        XClearWindow(d, win);
        XSync(d, False);
        changes.push_back(std::chrono::duration<double>(clock::now() - t0).count());
    }
    recorder.join();
    Window root, child;
    int px = 0, py = 0, wx, wy;
    unsigned mask;
    XQueryPointer(d, x.root(), &root, &child, &px, &py, &wx, &wy, &mask);
    x.destroy(win);

    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(test::FirstLine(run.out), file);
    std::vector<double> times;
    const std::vector<std::string> frames =
        test::FramesOfFiveSeconds(file, "mss2 1920 1080", kSmallW, kSmallH, &times);
    ASSERT_FALSE(frames.empty());

    // Each frame is one colour of the sequence all over (the cursor's corner left out), and
    // one offset between the test's clock and the frame times fits every frame.
    const int cx = px * kSmallW / 1920, cy = py * kSmallH / 1080;
    double lo = -1e9, hi = 1e9;
    const double tolerance = 0.3; // a loaded machine delays a grab; the colours last 0.3 s
    int previous = -1;
    for (size_t j = 0; j < frames.size(); ++j) {
        const auto* rgb = reinterpret_cast<const uint8_t*>(frames[j].data());
        const int k = PaletteIndexOf(rgb);
        ASSERT_GE(k, 0) << "frame " << j;
        int wrong = 0;
        for (int yy = 0; yy < kSmallH; ++yy)
            for (int xx = 0; xx < kSmallW; ++xx) {
                if (xx >= cx - 1 && xx <= cx + 5 && yy >= cy - 1 && yy <= cy + 5)
                    continue;
                if (PaletteIndexOf(rgb + (yy * kSmallW + xx) * 3) != k)
                    ++wrong;
            }
        EXPECT_EQ(wrong, 0) << "frame " << j;
        // Colours repeat every 64 changes; 5 s holds fewer than 20.
        int seq = k;
        while (seq < previous)
            seq += 64;
        ASSERT_LT(static_cast<size_t>(seq), changes.size()) << "frame " << j;
        previous = seq;
        const double from = changes[seq];
        const double to = seq + 1 < static_cast<int>(changes.size()) ? changes[seq + 1] : 1e9;
        lo = std::max(lo, from - times[j] - tolerance);
        hi = std::min(hi, to - times[j] + tolerance);
    }
    EXPECT_LE(lo, hi) << "no single start time explains the frames' contents";
}

TEST_F(RecordCommand, SoundIsTheSineOfTheRecordingsLengthWithOrWithoutAVideo) {
    if (!test::HavePulse())
        GTEST_SKIP() << "needs the test PulseAudio daemon (tests/start-pulse.sh)";
    const std::string file = dir.str() + "/sound.wmv";
    test::ProgramRun run = test::RunProgram(
        "--record --seconds 5 --audio --region 0,0,320,240 --output " + Quote(file));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(test::VideoStreamInfo(file), "mss2 320 240");
    std::vector<int16_t> sound = test::DecodeSound(file);
    const double seconds = sound.size() / 8000.0;
    const std::vector<double> times = test::VideoFrameTimes(file);
    ASSERT_FALSE(times.empty());
    // As long as the recording, and never ending before the video (the writer repeats the
    // latest buffer while sound lags).
    EXPECT_NEAR(seconds, 5.0, kSoundLengthTolerance);
    EXPECT_GE(seconds, times.back() - 0.05);
    EXPECT_NEAR(test::ToneFrequency(sound), 440.0, 5.0);

    // Sound only, which needs no display.
    const std::string voice = dir.str() + "/voice.wma";
    run = test::RunProgram("--record --seconds 1.5 --output " + Quote(voice), "env -u DISPLAY ");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(test::FirstLine(run.out), voice);
    EXPECT_TRUE(test::VideoStreamInfo(voice).empty());
    sound = test::DecodeSound(voice);
    EXPECT_NEAR(sound.size() / 8000.0, 1.5, kSoundLengthTolerance);
    EXPECT_NEAR(test::ToneFrequency(sound), 440.0, 5.0);

    // --audio-source over the settings' microphone: the desktop's 1000 Hz, as music.
    const std::string desk = dir.str() + "/desk.wma";
    run = test::RunProgram("--record --seconds 1.5 --audio-source desktop.monitor --output " +
                               Quote(desk),
                           "env -u DISPLAY ");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(test::Probe("-show_entries stream=codec_name", desk), "mp3\n");
    sound = test::DecodeSound(desk, 48000);
    EXPECT_NEAR(sound.size() / 48000.0, 1.5, kSoundLengthTolerance);
    EXPECT_NEAR(test::ToneFrequency(sound, 48000), 1000.0, 5.0);
    // The default output (an idle sink) sends nothing: silence of the recording's length.
    run = test::RunProgram("--record --seconds 1.5 --audio-source desktop --output " + Quote(desk),
                           "env -u DISPLAY ");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NEAR(test::DecodeSound(desk, 48000).size() / 48000.0, 1.5, kSoundLengthTolerance);
    // A source the server does not have: a mistake on the command line, told with the sources.
    const std::string none = dir.str() + "/none.wma";
    run = test::RunProgram("--record --seconds 1 --audio-source nosuch --output " + Quote(none),
                           "env -u DISPLAY ");
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("\"nosuch\""), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("desktop.monitor"), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(none));
}

// A video whose sound input cannot start (no sound server; an ALSA default device that does not
// exist) is recorded with a voice stream silent to the last frame, playable by ffprobe and
// GStreamer; a sound-only recording fails and leaves no file.
TEST_F(RecordCommand, ASoundInputThatCannotStartLeavesAVideoWithSilence) {
    if (!test::HaveProgram("gst-launch-1.0"))
        GTEST_SKIP() << "needs gst-launch-1.0";
    // ALSA knows no other device to fall back on.
    const std::string alsa = dir.str() + "/asound.conf";
    std::ofstream(alsa) << "pcm.!default { type hw card 29 }\nctl.!default { type hw card 29 }\n";
    const std::string state = "XDG_STATE_HOME=" + Quote(dir.str()) + " ";
    const std::string noServer =
        state + "PULSE_SERVER=" + Quote("unix:" + dir.str() + "/none") + " ";
    int n = 0;
    for (const std::string& env : {noServer, state + "ALSA_CONFIG_PATH=" + Quote(alsa) + " "}) {
        const std::string file = dir.str() + "/silent" + std::to_string(++n) + ".wmv";
        test::ProgramRun run = test::RunProgram(
            "--record --seconds 2 --audio --region 0,0,64,48 --output " + Quote(file), env);
        ASSERT_EQ(run.exitCode, 0) << env << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_NE(run.err.find("without sound"), std::string::npos) << run.err;
        const std::vector<double> times = test::VideoFrameTimes(file);
        ASSERT_FALSE(times.empty());
        const std::vector<int16_t> sound = test::DecodeSound(file);
        EXPECT_NEAR(sound.size() / 8000.0, times.back(), 0.1) << env;
        EXPECT_LT(*std::max_element(sound.begin(), sound.end()), 100) << "not silent";
        EXPECT_EQ(test::RunCommand("timeout 30 gst-launch-1.0 -q filesrc location=" + Quote(file) +
                                   " ! decodebin name=d d. ! queue ! fakesink d. ! queue ! "
                                   "fakesink >/dev/null 2>&1"),
                  0)
            << env;
        const std::string logged = test::Logged(dir.str(), {"tessaray", "tessaray-window"});
        EXPECT_NE(logged.find(file + " goes on without sound"), std::string::npos) << logged;
    }
    const std::string voice = dir.str() + "/voice.wma";
    test::ProgramRun run =
        test::RunProgram("--record --seconds 1 --output " + Quote(voice), noServer);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("the sound input could not be started"), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(voice));
}

// A window by id, with no --output (the name comes from the video pattern in the capture
// directory), ended by a terminate signal: the file is finished and decodes.
TEST_F(RecordCommand, AWindowByIdNamedFromThePatternAndFinishedByATerminateSignal) {
    test::XTestDisplay x;
    Window win = x.create(30, 40, 200, 150, test::Pattern);
    const std::string home = dir.str() + "/home";
    test::ProgramRun run = test::RunProgram("--record --window " + std::to_string(win),
                                            "HOME=" + Quote(home) +
                                                " XDG_CONFIG_HOME=" + Quote(dir.str() + "/config") +
                                                " timeout --preserve-status -s TERM 2 ");
    x.destroy(win);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::string file = test::FirstLine(run.out);
    EXPECT_EQ(file.rfind(home + "/Pictures/Tessaray/Tess", 0), 0u) << file;
    EXPECT_EQ(file.substr(file.size() - 4), ".wmv");
    EXPECT_EQ(test::VideoStreamInfo(file), "mss2 200 150");
    bool clean = false;
    EXPECT_FALSE(test::DecodeFramesSmall(file, 20, 10, &clean).empty());
    EXPECT_TRUE(clean);
    std::vector<double> times = test::VideoFrameTimes(file);
    ASSERT_FALSE(times.empty());
    EXPECT_GT(times.back(), 0.8);
}

TEST_F(RecordCommand, WrongOptionsAndImpossibleStartsExitWithAReason) {
    for (const char* args : {"--record --seconds abc", "--record --seconds 0",
                             "--record --window 5 --region 0,0,10,10", "--record --audio yes",
                             "--record --region 0,0,0,10", "--record --colour red"}) {
        test::ProgramRun run = test::RunProgram(args);
        EXPECT_EQ(run.exitCode, 2) << args;
        EXPECT_NE(run.err.find("usage: tessaray --record"), std::string::npos) << args;
        EXPECT_TRUE(run.out.empty()) << args;
    }
    // An unusable directory and a window that does not exist: nothing is left behind.
    test::ProgramRun run =
        test::RunProgram("--record --seconds 1 --output " + Quote(dir.str() + "/missing/x.wmv"));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("cannot be created"), std::string::npos) << run.err;
    run = test::RunProgram("--record --seconds 1 --window 0x3ffffff --output " +
                           Quote(dir.str() + "/w.wmv"));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("no longer exists"), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(dir.str() + "/w.wmv"));
    EXPECT_TRUE(run.out.empty());
}

TEST_F(RecordCommand, FullDiskStopsWithAMessageAndAPlayableFile) {
    const std::string file = dir.str() + "/full.wmv";
    // About 600 KB may be written; each change of the whole area costs a key frame of ~240 KB.
    test::ProgramRun run;
    {
        test::FlickeringArea area(0, 0, 400, 300, std::chrono::milliseconds(300));
        run = test::RunProgram("--record --seconds 20 --region 0,0,400,300 --output " + Quote(file),
                               "trap '' XFSZ; ulimit -f 1200; exec ");
    }
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("disk is full"), std::string::npos) << run.err;
    EXPECT_EQ(test::FirstLine(run.out), file);
    bool clean = false;
    EXPECT_GE(test::DecodeFramesSmall(file, 40, 30, &clean).size(), 2u);
    EXPECT_TRUE(clean);
    std::vector<double> times = test::VideoFrameTimes(file);
    ASSERT_FALSE(times.empty());
    EXPECT_LT(times.back(), 10.0);
}

// A window program on the test's private session bus, with the settings `extra` (lines of its
// registry file) and its captures in DIR/captures; ended by SIGTERM.
class ControlledProgram {
public:
    ControlledProgram(const test::TempDir& dir, const std::string& extra)
        : dir_(dir.str()), env_("XDG_CONFIG_HOME=" + Quote(dir_ + "/config") + " ") {
        std::filesystem::create_directories(captures());
        std::filesystem::create_directories(dir.path() / "config/Quorvanta");
        std::ofstream(dir.path() / "config/Quorvanta/Tessaray.reg")
            << "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quorvanta\\Tessaray]\n"
               "\"DefaultDirectory\"=\""
            << captures() << "\"\n\"DisplayOpenAuto\"=\"0\"\n"
            << extra;
    }
    ~ControlledProgram() {
        if (!program_.joinable())
            return;
        for (int i = 0; i < 100 && pid() <= 0; ++i)
            std::this_thread::sleep_for(100ms);
        if (pid() > 0)
            kill(pid(), SIGTERM);
        program_.join();
    }
    std::string captures() const { return dir_ + "/captures"; }
    // `tessaray --control REQUEST`: its exit status (124 after a minute without an answer);
    // its standard output and error in `run`.
    int control(const std::string& request) {
        run = test::RunProgram("--control " + request, env_ + "timeout 60 ");
        return run.exitCode;
    }
    // Starts the program and waits until it answers (a loaded machine takes a while).
    bool Start() {
        program_ = std::thread([this] {
            test::RunCommand(env_ + "sh -c 'echo $$ >" + dir_ + "/window.pid; exec \"$0\" 2>" +
                             dir_ + "/window.err' " + Quote(test::ProgramPath()));
        });
        for (int i = 0; i < 600 && control("pause") == 3; ++i)
            std::this_thread::sleep_for(100ms);
        return run.exitCode != 3;
    }
    int pid() const { return std::atoi(ReadWholeFile(dir_ + "/window.pid").value_or("0").c_str()); }
    std::string log() const { return ReadWholeFile(dir_ + "/window.err").value_or(""); }
    // The main window: the one window of the program up at first (its X id, "" when none).
    std::string FindMainWindow() {
        mainWindow_.clear();
        for (int i = 0; i < 100 && mainWindow_.empty(); ++i) {
            test::RunCommand("xdotool search --onlyvisible --pid " + std::to_string(pid()) +
                                 " --name '^Tessaray$'",
                             &mainWindow_);
            std::this_thread::sleep_for(100ms);
        }
        return mainWindow_ = test::FirstLine(mainWindow_);
    }
    bool MainWindowShown() const {
        return test::RunCommand("xwininfo -id " + mainWindow_ + " | grep -q IsViewable") == 0;
    }
    const std::string& env() const { return env_; }
    test::ProgramRun run;

private:
    std::string dir_, env_, mainWindow_;
    std::thread program_;
};

TEST_F(RecordCommand, ControlFromTheCommandLineRecordsPausesAndStopsInTheRunningWindowProgram) {
    test::PrivateSessionBus bus;
    if (!bus.up())
        GTEST_SKIP() << "needs dbus-daemon";
    ControlledProgram program(dir, "");
    EXPECT_EQ(program.control("stop"), 3); // no window program
    EXPECT_NE(program.run.err.find("no Tessaray window program is running"), std::string::npos)
        << program.run.err;
    EXPECT_EQ(program.control("rewind"), 2);

    ASSERT_TRUE(program.Start()) << program.log();
    // Refusals: exit 1, the reason on standard error, nothing on standard output.
    auto refused = [&](const std::string& request, const std::string& why) {
        EXPECT_EQ(program.control(request), 1) << request;
        EXPECT_NE(program.run.err.find(why), std::string::npos) << request << program.run.err;
        EXPECT_EQ(program.run.out, "") << request;
    };
    refused("stop", "No recording is running");
    refused("pause", "No recording is running");
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    // The answers: the file's name on standard output alone.
    ASSERT_EQ(program.control("record"), 0) << program.run.err;
    const std::string file = test::FirstLine(program.run.out);
    EXPECT_EQ(program.run.out, file + "\n");
    EXPECT_EQ(file.rfind(program.captures(), 0), 0u) << file;
    refused("record", "already running");
    std::this_thread::sleep_for(700ms);
    EXPECT_EQ(program.control("pause"), 0) << program.run.err;
    const auto paused = Clock::now();
    refused("pause", "already paused");
    std::this_thread::sleep_for(1s);
    const auto resuming = Clock::now();
    EXPECT_EQ(program.control("resume"), 0) << program.run.err;
    std::this_thread::sleep_for(700ms);
    EXPECT_EQ(program.control("stop"), 0) << program.run.err;
    const auto stopped = Clock::now();
    EXPECT_EQ(program.run.out, file + "\n");
    EXPECT_EQ(program.run.err, "");
    // A finished recording of the time recorded: at least the two waits while recording, at
    // most the whole run without the pause (each command takes a moment to start).
    std::string length;
    test::RunCommand("ffprobe -v error -show_entries format=duration -of csv=p=0 '" + file + "'",
                     &length);
    const double seconds = std::atof(length.c_str());
    const double most =
        std::chrono::duration<double>((stopped - start) - (resuming - paused)).count();
    EXPECT_GT(seconds, 1.1) << length;
    EXPECT_LT(seconds, most + 0.2) << length;
}

// A request that waits for the user's rectangle keeps others out ("busy") and ends with its
// caller: the selection goes, and the main window the snapshot hid is up again.
TEST_F(RecordCommand, AControlRequestWaitingForAChoiceRefusesOthersAndEndsWithItsCaller) {
    test::PrivateSessionBus bus;
    if (!bus.up())
        GTEST_SKIP() << "needs dbus-daemon";
    // A rectangle to choose, the window hidden meanwhile, no delay.
    ControlledProgram program(
        dir, "\"CapSelect\"=\"2\"\n\"CaptureAction\"=\"1\"\n\"CaptureDelay\"=\"0\"\n");
    ASSERT_TRUE(program.Start()) << program.log();
    ASSERT_NE(program.FindMainWindow(), "");
    const std::string pidFile = dir.str() + "/caller.pid";
    std::atomic<bool> answered{false};
    std::thread caller([&] {
        test::RunCommand(program.env() + "sh -c 'echo $$ >" + pidFile + "; exec \"$0\" " +
                         "--control snapshot >/dev/null 2>&1' " + Quote(test::ProgramPath()));
        answered = true;
    });
    // The request is under way once others are refused, and waits for the rectangle once the
    // window is hidden.
    bool waiting = false;
    for (int i = 0; i < 300 && !waiting; ++i) {
        std::this_thread::sleep_for(100ms);
        waiting = program.control("pause") == 1 &&
                  program.run.err.find("busy") != std::string::npos && !program.MainWindowShown();
    }
    EXPECT_TRUE(waiting) << program.run.err;
    EXPECT_EQ(program.control("record"), 1);
    EXPECT_EQ(program.run.err.rfind("tessaray: busy", 0), 0u) << program.run.err;
    EXPECT_FALSE(answered); // the first still waits

    kill(std::atoi(ReadWholeFile(pidFile).value_or("0").c_str()), SIGINT);
    caller.join();
    bool ended = false, shown = false;
    for (int i = 0; i < 100 && !(ended && shown); ++i) {
        std::this_thread::sleep_for(100ms);
        ended = program.control("stop") == 1 &&
                program.run.err.find("No recording is running") != std::string::npos;
        shown = program.MainWindowShown();
    }
    EXPECT_TRUE(ended) << program.run.err;
    EXPECT_TRUE(shown);
    EXPECT_TRUE(std::filesystem::is_empty(program.captures()));
}

} // namespace
} // namespace tess
