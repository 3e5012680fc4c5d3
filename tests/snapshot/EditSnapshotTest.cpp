// The picture editor in the window program and on the command line, on a real X server: a
// snapshot redacted before it is written, Cancel writing nothing, Edit... on a displayed PNG,
// typed text that switches no tool, undo and redo by real keys, the layout, and --edit's exit
// codes.
#include "capture/AnnotationEditor.h"
#include "media/MemBm.h"
#include "media/VideoFile.h"
#include "media/WriteImageFile.h"
#include "media/annotate/Annotation.h"
#include "resources/Ids.h"

#include "ClientFrameFixture.h"
#include "EditorDriver.h"
#include "SnapshotTestSupport.h"
#include "platform/FileIo.h"
#include "support/FakeDesktop.h"
#include "support/Languages.h"
#include "support/LayoutCheck.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>

#include <wx/choice.h>
#include <wx/dialog.h>
#include <wx/frame.h>
#include <wx/statusbr.h>
#include <wx/textctrl.h>
#include <wx/tglbtn.h>
#include <wx/uiaction.h>

namespace tess {
namespace {

namespace fs = std::filesystem;
using annotate::Tool;

wxDialog* Editor() {
    auto* d = wxDynamicCast(OpenAnnotationEditor(), wxDialog);
    return d && d->IsShown() ? d : nullptr;
}

void CloseEditor() {
    if (wxDialog* d = Editor())
        d->EndModal(wxID_CANCEL);
}

// Chooses the tool of `key` and drags from (x0, y0) to (x1, y1), in picture pixels.
void Drag(int key, int x0, int y0, int x1, int y1) {
    wxDialog* d = Editor();
    wxWindow* canvas = d->FindWindow(annot_id::Canvas);
    test::SendKey(*d, key);
    test::SendMouse(*canvas, wxEVT_LEFT_DOWN, AnnotationEditorScreenPoint(x0, y0));
    test::SendMouse(*canvas, wxEVT_MOTION, AnnotationEditorScreenPoint((x0 + x1) / 2, y1), false,
                    true);
    test::SendMouse(*canvas, wxEVT_MOTION, AnnotationEditorScreenPoint(x1, y1), false, true);
    test::SendMouse(*canvas, wxEVT_LEFT_UP, AnnotationEditorScreenPoint(x1, y1));
}

std::vector<std::string> Listing(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) // hidden files too
        names.push_back(e.path().filename().string() + ':' + std::to_string(e.file_size()));
    std::sort(names.begin(), names.end());
    return names;
}

std::unique_ptr<MemBm> PatternPicture(int w, int h) {
    auto p = std::make_unique<MemBm>(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            *reinterpret_cast<uint32_t*>(p->pixelAddress(x, y)) = test::Pattern(x, y);
    return p;
}

class EditSnapshotTest : public test::ClientFrameFixture {
protected:
    void SetUp() override {
        ClientFrameFixture::SetUp();
        if (!frame)
            return;
        GlobalSettings().editSnapshots = true;
        GlobalSettings().copyToClipboard = true;
    }
};

TEST_F(EditSnapshotTest, ARedactedRegionIsWrittenOnSaveAndCancelWritesNothing) {
    test::XTestDisplay x;
    Window win = x.create(100, 100, 200, 150, test::Pattern);
    test::Pump(50);
    GlobalSettings().lastRegion = "100,100,200,150";
    std::string refused;
    {
        test::Script script({[] { return Editor() != nullptr; }, test::Do([&] {
                                 // A capture asked for meanwhile (menu, hot key) is refused.
                                 client->RunCommand(id::Snapshot);
                                 refused = StatusText();
                             }),
                             test::Do([] { Drag('X', 20, 30, 80, 60); }),
                             test::Do([] { test::SendKey(*Editor(), 'S', wxMOD_CONTROL); })},
                            CloseEditor);
        client->RunCommand(id::SnapshotLastRegion);
    }
    EXPECT_EQ(refused, kEditorOpenRefusal);
    const std::string path = dir.str() + "/Tess_1.png";
    EXPECT_EQ(StatusText(), path);
    EXPECT_EQ(Listing(dir.path()).size(), 1u);
    EXPECT_EQ(desktop.shutters, 1);
    const auto px = test::PixelsSized(path, 200, 150);
    ASSERT_FALSE(px.empty());
    int inside = 0, outside = 0;
    for (int y = 0; y < 150; ++y)
        for (int x = 0; x < 200; ++x) {
            const uint32_t v = px[size_t(y) * 200 + x];
            if (x > 20 && x < 79 && y > 30 && y < 59)
                inside += v != 0;
            else if (x < 19 || x > 81 || y < 29 || y > 61)
                outside += v != test::Pattern(x, y);
        }
    EXPECT_EQ(inside, 0) << "pixels of the box not black";
    EXPECT_EQ(outside, 0) << "pixels outside the box changed";
    // The clipboard holds the picture written, never the grab.
    ASSERT_EQ(desktop.copied.size(), 1u);
    EXPECT_TRUE(desktop.copied[0].rgb == px);

    // Cancel after a change (the question answered Yes): nothing written, no shutter.
    const auto before = Listing(dir.path());
    {
        test::Script script({[] { return Editor() != nullptr; },
                             test::Do([] { Drag('R', 10, 10, 50, 50); }),
                             test::Do([] { test::SendKey(*Editor(), WXK_ESCAPE); }),
                             test::Do([] { test::SendKey(*Editor(), WXK_ESCAPE); })},
                            CloseEditor);
        client->RunCommand(id::SnapshotLastRegion);
    }
    EXPECT_EQ(Listing(dir.path()), before);
    EXPECT_EQ(StatusText(), kSnapshotDiscardedMessage);
    EXPECT_EQ(desktop.shutters, 1);
    EXPECT_EQ(desktop.copied.size(), 1u);
    x.destroy(win);
}

TEST_F(EditSnapshotTest, EditOnADisplayedPngReplacesItWholeAndCancelLeavesItAlone) {
    const std::string path = dir.str() + "/pic.png";
    ASSERT_EQ(WriteImageFile(*PatternPicture(120, 90), ImageFormat::kPng, path, -1), kImageOk);
    client->DisplayFile(path);
    test::Pump(50);
    const std::string original = ReadWholeFile(path).value_or("");
    {
        test::Script script({[] { return Editor() != nullptr; },
                             test::Do([] { Drag('R', 10, 10, 60, 50); }),
                             test::Do([] { test::SendKey(*Editor(), WXK_ESCAPE); }),
                             test::Do([] { test::SendKey(*Editor(), WXK_ESCAPE); })},
                            CloseEditor);
        client->RunCommand(id::FileEdit);
    }
    EXPECT_TRUE(ReadWholeFile(path) == original);
    {
        test::Script script({[] { return Editor() != nullptr; },
                             test::Do([] { Drag('R', 10, 10, 60, 50); }),
                             test::Do([] { test::SendKey(*Editor(), 'S', wxMOD_CONTROL); })},
                            CloseEditor);
        client->RunCommand(id::FileEdit);
    }
    const std::string edited = ReadWholeFile(path).value_or("");
    EXPECT_NE(edited, original);
    // Nothing of an older, longer file follows the picture's last chunk.
    ASSERT_GT(edited.size(), 12u);
    EXPECT_EQ(edited.substr(edited.size() - 12), std::string("\0\0\0\0IEND\xae\x42\x60\x82", 12));
    const auto px = test::PixelsSized(path, 120, 90);
    ASSERT_FALSE(px.empty());
    EXPECT_NE(px[30 * 120 + 10], test::Pattern(10, 30)) << "the rectangle's edge";
    EXPECT_EQ(px[80 * 120 + 100], test::Pattern(100, 80));
    ASSERT_NE(client->displayedFile(), nullptr);
    EXPECT_EQ(client->displayedFile()->fileName(), path);
}

// Text typed by real key events: the letters of tools are text; Enter ends it; Ctrl+Z and
// Ctrl+Shift+Z undo and redo it. `redo` chooses whether the text is there at the end.
EditedPicture TypeRexThenUndo(test::FakeDesktop& desktop, const MemBm& picture, bool redo,
                              std::vector<std::string>* layout, bool* textToolKept) {
    wxUIActionSimulator sim;
    wxTextCtrl* text = nullptr;
    std::vector<test::Step> steps = {
        [] { return Editor() != nullptr; },
        test::Do([&] {
            *layout = test::LayoutProblems(Editor());
            Drag('T', 20, 20, 20, 20);
            text = wxDynamicCast(Editor()->FindWindow(annot_id::TextEntry), wxTextCtrl);
        }),
        [&] { return text && text->IsShown(); },
        test::Do([&] {
            const wxRect r = text->GetScreenRect();
            sim.MouseMove(r.x + 5, r.y + 5); // the keys go where the pointer is
            test::Pump(50);
            sim.Text("Rex");
        }),
        [&] { return text->GetValue() == "Rex"; },
        test::Do([&] {
            auto tool = [](Tool t) {
                return wxDynamicCast(Editor()->FindWindow(annot_id::ToolFirst + int(t)),
                                     wxToggleButton)
                    ->GetValue();
            };
            *textToolKept = tool(Tool::Text) && !tool(Tool::Rectangle) && !tool(Tool::Ellipse) &&
                            !tool(Tool::Redact);
            sim.Char(WXK_RETURN);
        }),
        [&] { return !text->IsShown(); },
        test::Do([&] { sim.Char('z', wxMOD_CONTROL); }),
        test::Do([&] {
            if (redo)
                sim.Char('z', wxMOD_CONTROL | wxMOD_SHIFT);
        }),
        test::Do([] { test::SendKey(*Editor(), 'C', wxMOD_CONTROL); })};
    test::Script script(steps, CloseEditor, 60);
    return RunAnnotationEditor(nullptr, desktop, picture, EditorSetup{});
}

// Longer German labels and Japanese script fit the editor's bars; its mnemonics stay apart.
TEST_F(EditSnapshotTest, TheEditorIsLaidOutCleanlyInGermanAndJapanese) {
    MemBm picture(160, 100);
    picture.fill(0xFFFFFF);
    test::Labels english;
    const std::vector<std::string> langs = test::LayoutLanguages();
    for (const std::string& lang : langs) {
        test::LanguageScope scope("", lang);
        std::vector<std::string> layout;
        test::Labels labels;
        test::Script script({[] { return Editor() != nullptr; }, test::Do([&] {
                                 layout = test::LayoutProblems(Editor());
                                 test::ControlLabels(Editor(), labels);
                                 test::SendKey(*Editor(), WXK_ESCAPE);
                             })},
                            CloseEditor);
        RunAnnotationEditor(nullptr, desktop, picture, EditorSetup{});
        EXPECT_TRUE(layout.empty()) << lang << ": " << ::testing::PrintToString(layout);
        if (lang.empty())
            english = labels;
        else
            test::ExpectMnemonicsKept(english, labels, lang + " editor");
    }
}

TEST_F(EditSnapshotTest, TypedLettersSwitchNoToolAndRealKeysUndoAndRedo) {
    auto picture = std::make_unique<MemBm>(160, 100);
    picture->fill(0xFFFFFF);
    GlobalSettings().annotateTool = 0;
    std::vector<std::string> layout;
    bool kept = false;
    EditedPicture undone = TypeRexThenUndo(desktop, *picture, false, &layout, &kept);
    EXPECT_TRUE(layout.empty()) << ::testing::PrintToString(layout);
    EXPECT_TRUE(kept) << "a letter typed switched the tool";
    ASSERT_EQ(undone.kind, EditedPicture::Kind::Copied);
    ASSERT_TRUE(undone.picture);
    EXPECT_EQ(0, std::memcmp(undone.picture->bits(), picture->bits(), picture->sizeBytes()))
        << "Ctrl+Z left the text";
    EditedPicture redone = TypeRexThenUndo(desktop, *picture, true, &layout, &kept);
    ASSERT_TRUE(redone.picture);
    ASSERT_EQ(redone.picture->sizeBytes(), picture->sizeBytes());
    EXPECT_NE(0, std::memcmp(redone.picture->bits(), picture->bits(), picture->sizeBytes()))
        << "Ctrl+Shift+Z did not bring the text back";
    // The tool is remembered for the next time.
    EXPECT_EQ(GlobalSettings().annotateTool, int(Tool::Text));
}

// The program: --edit FILE, --edit -, --snapshot --edit and --snapshot with the setting on.
class ProgramEditTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!test::HaveDisplay() || test::ProgramPath().empty() || !test::HaveProgram("xdotool"))
            GTEST_SKIP() << "no X display, program or xdotool";
        env = "XDG_CONFIG_HOME='" + dir.str() + "/config' XDG_DATA_HOME='" + dir.str() +
              "/data' HOME='" + dir.str() + "/home' ";
        fs::create_directories(dir.path() / "config/Quorvanta");
        fs::create_directories(dir.path() / "shots");
        // Snapshots without the pointer: an earlier test leaves it anywhere, over a grabbed
        // window too, and a snapshot is compared with what that window shows.
        std::ofstream(dir.str() + "/config/Quorvanta/Tessaray.reg")
            << "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quorvanta\\Tessaray]\n"
               "\"DefaultDirectory\"=\""
            << dir.str() << "/shots\"\n\"EditSnapshots\"=\"1\"\n\"Cursor\"=\"0\"\n";
    }
    // Runs the program with `args`; once its editor shows, the pointer goes over it and `keys`
    // are pressed (xdotool key names; none: the program must end without a window).
    int Run(const std::string& args, const std::string& keys, std::string* out) {
        const std::string press =
            keys.empty()
                ? ""
                : "for i in \\$(seq 150); do w=\\$(xdotool search --onlyvisible --name "
                  "'^Edit ' | head -1); [ -n \\\"\\$w\\\" ] && break; sleep 0.2; done; "
                  "sleep 0.5; xdotool mousemove --window \\\"\\$w\\\" 60 60 sleep 0.3 key " +
                      keys + "; ";
        const std::string cmd = "sh -c \"" + env + "timeout 60 '" + test::ProgramPath() + "' " +
                                args + " > '" + dir.str() + "/out.txt' & p=\\$!; " + press +
                                "wait \\$p\"";
        int rc = test::RunCommand(cmd);
        *out = ReadWholeFile(dir.str() + "/out.txt").value_or("");
        return rc;
    }
    test::TempDir dir;
    std::string env;
};

TEST_F(ProgramEditTest, EditAndSnapshotEditEndWithTheirExitCodes) {
    const std::string file = dir.str() + "/pic.png";
    ASSERT_EQ(WriteImageFile(*PatternPicture(64, 48), ImageFormat::kPng, file, -1), kImageOk);
    const std::string original = ReadWholeFile(file).value_or("");
    std::string out;
    EXPECT_EQ(Run("--edit '" + file + "'", "Escape", &out), 1);
    EXPECT_TRUE(ReadWholeFile(file) == original);
    EXPECT_EQ(Run("--edit '" + file + "'", "r Return", &out), 0);
    EXPECT_EQ(out, file + "\n");
    EXPECT_EQ(test::PixelsSized(file, 64, 48).size(), 64u * 48);

    // A picture from standard input, saved to --output.
    const std::string copy = dir.str() + "/copy.bmp";
    EXPECT_EQ(Run("--edit - --output '" + copy + "' < '" + file + "'", "Return", &out), 0);
    EXPECT_EQ(out, copy + "\n");
    EXPECT_EQ(test::PixelsSized(copy, 64, 48), test::PixelsSized(file, 64, 48));

    // A grab that opens the editor and is cancelled writes nothing; without --edit the
    // snapshot is written at once, whatever the setting says.
    EXPECT_EQ(Run("--snapshot --region 0,0,40,30 --edit", "Escape", &out), 1);
    EXPECT_TRUE(fs::is_empty(dir.path() / "shots"));
    EXPECT_EQ(Run("--snapshot --region 0,0,40,30", "", &out), 0);
    EXPECT_EQ(out, dir.str() + "/shots/Tess_1.png\n");
    EXPECT_EQ(Run("--edit", "", &out), 2); // a usage error
}

// On a doubled screen (GDK_SCALE=2) the editor shows a snapshot at 100 %, one picture pixel a
// screen pixel: the picture saved has the grab's size, and a box dragged over it lands on the
// picture pixels under the pointer.
TEST_F(ProgramEditTest, AtGdkScaleTwoTheSavedSnapshotKeepsItsSizeAndTheBoxItsPlace) {
    test::XTestDisplay x;
    const Window win = x.create(300, 200, 200, 150, test::Pattern);
    std::vector<uint32_t> picture;
    for (int y = 0; y < 150; ++y)
        for (int px = 0; px < 200; ++px)
            picture.push_back(test::Pattern(px, y));
    const std::string file = dir.str() + "/scaled.png";
    const auto run = test::RedactAndSave(
        "GDK_SCALE=2 " + env + "timeout 60 '" + test::ProgramPath() +
            "' --snapshot --region 300,200,200,150 --edit --output '" + file + "'",
        dir.str(), "import -window root", picture, 200, 150, {300, 200}, 20, 30, 120, 90, [&] {
            // The whole editor on the 1920 x 1080 screen (960 x 540 at this scale), its
            // buttons too.
            std::string geometry;
            test::RunCommand("xdotool search --name '^Edit snapshot$' getwindowgeometry --shell",
                             &geometry);
            int gx = -1, gy = -1, gw = 0, gh = 0;
            for (const auto& [key, value] : {std::pair("X=", &gx), std::pair("Y=", &gy),
                                             std::pair("WIDTH=", &gw), std::pair("HEIGHT=", &gh)})
                if (const size_t at = geometry.find("\n" + std::string(key));
                    at != std::string::npos)
                    *value = std::atoi(geometry.c_str() + at + 1 + std::strlen(key));
            EXPECT_TRUE(gx >= 0 && gy >= 0 && gw > 0 && gh > 0 && gx + gw <= 1920 &&
                        gy + gh <= 1080)
                << geometry;
        });
    x.destroy(win);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, file + "\n");
    const auto saved = test::PixelsSized(file, 200, 150);
    ASSERT_FALSE(saved.empty());
    EXPECT_EQ(test::RedactionFaults(saved, picture, 200, 150, 20, 30, 120, 90), 0);
}

// The editor with each tool used once, for tools/screenshots/annotate.sh (skipped otherwise).
TEST(EditorScreenshots, EachToolOnce) {
    const char* out = std::getenv("TESS_SCREENSHOT_DIR");
    if (!out || !wxTheApp)
        GTEST_SKIP() << "run by tools/screenshots/annotate.sh";
    auto shot = [out](const std::string& name) {
        test::Pump(300);
        const std::string cmd = "import -window root '" + std::string(out) + "/" + name + ".png'";
        EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
    };
    const std::unique_ptr<MemBm> picture = PatternPicture(900, 560);
    test::FakeDesktop desktop;
    wxUIActionSimulator sim;
    test::Script script(
        {[] { return Editor() != nullptr; }, test::Do([&] { shot("annotate-open"); }), test::Do([] {
             const int drags[][5] = {
                 {'A', 60, 60, 220, 160},   {'L', 60, 220, 240, 240},  {'R', 280, 60, 420, 160},
                 {'E', 460, 60, 600, 160},  {'P', 640, 60, 800, 170},  {'M', 280, 200, 480, 240},
                 {'N', 100, 320, 100, 320}, {'N', 200, 320, 260, 400}, {'X', 520, 200, 700, 300}};
             for (const auto& d : drags)
                 Drag(d[0], d[1], d[2], d[3], d[4]);
             wxCommandEvent mosaic(wxEVT_CHOICE, annot_id::RedactStyle);
             mosaic.SetInt(1);
             Editor()->FindWindow(annot_id::RedactStyle)->GetEventHandler()->ProcessEvent(mosaic);
             Drag('X', 720, 200, 860, 300);
         }),
         test::Do([] { Drag('T', 320, 320, 320, 320); }), test::Do([&] {
             const wxRect r = Editor()->FindWindow(annot_id::TextEntry)->GetScreenRect();
             sim.MouseMove(r.x + 5, r.y + 5);
             test::Pump(50);
             sim.Text("Click here");
         }),
         test::Do([&] { shot("annotate-text-typing"); }), test::Do([&] { sim.Char(WXK_RETURN); }),
         test::Do([] { Drag('S', 300, 100, 300, 100); }), test::Do([&] { shot("annotate-tools"); }),
         test::Do([] { Drag('C', 40, 40, 620, 420); }), test::Do([&] { shot("annotate-cropped"); }),
         test::Do([] { test::SendKey(*Editor(), 'C', wxMOD_CONTROL); })},
        CloseEditor, 80, 400);
    EXPECT_TRUE(RunAnnotationEditor(nullptr, desktop, *picture, EditorSetup{}).picture);
}

} // namespace
} // namespace tess
