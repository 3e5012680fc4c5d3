// The client window inside the main frame on a real X server: commands from the frame's
// menus reach the client's table and enablers, the state follows record / stop / hot-key
// messages, the timer asks the schedule, and closing saves the settings even when the
// close is refused.
#include "app/AppTestSupport.h"
#include "app/SDIDecFrame.h"
#include "app/SettingsIO.h"
#include "capture/TClient.h"
#include "platform/FileIo.h"
#include "resources/Ids.h"
#include "settings/Settings.h"
#include "support/FakeDesktop.h"

#include <wx/choice.h>

namespace tess {
namespace {

class FakeClient : public TClient {
public:
    using TClient::TClient;
    int screenSnaps = 0, windowSnaps = 0, regionSnaps = 0;
    int screenRecords = 0, regionRecords = 0;
    int scheduledStart = -1, scheduledStop = -1;
    bool file = false, picture = false, allowClose = true;
    bool CanClose() override { return allowClose; }

protected:
    void DoSnapshotScreen() override { ++screenSnaps; }
    void DoSnapshotWindow() override { ++windowSnaps; }
    void DoSnapshotRegion() override { ++regionSnaps; }
    void DoRecordScreen() override {
        ++screenRecords;
        SetCaptureState(kStateRecording);
    }
    void DoRecordRegion() override {
        ++regionRecords;
        SetCaptureState(kStateRecording);
    }
    bool FileDisplayed() const override { return file; }
    bool FileIsPicture() const override { return picture; }
    void StartScheduledRecording(int i) override { scheduledStart = i; }
    void StopScheduledRecording(int i) override { scheduledStop = i; }
};

class ClientWindow : public test::XdgTest {
protected:
    test::FakeDesktop desktop;
    void SetUp() override {
        if (!test::HaveDisplay() || !wxTheApp)
            GTEST_SKIP() << "no X display";
        XdgTest::SetUp();
        saved_ = GlobalSettings();
        LoadSettings();
        frame = new SDIDecFrame(false, [this](wxWindow* parent) {
            client = new FakeClient(parent, desktop);
            return client;
        });
        frame->Bind(EVT_TESS_MESSAGE, [this](PrivateMessageEvent& e) {
            if (e.message() == msg::StateIcons)
                stateMessages.push_back(static_cast<int>(e.wParam()));
            e.Skip();
        });
        frame->Show();
        test::Pump(100);
    }
    void TearDown() override {
        if (frame) {
            client->allowClose = true;
            delete frame;
            test::Pump(50);
        }
        SetScheduleCheck(nullptr);
        GlobalSettings() = saved_;
        XdgTest::TearDown();
    }
    // A menu command as the frame receives it.
    void Menu(int cmd) {
        wxCommandEvent e(wxEVT_MENU, cmd);
        e.SetEventObject(frame);
        frame->GetEventHandler()->ProcessEvent(e);
    }
    wxUpdateUIEvent Ui(int cmd) {
        wxUpdateUIEvent e(cmd);
        e.SetEventObject(frame);
        frame->GetEventHandler()->ProcessEvent(e);
        return e;
    }
    SDIDecFrame* frame = nullptr;
    FakeClient* client = nullptr;
    std::vector<int> stateMessages;
    Settings saved_;
};

TEST_F(ClientWindow, MenuCommandsReachTheClientAndItsEnablers) {
    Settings& s = GlobalSettings();
    Menu(id::FormatGif);
    EXPECT_EQ(s.imageFormat, 3);
    EXPECT_TRUE(Ui(id::FormatGif).GetChecked());
    EXPECT_FALSE(Ui(id::FormatPng).GetChecked());
    Menu(id::Rectangle);
    EXPECT_EQ(s.capSelect, 2);
    EXPECT_TRUE(Ui(id::Rectangle).GetChecked());
    bool delay = s.captureDelay;
    Menu(id::DelaySnapshot);
    EXPECT_NE(s.captureDelay, delay);
    Menu(id::EffectWater);
    EXPECT_EQ(s.effects[3], 1);
    EXPECT_TRUE(Ui(id::EffectWater).GetChecked());
    s.soundLevel = 95;
    Menu(id::VolumeUp);
    EXPECT_EQ(s.soundLevel, 100);
    s.soundLevel = 5;
    Menu(id::VolumeDown);
    EXPECT_EQ(s.soundLevel, 0);
    bool muted = s.mute;
    Menu(id::Mute);
    EXPECT_NE(s.mute, muted);
    EXPECT_EQ(Ui(id::Mute).GetChecked(), s.mute);

    // Every command of the table reaches an enabler through the frame.
    for (int cmd : ClientCommandIds()) {
        wxUpdateUIEvent e = Ui(cmd);
        EXPECT_TRUE(e.GetSetEnabled()) << cmd;
    }
    // Snapshot by mode: the rectangle mode takes a region.
    Menu(id::Snapshot);
    EXPECT_EQ(client->regionSnaps, 1);
    Menu(id::SnapshotWindow);
    EXPECT_EQ(client->windowSnaps, 1);
}

TEST_F(ClientWindow, RecordingStateGreysAndTicksAndNotifiesTheFrame) {
    Menu(id::Screen);
    EXPECT_FALSE(Ui(id::StopRecording).GetEnabled());
    EXPECT_TRUE(Ui(id::RecordVideo).GetEnabled());
    Menu(id::RecordVideo);
    EXPECT_EQ(client->screenRecords, 1);
    EXPECT_EQ(client->captureState(), kStateRecording);
    EXPECT_TRUE(Ui(id::StopRecording).GetEnabled());
    EXPECT_FALSE(Ui(id::RecordVideo).GetEnabled());
    EXPECT_FALSE(Ui(id::Snapshot).GetEnabled());
    EXPECT_TRUE(Ui(id::FileClose).GetEnabled());
    // A greyed command reached by an accelerator does nothing.
    Menu(id::SnapshotScreen);
    EXPECT_EQ(client->screenSnaps, 0);
    Menu(id::StopRecording);
    EXPECT_EQ(client->captureState(), kStateIdle);
    test::Pump(50);
    EXPECT_EQ(stateMessages, (std::vector<int>{kStateRecording, kStateIdle}));

    // File commands follow the displayed file.
    EXPECT_FALSE(Ui(id::Play).GetEnabled());
    client->file = true;
    EXPECT_TRUE(Ui(id::Play).GetEnabled());
    EXPECT_FALSE(Ui(id::FilePrint).GetEnabled());
    client->picture = true;
    EXPECT_TRUE(Ui(id::FilePrint).GetEnabled());
}

TEST_F(ClientWindow, VideoHotKeyStartsAndStopsWithTheCurrentMode) {
    Menu(id::Rectangle); // the mode box follows
    EXPECT_EQ(client->controls().captureMode->GetSelection(), 2);
    PostMessage(client, msg::HotKeyVideo);
    test::Pump(50);
    EXPECT_EQ(client->regionRecords, 1);
    EXPECT_EQ(client->captureState(), kStateRecording);
    PostMessage(client, msg::HotKeyVideo);
    test::Pump(50);
    EXPECT_EQ(client->captureState(), kStateIdle);
    PostMessage(client, msg::HotKeySnapshot);
    PostMessage(client, msg::HotKeyRegion);
    test::Pump(50);
    EXPECT_EQ(client->regionSnaps, 2);
    // Message 1164 stops like "&Stop Recording".
    client->SetCaptureState(kStateRecording);
    PostMessage(client, msg::StopRecording);
    test::Pump(50);
    EXPECT_EQ(client->captureState(), kStateIdle);

    // A settings file opened later sets the mode: the box shows it, the timer keeps it.
    Menu(id::Window);
    const std::string file = dir.str() + "/window-mode.ini";
    SaveSettings(file);
    Menu(id::Rectangle);
    LoadSettings(file);
    test::Pump(450);
    EXPECT_EQ(GlobalSettings().capSelect, kCapWindow);
    EXPECT_EQ(client->controls().captureMode->GetSelection(), kCapWindow);
}

TEST_F(ClientWindow, TimerAsksTheSchedule) {
    EXPECT_TRUE(client->timerRunning());
    int answer = 3;
    SetScheduleCheck([&] { return answer; });
    test::Pump(450);
    EXPECT_EQ(client->scheduledStart, 2);
    answer = -1;
    test::Pump(450);
    EXPECT_EQ(client->scheduledStop, 0);
}

TEST_F(ClientWindow, ClosingSavesSettingsEvenWhenRefused) {
    GlobalSettings().imageFormat = 1;
    client->allowClose = false;
    std::string store = dir.str() + "/config/Quorvanta/Tessaray.reg";
    std::filesystem::remove(store);
    EXPECT_FALSE(frame->Close());
    test::Pump(50);
    std::string text = ReadWholeFile(store).value_or("");
    EXPECT_NE(text.find("\"ImageFormat\"=\"1\""), std::string::npos);
    EXPECT_NE(text.find("\"WindowW\"=hex:"), std::string::npos); // the frame exists
    EXPECT_TRUE(frame->IsShown());
}

} // namespace
} // namespace tess
