// The settings catalog: defaults on an empty store, round trips of every group in both
// modes, the sound level rules, range checks, the capture directory and log-on start.
#include <gtest/gtest.h>

#include "platform/FileIo.h"
#include "settings/Catalog.h"
#include "settings/Paths.h"
#include "support/TestSupport.h"

#include <cstdlib>
#include <fstream>

namespace tess {
namespace {

class Catalog : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("XDG_CONFIG_HOME", (dir.str() + "/config").c_str(), 1);
        setenv("XDG_DATA_HOME", (dir.str() + "/data").c_str(), 1);
    }
    test::TempDir dir;
};

using LoadFn = void (*)(SettingsAccess&, Settings&);
using SaveFn = void (*)(SettingsAccess&, const Settings&);
struct Group {
    const char* name;
    LoadFn load;
    SaveFn save;
};
const Group kGroups[] = {
    {"Setup", LoadSetupGroup, SaveSetupGroup},
    {"WMedia", LoadWMediaGroup, SaveWMediaGroup},
    {"File", LoadFileGroup, SaveFileGroup},
    {"Mixer", LoadMixerGroup, SaveMixerGroup},
    {"Caption", LoadCaptionGroup, SaveCaptionGroup},
    {"Image", LoadImageGroup, SaveImageGroup},
    {"Effects", LoadEffectsGroup, SaveEffectsGroup},
    {"Key", LoadKeyGroup, SaveKeyGroup},
    {"Capture", LoadCaptureGroup, SaveCaptureGroup},
    {"Display", LoadDisplayGroup, SaveDisplayGroup},
};

void LoadAll(SettingsStore& store, Settings& s) {
    for (const auto& g : kGroups) {
        SettingsAccess a(store, g.name);
        g.load(a, s);
    }
}

// Every value changed from its default.
Settings Changed() {
    Settings s;
    s.alwaysStart = false; // keeps the log-on entry out of this test
    s.minimizeOnStart = s.trayIcon = s.onTop = true;
    s.shrink = s.displayOpenAuto = false;
    s.snapSystemDisplay = s.vidSystemDisplay = true;
    s.captureAction = 2;
    s.captureDelay = s.cursor = false;
    s.vidAudio = s.vidStealth = true;
    s.selColor = "00ff00";
    s.wmDefaultVideoFormat = false;
    s.wmBitRate = 123000;
    s.wmFrameRate = 12;
    s.imageFormat = 3;
    s.imageQ = 77;
    s.defaultDirectory = "/tmp/captures dir/";
    s.fileSnapName = "Snap %Y";
    s.fileVidName = "Vid %H";
    s.fileKeep = 4;
    s.fileInstanceMode = 1;
    s.waveInDriver = "USB Audio";
    s.waveOutDriver = "<default>";
    s.mixerInput = "Mic";
    s.changeMixer = false;
    s.capEnable = true;
    s.capString = "Hello \"there\" %d";
    s.capTextColor = 0x0000ff;
    s.capBackColor = 0x123456;
    s.capBackMode = 3;
    s.capAlign = 2;
    s.capVert = 100;
    for (size_t i = 0; i < s.capFont.size(); ++i)
        s.capFont[i] = static_cast<uint8_t>(i * 7);
    s.capFontSet = true;
    s.scaleEnable = true;
    s.scale = 10;
    s.key1 = 0x0378;
    s.key2 = 0x0841;
    s.key3 = 0xffff;
    return s;
}

void ExpectSame(const Settings& a, const Settings& b) {
    EXPECT_EQ(a.minimizeOnStart, b.minimizeOnStart);
    EXPECT_EQ(a.trayIcon, b.trayIcon);
    EXPECT_EQ(a.onTop, b.onTop);
    EXPECT_EQ(a.shrink, b.shrink);
    EXPECT_EQ(a.displayOpenAuto, b.displayOpenAuto);
    EXPECT_EQ(a.snapSystemDisplay, b.snapSystemDisplay);
    EXPECT_EQ(a.vidSystemDisplay, b.vidSystemDisplay);
    EXPECT_EQ(a.captureAction, b.captureAction);
    EXPECT_EQ(a.captureDelay, b.captureDelay);
    EXPECT_EQ(a.cursor, b.cursor);
    EXPECT_EQ(a.vidAudio, b.vidAudio);
    EXPECT_EQ(a.vidStealth, b.vidStealth);
    EXPECT_EQ(a.selColor, b.selColor);
    EXPECT_EQ(a.wmDefaultVideoFormat, b.wmDefaultVideoFormat);
    EXPECT_EQ(a.wmBitRate, b.wmBitRate);
    EXPECT_EQ(a.wmFrameRate, b.wmFrameRate);
    EXPECT_EQ(a.imageFormat, b.imageFormat);
    EXPECT_EQ(a.imageQ, b.imageQ);
    EXPECT_EQ(a.defaultDirectory, b.defaultDirectory);
    EXPECT_EQ(a.fileSnapName, b.fileSnapName);
    EXPECT_EQ(a.fileVidName, b.fileVidName);
    EXPECT_EQ(a.fileKeep, b.fileKeep);
    EXPECT_EQ(a.fileInstanceMode, b.fileInstanceMode);
    EXPECT_EQ(a.waveInDriver, b.waveInDriver);
    EXPECT_EQ(a.waveOutDriver, b.waveOutDriver);
    EXPECT_EQ(a.mixerInput, b.mixerInput);
    EXPECT_EQ(a.changeMixer, b.changeMixer);
    EXPECT_EQ(a.capEnable, b.capEnable);
    EXPECT_EQ(a.capString, b.capString);
    EXPECT_EQ(a.capTextColor, b.capTextColor);
    EXPECT_EQ(a.capBackColor, b.capBackColor);
    EXPECT_EQ(a.capBackMode, b.capBackMode);
    EXPECT_EQ(a.capAlign, b.capAlign);
    EXPECT_EQ(a.capVert, b.capVert);
    EXPECT_EQ(a.capFont, b.capFont);
    EXPECT_EQ(a.capFontSet, b.capFontSet);
    EXPECT_EQ(a.scaleEnable, b.scaleEnable);
    EXPECT_EQ(a.scale, b.scale);
    EXPECT_EQ(a.key1, b.key1);
    EXPECT_EQ(a.key2, b.key2);
    EXPECT_EQ(a.key3, b.key3);
}

TEST_F(Catalog, EmptyStoreGivesEveryDefaultInBothModes) {
    for (std::string file : {std::string(), dir.str() + "/empty.ini"}) {
        SCOPED_TRACE(file.empty() ? "registry" : "ini");
        SettingsStore store;
        store.Open(file, SettingsStore::Purpose::Load);
        Settings s;
        ClearSettingsRecord(s);
        LoadAll(store, s);
        Settings defaults;
        defaults.defaultDirectory = dir.str() + "/data/Tessaray/";
        ExpectSame(s, defaults);
        EXPECT_FALSE(s.alwaysStart);
        EXPECT_TRUE(std::filesystem::is_directory(dir.str() + "/data/Tessaray"));
    }
}

TEST_F(Catalog, EveryGroupRoundTripsInBothModes) {
    for (std::string file : {std::string(), dir.str() + "/all.ini"}) {
        SCOPED_TRACE(file.empty() ? "registry" : "ini");
        Settings in = Changed();
        {
            SettingsStore store;
            store.Open(file, SettingsStore::Purpose::Save);
            for (const auto& g : kGroups) {
                SettingsAccess a(store, g.name);
                g.save(a, in);
            }
            ASSERT_TRUE(store.Close());
        }
        SettingsStore store;
        store.Open(file, SettingsStore::Purpose::Load);
        Settings out;
        ClearSettingsRecord(out);
        LoadAll(store, out);
        ExpectSame(out, in);
    }
}

TEST_F(Catalog, SoundLevelRules) {
    Settings s;
    {
        SettingsStore reg;
        reg.Open({}, SettingsStore::Purpose::Load);
        SettingsAccess a(reg, "Setup");
        LoadSoundLevel(a, s);
        EXPECT_EQ(s.soundLevel, 50); // registry mode, nothing stored
    }
    std::string file = dir.str() + "/s.ini";
    {
        SettingsStore ini;
        ini.Open(file, SettingsStore::Purpose::Load);
        SettingsAccess a(ini, "Setup");
        LoadSoundLevel(a, s);
        EXPECT_EQ(s.soundLevel, 0); // default 128 lies outside 0..127
    }
    for (auto [text, want] : {std::pair{"127", 127}, {"128", 0}, {"-1", 0}, {"33", 33}}) {
        std::ofstream(file) << "[Setup]\nSound Level=" << text << "\n";
        SettingsStore ini;
        ini.Open(file, SettingsStore::Purpose::Load);
        SettingsAccess a(ini, "Setup");
        LoadSoundLevel(a, s);
        EXPECT_EQ(s.soundLevel, want) << text;
    }
    SettingsStore reg;
    reg.Open({}, SettingsStore::Purpose::Save);
    SettingsAccess a(reg, "Setup");
    s.soundLevel = 77;
    EXPECT_TRUE(SaveSoundLevel(a, s));
    ASSERT_NE(reg.reg(), nullptr);
    const RegFile::Value* volume = reg.reg()->Find(kProgramKey, "Volume");
    ASSERT_NE(volume, nullptr);
    EXPECT_EQ(volume->data, "\x4d");
}

TEST_F(Catalog, OutOfRangeValuesTakeTheirDefaults) {
    std::string file = dir.str() + "/bad.ini";
    std::ofstream(file) << "[WMedia]\nWMFrameRate=0\nWMBitRate=-4\n[Image]\nImageFormat=2\n"
                           "ImageQ=101\n[Effects]\nScale=9\n[Caption]\nCapVert=-1\n"
                           "CapBackMode=4\nCapAlign=7\nCapFont=0102\n[Capture]\n"
                           "CaptureAction=3\n[Key]\nKey1=66424\n";
    SettingsStore store;
    store.Open(file, SettingsStore::Purpose::Load);
    Settings s;
    ClearSettingsRecord(s);
    LoadAll(store, s);
    EXPECT_EQ(s.wmFrameRate, 5);
    EXPECT_EQ(s.wmBitRate, 300000);
    EXPECT_EQ(s.imageFormat, 0);
    EXPECT_EQ(s.imageQ, 50);
    EXPECT_EQ(s.scale, 100);
    EXPECT_EQ(s.capVert, 0);
    EXPECT_EQ(s.capBackMode, 0);
    EXPECT_EQ(s.capAlign, 1);
    EXPECT_FALSE(s.capFontSet); // wrong size: the font stays unset
    EXPECT_EQ(s.captureAction, 1);
    EXPECT_EQ(s.key1, 66424 & 0xffff); // hot keys keep their low 16 bits
}

TEST_F(Catalog, LogOnStartEntryFollowsTheSetupGroup) {
    std::string entry = dir.str() + "/config/autostart/tessaray.desktop";
    EXPECT_EQ(AutostartEntryPath(), entry);
    Settings s;
    s.alwaysStart = true;
    s.minimizeOnStart = true;
    {
        SettingsStore store;
        store.Open({}, SettingsStore::Purpose::Save);
        SettingsAccess a(store, "Setup");
        SaveSetupGroup(a, s);
    }
    std::string text = ReadWholeFile(entry).value_or("");
    EXPECT_NE(text.find("[Desktop Entry]\n"), std::string::npos);
    EXPECT_NE(text.find("Exec=" + ExecutablePath() + " -m\n"), std::string::npos) << text;

    s.minimizeOnStart = false;
    ASSERT_TRUE(UpdateLogOnStart(true, false, "/opt/my apps/tess%ray"));
    text = ReadWholeFile(entry).value_or("");
    EXPECT_NE(text.find("Exec=\"/opt/my apps/tess%%ray\"\n"), std::string::npos) << text;

    s.alwaysStart = false;
    {
        SettingsStore store;
        store.Open({}, SettingsStore::Purpose::Save);
        SettingsAccess a(store, "Setup");
        SaveSetupGroup(a, s);
    }
    EXPECT_FALSE(std::filesystem::exists(entry));
    RemoveLogOnStart(); // removing a missing entry is harmless
}

TEST_F(Catalog, CaptureDirectoryFallsBackWhenDataHomeIsUnusable) {
    std::ofstream(dir.str() + "/file") << "x";
    setenv("XDG_DATA_HOME", (dir.str() + "/file").c_str(), 1);
    std::string d = DefaultCaptureDirectory();
    EXPECT_FALSE(d.empty());
    EXPECT_EQ(d.back(), '/');
    EXPECT_TRUE(std::filesystem::is_directory(d));
}

} // namespace
} // namespace tess
