#include "audio/SMixer.h"

#include <atomic>
#include <gtest/gtest.h>
#include <map>
#include <thread>

#include "audio/AudioTestSupport.h"
#include "audio/MixerUse.h"
#include "platform/alsa/WaveIn.h"

namespace tess {
namespace {

using platform::MixerElementInfo;
using platform::MixerSide;
using namespace std::chrono_literals;

// A mixer in memory: elements with volumes 0..127 (unless told), switches and a source list.
class FakeMixer : public platform::MixerDevice {
public:
    struct El {
        MixerElementInfo info;
        long min = 0, max = 127;
        long play = 0, cap = 0;
        bool playOn = true, capOn = false;
        std::vector<std::string> items;
        int item = 0;
    };
    std::vector<El> els;
    int writes = 0;
    std::function<void()> handler;

    El* Get(const std::string& n) {
        for (auto& e : els)
            if (e.info.name == n)
                return &e;
        return nullptr;
    }
    El& Add(const std::string& name, bool pv, bool cv, bool ps, bool cs) {
        El e;
        e.info.name = name;
        e.info.playbackVolume = pv;
        e.info.captureVolume = cv;
        e.info.playbackSwitch = ps;
        e.info.captureSwitch = cs;
        els.push_back(e);
        return els.back();
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
        El* e = Get(n);
        if (!e || !(s == MixerSide::Playback ? e->info.playbackVolume : e->info.captureVolume))
            return false;
        *mn = e->min;
        *mx = e->max;
        return true;
    }
    bool GetVolume(const std::string& n, MixerSide s, long* v) override {
        El* e = Get(n);
        if (!e)
            return false;
        *v = s == MixerSide::Playback ? e->play : e->cap;
        return true;
    }
    bool SetVolume(const std::string& n, MixerSide s, long v) override {
        El* e = Get(n);
        if (!e)
            return false;
        ++writes;
        (s == MixerSide::Playback ? e->play : e->cap) = v;
        return true;
    }
    bool GetSwitch(const std::string& n, MixerSide s, bool* on) override {
        El* e = Get(n);
        if (!e)
            return false;
        *on = s == MixerSide::Playback ? e->playOn : e->capOn;
        return true;
    }
    bool SetSwitch(const std::string& n, MixerSide s, bool on) override {
        El* e = Get(n);
        if (!e || !(s == MixerSide::Playback ? e->info.playbackSwitch : e->info.captureSwitch))
            return false;
        ++writes;
        (s == MixerSide::Playback ? e->playOn : e->capOn) = on;
        return true;
    }
    bool SourceItems(const std::string& n, std::vector<std::string>* items) override {
        El* e = Get(n);
        if (!e || !e->info.captureSource)
            return false;
        *items = e->items;
        return true;
    }
    bool GetSourceItem(const std::string& n, int* item) override {
        El* e = Get(n);
        if (!e)
            return false;
        *item = e->item;
        return true;
    }
    bool SetSourceItem(const std::string& n, int item) override {
        El* e = Get(n);
        if (!e || !e->info.captureSource)
            return false;
        ++writes;
        e->item = item;
        return true;
    }
    void SetChangeHandler(std::function<void()> h) override { handler = std::move(h); }
};

Settings MixerSettings(const std::string& input, int volume) {
    Settings s;
    s.mixerInput = input;
    s.soundLevel = volume;
    s.changeMixer = true;
    return s;
}

TEST(SMixer, InputNamesAndElementNames) {
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
}

TEST(SMixer, DriverNameGivesTheDefaultADeviceOrNone) {
    std::vector<std::string> names{"PulseAudio Sound Server", "HDA Intel, ALC892 Analog"};
    for (const char* driver : {"-1", "", "<default>", "Sound Mapper"})
        EXPECT_EQ(SMixer::DeviceForDriverName(driver, names), SMixer::kDefaultDevice) << driver;
    EXPECT_EQ(SMixer::DeviceForDriverName("hda intel, alc892 analog", names), 1);
    EXPECT_EQ(SMixer::DeviceForDriverName("No Such Card", names), SMixer::kNoDevice);
    // A device that does not exist opens no mixer (and the capture uses the default).
    SMixer none(MixerKind::WaveIn, "No Such Card 12345", nullptr);
    EXPECT_FALSE(none.IsOpen());
    SMixer other(MixerKind::WaveOut, "-1", nullptr);
    EXPECT_FALSE(other.IsOpen());
}

TEST(SMixer, VolumeScaleAndBounds) {
    auto dev = FakeMixer::Card();
    FakeMixer* f = dev.get();
    SMixer m(std::move(dev), nullptr);
    EXPECT_EQ(VolumeToMixer(50), 63);
    EXPECT_TRUE(m.SetLineVolume(MixerDest::Speakers, "Line-In", VolumeToMixer(50)));
    EXPECT_EQ(f->Get("Line")->play, 63);
    EXPECT_EQ(m.GetLineVolume(MixerDest::Speakers, "line"), 63);
    EXPECT_EQ(MixerToVolume(63), 49);
    int before = f->writes;
    EXPECT_FALSE(m.SetLineVolume(MixerDest::Speakers, "Line", 128));
    EXPECT_FALSE(m.SetLineVolume(MixerDest::Speakers, "Line", -1));
    EXPECT_EQ(f->writes, before);
    // The control's own bounds: 0..31 maps 127 to 31 and back.
    f->Get("Front Mic")->max = 31;
    EXPECT_TRUE(m.SetLineVolume(MixerDest::WaveIn, "Mic", 127));
    EXPECT_EQ(f->Get("Front Mic")->cap, 31);
    EXPECT_EQ(m.GetLineVolume(MixerDest::WaveIn, "Microphone"), 127);
    // A control without a range reports no level.
    f->Get("Front Mic")->max = 0;
    EXPECT_EQ(m.GetLineVolume(MixerDest::WaveIn, "Mic"), -1);
    // No auxiliary input on this card.
    EXPECT_EQ(m.GetLineVolume(MixerDest::Speakers, "Aux"), -1);
    EXPECT_FALSE(m.SetLineMute("Aux", true));
    EXPECT_TRUE(m.SetLineMute("Line", true));
    EXPECT_FALSE(f->Get("Line")->playOn);
}

TEST(SMixer, NotConnectedInputFailsEverywhereAndLeavesTheSelector) {
    auto dev = FakeMixer::Card();
    FakeMixer* f = dev.get();
    f->Get("Input Source")->item = 1;
    SMixer m(std::move(dev), nullptr);
    Settings s = MixerSettings("<Not connected>", 50);
    EXPECT_FALSE(m.SetLineVolume(MixerDest::Speakers, s.mixerInput, 10));
    EXPECT_EQ(m.GetLineVolume(MixerDest::WaveIn, s.mixerInput), -1);
    EXPECT_FALSE(m.SetLineMute(s.mixerInput, false));
    EXPECT_FALSE(m.SelectRecordSource(s.mixerInput));
    EXPECT_EQ(PrepareMixerForRecording(&m, s), -1);
    EXPECT_EQ(f->Get("Input Source")->item, 1);
    EXPECT_EQ(f->writes, 0);
}

TEST(SMixer, RecordSelectorListsAndSelectsLineInByItsCardName) {
    auto dev = FakeMixer::Card();
    FakeMixer* f = dev.get();
    SMixer m(std::move(dev), nullptr);
    ASSERT_EQ(m.RecordSourceCount(), 4);
    EXPECT_EQ(m.RecordSourceName(2), "Line In");
    EXPECT_EQ(m.RecordSourceName(4), "");
    EXPECT_TRUE(m.SelectRecordSource("line-in"));
    EXPECT_EQ(f->Get("Input Source")->item, 2);
    EXPECT_TRUE(m.SelectRecordSource("rear mic"));
    EXPECT_EQ(f->Get("Input Source")->item, 1);
    EXPECT_FALSE(m.SelectRecordSource("Line")); // only "line-in" also matches "Line In"
    f->Get("Input Source")->items[2] = "LINEIN";
    EXPECT_TRUE(m.SelectRecordSource("Line-In"));
    EXPECT_EQ(f->Get("Input Source")->item, 2);
}

TEST(SMixer, CaptureSwitchesActAsASelectorWithExactlyOneOn) {
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

TEST(SMixer, RecordingStartRaisesALowLevelOnly) {
    for (int level : {0, 89, 90, 127}) {
        auto dev = FakeMixer::Card();
        FakeMixer* f = dev.get();
        f->Get("Line")->cap = level;
        SMixer m(std::move(dev), nullptr);
        EXPECT_EQ(PrepareMixerForRecording(&m, MixerSettings("Line-In", 50)), level);
        EXPECT_EQ(f->Get("Line")->cap, level < 90 ? 110 : level) << level;
        EXPECT_EQ(f->Get("Input Source")->item, 2);
    }
}

TEST(SMixer, VolumeCommandsAndMixerNotifications) {
    auto dev = FakeMixer::Card();
    FakeMixer* f = dev.get();
    SMixer m(std::move(dev), nullptr);
    Settings s = MixerSettings("Line-In", 50);
    ASSERT_TRUE(ApplyVolumeToMixer(&m, s));
    EXPECT_EQ(f->Get("Line")->play, 63);
    // Our own change comes back as 63: the volume stays 50 rather than becoming 49.
    EXPECT_EQ(VolumeAfterMixerChange(&m, s), 50);
    f->Get("Line")->play = 63 + 1;
    EXPECT_EQ(VolumeAfterMixerChange(&m, s), 50); // 64 * 100 / 127
    f->Get("Line")->play = 127;
    EXPECT_EQ(VolumeAfterMixerChange(&m, s), 100);
    s.mixerInput = "<Not connected>";
    EXPECT_EQ(VolumeAfterMixerChange(&m, s), -1);
}

TEST(SMixer, ChangesReachTheOwnersCallback) {
    auto dev = FakeMixer::Card();
    FakeMixer* f = dev.get();
    std::atomic<int> got{0};
    {
        SMixer m(std::move(dev), [&] { ++got; });
        ASSERT_TRUE(f->handler);
        std::thread t([&] { f->handler(); }); // the device's own thread
        t.join();
        EXPECT_EQ(got, 1);
    }
}

TEST(SMixer, UpdateFromSettingsOpensKeepsAndDrops) {
    Settings s = MixerSettings("Line-In", 50);
    std::unique_ptr<SMixer> mixer;
    s.changeMixer = false;
    auto dev = FakeMixer::Card();
    FakeMixer* f = dev.get();
    mixer = std::make_unique<SMixer>(std::move(dev), nullptr);
    f->Get("Line")->playOn = false;
    s.changeMixer = true;
    s.mute = true;
    UpdateMixerFromSettings(mixer, s, nullptr); // muted: the input is left alone
    EXPECT_FALSE(f->Get("Line")->playOn);
    EXPECT_EQ(f->Get("Line")->play, 0);
    s.mute = false;
    UpdateMixerFromSettings(mixer, s, nullptr);
    EXPECT_TRUE(f->Get("Line")->playOn);
    EXPECT_EQ(f->Get("Line")->play, 63);
    s.changeMixer = false;
    UpdateMixerFromSettings(mixer, s, nullptr);
    EXPECT_EQ(mixer, nullptr);
}

// ---- the real ALSA mixer of the test run's sound server ----

TEST(SMixerAlsa, DefaultMixerOpensAndKeepsVolumes) {
    if (!test::HaveSoundServer())
        GTEST_SKIP() << "no sound server (tests/start-pulse.sh)";
    auto dev = platform::OpenAlsaMixer("default");
    ASSERT_NE(dev, nullptr);
    bool master = false, capture = false;
    for (const auto& e : dev->Elements()) {
        master |= e.name == "Master" && e.playbackVolume;
        capture |= e.name == "Capture" && e.captureVolume;
    }
    ASSERT_TRUE(master);
    ASSERT_TRUE(capture);
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
}

TEST(SMixerAlsa, OutsideVolumeChangeReachesTheCallback) {
    if (!test::HaveSoundServer())
        GTEST_SKIP() << "no sound server (tests/start-pulse.sh)";
    std::atomic<int> got{0};
    SMixer m(MixerKind::WaveIn, "-1", [&] { ++got; });
    ASSERT_TRUE(m.IsOpen());
    std::this_thread::sleep_for(100ms);
    got = 0;
    ASSERT_EQ(test::RunCommand("pactl set-sink-volume @DEFAULT_SINK@ 37%"), 0);
    for (int i = 0; i < 300 && got == 0; ++i)
        std::this_thread::sleep_for(10ms);
    EXPECT_GE(got, 1);
    test::RunCommand("pactl set-sink-volume @DEFAULT_SINK@ 100%");
}

TEST(SMixerAlsa, ServerGoneLeavesTheMixerQuietAndClosable) {
    test::PrivateSoundServer server;
    if (!server.Ok())
        GTEST_SKIP() << "cannot start a private sound server";
    auto dev = platform::OpenAlsaMixer("default");
    ASSERT_NE(dev, nullptr);
    long v = 0;
    ASSERT_TRUE(dev->GetVolume("Master", MixerSide::Playback, &v));
    EXPECT_TRUE(server.Kill()) << "processes of the sound server were left running";
    std::this_thread::sleep_for(200ms);
    auto t0 = std::chrono::steady_clock::now();
    dev->SetVolume("Master", MixerSide::Playback, v); // fails or not, but returns
    dev.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - t0, 3s);
}

} // namespace
} // namespace tess
