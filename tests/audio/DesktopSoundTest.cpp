#include "audio/AudioTestSupport.h"
#include "platform/pulse/PulseSources.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace tess {
namespace {

// What a capture handed over, and when.
struct Collected {
    std::mutex m;
    std::vector<int16_t> left;
    size_t frames = 0;
    void Add(const int16_t* f, size_t n) {
        std::lock_guard lock(m);
        for (size_t i = 0; i < n; ++i)
            left.push_back(f[i * 2]);
        frames += n;
    }
    size_t Frames() {
        std::lock_guard lock(m);
        return frames;
    }
};

TEST(DesktopSound, MonitorsAreListedAndTheDesktopsToneIsCapturedInSteadyFragments) {
    if (!test::HaveSoundServer())
        GTEST_SKIP() << "no sound server (tests/start-pulse.sh)";
    const pulse::MonitorList list = pulse::ListMonitorSources();
    ASSERT_EQ(list.error, "");
    EXPECT_EQ(list.defaultMonitor, "testsink.monitor");
    const auto desk = std::find_if(list.monitors.begin(), list.monitors.end(),
                                   [](const auto& s) { return s.name == "desktop.monitor"; });
    ASSERT_NE(desk, list.monitors.end());
    EXPECT_EQ(desk->description, "Monitor of Desktop");
    EXPECT_EQ(desk->rate, 48000u);
    // Only monitors: the microphone's source is not among them.
    EXPECT_TRUE(std::none_of(list.monitors.begin(), list.monitors.end(),
                             [](const auto& s) { return s.name == "tone"; }));

    Collected got;
    pulse::SourceCapture cap;
    std::string error;
    ASSERT_TRUE(cap.Start(
        "desktop.monitor", [&](const int16_t* f, size_t n) { got.Add(f, n); }, &error))
        << error;
    EXPECT_EQ(cap.rate(), 48000u);
    // A null sink that has just been loaded sends its first fragments after its longest
    // latency, 2 s; then they come steadily: within a second they add up to about that time.
    ASSERT_TRUE(test::WaitFor([&] { return got.Frames() >= 4800; }, 5000));
    const auto t0 = std::chrono::steady_clock::now();
    const size_t n0 = got.Frames();
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    const double secs =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    EXPECT_NEAR((got.Frames() - n0) / 48000.0, secs, 0.15);
    cap.Stop();
    EXPECT_FALSE(cap.lost());
    EXPECT_EQ(test::PeakHz(got.left, 48000, got.left.size() - 24000, got.left.size()), 1000);

    // "" is the default output's monitor; a name the server does not know fails to start.
    pulse::SourceCapture def;
    ASSERT_TRUE(def.Start(
        "", [](const int16_t*, size_t) {}, &error))
        << error;
    EXPECT_EQ(def.sourceName(), "testsink.monitor");
    pulse::SourceCapture none;
    EXPECT_FALSE(none.Start(
        "no-such-output.monitor", [](const int16_t*, size_t) {}, &error));
    EXPECT_NE(error.find("no-such-output.monitor"), std::string::npos) << error;
}

TEST(DesktopSound, ARemovedOutputOrAServerThatGoesAwayLeavesSilenceOnTheClockAndOneWarning) {
    test::LogToTemp log;
    test::PrivateSoundServer server;
    if (!server.Ok())
        GTEST_SKIP() << "cannot start a private sound server";
    for (const bool killServer : {false, true}) {
        SCOPED_TRACE(killServer ? "server killed" : "output removed");
        Collected got;
        pulse::SourceCapture cap;
        std::string error;
        // The desktop's output is removed; the server goes with the other output in use.
        ASSERT_TRUE(cap.Start(
            killServer ? "testsink.monitor" : "desktop.monitor",
            [&](const int16_t* f, size_t n) { got.Add(f, n); }, &error))
            << error;
        // The private server's outputs are new: their first fragments come after 2 s.
        ASSERT_TRUE(test::WaitFor([&] { return got.Frames() >= 4800; }, 5000));
        if (killServer)
            ASSERT_TRUE(server.Kill());
        else
            ASSERT_EQ(test::RunCommand("pactl unload-module $(pactl list short modules | "
                                       "grep sink_name=desktop | cut -f1)"),
                      0);
        ASSERT_TRUE(test::WaitFor([&] { return cap.lost(); }, 3000));
        // Silence goes on at the capture's rate.
        const size_t n0 = got.Frames();
        const auto t0 = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        const double secs =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        EXPECT_NEAR((got.Frames() - n0) / 48000.0, secs, 0.1);
        {
            std::lock_guard lock(got.m);
            EXPECT_TRUE(std::all_of(got.left.begin() + static_cast<std::ptrdiff_t>(n0),
                                    got.left.end(), [](int16_t v) { return v == 0; }));
        }
        cap.Stop();
    }
    const std::string text = log.Text();
    size_t warnings = 0;
    for (size_t at = 0; (at = text.find("silence is recorded", at)) != std::string::npos; ++at)
        ++warnings;
    EXPECT_EQ(warnings, 2u) << text; // one for each loss
}

} // namespace
} // namespace tess
