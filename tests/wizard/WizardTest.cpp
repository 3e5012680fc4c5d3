// The record wizard: the file-name check, page order and Back, layout, and Finish.
#include "wizard/RecWizard.h"

#include "capture/ClientSnapshot.h"
#include "resources/Ids.h"
#include "settings/ui/PrefPages.h"
#include "snapshot/SnapshotTestSupport.h"
#include "support/FakeDesktop.h"
#include "support/Languages.h"
#include "support/LayoutCheck.h"
#include "support/SettingsGuard.h"
#include "support/XTestWindows.h"
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <wx/frame.h>
#include <wx/radiobut.h>
#include <wx/statusbr.h>

namespace tess {
namespace {

namespace fs = std::filesystem;

Settings DirSettings(const std::string& dir) {
    Settings s = test::QuietSnapshotSettings(dir);
    s.fileSnapName = "Shot";
    s.fileVidName = "Clip";
    return s;
}

TEST(WizardFile, NamesGoIntoTheFolderWithTheFormatsExtensionOrNameTheirProblem) {
    test::TempDir dir;
    Settings s = DirSettings(dir.str());
    auto in = [&](const std::string& name) { return (dir.path() / name).string(); };
    auto path = [&](const std::string& name, bool picture, int format) {
        WizardFile f = ResolveWizardFile(name, picture, format, s);
        EXPECT_EQ(f.problem, "") << name;
        return f.path;
    };
    auto problem = [&](const std::string& name, bool picture = true) {
        return ResolveWizardFile(name, picture, 0, s).problem;
    };
    WizardFile empty = ResolveWizardFile("  ", true, 0, s);
    EXPECT_EQ(empty.problem, "");
    EXPECT_EQ(empty.path, "") << "an empty name leaves the name to the pattern";
    EXPECT_EQ(fs::path(empty.example).parent_path(), dir.path());
    EXPECT_EQ(fs::path(empty.example).extension(), ".png");
    EXPECT_EQ(fs::path(ResolveWizardFile("", false, 0, s).example).extension(), ".wmv");
    EXPECT_EQ(path("pic", true, 4), in("pic.jpg"));
    EXPECT_EQ(path("pic.JPEG", true, 4), in("pic.JPEG"));
    EXPECT_EQ(path("clip", false, 0), in("clip.wmv"));
    EXPECT_EQ(path("clip.asf", false, 0), in("clip.asf"));
    EXPECT_EQ(path(in("a b.gif"), true, 3), in("a b.gif"));
    EXPECT_TRUE(fs::is_empty(dir.path())) << "a trial file left behind";
    EXPECT_EQ(problem(in("nowhere/x.png")), "The folder \"" + in("nowhere") + "\" does not exist.");
    // Root may write anywhere that is writable at all: /proc takes no new files.
    EXPECT_NE(problem("/proc/x.png").find("The folder \"/proc\" cannot be written"),
              std::string::npos);
    std::ofstream(in("plain")) << "x";
    EXPECT_EQ(problem(in("plain/x.png")), "\"" + in("plain") + "\" is not a folder.");
    fs::create_directory(dir.path() / "sub.png");
    EXPECT_NE(problem("sub.png").find("is a folder"), std::string::npos);
    EXPECT_EQ(problem("x.bmp"),
              "The file name \"x.bmp\" does not fit a PNG picture: use the extension \".png\".");
    EXPECT_EQ(problem("x.png", false),
              "The file name \"x.png\" does not fit a WMV video: use the extension \".wmv\".");
    // An empty name with an unusable default folder is told too.
    s.defaultDirectory = in("nowhere");
    EXPECT_NE(problem(""), "");
    // The summary names the sound the Sound device page chose, when sound is on.
    WizardOrder video;
    video.picture = false;
    s.soundSource = 1;
    EXPECT_EQ(WizardSummary(video, "", s).find("sound"), std::string::npos);
    s.vidAudio = true;
    EXPECT_NE(WizardSummary(video, "", s).find("with the desktop's sound"), std::string::npos);
}

class WizardWindows : public ::testing::Test {
protected:
    void SetUp() override {
        TESS_NEED_WX();
        settings = DirSettings(dir.str());
        RecWizard::PictureFlag() = false;
        frame = new wxFrame(nullptr, wxID_ANY, "Tessaray", wxPoint(1300, 700), wxSize(300, 200));
        frame->Show();
    }
    void TearDown() override {
        if (!frame)
            return;
        frame->Destroy();
        test::Pump(20);
    }
    // Runs the wizard modally while `drive` presses its buttons; a wizard that `drive` did
    // not finish is cancelled.
    std::optional<WizardOrder> Drive(RecWizard& w, std::function<void(RecWizard&)> drive) {
        wxTheApp->CallAfter([&w, drive] {
            drive(w);
            if (w.IsModal())
                w.PressCancel();
        });
        return w.Run();
    }

    test::TempDir dir;
    Settings settings;
    test::FakeDesktop desktop;
    wxFrame* frame = nullptr;
};

TEST_F(WizardWindows, PageOrderBackAndAnUnusableNameKeepingTheWizardOpen) {
    RecWizard w(frame, settings, desktop);
    const fs::path sub = dir.path() / "sub";
    fs::create_directory(sub);
    std::vector<int> seen;
    auto walk = [&](RecWizard& w, std::string_view moves) {
        for (char m : moves) {
            if (m == 'N')
                w.PressNext();
            else
                w.PressBack();
            seen.push_back(w.currentId());
        }
    };
    std::optional<WizardOrder> order = Drive(w, [&](RecWizard& w) {
        seen.push_back(w.currentId());
        EXPECT_FALSE(w.pictureChosen()) << "Video is checked at first";
        walk(w, "NNNNBBBB"); // video: WMV, file, region, summary, and back the same way
        w.ChoosePicture(true);
        walk(w, "NNBN"); // picture: Image, file, back to Image (not WMV)
        // Names that cannot be used keep the file page.
        w.SetFileName((dir.path() / "nowhere" / "x.png").string());
        walk(w, "N");
        w.SetFileName("x.jpg");
        walk(w, "N");
        w.SetFileName((sub / "x.png").string());
        walk(w, "NN");
        EXPECT_NE(w.summaryText().find((sub / "x.png").string()), std::string::npos)
            << w.summaryText();
        fs::remove(sub);
        walk(w, "N"); // Finish refused: the folder went
    });
    EXPECT_FALSE(order) << "cancelled";
    EXPECT_EQ(seen,
              (std::vector<int>{28100, 2200, 28200, 28300, 28400, 28300, 28200, 2200, 28100, 9100,
                                28200, 9100, 28200, 28200, 28200, 28300, 28400, 28400}));
    const std::vector<std::string> texts = desktop.texts();
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_NE(texts[0].find("does not exist"), std::string::npos) << texts[0];
    EXPECT_NE(texts[1].find("does not fit a PNG picture"), std::string::npos) << texts[1];
    EXPECT_NE(texts[2].find("\"" + sub.string() + "\" does not exist"), std::string::npos)
        << texts[2];
    EXPECT_EQ(settings.imageFormat, 0) << "nothing applied without Finish";
    EXPECT_TRUE(RecWizard::PictureFlag()) << "page 1 remembers the choice";
    EXPECT_EQ(WizardPageOrder(true), (std::vector<int>{28100, 9100, 28200, 28300, 28400}));
    // A second wizard starts from the picture choice.
    RecWizard again(frame, settings, desktop);
    Drive(again, [](RecWizard& w) { EXPECT_TRUE(w.pictureChosen()); });
}

// With TESS_SCREENSHOT_DIR set (tools/screenshots/wizard.sh) it also saves a picture of each
// page.
TEST_F(WizardWindows, EveryPageLaysOutItsControlsInsideInEnglishGermanAndJapanese) {
    const char* out = std::getenv("TESS_SCREENSHOT_DIR");
    if (out)
        frame->Hide();
    // Screenshots are taken in the language the environment names (AppTestMain set it up).
    const std::vector<std::string> langs =
        out ? std::vector<std::string>{""} : test::LayoutLanguages();
    std::map<std::pair<bool, int>, test::Labels> english;
    for (const std::string& lang : langs) {
        SCOPED_TRACE(lang);
        std::optional<test::LanguageScope> scope;
        if (!out)
            scope.emplace("", lang);
        for (bool picture : {false, true}) {
            RecWizard w(frame, settings, desktop);
            Drive(w, [&](RecWizard& w) {
                w.Move(100, 100);
                w.ChoosePicture(picture);
                w.ChooseTarget(CaptureMode::Region);
                for (int i = 0; i < 5; ++i) {
                    test::PumpUntil([&] { return test::LayoutProblems(&w).empty(); }, 1000);
                    for (const std::string& p : test::LayoutProblems(&w))
                        ADD_FAILURE() << "page " << w.currentId() << ": " << p;
                    test::Labels labels;
                    test::ControlLabels(&w, labels);
                    if (lang.empty())
                        english[{picture, i}] = labels;
                    else
                        test::ExpectMnemonicsKept(english[{picture, i}], labels,
                                                  lang + " page " + std::to_string(i + 1));
                    if (out) {
                        test::Pump(300);
                        test::RunCommand("import -window root '" + std::string(out) + "/wizard-" +
                                         (picture ? "picture-" : "video-") + std::to_string(i + 1) +
                                         ".png'");
                    }
                    if (i < 4)
                        w.PressNext();
                }
                // The last page's animation plays while the page is shown, and only then.
                auto* animation = dynamic_cast<WizAnimation*>(w.FindWindow(wiz_id::Animation));
                ASSERT_NE(animation, nullptr);
                EXPECT_TRUE(animation->IsShownOnScreen());
                const size_t first = animation->frame();
                EXPECT_TRUE(test::PumpUntil([&] { return animation->frame() != first; }, 2000));
                w.PressBack();
                EXPECT_FALSE(animation->playing());
            });
        }
    }
}

TEST_F(WizardWindows, FromTheClientCancelDoesNothingAndFinishSnapsTheChosenMonitorIntoTheFile) {
    test::TempDir stores;
    test::SettingsGuard guard(stores.path());
    GlobalSettings() = settings;
    desktop.onWait = WaitRepainting;
    frame->CreateStatusBar(1);
    auto* client = new TClient(frame, desktop);
    int saves = 0;
    client->recordWizard = [&] { RunRecordWizard(client, [&] { ++saves; }); };
    wxTheApp->CallAfter([&] {
        RecWizard* w = RecWizard::Current();
        ASSERT_TRUE(w);
        w->ChoosePicture(true);
        w->PressNext(), w->PressNext(), w->PressNext(), w->PressNext();
        w->PressCancel();
    });
    client->RunCommand(id::RecordWizard);
    EXPECT_EQ(saves, 0);
    EXPECT_TRUE(fs::is_empty(dir.path()));
    const fs::path file = dir.path() / "chosen.jpg";
    // The right one of two monitors is under the pointer at Finish.
    test::TwoMonitors monitors;
    test::XTestDisplay x;
    XWarpPointer(x.get(), None, x.root(), 0, 0, 0, 0, 1500, 300);
    x.sync();
    bool finished = false;
    wxTheApp->CallAfter([&] {
        RecWizard* w = RecWizard::Current();
        ASSERT_TRUE(w);
        w->ChoosePicture(true);
        w->PressNext();
        // JPG on the Image page, as a click would choose it.
        auto* jpg = wxDynamicCast(w->FindWindow(pref_id::Jpg), wxRadioButton);
        ASSERT_TRUE(jpg);
        jpg->SetValue(true);
        wxCommandEvent click(wxEVT_RADIOBUTTON, pref_id::Jpg);
        click.SetEventObject(jpg);
        jpg->GetEventHandler()->ProcessEvent(click);
        w->PressNext();
        w->SetFileName("chosen");
        w->PressNext();
        w->ChooseTarget(CaptureMode::Monitor);
        EXPECT_EQ(w->target(), CaptureMode::Monitor);
        w->PressNext();
        EXPECT_NE(w->summaryText().find(file.string()), std::string::npos) << w->summaryText();
        std::string summary = w->summaryText(); // as wrapped on the page
        std::replace(summary.begin(), summary.end(), '\n', ' ');
        EXPECT_NE(summary.find("snapshot of the monitor under the pointer and save it as a JPG"),
                  std::string::npos)
            << summary;
        w->PressNext(); // Finish
        finished = !w->IsModal();
        if (!finished)
            w->PressCancel();
    });
    client->RunCommand(id::RecordWizard);
    EXPECT_TRUE(finished);
    EXPECT_TRUE(desktop.messages.empty()) << desktop.texts().front();
    EXPECT_EQ(GlobalSettings().imageFormat, 4) << "the Image page applied";
    EXPECT_EQ(saves, 1);
    const std::string status = frame->GetStatusBar()->GetStatusText(0).utf8_string();
    ASSERT_TRUE(fs::exists(file)) << "status: " << status;
    EXPECT_EQ(status, file.string());
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
    // A JPEG picture of the monitor (of the screen without monitors), as an independent
    // reader sees it.
    std::string out;
    if (test::HaveProgram("identify")) {
        EXPECT_EQ(test::RunCommand("identify -format '%m %w' '" + file.string() + "'", &out), 0);
        EXPECT_EQ(out, monitors.ok ? "JPEG 960" : "JPEG 1920");
    }
}

} // namespace
} // namespace tess
