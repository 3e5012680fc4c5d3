// The X server dying under a command-line recording: the file is finished as at a normal
// stop, the reason is told and logged, and the program ends with an ordinary failure.
#include <gtest/gtest.h>

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <poll.h>
#include <sstream>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

#include "media/asf/AsfReader.h"
#include "platform/Log.h"
#include "recording/RecordingTestUtil.h"
#include "support/PrivateXServer.h"

namespace tess {
namespace {

using namespace std::chrono_literals;
using test::Quote;

// The file was finished as at a normal stop (final header, index, sizes) and both
// independent readers decode every frame it holds.
void ExpectFinishedToItsLastFrame(const std::string& file) {
    asf::AsfReader reader;
    std::string error;
    ASSERT_TRUE(reader.Open(file, &error)) << error;
    EXPECT_TRUE(reader.finished()) << "the header still has its unfinished (broadcast) form";
    EXPECT_TRUE(reader.hasSimpleIndex());
    EXPECT_GT(reader.duration(), 10000000u); // more than a second
    EXPECT_EQ(reader.headerFileSize(), reader.fileSize());
    std::vector<asf::ObjectDesc> objects;
    ASSERT_TRUE(reader.ReadObjects(objects, &error)) << error;
    EXPECT_TRUE(std::all_of(objects.begin(), objects.end(), [](auto& o) { return o.complete; }));
    const int frames = static_cast<int>(objects.size());
    ASSERT_GT(frames, 5);
    std::string probed;
    ASSERT_EQ(test::RunCommand("ffprobe -v error -count_frames -select_streams v:0 -show_entries "
                               "stream=nb_read_frames -of csv=p=0 " +
                                   Quote(file),
                               &probed),
              0);
    EXPECT_EQ(std::stoi(probed), frames);
    std::string gst;
    EXPECT_EQ(test::RunCommand("gst-launch-1.0 filesrc location=" + Quote(file) +
                                   " ! decodebin ! videoconvert ! fakesink silent=false -v "
                                   "2>&1 | grep -c 'chain'",
                               &gst),
              0);
    EXPECT_EQ(std::stoi(gst), frames);
}

TEST(DisplayLost, CommandLineRecordingIsFinishedAndTheProgramFailsPlainly) {
    if (!test::HaveProgram("Xvfb") || !test::HaveProgram("ffprobe") ||
        !test::HaveProgram("gst-launch-1.0"))
        GTEST_SKIP() << "needs Xvfb, ffprobe and gst-launch-1.0";
    test::PrivateXServer x;
    ASSERT_FALSE(x.name().empty()) << "the private X server did not start";
    test::TempDir dir;
    const std::string file = dir.str() + "/lost.wmv";
    const std::string log = dir.str() + "/tessaray.log";

    test::ProgramRun run;
    std::thread recorder([&] {
        run = test::RunProgram("--record --seconds 60 --output " + Quote(file),
                               "DISPLAY=" + x.name() + " XDG_STATE_HOME=" + Quote(dir.str()) +
                                   " timeout -s KILL 50 ");
    });
    // Let a few seconds of frames reach the file, then pull the server away.
    for (int i = 0;
         i < 100 && !(std::filesystem::exists(file) && std::filesystem::file_size(file) > 20000);
         ++i)
        std::this_thread::sleep_for(100ms);
    std::this_thread::sleep_for(1500ms);
    x.Kill();
    recorder.join();

    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_NE(run.err.find("The connection to the display was lost."), std::string::npos)
        << run.err;
    EXPECT_EQ(test::FirstLine(run.out), file);

    EXPECT_NE(test::Logged(dir.str(), {"tessaray", "tessaray-window"})
                  .find("The connection to the display was lost."),
              std::string::npos);

    ExpectFinishedToItsLastFrame(file);
}

TEST(DisplayLost, WindowProgramFinishesItsRecordingAndFailsPlainly) {
    if (!test::HaveProgram("Xvfb") || !test::HaveProgram("xdotool") ||
        !test::HaveProgram("ffprobe") || !test::HaveProgram("gst-launch-1.0"))
        GTEST_SKIP() << "needs Xvfb, xdotool, ffprobe and gst-launch-1.0";
    test::PrivateXServer x;
    ASSERT_FALSE(x.name().empty()) << "the private X server did not start";
    test::TempDir dir;
    const std::string captures = dir.str() + "/captures";
    std::filesystem::create_directories(captures);
    std::filesystem::create_directories(dir.path() / "config/Quorvanta");
    // F9 (virtual key 0x78, no modifiers) as the video hot key; captures in our directory.
    std::ofstream(dir.path() / "config/Quorvanta/Tessaray.reg")
        << "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quorvanta\\Tessaray]\n"
           "\"Key1\"=\"120\"\n\"VidAudio\"=\"0\"\n\"DefaultDirectory\"=\"" +
               captures + "\"\n";
    const std::string env = "DISPLAY=" + x.name() +
                            " XDG_CONFIG_HOME=" + Quote(dir.str() + "/config") +
                            " XDG_DATA_HOME=" + Quote(dir.str() + "/data") +
                            " XDG_STATE_HOME=" + Quote(dir.str()) + " ";

    test::ProgramRun run;
    std::thread program([&] { run = test::RunProgram("", env + "timeout -s KILL 90 "); });
    bool shown = false;
    for (int i = 0; i < 300 && !shown; ++i) {
        std::this_thread::sleep_for(100ms);
        shown = test::RunCommand(env + "xdotool search --class Tessaray >/dev/null 2>&1") == 0;
    }
    std::string file;
    if (shown) {
        std::this_thread::sleep_for(1s);
        test::RunCommand(env + "xdotool key F9");
        for (int i = 0; i < 200 && file.empty(); ++i) {
            std::this_thread::sleep_for(100ms);
            for (const auto& e : std::filesystem::directory_iterator(captures))
                if (e.path().extension() == ".wmv" && e.file_size() > 20000)
                    file = e.path().string();
        }
        std::this_thread::sleep_for(1500ms);
    }
    x.Kill();
    program.join();
    ASSERT_TRUE(shown) << "the window never appeared: " << run.err;
    ASSERT_FALSE(file.empty()) << "the hot key started no recording: " << run.err;

    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_NE(run.err.find("the connection to the display was lost"), std::string::npos) << run.err;
    EXPECT_NE(
        test::Logged(dir.str(), {"tessaray-window"}).find("The connection to the display was lost"),
        std::string::npos);
    ExpectFinishedToItsLastFrame(file);
}

// A snapshot of a huge screen takes long enough to be cut off by the server's death: it
// fails with a message and leaves no file, or, when it was quicker, a whole picture.
TEST(DisplayLost, ASnapshotFailsPlainlyAndLeavesNoPartialFile) {
    if (!test::HaveProgram("Xvfb"))
        GTEST_SKIP() << "needs Xvfb";
    int cutOff = 0;
    for (int attempt = 0; attempt < 4 && cutOff == 0; ++attempt) {
        test::PrivateXServer x("8192x8192x24");
        ASSERT_FALSE(x.name().empty());
        test::TempDir dir;
        const std::string file = dir.str() + "/shot.png";
        test::ProgramRun run;
        std::thread shooter([&] {
            run = test::RunProgram("--snapshot --output " + Quote(file),
                                   "DISPLAY=" + x.name() +
                                       " XDG_DATA_HOME=" + Quote(dir.str() + "/data") + " ");
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(20 + 20 * attempt));
        x.Kill();
        shooter.join();
        if (run.exitCode == 0) {
            EXPECT_EQ(test::RunCommand("identify " + Quote(file) + " >/dev/null 2>&1"), 0);
            continue;
        }
        ++cutOff;
        EXPECT_EQ(run.exitCode, 1) << run.err;
        EXPECT_NE(run.err.find("display"), std::string::npos) << run.err;
        for (const auto& e : std::filesystem::directory_iterator(dir.path()))
            EXPECT_TRUE(e.is_directory()) << "left behind: " << e.path();
    }
    EXPECT_GT(cutOff, 0) << "no snapshot was cut off by the server's death";
}

// An X server on 127.0.0.1 that accepts the client's set-up (one screen, 24-bit TrueColor)
// and goes when the client waits for the answer to its first request: the server dies while
// XOpenDisplay is still making its own round trips.
class ServerGoneWhileOpening {
public:
    ServerGoneWhileOpening() {
        listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        for (int n = 99; n >= 50 && name_.empty(); --n) {
            sockaddr_in a{};
            a.sin_family = AF_INET;
            a.sin_port = htons(static_cast<uint16_t>(6000 + n));
            a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            if (bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
                listen(listener_, 4) == 0)
                name_ = "127.0.0.1:" + std::to_string(n);
        }
        if (!name_.empty())
            thread_ = std::thread([this] { Serve(); });
    }
    ~ServerGoneWhileOpening() {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
        close(listener_);
    }
    const std::string& name() const { return name_; }

private:
    static bool Readable(int fd, int ms) {
        pollfd p{fd, POLLIN, 0};
        return poll(&p, 1, ms) == 1;
    }
    void Serve() {
        while (!stop_) {
            if (!Readable(listener_, 100))
                continue;
            const int c = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (c < 0)
                continue;
            // The client's set-up: byte order, version, then its authorisation, padded.
            unsigned char head[12];
            if (recv(c, head, sizeof head, MSG_WAITALL) == sizeof head) {
                const int rest =
                    ((head[6] | head[7] << 8) + 3) / 4 * 4 + ((head[8] | head[9] << 8) + 3) / 4 * 4;
                std::vector<unsigned char> skip(static_cast<size_t>(rest) + 1);
                if (rest == 0 || recv(c, skip.data(), rest, MSG_WAITALL) == rest) {
                    const std::vector<unsigned char> reply = SetupReply();
                    (void)!send(c, reply.data(), reply.size(), MSG_NOSIGNAL);
                    // Read until the client waits for an answer, then go.
                    unsigned char buf[4096];
                    while (Readable(c, 300) && recv(c, buf, sizeof buf, 0) > 0) {
                    }
                }
            }
            close(c);
        }
    }
    // A little-endian set-up reply, field by field (value, bytes): 32 fixed bytes, the vendor,
    // one pixmap format, one screen with one depth of one visual.
    static std::vector<unsigned char> SetupReply() {
        // clang-format off
        const std::pair<uint32_t, int> fields[] = {
            {1, 1}, {0, 1}, {11, 2}, {0, 2}, {29, 2},            // success, 11.0, 29 words follow
            {1, 4}, {0x200000, 4}, {0x1fffff, 4}, {0, 4},        // release, id base and mask
            {4, 2}, {0xffff, 2}, {1, 1}, {1, 1},                 // vendor size, request size, 1, 1
            {0, 1}, {0, 1}, {32, 1}, {32, 1}, {8, 1}, {255, 1}, {0, 4}, // orders, keycodes
            {0x74736574, 4},                                     // "test"
            {24, 1}, {32, 1}, {32, 1}, {0, 1}, {0, 4},           // depth 24 at 32 bits a pixel
            {0x100, 4}, {0x20, 4}, {0xffffff, 4}, {0, 4}, {0, 4}, // root, colormap, pixels
            {640, 2}, {480, 2}, {169, 2}, {127, 2}, {1, 2}, {1, 2}, // size, colormaps
            {0x21, 4}, {0, 1}, {0, 1}, {24, 1}, {1, 1},          // root visual, depth, one depth
            {24, 1}, {0, 1}, {1, 2}, {0, 4},                     // depth 24 with one visual
            {0x21, 4}, {4, 1}, {8, 1}, {256, 2}, {0xff0000, 4}, {0xff00, 4}, {0xff, 4}, {0, 4}};
        // clang-format on
        std::vector<unsigned char> b;
        for (const auto& [value, bytes] : fields)
            for (int i = 0; i < bytes; ++i)
                b.push_back(static_cast<unsigned char>(value >> (8 * i)));
        return b;
    }

    int listener_ = -1;
    std::string name_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// Both programs (the launcher's snapshot and the window program) say it in their own words.
TEST(DisplayLost, AServerGoneWhileTheDisplayOpensGetsTheProgramsMessage) {
    ServerGoneWhileOpening x;
    ASSERT_FALSE(x.name().empty()) << "no free port for the X server";
    test::TempDir dir;
    const std::string env = "DISPLAY=" + x.name() + " HOME=" + Quote(dir.str()) +
                            " XDG_CONFIG_HOME=" + Quote(dir.str()) +
                            " XDG_DATA_HOME=" + Quote(dir.str()) + " timeout -s KILL 20 ";
    for (const char* args : {"--snapshot --output shot.png", ""}) {
        const test::ProgramRun run =
            test::RunProgram(args, "cd " + Quote(dir.str()) + " && " + env);
        EXPECT_EQ(run.exitCode, 1) << args;
        EXPECT_EQ(run.err, "tessaray: the connection to the display was lost\n") << args;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "shot.png"));
}

} // namespace
} // namespace tess
