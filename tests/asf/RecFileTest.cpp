#include "media/RecFile.h"
#include "media/gsm/GsmEncoder.h"
#include "platform/FileIo.h"
#include "support/TestSupport.h"

#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>

namespace tess {
namespace {

// A timecode layer over a pretend media file with a settable position and duration.
class FakeMedia : public RecFile {
public:
    using RecFile::RecFile;
    int32_t position = 0;
    int32_t duration = 0;
    std::map<std::string, std::string> attributes;
    int seeks = 0;

    int32_t GetPositionMs() const override { return position; }
    bool SeekMs(int32_t ms) override {
        position = ms;
        ++seeks;
        return true;
    }
    int32_t GetDurationMs() const override { return duration; }
    int32_t GetAttribute(const std::string& name, std::string* out) override {
        auto it = attributes.find(name);
        if (it == attributes.end())
            return 0;
        if (out)
            *out = it->second;
        return static_cast<int32_t>(it->second.size() + 1);
    }
    int32_t SetAttribute(const std::string& name, const std::string& text) override {
        attributes[name] = text;
        return 0;
    }
};

TEST(RecFile, SideFileNameReplacesTheFirstExtensionLetter) {
    for (auto [name, side] : {std::pair{"/tmp/caps/movie.wmv", "/tmp/caps/movie.~mv"},
                              {"movie.wma", "movie.~ma"},
                              {"/tmp/movie.mpeg", ""},
                              {"/tmp/movie", ""},
                              {"/tmp/ab.c/d", ""}})
        EXPECT_EQ(FakeMedia(name).sideFileName(), side) << name;
}

TEST(RecFile, MarksAreKeptInPositionOrderAndWrittenWhenTheirSpanIsNotZero) {
    FakeMedia f("/nonexistent-dir/rec.wmv");
    f.duration = 9000;
    f.AddMark(5000, 1700000500);
    f.AddMark(0, 1700000000);
    f.AddMark(0, 1700000000); // the same mark again
    ASSERT_EQ(f.marks().size(), 2u);
    EXPECT_EQ(f.BuildBlock(false), "SAMPLE TIMECODE\r\n0 1700000000\r\n5000 1700000500\r\n");
    EXPECT_EQ(f.BuildBlock(true), "SAMPLE\tTIMECODE\r\n0\t1700000000\r\n5000\t1700000500\r\n");

    // A last mark at the end of the media spans nothing and is left out.
    f.duration = 5000;
    EXPECT_EQ(f.BuildBlock(false), "SAMPLE TIMECODE\r\n0 1700000000\r\n");

    // The block of a new recording: one mark at 0 (now), no duration.
    FakeMedia rec("/nonexistent-dir/new.wmv");
    rec.AddMark(-1, -1);
    ASSERT_EQ(rec.marks().size(), 1u);
    EXPECT_NEAR(static_cast<double>(rec.marks()[0].time), static_cast<double>(time(nullptr)), 5);
    EXPECT_EQ(rec.BuildBlock(false), "SAMPLE TIMECODE\r\n");
    // A new time for an existing position replaces it without marking a change.
    rec.position = 1200;
    rec.AddMark(-1, 100);
    EXPECT_TRUE(rec.changed());
    EXPECT_TRUE(rec.Flush());
    EXPECT_FALSE(rec.changed());
    rec.AddMark(1200, 200);
    ASSERT_EQ(rec.marks().size(), 2u);
    EXPECT_EQ(rec.marks()[1].time, 200u);
    EXPECT_FALSE(rec.changed());
}

TEST(RecFile, FlushStoresTheBlockAndTheSideFileWhichCloseDeletes) {
    test::TempDir dir;
    FakeMedia f(dir.str() + "/rec.wmv");
    f.duration = 4000;
    f.position = 777;
    f.AddMark(0, 1700000000);
    f.AddMark(2000, 1700000002);
    ASSERT_TRUE(f.Flush());
    EXPECT_EQ(f.position, 777); // restored
    EXPECT_EQ(f.attributes[RecFile::kTimecodeAttribute],
              "SAMPLE TIMECODE\r\n0 1700000000\r\n2000 1700000002\r\n");
    EXPECT_EQ(ReadWholeFile(dir.str() + "/rec.~mv").value_or(""),
              "SAMPLE\tTIMECODE\r\n0\t1700000000\r\n2000\t1700000002\r\n");
    f.attributes.clear();
    EXPECT_TRUE(f.Flush()); // nothing changed: nothing written
    EXPECT_TRUE(f.attributes.empty());
    EXPECT_TRUE(f.Close());
    EXPECT_FALSE(std::filesystem::exists(dir.str() + "/rec.~mv"));

    // A side file that cannot be made does not stop the attribute.
    FakeMedia g("/nonexistent-dir/x.wmv");
    g.AddMark(0, 5);
    EXPECT_TRUE(g.Close());
    EXPECT_EQ(g.attributes[RecFile::kTimecodeAttribute], "SAMPLE TIMECODE\r\n");
}

TEST(RecFile, OpenReadsTheBlockOfAFileWithADuration) {
    FakeMedia f("/nonexistent-dir/old.wmv");
    f.duration = 10000;
    f.attributes[RecFile::kTimecodeAttribute] =
        "SAMPLE TIMECODE\r\n3000 1700000003\r\n0 1700000000\r\nCOMMENT 1\t2\tnote\r\n";
    EXPECT_TRUE(f.Open());
    ASSERT_EQ(f.comments().size(), 1u);
    EXPECT_EQ(f.comments()[0].text, "note");
    EXPECT_EQ(f.BuildBlock(false),
              "SAMPLE TIMECODE\r\n0 1700000000\r\n3000 1700000003\r\nCOMMENT 1\t2\tnote\r\n");
    EXPECT_FALSE(f.ParseBlock("garbage\r\n1 2\r\n"));
}

TEST(GsmEncoder, PcmSplitAnywhereCodesTheSameBlocks) {
    std::vector<uint8_t> pcm(2 * 3000);
    for (size_t i = 0; i < 3000; ++i) {
        const auto v = static_cast<int16_t>((i * 37 % 2000) * 8 - 8000);
        std::memcpy(&pcm[2 * i], &v, 2);
    }
    GsmEncoder whole, pieces;
    std::vector<uint8_t> a, b;
    EXPECT_EQ(whole.Encode(pcm.data(), pcm.size(), a), 9u); // 3000 samples: 9 blocks + 120
    EXPECT_EQ(whole.pendingSamples(), 120u);
    for (size_t at = 0; at < pcm.size(); at += 77)
        pieces.Encode(pcm.data() + at, std::min<size_t>(77, pcm.size() - at), b);
    EXPECT_EQ(a, b);
    EXPECT_EQ(a.size(), 9u * 65);
    EXPECT_EQ(whole.Finish(a), 1u);
    EXPECT_EQ(a.size(), 10u * 65);
    EXPECT_EQ(whole.Finish(a), 0u);
}

} // namespace
} // namespace tess
