#include "audio/SMixer.h"

#include <algorithm>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

#include "audio/AudioTestSupport.h"
#include "audio/MixerUse.h"
#include "platform/alsa/WaveIn.h"

namespace tess {
namespace {

using platform::MixerElementInfo;
using platform::MixerSide;
using namespace std::chrono_literals;

// A mixer in memory: elements with volumes 0..127 (unless told), switches and a source list;
// `writes` counts the changes that were made.
class FakeMixer : public platform::MixerDevice {
public:
    struct El {
        MixerElementInfo info;
        long min = 0, max = 127, play = 0, cap = 0;
        bool playOn = true, capOn = false;
        std::vector<std::string> items;
        int item = 0;
        bool playback(MixerSide s) const { return s == MixerSide::Playback; }
        long& Volume(MixerSide s) { return playback(s) ? play : cap; }
        bool& On(MixerSide s) { return playback(s) ? playOn : capOn; }
    };
    std::vector<El> els;
    int writes = 0;
    std::function<void()> handler;

    El* Get(const std::string& n) {
        auto it = std::find_if(els.begin(), els.end(), [&](El& e) { return e.info.name == n; });
        return it == els.end() ? nullptr : &*it;
    }
    El& Add(const std::string& name, bool pv, bool cv, bool ps, bool cs) {
        El& e = els.emplace_back();
        e.info = MixerElementInfo{name, pv, cv, ps, cs, false};
        return e;
    }
    // A card with a source list, as many sound cards have.
    static std::unique_ptr<FakeMixer> Card() {
        auto m = std::make_unique<FakeMixer>();
        m->Add("Master", true, false, true, false);
        m->Add("Mic Boost", false, true, false, false);
        m->Add("Line", true, true, true, false);
        m->Add("Front Mic", true, true, true, false);
        m->Add("Capture", false, true, false, true);
        El& src = m->Add("Input Source", false, false, false, false);
        src.info.captureSource = true;
        src.items = {"Front Mic", "Rear Mic", "Line In", "CD"};
        return m;
    }

    std::vector<MixerElementInfo> Elements() override {
        std::vector<MixerElementInfo> v;
        for (auto& e : els)
            v.push_back(e.info);
        return v;
    }
    bool VolumeRange(const std::string& n, MixerSide s, long* mn, long* mx) override {
        return Read(n, [&](El& e) {
            return (e.playback(s) ? e.info.playbackVolume : e.info.captureVolume) &&
                   (*mn = e.min, *mx = e.max, true);
        });
    }
    bool GetVolume(const std::string& n, MixerSide s, long* v) override {
        return Read(n, [&](El& e) { return *v = e.Volume(s), true; });
    }
    bool SetVolume(const std::string& n, MixerSide s, long v) override {
        return Change(n, [&](El& e) { return e.Volume(s) = v, true; });
    }
    bool GetSwitch(const std::string& n, MixerSide s, bool* on) override {
        return Read(n, [&](El& e) { return *on = e.On(s), true; });
    }
    bool SetSwitch(const std::string& n, MixerSide s, bool on) override {
        return Change(n, [&](El& e) {
            return (e.playback(s) ? e.info.playbackSwitch : e.info.captureSwitch) &&
                   (e.On(s) = on, true);
        });
    }
    bool SourceItems(const std::string& n, std::vector<std::string>* items) override {
        return Read(n, [&](El& e) { return e.info.captureSource && (*items = e.items, true); });
    }
    bool GetSourceItem(const std::string& n, int* item) override {
        return Read(n, [&](El& e) { return *item = e.item, true; });
    }
    bool SetSourceItem(const std::string& n, int item) override {
        return Change(n, [&](El& e) { return e.info.captureSource && (e.item = item, true); });
    }
    void SetChangeHandler(std::function<void()> h) override { handler = std::move(h); }

private:
    template <class F> bool Read(const std::string& n, F f) {
        El* e = Get(n);
        return e && f(*e);
    }
    template <class F> bool Change(const std::string& n, F f) {
        return Read(n, f) && (++writes, true);
    }
};

// The mixer of FakeMixer::Card(), with the card at hand.
struct CardMixer {
    std::unique_ptr<FakeMixer> dev = FakeMixer::Card();
    FakeMixer& f = *dev;
    SMixer m{std::move(dev), nullptr};
};

Settings MixerSettings(const std::string& input, int volume) {
    Settings s;
    s.mixerInput = input;
    s.soundLevel = volume;
    s.changeMixer = true;
    return s;
}

TEST(SMixer, InputElementAndDriverNames) {
    using enum MixerSource;
    for (auto [name, source] : {std::pair{"Line-In", Line},
                                {"LINEIN", Line},
                                {"mike", Microphone},
                                {"Auxiliary", Auxiliary},
                                {"<Not connected>", None},
                                {"Line In", None}})
        EXPECT_EQ(SourceForInputName(name), source) << name;
    for (auto [name, source] : {std::pair{"Front Mic", Microphone},
                                {"Mic Boost", None},
                                {"Line", Line},
                                {"Master", None},
                                {"Dynamic Microphone", Microphone}})
        EXPECT_EQ(SourceForElementName(name), source) << name;

    std::vector<std::string> names{"PulseAudio Sound Server", "HDA Intel, ALC892 Analog"};
    for (const char* driver : {"-1", "", "<default>", "Sound Mapper"})
        EXPECT_EQ(SMixer::DeviceForDriverName(driver, names), SMixer::kDefaultDevice) << driver;
    EXPECT_EQ(SMixer::DeviceForDriverName("hda intel, alc892 analog", names), 1);
    EXPECT_EQ(SMixer::DeviceForDriverName("No Such Card", names), SMixer::kNoDevice);
    // A device that does not exist opens no mixer (and the capture uses the default).
    EXPECT_FALSE(SMixer(MixerKind::WaveIn, "No Such Card 12345", nullptr).IsOpen());
    EXPECT_FALSE(SMixer(MixerKind::WaveOut, "-1", nullptr).IsOpen());
}

TEST(SMixer, VolumeScaleAndBounds) {
    CardMixer c;
    EXPECT_EQ(VolumeToMixer(50), 63);
    EXPECT_TRUE(c.m.SetLineVolume(MixerDest::Speakers, "Line-In", VolumeToMixer(50)));
    EXPECT_EQ(c.f.Get("Line")->play, 63);
    EXPECT_EQ(c.m.GetLineVolume(MixerDest::Speakers, "line"), 63);
    EXPECT_EQ(MixerToVolume(63), 49);
    const int before = c.f.writes;
    EXPECT_FALSE(c.m.SetLineVolume(MixerDest::Speakers, "Line", 128));
    EXPECT_FALSE(c.m.SetLineVolume(MixerDest::Speakers, "Line", -1));
    EXPECT_EQ(c.f.writes, before);
    // The control's own bounds: 0..31 maps 127 to 31 and back; no range, no level.
    c.f.Get("Front Mic")->max = 31;
    EXPECT_TRUE(c.m.SetLineVolume(MixerDest::WaveIn, "Mic", 127));
    EXPECT_EQ(c.f.Get("Front Mic")->cap, 31);
    EXPECT_EQ(c.m.GetLineVolume(MixerDest::WaveIn, "Microphone"), 127);
    c.f.Get("Front Mic")->max = 0;
    EXPECT_EQ(c.m.GetLineVolume(MixerDest::WaveIn, "Mic"), -1);
    // No auxiliary input on this card.
    EXPECT_EQ(c.m.GetLineVolume(MixerDest::Speakers, "Aux"), -1);
    EXPECT_FALSE(c.m.SetLineMute("Aux", true));
    EXPECT_TRUE(c.m.SetLineMute("Line", true));
    EXPECT_FALSE(c.f.Get("Line")->playOn);
}

TEST(SMixer, RecordSourceBySelectorListOrByCaptureSwitches) {
    CardMixer c;
    ASSERT_EQ(c.m.RecordSourceCount(), 4);
    EXPECT_EQ(c.m.RecordSourceName(2), "Line In");
    EXPECT_EQ(c.m.RecordSourceName(4), "");
    for (auto [name, item] : {std::pair{"line-in", 2}, {"rear mic", 1}}) {
        EXPECT_TRUE(c.m.SelectRecordSource(name));
        EXPECT_EQ(c.f.Get("Input Source")->item, item) << name;
    }
    EXPECT_FALSE(c.m.SelectRecordSource("Line")); // only "line-in" also matches "Line In"
    c.f.Get("Input Source")->items[2] = "LINEIN";
    EXPECT_TRUE(c.m.SelectRecordSource("Line-In"));
    EXPECT_EQ(c.f.Get("Input Source")->item, 2);

    // Capture switches act as a selector with exactly one on.
    auto f = std::make_unique<FakeMixer>();
    f->Add("Capture", false, true, false, true);
    f->Add("Mic", true, true, true, true).capOn = true;
    f->Add("Line In", true, true, true, true);
    f->Add("CD", false, true, false, true).capOn = true;
    FakeMixer* raw = f.get();
    SMixer m(std::move(f), nullptr);
    ASSERT_EQ(m.RecordSourceCount(), 3);
    EXPECT_EQ(m.RecordSourceName(0), "Mic");
    EXPECT_TRUE(m.SelectRecordSource("LINE-IN"));
    EXPECT_FALSE(raw->Get("Mic")->capOn);
    EXPECT_TRUE(raw->Get("Line In")->capOn);
    EXPECT_FALSE(raw->Get("CD")->capOn);
    // No selector at all.
    auto bare = std::make_unique<FakeMixer>();
    bare->Add("Master", true, false, true, false);
    SMixer b(std::move(bare), nullptr);
    EXPECT_EQ(b.RecordSourceCount(), -1);
    EXPECT_FALSE(b.SelectRecordSource("Mic"));
}

// A recording's start selects the input and raises a low level only; a not connected input
// fails everywhere and leaves the selector alone.
TEST(SMixer, RecordingStartRaisesALowLevelOnlyAndSkipsANotConnectedInput) {
    for (int level : {0, 89, 90, 127}) {
        CardMixer c;
        c.f.Get("Line")->cap = level;
        EXPECT_EQ(PrepareMixerForRecording(&c.m, MixerSettings("Line-In", 50)), level);
        EXPECT_EQ(c.f.Get("Line")->cap, level < 90 ? 110 : level) << level;
        EXPECT_EQ(c.f.Get("Input Source")->item, 2);
    }
    CardMixer c;
    c.f.Get("Input Source")->item = 1;
    const std::string none = "<Not connected>";
    EXPECT_FALSE(c.m.SetLineVolume(MixerDest::Speakers, none, 10));
    EXPECT_EQ(c.m.GetLineVolume(MixerDest::WaveIn, none), -1);
    EXPECT_FALSE(c.m.SetLineMute(none, false));
    EXPECT_FALSE(c.m.SelectRecordSource(none));
    EXPECT_EQ(PrepareMixerForRecording(&c.m, MixerSettings(none, 50)), -1);
    EXPECT_EQ(c.f.Get("Input Source")->item, 1);
    EXPECT_EQ(c.f.writes, 0);
}

TEST(SMixer, SettingsReachTheMixerAndItsChangesComeBack) {
    CardMixer c;
    Settings s = MixerSettings("Line-In", 50);
    ASSERT_TRUE(ApplyVolumeToMixer(&c.m, s));
    EXPECT_EQ(c.f.Get("Line")->play, 63);
    // Our own change comes back as 63: the volume stays 50 rather than becoming 49.
    EXPECT_EQ(VolumeAfterMixerChange(&c.m, s), 50);
    c.f.Get("Line")->play = 63 + 1;
    EXPECT_EQ(VolumeAfterMixerChange(&c.m, s), 50); // 64 * 100 / 127
    c.f.Get("Line")->play = 127;
    EXPECT_EQ(VolumeAfterMixerChange(&c.m, s), 100);
    s.mixerInput = "<Not connected>";
    EXPECT_EQ(VolumeAfterMixerChange(&c.m, s), -1);

    // Muted, the input is left alone; unmuted, switched on at the level; off, no mixer.
    auto dev = FakeMixer::Card();
    FakeMixer* f = dev.get();
    auto mixer = std::make_unique<SMixer>(std::move(dev), nullptr);
    f->Get("Line")->playOn = false;
    s = MixerSettings("Line-In", 50);
    s.mute = true;
    UpdateMixerFromSettings(mixer, s, nullptr);
    EXPECT_FALSE(f->Get("Line")->playOn);
    EXPECT_EQ(f->Get("Line")->play, 0);
    s.mute = false;
    UpdateMixerFromSettings(mixer, s, nullptr);
    EXPECT_TRUE(f->Get("Line")->playOn);
    EXPECT_EQ(f->Get("Line")->play, 63);
    s.changeMixer = false;
    UpdateMixerFromSettings(mixer, s, nullptr);
    EXPECT_EQ(mixer, nullptr);

    // The device's own thread tells of a change: it reaches the owner's callback.
    dev = FakeMixer::Card();
    f = dev.get();
    std::atomic<int> got{0};
    SMixer m(std::move(dev), [&] { ++got; });
    ASSERT_TRUE(f->handler);
    std::thread([&] { f->handler(); }).join();
    EXPECT_EQ(got, 1);
}

// ---- the real ALSA mixer of the test run's sound server ----

// The default mixer has both volumes and keeps what is set; a change made outside (the sound
// server's volume) reaches the owner's callback.
TEST(SMixerAlsa, DefaultMixerKeepsVolumesAndReportsOutsideChanges) {
    if (!test::HaveSoundServer())
        GTEST_SKIP() << "no sound server (tests/start-pulse.sh)";
    auto dev = platform::OpenAlsaMixer("default");
    ASSERT_NE(dev, nullptr);
    bool master = false, capture = false;
    for (const auto& e : dev->Elements()) {
        master |= e.name == "Master" && e.playbackVolume;
        capture |= e.name == "Capture" && e.captureVolume;
    }
    ASSERT_TRUE(master && capture);
    for (auto [name, side] :
         {std::pair{"Master", MixerSide::Playback}, std::pair{"Capture", MixerSide::Capture}}) {
        long mn = 0, mx = 0, old = 0, v = 0;
        ASSERT_TRUE(dev->VolumeRange(name, side, &mn, &mx));
        ASSERT_LT(mn, mx);
        ASSERT_TRUE(dev->GetVolume(name, side, &old));
        long want = mn + (mx - mn) / 3;
        ASSERT_TRUE(dev->SetVolume(name, side, want));
        ASSERT_TRUE(dev->GetVolume(name, side, &v));
        EXPECT_NEAR(v, want, (mx - mn) / 100 + 1) << name;
        dev->SetVolume(name, side, old);
    }
    std::atomic<int> got{0};
    SMixer m(MixerKind::WaveIn, "-1", [&] { ++got; });
    ASSERT_TRUE(m.IsOpen());
    std::this_thread::sleep_for(100ms); // what the opening itself reports
    got = 0;
    ASSERT_EQ(test::RunCommand("pactl set-sink-volume @DEFAULT_SINK@ 37%"), 0);
    EXPECT_TRUE(test::WaitFor([&] { return got > 0; }, 3000));
    test::RunCommand("pactl set-sink-volume @DEFAULT_SINK@ 100%");
}

} // namespace
} // namespace tess
