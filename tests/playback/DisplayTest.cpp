// The display of files in the main window under Xvfb: a recording plays to its end with its
// panes, title and icons following; pictures of every format are drawn with their pixels;
// "Save As" keeps the extension and displays the copy; properties and the recently-used list.
#include "app/SDIDecFrame.h"
#include "app/SettingsIO.h"
#include "capture/ClientLogic.h"
#include "media/MemBm.h"
#include "media/VideoFile.h"
#include "media/WriteImageFile.h"
#include "platform/x11/Screen.h"
#include "playback/PlaybackSupport.h"
#include "resources/Ids.h"
#include "settings/AtomicFile.h"
#include "settings/Settings.h"
#include "support/FakeDesktop.h"

#include <filesystem>
#include <fstream>
#include <glib.h>
#include <gtest/gtest.h>
#include <wx/slider.h>
#include <wx/stattext.h>

namespace tess {
namespace {

std::string ReadAll(const std::string& path) {
    return ReadWholeFile(path).value_or("");
}

class Display : public test::XdgTest {
protected:
    void SetUp() override {
        if (!test::HaveDisplay() || !wxTheApp)
            GTEST_SKIP() << "no X display";
        XdgTest::SetUp();
        saved_ = GlobalSettings();
        LoadSettings();
        GlobalSettings().snapSystemDisplay = GlobalSettings().vidSystemDisplay = false;
        frame = new SDIDecFrame(desktop, false);
        client = frame->client();
        client->showMessage = [this](const std::string& text, const std::string& caption) {
            messages.push_back(caption + ": " + text);
        };
        frame->SetSize(100, 100, 640, 480);
        frame->Show();
        test::Pump(100);
    }
    void TearDown() override {
        if (frame) {
            frame->Destroy();
            test::Pump(50);
        }
        GlobalSettings() = saved_;
        XdgTest::TearDown();
    }
    std::string Title() const { return std::string(frame->GetTitle().utf8_str()); }
    test::FakeDesktop desktop;
    static std::string Label(wxStaticText* t) {
        return t ? std::string(t->GetLabel().utf8_str()) : "?";
    }

    SDIDecFrame* frame = nullptr;
    TClient* client = nullptr;
    std::vector<std::string> messages;
    Settings saved_;
};

TEST_F(Display, ARecordingPlaysToItsEndInTheWindow) {
    std::string why;
    const std::string& rec = test::TestRecording(&why);
    if (rec.empty())
        GTEST_SKIP() << "no recording: " << why;
    client->DisplayFile(rec);
    ASSERT_NE(client->displayedFile(), nullptr) << (messages.empty() ? "" : messages[0]);
    EXPECT_TRUE(messages.empty()) << messages[0];
    EXPECT_TRUE(frame->playbackBarShown());
    EXPECT_TRUE(client->videoShown());
    EXPECT_EQ(Title(), "rec.wmv Tessaray");
    const int d = client->displayedFile()->GetDurationSeconds();
    ASSERT_GT(d, 2);
    EXPECT_EQ(Label(frame->toolBar().recordTime), PositionTimeText(d) + "  ");
    EXPECT_EQ(frame->recentFiles().entries().front(), rec);
    // The frame is fitted to the recording (half size when it would not fit the screen).
    const VideoFile& f = *client->displayedFile();
    wxSize cs = client->GetSize();
    EXPECT_TRUE(cs == wxSize(f.videoWidth(), f.videoHeight()) ||
                cs == wxSize(f.videoWidth() / 2, f.videoHeight() / 2))
        << cs.x << "x" << cs.y;

    // The volume slider's level and "Mute" reach the pipeline.
    GlobalSettings().mute = false;
    client->RunCommand(id::VolumeDown); // 10 % less
    EXPECT_NEAR(client->displayedFile()->PipelineVolumeDb(),
                (GlobalSettings().soundLevel * 100 - 10000) / 100.0, 0.01);
    client->RunCommand(id::Mute);
    EXPECT_NEAR(client->displayedFile()->PipelineVolumeDb(), -100, 0.01);
    client->RunCommand(id::Mute);
    EXPECT_NEAR(client->displayedFile()->PipelineVolumeDb(),
                (GlobalSettings().soundLevel * 100 - 10000) / 100.0, 0.01);

    client->RunCommand(id::Play);
    EXPECT_EQ(client->captureState(), kStatePlaying);
    test::Pump(100);
    EXPECT_EQ(frame->smallIconId(), id::IconPlayingSmall);
    // The end of the stream stops the file; the state and the icons go back to idle.
    ASSERT_TRUE(test::PumpUntil([&] { return client->captureState() == kStateIdle; }, 20000));
    test::Pump(100);
    EXPECT_EQ(frame->smallIconId(), id::IconIdleSmall);
    EXPECT_GE(client->displayedFile()->GetPositionSeconds(), d - 1);

    // Skipping backward with the plain step goes to the start; the pane and slider follow.
    client->RunCommand(id::SkipBackward);
    EXPECT_EQ(client->displayedFile()->GetPositionSeconds(), 0);
    EXPECT_EQ(Label(frame->playbackBar().positionText), " 0:00");
    EXPECT_EQ(frame->playbackBar().position->GetValue(), 0);

    // The position slider: dragging shows the time without seeking; letting go seeks.
    wxSlider* slider = frame->playbackBar().position;
    auto scroll = [&](wxEventType type, int value) {
        slider->SetValue(value);
        wxScrollEvent e(type, slider->GetId(), value);
        e.SetEventObject(slider);
        client->GetEventHandler()->ProcessEvent(e);
    };
    scroll(wxEVT_SCROLL_THUMBTRACK, 500);
    EXPECT_EQ(Label(frame->playbackBar().positionText), PositionTimeText(500 * d / 1000));
    EXPECT_EQ(client->displayedFile()->GetPositionSeconds(), 0);
    scroll(wxEVT_SCROLL_CHANGED, 500);
    EXPECT_EQ(client->displayedFile()->GetPositionSeconds(), 500 * d / 1000);
    // A line step skips (60 s forward: clamped to the end); its end-of-scroll is ignored.
    scroll(wxEVT_SCROLL_LINEDOWN, 510);
    EXPECT_EQ(client->displayedFile()->GetPositionSeconds(), d);
    EXPECT_EQ(slider->GetValue(), 1000);
    scroll(wxEVT_SCROLL_CHANGED, 510);
    EXPECT_EQ(client->displayedFile()->GetPositionSeconds(), d);
    // Message 1194 carries a scroll of the position slider: a line step back (code 0).
    PostMessage(client, msg::SliderScroll, 0, 0);
    test::Pump(50);
    EXPECT_EQ(client->displayedFile()->GetPositionSeconds(), 0);

    // Properties of the recording: size, duration, size on disk, a date.
    std::string props = client->PropertiesTextOfFile();
    EXPECT_EQ(
        props.find("\n" + std::to_string(f.videoWidth()) + " x " + std::to_string(f.videoHeight())),
        0u)
        << props;
    EXPECT_NE(props.find("\nDuration: 0:0" + std::to_string(d)), std::string::npos) << props;
    EXPECT_NE(props.find("\nSize: 0.0"), std::string::npos) << props;
    EXPECT_NE(props.find("\nDate: "), std::string::npos) << props;

    client->RunCommand(id::FileClose);
    EXPECT_EQ(client->displayedFile(), nullptr);
    EXPECT_FALSE(client->videoShown());
    EXPECT_FALSE(frame->playbackBarShown());
    EXPECT_EQ(Title(), "Tessaray");
}

// A picture whose four quarters have known colours.
MemBm Quarters(int w, int h) {
    MemBm pic(w, h);
    const uint32_t colours[4] = {0xff0000, 0x00ff00, 0x0000ff, 0xffff00}; // as 0xRRGGBB
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint32_t c = colours[(y >= h / 2) * 2 + (x >= w / 2)];
            uint8_t* p = pic.pixelAddress(x, y);
            p[0] = c & 0xff;
            p[1] = (c >> 8) & 0xff;
            p[2] = c >> 16;
            p[3] = 0;
        }
    return pic;
}

TEST_F(Display, PicturesOfEveryFormatAreDrawnInTheClientArea) {
    auto screen = ScreenConnection::open();
    ASSERT_TRUE(screen);
    test::TempDir dir;
    const MemBm pic = Quarters(320, 240);
    const struct {
        const char* name;
        int format;
        int tolerance;
    } formats[] = {{"q.png", 0, 0}, {"q.bmp", 1, 0}, {"q.gif", 3, 0}, {"q.jpg", 4, 40}};
    for (const auto& fm : formats) {
        const std::string path = dir.str() + "/" + fm.name;
        ASSERT_EQ(WriteImageFile(pic, fm.format, path, -1), 0) << fm.name;
        client->DisplayFile(path);
        ASSERT_NE(client->displayedFile(), nullptr) << fm.name;
        EXPECT_TRUE(client->displayedFile()->isPicture());
        EXPECT_FALSE(frame->playbackBarShown());
        EXPECT_EQ(Title(), std::string(fm.name) + " Tessaray");
        // "Play" shows it; the timer returns the state to idle.
        ASSERT_TRUE(test::PumpUntil([&] { return client->captureState() == kStateIdle; }, 3000));
        client->Update();
        test::Pump(200);

        const wxPoint at = client->GetScreenPosition();
        const wxSize cs = client->GetClientSize();
        ASSERT_GT(cs.x, 40);
        ASSERT_GT(cs.y, 40);
        MemBm shot(cs.x, cs.y);
        ASSERT_TRUE(screen->grab({at.x, at.y, at.x + cs.x, at.y + cs.y}, shot.pixelAddress(0, 0),
                                 shot.stride()));
        // The picture, proportions kept, in the middle: sample each quarter's centre.
        const double scale = std::min(cs.x / 320.0, cs.y / 240.0);
        const int ox = static_cast<int>((cs.x - 320 * scale) / 2);
        const int oy = static_cast<int>((cs.y - 240 * scale) / 2);
        for (int q = 0; q < 4; ++q) {
            const int x = ox + static_cast<int>((q % 2 ? 240 : 80) * scale);
            const int y = oy + static_cast<int>((q / 2 ? 180 : 60) * scale);
            const uint8_t* want = pic.pixelAddress(q % 2 ? 240 : 80, q / 2 ? 180 : 60);
            const uint8_t* got = shot.pixelAddress(x, y);
            for (int c = 0; c < 3; ++c)
                EXPECT_NEAR(got[c], want[c], fm.tolerance)
                    << fm.name << " quarter " << q << " channel " << c;
        }
        EXPECT_EQ(frame->recentFiles().entries().front(), path);
    }
    EXPECT_TRUE(messages.empty()) << messages[0];
}

TEST_F(Display, SaveAsKeepsTheExtensionAndDisplaysTheCopy) {
    test::TempDir dir;
    const std::string path = dir.str() + "/shot.png";
    ASSERT_EQ(WriteImageFile(Quarters(64, 48), 0, path, -1), 0);
    client->DisplayFile(path);
    ASSERT_NE(client->displayedFile(), nullptr);

    EXPECT_FALSE(client->SaveDisplayedFileAs(dir.str() + "/shot.jpg"));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "File Save As: Cannot save to different file extension");
    ASSERT_NE(client->displayedFile(), nullptr);
    EXPECT_EQ(client->displayedFile()->fileName(), path);
    EXPECT_FALSE(std::filesystem::exists(dir.str() + "/shot.jpg"));

    // The same extension in any case: copied whole, and the copy is displayed.
    const std::string copy = dir.str() + "/copy.PNG";
    std::ofstream(copy) << "an older file";
    EXPECT_TRUE(client->SaveDisplayedFileAs(copy));
    EXPECT_EQ(ReadAll(copy), ReadAll(path));
    ASSERT_NE(client->displayedFile(), nullptr);
    EXPECT_EQ(client->displayedFile()->fileName(), copy);
    EXPECT_EQ(Title(), "copy.PNG Tessaray");

    // A copy that cannot be written is reported, leaves nothing behind and keeps a file shown.
    messages.clear();
    EXPECT_FALSE(client->SaveDisplayedFileAs("/proc/none/x.png"));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("File Save As: The file was not saved"), std::string::npos);
    EXPECT_NE(client->displayedFile(), nullptr);

    // A file deleted while displayed: its properties still answer, nothing crashes.
    std::filesystem::remove(copy);
    client->DisplayFile(copy);
    EXPECT_EQ(client->displayedFile(), nullptr);
    EXPECT_NE(messages.back().find("File does not exist."), std::string::npos);
}

// With "open pictures in the default application" on, a picture (any case of its name) goes
// to the desktop's handler for its type and the window shows nothing.
TEST_F(Display, PicturesGoToTheDefaultApplicationWhenAsked) {
    // The desktop's handlers are read from the directories the process started with: the
    // test's own handler goes there, only when they are temporary ones (the test command's).
    const std::string data = g_get_user_data_dir(), config = g_get_user_config_dir();
    if (data.rfind("/tmp/", 0) != 0 || config.rfind("/tmp/", 0) != 0)
        GTEST_SKIP() << "needs temporary XDG directories (run under tools/test.sh)";
    const std::string apps = data + "/applications";
    std::filesystem::create_directories(apps);
    const std::string marker = dir.str() + "/handed";
    std::ofstream(apps + "/tess-test-viewer.desktop")
        << "[Desktop Entry]\nType=Application\nName=Test viewer\nMimeType=image/jpeg;\n"
           "Exec=sh -c 'echo \"$0\" > "
        << marker << "' %f\n";
    std::filesystem::create_directories(config);
    std::ofstream(config + "/mimeapps.list")
        << "[Default Applications]\nimage/jpeg=tess-test-viewer.desktop\n";
    const std::string path = dir.str() + "/SHOT.JPG";
    ASSERT_EQ(WriteImageFile(Quarters(32, 32), 4, path, -1), 0);

    GlobalSettings().snapSystemDisplay = true;
    client->DisplayFile(path);
    EXPECT_EQ(client->displayedFile(), nullptr);
    EXPECT_TRUE(messages.empty()) << messages[0];
    ASSERT_TRUE(test::PumpUntil([&] { return std::filesystem::exists(marker); }, 5000));
    test::PumpUntil([&] { return !ReadAll(marker).empty(); }, 2000);
    EXPECT_EQ(ReadAll(marker), path + "\n");

    // Other files stay in the window unless their own switch is on.
    GlobalSettings().snapSystemDisplay = false;
    GlobalSettings().vidSystemDisplay = true;
    client->DisplayFile(path);
    EXPECT_NE(client->displayedFile(), nullptr);
    std::filesystem::remove(apps + "/tess-test-viewer.desktop");
    std::filesystem::remove(config + "/mimeapps.list");
}

} // namespace
} // namespace tess
