// The settings group "Main": the clamping of the window values, the round trip in both modes
// (its per-mode defaults: SettingsIO.EmptyStoresGiveTheDefaults... in tests/app).
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
    // The group loaded from `file` (empty: the registry).
    Settings Load(const std::string& file) {
        SettingsStore store;
        store.Open(file, SettingsStore::Purpose::Load);
        SettingsAccess a(store, "Main");
        Settings s;
        LoadMainGroup(a, s, 1920, 1080);
        return s;
    }
    static std::vector<int> Window(const Settings& s) {
        return {s.windowX, s.windowY, s.windowW, s.windowH};
    }
    test::TempDir dir;
};

TEST_F(MainGroup, WindowValuesAreClamped) {
    for (auto [value, want] : {std::pair{-5, 100}, {1920 - 50, 100}, {1920 - 100, 1820}, {0, 0}})
        EXPECT_EQ(ClampWindowEdge(value, 1920), want) << value;
    EXPECT_EQ(ClampWindowWidth(63, true), 400);
    EXPECT_EQ(ClampWindowWidth(63, false), 0);
    EXPECT_EQ(ClampWindowWidth(64, true), 64);
    EXPECT_EQ(ClampWindowHeight(-1, true), 800);
    EXPECT_EQ(ClampWindowHeight(10, false), 0);
}

TEST_F(MainGroup, RoundTripInBothModes) {
    const std::string token = "84c7e3f5-db81-4e3a-9246-34f84bf66963";
    for (std::string file : {std::string(), dir.str() + "/rt.ini"}) {
        SCOPED_TRACE(file.empty() ? "registry" : "ini");
        Settings in;
        in.capSelect = 3; // "Monitor", the highest
        in.mute = in.mainCaption = true;
        in.soundLevel = 33;
        in.camState = 1;
        in.recordDuration = -7;
        in.lastRegion = "-20,30,640,480";
        in.effects = {};
        in.effects[2] = in.effects[6] = 1;
        in.screenBackend = "portal";
        in.portalRestoreToken = token;
        WindowGeometry g{-5, 2000, 640, 480};
        {
            SettingsStore store;
            store.Open(file, SettingsStore::Purpose::Save);
            SettingsAccess a(store, "Main");
            SaveMainGroup(a, in, &g, "/some/dir");
            ASSERT_TRUE(store.Close());
        }
        Settings out = Load(file);
        EXPECT_EQ(std::tuple(out.capSelect, out.mute, out.mainCaption, out.soundLevel, out.camState,
                             out.recordDuration),
                  std::tuple(3, true, true, 33, 1, -7));
        EXPECT_EQ(Window(out), (std::vector{100, 100, 640, 480})); // -5 and off the screen clamped
        EXPECT_EQ((std::vector<int>{out.effects[1], out.effects[2], out.effects[6]}),
                  (std::vector<int>{0, 1, 1}));
        EXPECT_EQ(out.latestDirectory, file.empty() ? "/some/dir" : "");
        EXPECT_EQ(out.screenBackend, "portal");
        EXPECT_EQ(out.portalRestoreToken, token);
        EXPECT_EQ(out.lastRegion, "-20,30,640,480");
    }
}

TEST_F(MainGroup, NoFrameMeansNoWindowValuesAndBadValuesReadSafely) {
    SettingsStore store;
    store.Open({}, SettingsStore::Purpose::Save);
    SettingsAccess a(store, "Main");
    SaveMainGroup(a, Settings{}, nullptr, "/x");
    EXPECT_EQ(store.reg()->Find(kProgramKey, "WindowX"), nullptr);
    EXPECT_NE(store.reg()->Find(kProgramKey, "Mute"), nullptr);
    a.WriteInt("CapSelect", 9);
    a.WriteByte("Volume", 250);
    Settings s;
    LoadMainGroup(a, s, 1920, 1080);
    EXPECT_EQ(s.capSelect, 0);
    EXPECT_EQ(s.soundLevel, 100);
    // A stored last region that is no "X,Y,W,H" with an area reads as none.
    for (const char* text : {"1,2,3", "1,2,0,4", "a,b,c,d", "1,2,3,4 ", "1,2,-3,4"}) {
        a.WriteString("LastRegion", text);
        LoadMainGroup(a, s, 1920, 1080);
        EXPECT_EQ(s.lastRegion, "") << text;
    }
}

TEST_F(MainGroup, LastRegionTextAndWhetherItFitsTheScreen) {
    const ScreenRect r{100, 50, 400, 250};
    EXPECT_EQ(LastRegionText(r), "100,50,300,200");
    EXPECT_EQ(ParseLastRegion(LastRegionText(r)), r);
    const ScreenRect desktop{0, 0, 1920, 1080};
    EXPECT_EQ(UsableLastRegion("1620,880,300,200", desktop), (ScreenRect{1620, 880, 1920, 1080}));
    for (const char* text : {"", "1621,880,300,200", "-1,0,10,10", "0,0,1920,1081", "junk"})
        EXPECT_FALSE(UsableLastRegion(text, desktop)) << text;
}

} // namespace
} // namespace tess
