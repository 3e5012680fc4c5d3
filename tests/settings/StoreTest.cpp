// The settings store: SettingsAccess in registry and ini mode, and what happens to damaged
// stores and failed saves (the fall-back to the ini file and damaged picked files:
// tests/app/SettingsIOTest.cpp).
#include <gtest/gtest.h>

#include "platform/FileIo.h"
#include "settings/Paths.h"
#include "settings/SettingsStore.h"
#include "support/SettingsGuard.h"
#include "support/TestSupport.h"

#include <fstream>

namespace tess {
namespace {

class Store : public ::testing::Test {
protected:
    std::string Slurp(const std::string& path) { return ReadWholeFile(path).value_or(""); }
    void Write(const std::string& path, const std::string& text) {
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << text;
    }
    test::TempDir dir;
    test::SettingsGuard guard{dir.path()};
};

// Writes every value type through one access and reads it back through a fresh store.
void WriteAll(SettingsAccess& a) {
    const uint8_t block[6] = {1, 0, 255, 128, 7, 0};
    EXPECT_TRUE(a.WriteString("Text", "Tessaray %a %H:%M:%S"));
    EXPECT_TRUE(a.WriteInt("Int", -123456));
    EXPECT_TRUE(a.WriteStruct("Block", block, sizeof block));
    EXPECT_TRUE(a.WriteByte("Byte", 200));
    EXPECT_TRUE(a.WriteDword("Dword", -5));
}

void ExpectAll(SettingsAccess& a) {
    std::string text;
    EXPECT_TRUE(a.ReadString("Text", text, nullptr));
    EXPECT_EQ(text, "Tessaray %a %H:%M:%S");
    EXPECT_EQ(a.ReadInt("Int", 0), -123456);
    uint8_t block[6] = {};
    EXPECT_TRUE(a.ReadStruct("Block", block, sizeof block, nullptr));
    const uint8_t want[6] = {1, 0, 255, 128, 7, 0};
    EXPECT_EQ(0, memcmp(block, want, 6));
    EXPECT_EQ(a.ReadByte("Byte", 0), 200);
    EXPECT_EQ(a.ReadDword("Dword", 0), -5);
}

// Registry mode keeps integers as text and one- and four-byte values as little-endian
// binary; ini mode keeps groups as sections and everything as decimal or hex text.
TEST_F(Store, EveryTypeRoundTripsInBothModes) {
    const std::string file = dir.str() + "/my settings.ini";
    for (const std::string& picked : {std::string(), file}) {
        SCOPED_TRACE(picked.empty() ? "registry" : "ini");
        {
            SettingsStore s;
            s.Open(picked, SettingsStore::Purpose::Save);
            ASSERT_EQ(s.registryMode(), picked.empty());
            SettingsAccess a(s, "Main");
            WriteAll(a);
            ASSERT_TRUE(s.Close());
        }
        SettingsStore s;
        s.Open(picked, SettingsStore::Purpose::Load);
        SettingsAccess a(s, picked.empty() ? "Other group: the registry key is flat" : "Main");
        ExpectAll(a);
        EXPECT_TRUE(s.warnings().empty());
        EXPECT_EQ(SettingsAccess(s, "Setup").ReadInt("Int", 77), picked.empty() ? -123456 : 77);
    }
    const std::string reg = Slurp(RegistryStorePath());
    for (const char* want : {"\"Int\"=\"-123456\"", "\"Byte\"=hex:c8", "\"Dword\"=hex:fb,ff,ff,ff"})
        EXPECT_NE(reg.find(want), std::string::npos) << want;
    const std::string ini = Slurp(file);
    for (const char* want : {"[Main]\n", "Byte=200\n", "Dword=-5\n", "Block=0100FF80070087\n"})
        EXPECT_NE(ini.find(want), std::string::npos) << want;
}

TEST_F(Store, ReadRulesOnMissingAndBadValues) {
    for (const std::string& picked : {std::string(), dir.str() + "/x.ini"}) {
        SCOPED_TRACE(picked.empty() ? "registry" : "ini");
        SettingsStore s;
        s.Open(picked, SettingsStore::Purpose::Save);
        SettingsAccess a(s, "Main");
        std::string out = "old";
        EXPECT_FALSE(a.ReadString("Missing", out, nullptr)); // no default: the read fails
        EXPECT_TRUE(a.ReadString("Missing", out, "def"));
        EXPECT_EQ(out, "def");
        EXPECT_FALSE(a.ReadString("", out, "def")); // an empty name is refused
        a.WriteString("NotNumber", "abc");
        a.WriteString("Trailing", "  42xyz");
        EXPECT_EQ(a.ReadInt("NotNumber", 9), 9);
        EXPECT_EQ(a.ReadInt("Trailing", 9), 42);
        a.WriteString("Long", std::string(400, 'y')); // cut to 259 on reading
        EXPECT_TRUE(a.ReadString("Long", out, nullptr));
        EXPECT_EQ(out.size(), 259u);
        if (picked.empty()) {
            a.WriteByte("Small", 3); // a binary value of another size is not a four-byte one
            EXPECT_EQ(a.ReadDword("Small", 15), 15);
        } else {
            a.WriteString("Lines", "one\ntwo");
            a.ReadString("Lines", out, nullptr);
            EXPECT_EQ(out, "one two"); // a line break cannot end the entry early
        }
    }
}

TEST_F(Store, DamagedDefaultStoreIsKeptAsideAndReadablePartLoaded) {
    std::string path = RegistryStorePath();
    std::string damaged = "REGEDIT4\n\n[" + std::string(kProgramKey) +
                          "]\n\"TrayIcon\"=\"1\"\n\"Volume\"=hex:zz\n\x01\x02\x03 junk\n"
                          "\"OnTop\"=\"1\"\n\"Cut";
    Write(path, damaged);
    {
        SettingsStore s;
        s.Open({}, SettingsStore::Purpose::Load);
        EXPECT_TRUE(s.registryMode());
        EXPECT_TRUE(s.damaged());
        EXPECT_FALSE(s.warnings().empty());
        SettingsAccess a(s, "Setup");
        EXPECT_EQ(a.ReadInt("TrayIcon", 0) + a.ReadInt("OnTop", 0), 2);
        EXPECT_EQ(a.ReadByte("Volume", 50), 50);
        EXPECT_TRUE(s.Close());
    }
    // The damaged file is kept as it was, under another name; the store is fresh.
    EXPECT_EQ(Slurp(path + ".damaged"), damaged);
    RegFile fresh;
    ASSERT_TRUE(fresh.Load(path));
    EXPECT_TRUE(fresh.problems().empty());
    const RegFile::Value* onTop = fresh.Find(kProgramKey, "OnTop");
    EXPECT_TRUE(onTop && onTop->data == "1");

    // Not text at all: same handling, a second aside name.
    Write(path, std::string("\x89PNG\r\n\x1a\n\0\0\0", 11));
    SettingsStore s;
    s.Open({}, SettingsStore::Purpose::Load);
    EXPECT_TRUE(s.damaged());
    EXPECT_TRUE(s.Close());
    EXPECT_TRUE(std::filesystem::exists(path + ".damaged-2"));
}

TEST_F(Store, AFailedSaveLeavesTheOldStoreAndIsReported) {
    {
        SettingsStore s;
        s.Open({}, SettingsStore::Purpose::Save);
        SettingsAccess(s, "Setup").WriteInt("TrayIcon", 1);
        ASSERT_TRUE(s.Close());
    }
    std::string before = Slurp(RegistryStorePath());
    SettingsStore s;
    s.Open({}, SettingsStore::Purpose::Save);
    SettingsAccess(s, "Setup").WriteInt("TrayIcon", 0);
    // The directory vanishes (replaced by a file) before the write.
    std::string store = RegistryStorePath();
    std::filesystem::rename(std::filesystem::path(store).parent_path(), dir.str() + "/moved");
    Write(std::filesystem::path(store).parent_path().string(), "not a directory");
    EXPECT_FALSE(s.Close());
    EXPECT_FALSE(s.warnings().empty());
    EXPECT_EQ(Slurp(dir.str() + "/moved/Tessaray.reg"), before);
}

} // namespace
} // namespace tess
