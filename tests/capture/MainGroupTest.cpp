// The settings group "Main": per-mode types and defaults, and the clamping of the window
// values.
#include <gtest/gtest.h>

#include "capture/MainGroup.h"
#include "settings/Paths.h"
#include "support/TestSupport.h"

#include <cstdlib>

namespace tess {
namespace {

class MainGroup : public ::testing::Test {
protected:
    void SetUp() override { setenv("XDG_CONFIG_HOME", dir.str().c_str(), 1); }
    test::TempDir dir;
};

TEST_F(MainGroup, DefaultsDifferByMode) {
    Settings s;
    {
        SettingsStore reg;
        reg.Open({}, SettingsStore::Purpose::Load);
        SettingsAccess a(reg, "Main");
        LoadMainGroup(a, s, 1920, 1080);
        EXPECT_EQ(s.soundLevel, 80);
        EXPECT_EQ(s.windowX, 100);
        EXPECT_EQ(s.windowY, 100);
        EXPECT_EQ(s.windowW, 400);
        EXPECT_EQ(s.windowH, 800);
        EXPECT_EQ(s.recordDuration, 15);
        EXPECT_EQ(s.effects[1], 0);
        EXPECT_EQ(s.screenBackend, "auto");
        EXPECT_EQ(s.portalRestoreToken, "");
    }
    SettingsStore ini;
    ini.Open(dir.str() + "/m.ini", SettingsStore::Purpose::Load);
    SettingsAccess a(ini, "Main");
    LoadMainGroup(a, s, 1920, 1080);
    EXPECT_EQ(s.soundLevel, 50);
    EXPECT_EQ(s.windowW, 0); // the system chooses the size
    EXPECT_EQ(s.windowH, 0);
    EXPECT_EQ(s.effects[1], 1); // Mirror's ini default
}

TEST_F(MainGroup, WindowValuesAreClamped) {
    EXPECT_EQ(ClampWindowEdge(-5, 1920), 100);
    EXPECT_EQ(ClampWindowEdge(1920 - 50, 1920), 100);
    EXPECT_EQ(ClampWindowEdge(1920 - 100, 1920), 1820);
    EXPECT_EQ(ClampWindowEdge(0, 1920), 0);
    EXPECT_EQ(ClampWindowWidth(63, true), 400);
    EXPECT_EQ(ClampWindowWidth(63, false), 0);
    EXPECT_EQ(ClampWindowWidth(64, true), 64);
    EXPECT_EQ(ClampWindowHeight(-1, true), 800);
    EXPECT_EQ(ClampWindowHeight(10, false), 0);
}

TEST_F(MainGroup, RoundTripInBothModes) {
    for (std::string file : {std::string(), dir.str() + "/rt.ini"}) {
        SCOPED_TRACE(file.empty() ? "registry" : "ini");
        Settings in;
        in.capSelect = 2;
        in.mute = true;
        in.soundLevel = 33;
        in.camState = 1;
        in.mainCaption = true;
        in.recordDuration = -7;
        in.effects = {};
        in.effects[2] = 1;
        in.effects[6] = 1;
        in.screenBackend = "portal";
        in.portalRestoreToken = "84c7e3f5-db81-4e3a-9246-34f84bf66963";
        WindowGeometry g{-5, 2000, 640, 480};
        {
            SettingsStore store;
            store.Open(file, SettingsStore::Purpose::Save);
            SettingsAccess a(store, "Main");
            SaveMainGroup(a, in, &g, "/some/dir");
            ASSERT_TRUE(store.Close());
        }
        SettingsStore store;
        store.Open(file, SettingsStore::Purpose::Load);
        SettingsAccess a(store, "Main");
        Settings out;
        LoadMainGroup(a, out, 1920, 1080);
        EXPECT_EQ(out.capSelect, 2);
        EXPECT_TRUE(out.mute);
        EXPECT_EQ(out.soundLevel, 33);
        EXPECT_EQ(out.camState, 1);
        EXPECT_TRUE(out.mainCaption);
        EXPECT_EQ(out.recordDuration, -7);
        EXPECT_EQ(out.windowX, 100); // -5 is clamped
        EXPECT_EQ(out.windowY, 100); // beyond the screen
        EXPECT_EQ(out.windowW, 640);
        EXPECT_EQ(out.windowH, 480);
        EXPECT_EQ(out.effects[2], 1);
        EXPECT_EQ(out.effects[6], 1);
        EXPECT_EQ(out.effects[1], 0);
        EXPECT_EQ(out.latestDirectory, file.empty() ? "/some/dir" : "");
        EXPECT_EQ(out.screenBackend, "portal");
        EXPECT_EQ(out.portalRestoreToken, "84c7e3f5-db81-4e3a-9246-34f84bf66963");
    }
}

TEST_F(MainGroup, NoFrameMeansNoWindowValues) {
    SettingsStore store;
    store.Open({}, SettingsStore::Purpose::Save);
    SettingsAccess a(store, "Main");
    SaveMainGroup(a, Settings{}, nullptr, "/x");
    EXPECT_EQ(store.reg()->Find(kProgramKey, "WindowX"), nullptr);
    EXPECT_NE(store.reg()->Find(kProgramKey, "Mute"), nullptr);
    // Out-of-range stored values are read safely.
    a.WriteInt("CapSelect", 9);
    a.WriteByte("Volume", 250);
    Settings s;
    LoadMainGroup(a, s, 1920, 1080);
    EXPECT_EQ(s.capSelect, 0);
    EXPECT_EQ(s.soundLevel, 100);
}

} // namespace
} // namespace tess
