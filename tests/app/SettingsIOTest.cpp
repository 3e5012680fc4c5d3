// LoadSettings / SaveSettings in both stores: defaults, ranges, every field, the schedule,
// the fall-back to the ini file, damaged stores, and the recently-used file list.
#include "app/SettingsIO.h"

#include <gtest/gtest.h>

#include "app/RecentFiles.h"
#include "app/ScreenBackendSetup.h"
#include "capture/MainGroup.h"
#include "platform/FileIo.h"
#include "schedule/Schedule.h"
#include "settings/Settings.h"
#include "support/SettingsGuard.h"
#include "support/TestSupport.h"

#include <fstream>

namespace tess {
namespace {

class SettingsIO : public ::testing::Test {
protected:
    void SetUp() override { SetScreenSizeForSettings(1920, 1080); }
    void TearDown() override {
        SetScheduleEventsGroup(nullptr, nullptr);
        SetFrameGeometrySource(nullptr);
        LiveSchedule() = savedList_;
        TimerEnable() = savedEnable_;
    }
    // What an empty store loads in either mode.
    Settings Defaults(bool registryMode) {
        Settings d;
        d.soundLevel = registryMode ? 80 : 50; // "Main"/"Volume" wins over "Sound Level"
        d.windowW = registryMode ? 400 : 0;
        d.windowH = registryMode ? 800 : 0;
        d.effects[1] = registryMode ? 0 : 1;
        d.threeSecondDelay = d.captureDelay;
        d.defaultDirectory = dir.str() + "/home/Pictures/Tessaray/";
        return d;
    }
    test::TempDir dir;
    test::SettingsGuard guard{dir.path()};
    EventList savedList_ = LiveSchedule();
    bool savedEnable_ = TimerEnable();
};

TEST_F(SettingsIO, EmptyStoresGiveTheDefaultsAndTheScheduleLoadsAmongTheGroups) {
    for (const std::string& file : {std::string(), dir.str() + "/empty.ini"}) {
        const bool reg = file.empty();
        SCOPED_TRACE(reg ? "registry" : "ini");
        int levelBeforeMain = -1, saves = 0;
        // The events group is loaded after the sound level and before "Main"; the schedule
        // lives in ini files too.
        SetScheduleEventsGroup(
            [&](SettingsAccess&) { levelBeforeMain = GlobalSettings().soundLevel; },
            [&](SettingsAccess&) { ++saves; });
        SettingsResult r = LoadSettings(file);
        EXPECT_EQ(r.registryMode, reg);
        EXPECT_TRUE(r.warnings.empty());
        if (reg) {
            EXPECT_TRUE(std::filesystem::exists(dir.str() + "/config/Quorvanta/Tessaray.reg"));
        }
        EXPECT_EQ(levelBeforeMain, reg ? 50 : 0); // ini: 128, outside 0..127
        EXPECT_EQ(GlobalSettings(), Defaults(reg));
        EXPECT_TRUE(std::filesystem::is_directory(dir.str() + "/home/Pictures/Tessaray"));
        SaveSettings(file);
        EXPECT_EQ(saves, 1);
    }
}

TEST_F(SettingsIO, OutOfRangeValuesTakeTheirDefaults) {
    std::string file = dir.str() + "/bad.ini";
    std::ofstream(file)
        << "[WMedia]\nWMFrameRate=0\nWMBitRate=-4\nAutoExport=avi\n[Image]\nImageFormat=2\n"
           "ImageQ=101\n[Effects]\nScale=9\n[Caption]\nCapVert=-1\n"
           "CapBackMode=4\nCapAlign=7\nCapFont=0102\n[Capture]\n"
           "CaptureAction=3\nSnapshotDelay=61\n[Key]\nKey1=66424\n[Main]"
           "\nCapSelect=4\nVolume=101\n";
    LoadSettings(file);
    Settings want = Defaults(false);
    want.key1 = 66424 & 0xffff; // hot keys keep their low 16 bits
    want.soundLevel = 100;
    EXPECT_EQ(GlobalSettings(), want); // the font of the wrong size stays unset
    std::ofstream(file) << "[Mixer]\nSoundSource=3\nSoundQuality=100\nSoundBalance=-101\n";
    LoadSettings(file);
    EXPECT_EQ(GlobalSettings(), Defaults(false));
}

// Every field through the default store and through a file the user picked; the record that
// comes back is the one saved, but for what is not kept.
TEST_F(SettingsIO, EveryFieldSurvivesASaveAndALoadInBothModes) {
    const Settings in = test::EveryFieldChanged();
    SetFrameGeometrySource([&](WindowGeometry& g) {
        g = {in.windowX, in.windowY, in.windowW, in.windowH};
        return true;
    });
    for (const std::string& file : {std::string(), dir.str() + "/saved.ini"}) {
        SCOPED_TRACE(file.empty() ? "registry" : "ini");
        GlobalSettings() = in;
        ASSERT_TRUE(SaveSettings(file).ok);
        LoadSettings(dir.str() + "/other-empty.ini"); // everything back to defaults
        EXPECT_FALSE(GlobalSettings().trayIcon);
        SettingsResult r = LoadSettings(file);
        EXPECT_TRUE(r.warnings.empty());
        Settings want = in;
        want.threeSecondDelay = want.captureDelay; // the menu's mirror of the delay
        want.playbackBarShown = want.secondToolBarShown = false;
        for (size_t i = 0; i < want.effects.size(); ++i)
            if (i < 1 || i > 6) // the six switches of "Main" only
                want.effects[i] = 0;
        // The working directory of the save, and in registry mode only.
        want.latestDirectory = file.empty() ? std::filesystem::current_path().string() : "";
        EXPECT_EQ(GlobalSettings(), want);
    }
    // Loading a file leaves the default store the store of the next save.
    EXPECT_TRUE(SaveSettings().registryMode);
}

// The schedule travels with the settings in either store (the timer switch in ini files); a
// settings file with no schedule in it leaves the live one alone.
TEST_F(SettingsIO, TheScheduleIsKeptInBothStores) {
    const ScheduleEvent morning{"Morning", 62, 9, 0, 10, 0, -1, 2};
    for (const std::string& file : {dir.str() + "/portable.ini", std::string()}) {
        SCOPED_TRACE(file.empty() ? "registry" : "ini");
        LiveSchedule().Clear();
        LiveSchedule().AddEvent(morning);
        TimerEnable() = file.empty();
        ASSERT_TRUE(SaveSettings(file).ok); // the values' form: ScheduleStore's tests
        LiveSchedule().Clear();
        TimerEnable() = true;
        LoadSettings(file);
        ASSERT_EQ(LiveSchedule().Count(), 1);
        EXPECT_EQ(LiveSchedule().At(0), morning);
        EXPECT_EQ(TimerEnable(), file.empty());
    }
    std::ofstream(dir.str() + "/plain.ini") << "[WMedia]\nWMFrameRate=12\n";
    LoadSettings(dir.str() + "/plain.ini");
    EXPECT_EQ(GlobalSettings().wmFrameRate, 12);
    ASSERT_EQ(LiveSchedule().Count(), 1);
    EXPECT_EQ(LiveSchedule().At(0).name, "Morning");
}

TEST_F(SettingsIO, FallsBackToTheIniFileNextToTheProgram) {
    std::ofstream(dir.str() + "/blocker") << "a regular file";
    SetRegistryStorePathForTesting(dir.str() + "/blocker/Quorvanta/Tessaray.reg");
    GlobalSettings().trayIcon = true;
    SettingsResult w = SaveSettings();
    EXPECT_FALSE(w.registryMode);
    EXPECT_TRUE(w.ok);
    EXPECT_EQ(w.path, dir.str() + "/exe/tessaray.ini");
    std::string text = ReadWholeFile(w.path).value_or("");
    EXPECT_NE(text.find("[Setup]"), std::string::npos);
    EXPECT_NE(text.find("TrayIcon=1"), std::string::npos);
    EXPECT_NE(text.find("[Main]"), std::string::npos);
    GlobalSettings().trayIcon = false;
    SettingsResult r = LoadSettings();
    EXPECT_FALSE(r.registryMode);
    EXPECT_TRUE(GlobalSettings().trayIcon);
}

// The store's own handling of damage, and the default store set aside:
// tests/settings/StoreTest.cpp.
TEST_F(SettingsIO, ADamagedPickedFileLoadsWhatItCanIsReportedAndKept) {
    std::string file = dir.str() + "/picked.ini";
    std::string text = std::string("[Image]\nImageFormat=1\n\0\0\0\x7f", 26);
    std::ofstream(file, std::ios::binary) << text;
    SettingsResult r = LoadSettings(file);
    EXPECT_TRUE(r.damaged);
    EXPECT_FALSE(r.warnings.empty());
    EXPECT_EQ(GlobalSettings().imageFormat, 1);
    EXPECT_EQ(ReadWholeFile(file).value_or(""), text);
    EXPECT_FALSE(std::filesystem::exists(file + ".damaged"));
}

TEST_F(SettingsIO, RecentFilesKeepSixNewestFirst) {
    RecentFiles mru;
    mru.Load();
    EXPECT_TRUE(mru.entries().empty());
    for (int i = 1; i <= 8; ++i)
        mru.Add("/captures/file" + std::to_string(i) + ".png");
    mru.Add("/captures/file5.png"); // again: moves to the front
    RecentFiles back;
    back.Load();
    ASSERT_EQ(back.entries().size(), 6u);
    EXPECT_EQ(back.entries()[0], "/captures/file5.png");
    EXPECT_EQ(back.entries()[1], "/captures/file8.png");
    EXPECT_EQ(back.entries()[5], "/captures/file3.png");
    back.Add(std::string(300, 'a') + "/end.png");
    EXPECT_LE(back.MenuText(0).size(), 80u);
    EXPECT_EQ(back.MenuText(0).rfind("&1 ", 0), 0u);
    // Saving the settings keeps the list.
    SaveSettings();
    RecentFiles again;
    again.Load();
    EXPECT_EQ(again.entries().size(), 6u);
}

// The portal's restore token is written at once and alone: a command-line command saves
// nothing else, and a spent token that brought no new one is not offered again.
TEST_F(SettingsIO, RestoreTokenAndLastRegionAreSavedAtOnceAndAlone) {
    GlobalSettings().wmBitRate = 123456;
    ASSERT_TRUE(SaveSettings().ok);
    GlobalSettings().wmBitRate = 999; // a change the command must not save
    ASSERT_TRUE(KeepRestoreToken("84c7e3f5-db81-4e3a-9246-34f84bf66963"));
    EXPECT_EQ(GlobalSettings().portalRestoreToken, "84c7e3f5-db81-4e3a-9246-34f84bf66963");
    LoadSettings();
    EXPECT_EQ(GlobalSettings().portalRestoreToken, "84c7e3f5-db81-4e3a-9246-34f84bf66963");
    EXPECT_EQ(GlobalSettings().wmBitRate, 123456);
    ASSERT_TRUE(KeepRestoreToken(""));
    LoadSettings();
    EXPECT_EQ(GlobalSettings().portalRestoreToken, "");
    GlobalSettings().wmBitRate = 999;
    GlobalSettings().lastRegion = "5,6,70,80";
    ASSERT_TRUE(SaveLastRegion().ok);
    GlobalSettings().lastRegion.clear();
    LoadSettings();
    EXPECT_EQ(GlobalSettings().lastRegion, "5,6,70,80");
    EXPECT_EQ(GlobalSettings().wmBitRate, 123456);
}

} // namespace
} // namespace tess
