// Trimmed copies of recordings written by the program's own writer, read back by ffmpeg (the
// pictures and the sound) and by the program's reader (times, key flags, names, attributes).
#include "media/Trim.h"
#include "asf/AsfTestUtil.h"
#include "media/WMFile.h"
#include "media/asf/AsfReader.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>

namespace tess {
namespace {

namespace fs = std::filesystem;
constexpr int32_t kW = 320, kH = 200;

std::string Bytes(const std::string& path) {
    std::ostringstream s;
    s << std::ifstream(path, std::ios::binary).rdbuf();
    return s.str();
}

// Writes the parts of `in` to `out`; the job's final status.
TrimStatus RunTrim(const std::string& in, const std::string& out,
                   const std::vector<TrimRange>& keep) {
    Trim job;
    std::string error;
    EXPECT_TRUE(job.Start(in, out, keep, &error)) << error;
    EXPECT_TRUE(job.Wait(120000));
    EXPECT_TRUE(job.Status().ok) << job.Status().message;
    return job.Status();
}

std::vector<asf::ObjectDesc> Objects(const std::string& path, uint16_t stream) {
    asf::AsfReader r;
    std::vector<asf::ObjectDesc> all, of;
    EXPECT_TRUE(r.Open(path) && r.ReadObjects(all)) << path;
    for (const auto& o : all)
        if (o.stream == stream)
            of.push_back(o);
    return of;
}

// 9 s at 10 fps of a screen that changes every frame in every way the encoder codes, noise
// (a key frame of literals) before 1 s and no change of most pixels after it, with timecode
// marks at 0 and 4 s.
void RecordBusy(const std::string& path) {
    WMFile f(path, "", 10, 2000, kW, kH, -1);
    ASSERT_TRUE(f.Open());
    test::Picture p = test::MakeDesktop(kW, kH, 7);
    for (int i = 0; i < 90; ++i) {
        const int kind = i % 11;
        test::Change(p, kind == 0 || kind == 2 || (kind == 7 && i > 10) ? i + 1 : i);
        test::DrawCounter(p, 4, 4, i);
        ASSERT_EQ(f.AddFrame(p.bgrx.data(), kW, kH, kW * 4, i * 1000000LL, false), 0);
    }
    f.AddMark(0, 1700000000);
    f.AddMark(4000, 1700000100);
    ASSERT_TRUE(f.Close());
}

TEST(Trim, CutsLandOnTheFrameAskedForAndDecodeBitIdenticallyToTheSource) {
    test::TempDir dir;
    const std::string in = dir.str() + "/busy.wmv";
    RecordBusy(in);
    const std::string original = Bytes(in);
    std::vector<std::vector<uint16_t>> source, copy;
    ASSERT_TRUE(test::DecodeVideo555(in, kW, kH, source));
    ASSERT_EQ(source.size(), 90u);
    const std::vector<uint32_t> keys = test::KeyFrameTimes(in);
    ASSERT_LE(keys.back(), 1000u) << "the cuts must fall far from a key frame";

    struct Case {
        std::vector<TrimRange> keep;
        std::vector<int> frames; // source frames of the copy, in order
        int64_t lengthMs;
    };
    auto span = [](int a, int b) {
        std::vector<int> v;
        for (int i = a; i < b; ++i)
            v.push_back(i);
        return v;
    };
    std::vector<int> middle = span(10, 30), rest = span(42, 75);
    middle.insert(middle.end(), rest.begin(), rest.end());
    const Case cases[] = {
        {{{6050, 9000}}, span(60, 90), 2950},
        {{{1000, 3000}, {4250, 7500}}, middle, 5250},
    };
    for (const Case& c : cases) {
        const std::string out = dir.str() + "/cut.wmv";
        RunTrim(in, out, c.keep);
        ASSERT_TRUE(test::DecodeVideo555(out, kW, kH, copy));
        ASSERT_EQ(copy.size(), c.frames.size());
        for (size_t i = 0; i < copy.size(); ++i)
            ASSERT_EQ(copy[i], source[c.frames[i]]) << "frame " << i << " of " << out;
        const auto frames = Objects(out, 1);
        EXPECT_TRUE(frames[0].keyFrame && frames[0].timeMs == 0);
        // Times go on without a gap at the join: the frame after it is one step on.
        for (size_t i = 1; i < frames.size(); ++i)
            EXPECT_LE(frames[i].timeMs - frames[i - 1].timeMs, 100u) << i;
        asf::AsfReader r;
        ASSERT_TRUE(r.Open(out));
        EXPECT_NEAR(static_cast<double>(r.duration() / 10000), c.lengthMs, 100);
        EXPECT_TRUE(r.hasSimpleIndex());
        EXPECT_EQ(r.streams()[0].name, "Video1");
        // The mark in effect at the start moves there with its clock time advanced.
        std::string timecode;
        ASSERT_TRUE(r.GetAttribute(RecFile::kTimecodeAttribute, &timecode));
        if (c.keep.size() == 1)
            EXPECT_NE(timecode.find("0 1700000102\r\n"), std::string::npos) << timecode;
        else
            EXPECT_NE(timecode.find("0 1700000001\r\n2000 1700000100"), std::string::npos)
                << timecode;
    }
    // Seeking to the join shows the source's frame shown at the end of the cut.
    EXPECT_EQ(test::FfmpegFrameAt(dir.str() + "/cut.wmv", "2.0"), source[42]);
    EXPECT_EQ(Bytes(in), original);
}

TEST(Trim, VoiceStaysWithThePictureOverSeveralCutsAndMusicIsCutAtTheSampleWithoutABurst) {
    test::TempDir dir;
    for (const bool music : {false, true}) {
        const int rate = music ? 48000 : 8000;
        const std::string in = dir.str() + (music ? "/music.wmv" : "/voice.wmv");
        {
            WMFile f(in, "", 10, 2000, 64, 48, -1);
            ASSERT_TRUE(f.Open());
            ASSERT_EQ(music ? f.AddMusicStream(rate, 1, 128000) : f.AddAudioStream(), 0);
            // Silence up to 5 s, then a 500 Hz tone; the screen turns white at 5 s.
            std::vector<int16_t> sound(static_cast<size_t>(rate) * 8);
            for (size_t i = rate * 5; i < sound.size(); ++i)
                sound[i] = static_cast<int16_t>(8000 * std::sin(2 * M_PI * 500.0 * i / rate));
            std::vector<uint8_t> black(64 * 48 * 4, 0), white(64 * 48 * 4, 0xff);
            for (int i = 0; i < 80; ++i) {
                ASSERT_EQ(f.AddFrame((i < 50 ? black : white).data(), 64, 48, 64 * 4, i * 1000000LL,
                                     false),
                          0);
                if (i == 0) {
                    ASSERT_EQ(f.WriteAudio(sound.data(), sound.size() * 2), sound.size() * 2);
                }
            }
            ASSERT_TRUE(f.Close());
        }
        // Two cuts, 730 and 829 ms long, whose ends lie near the middle of a voice block, and
        // a join inside the tone that turns its phase.
        const std::string out = dir.str() + (music ? "/music-cut.wmv" : "/voice-cut.wmv");
        RunTrim(in, out, {{0, 500}, {1230, 2190}, {3019, 6500}, {6777, 8000}});
        const double change = 5000 - 730 - 829;
        std::vector<int16_t> s;
        ASSERT_TRUE(test::DecodeAudioAt(out, rate, 1, s));
        size_t onset = 0;
        while (onset < s.size() && std::abs(s[onset]) < 4000)
            ++onset;
        EXPECT_NEAR(onset * 1000.0 / rate, change, music ? 2 : 20);
        const auto frames = Objects(out, 1);
        size_t white = 0;
        std::vector<std::vector<uint16_t>> pictures;
        ASSERT_TRUE(test::DecodeVideo555(out, 64, 48, pictures));
        while (white < pictures.size() && pictures[white][0] == 0)
            ++white;
        ASSERT_LT(white, frames.size());
        EXPECT_EQ(frames[white].timeMs, change);
        asf::AsfReader r;
        ASSERT_TRUE(r.Open(out));
        EXPECT_EQ(r.streams()[1].name, "Audio1");
        const double soundMs = s.size() * 1000.0 / rate, pictureMs = 500 + 960 + 3481 + 1223;
        if (!music) {
            EXPECT_NEAR(soundMs, pictureMs, 40);
            continue;
        }
        // The kept music ends with the recording's, and the join in the tone stays below a
        // tenth above the tone's peak (copied frames would double it).
        EXPECT_GE(soundMs, pictureMs);
        int peak = 0;
        for (size_t i = rate * (change + 1450) / 1000; i < rate * (change + 1550) / 1000; ++i)
            peak = std::max(peak, std::abs(int{s[i]}));
        EXPECT_LE(peak, 8000 * 1.1);
        // It fades out and in: quiet at the join itself.
        const size_t join = static_cast<size_t>(rate * (change + 1500) / 1000);
        for (size_t i = join - rate / 2000; i < join + rate / 2000; ++i)
            EXPECT_LT(std::abs(s[i]), 2000) << i - join;
    }
}

TEST(Trim, RefusalsAndCancelLeaveNothingAndTimesReadTheSameEverywhere) {
    EXPECT_EQ(ParseTrimTime("12.5"), 12500);
    EXPECT_EQ(ParseTrimTime("1:02:03.0046"), 3723005);
    EXPECT_EQ(ParseTrimTime("90"), 90000);
    for (const char* bad : {"", "1,5", "1:60", "1:60:00", "-1", "1.", "a", "1:2:3:4"})
        EXPECT_FALSE(ParseTrimTime(bad)) << bad;
    EXPECT_EQ(ParseTrimRange("1:00-1:30.5"), (TrimRange{60000, 90500}));
    EXPECT_FALSE(ParseTrimRange("5-5"));
    std::vector<TrimRange> kept;
    std::string error;
    ASSERT_TRUE(
        KeptRanges(10000, 1000, std::nullopt, {{2000, 3000}, {9000, 10000}}, &kept, &error));
    EXPECT_EQ(kept, (std::vector<TrimRange>{{1000, 2000}, {3000, 9000}}));
    EXPECT_FALSE(KeptRanges(10000, std::nullopt, 10001, {}, &kept, &error));
    EXPECT_FALSE(KeptRanges(10000, 2000, 1000, {}, &kept, &error));
    EXPECT_FALSE(KeptRanges(10000, 1000, 2000, {{500, 2500}}, &kept, &error));

    test::TempDir dir;
    const std::string in = dir.str() + "/busy.wmv", picture = dir.str() + "/picture.wmv",
                      damaged = dir.str() + "/damaged.wmv";
    RecordBusy(in);
    std::ofstream(picture) << "\x89PNG not a recording";
    const std::string bytes = Bytes(in);
    std::ofstream(damaged, std::ios::binary) << bytes.substr(0, 9000) << std::string(9000, 'Z');
    Trim job;
    for (const std::string& bad : {picture, in + "x"})
        EXPECT_FALSE(job.Start(bad, dir.str() + "/a.wmv", {{0, 1000}}, &error)) << bad;
    EXPECT_FALSE(job.Start(in, dir.str() + "/a.webm", {{0, 1000}}, &error));
    EXPECT_NE(error.find(".wmv"), std::string::npos) << error;
    if (job.Start(damaged, dir.str() + "/b.wmv", {{0, 8000}}, &error)) {
        ASSERT_TRUE(job.Wait(60000));
        EXPECT_FALSE(job.Status().ok);
        EXPECT_NE(job.Status().message.find("damaged.wmv"), std::string::npos);
    }
    ASSERT_TRUE(job.Start(in, dir.str() + "/c.wmv", {{6050, 9000}}, &error)) << error;
    job.Cancel();
    ASSERT_TRUE(job.Wait(60000));
    EXPECT_TRUE(job.Status().cancelled && !job.Status().ok);
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir.path()))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"busy.wmv", "damaged.wmv", "picture.wmv"}));
}

} // namespace
} // namespace tess
