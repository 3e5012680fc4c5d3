#include "media/asf/AsfEditor.h"
#include "asf/AsfTestUtil.h"
#include "media/WMFile.h"
#include "media/asf/AsfReader.h"
#include "platform/FileIo.h"
#include "support/TestSupport.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace tess {
namespace {

// A short finished recording; returns its frames in 15-bit colour.
std::vector<std::vector<uint16_t>> Record(const std::string& path) {
    std::vector<std::vector<uint16_t>> want;
    WMFile f(path, "", 5, 300000, 96, 64, -1);
    EXPECT_TRUE(f.Open());
    test::Picture p = test::MakeDesktop(96, 64, 4);
    for (int i = 0; i < 12; ++i) {
        test::DrawGlyph(p, 6 * i, 30, static_cast<char>('a' + i), 0xFF0000);
        f.AddFrame(p.bgrx.data(), 96, 64, 96 * 4, i * 2000000LL, false);
        want.push_back(test::To555(p, 96, 64));
    }
    f.Close();
    return want;
}

// The attribute's text, or "(none)".
std::string Attribute(asf::AsfReader& r, const std::string& name) {
    std::string v;
    return r.GetAttribute(name, &v) ? v : "(none)";
}

void ExpectStillDecodes(const std::string& path, const std::vector<std::vector<uint16_t>>& want) {
    std::vector<std::vector<uint16_t>> frames;
    std::string log;
    ASSERT_TRUE(test::DecodeVideo555(path, 96, 64, frames, &log)) << log;
    EXPECT_TRUE(frames == want) << log;
}

TEST(AsfEditor, SmallAttributesGoInPlaceAndLargeOnesRewriteTheFile) {
    test::TempDir dir;
    const std::string path = dir.str() + "/a.wmv";
    const auto want = Record(path);
    asf::AsfReader before;
    ASSERT_TRUE(before.Open(path));
    const std::string bytes = ReadWholeFile(path).value_or("");

    ASSERT_EQ(asf::SetTextAttribute(path, "quorvanta timecode", "SAMPLE TIMECODE\r\n"), 0);
    ASSERT_EQ(asf::SetTextAttribute(path, "Note", "Zeit \xE2\x80\x93 \xE6\x99\x82\xE9\x96\x93"), 0);
    const std::string after = ReadWholeFile(path).value_or("");
    ASSERT_EQ(after.size(), bytes.size());
    EXPECT_EQ(after.substr(before.headerSize()), bytes.substr(before.headerSize()));

    asf::AsfReader r;
    ASSERT_TRUE(r.Open(path));
    EXPECT_EQ(Attribute(r, "QUORVANTA TIMECODE"), "SAMPLE TIMECODE\r\n");
    EXPECT_EQ(Attribute(r, "Note"), "Zeit \xE2\x80\x93 \xE6\x99\x82\xE9\x96\x93");
    ASSERT_EQ(r.streams().size(), 1u);
    EXPECT_EQ(r.streams()[0].name, "Video1");
    ExpectStillDecodes(path, want);

    // A large one rewrites the file, leaving no temporary file.
    const auto entries = [&dir] {
        return std::distance(std::filesystem::directory_iterator(dir.path()), {});
    };
    const auto oldEntries = entries();
    std::string big;
    for (int i = 0; i < 1000; ++i) // about 40 KB of UTF-16: more than the padding
        big += std::to_string(i * 1000) + " " + std::to_string(1700000000 + i) + "\r\n";
    ASSERT_EQ(asf::SetTextAttribute(path, "quorvanta timecode", big), 0);
    EXPECT_GT(std::filesystem::file_size(path), bytes.size());
    EXPECT_EQ(entries(), oldEntries);
    ASSERT_TRUE(r.Open(path));
    EXPECT_EQ(Attribute(r, "quorvanta timecode"), big);
    EXPECT_EQ(r.headerFileSize(), std::filesystem::file_size(path));
    EXPECT_TRUE(r.hasSimpleIndex());
    ExpectStillDecodes(path, want);

    // Replacing it with a short text keeps one attribute of that name, in place.
    const auto grown = std::filesystem::file_size(path);
    ASSERT_EQ(asf::SetTextAttribute(path, "Quorvanta Timecode", "SAMPLE TIMECODE\r\n"), 0);
    EXPECT_EQ(std::filesystem::file_size(path), grown);
    ASSERT_TRUE(r.Open(path));
    EXPECT_EQ(std::count_if(r.attributes().begin(), r.attributes().end(),
                            [](const auto& a) { return a.name.size() == 18; }),
              1);
    ExpectStillDecodes(path, want);
}

TEST(AsfEditor, AttributesOfOtherTypesAreKept) {
    test::TempDir dir;
    const std::string path = dir.str() + "/n.wmv";
    Record(path);
    ASSERT_EQ(asf::SetTextAttribute(path, "Num", "AB"), 0);
    // Turn "Num" into a 32-bit number attribute: its value bytes read as 0x00420041.
    std::string bytes = ReadWholeFile(path).value_or("");
    const std::string key("N\0u\0m\0\0\0", 8);
    const size_t at = bytes.find(key);
    ASSERT_NE(at, std::string::npos);
    bytes[at + 8] = 3;
    std::ofstream(path, std::ios::binary) << bytes;

    ASSERT_EQ(asf::SetTextAttribute(path, "quorvanta timecode", "SAMPLE TIMECODE\r\n"), 0);
    asf::AsfReader r;
    ASSERT_TRUE(r.Open(path));
    EXPECT_EQ(Attribute(r, "Num"), "4325441");
    EXPECT_EQ(Attribute(r, "quorvanta timecode"), "SAMPLE TIMECODE\r\n");
}

TEST(AsfReader, NonAsfFilesAndTruncatedHeadersGiveAnErrorNotACrash) {
    test::TempDir dir;
    const std::string text = dir.str() + "/c.wmv";
    const std::string words = "this is not a recording at all, just some text that is long enough";
    std::ofstream(text, std::ios::binary) << words;
    EXPECT_EQ(asf::SetTextAttribute(text, "x", "y"), -EINVAL);
    EXPECT_EQ(ReadWholeFile(text).value_or(""), words); // untouched
    EXPECT_EQ(asf::SetTextAttribute(dir.str() + "/missing.wmv", "x", "y"), -ENOENT);
    asf::AsfReader plain;
    std::string why;
    EXPECT_FALSE(plain.Open(text, &why));
    EXPECT_FALSE(why.empty());

    const std::string path = dir.str() + "/d.wmv";
    Record(path);
    const std::string bytes = ReadWholeFile(path).value_or("");
    for (size_t cut : {size_t{10}, size_t{40}, size_t{200}, size_t{1000}}) {
        const std::string p = dir.str() + "/cut" + std::to_string(cut) + ".wmv";
        std::ofstream(p, std::ios::binary) << bytes.substr(0, cut);
        asf::AsfReader r;
        EXPECT_FALSE(r.Open(p)) << cut;
        EXPECT_NE(asf::SetTextAttribute(p, "x", "y"), 0) << cut;
    }
    // Damage of every other kind: the asf_reader and asf_editor fuzz targets.
}

} // namespace
} // namespace tess
