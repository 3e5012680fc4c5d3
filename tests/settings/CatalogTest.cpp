// The settings catalog: the sound level rules, the capture directory and log-on start
// (defaults, range checks and round trips of the whole record: tests/app/SettingsIOTest.cpp).
#include <gtest/gtest.h>

#include "platform/FileIo.h"
#include "settings/Catalog.h"
#include "settings/Paths.h"
#include "support/SettingsGuard.h"
#include "support/TestSupport.h"

#include <fstream>

namespace tess {
namespace {

class Catalog : public ::testing::Test {
protected:
    test::TempDir dir;
    test::SettingsGuard guard{dir.path()};
};

TEST_F(Catalog, SoundLevelRules) {
    auto load = [](const std::string& file) {
        SettingsStore store;
        store.Open(file, SettingsStore::Purpose::Load);
        SettingsAccess a(store, "Setup");
        Settings s;
        LoadSoundLevel(a, s);
        return s.soundLevel;
    };
    EXPECT_EQ(load({}), 50); // registry mode, nothing stored
    std::string file = dir.str() + "/s.ini";
    EXPECT_EQ(load(file), 0); // default 128 lies outside 0..127
    for (auto [text, want] : {std::pair{"127", 127}, {"128", 0}, {"-1", 0}, {"33", 33}}) {
        std::ofstream(file) << "[Setup]\nSound Level=" << text << "\n";
        EXPECT_EQ(load(file), want) << text;
    }
    Settings s;
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

TEST_F(Catalog, LogOnStartEntryFollowsTheSetupGroupAndCaptureDirectoryFallsBack) {
    std::string entry = dir.str() + "/config/autostart/tessaray.desktop";
    EXPECT_EQ(AutostartEntryPath(), entry);
    Settings s;
    auto save = [&] {
        SettingsStore store;
        store.Open({}, SettingsStore::Purpose::Save);
        SettingsAccess a(store, "Setup");
        SaveSetupGroup(a, s);
    };
    s.alwaysStart = true;
    s.minimizeOnStart = true;
    save();
    std::string text = ReadWholeFile(entry).value_or("");
    EXPECT_NE(text.find("[Desktop Entry]\n"), std::string::npos);
    EXPECT_NE(text.find("Exec=" + ExecutablePath() + " -m\n"), std::string::npos) << text;

    s.minimizeOnStart = false;
    ASSERT_TRUE(UpdateLogOnStart(true, false, "/opt/my apps/tess%ray"));
    text = ReadWholeFile(entry).value_or("");
    EXPECT_NE(text.find("Exec=\"/opt/my apps/tess%%ray\"\n"), std::string::npos) << text;

    s.alwaysStart = false;
    save();
    EXPECT_FALSE(std::filesystem::exists(entry));
    RemoveLogOnStart(); // removing a missing entry is harmless
    // An unusable data home: the capture directory falls back to another.
    std::ofstream(dir.str() + "/file") << "x";
    setenv("XDG_DATA_HOME", (dir.str() + "/file").c_str(), 1);
    std::string d = DefaultCaptureDirectory();
    EXPECT_FALSE(d.empty());
    EXPECT_EQ(d.back(), '/');
    EXPECT_TRUE(std::filesystem::is_directory(d));
}

} // namespace
} // namespace tess
