// The about box, hot links, context help (help ids, pop-ups, Help buttons) and the help book.
#include "app/AboutDlg.h"
#include "app/AppTestSupport.h"
#include "app/HotLink.h"
#include "app/OptionsSheet.h"
#include "app/ProjectRCVersion.h"
#include "app/SDIDecFrame.h"
#include "resources/Ids.h"
#include "resources/PopupHelpIds.h"
#include "resources/ui/ContextHelp.h"
#include "resources/ui/HelpBook.h"
#include "schedule/ui/SchedDialog.h"
#include "settings/ui/PatternDialog.h"
#include "settings/ui/PrefPages.h"
#include "version.h"
#include "wizard/RecWizard.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/html/helpctrl.h>
#include <wx/html/helpdata.h>
#include <wx/html/helpwnd.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/timer.h>
#include <wx/uiaction.h>

namespace tess {
namespace {

namespace fs = std::filesystem;

const std::string kBook = std::string(TESS_SOURCE_DIR) + "/resources/help/";

// The File page's table as the preferences page keeps it.
constexpr HelpIdEntry kFilePageIds[] = {{1308, 1308}, {1301, 1308}, {1302, 1302}, {1315, 1315},
                                        {1314, 1315}, {1327, 1327}, {1323, 1323}, {1322, 1323},
                                        {1329, 1329}, {1330, 1330}, {1331, 1330}, {0, 0}};

// The label and copyright of the program's own version block are checked in the about box.
TEST(Version, QueriesUseTheTranslationKeyInLowerCaseHexAndLinksGetASchemeWhereTheyLackOne) {
    EXPECT_EQ(ProjectRCVersion::SubBlockPath(0x040904E4, "ProductName"),
              "\\StringFileInfo\\040904e4\\ProductName");
    ProjectRCVersion own;
    ASSERT_TRUE(own.valid());
    EXPECT_EQ(*own.translation(), 0x040904E4u);
    // A block stored under another key is not found; a missing value leaves the label.
    ProjectRCVersion other({{"\\StringFileInfo\\040704b0\\ProductName", "X"}}, 0x040904E4);
    EXPECT_FALSE(other.ProductName());
    ProjectRCVersion noVersion({{ProjectRCVersion::SubBlockPath(0x04070000, "ProductName"), "X"}},
                               0x04070000);
    EXPECT_EQ(noVersion.ProductName(), "X");
    EXPECT_EQ(AboutVersionLabel(noVersion, "Version "), "Version ");
    ProjectRCVersion none("libother.so");
    EXPECT_FALSE(none.valid());
    EXPECT_FALSE(none.ProductName());
    EXPECT_EQ(AboutVersionLabel(none, "Version "), "Version ");
    // Only an address without a scheme gets "http://" in front.
    for (std::string url : {"www.x.org", "www.x.org:8080/a", "httpx"})
        EXPECT_EQ(HotLinkUrl(url), "http://" + url);
    for (std::string url : {"https://x", "http://x", "HTTPS://X.ORG/", "mailto:a@x.org", ""})
        EXPECT_EQ(HotLinkUrl(url), url);
}

TEST(ContextHelpLookup, TableHitsZeroMeaningTheControlMissesAndThePopupFile) {
    std::vector<HelpIdEntry> file(std::begin(kFilePageIds), std::end(kFilePageIds));
    EXPECT_EQ(LookUpHelpId(&file, 1301), 1308); // a label shows its control's help
    EXPECT_EQ(LookUpHelpId(&file, 1308), 1308);
    EXPECT_EQ(LookUpHelpId(&file, 1331), 1330);
    EXPECT_EQ(LookUpHelpId(&file, 1303), std::nullopt); // not in the table: no pop-up
    EXPECT_EQ(LookUpHelpId(&file, 0), std::nullopt);    // the end mark is no entry

    std::vector<HelpIdEntry> zero{{42, 0}, {0, 0}, {43, 43}};
    EXPECT_EQ(LookUpHelpId(&zero, 42), 42);
    EXPECT_EQ(LookUpHelpId(&zero, 43), std::nullopt); // after the end mark
    EXPECT_EQ(LookUpHelpId(nullptr, 4201), 4201);     // no table: the control's own id
    // The pop-up file: topics, paragraphs, remarks and duplicates.
    PopupTexts t = PopupTexts::Parse(".topic 5\r\nfirst line\nsecond line\n\n\nnext paragraph\n\n"
                                     ".topic 6\n; a remark\ntext of six\n.topic x\nlost\n"
                                     ".topic 5\nagain\n");
    EXPECT_EQ(t.Text(6), "text of six");
    EXPECT_EQ(t.Text(5), "again");
    EXPECT_EQ(t.duplicates(), std::vector<int>{5});
    EXPECT_EQ(t.all().size(), 2u);
    EXPECT_EQ(PopupTexts::Parse(".topic 5\nfirst line\nsecond line\n\nnext\n").Text(5),
              "first line second line\n\nnext");
    EXPECT_FALSE(PopupTexts::Load("/nonexistent/CSTessaray.txt").Text(5));
}

// The [OPTIONS] values ("key=value") and the [FILES] lines of the help project.
std::map<std::string, std::string> ReadProject(const std::string& path,
                                               std::set<std::string>* files) {
    std::map<std::string, std::string> options;
    std::istringstream in(test::ReadText(path));
    std::string section;
    for (std::string line; std::getline(in, line);) {
        line.erase(line.find_last_not_of("\r") + 1);
        if (line.starts_with('['))
            section = line;
        else if (section == "[FILES]" && !line.empty())
            files->insert(line);
        else if (section == "[OPTIONS]" && line.find('=') != std::string::npos)
            options[line.substr(0, line.find('='))] = line.substr(line.find('=') + 1);
    }
    return options;
}

std::vector<std::string> Matches(const std::string& text, const std::regex& re) {
    std::vector<std::string> out;
    for (std::sregex_iterator it(text.begin(), text.end(), re), end; it != end; ++it)
        out.push_back((*it)[1]);
    return out;
}

TEST(HelpBook, EveryLinkOfContentsIndexAndTopicsLeadsToAnExistingTopic) {
    std::set<std::string> listed, onDisk;
    auto options = ReadProject(kBook + kHelpProjectFile, &listed);
    ASSERT_TRUE(options.count("Contents file") && options.count("Index file"));
    EXPECT_TRUE(fs::is_regular_file(kBook + options["Default topic"]));

    for (const auto& e : fs::directory_iterator(kBook))
        if (e.path().extension() == ".html")
            onDisk.insert(e.path().filename().string());
    EXPECT_EQ(listed, onDisk) << "[FILES] and the topics in the folder differ";
    const std::regex local(R"re(<param\s+name="Local"\s+value="([^"]*)")re", std::regex::icase);
    std::set<std::string> reached;
    for (const char* key : {"Contents file", "Index file"}) {
        std::string text = test::ReadText(kBook + options[key]);
        auto targets = Matches(text, local);
        EXPECT_GE(targets.size(), 20u) << key;
        for (const std::string& t : targets) {
            EXPECT_TRUE(fs::is_regular_file(kBook + t.substr(0, t.find('#'))))
                << key << " points to " << t;
            reached.insert(t.substr(0, t.find('#')));
        }
    }
    for (const std::string& topic : onDisk)
        EXPECT_TRUE(reached.count(topic)) << topic << " is in neither contents nor index";
    const std::regex href(R"re(href="([^"]*)")re", std::regex::icase);
    const std::regex title(R"re(<title>[^<]+</title>)re", std::regex::icase);
    for (const std::string& topic : onDisk) {
        std::string text = test::ReadText(kBook + topic);
        EXPECT_TRUE(std::regex_search(text, title)) << topic << " has no title";
        for (const std::string& link : Matches(text, href)) {
            if (link.rfind("http:", 0) == 0 || link.rfind("https:", 0) == 0 ||
                link.rfind("mailto:", 0) == 0)
                continue;
            std::string file = link.substr(0, link.find('#'));
            std::string anchor = link.find('#') == std::string::npos
                                     ? std::string()
                                     : link.substr(link.find('#') + 1);
            std::string target = file.empty() ? topic : file;
            ASSERT_TRUE(fs::is_regular_file(kBook + target)) << topic << " links to " << link;
            if (!anchor.empty()) {
                std::string t = test::ReadText(kBook + target);
                EXPECT_TRUE(t.find("id=\"" + anchor + "\"") != std::string::npos ||
                            t.find("name=\"" + anchor + "\"") != std::string::npos)
                    << topic << " links to a missing anchor " << link;
            }
        }
    }

    // Help context numbers and the Help buttons' topics.
    for (const auto& ct : HelpContextTopics())
        EXPECT_TRUE(fs::is_regular_file(kBook + ct.topic)) << ct.context;
    EXPECT_TRUE(fs::is_regular_file(kBook + kControlsTopic));
    EXPECT_EQ(HelpTopicForContext(12345), "");
}

// Every control of every help-id table leads to a pop-up text (a wrong number shows another
// control's text or nothing).
TEST(HelpBook, EveryEntryOfEveryTableHasAPopupText) {
    PopupTexts texts = PopupTexts::Load(kBook + kPopupTextFile);
    const std::vector<std::pair<const char*, std::span<const HelpIdEntry>>> tables = {
        {"General", TSetApp::HelpIds()},        {"Display", TSetDisplay::HelpIds()},
        {"Capture", TSetCapture::HelpIds()},    {"WMV", TSetWM::HelpIds()},
        {"Image", TSetImage::HelpIds()},        {"File", TSetFile::HelpIds()},
        {"Sound device", TSetSound::HelpIds()}, {"Caption", TSetCaption::HelpIds()},
        {"HotKey", TSetKey::HelpIds()},         {"Timer", TSchedDialog::HelpIds()},
        {"Effects", TSetFx::HelpIds()},         {"Event", TEventDialog::HelpIds()},
        {"Wizard", RecWizard::HelpIds()}};
    for (const auto& [name, table] : tables) {
        std::vector<HelpIdEntry> copy(table.begin(), table.end());
        for (const HelpIdEntry& e : table) {
            if (!e.controlId)
                continue;
            std::optional<int> help = LookUpHelpId(&copy, e.controlId);
            ASSERT_TRUE(help) << name << " " << e.controlId;
            auto text = texts.Text(*help);
            EXPECT_TRUE(text && text->size() > 10)
                << name << ": control " << e.controlId << " -> help id " << *help << " has no text";
        }
    }
    // Where a control has a text of its own, the table must lead to that one.
    auto helpOf = [](std::span<const HelpIdEntry> t, int control) {
        std::vector<HelpIdEntry> copy(t.begin(), t.end());
        return LookUpHelpId(&copy, control).value_or(-1);
    };
    EXPECT_EQ(helpOf(TSetWM::HelpIds(), pref_id::FrameRate), help_id::WMFrameRate);
    EXPECT_EQ(helpOf(TSetWM::HelpIds(), pref_id::BitRate), help_id::WMBitRate);
    EXPECT_EQ(helpOf(TSetImage::HelpIds(), pref_id::Quality), help_id::ImageQuality);
    EXPECT_EQ(helpOf(TSetImage::HelpIds(), pref_id::Jpg), help_id::ImageJpg);
    EXPECT_EQ(helpOf(TSetCapture::HelpIds(), pref_id::SelColorButton), help_id::SelColorButton);
    EXPECT_EQ(helpOf(TSetCapture::HelpIds(), pref_id::SelColorSwatch), help_id::SelColorSwatch);
    EXPECT_EQ(helpOf(TSetSound::HelpIds(), pref_id::Input), help_id::WaveIn);
    EXPECT_EQ(helpOf(TSetCaption::HelpIds(), pref_id::BackColor), help_id::CapBackColor);
    EXPECT_EQ(helpOf(TSetCaption::HelpIds(), pref_id::Preview), help_id::CapPreview);

    // The about box, the pattern dialog and the main window's gadgets have a text of some
    // length too, and no topic number is used twice.
    EXPECT_TRUE(texts.duplicates().empty());
    // clang-format off
    std::vector<int> ids = {4201, 4203, 4204, 4205, 4207, 4209, id::CaptureModeCombo,
        id::PositionSlider, id::VolumeSlider, id::MeterControl, id::RecordTimePane, id::Snapshot,
        id::RecordVideo, id::StopRecording, id::PauseRecording, id::CaptionButton, id::Play, id::Stop,
        id::SkipForward, id::SkipBackward, id::Mute};
    // clang-format on
    for (const HelpIdEntry& e : kAboutHelpIds)
        ids.push_back(e.helpId ? e.helpId : e.controlId);
    for (int id : ids) {
        auto text = texts.Text(id);
        EXPECT_TRUE(text && text->size() > 10) << "no pop-up text for help id " << id;
    }
}

TEST(HelpBook, FoundBesideTheProgramFirstThenInTheInstalledPlace) {
    test::TempDir dir;
    const std::string root = dir.str() + "/";
    auto book = [&](const std::string& d) {
        fs::create_directories(root + d);
        std::ofstream(root + d + "/" + kHelpProjectFile) << "[OPTIONS]\n";
    };
    fs::create_directories(root + "bin");
    fs::create_directories(root + "libexec/tessaray");
    EXPECT_EQ(FindHelpBook(root + "bin/"), "");
    book("share/tessaray/help");
    EXPECT_EQ(fs::canonical(FindHelpBook(root + "bin/")),
              fs::canonical(root + "share/tessaray/help"));
    EXPECT_EQ(fs::canonical(FindHelpBook(root + "libexec/tessaray/")),
              fs::canonical(root + "share/tessaray/help"));
    book("libexec/tessaray/help"); // a book beside the program wins
    EXPECT_EQ(FindHelpBook(root + "libexec/tessaray/"), root + "libexec/tessaray/help/");
}

class HelpWindows : public test::XdgTest {
protected:
    void SetUp() override {
        if (!test::HaveDisplay() || !wxTheApp)
            GTEST_SKIP() << "no X display";
        XdgTest::SetUp();
        SetHelpBookDirForTesting(kBook);
    }
    void TearDown() override {
        ContextHelpWin::DismissPopup();
        ShutdownHelp();
        SetHelpBookDirForTesting({});
        test::Pump(50);
        XdgTest::TearDown();
    }
};

TEST_F(HelpWindows, AboutBoxAndPatternDialogShowTheirTextsPopupsAndALinkThatOpens) {
    test::FakeDesktop desktop;
    AboutDlg about(nullptr, desktop);
    about.Show();
    test::Pump(100);
    EXPECT_EQ(about.GetTitle(), "About Tessaray");
    EXPECT_EQ(about.versionLabel()->GetLabel().utf8_string(),
              std::string("Tessaray Version  ") + TESS_VERSION_STRING);
    EXPECT_NE(about.copyrightLabel()->GetLabel().Find("Quorvanta"), wxNOT_FOUND);
    EXPECT_EQ(about.homePageLink()->address(), TESS_HOMEPAGE_URL);
    // Every control lies inside the box, and none overlaps another.
    std::vector<wxRect> rects;
    for (wxWindow* child : about.GetChildren()) {
        wxRect r = child->GetRect();
        EXPECT_TRUE(wxRect(about.GetClientSize()).Contains(r)) << child->GetId();
        for (const wxRect& other : rects)
            EXPECT_FALSE(r.Intersects(other)) << child->GetId();
        rects.push_back(r);
    }
    EXPECT_EQ(rects.size(), 5u);

    wxUIActionSimulator sim;
    wxRect r = about.homePageLink()->GetScreenRect();
    sim.MouseMove(r.GetLeft() + r.width / 2, r.GetTop() + r.height / 2);
    test::Pump(50);
    sim.MouseClick();
    test::PumpUntil([&] { return !desktop.opened.empty(); }, 2000);
    EXPECT_EQ(desktop.opened, std::vector<std::string>{HotLinkUrl(TESS_HOMEPAGE_URL)});

    // Every control of the box has its pop-up; the context menu over the version label.
    ContextHelpWin* help = ContextHelpWin::Of(&about);
    ASSERT_TRUE(help);
    wxRect v = about.versionLabel()->GetScreenRect();
    wxPoint at(v.GetLeft() + 3, v.GetTop() + v.height / 2);
    EXPECT_EQ(help->ControlAt(at), about.versionLabel());
    wxContextMenuEvent menu(wxEVT_CONTEXT_MENU, about.GetId(), at);
    menu.SetEventObject(&about);
    about.GetEventHandler()->ProcessEvent(menu);
    test::Pump(50);
    ASSERT_TRUE(ContextHelpWin::CurrentPopup());
    EXPECT_EQ(ContextHelpWin::CurrentPopupText(), *BookPopupTexts().Text(about_id::Version));
    ContextHelpWin::DismissPopup();
    about.Hide();
    // The pattern dialog's labels show their controls' help.
    std::string pattern = "snap%Y";
    int32_t mode = 0;
    TPatternDialog dlg(nullptr, desktop, &pattern, 0, &mode);
    ContextHelpWin* patternHelp = ContextHelpWin::Of(&dlg);
    ASSERT_TRUE(patternHelp);
    EXPECT_EQ(patternHelp->HelpIdFor(4202), pattern_id::Pattern);
    EXPECT_EQ(patternHelp->HelpIdFor(pattern_id::Example), pattern_id::Example);
    EXPECT_EQ(patternHelp->HelpIdFor(wxID_OK), std::nullopt);
    dlg.Show();
    test::Pump(100);
    EXPECT_TRUE(patternHelp->ShowPopupFor(dlg.patternField(), wxGetMousePosition()));
    EXPECT_EQ(ContextHelpWin::CurrentPopupText(), *BookPopupTexts().Text(pattern_id::Pattern));
    ContextHelpWin::DismissPopup();
    dlg.Hide();
}

// A dialog with a help-id table: a labelled edit, an edit not in the table and a Help
// button, like the preferences pages.
class TableDialog : public wxDialog {
public:
    explicit TableDialog(int context) : wxDialog(nullptr, wxID_ANY, "Table") {
        auto* s = new wxBoxSizer(wxVERTICAL);
        label = new wxStaticText(this, 1301, "Default file &path");
        listed = new wxTextCtrl(this, 1308, "a");
        unlisted = new wxTextCtrl(this, 1303, "b");
        s->Add(label, 0, wxALL, 5);
        s->Add(listed, 0, wxALL, 5);
        s->Add(unlisted, 0, wxALL, 5);
        s->Add(new wxButton(this, wxID_HELP, "&Help"), 0, wxALL, 5);
        SetSizerAndFit(s);
        ContextHelpWin::Attach(this, kFilePageIds, context);
    }
    wxStaticText* label;
    wxTextCtrl* listed;
    wxTextCtrl* unlisted;
};

TEST_F(HelpWindows, F1AndContextMenuShowTheTablesPopupAndTheHelpButtonOpensTheTopic) {
    TableDialog dlg(1300);
    dlg.Show();
    test::Pump(150);
    wxUIActionSimulator sim;
    dlg.listed->SetFocus();
    test::Pump(100);
    sim.Char(WXK_F1);
    test::Pump(150);
    ASSERT_TRUE(ContextHelpWin::CurrentPopup()) << "F1 on a listed control";
    EXPECT_EQ(ContextHelpWin::CurrentPopupText(), *BookPopupTexts().Text(1308));
    EXPECT_EQ(ContextHelpWin::CurrentPopup()->GetBackgroundColour(), wxColour(255, 255, 208));
    ContextHelpWin::DismissPopup();
    dlg.unlisted->SetFocus();
    test::Pump(100);
    sim.Char(WXK_F1);
    test::Pump(150);
    EXPECT_FALSE(ContextHelpWin::CurrentPopup()) << "a control not in the table";

    // Attached again (a page set up twice): one pop-up, from the new table.
    const HelpIdEntry other[] = {{1303, 1302}};
    EXPECT_EQ(ContextHelpWin::Attach(&dlg, other, 1300), ContextHelpWin::Of(&dlg));
    EXPECT_EQ(ContextHelpWin::Of(&dlg)->HelpIdFor(1303), 1302);
    EXPECT_EQ(ContextHelpWin::Of(&dlg)->HelpIdFor(1308), std::nullopt);
    ContextHelpWin::Attach(&dlg, kFilePageIds, 1300);

    // A right click on the label shows the help of the edit it names.
    wxRect r = dlg.label->GetScreenRect();
    sim.MouseMove(r.GetLeft() + 4, r.GetTop() + r.height / 2);
    test::Pump(50);
    sim.MouseClick(wxMOUSE_BTN_RIGHT);
    test::Pump(200);
    ASSERT_TRUE(ContextHelpWin::CurrentPopup()) << "context menu over the label";
    EXPECT_EQ(ContextHelpWin::CurrentPopupText(), *BookPopupTexts().Text(1308));
    ContextHelpWin::DismissPopup();
    test::Pump(50);

    // Help opens the File page's topic (context 1300) in the help window.
    wxCommandEvent help(wxEVT_BUTTON, wxID_HELP);
    help.SetEventObject(dlg.FindWindow(wxID_HELP));
    dlg.FindWindow(wxID_HELP)->GetEventHandler()->ProcessEvent(help);
    test::Pump(200);
    wxHtmlHelpController* ctl = OpenHelpController();
    ASSERT_TRUE(ctl);
    ASSERT_TRUE(ctl->GetHelpWindow());
    EXPECT_TRUE(ctl->GetHelpWindow()->GetHtmlWindow()->GetOpenedPage().EndsWith("PageFile.html"));
    EXPECT_TRUE(ctl->GetHelpWindow()->GetData()->GetContentsArray().size() >= 20);
    EXPECT_TRUE(ctl->GetHelpWindow()->GetData()->GetIndexArray().size() >= 20);

    // Without a help context the Controls topic opens.
    TableDialog plain(0);
    ASSERT_TRUE(ContextHelpWin::Of(&plain)->OpenTopic());
    test::Pump(100);
    EXPECT_TRUE(ctl->GetHelpWindow()->GetHtmlWindow()->GetOpenedPage().EndsWith(kControlsTopic));
    // A sheet's Help button asks for the page shown: a control on the page finds its topic.
    ASSERT_TRUE(ContextHelpWin::OpenTopicFor(dlg.unlisted));
    test::Pump(100);
    EXPECT_TRUE(ctl->GetHelpWindow()->GetHtmlWindow()->GetOpenedPage().EndsWith("PageFile.html"));
    plain.Destroy();
    dlg.Hide();
}

TEST_F(HelpWindows, WithoutTheBookNothingIsShownAndNoErrorAppears) {
    test::TempDir empty;
    SetHelpBookDirForTesting(empty.str());
    TableDialog dlg(1300);
    dlg.Show();
    test::Pump(100);
    size_t windows = wxTopLevelWindows.size();
    ContextHelpWin* help = ContextHelpWin::Of(&dlg);
    EXPECT_FALSE(help->ShowPopupFor(dlg.listed, wxGetMousePosition()));
    EXPECT_FALSE(help->OpenTopic());
    EXPECT_FALSE(ShowHelpContents());
    test::Pump(100);
    EXPECT_FALSE(ContextHelpWin::CurrentPopup());
    EXPECT_EQ(wxTopLevelWindows.size(), windows) << "an error box or a help window appeared";
    dlg.Hide();
}

TEST_F(HelpWindows, MainWindowOpensTheBookAndTheAboutBoxAndHelpsWithItsBars) {
    static test::FakeDesktop desktop; // outlives the frame, which goes after the test
    auto* frame = new SDIDecFrame(desktop, false);
    frame->Show();
    test::Pump(150);
    wxCommandEvent contents(wxEVT_MENU, id::HelpContents);
    frame->GetEventHandler()->ProcessEvent(contents);
    test::Pump(200);
    ASSERT_TRUE(OpenHelpController());
    wxWindow* helpFrame = OpenHelpController()->GetFrame();
    ASSERT_TRUE(helpFrame);
    EXPECT_TRUE(helpFrame->IsShown());

    // The about box opens modally and Escape closes it (a timer ends it should Escape not).
    std::string label;
    bool forced = false;
    wxTimer fallback;
    fallback.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
        if (auto* about = dynamic_cast<AboutDlg*>(wxWindow::FindWindowById(about_id::Dialog))) {
            forced = true;
            about->EndModal(wxID_CANCEL);
        }
    });
    fallback.StartOnce(5000);
    wxTheApp->CallAfter([&] {
        if (auto* about = dynamic_cast<AboutDlg*>(wxWindow::FindWindowById(about_id::Dialog))) {
            label = about->versionLabel()->GetLabel().utf8_string();
            about->Raise();
            wxTheApp->CallAfter([] { wxUIActionSimulator().Char(WXK_ESCAPE); });
        }
    });
    wxCommandEvent aboutCmd(wxEVT_MENU, id::About);
    frame->GetEventHandler()->ProcessEvent(aboutCmd);
    fallback.Stop();
    EXPECT_FALSE(forced) << "Escape did not close the about box";
    EXPECT_EQ(label, std::string("Tessaray Version  ") + TESS_VERSION_STRING);
    ContextHelpWin* help = ContextHelpWin::Of(frame);
    ASSERT_TRUE(help);
    EXPECT_TRUE(help->ShowPopupFor(frame->toolBar().captureMode, wxGetMousePosition()));
    EXPECT_EQ(ContextHelpWin::CurrentPopupText(), *BookPopupTexts().Text(id::CaptureModeCombo));
    ContextHelpWin::DismissPopup();
    EXPECT_FALSE(help->ShowPopupFor(frame->client(), wxGetMousePosition()));
    frame->Close(true);
    test::Pump(100);
}

// The screenshots of tools/screenshots/help.sh (skipped unless it asks for them).
class HelpScreenshots : public HelpWindows {
protected:
    void Shot(const std::string& name) {
        test::Pump(400);
        std::string cmd = "import -window root '" + dir_ + "/" + name + ".png'";
        EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
    }
    std::string dir_;
};

TEST_F(HelpScreenshots, AboutBoxPopupAndHelpWindow) {
    const char* dir = std::getenv("TESS_SCREENSHOT_DIR");
    if (!dir)
        GTEST_SKIP() << "run by tools/screenshots/help.sh";
    dir_ = dir;
    static test::FakeDesktop desktop; // outlives the windows
    auto* about = new AboutDlg(nullptr, desktop);
    about->Show();
    about->homePageLink()->SetFocus();
    Shot("about-box");
    wxRect v = about->versionLabel()->GetScreenRect();
    wxUIActionSimulator sim;
    sim.MouseMove(v.GetLeft() + 10, v.GetBottom() - 2);
    test::Pump(100);
    ContextHelpWin::Of(about)->ShowPopupFor(about->versionLabel(), wxGetMousePosition());
    Shot("about-popup");
    ContextHelpWin::DismissPopup();

    std::string pattern = "Tess_%Y-%m-%d";
    int32_t mode = 0;
    auto* pat = new TPatternDialog(nullptr, desktop, &pattern, 0, &mode);
    pat->Show();
    test::Pump(200);
    wxRect p = pat->patternField()->GetScreenRect();
    sim.MouseMove(p.GetLeft() + 40, p.GetBottom() - 4);
    test::Pump(100);
    ContextHelpWin::Of(pat)->ShowPopupFor(pat->patternField(), wxGetMousePosition());
    Shot("pattern-popup");
    ContextHelpWin::DismissPopup();
    pat->Destroy();
    about->Destroy();
    ShowHelpContents();
    if (auto* frame = OpenHelpController() ? OpenHelpController()->GetFrame() : nullptr)
        frame->SetSize(40, 40, 1000, 700);
    Shot("help-contents");
    ShowHelpContext(1300);
    Shot("help-file-page");
    ShowHelpTopic("Recording.html");
    Shot("help-recording");
}

} // namespace
} // namespace tess
