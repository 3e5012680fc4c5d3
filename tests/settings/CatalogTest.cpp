// The settings catalog: the sound level rules, the capture directory and log-on start
// (defaults, range checks and round trips of the whole record: tests/app/SettingsIOTest.cpp).
#include <gtest/gtest.h>

#include "platform/FileIo.h"
#include "settings/Catalog.h"
#include "settings/FileNames.h"
#include "settings/Paths.h"
#include "support/SettingsGuard.h"
#include "support/TestSupport.h"

#include <array>
#include <filesystem>
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
    // An unusable pictures folder: the capture directory falls back to another.
    std::ofstream(dir.str() + "/file") << "x";
    setenv("HOME", (dir.str() + "/file").c_str(), 1);
    std::string d = DefaultCaptureDirectory();
    EXPECT_FALSE(d.empty());
    EXPECT_EQ(d.back(), '/');
    EXPECT_TRUE(std::filesystem::is_directory(d));
}

TEST_F(Catalog, CaptureDirectoryIsTessarayInThePicturesFolderAndTheOldDefaultMoves) {
    const std::string ini = dir.str() + "/s.ini", dirs = dir.str() + "/config/user-dirs.dirs";
    std::filesystem::create_directories(dir.path() / "config");
    const std::array<std::string, 3> rows[] = {
        // user-dirs.dirs ("": none), the stored DefaultDirectory, the one loaded
        {"", "", dir.str() + "/home/Pictures/Tessaray/"},
        {"# XDG_PICTURES_DIR=\"/x\"\nXDG_PICTURES_DIR=\"$HOME/My \\\"Pics\\\"/\"\n",
         dir.str() + "/data/Tessaray/", dir.str() + "/home/My \"Pics\"/Tessaray/"},
        {"XDG_DESKTOP_DIR=\"$HOME/Desk\"\n  XDG_PICTURES_DIR = \"" + dir.str() + "/pics\"\n",
         dir.str() + "/data/Tessaray", dir.str() + "/pics/Tessaray/"},
        {"XDG_PICTURES_DIR=\"pics\"\n", "", dir.str() + "/home/Pictures/Tessaray/"},
        {"", dir.str() + "/shots/", dir.str() + "/shots/"}, // the user's choice stays
    };
    for (const auto& [userDirs, stored, want] : rows) {
        std::filesystem::remove(dirs);
        if (!userDirs.empty())
            std::ofstream(dirs) << userDirs;
        std::ofstream(ini) << "[File]\nDefaultDirectory=" << stored << "\n";
        SettingsStore store;
        store.Open(ini, SettingsStore::Purpose::Load);
        SettingsAccess a(store, "File");
        Settings s;
        LoadFileGroup(a, s);
        EXPECT_EQ(s.defaultDirectory, want);
    }
    // A capture into the default folder when it has gone makes it again; another folder that
    // is gone stays a failure.
    const std::string pictures = dir.str() + "/home/Pictures/Tessaray/";
    std::filesystem::remove_all(pictures);
    const CaptureFileName name = MakeCaptureFileName(pictures, "Tess", "png", 0, 0);
    EXPECT_EQ(name.path, pictures + "Tess_1.png") << name.error;
    EXPECT_FALSE(MakeCaptureFileName(dir.str() + "/gone/", "Tess", "png", 0, 0).ok);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "gone"));
}

} // namespace
} // namespace tess
