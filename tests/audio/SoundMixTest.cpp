#include "audio/SoundMix.h"
#include "audio/SoundTiming.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <vector>

namespace tess {
namespace {

constexpr double kPi = 3.14159265358979323846;

// Amplitude of the tone at `hz` in channel `ch` of interleaved `s` (a whole number of its
// periods in the samples).
template <class T>
double ToneLevel(const std::vector<T>& s, int channels, int ch, double hz, int rate, double scale) {
    std::complex<double> sum;
    const size_t n = s.size() / channels;
    for (size_t i = 0; i < n; ++i)
        sum +=
            std::polar(static_cast<double>(s[i * channels + ch]) / scale, -2 * kPi * hz * i / rate);
    return 2 * std::abs(sum) / n;
}

double Db(double a, double b) {
    return 20 * std::log10(a / b);
}

TEST(SoundMix, BalanceAndLimiterKeepEachSourceAtItsLevelAndTheSumNeverClips) {
    struct Row {
        double mic, desktop; // amplitudes of 440 Hz (microphone) and 1000 Hz (desktop)
        int balance;
        double micWant, deskWant; // amplitudes in the mix (0: absent)
        double toleranceDb;
    };
    const Row rows[] = {
        {0.5, 0.0, 0, 0.5, 0, 0.05},    // one source alone passes unchanged
        {0.5, 0.5, 0, 0.5, 0.5, 1.0},   // both at -6 dBFS: each within 1 dB of its level alone
        {1.0, 1.0, 0, 0.5, 0.5, 1.0},   // both at full scale: limited, never clipped
        {0.5, 0.5, -100, 0.5, 0, 0.05}, // the microphone alone
        {0.5, 0.5, 50, 0.25, 0.5, 1.0}, // the microphone turned down by half
        {0.5, 0.5, -150, 0.5, 0, 0.05}, // beyond the bound: taken as the bound
    };
    const int rate = 48000;
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.mic << " " << row.desktop << " " << row.balance);
        std::vector<float> mic(rate * 2), desk(rate * 2), scratch(rate * 2);
        for (int i = 0; i < rate; ++i)
            for (int ch = 0; ch < 2; ++ch) {
                mic[i * 2 + ch] = static_cast<float>(row.mic * std::sin(2 * kPi * 440 * i / rate));
                desk[i * 2 + ch] =
                    static_cast<float>(row.desktop * std::sin(2 * kPi * 1000 * i / rate));
            }
        std::vector<int16_t> out(rate * 2);
        SoundMixer mixer(rate, 2, row.balance);
        // In pieces, as buffers come: the limiter's gain carries over.
        for (int at = 0; at < rate; at += 480)
            mixer.Mix(&mic[at * 2], &desk[at * 2], 480, scratch.data(), &out[at * 2]);
        const double m = ToneLevel(out, 2, 0, 440, rate, 32768),
                     d = ToneLevel(out, 2, 1, 1000, rate, 32768);
        if (row.micWant > 0)
            EXPECT_NEAR(Db(m, row.micWant), 0, row.toleranceDb) << "microphone " << m;
        else
            EXPECT_LT(m, 0.001);
        if (row.deskWant > 0)
            EXPECT_NEAR(Db(d, row.deskWant), 0, row.toleranceDb) << "desktop " << d;
        else
            EXPECT_LT(d, 0.001);
        int peak = 0, wrapped = 0;
        for (size_t i = 0; i < out.size(); ++i) {
            peak = std::max(peak, std::abs(static_cast<int>(out[i])));
            const MixGains g = GainsOfBalance(row.balance);
            const float sum = mic[i] * g.microphone + desk[i] * g.desktop;
            if ((sum > 0.01f && out[i] < 0) || (sum < -0.01f && out[i] > 0))
                ++wrapped;
        }
        EXPECT_LT(peak, 32767) << "clipped";
        EXPECT_EQ(wrapped, 0);
        EXPECT_GT(mixer.lastPeak(), 0u);
    }
    EXPECT_EQ(ToPcm16(2.0f), 32767);
    EXPECT_EQ(ToPcm16(-2.0f), -32768);
}

TEST(SoundMix, ResamplerConvertsATonesRateCleanly) {
    struct Row {
        int from, to;
    } const rows[] = {{44100, 48000}, {48000, 44100}, {8000, 48000}, {48000, 48000}};
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.from << " -> " << row.to);
        std::vector<float> in(row.from);
        for (int i = 0; i < row.from; ++i)
            in[i] = static_cast<float>(0.5 * std::sin(2 * kPi * 1000 * i / row.from));
        Resampler r(1);
        r.SetStep(static_cast<double>(row.from) / row.to);
        std::vector<float> out;
        for (int at = 0; at < row.from; at += 441)
            r.Process(&in[at], std::min(441, row.from - at), out);
        // Two input frames wait for the ones after them.
        EXPECT_NEAR(static_cast<double>(out.size()), row.to, 2.0 * row.to / row.from + 1);
        // The converted tone: its level, and what is left besides it (80 dB below at 48 kHz).
        out.resize(static_cast<size_t>(row.to) / 2);
        const double level = ToneLevel(out, 1, 0, 1000, row.to, 1.0);
        EXPECT_NEAR(level, 0.5, 0.005);
        double rest = 0;
        for (size_t i = 0; i < out.size(); ++i) {
            const double e = out[i] - 0.5 * std::sin(2 * kPi * 1000 * i / row.to);
            rest += e * e;
        }
        EXPECT_LT(10 * std::log10(rest / out.size() / 0.125), row.from == 8000 ? -30 : -50);
    }
}

// A device whose clock runs at `ratio` of what it says, sending `burstMs` buffers, pulled by
// the recording's clock every 10 ms for `seconds`.
struct Drive {
    uint64_t pushedFrames = 0, zerosAfterStart = 0;
    double lastSecondQueue = 0; // seconds, averaged over the last second
    double lastSecondCorrection = 0;
};
Drive RunDevice(ClockedSource& src, int deviceRate, int outRate, double ratio, int burstMs,
                double seconds, double stopFrom = -1, double stopTo = -1) {
    Drive d;
    const int64_t burst = deviceRate * burstMs / 1000;
    const std::vector<int16_t> pcm(static_cast<size_t>(burst), 1000);
    std::vector<float> out(outRate);
    int64_t k = 0, pushNs = 0, pullNs = 10000000, pulled = 0, queueSamples = 0;
    double queueSum = 0, correctionSum = 0;
    const int64_t end = static_cast<int64_t>(seconds * 1e9);
    bool started = false;
    while (pullNs <= end) {
        if (pushNs <= pullNs) {
            const double t = pushNs / 1e9;
            if (!(t >= stopFrom && t < stopTo)) {
                src.Push(pcm.data(), pcm.size());
                d.pushedFrames += pcm.size();
            }
            // Buffers arrive at the device's true pace, each up to 2 ms early or late.
            ++k;
            pushNs = static_cast<int64_t>(k * burst * 1e9 / (deviceRate * ratio)) +
                     ((k * 7919) % 5 - 2) * 1000000;
            continue;
        }
        const int64_t want = pullNs * outRate / 1000000000 - pulled;
        src.Pull(out.data(), static_cast<size_t>(want));
        pulled += want;
        for (int64_t i = 0; i < want; ++i) {
            if (out[i] != 0)
                started = true;
            else if (started)
                ++d.zerosAfterStart;
        }
        if (pullNs > end - 1000000000) {
            queueSum += static_cast<double>(src.queued());
            correctionSum += src.correction();
            ++queueSamples;
        }
        pullNs += 10000000;
    }
    d.lastSecondQueue = queueSum / std::max<int64_t>(queueSamples, 1) / outRate;
    d.lastSecondCorrection = correctionSum / std::max<int64_t>(queueSamples, 1);
    return d;
}

TEST(SoundMix, DriftingDeviceClocksStayOnTheRecordingClockWithoutBreaks) {
    struct Row {
        int deviceRate, outRate;
        double ratio;
        int burstMs;
    } const rows[] = {
        {8000, 8000, 8008.0 / 8000, 20}, // 0.1 % fast: 300 ms over five minutes if uncorrected
        {8000, 8000, 7992.0 / 8000, 50},
        {44100, 8000, 1.003, 10},
        {8000, 8000, 1.0, 40},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.deviceRate << " x " << row.ratio);
        ClockedSource src(row.deviceRate, row.outRate, 1, 100);
        const Drive d = RunDevice(src, row.deviceRate, row.outRate, row.ratio, row.burstMs, 300);
        // The delay stays where it started: the clocks' difference did not accumulate.
        EXPECT_NEAR(src.heldFrames() / row.outRate, 0.1, 0.06);
        EXPECT_NEAR(d.lastSecondQueue, src.heldFrames() / row.outRate, 0.02);
        EXPECT_NEAR(d.lastSecondCorrection, row.ratio - 1, 0.0003);
        EXPECT_EQ(src.droppedFrames(), 0u);
        EXPECT_EQ(d.zerosAfterStart, 0u) << "no silence once the source is heard";
    }
}

TEST(SoundMix, ASourceThatStopsIsSilenceOnTheClockAndABacklogIsCutToTheTarget) {
    ClockedSource src(48000, 8000, 1, 100);
    const Drive d = RunDevice(src, 48000, 8000, 1.0, 20, 20, 5, 7);
    // The start, two seconds of nothing less the 0.1 s queued, and the refill after it were
    // silence; the clock went on.
    EXPECT_NEAR(static_cast<double>(src.silentFrames()) / 8000, 0.1 + 1.9 + 0.1, 0.03);
    EXPECT_GT(d.zerosAfterStart, 2u * 8000 - 100);
    EXPECT_NEAR(d.lastSecondQueue, src.heldFrames() / 8000, 0.02);
    // A device that hands over three seconds at once: the delay is cut back to the target.
    const std::vector<int16_t> backlog(3 * 48000, 500);
    src.Push(backlog.data(), backlog.size());
    EXPECT_GT(src.droppedFrames(), 2u * 8000);
    EXPECT_EQ(src.queued(), src.targetFrames());
}

} // namespace
} // namespace tess
