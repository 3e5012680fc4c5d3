// The "Options" sheet with the main frame on a real X server.
#include "app/OptionsSheet.h"
#include "app/AppTestSupport.h"
#include "app/SDIDecFrame.h"
#include "app/SettingsIO.h"
#include "platform/gtk/ComboRows.h"
#include "platform/portal/Shortcuts.h"
#include "platform/x11/HotKeys.h"
#include "schedule/ui/SchedDialog.h"
#include "settings/Paths.h"
#include "settings/Settings.h"
#include "support/FakeDesktop.h"
#include "support/Languages.h"
#include "support/LayoutCheck.h"

#include <filesystem>
#include <fstream>
#include <wx/bookctrl.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/combobox.h>
#include <wx/frame.h>
#include <wx/radiobut.h>
#include <wx/slider.h>
#include <wx/spinctrl.h>
#include <wx/stattext.h>
#include <wx/statusbr.h>
#include <wx/timer.h>

namespace tess {
namespace {

using std::filesystem::exists;

template <class T> T* Find(wxWindow* page, int id) {
    return dynamic_cast<T*>(page->FindWindow(id));
}

class OptionsSheet : public test::XdgTest {
protected:
    void SetUp() override {
        if (!test::HaveDisplay() || !wxTheApp)
            GTEST_SKIP() << "no X display";
        XdgTest::SetUp();
        saved_ = GlobalSettings();
        savedSchedule_ = LiveSchedule();
        savedEnable_ = TimerEnable();
        LoadSettings();
        // The video hot key in window mode asks for a window (and is answered "cancelled").
        GlobalSettings().capSelect = CapSelectOf(CaptureMode::Window);
        ClientHooks hooks;
        hooks.selectWindow = [this](WindowId*) {
            ++windowChoices;
            return false;
        };
        frame = new SDIDecFrame(desktop, false, std::move(hooks));
        frame->SetSize(50, 50, 600, 300);
        frame->Show();
        frame->SetUp();
        test::Pump(100);
    }
    void TearDown() override {
        sheet.reset();
        if (frame) {
            delete frame;
            test::Pump(50);
        }
        GlobalSettings() = saved_;
        LiveSchedule() = savedSchedule_;
        TimerEnable() = savedEnable_;
        XdgTest::TearDown();
    }
    void Open() {
        ctx = frame->OptionsContext();
        // No real sound devices: the lists are the test's.
        ctx.soundDevices = {
            [] {
                return std::vector<std::string>{"Built-in Audio", "USB Mic"};
            },
            [] {
                return std::vector<std::string>{"default", "Speakers"};
            },
            [](const std::string& device) {
                return device == "USB Mic" ? std::vector<std::string>{}
                                           : std::vector<std::string>{"Mic", "Line"};
            },
            [] {
                return std::vector<DesktopSourceEntry>{{"desk.monitor", "Monitor of Desktop"},
                                                       {"hdmi.monitor", "Monitor of HDMI"}};
            }};
        sheet = MakeOptionsSheet(frame, ctx);
        sheet->Show();
        test::Pump(50);
    }
    template <class T> T* Page(size_t index) {
        sheet->SelectPage(index);
        return dynamic_cast<T*>(sheet->page(index));
    }
    void Ok() {
        ASSERT_TRUE(sheet->ApplyPages());
        frame->OptionsClosed(*sheet, true, true);
        sheet.reset();
    }
    // Every page of `s` (or only `page`) shown in turn is laid out cleanly.
    static void ExpectLaidOut(TPrefSheet& s, int page = -1) {
        for (size_t i = page < 0 ? 0 : page; i < (page < 0 ? s.pageCount() : page + 1u); ++i) {
            s.SelectPage(i);
            test::Pump(30);
            for (const std::string& p : test::LayoutProblems(&s))
                ADD_FAILURE() << s.GetTitle() << " " << s.GetBookCtrl()->GetPageText(i) << ": "
                              << p;
        }
    }

    test::FakeDesktop desktop;
    SDIDecFrame* frame = nullptr;
    int windowChoices = 0;
    PrefContext ctx;
    std::unique_ptr<TPrefSheet> sheet;

private:
    Settings saved_;
    EventList savedSchedule_;
    bool savedEnable_ = false;
};

TEST_F(OptionsSheet, PagesInOrderSetUpWhenFirstShownAndLaidOutCleanly) {
    Open();
    const char* titles[] = {"General",      "Display", "Capture", "WMV",   "Image",  "File",
                            "Sound device", "Caption", "HotKey",  "Timer", "Effects"};
    ASSERT_EQ(sheet->pageCount(), 11u);
    for (size_t i = 0; i < 11; ++i)
        EXPECT_EQ(sheet->GetBookCtrl()->GetPageText(i), titles[i]);
    EXPECT_EQ(sheet->GetBookCtrl()->GetSelection(), 0);
    EXPECT_TRUE(sheet->page(0)->isSetUp());
    EXPECT_FALSE(sheet->page(3)->isSetUp());
    // Every control of a help-id table is on its page; labels point at the control they name.
    for (size_t i = 0; i < 11; ++i) {
        EXPECT_FALSE(sheet->page(i)->HelpIdTable().empty()) << titles[i];
        for (const HelpIdEntry& e : sheet->page(i)->HelpIdTable())
            for (int id : {e.controlId, e.helpId})
                EXPECT_TRUE(!id || sheet->page(i)->FindWindow(id)) << titles[i] << " " << id;
    }
    EXPECT_TRUE(sheet->FindWindow(wxID_HELP));
    EXPECT_FALSE(sheet->FindWindow(wxID_APPLY));
    // A page never shown applies nothing, even when its controls were changed.
    GlobalSettings().wmFrameRate = 7;
    Find<wxTextCtrl>(sheet->page(3), pref_id::FrameRate)->ChangeValue("25");
    // The Sound page's "Turn it on" stores sound with video though the Capture page was not
    // shown.
    Page<TSetSound>(6)->TurnSoundOn();
    Ok();
    EXPECT_EQ(GlobalSettings().wmFrameRate, 7);
    EXPECT_TRUE(GlobalSettings().vidAudio);
    // Every page is laid out cleanly at the default size.
    Open();
    ExpectLaidOut(*sheet);
}

TEST_F(OptionsSheet, EachPageShowsAndStoresItsSettings) {
    Settings& s = GlobalSettings();
    s.trayIcon = true;
    s.vidSystemDisplay = true;
    s.language = "xx"; // no catalog of that name
    s.captureAction = 2;
    s.selColor = "ff";
    s.snapshotDelay = 12;
    s.wmBitRate = 300000;
    s.imageFormat = 3;
    s.imageQ = 70;
    s.copyToClipboard = false;
    s.fileKeep = 5;
    s.waveInDriver = "USB";
    s.mixerInput = "Line";
    s.soundSource = 1;
    s.desktopSource = "usb.monitor"; // not there now
    s.soundQuality = 64;
    s.capString = "Cap %H";
    s.capBackMode = 3;
    s.capAlign = 2;
    s.capVert = 40;
    s.key1 = 888;
    s.scaleEnable = true;
    s.scale = 60;
    Open();

    auto* general = Page<TSetApp>(0);
    EXPECT_EQ(general->ReadForm(), SetUpGeneral(s));
    EXPECT_TRUE(Find<wxCheckBox>(general, pref_id::TrayIcon)->GetValue());
    Find<wxCheckBox>(general, pref_id::OnTop)->SetValue(true);
    EXPECT_TRUE(Find<wxCheckBox>(Page<TSetDisplay>(1), pref_id::VidSystemDisplay)->GetValue());
    EXPECT_TRUE(Find<wxCheckBox>(Page<TSetDisplay>(1), pref_id::Notify)->GetValue());
    Find<wxCheckBox>(Page<TSetDisplay>(1), pref_id::Notify)->SetValue(false);
    // The Language list: the desktop's first, then the catalogs; an unknown code is kept.
    auto* language = Find<wxChoice>(Page<TSetDisplay>(1), pref_id::Language);
    EXPECT_EQ(language->GetString(0), "System default");
    EXPECT_EQ(language->GetStringSelection(), "xx");
    EXPECT_EQ(Page<TSetDisplay>(1)->ReadForm().language, "xx");
    language->SetSelection(0);
    EXPECT_EQ(Page<TSetDisplay>(1)->ReadForm().language, "");
    language->SetStringSelection(wxString::FromUTF8("Português (Brasil)"));
    auto* capture = Page<TSetCapture>(2);
    EXPECT_TRUE(Find<wxRadioButton>(capture, pref_id::ActionMinimize)->GetValue());
    EXPECT_EQ(capture->swatch()->colour(), 0xffu);
    Find<wxRadioButton>(capture, pref_id::ActionNone)->SetValue(true);
    EXPECT_EQ(Find<wxSpinCtrl>(capture, pref_id::DelaySeconds)->GetValue(), 12);
    Find<wxSpinCtrl>(capture, pref_id::DelaySeconds)->SetValue(45);
    auto* wm = Page<TSetWM>(3);
    EXPECT_EQ(Find<wxTextCtrl>(wm, pref_id::BitRate)->GetValue(), "300");
    EXPECT_EQ(Find<wxTextCtrl>(wm, pref_id::FrameRate)->GetValue(), "5"); // a fresh store's
    Find<wxTextCtrl>(wm, pref_id::BitRate)->ChangeValue("512");
    auto* image = Page<TSetImage>(4);
    EXPECT_TRUE(Find<wxRadioButton>(image, pref_id::Gif)->GetValue());
    EXPECT_EQ(image->slider()->GetValue(), 70);
    EXPECT_EQ(image->qualityText()->GetLabel(), "70%");
    EXPECT_FALSE(image->copyToClipboard()->GetValue());
    image->copyToClipboard()->SetValue(true);
    auto* file = Page<TSetFile>(5);
    EXPECT_EQ(file->keepBox()->GetValue(), "5");
    EXPECT_FALSE(file->keepBox()->IsShown());
    EXPECT_EQ(file->pathText()->GetLabel().utf8_string(), s.defaultDirectory);
    auto* sound = Page<TSetSound>(6);
    EXPECT_EQ(sound->inputBox()->GetValue(), "USB Mic"); // first entry beginning with "USB"
    EXPECT_EQ(sound->outputBox()->GetValue(), "<default>");
    // USB Mic has no mixer lines: the stored line stays beside "<not connected>".
    EXPECT_EQ(sound->mixerLineBox()->GetCount(), 2u);
    EXPECT_EQ(sound->mixerLineBox()->GetValue(), "Line");
    // Desktop sound alone: the microphone's controls and the balance are greyed.
    EXPECT_EQ(sound->recordBox()->GetValue(), "Desktop sound");
    EXPECT_EQ(sound->desktopBox()->GetValue(), "usb.monitor");
    EXPECT_EQ(sound->desktopBox()->GetString(0), "Default output");
    EXPECT_EQ(sound->qualityBox()->GetValue(), "64 kbit/s");
    EXPECT_FALSE(sound->inputBox()->IsEnabled());
    EXPECT_FALSE(sound->balanceSlider()->IsEnabled());
    EXPECT_TRUE(sound->desktopBox()->IsEnabled());
    // "Voice (8 kHz)" is greyed for the desktop's sound, where 128 kbit/s stands in for it
    // until the microphone alone is back.
    auto record = [&](int choice) {
        sound->recordBox()->SetSelection(choice);
        sound->EnableForRecord();
        return sound->qualityBox()->GetValue().utf8_string() +
               (gtk::ComboRowEnabled(sound->qualityBox()->GetHandle(), 0) ? "" : ", no voice");
    };
    EXPECT_EQ(record(0), "64 kbit/s");
    sound->qualityBox()->SetSelection(0);
    EXPECT_EQ(record(2), "128 kbit/s, no voice");
    EXPECT_EQ(record(0), "Voice (8 kHz)");
    EXPECT_EQ(record(2), "128 kbit/s, no voice");
    EXPECT_TRUE(sound->inputBox()->IsEnabled());
    EXPECT_TRUE(sound->balanceSlider()->IsEnabled());
    sound->desktopBox()->SetSelection(1);
    sound->balanceSlider()->SetValue(-40);
    // Sound is off: the page says so beside the choice; its button turns it on, as the
    // Capture page then shows, and unticked there the note is back.
    EXPECT_TRUE(sound->noSoundNote()->IsShown());
    ExpectLaidOut(*sheet, 6);
    sound->TurnSoundOn();
    EXPECT_FALSE(sound->turnSoundOnButton()->IsShown());
    ExpectLaidOut(*sheet, 6);
    auto* audio = Find<wxCheckBox>(Page<TSetCapture>(2), pref_id::VidAudio);
    EXPECT_TRUE(audio->GetValue());
    audio->SetValue(false);
    wxCommandEvent untick(wxEVT_CHECKBOX, pref_id::VidAudio);
    audio->ProcessWindowEvent(untick);
    EXPECT_TRUE(Page<TSetSound>(6)->noSoundNote()->IsShown());
    auto* caption = Page<TSetCaption>(7);
    EXPECT_EQ(caption->textField()->GetValue(), "Cap %H");
    EXPECT_TRUE(Find<wxRadioButton>(caption, pref_id::Border)->GetValue());
    EXPECT_TRUE(Find<wxRadioButton>(caption, pref_id::Right)->GetValue());
    EXPECT_EQ(caption->vertField()->GetValue(), "40");
    caption->vertField()->ChangeValue("150");
    auto* keys = Page<TSetKey>(8);
    EXPECT_EQ(keys->keyCtrl(0)->GetValue(), "Ctrl + Shift + F9");
    EXPECT_EQ(keys->keyCtrl(1)->hotKey(), 0);
    auto* fx = Page<TSetFx>(10);
    EXPECT_TRUE(Find<wxCheckBox>(fx, pref_id::ScaleEnable)->GetValue());
    EXPECT_EQ(fx->slider()->GetValue(), 60);
    EXPECT_EQ(fx->scaleText()->GetLabel(), "60%");
    Ok();

    EXPECT_TRUE(s.onTop);
    EXPECT_TRUE(frame->HasFlag(wxSTAY_ON_TOP)); // applied to the frame at once
    EXPECT_EQ(s.captureAction, 0);
    EXPECT_EQ(s.language, "pt_BR");
    EXPECT_EQ(s.snapshotDelay, 45);
    EXPECT_TRUE(s.copyToClipboard);
    EXPECT_FALSE(s.notify);
    EXPECT_EQ(s.wmBitRate, 512000);
    EXPECT_EQ(s.capVert, 100);
    EXPECT_EQ(s.waveInDriver + " " + s.mixerInput, "USB Mic Line");
    EXPECT_EQ(s.soundSource, 2);
    EXPECT_EQ(s.desktopSource, "desk.monitor");
    EXPECT_EQ(s.soundQuality, 128);
    EXPECT_EQ(s.soundBalance, -40);
    // OK writes the default store at once.
    s = Settings();
    LoadSettings();
    EXPECT_EQ(GlobalSettings().wmBitRate, 512000);
    EXPECT_TRUE(GlobalSettings().onTop);
}

// Longer German labels and Japanese script fit every page, and each page keeps its mnemonics
// apart in every language.
TEST_F(OptionsSheet, InEveryLanguageEachPageIsLaidOutCleanlyWithItsMnemonicsApart) {
    auto labels = [this] {
        std::vector<test::Labels> out(sheet->pageCount());
        for (size_t i = 0; i < sheet->pageCount(); ++i)
            test::ControlLabels(sheet->page(i), out[i]);
        return out;
    };
    Open();
    ExpectLaidOut(*sheet); // every page set up
    const std::vector<test::Labels> english = labels();
    sheet.reset();
    for (const std::string& lang : test::CatalogLanguages()) {
        SCOPED_TRACE(lang);
        test::LanguageScope scope("", lang);
        Open();
        ExpectLaidOut(*sheet);
        const std::vector<test::Labels> translated = labels();
        for (size_t i = 0; i < english.size(); ++i)
            test::ExpectMnemonicsKept(english[i], translated[i],
                                      lang + " " +
                                          sheet->GetBookCtrl()->GetPageText(i).utf8_string());
        sheet.reset();
    }
}

TEST_F(OptionsSheet, OkOverEveryPageLeavesACanonicalStoreAsItWas) {
    Settings& s = GlobalSettings();
    s.wmBitRate = 1500; // shows as "1"
    s.capVert = 55;
    s.key1 = 888;
    s.key3 = 0x0877;
    s.selColor = "ff00ff";
    s.mixerInput = "Line-In"; // not present now
    s.waveOutDriver = "Speakers";
    s.imageQ = 35;
    s.scale = 120;
    s.capFontSet = true;
    LogFont font;
    font.height = -16;
    font.weight = 700;
    font.setFace("DejaVu Sans");
    s.capFont = font.toBytes();
    LiveSchedule().AddEvent({"news", 62, 9, 0, 10, 0, 3, 2});
    LiveSchedule().AddEvent({"late", 65, 22, 30, 23, 0, -1, 3});
    SaveSettings();
    const std::string store = test::ReadText(RegistryStorePath());
    ASSERT_FALSE(store.empty());

    Open();
    for (size_t i = 0; i < sheet->pageCount(); ++i)
        sheet->SelectPage(i);
    Ok();
    EXPECT_TRUE(desktop.messages.empty());
    EXPECT_EQ(test::ReadText(RegistryStorePath()), store);
    EXPECT_EQ(LiveSchedule().Count(), 2);
}

TEST_F(OptionsSheet, CancelChangesNothingAndWritesOnlyTheProfileIni) {
    SaveSettings();
    const std::string store = test::ReadText(RegistryStorePath());
    const std::string profileIni = ProfileDirectory() + "tessaray.ini";
    const std::string expected = dir.str() + "/expected.ini";
    SaveSettings(expected);
    ASSERT_FALSE(exists(profileIni));
    const EventList schedule = LiveSchedule();

    // The real command: the sheet runs modally; a new event and a changed box, then Cancel.
    TSchedDialog::RunEventDialog() = [](TEventDialog& d) {
        d.nameField()->ChangeValue("added");
        return d.Commit() ? wxID_OK : wxID_CANCEL;
    };
    const bool xdotool = test::HaveProgram("xdotool");
    bool answered = false, escaped = xdotool;
    wxTimer fallback; // closes the sheet by force (and fails the test) when Escape did not
    std::function<void()> answer = [&] {
        TPrefSheet* modal = nullptr;
        for (wxWindow* w : wxTopLevelWindows)
            if (auto* sheet = dynamic_cast<TPrefSheet*>(w); sheet && sheet->IsModal())
                modal = sheet;
        if (!modal)
            return wxTheApp->CallAfter(answer);
        modal->SelectPage(9);
        dynamic_cast<TSchedDialog*>(modal->page(9))->NewEvent();
        modal->SelectPage(0);
        Find<wxCheckBox>(modal->page(0), pref_id::OnTop)->SetValue(true);
        answered = true;
        modal->Raise();
        test::Pump(100);
        if (xdotool) { // without a window manager the keyboard follows the pointer
            wxPoint at = modal->GetScreenPosition() + wxPoint(40, 40);
            test::RunCommand("xdotool mousemove " + std::to_string(at.x) + " " +
                             std::to_string(at.y));
            test::Pump(100);
            test::RunCommand("xdotool key Escape");
        }
        fallback.Bind(wxEVT_TIMER, [modal, &escaped](wxTimerEvent&) {
            if (modal->IsModal()) {
                escaped = false;
                modal->EndModal(wxID_CANCEL);
            }
        });
        fallback.StartOnce(3000);
    };
    wxTheApp->CallAfter(answer);
    frame->CmPreferences();
    TSchedDialog::RunEventDialog() = [](TEventDialog& d) { return d.ShowModal(); };
    ASSERT_TRUE(answered);
    EXPECT_TRUE(escaped || !xdotool) << "Escape did not close the sheet";
    EXPECT_FALSE(GlobalSettings().onTop);
    EXPECT_EQ(LiveSchedule(), schedule);
    EXPECT_EQ(test::ReadText(RegistryStorePath()), store); // the default store is untouched
    EXPECT_EQ(test::ReadText(profileIni), test::ReadText(expected));
}

TEST_F(OptionsSheet, ImageFormatClickReachesTheFilePageBeforeOk) {
    GlobalSettings().imageFormat = 0;
    GlobalSettings().fileSnapName = "Tess";
    GlobalSettings().fileInstanceMode = 0;
    Open();
    auto* file = Page<TSetFile>(5);
    EXPECT_EQ(file->snapExample()->GetLabel(), "Tess_1.png");
    EXPECT_EQ(file->vidExample()->GetLabel(), "Tess_1.wmv");
    auto* image = Page<TSetImage>(4);
    auto* jpg = Find<wxRadioButton>(image, pref_id::Jpg);
    jpg->SetValue(true);
    wxCommandEvent click(wxEVT_RADIOBUTTON, pref_id::Jpg);
    click.SetEventObject(jpg);
    jpg->GetEventHandler()->ProcessEvent(click);
    sheet->GetBookCtrl()->SetSelection(5); // as the user turns the page
    test::Pump(50);
    EXPECT_EQ(file->snapExample()->GetLabel(), "Tess_1.jpg");
    EXPECT_EQ(GlobalSettings().imageFormat, 0); // not before OK
    Ok();
    EXPECT_EQ(GlobalSettings().imageFormat, 4);
}

TEST_F(OptionsSheet, UnusableDirectoryIsReportedAndTheOldOneStays) {
    const std::string old = GlobalSettings().defaultDirectory;
    std::ofstream(dir.str() + "/plain") << "x";
    desktop.directoryAnswer = dir.str() + "/plain/sub";
    Open();
    auto* file = Page<TSetFile>(5);
    file->Browse();
    EXPECT_EQ(desktop.directoryStarts, std::vector<std::string>{old});
    EXPECT_EQ(file->pathText()->GetLabel().utf8_string(), dir.str() + "/plain/sub/");
    Ok();
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_NE(desktop.texts()[0].find(dir.str() + "/plain/sub/"), std::string::npos)
        << desktop.texts()[0];
    EXPECT_EQ(GlobalSettings().defaultDirectory, old);

    desktop.directoryAnswer = dir.str();
    Open();
    Page<TSetFile>(5)->Browse();
    Ok();
    EXPECT_EQ(GlobalSettings().defaultDirectory, dir.str() + "/");
}

TEST_F(OptionsSheet, CaptionPageSlidersAndEffectsSheet) {
    Open();
    auto* caption = Page<TSetCaption>(7);
    const int before = caption->preview()->updates();
    caption->textField()->SetValue("At %H");
    EXPECT_GT(caption->preview()->updates(), before);
    EXPECT_EQ(caption->preview()->text().size(), 5u); // "At " and the hour, expanded
    wxFont big(wxFontInfo(40).FaceName("DejaVu Sans").Bold());
    caption->TakeFont(big);
    EXPECT_NE(caption->fontText()->GetLabel().Find(" 20, Bold"), wxNOT_FOUND)
        << caption->fontText()->GetLabel();
    auto* fx = Page<TSetFx>(10);
    fx->slider()->SetValue(94);
    wxCommandEvent move(wxEVT_SLIDER, pref_id::Scale);
    move.SetEventObject(fx->slider());
    fx->slider()->GetEventHandler()->ProcessEvent(move);
    EXPECT_EQ(fx->slider()->GetValue(), 90);
    EXPECT_EQ(fx->scaleText()->GetLabel(), "90%");
    Ok();
    EXPECT_EQ(GlobalSettings().scale, 90);
    EXPECT_EQ(GlobalSettings().capString, "At %H");
    EXPECT_TRUE(GlobalSettings().capFontSet);
    EXPECT_EQ(LogFont::FromBytes(GlobalSettings().capFont).weight, 700);

    // The smaller sheet: Caption and Effects, applied without a save.
    const std::string profileIni = ProfileDirectory() + "tessaray.ini";
    std::remove(profileIni.c_str());
    ctx = frame->OptionsContext();
    sheet = MakeEffectsSheet(frame, ctx);
    ASSERT_EQ(sheet->pageCount(), 2u);
    sheet->Show();
    ExpectLaidOut(*sheet);
    auto* page = dynamic_cast<TSetCaption*>(sheet->page(0));
    Find<wxCheckBox>(page, pref_id::CapEnable)->SetValue(true);
    ASSERT_TRUE(sheet->ApplyPages());
    frame->OptionsClosed(*sheet, true, false);
    EXPECT_TRUE(GlobalSettings().capEnable);
    EXPECT_FALSE(exists(profileIni));
}

TEST_F(OptionsSheet, HotKeySetOnThePageAnswersARealKeyPress) {
    if (!test::HaveProgram("xdotool"))
        GTEST_SKIP() << "needs xdotool";
    Open();
    auto* keys = Page<TSetKey>(8);
    HotKeyCtrl* video = keys->keyCtrl(0);
    sheet->Raise();
    video->SetFocus();
    test::Pump(100);
    wxPoint at = video->GetScreenPosition();
    test::RunCommand("xdotool mousemove " + std::to_string(at.x + 5) + " " +
                     std::to_string(at.y + 5));
    test::RunCommand("xdotool key ctrl+shift+F9");
    EXPECT_TRUE(test::PumpUntil([&] { return video->hotKey() == 888; }, 2000));
    EXPECT_EQ(video->GetValue(), "Ctrl + Shift + F9");
    test::RunCommand("xdotool key BackSpace");
    EXPECT_TRUE(test::PumpUntil([&] { return video->hotKey() == 0; }, 2000));
    test::RunCommand("xdotool key ctrl+shift+F9");
    EXPECT_TRUE(test::PumpUntil([&] { return video->hotKey() == 888; }, 2000));
    Ok();
    EXPECT_TRUE(desktop.messages.empty());
    EXPECT_EQ(GlobalSettings().key1, 888);
    test::Pump(50);
    test::RunCommand("xdotool key ctrl+shift+F9");
    EXPECT_TRUE(test::PumpUntil([&] { return windowChoices == 1; }, 2000));
    test::Pump(50);
    EXPECT_EQ(windowChoices, 1);
}

TEST_F(OptionsSheet, CombinationHeldByAnotherClientOrGivenTwiceIsWarnedAbout) {
    auto other = X11HotKeys::Open(); // another X client
    ASSERT_TRUE(other);
    ASSERT_TRUE(other->Register(0, kModControl | kModAlt, 0x79)); // Ctrl+Alt+F10
    Open();
    auto* keys = Page<TSetKey>(8);
    keys->keyCtrl(1)->SetHotKey(0x0679);
    desktop.answers = {MessageAnswer::No}; // "No": back to the page
    EXPECT_FALSE(sheet->ApplyPages());
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_NE(desktop.texts()[0].find("Ctrl + Alt + F10"), std::string::npos) << desktop.texts()[0];
    EXPECT_NE(desktop.texts()[0].find("another program"), std::string::npos);
    EXPECT_EQ(desktop.messages[0].buttons, MessageButtons::YesNoDefaultNo);
    EXPECT_EQ(GlobalSettings().key2, 0);
    // Its own registration is no conflict; a combination given twice is.
    keys->keyCtrl(1)->SetHotKey(0);
    GlobalSettings().key1 = 888;
    frame->RegisterHotKeys();
    keys->keyCtrl(0)->SetHotKey(888);
    keys->keyCtrl(2)->SetHotKey(888);
    desktop.messages.clear();
    desktop.answers.clear(); // "Yes": stored as given
    Ok();
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_NE(desktop.texts()[0].find("already the hot key for video"), std::string::npos)
        << desktop.texts()[0];
    EXPECT_EQ(GlobalSettings().key3, 888);
}

// Wayland without a shortcut portal (no session bus): the status bar says so once, the page why.
TEST_F(OptionsSheet, WithoutGlobalHotKeysInTheSessionThePageAndStatusBarSaySo) {
    test::ScopedEnv type("XDG_SESSION_TYPE", "wayland"), display("WAYLAND_DISPLAY", "wayland-test"),
        bus("DBUS_SESSION_BUS_ADDRESS", nullptr);
    auto status = [&](int key2) {
        frame->SetStatusText("", 0);
        GlobalSettings().key2 = key2;
        frame->RegisterHotKeys();
        test::Pump(50);
        return frame->GetStatusBar()->GetStatusText(0).utf8_string();
    };
    GlobalSettings().key1 = GlobalSettings().key3 = 0;
    EXPECT_EQ(status(0), ""); // no key set: nothing to say
    EXPECT_EQ(status(0x0378), kNoGlobalHotKeysMessage);
    EXPECT_EQ(status(0x0378), ""); // said once

    Open();
    ExpectLaidOut(*sheet, 8);
    auto* note = Find<wxStaticText>(sheet->page(8), pref_id::KeyNote);
    ASSERT_TRUE(note);
    EXPECT_NE(note->GetLabel().utf8_string().find(kNoGlobalHotKeysMessage), std::string::npos);
}

TEST(LayoutCheck, FindsControlsOutsideAndOverlappingSiblings) {
    if (!test::HaveDisplay() || !wxTheApp)
        GTEST_SKIP() << "no X display";
    auto* frame = new wxFrame(nullptr, wxID_ANY, "layout", wxDefaultPosition, wxSize(300, 200));
    auto* panel = new wxPanel(frame, wxID_ANY, wxPoint(0, 0), wxSize(300, 200));
    new wxButton(panel, 1, "One", wxPoint(10, 10));
    new wxButton(panel, 2, "Two", wxPoint(60, 20));     // overlaps One
    new wxButton(panel, 3, "Three", wxPoint(250, 150)); // past the edge
    new wxCheckBox(panel, 4, "A long check box text", wxPoint(10, 100), wxSize(80, 24));
    frame->Show();
    test::Pump(30);
    const auto problems = test::LayoutProblems(frame);
    const std::string all = ::testing::PrintToString(problems);
    EXPECT_EQ(problems.size(), 3u) << all;
    for (const char* p : {"overlaps wxButton 2", "wxButton 3", "smaller than its text"})
        EXPECT_NE(all.find(p), std::string::npos) << all;
    frame->Destroy();
}

} // namespace
} // namespace tess
