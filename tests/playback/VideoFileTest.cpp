// Playing files through the GStreamer player without a window (in the window: DisplayTest.cpp).
#include "media/VideoFile.h"
#include "media/asf/AsfWriter.h"
#include "media/mss2/Mss2Encoder.h"
#include "platform/gst/Player.h"
#include "playback/PlaybackSupport.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <gst/gst.h>
#include <gtest/gtest.h>
#include <thread>

namespace tess {
namespace {

// Plays `f` and waits (at most `seconds`) until the end of its stream stops it.
bool PlayToEnd(VideoFile& f, int seconds) {
    if (!f.Run())
        return false;
    for (auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
         f.IsPlaying() && std::chrono::steady_clock::now() < end;)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return !f.IsPlaying();
}

// A second of screen video beside a sound stream of format `tag`: GSM 6.10 (0x0031) or one
// that nothing reads.
bool WriteVideoAndSound(const std::string& path, uint16_t tag) {
    constexpr int32_t w = 64, h = 48;
    asf::StreamInfo v, a;
    v.name = "Video1";
    v.typeSpecific =
        asf::VideoTypeSpecific(w, h, 24, 0x3253534D, Mss2Encoder::Extradata(w, h, 10.0f, 100000));
    v.bitRate = 100000;
    v.avgTimePerFrame = v.sampleDuration = 1000000;
    a.video = false;
    a.number = 2;
    a.name = "Audio1";
    a.typeSpecific = asf::AudioTypeSpecific(tag, 1, 8000, 1625, 65, 0, {0x40, 0x01});
    a.errorCorrection = asf::AudioSpreadData(65);
    a.bitRate = 8000;
    a.sampleDuration = 1000000;
    asf::AsfWriter writer;
    if (writer.Open(path, {v, a}, {}) != 0)
        return false;
    Mss2Encoder enc(w, h);
    std::vector<uint8_t> picture(w * h * 4, 0x80), frame, sound(65 * 25, 0x55);
    for (int i = 0; i < 10; ++i) {
        picture[i * 4] = 0xff;
        const bool key = enc.Encode(picture.data(), w, h, w * 4, false, frame);
        writer.Write(1, i * 1000000LL, key, frame.data(), frame.size());
        writer.Write(2, i * 1000000LL, true, sound.data(), sound.size());
    }
    return writer.Close() == 0;
}

// Hides an installed element from this process's GStreamer registry while it lives.
struct HiddenElement {
    explicit HiddenElement(const char* name) {
        gst::Initialise();
        if ((feature = gst_registry_lookup_feature(gst_registry_get(), name)))
            gst_registry_remove_feature(gst_registry_get(), feature);
    }
    ~HiddenElement() {
        if (feature)
            gst_registry_add_feature(gst_registry_get(), feature), gst_object_unref(feature);
    }
    GstPluginFeature* feature = nullptr;
};

// A missing package makes every recording unplayable: say which element is missing.
TEST(Player, ThePlaybackElementsAreInstalled) {
    for (const char* e : {"playbin", "ximagesink", "asfdemux", "avdec_mss2", "avdec_gsm_ms",
                          "videoconvert", "audioconvert"})
        EXPECT_TRUE(gst::HasElement(e)) << e;
}

// Sound-only files, and a recording whose sound input could not start: they play to their end.
TEST(VideoFile, FilesWithoutAPictureOrWithoutSoundInputPlayToTheirEnd) {
    struct Case {
        std::string path, device;
        int kind;
    };
    std::vector<Case> files = {{test::TestWave(), "-1", VideoFile::kSound},
                               {test::TestSoundRecording(), "-1", VideoFile::kSound}};
    const std::string silent = test::MediaDir() + "/silent.wmv";
    if (!test::ProgramPath().empty() && test::HaveDisplay()) {
        ASSERT_EQ(test::RunCommand("PULSE_SERVER='unix:" + test::MediaDir() + "/none' '" +
                                   test::ProgramPath() +
                                   "' --record --seconds 2 --audio --region 0,0,64,48 --output '" +
                                   silent + "' >/dev/null 2>&1"),
                  0);
        files.push_back({silent, "<default>", VideoFile::kSound | VideoFile::kPicture});
    }
    int played = 0;
    for (const Case& c : files) {
        if (c.path.empty())
            continue;
        VideoFile f(c.path, 0, c.device, false, 100);
        ASSERT_TRUE(f.rendered()) << c.path << ": " << f.errorText();
        EXPECT_EQ(f.GetKind(), c.kind) << c.path;
        EXPECT_EQ(f.hasVideo(), c.kind != VideoFile::kSound) << c.path;
        if (!f.hasVideo()) {
            EXPECT_EQ(f.videoWidth(), 0);
        }
        EXPECT_TRUE(PlayToEnd(f, 15)) << c.path;
        ++played;
    }
    if (played == 0)
        GTEST_SKIP() << "neither the program, sox nor a sound server";
}

TEST(VideoFile, MissingDamagedAndCutShortFiles) {
    test::TempDir dir;
    VideoFile missing(dir.str() + "/none.wmv", 0, "", false, 100);
    EXPECT_FALSE(missing.rendered());
    EXPECT_EQ(missing.errorText(), "File does not exist.");
    EXPECT_EQ(missing.GetFileSize(), -1);

    const std::string junk = dir.str() + "/junk.wmv";
    std::ofstream(junk) << std::string(5000, 'j');
    VideoFile damaged(junk, 0, "", false, 100);
    EXPECT_FALSE(damaged.rendered());
    EXPECT_EQ(damaged.errorText().rfind("Could not render as a multimedia file.\nOne possible "
                                        "reason:\n",
                                        0),
              0u)
        << damaged.errorText();

    // Files that play in part: the pictures play, the message says what is missing.
    const std::string unknown = dir.str() + "/unknown.wmv", gsm = dir.str() + "/gsm.wmv";
    ASSERT_TRUE(WriteVideoAndSound(unknown, 0x7A7A));
    ASSERT_TRUE(WriteVideoAndSound(gsm, 0x0031));
    const std::string partly = "Some of the streams in this movie are in an unsupported format.\n";
    VideoFile part(unknown, 0, "", false, 100);
    EXPECT_TRUE(part.rendered());
    EXPECT_TRUE(part.hasVideo());
    EXPECT_EQ(part.errorText().rfind(partly + "No GStreamer plug-in reads ", 0), 0u)
        << part.errorText();
    {
        HiddenElement noGsm("avdec_gsm_ms");
        ASSERT_TRUE(noGsm.feature);
        VideoFile withoutDecoder(gsm, 0, "", false, 100);
        EXPECT_TRUE(withoutDecoder.rendered());
        EXPECT_EQ(withoutDecoder.errorText().rfind(partly + "The GStreamer plug-in for ", 0), 0u)
            << withoutDecoder.errorText();
        EXPECT_NE(withoutDecoder.errorText().find("install the Debian package gstreamer1.0-libav."),
                  std::string::npos)
            << withoutDecoder.errorText();
    }

    const std::string bad = dir.str() + "/bad.png";
    std::ofstream(bad) << "\x89PNG\r\n\x1a\nnot a picture";
    VideoFile picture(bad, 0, "", false, 100);
    EXPECT_FALSE(picture.rendered());
    EXPECT_FALSE(picture.errorText().empty());

    // A recording cut short (as by a crash) plays as far as it can be read.
    const std::string& rec = test::TestRecording();
    if (rec.empty())
        return;
    const std::string cut = dir.str() + "/cut.wmv";
    std::filesystem::copy_file(rec, cut);
    std::filesystem::resize_file(cut, std::filesystem::file_size(rec) * 6 / 10);
    VideoFile truncated(cut, 0, "", false, 100);
    if (truncated.rendered())
        EXPECT_TRUE(PlayToEnd(truncated, 20));
    else
        EXPECT_FALSE(truncated.errorText().empty());
}

TEST(VideoFile, KindsNamesSizesAndHeaderTexts) {
    test::TempDir dir;
    // A header with UTF-16 texts, as a recording's attributes are stored.
    const std::string path = dir.str() + "/notes.avi";
    using namespace std::string_literals;
    const std::u16string text = u"xx\0Recorded by Tessaray 0.1\0Copyright 2026 Somebody\0"s;
    std::string bytes;
    for (char16_t c : std::u16string(u"ab") + text)
        bytes += static_cast<char>(c & 0xff), bytes += static_cast<char>(c >> 8);
    bytes.resize(4000, '\0');
    std::ofstream(path, std::ios::binary) << bytes;

    VideoFile f(path, 0, "", false, 100);
    EXPECT_EQ(f.GetDisplayName(), "notes.avi");
    EXPECT_EQ(f.GetFileSize(), 4000);
    EXPECT_EQ(f.GetKind(), VideoFile::kSound | VideoFile::kPicture);
    std::string found;
    ASSERT_TRUE(f.FindHeaderText("Recorded by", 259, &found));
    EXPECT_EQ(found, "Recorded by Tessaray 0.1");
    ASSERT_TRUE(f.FindHeaderText("Copyright", 9, &found));
    EXPECT_EQ(found, "Copyright");
    EXPECT_FALSE(f.FindHeaderText("Title", 259, &found)); // only the three names
    EXPECT_FALSE(f.FindHeaderText("tvactive", 259, &found));

    for (auto [name, kind] : {std::pair{"x.WMV", 12}, {"song.mp3", 4}, {"a.b", 0}, {"shot.Png", 8}})
        EXPECT_EQ(VideoFile(name, 0, "", false, 100).GetKind(), kind) << name;
}

} // namespace
} // namespace tess
