// Files displayed in the main window on a real X server.
#include "app/SDIDecFrame.h"
#include "app/SettingsIO.h"
#include "capture/ClientLogic.h"
#include "capture/WxDesktopServices.h"
#include "media/MemBm.h"
#include "media/VideoFile.h"
#include "media/WriteImageFile.h"
#include "platform/gtk/Desktop.h"
#include "platform/x11/Screen.h"
#include "playback/PlaybackSupport.h"
#include "resources/Ids.h"
#include "settings/Settings.h"
#include "support/FakeDesktop.h"

#include <X11/Xlib.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <glib.h>
#include <gtest/gtest.h>
#include <thread>
#include <wx/slider.h>
#include <wx/stattext.h>

namespace tess {
namespace {

class Display : public test::FrameFixture {
protected:
    void SetUp() override {
        FrameFixture::SetUp();
        if (IsSkipped())
            return;
        GlobalSettings().snapSystemDisplay = GlobalSettings().vidSystemDisplay = false;
        MakeFrame();
        frame->SetSize(100, 100, 640, 480);
        test::PumpUntil([&] { return client->IsShownOnScreen(); }, 2000);
    }
    std::string Title() const { return frame->GetTitle().utf8_string(); }
    static std::string Label(wxStaticText* t) { return t ? t->GetLabel().utf8_string() : "?"; }
    std::vector<std::string> Messages() const { return test::CaptionedMessages(desktop); }
    std::string FirstMessage() const { return desktop.messages.empty() ? "" : Messages()[0]; }
    VideoFile* File() const { return client->displayedFile(); }
};

TEST_F(Display, ARecordingPlaysToItsEndInTheWindow) {
    std::string why;
    const std::string& rec = test::TestRecording(&why);
    if (rec.empty())
        GTEST_SKIP() << "no recording: " << why;
    client->DisplayFile(rec);
    ASSERT_NE(File(), nullptr) << FirstMessage();
    EXPECT_TRUE(desktop.messages.empty()) << FirstMessage();
    EXPECT_TRUE(frame->playbackBarShown());
    EXPECT_TRUE(client->display().videoShown());
    EXPECT_EQ(Title(), "rec.wmv Tessaray");
    // The player reads the recording as an independent reader does.
    const VideoFile& f = *File();
    EXPECT_EQ(f.GetKind(), VideoFile::kSound | VideoFile::kPicture);
    EXPECT_GT(f.GetBitRate(), 0);
    const double probed = test::ProbeDuration(rec);
    ASSERT_GT(probed, 3);
    const int d = f.GetDurationSeconds();
    EXPECT_EQ(d, static_cast<int>(probed));
    EXPECT_EQ(Label(frame->toolBar().recordTime), PositionTimeText(d) + "  ");
    EXPECT_EQ(frame->recentFiles().entries().front(), rec);
    // The frame is fitted to the recording (half size when it would not fit the screen).
    wxSize cs = client->GetSize();
    EXPECT_TRUE(cs == wxSize(f.videoWidth(), f.videoHeight()) ||
                cs == wxSize(f.videoWidth() / 2, f.videoHeight() / 2))
        << cs.x << "x" << cs.y;

    // The volume slider's level (hundredths of a decibel below full) and "Mute" reach the
    // pipeline; a level changed while muted is applied on unmuting.
    GlobalSettings().mute = false;
    for (auto [cmd, muted] : {std::pair{id::VolumeDown, false}, // 10 % less
                              {id::Mute, true},
                              {id::VolumeDown, true},
                              {id::Mute, false}}) {
        client->RunCommand(cmd);
        const double levelDb = (GlobalSettings().soundLevel * 100 - 10000) / 100.0;
        EXPECT_NEAR(File()->PipelineVolumeDb(), muted ? -100 : levelDb, 0.01) << cmd;
    }
    // Seeking lands on the asked second, between key frames too.
    for (int second : {2, 1, 0}) {
        ASSERT_TRUE(File()->SetPositionSeconds(second));
        EXPECT_EQ(File()->GetPositionSeconds(), second);
    }

    client->RunCommand(id::Play);
    EXPECT_EQ(client->captureState(), kStatePlaying);
    EXPECT_TRUE(test::PumpUntil([&] { return frame->smallIconId() == id::IconPlayingSmall; }));
    // The end of the stream stops the file; the state and the icons go back to idle.
    ASSERT_TRUE(test::PumpUntil([&] { return client->captureState() == kStateIdle; }, 20000));
    EXPECT_TRUE(test::PumpUntil([&] { return frame->smallIconId() == id::IconIdleSmall; }));
    EXPECT_GE(File()->GetPositionSeconds(), d - 1);
    // The player, played again from the end, starts over.
    ASSERT_TRUE(File()->Run());
    EXPECT_LE(File()->GetPositionSeconds(), 1);
    File()->Stop();

    // Skipping backward with the plain step goes to the start; the pane and slider follow.
    client->RunCommand(id::SkipBackward);
    EXPECT_EQ(File()->GetPositionSeconds(), 0);
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
    EXPECT_EQ(File()->GetPositionSeconds(), 0);
    scroll(wxEVT_SCROLL_CHANGED, 500);
    EXPECT_EQ(File()->GetPositionSeconds(), 500 * d / 1000);
    // A line step skips (60 s forward: clamped to the end); its end-of-scroll is ignored.
    scroll(wxEVT_SCROLL_LINEDOWN, 510);
    EXPECT_EQ(File()->GetPositionSeconds(), d);
    EXPECT_EQ(slider->GetValue(), 1000);
    scroll(wxEVT_SCROLL_CHANGED, 510);
    EXPECT_EQ(File()->GetPositionSeconds(), d);
    // Message 1194 carries a scroll of the position slider: a line step back (code 0).
    PostMessage(client, msg::SliderScroll, 0, 0);
    EXPECT_TRUE(test::PumpUntil([&] { return File()->GetPositionSeconds() == 0; }));

    // "Properties": size, duration, size on disk, a date, under the file's name.
    client->RunCommand(id::FileProperties);
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].caption, "rec.wmv Properties");
    const std::string props = desktop.messages[0].text;
    const std::string size =
        "\n" + std::to_string(f.videoWidth()) + " x " + std::to_string(f.videoHeight());
    EXPECT_EQ(props.find(size), 0u) << props;
    for (std::string line : {"\nDuration: 0:0" + std::to_string(d), std::string("\nSize: 0.0"),
                             std::string("\nDate: ")})
        EXPECT_NE(props.find(line), std::string::npos) << props;

    client->RunCommand(id::FileClose);
    EXPECT_EQ(File(), nullptr);
    EXPECT_FALSE(client->display().videoShown());
    EXPECT_FALSE(frame->playbackBarShown());
    EXPECT_EQ(Title(), "Tessaray");
}

// A picture whose four quarters have known colours.
MemBm Quarters(int w, int h) {
    MemBm pic(w, h);
    const uint32_t colours[4] = {0xff0000, 0x00ff00, 0x0000ff, 0xffff00}; // as 0xRRGGBB
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            std::memcpy(pic.pixelAddress(x, y), &colours[(y >= h / 2) * 2 + (x >= w / 2)], 4);
    return pic;
}

// The picture is scaled to the video area, proportions kept, also while paused; the video
// window is told when a window that lay over it goes away, so the picture is drawn again.
TEST_F(Display, AVideoFitsItsAreaAndIsDrawnAgainWhenUncovered) {
    const std::string& rec = test::TestRecording();
    if (rec.empty())
        GTEST_SKIP() << "no recording";
    client->DisplayFile(rec);
    ASSERT_NE(File(), nullptr) << FirstMessage();
    const gst::Player& player = *File()->player();
    const int vw = File()->videoWidth(), vh = File()->videoHeight();
    for (wxSize area : {wxSize(vw / 4, vh), wxSize(vw * 3 / 2, vh / 2)}) {
        frame->SetClientSize(area.x, area.y + frame->GetClientSize().y - client->GetSize().y);
        int w = 0, h = 0;
        wxSize cs, want;
        EXPECT_TRUE(test::PumpUntil(
            [&] {
                cs = client->GetClientSize();
                const bool wide = int64_t{vw} * cs.y >= int64_t{vh} * cs.x;
                want = wide ? wxSize(cs.x, cs.x * vh / vw) : wxSize(cs.y * vw / vh, cs.y);
                return player.ShownSize(&w, &h) && std::abs(w - want.x) + std::abs(h - want.y) <= 1;
            },
            3000))
            << w << "x" << h << " in " << cs.x << "x" << cs.y;
    }
    gtk::ChildXWindow window;
    ASSERT_TRUE(window.Create(client->GetHandle()));
    const wxPoint at = client->ClientToScreen(wxPoint(0, 0));
    window.Place(at.x, at.y, 100, 100);
    window.Show(true);
    int exposed = 0;
    window.OnExpose([&] { ++exposed; });
    test::Pump(100);
    exposed = 0;
    auto* cover = new wxFrame(nullptr, wxID_ANY, "cover", at, wxSize(200, 200),
                              wxFRAME_NO_TASKBAR | wxBORDER_NONE | wxSTAY_ON_TOP);
    cover->Show();
    test::Pump(200);
    cover->Destroy();
    EXPECT_TRUE(test::PumpUntil([&] { return exposed > 0; }, 2000));
}

TEST_F(Display, PicturesOfEveryFormatAreDrawnInTheClientArea) {
    auto screen = ScreenConnection::open();
    ASSERT_TRUE(screen);
    test::TempDir dir;
    const MemBm pic = Quarters(320, 240);
    const struct {
        const char* name;
        ImageFormat format;
        int tolerance;
    } formats[] = {{"q.png", ImageFormat::kPng, 0},
                   {"q.bmp", ImageFormat::kBmp, 0},
                   {"q.gif", ImageFormat::kGif, 0},
                   {"q.jpg", ImageFormat::kJpeg, 40}};
    for (const auto& fm : formats) {
        const std::string path = dir.str() + "/" + fm.name;
        ASSERT_EQ(WriteImageFile(pic, fm.format, path, -1), 0) << fm.name;
        client->DisplayFile(path);
        ASSERT_NE(File(), nullptr) << fm.name;
        EXPECT_TRUE(File()->isPicture());
        EXPECT_FALSE(frame->playbackBarShown());
        EXPECT_EQ(Title(), std::string(fm.name) + " Tessaray");
        // "Play" shows it; the timer returns the state to idle.
        ASSERT_TRUE(test::PumpUntil([&] { return client->captureState() == kStateIdle; }, 3000));
        // The picture, proportions kept, in the middle: each quarter's centre, once drawn.
        std::string wrong;
        auto drawn = [&] {
            const wxPoint at = client->GetScreenPosition();
            const wxSize cs = client->GetClientSize();
            MemBm shot(cs.x, cs.y);
            if (cs.x <= 40 || cs.y <= 40 ||
                !screen->grab({at.x, at.y, at.x + cs.x, at.y + cs.y}, shot.pixelAddress(0, 0),
                              shot.stride()))
                return (wrong = "no client area to grab").empty();
            const double scale = std::min(cs.x / 320.0, cs.y / 240.0);
            const int ox = static_cast<int>((cs.x - 320 * scale) / 2);
            const int oy = static_cast<int>((cs.y - 240 * scale) / 2);
            wrong.clear();
            for (int q = 0; q < 4; ++q) {
                const int px = q % 2 ? 240 : 80, py = q / 2 ? 180 : 60;
                const uint8_t* want = pic.pixelAddress(px, py);
                const uint8_t* got = shot.pixelAddress(ox + static_cast<int>(px * scale),
                                                       oy + static_cast<int>(py * scale));
                for (int c = 0; c < 3; ++c)
                    if (std::abs(got[c] - want[c]) > fm.tolerance)
                        wrong += " quarter " + std::to_string(q) + " channel " + std::to_string(c) +
                                 ": " + std::to_string(got[c]);
            }
            return wrong.empty();
        };
        client->Update();
        EXPECT_TRUE(test::PumpUntil(drawn, 3000)) << fm.name << wrong;
        EXPECT_EQ(frame->recentFiles().entries().front(), path);
    }
    EXPECT_TRUE(desktop.messages.empty()) << FirstMessage();
}

TEST_F(Display, SaveAsKeepsTheExtensionAndDisplaysTheCopy) {
    test::TempDir dir;
    const std::string path = dir.str() + "/shot.png";
    ASSERT_EQ(WriteImageFile(Quarters(64, 48), ImageFormat::kPng, path, -1), 0);
    client->DisplayFile(path);
    ASSERT_NE(File(), nullptr);

    EXPECT_FALSE(client->display().SaveDisplayedFileAs(dir.str() + "/shot.jpg"));
    EXPECT_EQ(Messages(),
              std::vector<std::string>{"File Save As: Cannot save to different file extension"});
    EXPECT_EQ(desktop.messages[0].kind, MessageKind::Error);
    ASSERT_NE(File(), nullptr);
    EXPECT_EQ(File()->fileName(), path);
    EXPECT_FALSE(std::filesystem::exists(dir.str() + "/shot.jpg"));

    // The same extension in any case: copied whole, and the copy is displayed.
    const std::string copy = dir.str() + "/copy.PNG";
    std::ofstream(copy) << "an older file";
    EXPECT_TRUE(client->display().SaveDisplayedFileAs(copy));
    EXPECT_EQ(test::ReadText(copy), test::ReadText(path));
    ASSERT_NE(File(), nullptr);
    EXPECT_EQ(File()->fileName(), copy);
    EXPECT_EQ(Title(), "copy.PNG Tessaray");

    // A copy that cannot be written is reported, leaves nothing behind and keeps a file shown.
    desktop.messages.clear();
    EXPECT_FALSE(client->display().SaveDisplayedFileAs("/proc/none/x.png"));
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(Messages()[0].rfind("File Save As: The file was not saved", 0), 0u) << FirstMessage();
    EXPECT_NE(File(), nullptr);

    // A file deleted while displayed: its properties still answer, nothing crashes.
    std::filesystem::remove(copy);
    client->DisplayFile(copy);
    EXPECT_EQ(File(), nullptr);
    EXPECT_NE(Messages().back().find("File does not exist."), std::string::npos);
}

// A clipboard manager: asked to SAVE_TARGETS within 10 s, it fetches the image/png (else "").
std::future<std::string> StandInClipboardManager(::Display* d) {
    const Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 1, 1, 0, 0, 0);
    XSetSelectionOwner(d, XInternAtom(d, "CLIPBOARD_MANAGER", False), w, CurrentTime);
    XSync(d, False);
    return std::async(std::launch::async, [d, w] {
        XEvent e{};
        auto next = [&](int type) {
            for (int i = 0; i < 1000 && !XCheckTypedWindowEvent(d, w, type, &e); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            return e.type == type;
        };
        if (!next(SelectionRequest))
            return std::string();
        const XSelectionRequestEvent& r = e.xselectionrequest;
        XSelectionEvent reply{SelectionNotify, 0,        False,      d,     r.requestor,
                              r.selection,     r.target, r.property, r.time};
        const Atom into = XInternAtom(d, "SAVED", False);
        XConvertSelection(d, XInternAtom(d, "CLIPBOARD", False), XInternAtom(d, "image/png", False),
                          into, w, CurrentTime);
        std::string png;
        Atom type;
        int format;
        unsigned long n = 0, left;
        unsigned char* data = nullptr;
        if (next(SelectionNotify) && e.xselection.property == into &&
            XGetWindowProperty(d, w, into, 0, 1 << 24, True, AnyPropertyType, &type, &format, &n,
                               &left, &data) == Success)
            png.assign(reinterpret_cast<char*>(data), n);
        XFree(data);
        XSendEvent(d, reply.requestor, False, 0, reinterpret_cast<XEvent*>(&reply));
        XFlush(d);
        return reply.target == XInternAtom(d, "SAVE_TARGETS", False) ? png : std::string();
    });
}

// "Copy" serves the picture or a paused recording's frame as PNG; nothing to copy greys it.
TEST_F(Display, CopyPutsThePictureOrTheShownFrameOnTheClipboard) {
    if (!test::HaveProgram("xclip"))
        GTEST_SKIP() << "needs xclip";
    WxDesktopServices real;
    desktop.clipboard = &real;
    auto copyEnabled = [&] { return CommandUiFor(id::FileCopy, client->View()).enabled; };
    auto clipboardPixels = [&](int* w, int* h) {
        return test::ReadPixels(test::ClipboardPng(dir.str() + "/clip.png"), w, h);
    };
    EXPECT_FALSE(copyEnabled());
    const std::string path = dir.str() + "/shot.png";
    ASSERT_EQ(WriteImageFile(Quarters(64, 48), ImageFormat::kPng, path, -1), 0);
    client->DisplayFile(path);
    ASSERT_TRUE(copyEnabled());
    client->RunCommand(id::FileCopy);
    int w = 0, h = 0;
    std::vector<uint32_t> got = clipboardPixels(&w, &h);
    EXPECT_EQ(got, test::ReadPixels(path, &w, &h));
    // At the program's end a clipboard manager is handed the picture.
    ::Display* d = XOpenDisplay(nullptr);
    auto saved = StandInClipboardManager(d);
    real.keepClipboard();
    std::ofstream(dir.str() + "/saved.png", std::ios::binary) << saved.get();
    XCloseDisplay(d);
    EXPECT_EQ(test::ReadPixels(dir.str() + "/saved.png", &w, &h), got);

    // A recording paused at its first frame: that frame as ffmpeg decodes it.
    std::string why;
    const std::string& rec = test::TestRecording(&why);
    if (!rec.empty() && test::HaveProgram("ffmpeg")) {
        client->DisplayFile(rec);
        ASSERT_TRUE(copyEnabled());
        client->RunCommand(id::FileCopy);
        got = clipboardPixels(&w, &h);
        const std::string first = dir.str() + "/first.png";
        ASSERT_EQ(
            test::RunCommand("ffmpeg -v error -y -i '" + rec + "' -frames:v 1 '" + first + "'"), 0);
        int fw = 0, fh = 0;
        const std::vector<uint32_t> want = test::ReadPixels(first, &fw, &fh);
        ASSERT_EQ(std::make_pair(fw, fh), std::make_pair(w, h));
        double diff = 0;
        for (size_t i = 0; i < got.size(); ++i)
            for (int shift : {0, 8, 16})
                diff += std::abs(int(got[i] >> shift & 0xff) - int(want[i] >> shift & 0xff));
        EXPECT_LT(diff / (got.size() * 3.0), 3.0);
    }
    // A sound-only file has no picture to copy.
    if (!test::TestWave().empty()) {
        client->DisplayFile(test::TestWave());
        ASSERT_NE(File(), nullptr);
        EXPECT_FALSE(copyEnabled());
    }
    EXPECT_TRUE(desktop.messages.empty()) << FirstMessage();
}

// A picture (any case of its name) goes to the desktop's handler when asked; nothing shown.
TEST_F(Display, PicturesGoToTheDefaultApplicationWhenAsked) {
    // The handlers are read from the XDG directories the process started with.
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
    ASSERT_EQ(WriteImageFile(Quarters(32, 32), ImageFormat::kJpeg, path, -1), 0);

    GlobalSettings().snapSystemDisplay = true;
    client->DisplayFile(path);
    EXPECT_EQ(File(), nullptr);
    EXPECT_TRUE(desktop.messages.empty()) << FirstMessage();
    ASSERT_TRUE(test::PumpUntil([&] { return std::filesystem::exists(marker); }, 5000));
    test::PumpUntil([&] { return !test::ReadText(marker).empty(); }, 2000);
    EXPECT_EQ(test::ReadText(marker), path + "\n");

    // Other files stay in the window unless their own switch is on.
    GlobalSettings().snapSystemDisplay = false;
    GlobalSettings().vidSystemDisplay = true;
    client->DisplayFile(path);
    EXPECT_NE(File(), nullptr);
    std::filesystem::remove(apps + "/tess-test-viewer.desktop");
    std::filesystem::remove(config + "/mimeapps.list");
}

} // namespace
} // namespace tess
