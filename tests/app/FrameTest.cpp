// The main frame and its client window on a real X server: menus, keys, icons, bars, hot
// keys, closing, and the tray under a window manager.
#include "app/AppTestSupport.h"
#include "app/ControlBar.h"
#include "app/Menus.h"
#include "app/TrayWin.h"
#include "capture/FileDisplay.h"
#include "platform/FileIo.h"
#include "platform/gtk/Desktop.h"
#include "platform/x11/HotKeys.h"
#include "resources/Ids.h"
#include "resources/ui/Art.h"
#include "settings/Settings.h"

#include <map>
#include <wx/choice.h>
#include <wx/menu.h>
#include <wx/slider.h>
#include <wx/statusbr.h>
#include <wx/timer.h>
#include <wx/uiaction.h>

namespace tess {
namespace {

class Frame : public test::FrameFixture {
protected:
    void SetUp() override {
        FrameFixture::SetUp();
        if (IsSkipped())
            return;
        MakeFrame();
        frame->SetSize(100, 100, 700, 400);
        frame->SetUp();
        client->changeEffects = [this] { ++effectSheets; };
        client->recordWizard = [this] { ++wizards; };
        test::Pump(50);
    }
    static void Items(wxMenu* m, std::vector<wxMenuItem*>& out) {
        for (wxMenuItem* item : m->GetMenuItems()) {
            if (item->IsSubMenu())
                Items(item->GetSubMenu(), out);
            else if (!item->IsSeparator())
                out.push_back(item);
        }
    }
    // Pictures written to the capture directory.
    size_t Pictures() const {
        size_t n = 0;
        for (const auto& e : std::filesystem::directory_iterator(captures))
            n += e.path().extension() != ".wmv" && e.path().extension() != ".wma";
        return n;
    }
    void StopAnyRecording() {
        if (State() == CaptureState::Recording)
            client->RunCommand(id::Stop);
    }
    int effectSheets = 0, wizards = 0;
};

TEST_F(Frame, EveryMenuItemReachesItsHandlerAndEnabler) {
    wxMenuBar* bar = frame->GetMenuBar();
    std::vector<wxMenuItem*> items;
    for (size_t i = 0; i < bar->GetMenuCount(); ++i)
        Items(bar->GetMenu(i), items);
    // Key texts that name no key the toolkit knows are shown as they stand.
    const std::pair<int, const char*> keyTexts[] = {{id::SkipForward, "Right-cursor"},
                                                    {id::SkipBackward, "Left-cursor"},
                                                    {id::VolumeUp, "Alt+Up-cursor"},
                                                    {id::VolumeDown, "Alt+Down-cursor"}};
    std::unique_ptr<wxMenu> popup(BuildPopupMenu());
    for (auto [cmd, text] : keyTexts) {
        EXPECT_EQ(gtk::MenuKeyText(bar->FindItem(cmd)->GetMenuItem()), text) << cmd;
        EXPECT_EQ(gtk::MenuKeyText(popup->FindItem(cmd)->GetMenuItem()), text) << cmd;
    }

    const auto& ids = ClientCommandIds();
    for (wxMenuItem* item : items) {
        int cmd = item->GetId();
        if (cmd == id::Exit || cmd == id::NewInstance || cmd == id::OpenSettingsFile ||
            cmd == id::SaveSettingsAs || cmd == id::About || cmd == id::Preferences ||
            cmd == id::FileOpen || cmd == id::PrinterSetup)
            continue; // closes the frame, starts a process, opens a dialog: tested elsewhere
        if (std::find(ids.begin(), ids.end(), cmd) != ids.end()) {
            EXPECT_TRUE(Ui(cmd).GetSetEnabled()) << cmd;
        }
        EXPECT_TRUE(Menu(cmd)) << "no handler for " << cmd;
        StopAnyRecording();
    }
    // The menu's own order: "Monitor" comes before "Snapshot", which then takes the monitor,
    // here the whole screen.
    EXPECT_EQ(rectChoices, 3);   // "Snapshot Region", "Copy Text from Region...", "Record Region"
    EXPECT_EQ(windowChoices, 2); // "Snapshot Window", "Record Window"
    EXPECT_EQ(Pictures(), 2u);   // "Snapshot", "Snapshot Screen"
    EXPECT_EQ(effectSheets, 1);
    EXPECT_EQ(wizards, 1);

    // "&Restore window" is the tray menu's bold default item.
    std::unique_ptr<wxMenu> trayMenu(BuildTrayMenu());
    EXPECT_EQ(trayMenu->FindItemByPosition(0)->GetId(), id::TrayRestore);
    EXPECT_TRUE(MakeDefaultItem(trayMenu->FindItemByPosition(0)));
}

// Every key text of the menu bar, the pop-up menu and the tray menu names a key of the
// accelerator table that runs that item ("Right-cursor" is the Right key).
TEST_F(Frame, EveryKeyTextOfEveryMenuNamesTheKeyThatRunsItsItem) {
    std::map<std::pair<int, int>, int> table;
    for (const wxAcceleratorEntry& e : AcceleratorEntries())
        table[{e.GetFlags(), e.GetKeyCode()}] = e.GetCommand();
    std::unique_ptr<wxMenuBar> bar(BuildMainMenu());
    std::unique_ptr<wxMenu> popup(BuildPopupMenu()), trayMenu(BuildTrayMenu());
    std::vector<wxMenuItem*> items;
    for (size_t i = 0; i < bar->GetMenuCount(); ++i)
        Items(bar->GetMenu(i), items);
    Items(popup.get(), items);
    Items(trayMenu.get(), items);
    int keyTexts = 0;
    for (wxMenuItem* item : items) {
        // Texts the toolkit cannot read ("Right-cursor") are shown beside the label.
        wxString key = item->GetItemLabel().AfterFirst('\t');
        if (key.empty())
            key = wxString::FromUTF8(gtk::MenuKeyText(item->GetMenuItem()));
        if (key.empty())
            continue;
        ++keyTexts;
        key.Replace("-cursor", "");
        if (key.length() == 1) {
            // A plain letter: read by the video area and the playback bar only.
            int run = 0;
            EXPECT_TRUE(FileDisplay::RunMarkKey(key[0], [&](int c) { run = c; }));
            EXPECT_EQ(run, item->GetId()) << key;
            continue;
        }
        std::unique_ptr<wxAcceleratorEntry> e(wxAcceleratorEntry::Create("\t" + key));
        ASSERT_TRUE(e) << key;
        auto it = table.find({e->GetFlags(), e->GetKeyCode()});
        EXPECT_TRUE(it != table.end() && it->second == item->GetId())
            << item->GetItemLabel() << " of " << item->GetId();
    }
    EXPECT_EQ(keyTexts, 32);
}

TEST_F(Frame, ModeCommandsSetTheModeThatSnapshotAndRecordFollow) {
    struct Case {
        int command;
        CaptureMode mode;
    };
    // "Monitor" on a screen of one monitor takes the screen.
    const Case cases[] = {{id::Window, CaptureMode::Window},
                          {id::Rectangle, CaptureMode::Region},
                          {id::Monitor, CaptureMode::Monitor},
                          {id::Screen, CaptureMode::Screen}};
    GlobalSettings().displayOpenAuto = false;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        Menu(c.command);
        EXPECT_EQ(client->captureMode(), c.mode);
        EXPECT_EQ(GlobalSettings().capSelect, static_cast<int>(c.mode));
        EXPECT_EQ(client->controls().captureMode->GetSelection(), static_cast<int>(c.mode));
        for (const Case& other : cases)
            EXPECT_EQ(Ui(other.command).GetChecked(), other.mode == c.mode) << other.command;
        const int windows = windowChoices, rects = rectChoices;
        const size_t pictures = Pictures();
        Menu(id::Snapshot);
        Menu(id::RecordVideo);
        EXPECT_EQ(windowChoices - windows, c.mode == CaptureMode::Window ? 2 : 0);
        EXPECT_EQ(rectChoices - rects, c.mode == CaptureMode::Region ? 2 : 0);
        const bool whole = c.mode == CaptureMode::Screen || c.mode == CaptureMode::Monitor;
        EXPECT_EQ(Pictures() - pictures, whole ? 1u : 0u);
        EXPECT_EQ(State(), whole ? CaptureState::Recording : CaptureState::Idle);
        StopAnyRecording();
    }

    // A settings file opened later sets the mode: the box shows it, the timer keeps it, the
    // menu ticks it.
    Menu(id::Monitor);
    const std::string file = dir.str() + "/monitor-mode.ini";
    SaveSettings(file);
    Menu(id::Rectangle);
    LoadSettings(file);
    EXPECT_TRUE(
        test::PumpUntil([&] { return client->controls().captureMode->GetSelection() == 3; }, 2000));
    test::Pump(250); // a tick that reads the box
    EXPECT_EQ(client->captureMode(), CaptureMode::Monitor);
    EXPECT_TRUE(Ui(id::Monitor).GetChecked());
}

TEST_F(Frame, TheAcceleratorTableHoldsTheDocumentedKeysAndFiresOnKeyPresses) {
    struct Key {
        int flags, key, command;
    };
    const int N = wxACCEL_NORMAL, C = wxACCEL_CTRL, A = wxACCEL_ALT, S = wxACCEL_SHIFT;
    // clang-format off
    const Key documented[] = {
        {C, 'P', id::FilePrint}, {C, 'C', id::FileCopy}, {C, 'E', id::FileEdit}, {A, 'P', id::Play},
        {A, 'S', id::Stop},
        {A, 'R', id::RecordVideo},
        {N, WXK_RIGHT, id::SkipForward}, {C, WXK_RIGHT, id::SkipForward}, {S, WXK_RIGHT, id::SkipForward},
        {N, WXK_LEFT, id::SkipBackward}, {C, WXK_LEFT, id::SkipBackward}, {S, WXK_LEFT, id::SkipBackward},
        {N, WXK_HOME, id::Cam}, {C, WXK_HOME, id::Mute}, {C | S, 'P', id::MixerPlay},
        {C | S, 'R', id::MixerRecord}, {C, 'V', id::MixerVolume}, {A, WXK_UP, id::VolumeUp},
        {A, WXK_DOWN, id::VolumeDown}, {N, WXK_PAGEUP, id::PageUp}, {N, WXK_PAGEDOWN, id::PageDown},
        {N, WXK_SPACE, id::TogglePlay}, {A, WXK_RETURN, id::FullScreen},
        {N, WXK_PAUSE, id::PauseRecording}, {A, WXK_F4, id::Exit}};
    // clang-format on
    std::map<std::pair<int, int>, int> table;
    for (const wxAcceleratorEntry& e : AcceleratorEntries())
        EXPECT_TRUE(table.emplace(std::pair(e.GetFlags(), e.GetKeyCode()), e.GetCommand()).second)
            << "key " << e.GetKeyCode() << " bound twice";
    for (const Key& k : documented) {
        auto it = table.find({k.flags, k.key});
        ASSERT_NE(it, table.end()) << "key " << k.key << " flags " << k.flags;
        EXPECT_EQ(it->second, k.command) << "key " << k.key << " flags " << k.flags;
        table.erase(it);
    }
    EXPECT_TRUE(table.empty()) << "an undocumented key";

    // The frame carries the table: real key presses reach the commands.
    frame->Raise();
    client->SetFocus();
    wxUIActionSimulator sim;
    sim.MouseMove(client->ClientToScreen(wxPoint(50, 50)));
    test::Pump(100);
    Settings& s = GlobalSettings();
    auto press = [&](int key, int mods, auto done) {
        sim.Char(key, mods);
        EXPECT_TRUE(test::PumpUntil(done, 2000)) << "key " << key;
    };
    const bool muted = s.mute;
    press(WXK_HOME, wxMOD_CONTROL, [&] { return s.mute != muted; });
    s.soundLevel = 50;
    press(WXK_UP, wxMOD_ALT, [&] { return s.soundLevel == 60; });
    press(WXK_DOWN, wxMOD_ALT, [&] { return s.soundLevel == 50; });
    const bool full = client->fullScreen();
    press(WXK_RETURN, wxMOD_ALT, [&] { return client->fullScreen() != full; });
    Menu(id::Rectangle);
    press('R', wxMOD_ALT, [&] { return rectChoices == 1; });
}

TEST_F(Frame, RecordingStateGreysAndTicksAndNotifiesTheFrame) {
    GlobalSettings().displayOpenAuto = false;
    EXPECT_FALSE(Ui(id::StopRecording).GetEnabled());
    EXPECT_TRUE(Ui(id::RecordVideo).GetEnabled());
    EXPECT_FALSE(Ui(id::Play).GetEnabled());
    EXPECT_FALSE(Ui(id::FilePrint).GetEnabled());
    // Hot key 1 starts a recording and stops it again.
    PostMessage(client, msg::HotKeyVideo);
    ASSERT_TRUE(test::PumpUntil([&] { return State() == CaptureState::Recording; }, 3000));
    EXPECT_TRUE(Ui(id::StopRecording).GetEnabled());
    EXPECT_FALSE(Ui(id::RecordVideo).GetEnabled());
    EXPECT_FALSE(Ui(id::Snapshot).GetEnabled());
    EXPECT_TRUE(Ui(id::FileClose).GetEnabled());
    EXPECT_TRUE(test::PumpUntil([&] { return frame->largeIconId() == id::IconRecordingLarge; }));
    EXPECT_EQ(frame->smallIconId(), id::IconRecordingSmall);
    EXPECT_EQ(frame->tray()->iconId(), id::IconRecordingSmall);
    EXPECT_TRUE(frame->toolBar().bar->GetToolState(id::RecordVideo)); // pressed look
    // "P&ause Recording" ticks and presses its button, and the title and the tray tip say
    // "Paused" until it is chosen again.
    EXPECT_FALSE(Ui(id::PauseRecording).GetChecked());
    Menu(id::PauseRecording);
    EXPECT_TRUE(Ui(id::PauseRecording).GetChecked());
    EXPECT_TRUE(frame->GetTitle().Contains("(Paused)")) << frame->GetTitle();
    EXPECT_TRUE(test::PumpUntil([&] { return frame->tray()->tip() == "Tessaray (Paused)"; }));
    EXPECT_TRUE(
        test::PumpUntil([&] { return frame->toolBar().bar->GetToolState(id::PauseRecording); }));
    Menu(id::PauseRecording);
    EXPECT_FALSE(frame->GetTitle().Contains("Paused")) << frame->GetTitle();
    EXPECT_TRUE(test::PumpUntil([&] { return frame->tray()->tip() == "Tessaray"; }));
    // A greyed command reached by an accelerator does nothing.
    Menu(id::SnapshotScreen);
    EXPECT_EQ(Pictures(), 0u);
    PostMessage(client, msg::HotKeyVideo);
    ASSERT_TRUE(test::PumpUntil([&] { return State() == CaptureState::Idle; }, 3000));
    EXPECT_TRUE(test::PumpUntil([&] { return frame->largeIconId() == id::IconIdleLarge; }));
    EXPECT_EQ(frame->tray()->iconId(), id::IconIdleSmall);
    EXPECT_FALSE(frame->toolBar().bar->GetToolState(id::RecordVideo));
    EXPECT_FALSE(Ui(id::PauseRecording).GetEnabled());
    EXPECT_EQ(states, (std::vector<CaptureState>{CaptureState::Recording, CaptureState::Idle}));
    EXPECT_TRUE(desktop.messages.empty());
    // Message 1164 stops like "&Stop Recording"; the hot keys for pictures take a region.
    Menu(id::RecordScreen);
    PostMessage(client, msg::StopRecording);
    PostMessage(client, msg::HotKeySnapshot);
    PostMessage(client, msg::HotKeyRegion);
    EXPECT_TRUE(test::PumpUntil([&] { return State() == CaptureState::Idle && rectChoices == 1; }));
    Menu(id::Rectangle);
    PostMessage(client, msg::HotKeySnapshot);
    EXPECT_TRUE(test::PumpUntil([&] { return rectChoices == 2; }));
    // The window really carries the icons.
    EXPECT_TRUE(frame->GetIcons().GetIcon(wxSize(32, 32)).IsOk());
}

TEST_F(Frame, MenuCommandsChangeTheSettingsTheirEnablersShowAndClosingSavesThem) {
    Settings& s = GlobalSettings();
    Menu(id::FormatGif);
    EXPECT_EQ(s.imageFormat, 3);
    EXPECT_TRUE(Ui(id::FormatGif).GetChecked());
    EXPECT_FALSE(Ui(id::FormatPng).GetChecked());
    bool delay = s.captureDelay;
    Menu(id::DelaySnapshot);
    EXPECT_NE(s.captureDelay, delay);
    s.snapshotDelay = 7; // the item's text names the delay
    frame->UpdateWindowUI();
    EXPECT_EQ(frame->GetMenuBar()->FindItem(id::DelaySnapshot)->GetItemLabelText(),
              "Delay snapshot 7sec");
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
    // Closing saves them, even when the close is refused.
    client->canClose = [] { return false; };
    std::string store = dir.str() + "/config/Quorvanta/Tessaray.reg";
    std::filesystem::remove(store);
    EXPECT_FALSE(frame->Close());
    test::Pump(20);
    std::string text = ReadWholeFile(store).value_or("");
    EXPECT_NE(text.find("\"ImageFormat\"=\"3\""), std::string::npos);
    EXPECT_NE(text.find("\"WindowW\"=hex:"), std::string::npos); // the frame exists
    EXPECT_TRUE(frame->IsShown());
}

TEST(Art, EachDrawnPictureIsThereAndDistinct) {
    std::vector<std::string> seen;
    for (int b : {id::BmpPlay, id::BmpStop, id::BmpRecord, id::BmpSkipForward, id::BmpSkipBackward,
                  id::BmpMuted, id::BmpSpeaker, id::BmpCaption, id::BmpSnapshot, id::BmpTool1,
                  id::BmpTool2}) {
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

TEST_F(Frame, TheFrameStaysAsWideAsItsToolBarWhoseUnhandledButtonsAreGrey) {
    wxToolBar* bar = frame->toolBar().bar;
    const int wide = bar->GetBestSize().x;
    EXPECT_GT(wide, 400); // the first start's width, which would hide gadgets
    frame->SetSize(300, -1);
    EXPECT_TRUE(test::PumpUntil([&] { return frame->GetClientSize().x >= wide; }, 2000))
        << frame->GetClientSize().x << " < " << wide;
    client->display().LayoutFrame(false); // no file: the bars only, 300 wide but for the bar
    EXPECT_TRUE(test::PumpUntil([&] { return frame->GetClientSize().x >= wide; }, 2000))
        << frame->GetClientSize().x << " < " << wide;
    EXPECT_FALSE(bar->GetToolEnabled(id::ToolButton1));
    EXPECT_FALSE(bar->GetToolEnabled(id::ToolButton2));
    EXPECT_TRUE(bar->GetToolEnabled(id::Snapshot));
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
    // The native position slider has the height its theme needs to draw the thumb.
    ASSERT_NE(pb.position, nullptr);
    EXPECT_GE(pb.position->GetSize().y, pb.position->GetBestSize().y);
    EXPECT_EQ(client->controls().volumeSlider, pb.volume);
    EXPECT_EQ(client->controls().meter, frame->toolBar().meter);
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

TEST_F(Frame, RecentFilesAppearInTheFileMenuAndButtonsDropTheMnemonic) {
    wxMenu* file = frame->GetMenuBar()->GetMenu(0);
    size_t before = file->GetMenuItemCount();
    const std::string one = captures + "/one.bmp";
    ASSERT_TRUE(wxImage(8, 8).SaveFile(one, wxBITMAP_TYPE_BMP));
    frame->AddRecentFile(one);
    frame->AddRecentFile("/captures/R&D two.wmv");
    EXPECT_EQ(file->GetMenuItemCount(), before + 3); // a separator and two entries
    wxMenuItem* first = file->FindItem(wxID_FILE1);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->GetItemLabelText(), "1 /captures/R&D two.wmv");
    // "E&xit" stays last.
    EXPECT_EQ(file->FindItemByPosition(file->GetMenuItemCount() - 1)->GetId(), id::Exit);
    Menu(wxID_FILE1 + 1);
    ASSERT_NE(client->displayedFile(), nullptr);
    EXPECT_EQ(frame->GetTitle(), "one.bmp Tessaray");
    // Kept in the store for the next start.
    RecentFiles again;
    again.Load();
    EXPECT_EQ(again.entries().size(), 2u);

    // A button's face drops the mnemonic's "&" and remembers which letter it underlines.
    CoolButton button(frame, wxID_NEW, "&New");
    EXPECT_EQ(button.FaceText(), "New");
    EXPECT_EQ(button.state(), CoolButton::Normal);
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
    s.displayOpenAuto = false;
    auto key = [](const char* keys, auto done, int ms = 2000) {
        test::RunCommand(std::string("xdotool key ") + keys);
        return test::PumpUntil(done, ms);
    };
    EXPECT_TRUE(key("ctrl+shift+F9", [&] { return State() == CaptureState::Recording; }));
    EXPECT_TRUE(key("ctrl+shift+F9", [&] { return State() == CaptureState::Idle; }));
    EXPECT_EQ(Pictures(), 0u); // only the first id answers
    EXPECT_TRUE(key("F8", [&] { return rectChoices == 1; }));
    // With Num Lock held the keys still answer.
    key("Num_Lock", [] { return true; });
    EXPECT_TRUE(key("F8", [&] { return rectChoices == 2; }));
    key("Num_Lock", [] { return true; });
    // Other modifiers do not match.
    EXPECT_FALSE(key(
        "ctrl+F8", [&] { return rectChoices != 2; }, 400));
    // A value of 0 registers nothing and drops the earlier registration.
    s.key3 = 0;
    EXPECT_EQ(frame->RegisterHotKeys(), 1);
    EXPECT_FALSE(key(
        "F8", [&] { return rectChoices != 2; }, 400));
}

TEST_F(Frame, MinimizingHidesToATrayWhereThereIsOneAndAClickRestores) {
    if (!test::HaveProgram("openbox") || !test::HaveProgram("trayer") ||
        !test::HaveProgram("xdotool"))
        GTEST_SKIP() << "needs openbox, trayer and xdotool";
    pid_t wm = test::SpawnWindowManager(), trayer = 0;
    std::shared_ptr<void> stop(nullptr, [&](void*) { test::Stop(trayer), test::Stop(wm); });
    test::Pump(100);
    // Minimizes with `how`: true when the frame ends up minimized and still shown (not in a
    // tray), then gives it back.
    auto minimizedInPlace = [&](const std::function<void()>& how) {
        how();
        bool ok = test::PumpUntil([&] { return frame->IsIconized(); }, 5000);
        test::Pump(300);
        ok = ok && frame->IsShown();
        frame->Iconize(false);
        test::Pump(300);
        return ok;
    };
    // No tray yet: with the tray icon on, minimizing (and the start-minimized request) leaves
    // an ordinary minimized frame, which the window manager can give back.
    ASSERT_FALSE(wxTaskBarIcon::IsAvailable()) << "a tray is already running on this display";
    GlobalSettings().trayIcon = true;
    frame->ApplyFrameSettings();
    EXPECT_TRUE(minimizedInPlace([&] { frame->Iconize(true); }));
    EXPECT_TRUE(minimizedInPlace([&] { frame->HideToTray(); }));
    frame->tray()->Remove();
    trayer = test::Spawn("trayer",
                         {"--edge", "top", "--align", "right", "--widthtype", "pixel", "--width",
                          "100", "--height", "32"},
                         true);
    test::PumpUntil([] { return wxTaskBarIcon::IsAvailable(); }, 3000);
    test::Pump(700);
    // Tray icon off: minimizing leaves a minimized frame and no tray icon.
    GlobalSettings().trayIcon = false;
    frame->ApplyFrameSettings();
    EXPECT_TRUE(minimizedInPlace([&] { frame->Iconize(true); }));
    EXPECT_FALSE(frame->tray()->shown());
    // Tray icon on: minimizing hides the frame, a click on the tray icon brings it back.
    Menu(id::Window); // the capture mode the tray menu ticks
    GlobalSettings().trayIcon = true;
    frame->ApplyFrameSettings();
    EXPECT_TRUE(test::PumpUntil([&] { return frame->tray()->IsIconInstalled(); }, 2000));
    EXPECT_TRUE(frame->tray()->shown());
    test::Pump(500);
    frame->Iconize(true);
    EXPECT_TRUE(test::PumpUntil([&] { return !frame->IsShown(); }, 2000));
    // The tray icon is a small visible window of the program's class inside the tray.
    std::string list, center;
    test::PumpUntil(
        [&] {
            test::RunCommand("for w in $(xdotool search --onlyvisible --class Tessaray); do "
                             "xdotool getwindowgeometry --shell $w | tr '\\n' ' '; echo; done",
                             &list);
            std::istringstream lines(list);
            int wid = 0, x = 0, y = 0, w = 0, h = 0;
            for (std::string line; std::getline(lines, line);)
                if (sscanf(line.c_str(), "WINDOW=%d X=%d Y=%d WIDTH=%d HEIGHT=%d", &wid, &x, &y, &w,
                           &h) == 5 &&
                    w <= 64 && h <= 64)
                    center = std::to_string(x + w / 2) + " " + std::to_string(y + h / 2);
            return !center.empty();
        },
        3000);
    ASSERT_FALSE(center.empty()) << "no tray icon window found: " << list;
    // A right click opens the tray menu with the main menu's enablers: while idle "&Stop
    // Recording" is greyed, and the capture mode is ticked; with no last region stored
    // "Snapshot Last Region" is greyed too.
    GlobalSettings().lastRegion.clear();
    std::map<int, std::pair<bool, bool>> state; // enabled, ticked
    wxTimer probe;
    probe.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
        if (wxMenu* menu = frame->tray()->menuShown()) {
            for (int cmd : {id::StopRecording, id::Screen, id::Window, id::RecordVideo,
                            id::SnapshotLastRegion}) {
                wxMenuItem* item = menu->FindItem(cmd);
                state[cmd] = {item->IsEnabled(), item->IsCheckable() && item->IsChecked()};
            }
            probe.Stop();
            test::RunCommand("xdotool key Escape");
        }
    });
    probe.Start(100);
    test::RunCommand("xdotool mousemove " + center + " click 3");
    EXPECT_TRUE(test::PumpUntil([&] { return !state.empty(); }, 5000));
    probe.Stop();
    EXPECT_FALSE(state[id::StopRecording].first);
    EXPECT_TRUE(state[id::RecordVideo].first);
    EXPECT_FALSE(state[id::SnapshotLastRegion].first);
    EXPECT_TRUE(state[id::Window].second);
    EXPECT_FALSE(state[id::Screen].second);
    test::Pump(300);
    // The click reaches the tray icon through the X server and the toolkit: a slow (sanitizer)
    // build may take a few seconds. The frame then stays shown: the window manager's answers
    // to the showing must not minimize it into the tray again.
    test::RunCommand("xdotool mousemove " + center + " click 1");
    EXPECT_TRUE(test::PumpUntil([&] { return frame->IsShown(); }, 5000));
    test::Pump(1000);
    EXPECT_TRUE(frame->IsShown());
    EXPECT_FALSE(frame->IsIconized());
    frame->tray()->Remove();
    EXPECT_FALSE(frame->tray()->shown());
}

} // namespace
} // namespace tess
