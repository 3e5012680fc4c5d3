#include "audio/SWaveIn.h"

#include <alsa/asoundlib.h>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "audio/AudioTestSupport.h"
#include "platform/alsa/AlsaMessages.h"
#include "platform/alsa/Mixer.h"
#include "support/FakeDesktop.h"

namespace tess {
namespace {

using namespace std::chrono_literals;
using test::CollectingSink;
using test::LogToTemp;

// A device whose buffers the test completes by hand.
class FakeDevice : public platform::WaveInDevice {
public:
    FakeDevice(platform::WaveInProc proc, void* inst) : proc_(proc), inst_(inst) {}
    int Prepare(platform::WaveHeader* h) override {
        h->flags.fetch_or(platform::kWavePrepared);
        return platform::kWaveOk;
    }
    int Add(platform::WaveHeader* h) override {
        std::lock_guard lk(m);
        ++adds, ++*allAdds;
        if (failAdd)
            return platform::kWaveError;
        h->flags.fetch_and(~platform::kWaveDone);
        h->flags.fetch_or(platform::kWaveInQueue);
        queue.push_back(h);
        return platform::kWaveOk;
    }
    int Start() override { return startResult; }
    int Stop() override { return platform::kWaveOk; }
    int Reset() override {
        std::vector<platform::WaveHeader*> q;
        {
            std::lock_guard lk(m);
            q.swap(queue);
        }
        for (auto* h : q) {
            if (partialOnReset && h == q.front()) {
                std::memset(h->data, 'x', 1000);
                h->bytesRecorded = 1000;
            }
            Done(h);
        }
        return platform::kWaveOk;
    }
    int Unprepare(platform::WaveHeader* h) override {
        if (h->flags.load() & platform::kWaveInQueue)
            return 33;
        h->flags.fetch_and(~platform::kWavePrepared);
        return platform::kWaveOk;
    }
    bool Failed() const override { return false; }
    std::string FailureText() const override { return {}; }

    // Fills the oldest queued buffer with bytes of value `v` and hands it back.
    bool CompleteNext(char v) {
        platform::WaveHeader* h;
        {
            std::lock_guard lk(m);
            if (queue.empty())
                return false;
            h = queue.front();
            queue.erase(queue.begin());
        }
        std::memset(h->data, v, h->bufferLength);
        h->bytesRecorded = h->bufferLength;
        Done(h);
        return true;
    }
    size_t Queued() {
        std::lock_guard lk(m);
        return queue.size();
    }

    std::mutex m;
    std::vector<platform::WaveHeader*> queue;
    int adds = 0;
    std::atomic<int>* allAdds = nullptr; // the system's count
    bool failAdd = false;
    bool partialOnReset = false; // the buffer in hand comes back with 1000 bytes
    int startResult = platform::kWaveOk;

private:
    void Done(platform::WaveHeader* h) {
        h->flags.fetch_and(~platform::kWaveInQueue);
        h->flags.fetch_or(platform::kWaveDone);
        proc_(inst_, platform::kWimData, h);
    }
    platform::WaveInProc proc_;
    void* inst_;
};

class FakeSystem : public platform::WaveInSystem {
public:
    std::vector<std::string> names{"Card A", "Card B", "Card A"};
    bool failOpen = false;
    int startResult = platform::kWaveOk; // what the devices' Start returns
    int openedId = -99;
    platform::WaveFormat openedFormat;
    FakeDevice* last = nullptr;
    std::atomic<int> adds{0};

    int DeviceCount() override { return static_cast<int>(names.size()); }
    bool DeviceName(int id, std::string* n) override {
        if (id < -1 || id >= DeviceCount())
            return false;
        *n = id == -1 ? "Mapper" : names[id];
        return true;
    }
    std::unique_ptr<platform::WaveInDevice> Open(int id, const platform::WaveFormat& f,
                                                 platform::WaveInProc proc, void* inst,
                                                 int* err) override {
        openedId = id;
        openedFormat = f;
        if (failOpen) {
            *err = platform::kWaveBadDeviceId;
            return nullptr;
        }
        auto d = std::make_unique<FakeDevice>(proc, inst);
        last = d.get();
        d->allAdds = &adds;
        d->startResult = startResult;
        *err = 0;
        return d;
    }
};

AudioFormat Fmt(uint16_t channels, uint16_t bits, uint32_t rate) {
    AudioFormat f;
    f.channels = channels;
    f.bitsPerSample = bits;
    f.samplesPerSec = rate;
    f.blockAlign = static_cast<uint16_t>(channels * bits / 8);
    f.avgBytesPerSec = rate * f.blockAlign;
    return f;
}

// Capture started on a fake device, with the warning log caught.
struct Running {
    LogToTemp log;
    FakeSystem sys;
    CollectingSink sink;
    SWaveIn w{&sink, "", &sys};
    FakeDevice* dev = nullptr;
    Running() {
        EXPECT_TRUE(w.Start());
        dev = sys.last;
    }
    bool QueuedAtLeast(size_t n) {
        return test::WaitFor([&] { return dev->Queued() >= n; }, 1000);
    }
};

TEST(SWaveIn, PeakLevelOfMonoAndStereoBlocks) {
    // Buffers of a fifth of a second, within limits, in whole frames.
    EXPECT_EQ(SWaveIn::BufferLength(Fmt(1, 16, 8000)), 3200u);
    EXPECT_EQ(SWaveIn::BufferLength(Fmt(1, 8, 1000)), 1200u);
    EXPECT_EQ(SWaveIn::BufferLength(Fmt(2, 16, 75000)), 45000u); // 300000 bytes per second
    AudioFormat odd = Fmt(2, 24, 11025);                         // block align 6
    EXPECT_EQ(SWaveIn::BufferLength(odd) % 6, 0u);
    EXPECT_LE(SWaveIn::BufferLength(odd), odd.avgBytesPerSec / 5);
    FakeSystem sys;
    CollectingSink sink;
    SWaveIn w(&sink, "", &sys);
    EXPECT_EQ(w.PeakLevel(nullptr, 0), 0);
    int16_t mono16[4] = {100, -32768, 5000, 0};
    EXPECT_EQ(w.PeakLevel(mono16, sizeof mono16), 128); // the sink's 16-bit mono
    auto start = [&](AudioFormat f) {
        w.Stop();
        EXPECT_TRUE(w.Start(&f));
    };
    start(Fmt(1, 8, 8000));
    uint8_t silence[16];
    std::memset(silence, 128, sizeof silence);
    EXPECT_EQ(w.PeakLevel(silence, sizeof silence), 1);
    uint8_t zero[3] = {128, 0, 128};
    EXPECT_EQ(w.PeakLevel(zero, sizeof zero), 127);
    start(Fmt(2, 16, 8000));
    int16_t st[4] = {64 * 256, 0, -10 * 256, 3 * 256}; // left 64, right 3
    EXPECT_EQ(w.PeakLevel(st, sizeof st), 64 * 256 + 3);
    EXPECT_EQ(w.Format().channels, 2);
    start(Fmt(2, 8, 8000));
    uint8_t st8[4] = {0, 128, 128, 127}; // left: 127 (byte 0), right: 1 and 0
    EXPECT_EQ(w.PeakLevel(st8, sizeof st8), 127 * 256 + 1);
}

TEST(SWaveIn, DeviceChoiceStartStopAndFailuresToOpenOrStart) {
    LogToTemp log;
    FakeSystem sys;
    CollectingSink sink;
    // By name, the last match wins; names compare exactly, else the mapper.
    for (auto [name, id] : {std::pair{"Card A", 2}, {"-1", -1}, {"card a", -1}}) {
        SWaveIn w(&sink, name, &sys);
        ASSERT_TRUE(w.Start()) << name;
        EXPECT_EQ(sys.openedId, id) << name;
        EXPECT_EQ(sys.openedFormat.avgBytesPerSec, 16000u);
    }
    {
        SWaveIn w(&sink, "", &sys);
        EXPECT_TRUE(w.Stop()); // never started
        ASSERT_TRUE(w.Start());
        FakeDevice* dev = sys.last;
        EXPECT_EQ(dev->Queued(), 5u);
        EXPECT_TRUE(w.IsRunning());
        EXPECT_TRUE(w.Start()); // already capturing: nothing changes
        EXPECT_EQ(sys.last, dev);
        EXPECT_EQ(dev->adds, 5);
        EXPECT_TRUE(w.Stop());
        EXPECT_FALSE(w.IsRunning());
        EXPECT_TRUE(w.Stop());
    }
    sys.failOpen = true;
    SWaveIn w(&sink, "Card B", &sys);
    EXPECT_FALSE(w.Start());
    EXPECT_FALSE(w.IsRunning());
    EXPECT_NE(log.Text().find("Cannot open wave input driver 1"), std::string::npos);

    // A device that refuses to start: the message box, and the object stays stopped.
    test::FakeDesktop desktop;
    sys.failOpen = false;
    sys.startResult = 4;
    SWaveIn refused(&sink, "", &sys, &desktop);
    EXPECT_FALSE(refused.Start());
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].caption, "wavein");
    EXPECT_EQ(
        desktop.texts()[0].rfind("Can't start wave input\nReturn code 4,dev ffffffff,handle ", 0),
        0u);
    EXPECT_FALSE(refused.IsRunning());
    EXPECT_TRUE(refused.Stop());
}

// Buffers come back in ring order and are requeued; one that cannot be requeued is logged and
// leaves the ring; the one in hand at the stop reaches the sink but is not requeued.
TEST(SWaveIn, BuffersReachTheSinkInOrderThroughARequeueFailureAndTheStop) {
    Running r;
    for (int i = 0; i < 12; ++i) {
        r.QueuedAtLeast(1); // the worker gives buffers back
        ASSERT_TRUE(r.dev->CompleteNext(static_cast<char>('a' + i)));
    }
    ASSERT_TRUE(r.sink.WaitForBytes(12 * 3200, 3000));
    auto bytes = r.sink.Bytes();
    ASSERT_EQ(bytes.size(), 12u * 3200u);
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(bytes[i * 3200 + 100], 'a' + i) << "buffer " << i;
    EXPECT_TRUE(r.QueuedAtLeast(5));
    EXPECT_EQ(r.dev->Queued(), 5u);
    EXPECT_EQ(r.w.LastPeakLevel(), 0x6c); // the latest buffer: 'l' in the high byte

    r.dev->failAdd = true;
    ASSERT_TRUE(r.dev->CompleteNext('q'));
    ASSERT_TRUE(r.sink.WaitForBytes(13 * 3200, 2000));
    EXPECT_TRUE(test::WaitFor(
        [&] { return r.log.Text().find("Cannot add wave input buffer ") != std::string::npos; }));
    r.dev->failAdd = false;
    ASSERT_TRUE(r.dev->CompleteNext('r'));
    ASSERT_TRUE(r.sink.WaitForBytes(14 * 3200, 2000));
    r.QueuedAtLeast(4);
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(r.dev->Queued(), 4u);

    r.dev->partialOnReset = true;
    const int adds = r.sys.adds;
    EXPECT_TRUE(r.w.Stop());
    bytes = r.sink.Bytes();
    ASSERT_EQ(bytes.size(), 14u * 3200u + 1000u);
    EXPECT_EQ(bytes.back(), 'x');
    EXPECT_EQ(r.sys.adds, adds);
}

// Opens a device of a card that does not exist, with standard error caught in `errPath`.
void OpenMissingCard(const std::string& errPath) {
    std::fflush(stderr);
    const int saved = dup(2);
    const int fd = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(fd, 2);
    close(fd);
    snd_pcm_t* pcm = nullptr;
    const int rc = snd_pcm_open(&pcm, "hw:CARD=NoSuchTessarayCard", SND_PCM_STREAM_CAPTURE, 0);
    if (rc == 0)
        snd_pcm_close(pcm);
    std::fflush(stderr);
    dup2(saved, 2);
    close(saved);
    EXPECT_LT(rc, 0);
}

TEST(AlsaMessages, GoToTheWarningLogAndNotToStandardError) {
    LogToTemp log;
    const std::string err = log.dir.str() + "/stderr";
    // ALSA's own way first: the message is printed, which is what the routing must stop.
    platform::RouteAlsaMessages(nullptr);
    OpenMissingCard(err);
    EXPECT_NE(test::ReadAll(err).find("NoSuchTessarayCard"), std::string::npos);
    RouteSoundLibraryMessagesToWarningLog();
    OpenMissingCard(err);
    EXPECT_EQ(test::ReadAll(err), "");
    EXPECT_NE(log.Text().find("ALSA lib "), std::string::npos) << log.Text();
    EXPECT_NE(log.Text().find("NoSuchTessarayCard"), std::string::npos) << log.Text();
    platform::RouteAlsaMessages(nullptr);
}

// ---- real capture through ALSA's default device (the test run's 440 Hz tone) ----

std::vector<int16_t> Samples(const std::vector<char>& bytes) {
    std::vector<int16_t> s(bytes.size() / 2);
    std::memcpy(s.data(), bytes.data(), s.size() * 2);
    return s;
}

TEST(SWaveInCapture, OneSecondOfTheSineSourceArrivesWholeAndInOrder) {
    if (!test::HaveSoundServer())
        GTEST_SKIP() << "no sound server (tests/start-pulse.sh)";
    CollectingSink sink;
    SWaveIn w(&sink, "-1", nullptr);
    AudioFormat f = Fmt(1, 16, 8000);
    ASSERT_TRUE(w.Start(&f));
    EXPECT_TRUE(w.IsRunning());
    ASSERT_TRUE(sink.WaitForBytes(2 * 9600, 4000)); // a second and a fifth
    // The level of the latest buffer: half of full scale gives a high byte of 64.
    EXPECT_NEAR(w.LastPeakLevel(), 64, 1);
    EXPECT_TRUE(w.Stop());
    auto s = Samples(sink.Bytes());
    ASSERT_GE(s.size(), 8000u);
    // The server may open with a moment of silence; the tone follows without a break.
    size_t first = 0;
    while (first < s.size() && std::abs(s[first]) < 1000)
        ++first;
    ASSERT_LT(first, 2000u);
    ASSERT_GE(s.size() - first, 8000u);
    // A pure tone obeys s[n+1] + s[n-1] = 2 cos(w) s[n]; a gap or a repeated block breaks it.
    const double c = 2 * std::cos(2 * M_PI * 440.0 / 8000.0);
    int crossings = 0, peak = 0;
    for (size_t n = first + 1; n + 1 < first + 8000; ++n) {
        double residual = s[n + 1] + s[n - 1] - c * s[n];
        ASSERT_LT(std::abs(residual), 64.0) << "break at sample " << n;
        if ((s[n] < 0) != (s[n + 1] < 0))
            ++crossings;
        peak = std::max(peak, std::abs(static_cast<int>(s[n])));
    }
    EXPECT_NEAR(crossings / 2.0, 440.0, 3.0);
    EXPECT_GT(peak, 8000);
}

// The server gone mid-capture: the capture ends, says so and stops promptly; an open mixer
// stays quiet and closable.
TEST(SWaveInCapture, ServerGoneMidCaptureLogsEndsAndStopsPromptly) {
    test::PrivateSoundServer server;
    if (!server.Ok())
        GTEST_SKIP() << "cannot start a private sound server";
    LogToTemp log;
    CollectingSink sink;
    auto w = std::make_unique<SWaveIn>(&sink, "", nullptr);
    ASSERT_TRUE(w->Start());
    auto mixer = platform::OpenAlsaMixer("default");
    long volume = 0;
    ASSERT_TRUE(mixer && mixer->GetVolume("Master", platform::MixerSide::Playback, &volume));
    ASSERT_TRUE(sink.WaitForBytes(6400, 4000));
    EXPECT_TRUE(server.Kill()) << "processes of the sound server were left running";
    // Capture ends by itself and says so in the log.
    EXPECT_TRUE(test::WaitFor(
        [&] { return log.Text().find("Wave input device lost") != std::string::npos; }, 5000))
        << log.Text();
    EXPECT_FALSE(w->IsRunning());
    size_t got = sink.Bytes().size();
    EXPECT_EQ(got % 2, 0u);
    auto t0 = std::chrono::steady_clock::now();
    w->Stop();
    w.reset();
    mixer->SetVolume("Master", platform::MixerSide::Playback, volume); // fails or not, but returns
    mixer.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - t0, 3s);
    EXPECT_EQ(sink.Bytes().size(), got); // nothing after the end
}

} // namespace
} // namespace tess
