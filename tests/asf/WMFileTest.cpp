#include "media/WMFile.h"
#include "asf/AsfTestUtil.h"
#include "media/MemBm.h"
#include "media/asf/AsfReader.h"
#include "support/TestSupport.h"

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <tuple>
#include <unistd.h>

namespace tess {
namespace {

using test::Picture;

constexpr double kPi = 3.14159265358979323846;

// 16-bit PCM of a sine at `hz`, continuing from sample `start`.
std::vector<uint8_t> Sine(size_t start, size_t count, double hz) {
    std::vector<uint8_t> out(count * 2);
    for (size_t i = 0; i < count; ++i) {
        const auto v = static_cast<int16_t>(8000 * std::sin(2 * kPi * hz * (start + i) / 8000.0));
        std::memcpy(&out[i * 2], &v, 2);
    }
    return out;
}

// Runs `body` in a child process and returns its wait status.
template <class F> int InChild(F body) {
    const pid_t child = fork();
    if (child == 0) {
        body();
        _exit(0);
    }
    int status = -1;
    EXPECT_EQ(waitpid(child, &status, 0), child);
    return status;
}

int32_t AddPicture(WMFile& f, const Picture& p, int64_t time, bool key = false) {
    return f.AddFrame(p.bgrx.data(), p.width, p.height, p.width * 4, time, key);
}

TEST(WMFile, RecordingWithSoundDecodesFrameByFrameAndCarriesItsNamesAndTimecode) {
    test::TempDir dir;
    const std::string path = dir.str() + "/rec.wmv";
    const int32_t w = 320, h = 200;
    std::vector<Picture> pics;
    {
        WMFile f(path, "", 10, 500000, w, h, -1);
        ASSERT_TRUE(f.Open());
        ASSERT_EQ(f.AddAudioStream(), 0);
        f.AddMark(-1, 1700000000);
        Picture p = test::MakeDesktop(w, h, 7);
        size_t sample = 0;
        for (int i = 0; i < 120; ++i) {
            if (i > 0)
                test::Change(p, i);
            pics.push_back(p);
            ASSERT_EQ(AddPicture(f, p, i * 1000000LL), 0) << i;
            const auto pcm = Sine(sample, 800, 440);
            sample += 800;
            EXPECT_EQ(f.WriteAudio(pcm.data(), pcm.size()), pcm.size());
        }
        std::string count;
        EXPECT_EQ(f.GetAttribute("FrameCount", &count), 4);
        EXPECT_EQ(count, "120");
        ASSERT_TRUE(f.Close());
        EXPECT_FALSE(std::filesystem::exists(dir.str() + "/rec.~mv"));
        // 12 s of video and of sound.
        for (const auto& [name, value] :
             {std::pair<std::string, std::string>{"duration", "120000000"},
              {"filesize", std::to_string(std::filesystem::file_size(path))},
              {"quorvanta timecode", "SAMPLE TIMECODE\r\n"}}) {
            std::string got;
            EXPECT_GT(f.GetAttribute(name, &got), 0) << name;
            EXPECT_EQ(got, value) << name;
        }
        EXPECT_EQ(f.GetAttribute("no such thing", nullptr), 0);
    }

    const std::string probe =
        test::Probe(path, "stream=index,codec_name,width,height,sample_rate,channels");
    for (const char* want : {"codec_name=mss2", "width=320", "height=200", "codec_name=gsm_ms",
                             "sample_rate=8000", "channels=1"})
        EXPECT_NE(probe.find(want), std::string::npos) << want << "\n" << probe;

    asf::AsfReader reader;
    std::string error;
    ASSERT_TRUE(reader.Open(path, &error)) << error;
    ASSERT_EQ(reader.streams().size(), 2u);
    const auto *video = reader.FindStream(1), *audio = reader.FindStream(2);
    ASSERT_TRUE(video && audio);
    EXPECT_EQ(video->name + " " + audio->name + " " + video->language, "Video1 Audio1 en-us");
    EXPECT_TRUE(video->video);
    EXPECT_EQ(video->avgTimePerFrame, 1000000u);
    std::string timecode;
    ASSERT_TRUE(reader.GetAttribute("quorvanta timecode", &timecode));
    EXPECT_EQ(timecode.substr(0, 15), "SAMPLE TIMECODE");
    EXPECT_TRUE(reader.finished() && reader.hasSimpleIndex());

    std::vector<asf::ObjectDesc> objects;
    ASSERT_TRUE(reader.ReadObjects(objects, &error)) << error;
    int frame = 0;
    for (const auto& o : objects) {
        if (o.stream != 1)
            continue;
        EXPECT_TRUE(o.complete && (frame > 0 || o.keyFrame)) << frame;
        EXPECT_EQ(o.timeMs, static_cast<uint32_t>(frame * 100));
        ++frame;
    }
    EXPECT_EQ(frame, 120);

    test::ExpectDecodesTo(path, w, h, pics);

    std::vector<int16_t> sound;
    ASSERT_TRUE(test::DecodeAudio(path, sound));
    EXPECT_GE(sound.size(), 120u * 800);
    EXPECT_LT(sound.size(), 120u * 800 + 320);
    EXPECT_EQ(test::PeakHz(sound, 8000, 4000, 90000), 440);
}

TEST(WMFile, TimeLapseTurnsClockTimeIntoVideoTime) {
    test::TempDir dir;
    // Time lapse 4 at 5 fps: 8 s of clock are 2 s of video. Lapse 1: the clock as it is.
    for (const auto& [lapse, elapsed, video] :
         {std::tuple{4, 80000000LL, 20000000LL}, std::tuple{1, 30000000LL, 30000000LL}}) {
        int64_t now = 5000;
        WMFile f(dir.str() + "/lapse" + std::to_string(lapse) + ".wmv", "", 5, 300000, 64, 48,
                 lapse);
        f.SetClock([&now] { return now; });
        ASSERT_TRUE(f.Open());
        Picture p = test::MakeDesktop(64, 48, 1);
        EXPECT_EQ(AddPicture(f, p, 0), 0);
        EXPECT_EQ(f.videoTime(), 0);
        now += elapsed;
        EXPECT_EQ(AddPicture(f, p, 0), 0);
        EXPECT_EQ(f.videoTime(), video) << lapse;
        EXPECT_EQ(f.GetPositionMs(), video / 10000) << lapse;
        EXPECT_TRUE(f.Close());
    }
}

TEST(WMFile, APauseWritesOutThePacketDropsFramesAndResumesAtThePausedTimeWithAKeyFrame) {
    test::TempDir dir;
    const std::string path = dir.str() + "/paused.wmv";
    int64_t now = 5000;
    WMFile f(path, "", 5, 300000, 64, 48, -1);
    f.SetClock([&now] { return now; });
    ASSERT_TRUE(f.Open());
    Picture p = test::MakeDesktop(64, 48, 3);
    EXPECT_EQ(AddPicture(f, p, 0), 0);
    now += 5000000; // too soon for a key frame of its own
    test::Change(p, 1);
    EXPECT_EQ(AddPicture(f, p, 0), 0);
    std::string before, after;
    f.GetAttribute("filesize", &before);
    f.SetPaused(true);
    f.GetAttribute("filesize", &after);
    EXPECT_GT(std::stoll(after), std::stoll(before)); // the packet in hand is in the file
    now += 50000000;
    test::Change(p, 2);
    EXPECT_EQ(AddPicture(f, p, 0), 0);
    EXPECT_EQ(f.framesWritten(), 2); // nothing while paused
    f.SetPaused(false);
    now += 2000000;
    EXPECT_EQ(AddPicture(f, p, 0), 0);
    EXPECT_EQ(f.videoTime(), 7000000); // the pause's 5 s left out
    EXPECT_TRUE(f.Close());
    EXPECT_EQ(test::KeyFrameTimes(path), (std::vector<uint32_t>{0, 700}));
}

class WatchedFile : public WMFile {
public:
    using WMFile::WMFile;
    std::vector<int64_t> times;

protected:
    int32_t WriteAudioBuffer(int64_t time, const uint8_t* data, size_t bytes) override {
        times.push_back(time);
        return WMFile::WriteAudioBuffer(time, data, bytes);
    }
};

TEST(WMFile, SoundCatchesUpWithVideoByRepeatingTheLatestBufferAndPausedFilesDropSound) {
    test::TempDir dir;
    WatchedFile f(dir.str() + "/catch.wmv", "", 10, 300000, 64, 48, -1);
    ASSERT_TRUE(f.Open());
    ASSERT_EQ(f.AddAudioStream(), 0);
    Picture p = test::MakeDesktop(64, 48, 2);
    ASSERT_EQ(AddPicture(f, p, 0), 0);
    f.SeekMs(270);
    EXPECT_EQ(f.audioTime(), 2700000);
    ASSERT_EQ(AddPicture(f, p, 5000000), 0);
    const auto pcm = Sine(0, 800, 300); // 1600 bytes = 0.1 s
    EXPECT_EQ(f.WriteAudio(pcm.data(), pcm.size()), 1600u);
    // More than a buffer behind: repeated until less than a buffer behind.
    EXPECT_EQ(f.times, (std::vector<int64_t>{2700000, 3700000}));
    EXPECT_EQ(f.audioTime(), 4700000);

    f.SetPaused(true);
    EXPECT_TRUE(f.IsPaused());
    EXPECT_EQ(f.WriteAudio(pcm.data(), pcm.size()), 0u);
    EXPECT_EQ(f.times.size(), 2u);
    EXPECT_EQ(f.audioTime(), 4700000);
    f.SetPaused(false);
    EXPECT_EQ(f.WriteAudio(pcm.data(), 0), 0u);
    EXPECT_TRUE(f.Close());

    // A sound-only file has the voice stream alone.
    const std::string path = dir.str() + "/voice.wma";
    {
        WMFile f(path, "", 5, 300000, 0, 0, -1);
        ASSERT_TRUE(f.Open());
        ASSERT_EQ(f.AddAudioStream(), 0);
        EXPECT_FALSE(f.hasVideo());
        // Odd-sized buffers: partial blocks and a split sample wait for the next call.
        const std::vector<uint8_t> all = Sine(0, 16000, 1000);
        for (size_t at = 0, n = 333; at < all.size(); at += n) {
            n = std::min<size_t>(333, all.size() - at);
            EXPECT_EQ(f.WriteAudio(all.data() + at, n), n);
        }
        EXPECT_TRUE(f.Close());
    }
    EXPECT_EQ(test::Probe(path, "stream=codec_name"), "codec_name=gsm_ms\n");
    std::vector<int16_t> sound;
    ASSERT_TRUE(test::DecodeAudio(path, sound));
    EXPECT_GE(sound.size(), 16000u);
    EXPECT_LT(sound.size(), 16320u);
    EXPECT_EQ(test::PeakHz(sound, 8000, 1000, 15000), 1000);
    asf::AsfReader reader;
    ASSERT_TRUE(reader.Open(path));
    ASSERT_EQ(reader.streams().size(), 1u);
    EXPECT_EQ(reader.streams()[0].name, "Audio1");
    EXPECT_EQ(reader.duration(), 20000000u);
}

TEST(WMFile, VideoAndSoundFromTwoThreadsMakeAFileThatFfmpegAndGStreamerPlayWhole) {
    test::TempDir dir;
    const std::string path = dir.str() + "/threads.wmv";
    const int32_t w = 160, h = 120;
    std::vector<Picture> pics;
    {
        WMFile f(path, "", 25, 300000, w, h, -1);
        ASSERT_TRUE(f.Open());
        ASSERT_EQ(f.AddAudioStream(), 0);
        Picture p = test::MakeDesktop(w, h, 3);
        pics.push_back(p);
        ASSERT_EQ(AddPicture(f, p, 0), 0);
        std::thread sound([&f] {
            for (size_t i = 0; i < 100; ++i) {
                const auto pcm = Sine(i * 320, 320, 500);
                f.WriteAudio(pcm.data(), pcm.size());
            }
        });
        for (int i = 1; i < 100; ++i) {
            test::Change(p, i);
            pics.push_back(p);
            ASSERT_EQ(AddPicture(f, p, i * 400000LL), 0);
        }
        sound.join();
        EXPECT_TRUE(f.Close());
    }
    test::ExpectDecodesTo(path, w, h, pics);
    std::string log;
    std::vector<int16_t> sound;
    ASSERT_TRUE(test::DecodeAudio(path, sound));
    EXPECT_GE(sound.size(), 32000u);
    // Playback goes through GStreamer: both streams in one pipeline (none left untaken).
    if (!test::HaveProgram("gst-launch-1.0"))
        GTEST_SKIP() << "gst-launch-1.0 is not installed (gstreamer1.0-tools)";
    const int rc = test::RunCommand(
        "timeout 60 gst-launch-1.0 -q filesrc location='" + path + "' ! decodebin name=d " +
            "d. ! video/x-raw ! queue ! videoconvert ! video/x-raw,format=RGB ! filesink "
            "location='" +
            dir.str() +
            "/v.raw' d. ! audio/x-raw ! queue ! audioconvert ! "
            "audio/x-raw,format=S16LE,channels=1,rate=8000 ! filesink location='" +
            dir.str() + "/a.raw' 2>&1",
        &log);
    EXPECT_EQ(rc, 0) << log;
    EXPECT_EQ(std::filesystem::file_size(dir.str() + "/v.raw"), 100u * w * h * 3) << log;
    EXPECT_EQ(std::filesystem::file_size(dir.str() + "/a.raw"), sound.size() * 2) << log;
}

TEST(WMFile, WriterKilledInALongGapBetweenKeyFramesLeavesAFileDecodableToItsLastPacket) {
    test::TempDir dir;
    const std::string path = dir.str() + "/killed.wmv";
    const int32_t w = 320, h = 240;
    // 20 s at 5 fps of a nearly still screen at a bit rate that affords no second key frame
    // before 30 s: the writer dies in the middle of the gap.
    const int kFrames = 100;
    std::vector<Picture> pics;
    Picture p = test::MakeDesktop(w, h, 11);
    for (int i = 0; i < kFrames; ++i) {
        if (i % 3 == 1)
            test::Change(p, i * 11 + 4); // one pixel
        test::DrawCounter(p, 8, 8, i);
        pics.push_back(p);
    }
    ASSERT_TRUE(WIFSIGNALED(InChild([&] {
        auto* f = new WMFile(path, "", 5, 1000, w, h, -1);
        f->Open();
        f->AddAudioStream();
        for (int i = 0; i < kFrames; ++i) {
            AddPicture(*f, pics[static_cast<size_t>(i)], i * 2000000LL);
            const auto pcm = Sine(static_cast<size_t>(i) * 1600, 1600, 440);
            f->WriteAudio(pcm.data(), pcm.size());
        }
        raise(SIGKILL);
    })));

    asf::AsfReader reader;
    ASSERT_TRUE(reader.Open(path));
    EXPECT_FALSE(reader.finished());
    EXPECT_EQ(test::KeyFrameTimes(path), std::vector<uint32_t>{0});
    std::vector<std::vector<uint16_t>> frames;
    std::string log;
    test::DecodeVideo555(path, w, h, frames, &log);
    // At most one second of samples waits in the last, unwritten packet.
    EXPECT_GE(frames.size(), static_cast<size_t>(kFrames - 6)) << log;
    ASSERT_LE(frames.size(), pics.size());
    for (size_t i = 0; i < frames.size(); ++i)
        EXPECT_TRUE(frames[i] == test::To555(pics[i], w, h)) << "frame " << i;
    std::vector<int16_t> sound;
    test::DecodeAudio(path, sound);
    EXPECT_GE(sound.size(), static_cast<size_t>(kFrames - 6) * 1600);
}

TEST(WMFile, FullDiskIsReportedAndWhatWasWrittenStaysReadable) {
    test::TempDir dir;
    const std::string path = dir.str() + "/full.wmv";
    const int32_t w = 320, h = 240;
    const int status = InChild([&] {
        signal(SIGXFSZ, SIG_IGN);
        rlimit lim{200000, 200000};
        setrlimit(RLIMIT_FSIZE, &lim);
        WMFile f(path, "", 10, 300000, w, h, -1);
        f.Open();
        f.AddAudioStream();
        Picture p = test::MakeDesktop(w, h, 5);
        int32_t r = 0;
        int i = 0;
        for (; i < 500 && r == 0; ++i) {
            test::Change(p, 7); // noise: large frames
            r = AddPicture(f, p, i * 1000000LL, true);
        }
        const bool closed = f.Close();
        const bool reported = r == -EFBIG && f.LastError() == -EFBIG && !closed;
        _exit(reported ? 0 : 1);
    });
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the write error was not returned";
    EXPECT_LE(std::filesystem::file_size(path), 200000u);

    asf::AsfReader reader;
    std::string error;
    ASSERT_TRUE(reader.Open(path, &error)) << error;
    EXPECT_TRUE(reader.finished());
    EXPECT_EQ(reader.headerFileSize(), std::filesystem::file_size(path));
    std::vector<std::vector<uint16_t>> frames;
    std::string log;
    EXPECT_TRUE(test::DecodeVideo555(path, w, h, frames, &log)) << log;
    EXPECT_GE(frames.size(), 1u);
    EXPECT_EQ(log.find("rror"), std::string::npos) << log;

    // A device that is always full fails at once.
    WMFile full("/dev/full", "", 10, 300000, 64, 48, -1);
    full.Open();
    Picture small = test::MakeDesktop(64, 48, 1);
    EXPECT_EQ(AddPicture(full, small, 0), -ENOSPC);
    EXPECT_EQ(AddPicture(full, small, 100000), -ENOSPC);
    EXPECT_FALSE(full.Close());
    EXPECT_EQ(full.LastError(), -ENOSPC);
}

// Key frames 30 s apart: a seek to 37 s starts at the key frame of 30 s, shows the frame of 37 s.
TEST(WMFile, SeekingBetweenKeyFramesThirtySecondsApartShowsTheFrameOfThatTime) {
    test::TempDir dir;
    const std::string path = dir.str() + "/seek.wmv";
    const int32_t w = 160, h = 96;
    std::vector<Picture> pics;
    {
        WMFile f(path, "", 10, 1000, w, h, -1);
        ASSERT_TRUE(f.Open());
        Picture p = test::MakeDesktop(w, h, 8);
        for (int i = 0; i < 600; ++i) {
            test::DrawCounter(p, 2, 2, i);
            pics.push_back(p);
            ASSERT_EQ(AddPicture(f, p, i * 1000000LL), 0);
        }
        ASSERT_TRUE(f.Close());
    }
    EXPECT_EQ(test::KeyFrameTimes(path), (std::vector<uint32_t>{0, 30000}));
    test::ExpectDecodesTo(path, w, h, pics);

    for (const auto& [seconds, frame] : {std::pair{"37", 370}, {"2.5", 25}, {"59.9", 599}})
        EXPECT_TRUE(test::FfmpegFrameAt(path, seconds) ==
                    test::To555(pics[static_cast<size_t>(frame)], w, h))
            << "ffmpeg -ss " << seconds;

    std::vector<uint16_t> shown;
    std::string error;
    if (!test::GStreamerFrameAt(path, 37.0, w, h, shown, &error) &&
        error == "built without GStreamer")
        GTEST_SKIP() << "the tests were built without GStreamer (libgstreamer1.0-dev)";
    ASSERT_TRUE(error.empty()) << error;
    EXPECT_TRUE(shown == test::To555(pics[370], w, h));
}

// (Frames handed to the picture writer reach the open recording: PictureFileTest; their
// pixels: the recordings of RecordingTest.)
TEST(WMFile, ASizeFromTheFirstFrameAndNeverAnOldFile) {
    test::TempDir dir;
    {
        // No size: the first frame's, and the frame time of the frame rate.
        WMFile f(dir.str() + "/zero.wmv", "", 10, 300000, 0, 0, -1);
        ASSERT_TRUE(f.Open());
        EXPECT_EQ(f.avgTimePerFrame(), 1000000);
        EXPECT_EQ(f.AddBitmapFrame(MemBm(1023, 768)), 0);
        EXPECT_TRUE(f.Close());
        EXPECT_EQ(test::Probe(dir.str() + "/zero.wmv", "stream=width,height"),
                  "width=1023\nheight=768\n");
    }
    // An existing file is not overwritten.
    std::ofstream(dir.str() + "/old.wmv") << "precious";
    WMFile old(dir.str() + "/old.wmv", "", 10, 300000, 64, 48, -1);
    old.Open();
    EXPECT_EQ(old.GetExistingSize(), 8u);
    Picture p = test::MakeDesktop(64, 48, 1);
    EXPECT_NE(AddPicture(old, p, 0), 0);
    old.Close();
    EXPECT_EQ(std::filesystem::file_size(dir.str() + "/old.wmv"), 8u);
}

// Stereo 16-bit PCM: 1000 Hz at half of full scale on the left, 440 Hz at a quarter on the
// right, from sample frame `start`; silence before frame `onset`.
std::vector<uint8_t> StereoTones(size_t start, size_t count, int rate, size_t onset) {
    std::vector<uint8_t> out(count * 4);
    for (size_t i = 0; i < count; ++i) {
        const double t = static_cast<double>(start + i) / rate;
        const bool on = start + i >= onset;
        const auto l = static_cast<int16_t>(on ? 16384 * std::sin(2 * kPi * 1000 * t) : 0);
        const auto r = static_cast<int16_t>(on ? 8192 * std::sin(2 * kPi * 440 * t) : 0);
        std::memcpy(&out[i * 4], &l, 2);
        std::memcpy(&out[i * 4 + 2], &r, 2);
    }
    return out;
}

TEST(WMFile, MusicStreamIsMp3StereoThatFfmpegAndGStreamerDecodeInPlace) {
    struct Row {
        const char* name;
        int rate;
        uint32_t bitRate;
    };
    const Row rows[] = {{"desk.wmv", 48000, 128000}, {"music.wma", 44100, 64000}};
    test::TempDir dir;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string path = dir.str() + "/" + row.name;
        const size_t total = row.rate * 3, onset = row.rate; // 1 s of silence, 2 s of tones
        {
            WMFile f(path, "", 10, 300000, 64, 48, -1);
            ASSERT_TRUE(f.Open());
            ASSERT_EQ(f.AddMusicStream(row.rate, 2, row.bitRate), 0);
            Picture p = test::MakeDesktop(64, 48, 4);
            // The sound starts where the first buffer arrives after the first picture.
            const std::vector<uint8_t> all = StereoTones(0, total, row.rate, onset);
            if (f.hasVideo()) {
                ASSERT_EQ(AddPicture(f, p, 0), 0);
            }
            // Odd-sized buffers: a split sample frame waits for the next call.
            for (size_t at = 0, n = 4001; at < all.size(); at += n) {
                n = std::min<size_t>(4001, all.size() - at);
                EXPECT_EQ(f.WriteAudio(all.data() + at, n), n);
            }
            for (int i = 1; f.hasVideo() && i <= 30; ++i)
                ASSERT_EQ(AddPicture(f, p, i * 1000000LL), 0);
            EXPECT_TRUE(f.Close());
        }
        EXPECT_THAT(test::Probe(path, "stream=codec_name,sample_rate,channels"),
                    testing::EndsWith("codec_name=mp3\nsample_rate=" + std::to_string(row.rate) +
                                      "\nchannels=2\n"));
        std::vector<int16_t> st;
        ASSERT_TRUE(test::DecodeAudioAt(path, row.rate, 2, st));
        std::vector<int16_t> left(st.size() / 2), right(st.size() / 2);
        for (size_t i = 0; i < left.size(); ++i) {
            left[i] = st[2 * i];
            right[i] = st[2 * i + 1];
        }
        // A video's sound lasts to the end of its last frame (at 3 s, a tenth of a second).
        const double length = std::strstr(row.name, ".wmv") ? 3.1 : 3.0;
        EXPECT_NEAR(static_cast<double>(left.size()) / row.rate, length, 0.1);
        EXPECT_EQ(test::PeakHz(left, row.rate, onset + 4800, onset + 2 * 4800), 1000);
        EXPECT_EQ(test::PeakHz(right, row.rate, onset + 4800, onset + 2 * 4800), 440);
        double sinad = 0;
        EXPECT_NEAR(test::SineLevel(left, row.rate, 1000, onset + 4800, total - 4800, &sinad), 0.5,
                    0.03);
        EXPECT_GT(sinad, 20.0);
        if (std::strstr(row.name, ".wmv")) {
            const std::string d = test::Probe(path, "stream=duration");
            double video = 0, audio = 0;
            ASSERT_EQ(std::sscanf(d.c_str(), "duration=%lf\nduration=%lf", &video, &audio), 2) << d;
            EXPECT_NEAR(audio, video, 0.1) << d;
        }
        asf::AsfReader reader;
        ASSERT_TRUE(reader.Open(path));
        EXPECT_EQ(reader.streams().back().name, "Audio1");
        std::vector<int16_t> gst;
        std::string error;
        if (!test::GStreamerDecodeAudio(path, row.rate, gst, &error)) {
            ADD_FAILURE() << error;
            continue;
        }
        EXPECT_NEAR(static_cast<double>(gst.size()) / row.rate, length, 0.1);
        // Mixed to mono: the louder left tone's peak.
        EXPECT_EQ(test::PeakHz(gst, row.rate, onset + 4800, onset + 2 * 4800), 1000);
        // The player puts the tones where they were written, not a coder's block later.
        size_t first = 0;
        while (first < gst.size() && std::abs(gst[first]) < 3000)
            ++first;
        EXPECT_NEAR(static_cast<double>(first) / row.rate, 1.0, 0.005);
    }
}

} // namespace
} // namespace tess
