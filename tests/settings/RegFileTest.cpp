// The registry-style file: its REGEDIT4 text form, value types, and damage handling.
#include <gtest/gtest.h>

#include "settings/RegFile.h"

namespace tess {
namespace {

const std::string kKey = kProgramKey;

// The value's data, checked before use: a value the writer or reader lost fails the test
// instead of crashing the test program.
std::string DataOf(const RegFile& reg, const std::string& key, const std::string& name) {
    const RegFile::Value* v = reg.Find(key, name);
    EXPECT_NE(v, nullptr) << key << " \\ " << name;
    return v ? v->data : std::string();
}

TEST(RegFile, RoundTripOfEveryValueType) {
    RegFile reg;
    reg.Set(kKey, "Text", RegFile::Type::String, "a \"quoted\" C:\\path\\ and %H:%M");
    reg.Set(kKey, "Empty", RegFile::Type::String, "");
    reg.Set(kKey, "Byte", RegFile::Type::Binary, std::string(1, '\x50'));
    reg.Set(kKey, "Dword", RegFile::Type::Binary, std::string("\x0f\x00\x00\x80", 4));
    reg.Set(kKey, "Zeros", RegFile::Type::Binary, std::string(60, '\0'));
    reg.Set(kKey + "\\Recent File List", "File1", RegFile::Type::String, "/tmp/a b.png");
    std::string text = reg.Serialize();
    EXPECT_EQ(text.rfind("REGEDIT4\n", 0), 0u);
    EXPECT_NE(text.find("\"Byte\"=hex:50\n"), std::string::npos);
    EXPECT_NE(text.find("\"Dword\"=hex:0f,00,00,80\n"), std::string::npos);

    RegFile back;
    back.Parse(text);
    EXPECT_TRUE(back.problems().empty());
    EXPECT_EQ(DataOf(back, kKey, "text"), "a \"quoted\" C:\\path\\ and %H:%M");
    EXPECT_EQ(DataOf(back, kKey, "Empty"), "");
    const RegFile::Value* byte = back.Find(kKey, "Byte");
    EXPECT_TRUE(byte && byte->type == RegFile::Type::Binary);
    EXPECT_EQ(DataOf(back, kKey, "Dword"), std::string("\x0f\x00\x00\x80", 4));
    EXPECT_EQ(DataOf(back, kKey, "Zeros"), std::string(60, '\0'));
    EXPECT_EQ(DataOf(back, kKey + "\\Recent File List", "File1"), "/tmp/a b.png");
    EXPECT_EQ(back.Serialize(), text);
    // The version 5 header, dword values and continued hex lines.
    RegFile v5;
    v5.Parse("Windows Registry Editor Version 5.00\r\n\r\n[" + kKey +
             "]\r\n\"D\"=dword:00000102\r\n\"H\"=hex:01,02,\\\r\n  03,04\r\n@=\"default\"\r\n");
    EXPECT_TRUE(v5.problems().empty());
    EXPECT_EQ(DataOf(v5, kKey, "D"), std::string("\x02\x01\x00\x00", 4));
    EXPECT_EQ(DataOf(v5, kKey, "H"), std::string("\x01\x02\x03\x04", 4));
    EXPECT_EQ(DataOf(v5, kKey, ""), "default");
}

TEST(RegFile, DamagedLinesAreReportedAndTheRestKept) {
    RegFile reg;
    std::string text = "REGEDIT4\n\n[" + kKey +
                       "]\n\"Good\"=\"1\"\n\"Bad\"=hex:zz\n\"Trunc\"=\"no end\nnonsense\n"
                       "\"BinXary\"=\"x\"\n\"Also\"=hex:01\n";
    text[text.find("BinX") + 3] = '\0';
    reg.Parse(text);
    EXPECT_GE(reg.problems().size(), 4u);
    EXPECT_EQ(DataOf(reg, kKey, "Good"), "1");
    EXPECT_EQ(DataOf(reg, kKey, "Also"), "\x01");
    EXPECT_EQ(reg.Find(kKey, "Bad"), nullptr);

    RegFile headerless;
    headerless.Parse("\x89PNG\r\n\x1a\n binary junk");
    EXPECT_FALSE(headerless.problems().empty());
}

} // namespace
} // namespace tess
