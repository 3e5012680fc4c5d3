// LoadSettings / SaveSettings: defaults on an empty store in both modes, the order of the
// groups, "Save settings as..." followed by "Open settings file...", the fall-back to the
// ini file, a damaged store, and the recently-used file list.
#include "app/SettingsIO.h"
#include "app/AppTestSupport.h"
#include "app/RecentFiles.h"
#include "app/ScreenBackendSetup.h"
#include "capture/MainGroup.h"
#include "settings/AtomicFile.h"
#include "settings/Settings.h"

#include <fstream>

namespace tess {
namespace {

class SettingsIO : public test::XdgTest {
protected:
    void SetUp() override {
        XdgTest::SetUp();
        SetScreenSizeForSettings(1920, 1080);
        saved_ = GlobalSettings();
    }
    void TearDown() override {
        SetScheduleEventsGroup(nullptr, nullptr);
        SetFrameGeometrySource(nullptr);
        GlobalSettings() = saved_;
        XdgTest::TearDown();
    }
    Settings saved_;
};

TEST_F(SettingsIO, EmptyRegistryStore) {
    int levelBeforeMain = -1;
    // The events group is loaded after the sound level and before "Main".
    SetScheduleEventsGroup([&](SettingsAccess&) { levelBeforeMain = GlobalSettings().soundLevel; },
                           nullptr);
    SettingsResult r = LoadSettings();
    EXPECT_TRUE(r.registryMode);
    EXPECT_TRUE(r.warnings.empty());
    EXPECT_TRUE(std::filesystem::exists(dir.str() + "/config/Quorvanta/Tessaray.reg"));
    EXPECT_EQ(levelBeforeMain, 50);
    const Settings& s = GlobalSettings();
    EXPECT_EQ(s.soundLevel, 80); // "Main"/"Volume" wins
    EXPECT_EQ(s.windowX, 100);
    EXPECT_EQ(s.windowY, 100);
    EXPECT_EQ(s.windowW, 400);
    EXPECT_EQ(s.windowH, 800);
    EXPECT_EQ(s.defaultDirectory, dir.str() + "/data/Tessaray/");
    EXPECT_EQ(s.capString, "Tessaray %a %H:%M:%S");
    EXPECT_EQ(s.wmBitRate, 300000);
}

TEST_F(SettingsIO, EmptyIniStoreAndTheScheduleGroupInIniModeToo) {
    bool eventsLoaded = false;
    SetScheduleEventsGroup([&](SettingsAccess&) { eventsLoaded = true; },
                           [&](SettingsAccess&) { eventsLoaded = true; });
    std::string file = dir.str() + "/empty.ini";
    SettingsResult r = LoadSettings(file);
    EXPECT_FALSE(r.registryMode);
    EXPECT_TRUE(eventsLoaded); // the schedule lives in ini files too
    eventsLoaded = false;
    EXPECT_EQ(GlobalSettings().soundLevel, 50); // 0 from "Sound Level", then "Main" 50
    EXPECT_EQ(GlobalSettings().windowW, 0);
    EXPECT_EQ(GlobalSettings().windowH, 0);
    SaveSettings(file);
    EXPECT_TRUE(eventsLoaded);
}

TEST_F(SettingsIO, SaveAsThenOpenRestoresEveryGroup) {
    Settings& s = GlobalSettings();
    LoadSettings();
    s.trayIcon = s.onTop = true;
    s.shrink = false;
    s.captureAction = 2;
    s.selColor = "0000ff";
    s.wmFrameRate = 9;
    s.imageFormat = 4;
    s.imageQ = 90;
    s.defaultDirectory = "/tmp/caps/";
    s.fileSnapName = "Shot %Y-%m-%d";
    s.waveInDriver = "Mic";
    s.capEnable = true;
    s.capString = "x";
    s.capFont.fill(3);
    s.capFontSet = true;
    s.scaleEnable = true;
    s.scale = 50;
    s.key2 = 888;
    s.capSelect = 1;
    s.mute = true;
    s.soundLevel = 42;
    s.effects[1] = 0;
    s.effects[4] = 1;
    SetFrameGeometrySource([](WindowGeometry& g) {
        g = {300, 200, 640, 480};
        return true;
    });
    const Settings before = s;
    std::string file = dir.str() + "/saved.ini";
    SettingsResult w = SaveSettings(file);
    EXPECT_TRUE(w.ok);
    EXPECT_FALSE(w.registryMode);

    LoadSettings(dir.str() + "/other-empty.ini"); // everything back to defaults
    EXPECT_FALSE(s.trayIcon);
    SettingsResult r = LoadSettings(file);
    EXPECT_TRUE(r.warnings.empty());
    EXPECT_EQ(s.trayIcon, before.trayIcon);
    EXPECT_EQ(s.onTop, before.onTop);
    EXPECT_EQ(s.shrink, before.shrink);
    EXPECT_EQ(s.captureAction, 2);
    EXPECT_EQ(s.selColor, "0000ff");
    EXPECT_EQ(s.wmFrameRate, 9);
    EXPECT_EQ(s.imageFormat, 4);
    EXPECT_EQ(s.imageQ, 90);
    EXPECT_EQ(s.defaultDirectory, "/tmp/caps/");
    EXPECT_EQ(s.fileSnapName, "Shot %Y-%m-%d");
    EXPECT_EQ(s.waveInDriver, "Mic");
    EXPECT_TRUE(s.capEnable);
    EXPECT_EQ(s.capString, "x");
    EXPECT_EQ(s.capFont, before.capFont);
    EXPECT_TRUE(s.scaleEnable);
    EXPECT_EQ(s.scale, 50);
    EXPECT_EQ(s.key2, 888);
    EXPECT_EQ(s.capSelect, 1);
    EXPECT_TRUE(s.mute);
    EXPECT_EQ(s.soundLevel, 42);
    EXPECT_EQ(s.effects[1], 0);
    EXPECT_EQ(s.effects[4], 1);
    EXPECT_EQ(s.windowX, 300);
    EXPECT_EQ(s.windowY, 200);
    EXPECT_EQ(s.windowW, 640);
    EXPECT_EQ(s.windowH, 480);
    // Loading a file leaves the default store the store of the next save.
    SettingsResult d = SaveSettings();
    EXPECT_TRUE(d.registryMode);
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

TEST_F(SettingsIO, DamagedDefaultStoreLoadsWhatItCanAndIsReplaced) {
    std::string path = dir.str() + "/config/Quorvanta/Tessaray.reg";
    std::filesystem::create_directories(dir.str() + "/config/Quorvanta");
    std::string damaged = "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quorvanta\\Tessaray]\n"
                          "\"ImageFormat\"=\"3\"\n\"WindowW\"=hex:00,02,00,00\n"
                          "\"CapString\"=\"cut off";
    std::ofstream(path) << damaged;
    SettingsResult r = LoadSettings();
    EXPECT_TRUE(r.damaged);
    EXPECT_FALSE(r.warnings.empty());
    EXPECT_EQ(GlobalSettings().imageFormat, 3);
    EXPECT_EQ(GlobalSettings().windowW, 512);
    EXPECT_EQ(GlobalSettings().capString, "Tessaray %a %H:%M:%S");
    EXPECT_EQ(ReadWholeFile(path + ".damaged").value_or(""), damaged);
    SaveSettings();
    RegFile fresh;
    ASSERT_TRUE(fresh.Load(path));
    EXPECT_TRUE(fresh.problems().empty());
    EXPECT_EQ(fresh.Find(kProgramKey, "ImageFormat")->data, "3");
}

TEST_F(SettingsIO, DamagedPickedFileIsReportedAndLeftAlone) {
    std::string file = dir.str() + "/picked.ini";
    std::string text = std::string("[Image]\nImageFormat=1\n\0\0\0\x7f", 26);
    std::ofstream(file, std::ios::binary) << text;
    SettingsResult r = LoadSettings(file);
    EXPECT_TRUE(r.damaged);
    EXPECT_FALSE(r.warnings.empty());
    EXPECT_EQ(GlobalSettings().imageFormat, 1);
    EXPECT_EQ(ReadWholeFile(file).value_or(""), text);
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
TEST_F(SettingsIO, RestoreTokenIsSavedAtOnceAndAlone) {
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
}

} // namespace
} // namespace tess
