// The record commands of the main window on a real X server, checked in the files written.
#include "app/AppTestSupport.h"
#include "app/OptionsSheet.h"
#include "audio/SMixer.h"
#include "audio/ui/Gauges.h"
#include "capture/ExportControl.h"
#include "capture/Recording.h"
#include "capture/RecordingController.h"
#include "media/VideoFile.h"
#include "recording/RecordingTestUtil.h"
#include "schedule/Schedule.h"
#include "settings/Settings.h"
#include "support/XTestWindows.h"

#include <X11/cursorfont.h>
#include <fstream>
#include <sys/resource.h>
#include <wx/radiobox.h>

namespace tess {
namespace {

class RecordingControl : public test::FrameFixture {
protected:
    void SetUp() override {
        if (!test::HaveProgram("ffprobe"))
            GTEST_SKIP() << "needs ffprobe";
        FrameFixture::SetUp();
        if (IsSkipped())
            return;
        savedList_ = LiveSchedule();
        Settings& s = GlobalSettings();
        s.capSelect = CapSelectOf(CaptureMode::Screen);
        s.vidAudio = false;
        s.wmFrameRate = 5;
        s.displayOpenAuto = true;
        MakeFrame();
    }
    void TearDown() override {
        FrameFixture::TearDown();
        StopRecording();
        LiveSchedule() = savedList_;
    }
    void Post(int message) {
        PostMessage(client, message);
        test::Pump(150);
    }
    // The texts of the messages shown.
    std::vector<std::string> Messages() const { return desktop.texts(); }
    std::string Displayed() const {
        return client->displayedFile() ? client->displayedFile()->fileName() : std::string();
    }

private:
    EventList savedList_;
};

TEST_F(RecordingControl, HotKeyOneTwiceRecordsOnceAndDisplaysTheFile) {
    Post(msg::HotKeyVideo);
    ASSERT_EQ(State(), CaptureState::Recording);
    EXPECT_TRUE(RecordingRunning());
    const std::string file = RecordingFileName();
    EXPECT_EQ(file.rfind(captures + "/", 0), 0u) << file;
    EXPECT_EQ(file.substr(file.size() - 4), ".wmv");
    test::Pump(600);
    Post(msg::HotKeyVideo);
    EXPECT_EQ(State(), CaptureState::Idle);
    EXPECT_FALSE(RecordingRunning());
    EXPECT_EQ(Displayed(), file);
    EXPECT_TRUE(Messages().empty());
    ASSERT_EQ(desktop.notices.size(), 1u); // one notification of the file
    EXPECT_EQ(desktop.notices[0].kind, CaptureNotice::Kind::Recording);
    EXPECT_EQ(desktop.notices[0].path + desktop.notices[0].message, file);
    EXPECT_EQ(states, (std::vector<CaptureState>{CaptureState::Recording, CaptureState::Idle,
                                                 CaptureState::Idle}));
    const ScreenRect full = WindowThreadScreen()->screenRect();
    EXPECT_EQ(test::VideoStreamInfo(file),
              "mss2 " + std::to_string(full.width()) + " " + std::to_string(full.height()));
    EXPECT_GE(test::VideoFrameTimes(file).size(), 2u);

    // With the file displayed, hot key 1 closes it as "&Close" does (its name and the
    // playback bar go) and the new recording's name is in the title while it runs.
    const std::string name = std::filesystem::path(file).filename().string();
    client->DisplayFile(file);
    EXPECT_EQ(frame->GetTitle(), name + " Tessaray");
    EXPECT_TRUE(frame->playbackBarShown());
    // "&Stop" ends a recording without displaying it; the title loses its name.
    Post(msg::HotKeyVideo);
    ASSERT_EQ(State(), CaptureState::Recording);
    EXPECT_EQ(client->displayedFile(), nullptr);
    EXPECT_FALSE(frame->playbackBarShown());
    const std::string second = std::filesystem::path(RecordingFileName()).filename().string();
    EXPECT_NE(second, name);
    EXPECT_EQ(frame->GetTitle(), second + " Tessaray");
    client->RunCommand(id::Stop);
    EXPECT_EQ(State(), CaptureState::Idle);
    EXPECT_FALSE(RecordingRunning());
    EXPECT_EQ(client->displayedFile(), nullptr);
    EXPECT_EQ(frame->GetTitle(), "Tessaray");
}

TEST_F(RecordingControl, SoundWithVideoAndSoundOnly) {
    if (test::RunCommand("pactl info >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "needs the test PulseAudio daemon (tests/start-pulse.sh)";
    GlobalSettings().vidAudio = true;
    client->RunCommand(id::RecordVideo);
    ASSERT_EQ(State(), CaptureState::Recording);
    std::string file = RecordingFileName();
    test::Pump(1200);
    // The meter shows the tone while it records (a loaded machine's sound can come late);
    // "&Stop" ends the recording and resets it.
    const FGauge* level = client->controls().meter->Gauge(0);
    EXPECT_TRUE(test::PumpUntil([level] { return level->GetValue() > 0; }, 10000));
    client->RunCommand(id::Stop);
    EXPECT_EQ(level->GetValue(), 0);
    EXPECT_FALSE(test::VideoStreamInfo(file).empty());
    std::vector<int16_t> sound = test::DecodeSound(file);
    EXPECT_GT(sound.size(), 8000u / 2);
    EXPECT_NEAR(test::ToneFrequency(sound), 440.0, 5.0);

    // The tool bar's sound command records a voice file.
    client->RunCommand(id::RecordSound);
    ASSERT_EQ(State(), CaptureState::Recording);
    file = RecordingFileName();
    EXPECT_EQ(file.substr(file.size() - 4), ".wma");
    test::Pump(1200);
    client->RunCommand(id::StopRecording);
    EXPECT_EQ(State(), CaptureState::Idle);
    EXPECT_TRUE(test::VideoStreamInfo(file).empty());
    sound = test::DecodeSound(file);
    EXPECT_GT(sound.size(), 8000u / 2);
    EXPECT_NEAR(test::ToneFrequency(sound), 440.0, 5.0);

    // The desktop's output as the settings name it: the music stream, the meter on the mix.
    GlobalSettings().soundSource = 1;
    GlobalSettings().desktopSource = "desktop.monitor";
    GlobalSettings().soundQuality = 64;
    client->RunCommand(id::RecordVideo);
    ASSERT_EQ(State(), CaptureState::Recording);
    file = RecordingFileName();
    test::Pump(2000);
    EXPECT_TRUE(test::PumpUntil([level] { return level->GetValue() > 0; }, 10000));
    client->RunCommand(id::Stop);
    EXPECT_NE(test::Probe("-show_entries stream=codec_name,bit_rate", file).find("mp3,64000"),
              std::string::npos);
    sound = test::DecodeSound(file, 48000);
    sound.erase(sound.begin(), sound.end() - std::min<size_t>(sound.size(), 24000));
    EXPECT_NEAR(test::ToneFrequency(sound, 48000), 1000.0, 10.0);
    EXPECT_TRUE(Messages().empty());
}

TEST_F(RecordingControl, ScheduleStartsEndTheUsersRecordingAndEndsStopWithoutDisplay) {
    auto event = [](const std::string& name, int action) {
        ScheduleEvent e;
        e.name = name;
        e.days = 127;
        e.action = action;
        return e;
    };
    LiveSchedule().Clear();
    LiveSchedule().AddEvent(event("Morning", 2));
    LiveSchedule().AddEvent(event("Quiet", 0));
    LiveSchedule().AddEvent(event("Odd", 4));
    Settings& s = GlobalSettings();
    s.capEnable = true;
    s.capString = "caption %H:%M";
    s.capBackMode = 0; // an opaque white box
    s.capBackColor = 0xffffff;
    s.cursor = false; // for snapshots only: a recording's frames always carry the cursor
    // A plain blue screen: the caption is the only other thing in a frame but the cursor.
    test::XTestDisplay x;
    XSetWindowAttributes attrs{};
    attrs.override_redirect = True;
    attrs.background_pixel = 0x2040c0;
    Window blue = XCreateWindow(x.get(), x.root(), 0, 0, 1920, 1080, 0, CopyFromParent, InputOutput,
                                CopyFromParent, CWOverrideRedirect | CWBackPixel, &attrs);
    // A cursor of its own, so the server shows one it can name whatever programs and
    // cursors earlier tests left behind.
    XDefineCursor(x.get(), blue, XCreateFontCursor(x.get(), XC_left_ptr));
    XMapRaised(x.get(), blue);
    XWarpPointer(x.get(), None, x.root(), 0, 0, 0, 0, 960, 540);
    x.sync();
    test::Pump(100);
    auto notBlue = [](const std::string& file) {
        std::vector<std::string> frames = test::DecodeFramesSmall(file, 480, 270);
        if (frames.empty())
            return -1;
        int n = 0;
        const auto* p = reinterpret_cast<const uint8_t*>(frames[0].data());
        for (size_t i = 0; i < frames[0].size(); i += 3)
            if (std::abs(p[i] - 0x20) > 8 || std::abs(p[i + 1] - 0x40) > 8 ||
                std::abs(p[i + 2] - 0xc0) > 8)
                ++n;
        return n;
    };
    client->RunCommand(id::RecordScreen);
    ASSERT_EQ(State(), CaptureState::Recording);
    const std::string users = RecordingFileName();
    scheduleAnswer = 1; // Morning starts
    test::Pump(400);
    ASSERT_EQ(State(), CaptureState::Recording);
    const std::string scheduled = RecordingFileName();
    EXPECT_NE(scheduled, users);
    EXPECT_EQ(std::filesystem::path(scheduled).filename().string().rfind("Morning", 0), 0u)
        << scheduled;
    EXPECT_FALSE(test::VideoStreamInfo(users).empty()); // finished and readable
    scheduleAnswer = -1;                                // Morning ends
    test::Pump(400);
    EXPECT_EQ(State(), CaptureState::Idle);
    EXPECT_EQ(client->displayedFile(), nullptr);
    EXPECT_FALSE(test::VideoStreamInfo(scheduled).empty());
    // The user's recording carries the caption; the scheduled one only the cursor.
    x.destroy(blue);
    const int userOdd = notBlue(users), scheduledOdd = notBlue(scheduled);
    EXPECT_GT(scheduledOdd, 3);
    EXPECT_LT(scheduledOdd, 60) << "user's " << userOdd;
    EXPECT_GT(userOdd, scheduledOdd + 60) << "scheduled " << scheduledOdd;
    scheduleAnswer = 2; // an event without action
    test::Pump(400);
    EXPECT_EQ(State(), CaptureState::Idle);
    EXPECT_TRUE(Messages().empty());
    scheduleAnswer = 3; // an action with neither bit
    test::Pump(400);
    EXPECT_EQ(State(), CaptureState::Idle);
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].text, "improper mode");
    EXPECT_EQ(desktop.messages[0].caption, "tclient");
}

TEST_F(RecordingControl, AScheduledVideoWithSoundRecordsItsVideoWhenNoSoundInputStarts) {
    std::optional<test::ScopedEnv> pulse;
    pulse.emplace("PULSE_SERVER", ("unix:" + dir.str() + "/no-server").c_str()); // none answers
    ScheduleEvent e;
    e.name = "Talk";
    e.days = 127;
    e.action = kRecordVideo | kRecordSound;
    LiveSchedule().Clear();
    LiveSchedule().AddEvent(e);
    scheduleAnswer = 1;
    test::Pump(400);
    const std::string file = RecordingFileName();
    const wxString status = frame->GetStatusBar()->GetStatusText(0);
    test::Pump(800);
    scheduleAnswer = -1;
    test::Pump(400);
    pulse.reset();
    ASSERT_FALSE(file.empty()) << (Messages().empty() ? "" : Messages()[0]);
    EXPECT_NE(status.Find("without sound"), wxNOT_FOUND) << status;
    ASSERT_EQ(desktop.notices.size(), 1u); // an ordinary notification that says so
    EXPECT_EQ(desktop.notices[0].kind, CaptureNotice::Kind::Recording);
    EXPECT_NE(status.Find(desktop.notices[0].message), wxNOT_FOUND) << desktop.notices[0].message;
    EXPECT_FALSE(desktop.notices[0].message.empty());
    EXPECT_EQ(State(), CaptureState::Idle);
    EXPECT_TRUE(Messages().empty());
    EXPECT_GE(test::VideoFrameTimes(file).size(), 2u);
    EXPECT_FALSE(test::DecodeSound(file).empty());
}

TEST_F(RecordingControl, ThePreferencesOpenAndDropTheMixerAndShowTheVolumeSliderWithIt) {
    Settings& s = GlobalSettings();
    frame->ShowPlaybackBar(true);
    test::Pump(100);
    PrefContext ctx = frame->OptionsContext();
    auto sheet = MakeOptionsSheet(frame, ctx);
    auto closeOk = [&](bool changeMixer, const std::string& device) {
        s.changeMixer = changeMixer;
        s.waveInDriver = device;
        frame->OptionsClosed(*sheet, true, true);
        test::Pump(50);
    };
    const bool haveMixer = SMixer(MixerKind::WaveIn, "-1", nullptr).IsOpen();
    closeOk(true, "-1");
    EXPECT_EQ(client->mixer() != nullptr, haveMixer);
    EXPECT_TRUE(frame->playbackBar().volume->IsShown());
    // Unticked: the next recordings leave the input and its level alone.
    closeOk(false, "-1");
    EXPECT_EQ(client->mixer(), nullptr);
    EXPECT_FALSE(frame->playbackBar().volume->IsShown());
    closeOk(true, "-1");
    EXPECT_EQ(client->mixer() != nullptr, haveMixer);
    // Another input device: its own mixer, none for one that is not there.
    closeOk(true, "No such sound card");
    EXPECT_EQ(client->mixer(), nullptr);
}

// A recording that cannot start, the region command, and a disk that fills up.
TEST_F(RecordingControl, TheRegionCommandAndRecordingsThatCannotStartOrGoOn) {
    const std::string blocked = dir.str() + "/not-a-directory";
    std::ofstream(blocked) << "x";
    GlobalSettings().defaultDirectory = blocked;
    client->RunCommand(id::RecordScreen);
    EXPECT_EQ(State(), CaptureState::Idle);
    EXPECT_FALSE(RecordingRunning());
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_FALSE(Messages()[0].empty());
    EXPECT_TRUE(states.empty());
    // A window that closed before the start.
    GlobalSettings().defaultDirectory = captures;
    test::XTestDisplay x;
    Window gone = x.createSolid(0, 0, 40, 40, 0x336699);
    x.destroy(gone);
    windowChoice = gone;
    client->RunCommand(id::RecordWindow);
    EXPECT_EQ(State(), CaptureState::Idle);
    ASSERT_EQ(Messages().size(), 2u);
    EXPECT_NE(Messages()[1].find("no longer exists"), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_empty(captures));
    // A full disk stops the recording on the tick with a message.
    auto area =
        std::make_unique<test::FlickeringArea>(0, 0, 400, 300, std::chrono::milliseconds(300));
    rectChoice = ScreenRect{0, 0, 400, 300};
    client->RunCommand(id::RecordRegion);
    ASSERT_EQ(State(), CaptureState::Recording);
    const std::string filled = RecordingFileName();
    // Each change of the whole area adds a key frame of about 240 KB; the file may grow to
    // 600 KB.
    struct rlimit old {};
    getrlimit(RLIMIT_FSIZE, &old);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = old;
    limit.rlim_cur = 600 * 1024;
    setrlimit(RLIMIT_FSIZE, &limit);
    for (int i = 0; i < 100 && State() == CaptureState::Recording; ++i)
        test::Pump(100);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    area.reset();
    EXPECT_EQ(State(), CaptureState::Idle);
    EXPECT_FALSE(RecordingRunning());
    ASSERT_EQ(Messages().size(), 3u);
    EXPECT_NE(Messages()[2].find("disk is full"), std::string::npos) << Messages()[2];
    // Each failure is notified as critical with the message shown; the full disk's keeps its file.
    ASSERT_EQ(desktop.notices.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(desktop.notices[i].kind, CaptureNotice::Kind::Failed) << i;
        EXPECT_EQ(desktop.notices[i].message, Messages()[i]) << i;
    }
    EXPECT_EQ(desktop.notices[2].path, filled);
    EXPECT_EQ(client->displayedFile(), nullptr);
    bool clean = false;
    EXPECT_GE(test::DecodeFramesSmall(filled, 40, 30, &clean).size(), 2u);
    EXPECT_TRUE(clean);
    // The region command records the dragged rectangle; a cancelled choice records nothing.
    rectChoice = ScreenRect{100, 50, 580, 320};
    desktop.waits.clear();
    client->RunCommand(id::RecordRegion);
    EXPECT_EQ(titleDuringChoice, kRecordRegionPrompt);
    EXPECT_EQ(desktop.waits, std::vector<int>{100}); // the selection window goes first
    EXPECT_NE(frame->GetTitle(), kRecordRegionPrompt);
    ASSERT_EQ(State(), CaptureState::Recording);
    const std::string file = RecordingFileName();
    client->RunCommand(id::StopRecording);
    EXPECT_EQ(test::VideoStreamInfo(file), "mss2 480 270");
    rectChoice = {};
    client->RunCommand(id::RecordRegion);
    EXPECT_EQ(State(), CaptureState::Idle);
    // "Record Last Region" records the rectangle chosen last, without a selection.
    EXPECT_EQ(GlobalSettings().lastRegion, "100,50,480,270");
    client->RunCommand(id::RecordLastRegion);
    ASSERT_EQ(State(), CaptureState::Recording);
    const std::string again = RecordingFileName();
    client->RunCommand(id::StopRecording);
    EXPECT_EQ(test::VideoStreamInfo(again), "mss2 480 270");
}

TEST_F(RecordingControl, HotKeyOneInMonitorModeRecordsTheMonitorUnderThePointer) {
    test::TwoMonitors monitors;
    if (!monitors.ok)
        GTEST_SKIP() << "no xrandr, or the server keeps no monitors";
    test::XTestDisplay x;
    XWarpPointer(x.get(), None, x.root(), 0, 0, 0, 0, 1500, 300);
    x.sync();
    client->RunCommand(id::Monitor);
    Post(msg::HotKeyVideo);
    ASSERT_EQ(State(), CaptureState::Recording);
    const std::string file = RecordingFileName();
    Post(msg::HotKeyVideo);
    EXPECT_EQ(test::VideoStreamInfo(file), "mss2 960 1080");
}

// A finished recording is copied as AutoExport asks, with a notification; "Export..." of the
// displayed recording offers the scale of every format, shows its progress, makes the file and
// says so in the status bar and a notification; Cancel leaves nothing behind.
TEST_F(RecordingControl, ExportsMakeTheirFilesAndCancelLeavesNone) {
    GlobalSettings().autoExport = "gif";
    Post(msg::HotKeyVideo);
    ASSERT_EQ(State(), CaptureState::Recording);
    const std::string file = RecordingFileName();
    test::Pump(1200);
    Post(msg::HotKeyVideo);
    ASSERT_EQ(Displayed(), file);
    const std::string copy = std::filesystem::path(file).replace_extension(".gif").string();
    ASSERT_TRUE(test::PumpUntil([&] { return desktop.notices.size() == 2; }, 60000))
        << (desktop.texts().empty() ? "" : desktop.texts().back());
    EXPECT_EQ(desktop.notices[1].kind, CaptureNotice::Kind::Exported);
    EXPECT_EQ(desktop.notices[1].path, copy);
    std::string probe;
    test::RunCommand("ffprobe -v error -show_entries stream=codec_name -of csv=p=0 '" + copy + "'",
                     &probe);
    EXPECT_EQ(probe, "gif\n");

    for (ExportFormat format : {ExportFormat::WebM, ExportFormat::Mp4, ExportFormat::Gif}) {
        ExportOptionsDialog options(frame, format, 60);
        wxRadioBox* scale = nullptr;
        for (wxWindow* w : options.GetChildren())
            scale = scale ? scale : dynamic_cast<wxRadioBox*>(w);
        ASSERT_NE(scale, nullptr);
        scale->SetSelection(1);
        EXPECT_EQ(options.options().scalePercent, 50);
    }

    ExportControl& exports = client->exports();
    const std::string webm = dir.str() + "/out.webm", again = dir.str() + "/again.webm";
    ASSERT_TRUE(exports.Start(file, webm, {ExportFormat::WebM, 5, 100}, false));
    ASSERT_NE(exports.progressDialog(), nullptr);
    EXPECT_TRUE(exports.progressDialog()->IsShown());
    ASSERT_TRUE(test::PumpUntil([&] { return !exports.running(); }, 60000));
    EXPECT_EQ(exports.progressDialog(), nullptr);
    EXPECT_TRUE(std::filesystem::is_regular_file(webm));
    EXPECT_TRUE(Messages().empty()) << Messages().front();
    EXPECT_EQ(frame->GetStatusBar()->GetStatusText().utf8_string(), "Exported to " + webm);
    ASSERT_EQ(desktop.notices.size(), 3u);
    EXPECT_EQ(desktop.notices[2].kind, CaptureNotice::Kind::Exported);
    EXPECT_EQ(desktop.notices[2].path, webm);

    const auto before = std::distance(std::filesystem::directory_iterator(dir.path()), {});
    ASSERT_TRUE(exports.Start(file, again, {ExportFormat::WebM, 5, 100}, false));
    wxCommandEvent cancel(wxEVT_BUTTON, wxID_CANCEL);
    exports.progressDialog()->GetEventHandler()->ProcessEvent(cancel);
    ASSERT_TRUE(test::PumpUntil([&] { return !exports.running(); }, 30000));
    EXPECT_FALSE(std::filesystem::exists(again));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), before);
    EXPECT_TRUE(Messages().empty()) << Messages().front();
    EXPECT_EQ(desktop.notices.size(), 3u);
}

} // namespace
} // namespace tess
