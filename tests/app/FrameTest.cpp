// The main frame on a real X server: every menu item reaches its handler and enabler, the
// accelerators fire on real key presses, the icons follow the capture state, the playback
// bar toggles without doubling, muting swaps the image in place, hot keys pressed on the
// server reach the client, and with a window manager and a tray the frame hides to the
// tray and comes back on a click.
#include "app/AppTestSupport.h"
#include "app/ControlBar.h"
#include "app/Menus.h"
#include "app/SDIDecFrame.h"
#include "app/SettingsIO.h"
#include "app/TrayWin.h"
#include "platform/gtk/Desktop.h"
#include "platform/x11/HotKeys.h"
#include "resources/Ids.h"
#include "resources/ui/Art.h"
#include "settings/Settings.h"
#include "support/FakeDesktop.h"

#include <csignal>
#include <map>
#include <sys/wait.h>
#include <unistd.h>
#include <wx/menu.h>
#include <wx/slider.h>
#include <wx/statusbr.h>
#include <wx/timer.h>
#include <wx/uiaction.h>

namespace tess {
namespace {

class CountingClient : public TClient {
public:
    using TClient::TClient;
    std::map<std::string, int> calls;
    bool file = false;

protected:
    void DoSnapshotScreen() override { ++calls["snapScreen"]; }
    void DoSnapshotWindow() override { ++calls["snapWindow"]; }
    void DoSnapshotRegion() override { ++calls["snapRegion"]; }
    void DoRecordScreen() override {
        ++calls["recordScreen"];
        SetCaptureState(kStateRecording);
    }
    void DoRecordWindow() override { ++calls["recordWindow"]; }
    void DoRecordRegion() override { ++calls["recordRegion"]; }
    void DoPlay() override {
        ++calls["play"];
        SetCaptureState(kStatePlaying);
    }
    void DoSkip(bool forward) override { ++calls[forward ? "skipForward" : "skipBackward"]; }
    void DoOpenFile() override { ++calls["open"]; }
    void DoPrint() override { ++calls["print"]; }
    void DoPrinterSetup() override { ++calls["printerSetup"]; }
    void DoChangeEffects() override { ++calls["effects"]; }
    void DoRecordWizard() override { ++calls["wizard"]; }
    bool FileDisplayed() const override { return file; }
    bool FileIsPicture() const override { return file; }
    int RecordingSoundLevels() const override { return level; }

public:
    int level = 0;

public:
    void DisplayFile(const std::string& path) override { displayed.push_back(path); }
    std::vector<std::string> displayed;
};

class Frame : public test::XdgTest {
protected:
    test::FakeDesktop desktop;
    void SetUp() override {
        if (!test::HaveDisplay() || !wxTheApp)
            GTEST_SKIP() << "no X display";
        XdgTest::SetUp();
        saved_ = GlobalSettings();
        LoadSettings();
        GlobalSettings().captureState = kStateIdle;
        frame = new SDIDecFrame(false, [this](wxWindow* parent) {
            client = new CountingClient(parent, desktop);
            return client;
        });
        frame->SetSize(100, 100, 700, 400);
        frame->Show();
        frame->SetUp();
        test::Pump(150);
    }
    void TearDown() override {
        if (frame) {
            delete frame;
            test::Pump(50);
        }
        GlobalSettings() = saved_;
        XdgTest::TearDown();
    }
    bool Menu(int cmd) {
        wxCommandEvent e(wxEVT_MENU, cmd);
        e.SetEventObject(frame);
        return frame->GetEventHandler()->ProcessEvent(e);
    }
    wxUpdateUIEvent Ui(int cmd) {
        wxUpdateUIEvent e(cmd);
        e.SetEventObject(frame);
        frame->GetEventHandler()->ProcessEvent(e);
        return e;
    }
    static void Items(wxMenu* m, std::vector<wxMenuItem*>& out) {
        for (wxMenuItem* item : m->GetMenuItems()) {
            if (item->IsSubMenu())
                Items(item->GetSubMenu(), out);
            else if (!item->IsSeparator())
                out.push_back(item);
        }
    }
    SDIDecFrame* frame = nullptr;
    CountingClient* client = nullptr;
    Settings saved_;
};

TEST_F(Frame, MenusHoldTheirItemsAndEveryItemReachesItsHandlerAndEnabler) {
    wxMenuBar* bar = frame->GetMenuBar();
    ASSERT_EQ(bar->GetMenuCount(), 5u);
    EXPECT_EQ(bar->GetMenuLabel(0), "&File");
    EXPECT_EQ(bar->GetMenuLabel(4), "&Help");
    std::vector<wxMenuItem*> items;
    for (size_t i = 0; i < bar->GetMenuCount(); ++i)
        Items(bar->GetMenu(i), items);
    EXPECT_EQ(items.size(), 11u + 1u + 30u + 5u + 2u);
    EXPECT_EQ(bar->FindItem(id::Stop)->GetItemLabel(), "&Stop \tAlt+S");
    EXPECT_EQ(bar->FindItem(id::MixerPlay)->GetItemLabel(), "Mixer Pla&y control...\tCtrl+Shift+P");
    // Key texts that name no key the toolkit knows are shown as they stand.
    const std::pair<int, const char*> keyTexts[] = {{id::SkipForward, "Right-cursor"},
                                                    {id::SkipBackward, "Left-cursor"},
                                                    {id::VolumeUp, "Alt+Up-cursor"},
                                                    {id::VolumeDown, "Alt+Down-cursor"}};
    for (auto [cmd, text] : keyTexts)
        EXPECT_EQ(gtk::MenuKeyText(bar->FindItem(cmd)->GetMenuItem()), text) << cmd;

    client->file = true; // every file command enabled
    for (wxMenuItem* item : items) {
        int cmd = item->GetId();
        if (cmd == id::Exit || cmd == id::NewInstance || cmd == id::OpenSettingsFile ||
            cmd == id::SaveSettingsAs || cmd == id::About || cmd == id::Preferences)
            continue; // closes the frame, starts a process, opens a dialog: tested elsewhere
        const auto& ids = ClientCommandIds();
        bool clientCommand = std::find(ids.begin(), ids.end(), cmd) != ids.end();
        if (clientCommand) {
            EXPECT_TRUE(Ui(cmd).GetSetEnabled()) << cmd;
        }
        GlobalSettings().captureState = kStateIdle;
        EXPECT_TRUE(Menu(cmd)) << "no handler for " << cmd;
    }
    // "Rectangle" comes before "Snapshot" in the menu: the snapshot takes a region.
    EXPECT_EQ(client->calls["snapScreen"], 1);
    EXPECT_EQ(client->calls["snapWindow"], 1);
    EXPECT_EQ(client->calls["snapRegion"], 2);
    EXPECT_EQ(client->calls["recordWindow"], 1);
    EXPECT_EQ(client->calls["open"], 1);
    EXPECT_EQ(client->calls["print"], 1);
    EXPECT_EQ(client->calls["effects"], 1);
    EXPECT_EQ(client->calls["wizard"], 1);
    EXPECT_TRUE(client->recordWizard) << "the frame runs the record wizard";
    EXPECT_GE(client->calls["play"], 1);
    test::Pump(50);

    // The pop-up and tray menus.
    std::unique_ptr<wxMenu> popup(BuildPopupMenu());
    std::vector<wxMenuItem*> popupItems;
    Items(popup.get(), popupItems);
    ASSERT_EQ(popupItems.size(), 16u);
    for (auto [cmd, text] : keyTexts)
        EXPECT_EQ(gtk::MenuKeyText(popup->FindItem(cmd)->GetMenuItem()), text) << cmd;
    EXPECT_EQ(popupItems[3]->GetItemLabel(), "Snapshot\tCtrl+R");
    EXPECT_EQ(popupItems[4]->GetItemLabel(), "&Record\tCtrl+R");
    EXPECT_EQ(popupItems[15]->GetId(), id::About);
    std::unique_ptr<wxMenu> trayMenu(BuildTrayMenu());
    std::vector<wxMenuItem*> trayItems;
    Items(trayMenu.get(), trayItems);
    ASSERT_EQ(trayItems.size(), 9u);
    EXPECT_EQ(trayItems[0]->GetId(), id::TrayRestore);
    EXPECT_EQ(trayItems[0]->GetItemLabel(), "&Restore window");
    EXPECT_EQ(trayItems.back()->GetId(), id::TrayExit);
    // "&Restore window" is drawn bold as the default item.
    EXPECT_TRUE(MakeDefaultItem(trayMenu->FindItemByPosition(0)));
}

TEST_F(Frame, AcceleratorsFireOnKeyPresses) {
    EXPECT_EQ(AcceleratorEntries().size(), 21u);
    client->file = true;
    frame->Raise();
    client->SetFocus();
    wxUIActionSimulator sim;
    wxPoint centre = client->ClientToScreen(wxPoint(50, 50));
    sim.MouseMove(centre);
    test::Pump(200);
    Settings& s = GlobalSettings();
    auto press = [&](int key, int mods) {
        sim.Char(key, mods);
        test::Pump(150);
    };
    bool muted = s.mute;
    press(WXK_HOME, wxMOD_CONTROL);
    EXPECT_NE(s.mute, muted);
    s.soundLevel = 50;
    press(WXK_UP, wxMOD_ALT);
    EXPECT_EQ(s.soundLevel, 60);
    press(WXK_DOWN, wxMOD_ALT);
    EXPECT_EQ(s.soundLevel, 50);
    press(WXK_RIGHT, wxMOD_NONE);
    press(WXK_RIGHT, wxMOD_SHIFT);
    EXPECT_EQ(client->calls["skipForward"], 2);
    press(WXK_LEFT, wxMOD_CONTROL);
    EXPECT_EQ(client->calls["skipBackward"], 1);
    press('P', wxMOD_ALT);
    EXPECT_EQ(client->calls["play"], 1);
    press('S', wxMOD_ALT);
    EXPECT_EQ(client->captureState(), kStateIdle);
    press(WXK_SPACE, wxMOD_NONE);
    EXPECT_EQ(client->calls["play"], 2);
    press('P', wxMOD_CONTROL);
    EXPECT_EQ(client->calls["print"], 1);
    bool full = client->fullScreen();
    press(WXK_RETURN, wxMOD_ALT);
    EXPECT_NE(client->fullScreen(), full);
    press('R', wxMOD_ALT);
    EXPECT_EQ(client->calls["recordScreen"], 1);
    EXPECT_EQ(client->captureState(), kStateRecording);
}

TEST_F(Frame, IconsFollowTheCaptureState) {
    EXPECT_EQ(frame->largeIconId(), id::IconIdleLarge);
    EXPECT_EQ(frame->smallIconId(), id::IconIdleSmall);
    client->SetCaptureState(kStateRecording);
    test::Pump(50);
    EXPECT_EQ(frame->largeIconId(), id::IconRecordingLarge);
    EXPECT_EQ(frame->smallIconId(), id::IconRecordingSmall);
    EXPECT_EQ(frame->tray()->iconId(), id::IconRecordingSmall);
    EXPECT_TRUE(frame->toolBar().bar->GetToolState(id::RecordVideo)); // pressed look
    client->SetCaptureState(kStatePlaying);
    test::Pump(50);
    EXPECT_EQ(frame->largeIconId(), id::IconPlayingLarge);
    EXPECT_EQ(frame->smallIconId(), id::IconPlayingSmall);
    EXPECT_FALSE(frame->toolBar().bar->GetToolState(id::RecordVideo));
    client->SetCaptureState(kStateIdle);
    test::Pump(50);
    EXPECT_EQ(frame->largeIconId(), id::IconIdleLarge);
    EXPECT_EQ(frame->tray()->iconId(), id::IconIdleSmall);
    // The window really carries the icons.
    EXPECT_TRUE(frame->GetIcons().GetIcon(wxSize(32, 32)).IsOk());

    // Each drawn picture is there and distinct.
    std::vector<int> bitmaps = {id::BmpPlay,        id::BmpStop,         id::BmpRecord,
                                id::BmpSkipForward, id::BmpSkipBackward, id::BmpMuted,
                                id::BmpSpeaker,     id::BmpCaption,      id::BmpSnapshot,
                                id::BmpTool1,       id::BmpTool2};
    std::vector<std::string> seen;
    for (int b : bitmaps) {
        wxBitmap bmp = ResourceBitmap(b);
        ASSERT_TRUE(bmp.IsOk()) << b;
        EXPECT_EQ(bmp.GetWidth(), 16);
        wxImage img = bmp.ConvertToImage();
        std::string data(reinterpret_cast<char*>(img.GetData()), 16 * 16 * 3);
        data.append(reinterpret_cast<char*>(img.GetAlpha()), 16 * 16);
        EXPECT_EQ(std::count(seen.begin(), seen.end(), data), 0) << b;
        seen.push_back(data);
    }
    for (int icon : {id::IconIdleLarge, id::IconRecordingLarge, id::IconPlayingLarge})
        EXPECT_EQ(ProgramIcon(icon).GetWidth(), 32);
    for (int icon : {id::IconIdleSmall, id::IconRecordingSmall, id::IconPlayingSmall})
        EXPECT_EQ(ProgramIcon(icon).GetWidth(), 16);
}

TEST_F(Frame, PlaybackBarTogglesWithoutDoublingAndMuteSwapsInPlace) {
    auto bars = [&] {
        int n = 0;
        for (wxWindow* w : frame->GetChildren())
            if (dynamic_cast<SControlBar*>(w))
                ++n;
        return n;
    };
    EXPECT_EQ(bars(), 1); // the tool bar
    int height = frame->GetSize().y;
    Menu(id::PlaybackBar);
    EXPECT_TRUE(frame->playbackBarShown());
    EXPECT_TRUE(Ui(id::PlaybackBar).GetChecked());
    EXPECT_EQ(frame->GetSize().y, height + 50);
    frame->ShowPlaybackBar(true); // again: no second bar
    EXPECT_EQ(bars(), 2);
    test::Pump(100);

    const PlaybackBarGadgets& pb = frame->playbackBar();
    ASSERT_NE(pb.volume, nullptr);
    EXPECT_EQ(client->controls().volumeSlider, pb.volume);
    EXPECT_EQ(pb.volume->GetValue(), GlobalSettings().soundLevel); // message 1239
    wxPoint sliderAt = pb.volume->GetPosition();
    int value = pb.volume->GetValue();
    bool muted = GlobalSettings().mute;
    ASSERT_FALSE(muted);
    Menu(id::Mute);
    test::Pump(50);
    EXPECT_EQ(pb.mute->state(), 1);
    EXPECT_EQ(pb.volume->GetPosition(), sliderAt);
    EXPECT_EQ(pb.volume->GetValue(), value);
    wxImage shown = pb.bar->FindById(id::Mute)->GetNormalBitmap().ConvertToImage();
    wxImage mutedImage = ResourceBitmap(id::BmpMuted).ConvertToImage();
    EXPECT_EQ(0, memcmp(shown.GetData(), mutedImage.GetData(), 16 * 16 * 3));
    Menu(id::Mute);
    test::Pump(50);
    EXPECT_EQ(pb.mute->state(), 0);
    EXPECT_EQ(pb.volume->GetPosition(), sliderAt);

    // Hovering a button or a slider shows its hint in the status bar; leaving it puts the
    // status text back.
    frame->SetStatusText("Ready");
    frame->toolBar().bar->OnMouseEnter(id::RecordVideo);
    EXPECT_EQ(frame->GetStatusBar()->GetStatusText(), "Record");
    frame->toolBar().bar->OnMouseEnter(wxID_ANY);
    EXPECT_EQ(frame->GetStatusBar()->GetStatusText(), "Ready");
    pb.bar->OnMouseEnter(id::SkipForward);
    EXPECT_EQ(frame->GetStatusBar()->GetStatusText(), "Skip forward");
    pb.bar->OnMouseEnter(wxID_ANY);
    wxMouseEvent enter(wxEVT_ENTER_WINDOW), leave(wxEVT_LEAVE_WINDOW);
    pb.position->GetEventHandler()->ProcessEvent(enter);
    EXPECT_EQ(frame->GetStatusBar()->GetStatusText(), "Position");
    pb.position->GetEventHandler()->ProcessEvent(leave);
    EXPECT_EQ(frame->GetStatusBar()->GetStatusText(), "Ready");

    Menu(id::PlaybackBar);
    EXPECT_FALSE(frame->playbackBarShown());
    EXPECT_EQ(bars(), 1);
    EXPECT_EQ(client->controls().volumeSlider, nullptr);
    frame->ShowPlaybackBar(false); // not there: nothing happens
    EXPECT_EQ(bars(), 1);
}

TEST_F(Frame, LevelMeterShowsTheRecordingLevelAndIsClearedAfterIt) {
    SMeter* meter = frame->toolBar().meter;
    ASSERT_NE(meter, nullptr);
    EXPECT_EQ(client->controls().meter, meter);
    PostMessage(client, msg::ResetControls);
    test::Pump(50);
    EXPECT_EQ(meter->Gauge(0)->GetValue(), 0);

    Menu(id::RecordScreen);
    ASSERT_EQ(client->captureState(), kStateRecording);
    client->level = 127; // a full-scale input
    PostMessage(client, msg::RecordTime);
    test::Pump(50);
    EXPECT_EQ(meter->Gauge(0)->GetValue(), 100);
    client->level = 64;
    PostMessage(client, msg::RecordTime);
    test::Pump(50);
    EXPECT_EQ(meter->Gauge(0)->GetValue(), 50);
    client->SetCaptureState(kStateIdle);
    PostMessage(client, msg::RecordTime);
    test::Pump(50);
    EXPECT_EQ(meter->Gauge(0)->GetValue(), 0);
}

TEST_F(Frame, RecentFilesAppearInTheFileMenuAndDisplayTheChosenFile) {
    wxMenu* file = frame->GetMenuBar()->GetMenu(0);
    size_t before = file->GetMenuItemCount();
    frame->AddRecentFile("/captures/one.png");
    frame->AddRecentFile("/captures/R&D two.wmv");
    EXPECT_EQ(file->GetMenuItemCount(), before + 3); // a separator and two entries
    wxMenuItem* first = file->FindItem(wxID_FILE1);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->GetItemLabelText(), "1 /captures/R&D two.wmv");
    // "E&xit" stays last.
    EXPECT_EQ(file->FindItemByPosition(file->GetMenuItemCount() - 1)->GetId(), id::Exit);
    Menu(wxID_FILE1 + 1);
    ASSERT_EQ(client->displayed.size(), 1u);
    EXPECT_EQ(client->displayed[0], "/captures/one.png");
    // Kept in the store for the next start.
    RecentFiles again;
    again.Load();
    EXPECT_EQ(again.entries().size(), 2u);

    CoolButton button(frame, wxID_NEW, "&New");
    EXPECT_EQ(button.FaceText(), "New");
    EXPECT_EQ(button.state(), CoolButton::Normal);
}

TEST(HotKeyValues, EncodingAndModifiers) {
    EXPECT_EQ(StripMnemonic("&New"), "New");
    int underline = -1;
    EXPECT_EQ(StripMnemonic("Ne&w", &underline), "New");
    EXPECT_EQ(underline, 2);
    EXPECT_EQ(StripMnemonic("Plain", &underline), "Plain");
    EXPECT_EQ(underline, -1);
}

TEST_F(Frame, HotKeysPressedOnTheServerReachTheClient) {
    if (!test::HaveProgram("xdotool"))
        GTEST_SKIP() << "needs xdotool";
    Settings& s = GlobalSettings();
    s.key1 = 0x0378; // Control+Shift+F9: video start / stop
    s.key2 = 0x0378; // the same combination: the second registration fails silently
    s.key3 = 0x0877; // extended flag only: F8 without modifiers
    EXPECT_EQ(frame->RegisterHotKeys(), 2);
    auto key = [](const char* keys) {
        test::RunCommand(std::string("xdotool key ") + keys);
        test::Pump(200);
    };
    key("ctrl+shift+F9");
    EXPECT_EQ(client->calls["recordScreen"], 1);
    EXPECT_EQ(client->calls["snapScreen"], 0); // only the first id answers
    key("ctrl+shift+F9");
    EXPECT_EQ(client->captureState(), kStateIdle); // stopped
    key("F8");
    EXPECT_EQ(client->calls["snapRegion"], 1);
    // With Num Lock held the keys still answer.
    key("Num_Lock");
    key("F8");
    key("Num_Lock");
    EXPECT_EQ(client->calls["snapRegion"], 2);
    // Other modifiers do not match.
    key("ctrl+F8");
    EXPECT_EQ(client->calls["snapRegion"], 2);
    // A value of 0 registers nothing and drops the earlier registration.
    s.key3 = 0;
    EXPECT_EQ(frame->RegisterHotKeys(), 1);
    key("F8");
    EXPECT_EQ(client->calls["snapRegion"], 2);
}

// Starts `program` with `args` in the background; its pid, 0 when it is missing.
pid_t Spawn(const std::string& program, std::vector<std::string> args) {
    if (!test::HaveProgram(program))
        return 0;
    pid_t pid = fork();
    if (pid == 0) {
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        execvp(program.c_str(), argv.data());
        _exit(127);
    }
    return pid;
}

void Stop(pid_t pid) {
    if (pid > 0) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
    }
}

TEST_F(Frame, MinimizingHidesToATrayWhereThereIsOneAndAClickRestores) {
    if (!test::HaveProgram("openbox") || !test::HaveProgram("trayer") ||
        !test::HaveProgram("xdotool"))
        GTEST_SKIP() << "needs openbox, trayer and xdotool";
    pid_t wm = Spawn("openbox", {});
    test::Pump(800);

    // No tray yet: with the tray icon on, minimizing (and the start-minimized request) leaves
    // an ordinary minimized frame, which the window manager can give back.
    ASSERT_FALSE(wxTaskBarIcon::IsAvailable()) << "a tray is already running on this display";
    GlobalSettings().trayIcon = true;
    frame->ApplyFrameSettings();
    frame->Iconize(true);
    test::Pump(800);
    EXPECT_TRUE(frame->IsShown());
    EXPECT_TRUE(frame->IsIconized());
    frame->Iconize(false);
    test::Pump(300);
    frame->HideToTray();
    test::Pump(500);
    EXPECT_TRUE(frame->IsShown());
    EXPECT_TRUE(frame->IsIconized());
    frame->Iconize(false);
    frame->tray()->Remove();
    test::Pump(500);

    pid_t trayer = Spawn("trayer", {"--edge", "top", "--align", "right", "--widthtype", "pixel",
                                    "--width", "100", "--height", "32"});
    test::PumpUntil([] { return wxTaskBarIcon::IsAvailable(); }, 3000);
    test::Pump(700);

    // Tray icon off: minimizing leaves a minimized frame and no tray icon.
    GlobalSettings().trayIcon = false;
    frame->ApplyFrameSettings();
    frame->Iconize(true);
    test::Pump(500);
    EXPECT_TRUE(frame->IsIconized());
    EXPECT_FALSE(frame->tray()->shown());
    frame->Iconize(false);
    test::Pump(500);

    // Tray icon on: minimizing hides the frame, a click on the tray icon brings it back.
    Menu(id::Window); // the capture mode the tray menu ticks
    GlobalSettings().trayIcon = true;
    frame->ApplyFrameSettings();
    test::Pump(800);
    EXPECT_TRUE(frame->tray()->shown());
    EXPECT_TRUE(frame->tray()->IsIconInstalled());
    frame->Iconize(true);
    test::Pump(800);
    EXPECT_FALSE(frame->IsShown());

    // The tray icon is a small visible window of the program's class inside the tray.
    std::string list;
    int wid = 0, x = 0, y = 0, w = 0, h = 0;
    bool found = false;
    for (int attempt = 0; attempt < 15 && !found; ++attempt) {
        test::RunCommand("for w in $(xdotool search --onlyvisible --class Tessaray); do "
                         "xdotool getwindowgeometry --shell $w | tr '\\n' ' '; echo; done",
                         &list);
        std::istringstream lines(list);
        std::string line;
        while (std::getline(lines, line)) {
            if (sscanf(line.c_str(), "WINDOW=%d X=%d Y=%d WIDTH=%d HEIGHT=%d", &wid, &x, &y, &w,
                       &h) == 5 &&
                w <= 64 && h <= 64) {
                found = true;
                break;
            }
        }
        if (!found)
            test::Pump(200);
    }
    if (found) {
        // A right click opens the tray menu with the main menu's enablers: while idle "&Stop
        // Recording" is greyed, and the capture mode is ticked.
        std::map<int, std::pair<bool, bool>> state; // enabled, ticked
        wxTimer probe;
        probe.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
            wxMenu* menu = frame->tray()->menuShown();
            if (!menu)
                return;
            for (int cmd : {id::StopRecording, id::Screen, id::Window, id::RecordVideo}) {
                wxMenuItem* item = menu->FindItem(cmd);
                state[cmd] = {item->IsEnabled(), item->IsCheckable() && item->IsChecked()};
            }
            probe.Stop();
            test::RunCommand("xdotool key Escape");
        });
        probe.Start(100);
        test::RunCommand("xdotool mousemove " + std::to_string(x + w / 2) + " " +
                         std::to_string(y + h / 2) + " click 3");
        EXPECT_TRUE(test::PumpUntil([&] { return !state.empty(); }, 5000));
        probe.Stop();
        EXPECT_FALSE(state[id::StopRecording].first);
        EXPECT_TRUE(state[id::RecordVideo].first);
        EXPECT_TRUE(state[id::Window].second);
        EXPECT_FALSE(state[id::Screen].second);
        test::Pump(300);

        test::RunCommand("xdotool mousemove " + std::to_string(x + w / 2) + " " +
                         std::to_string(y + h / 2) + " click 1");
        // The click reaches the tray icon through the X server and the toolkit: a slow
        // (sanitizer) build may take a few seconds.
        EXPECT_TRUE(test::PumpUntil([&] { return frame->IsShown(); }, 5000));
        // ... and stays shown: the window manager's answers to the showing must not
        // minimize it into the tray again.
        test::Pump(1000);
        EXPECT_TRUE(frame->IsShown());
        EXPECT_FALSE(frame->IsIconized());
    } else {
        ADD_FAILURE() << "no tray icon window found: " << list;
    }
    frame->tray()->Remove();
    EXPECT_FALSE(frame->tray()->shown());
    Stop(trayer);
    Stop(wm);
    test::Pump(300);
}

} // namespace
} // namespace tess
