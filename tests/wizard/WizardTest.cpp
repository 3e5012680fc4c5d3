// The record wizard: the file-name check, the page order for a picture and for a video with
// Back returning where it came from, the check keeping the wizard open, the layout of each
// page, and Finish taking a real snapshot into the chosen file.
#include "wizard/RecWizard.h"

#include "capture/ClientSnapshot.h"
#include "resources/Ids.h"
#include "settings/ui/PrefPages.h"
#include "snapshot/SnapshotTestSupport.h"
#include "support/FakeDesktop.h"
#include "support/LayoutCheck.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <wx/frame.h>
#include <wx/radiobut.h>
#include <wx/statusbr.h>
#include <wx/textctrl.h>

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

    WizardFile empty = ResolveWizardFile("  ", true, 0, s);
    EXPECT_EQ(empty.problem, "");
    EXPECT_EQ(empty.path, "") << "an empty name leaves the name to the pattern";
    EXPECT_EQ(fs::path(empty.example).parent_path(), dir.path());
    EXPECT_EQ(fs::path(empty.example).extension(), ".png");
    EXPECT_EQ(fs::path(ResolveWizardFile("", false, 0, s).example).extension(), ".wmv");

    EXPECT_EQ(ResolveWizardFile("pic", true, 4, s).path, (dir.path() / "pic.jpg").string());
    EXPECT_EQ(ResolveWizardFile("pic.JPEG", true, 4, s).problem, "");
    EXPECT_EQ(ResolveWizardFile("clip", false, 0, s).path, (dir.path() / "clip.wmv").string());
    EXPECT_EQ(ResolveWizardFile("clip.asf", false, 0, s).problem, "");
    const std::string full = (dir.path() / "a b.gif").string();
    EXPECT_EQ(ResolveWizardFile(full, true, 3, s).path, full);
    // The check does not leave its trial file behind.
    EXPECT_TRUE(fs::is_empty(dir.path()));

    // Problems name the folder or the extension.
    const std::string missing = (dir.path() / "nowhere").string();
    EXPECT_EQ(ResolveWizardFile(missing + "/x.png", true, 0, s).problem,
              "The folder \"" + missing + "\" does not exist.");
    // Root may write anywhere that is writable at all: /proc takes no new files.
    EXPECT_NE(ResolveWizardFile("/proc/x.png", true, 0, s)
                  .problem.find("The folder \"/proc\" cannot be written"),
              std::string::npos);
    const std::string plain = (dir.path() / "plain").string();
    std::ofstream(plain) << "x";
    EXPECT_EQ(ResolveWizardFile(plain + "/x.png", true, 0, s).problem,
              "\"" + plain + "\" is not a folder.");
    fs::create_directory(dir.path() / "sub.png");
    EXPECT_NE(ResolveWizardFile("sub.png", true, 0, s).problem.find("is a folder"),
              std::string::npos);

    EXPECT_EQ(ResolveWizardFile("x.bmp", true, 0, s).problem,
              "The file name \"x.bmp\" does not fit a PNG picture: use the extension \".png\".");
    EXPECT_EQ(ResolveWizardFile("x.png", false, 0, s).problem,
              "The file name \"x.png\" does not fit a WMV video: use the extension \".wmv\".");
    // An empty name with an unusable default folder is told too.
    s.defaultDirectory = missing;
    EXPECT_NE(ResolveWizardFile("", true, 0, s).problem, "");
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

TEST_F(WizardWindows, PageOrderForVideoAndPictureAndBackReturnsWhereItCameFrom) {
    RecWizard w(frame, settings, desktop);
    std::vector<int> seen;
    auto next = [&](RecWizard& w) {
        w.PressNext();
        seen.push_back(w.currentId());
    };
    auto back = [&](RecWizard& w) {
        w.PressBack();
        seen.push_back(w.currentId());
    };
    std::optional<WizardOrder> order = Drive(w, [&](RecWizard& w) {
        seen.push_back(w.currentId());
        EXPECT_FALSE(w.pictureChosen()) << "Video is checked at first";
        next(w), next(w), next(w), next(w); // video: WMV, file, region, summary
        back(w), back(w), back(w), back(w); // back the same way to page 1
        w.ChoosePicture(true);
        next(w), next(w); // picture: Image, file
        back(w);          // back to Image, not WMV
        next(w), next(w), next(w);
    });
    EXPECT_FALSE(order) << "cancelled";
    EXPECT_EQ(seen, (std::vector<int>{28100, 2200, 28200, 28300, 28400, 28300, 28200, 2200, 28100,
                                      9100, 28200, 9100, 28200, 28300, 28400}));
    EXPECT_TRUE(desktop.messages.empty());
    EXPECT_TRUE(RecWizard::PictureFlag()) << "page 1 remembers the choice";
    EXPECT_EQ(WizardPageOrder(true), (std::vector<int>{28100, 9100, 28200, 28300, 28400}));

    // A second wizard starts from the picture choice.
    RecWizard again(frame, settings, desktop);
    Drive(again, [](RecWizard& w) { EXPECT_TRUE(w.pictureChosen()); });
}

TEST_F(WizardWindows, AnUnusableNameKeepsTheWizardOpenWithTheProblem) {
    RecWizard w(frame, settings, desktop);
    const fs::path sub = dir.path() / "sub";
    fs::create_directory(sub);
    std::optional<WizardOrder> order = Drive(w, [&](RecWizard& w) {
        w.ChoosePicture(true);
        w.PressNext(), w.PressNext();
        w.SetFileName((dir.path() / "nowhere" / "x.png").string());
        w.PressNext();
        EXPECT_EQ(w.currentId(), 28200);
        w.SetFileName("x.jpg");
        w.PressNext();
        EXPECT_EQ(w.currentId(), 28200);
        w.SetFileName((sub / "x.png").string());
        w.PressNext(), w.PressNext();
        EXPECT_EQ(w.currentId(), 28400);
        EXPECT_NE(w.summaryText().find((sub / "x.png").string()), std::string::npos)
            << w.summaryText();
        fs::remove(sub); // gone before Finish
        w.PressNext();
        EXPECT_EQ(w.currentId(), 28400) << "Finish refused";
    });
    EXPECT_FALSE(order);
    ASSERT_EQ(desktop.messages.size(), 3u);
    EXPECT_NE(desktop.texts()[0].find("does not exist"), std::string::npos) << desktop.texts()[0];
    EXPECT_NE(desktop.texts()[1].find("does not fit a PNG picture"), std::string::npos)
        << desktop.texts()[1];
    EXPECT_NE(desktop.texts()[2].find("\"" + sub.string() + "\" does not exist"), std::string::npos)
        << desktop.texts()[2];
    EXPECT_EQ(settings.imageFormat, 0) << "nothing applied without Finish";
}

TEST_F(WizardWindows, EveryPageLaysOutItsControlsInside) {
    for (bool picture : {false, true}) {
        RecWizard w(frame, settings, desktop);
        Drive(w, [&](RecWizard& w) {
            w.ChoosePicture(picture);
            w.ChooseTarget(CaptureMode::Region);
            for (int i = 0; i < 5; ++i) {
                test::PumpUntil([&] { return test::LayoutProblems(&w).empty(); }, 1000);
                for (const std::string& p : test::LayoutProblems(&w))
                    ADD_FAILURE() << "page " << w.currentId() << ": " << p;
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

class WizardCapture : public WizardWindows {
protected:
    void SetUp() override {
        WizardWindows::SetUp();
        if (!frame)
            return;
        saved = GlobalSettings();
        GlobalSettings() = settings;
        desktop.onWait = WaitRepainting;
        frame->CreateStatusBar(1);
        client = new TClient(frame, desktop);
        client->recordWizard = [this] { RunRecordWizard(client, [this] { ++saves; }); };
    }
    void TearDown() override {
        if (!frame)
            return;
        GlobalSettings() = saved;
        WizardWindows::TearDown();
    }
    Settings saved;
    test::FakeDesktop desktop;
    TClient* client = nullptr;
    int saves = 0;
};

TEST_F(WizardCapture, FinishAppliesTheImagePageAndSnapsTheScreenIntoTheChosenFile) {
    const fs::path file = dir.path() / "chosen.jpg";
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
        w->ChooseTarget(CaptureMode::Screen);
        w->PressNext();
        EXPECT_NE(w->summaryText().find(file.string()), std::string::npos) << w->summaryText();
        EXPECT_NE(w->summaryText().find("JPG picture"), std::string::npos);
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
    ASSERT_TRUE(fs::exists(file)) << "status: "
                                  << frame->GetStatusBar()->GetStatusText(0).utf8_string();
    // A JPEG picture of the screen, as an independent reader sees it.
    std::string out;
    if (test::HaveProgram("identify")) {
        EXPECT_EQ(test::RunCommand("identify -format '%m %w' '" + file.string() + "'", &out), 0);
        EXPECT_EQ(out.substr(0, 5), "JPEG ");
    }
    EXPECT_EQ(frame->GetStatusBar()->GetStatusText(0).utf8_string(), file.string());
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST_F(WizardCapture, CancelStartsNothingAndAppliesNothing) {
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
}

// Not a check: with TESS_SCREENSHOT_DIR set (tools/screenshots/wizard.sh), shows every page
// of the wizard, for a picture and for a video, and saves a picture of each.
TEST_F(WizardWindows, Screenshots) {
    const char* out = std::getenv("TESS_SCREENSHOT_DIR");
    if (!out)
        GTEST_SKIP() << "only for tools/screenshots/wizard.sh";
    auto shoot = [out](wxWindow* w, const std::string& name) {
        test::Pump(300);
        wxRect r = w->GetScreenRect().Inflate(8);
        r.y -= 24; // the title bar
        r.height += 24;
        r.Intersect(wxRect(0, 0, 1280, 900));
        const std::string geometry = std::to_string(r.width) + "x" + std::to_string(r.height) +
                                     "+" + std::to_string(r.x) + "+" + std::to_string(r.y);
        const std::string path = std::string(out) + "/" + name + ".png";
        test::RunCommand("import -window root -crop " + geometry + " +repage '" + path + "'");
        std::printf("shot %s\n", path.c_str());
    };
    frame->Hide();
    for (bool picture : {false, true}) {
        RecWizard w(frame, settings, desktop);
        Drive(w, [&](RecWizard& w) {
            w.Move(100, 100);
            w.ChoosePicture(picture);
            if (picture)
                w.ChooseTarget(CaptureMode::Window);
            for (int i = 0; i < 5; ++i) {
                if (i == 2 && picture)
                    w.SetFileName((dir.path() / "desk").string());
                shoot(&w, std::string("wizard-") + (picture ? "picture-" : "video-") +
                              std::to_string(i + 1) + "-" + std::to_string(w.currentId()));
                if (i < 4)
                    w.PressNext();
            }
        });
    }
}

} // namespace
} // namespace tess
