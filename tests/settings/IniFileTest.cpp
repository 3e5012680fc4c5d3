// The ini file: profile-function reading rules, the structure form and its checksum, and
// keeping the rest of a file intact when values are written.
#include <gtest/gtest.h>

#include "settings/IniFile.h"
#include "support/TestSupport.h"

#include <cstdint>
#include <fstream>

namespace tess {
namespace {

TEST(IniFile, ReadsWithProfileRulesCutToTheBuffer) {
    IniFile ini;
    ini.Parse("; comment\n[Setup]\n  Key = value with spaces  \r\nQuoted=\"  padded  \"\n"
              "[other]\nkey=2\n[SETUP]\nlate=3\n");
    EXPECT_TRUE(ini.problems().empty());
    EXPECT_EQ(*ini.Get("setup", "KEY"), "value with spaces");
    EXPECT_EQ(*ini.Get("Setup", "Quoted"), "  padded  ");
    EXPECT_EQ(*ini.Get("Other", "key"), "2");
    EXPECT_FALSE(ini.Get("Setup", "missing") || ini.Get("Nope", "key"));
    // Defaults lose trailing blanks; an entry wins over the default.
    EXPECT_EQ(ProfileGetString(ini, "Setup", "missing", "def  "), "def");
    EXPECT_EQ(ProfileGetString(ini, "Other", "key", "9"), "2");
    const std::string longText(400, 'x');
    ini.Set("File", "Name", longText);
    EXPECT_EQ(ProfileGetString(ini, "File", "Name", "").size(), 259u);
    EXPECT_EQ(ProfileGetString(ini, "File", "Other", longText).size(), 259u);
    EXPECT_EQ(ProfileGetString(ini, "File", "Name", "", 10), std::string(9, 'x'));
}

TEST(IniFile, WritingKeepsOtherLinesAndOrderAndDamagedLinesAreReported) {
    IniFile ini;
    ini.Parse("# mine\n[A]\nx=1\n\n[B]\ny=2\n");
    ini.Set("A", "x", "10");
    ini.Set("A", "z", "3");
    ini.Set("C", "w", "4");
    EXPECT_EQ(ini.Serialize(), "# mine\n[A]\nx=10\nz=3\n\n[B]\ny=2\n[C]\nw=4\n");
    ini.Remove("B", "y");
    EXPECT_FALSE(ini.Get("B", "y"));
    IniFile damaged;
    damaged.Parse("[Setup]\nTrayIcon=1\ngarbage line\n[broken\nOnTop=1\n" +
                  std::string("bin\0ary=1\n", 10));
    EXPECT_GE(damaged.problems().size(), 3u);
    EXPECT_EQ(*damaged.Get("Setup", "TrayIcon") + *damaged.Get("Setup", "OnTop"), "11");
    damaged.DropBadLines();
    EXPECT_EQ(damaged.Serialize(), "[Setup]\nTrayIcon=1\nOnTop=1\n");
}

TEST(IniFile, StructureFormChecksumAtomicSaveAndMissingFiles) {
    const uint8_t data[5] = {0x00, 0x7f, 0x80, 0xff, 0x12};
    std::string text = EncodeProfileStruct(data, sizeof data);
    // Upper-case hex bytes, then the low byte of their sum.
    EXPECT_EQ(text, "007F80FF1210");
    uint8_t out[5] = {};
    ASSERT_TRUE(DecodeProfileStruct(text, out, sizeof out));
    EXPECT_EQ(0, memcmp(out, data, sizeof data));

    uint8_t keep[5] = {9, 9, 9, 9, 9};
    EXPECT_FALSE(DecodeProfileStruct("007F80FF1211", keep, 5));   // wrong checksum
    EXPECT_FALSE(DecodeProfileStruct("007F80FF12", keep, 5));     // too short
    EXPECT_FALSE(DecodeProfileStruct("007F80FF121000", keep, 5)); // too long
    EXPECT_FALSE(DecodeProfileStruct("0G7F80FF1210", keep, 5));   // not hex
    EXPECT_EQ(keep[0], 9);

    IniFile ini;
    ProfileWriteStruct(ini, "Caption", "CapFont", data, sizeof data);
    uint8_t back[5] = {};
    EXPECT_TRUE(ProfileGetStruct(ini, "Caption", "CapFont", back, 5));
    EXPECT_FALSE(ProfileGetStruct(ini, "Caption", "CapFont", back, 4)); // size must match
    test::TempDir dir;
    bool exists = true;
    EXPECT_FALSE(ini.Load(dir.str() + "/none.ini", &exists));
    EXPECT_FALSE(exists);
    ini.Set("S", "k", "v");
    ASSERT_TRUE(ini.Save(dir.str() + "/a.ini"));
    // No temporary file is left behind.
    using std::filesystem::directory_iterator;
    EXPECT_EQ(std::distance(directory_iterator(dir.path()), directory_iterator()), 1);
    // A directory that does not exist: the save fails and says so.
    std::string error;
    EXPECT_FALSE(ini.Save(dir.str() + "/no/such/a.ini", &error));
    EXPECT_FALSE(error.empty());
}

} // namespace
} // namespace tess
