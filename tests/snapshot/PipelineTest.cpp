// The order of a snapshot's steps with a recording host and the real screen: the start action
// and its undo, prompt, selection, the delay's beeps before the grab, shutter, status, display.
#include "SnapshotTestSupport.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <utility>

#include "capture/SnapshotPipeline.h"
#include "media/MemBm.h"
#include "platform/FileIo.h"

namespace tess {
namespace {

namespace fs = std::filesystem;

class LogHost : public SnapshotHost {
public:
    explicit LogHost(ScreenConnection* s, std::string dir) : screen(s), dir_(std::move(dir)) {}
    void HideFrame() override { log.push_back("hide"); }
    void MinimizeFrame() override { log.push_back("minimize"); }
    void ShowFrameNormal() override { log.push_back("show"); }
    void ShowPrompt(const std::string& t) override { log.push_back("prompt:" + t); }
    void RebuildTitle() override { log.push_back("title"); }
    bool SelectWindow(WindowId* w) override { return Select("select-window", w, window); }
    bool SelectRectangle(ScreenRect* r) override { return Select("select-rect", r, rect); }
    void Wait(int ms) override { log.push_back("wait" + std::to_string(ms)); }
    void ShowCountdown(int left, std::optional<ScreenRect>) override {
        log.push_back("count" + std::to_string(left));
    }
    void HideCountdown() override { log.push_back("uncount"); }
    bool CountdownCancelled() override { return escapeAt > 0 && escapeAt == Waits(); }
    int Waits() const {
        return static_cast<int>(
            std::count_if(log.begin(), log.end(), [](auto& e) { return e.rfind("wait", 0) == 0; }));
    }
    void Beep() override { log.push_back("beep" + std::to_string(Files())); }
    void CopyPicture(const MemBm&) override { log.push_back("copy" + std::to_string(Files())); }
    void PlayShutter() override { log.push_back("shutter" + std::to_string(Files())); }
    void ShowStatus(const std::string& t) override { status = t, log.push_back("status"); }
    void NotifyCapture(const CaptureNotice& n) override {
        log.push_back(n.kind == CaptureNotice::Kind::Failed ? "notify-failed:" + n.message
                                                            : "notify:" + n.path);
    }
    void DisplayFile(const std::string& p) override { log.push_back("display:" + p); }
    ScreenConnection* Screen() override { return screen; }
    template <class T> bool Select(const char* step, T* out, const T& value) {
        log.push_back(step);
        if (choose)
            *out = value;
        return choose;
    }
    // Picture files in the directory now.
    int Files() const {
        return static_cast<int>(std::count_if(fs::directory_iterator(dir_), {},
                                              [](const auto& e) { return e.is_regular_file(); }));
    }

    ScreenConnection* screen;
    bool choose = true;
    int escapeAt = 0; // Escape during this wait (counting from 1)
    WindowId window = 0;
    ScreenRect rect{10, 10, 60, 50};
    std::vector<std::string> log;
    std::string status;

private:
    std::string dir_;
};

using Log = std::vector<std::string>;

class PipelineTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!test::HaveDisplay())
            GTEST_SKIP() << "no X display";
        screen = ScreenConnection::open();
        ASSERT_TRUE(screen);
        s = test::QuietSnapshotSettings(dir.str());
    }
    test::TempDir dir;
    std::unique_ptr<ScreenConnection> screen;
    Settings s;
};

TEST_F(PipelineTest, WindowCommandHidesSelectsSnapsAndShowsAgain) {
    test::XTestDisplay x;
    Window win = x.createSolid(300, 200, 50, 40, 0x336699);
    s.captureAction = 1;
    s.displayOpenAuto = true;
    s.scaleEnable = true;
    s.copyToClipboard = s.notify = true;
    LogHost host(screen.get(), dir.str());
    host.window = win;
    auto out = SnapshotWindowCommand(host, s);
    ASSERT_TRUE(out && out->ok) << (out ? out->message : "cancelled");
    const std::string path = dir.str() + "/Tess_1.png";
    EXPECT_EQ(out->path, path);
    EXPECT_EQ(host.log, (Log{"hide", "prompt:Click the window that you wish to snap...",
                             "select-window", "wait100", "title", "copy1", "shutter1", "status",
                             "notify:" + path, "display:" + path, "show", "title"}));
    EXPECT_EQ(host.status, path);
    EXPECT_FALSE(s.scaleEnable); // every capture switches the scale off
    auto px = test::PixelsSized(path, 50, 40);
    EXPECT_EQ(std::count(px.begin(), px.end(), 0x336699u), 50 * 40);
    x.destroy(win);
}

TEST_F(PipelineTest, CancelledSelectionOnlyUndoesTheStartAction) {
    s.captureAction = 2;
    LogHost host(screen.get(), dir.str());
    host.choose = false;
    EXPECT_FALSE(SnapshotRegionCommand(host, s));
    EXPECT_EQ(host.log, (Log{"minimize", "prompt:Click and drag the rectangle you wish to snap...",
                             "select-rect", "show", "title"}));
    EXPECT_EQ(host.Files(), 0);

    // No start action: the frame is left alone, the title still rebuilt.
    s.captureAction = 0;
    host.log.clear();
    EXPECT_FALSE(SnapshotWindowCommand(host, s));
    EXPECT_EQ(host.log,
              (Log{"prompt:Click the window that you wish to snap...", "select-window", "title"}));
}

TEST_F(PipelineTest, DelayBeepsOnceASecondForItsSecondsBeforeTheGrab) {
    s.captureDelay = true;
    s.captureAction = 1;
    LogHost host(screen.get(), dir.str());
    auto out = SnapshotScreenCommand(host, s);
    ASSERT_TRUE(out && out->ok) << out->message;
    // No file during the beeps; the file is there when the shutter sounds.
    // The countdown shows each second's number and is unmapped 100 ms before the grab.
    EXPECT_EQ(host.log, (Log{"hide", "count3", "wait1000", "beep0", "count2", "wait1000", "beep0",
                             "count1", "wait1000", "beep0", "uncount", "wait100", "title",
                             "shutter1", "status", "show", "title"}));
    EXPECT_FALSE(test::PixelsSized(out->path, 1920, 1080).empty());
    // Two seconds, Escape in the second: no further beep, no file, the status says so.
    s.snapshotDelay = 2;
    host.escapeAt = 2;
    host.log.clear();
    out = SnapshotScreenCommand(host, s);
    ASSERT_TRUE(out && out->cancelled);
    EXPECT_EQ(host.log, (Log{"hide", "count2", "wait1000", "beep1", "count1", "wait1000", "uncount",
                             "title", "status", "show", "title"}));
    EXPECT_EQ(host.Files(), 1);
    EXPECT_EQ(host.status, kSnapshotCancelledMessage);
}

TEST_F(PipelineTest, FailuresShowInTheStatusBarWithoutShutterOrDisplay) {
    s.displayOpenAuto = true;
    s.copyToClipboard = s.notify = true;
    LogHost host(screen.get(), dir.str()), blind(nullptr, dir.str());
    host.rect = ScreenRect{40, 40, 40, 40};
    // A click without a drag; format 2 (no picture file); a directory that cannot be written;
    // no display at all.
    const std::function<std::optional<SnapshotOutcome>()> failures[] = {
        [&] { return SnapshotRegionCommand(host, s); },
        [&] { return s.imageFormat = 2, SnapshotScreenCommand(host, s); },
        [&] { return s.defaultDirectory = "/proc/tessaray-test", SnapshotScreenCommand(host, s); },
        [&] { return s.defaultDirectory = dir.str(), SnapshotScreenCommand(blind, s); }};
    const char* said[] = {"failed", "", "", "screen"};
    for (auto& fail : failures) {
        SCOPED_TRACE(&fail - failures);
        host.log.clear(), host.status.clear(), blind.status.clear();
        auto out = fail();
        s.imageFormat = 0;
        ASSERT_TRUE(out);
        EXPECT_FALSE(out->ok);
        EXPECT_EQ(host.Files(), 0);
        EXPECT_NE(out->message.find(said[&fail - failures]), std::string::npos) << out->message;
        EXPECT_EQ(host.status + blind.status, out->message); // in the status bar
        const Log& steps = host.log.empty() ? blind.log : host.log;
        EXPECT_EQ(std::count(steps.begin(), steps.end(), "notify-failed:" + out->message), 1);
        for (const std::string& step : host.log)
            EXPECT_TRUE(step.find("shutter") == step.npos && step.find("display") == step.npos &&
                        step.find("copy") == step.npos)
                << step;
    }
}

TEST_F(PipelineTest, CaptionEnabledButEmptyWritesThePictureAsGrabbed) {
    test::XTestDisplay x;
    Window win = x.createSolid(0, 0, 120, 60, 0x804020);
    s.capEnable = true;
    s.capString.clear();
    LogHost host(screen.get(), dir.str());
    host.rect = ScreenRect{0, 0, 120, 60};
    auto out = SnapshotRegionCommand(host, s);
    ASSERT_TRUE(out && out->ok) << out->message;
    auto px = test::PixelsSized(out->path, 120, 60);
    EXPECT_EQ(std::count(px.begin(), px.end(), 0x804020u), 120 * 60);
    x.destroy(win);
}

} // namespace
} // namespace tess

namespace tess {
namespace {

// A host whose editor answers as told, with a picture of its own (30 x 20, one colour).
class EditHost : public LogHost {
public:
    using LogHost::LogHost;
    bool MayEdit() override { return mayEdit; }
    EditedPicture EditPicture(const MemBm& grabbed) override {
        log.push_back("edit" + std::to_string(grabbed.width()) + "x" +
                      std::to_string(grabbed.height()) + ":" + std::to_string(Files()));
        if (!meanwhile.empty()) // another capture writes its file while the editor is open
            std::ofstream(std::exchange(meanwhile, {})) << "x";
        auto edited = std::make_shared<MemBm>(30, 20);
        edited->fill(0x332211);
        return {kind, edited, path};
    }
    void CopyPicture(const MemBm& p) override {
        log.push_back("copy" + std::to_string(Files()) + ":" + std::to_string(p.width()));
    }
    bool mayEdit = true;
    std::string meanwhile;
    EditedPicture::Kind kind = EditedPicture::Kind::Save;
    std::string path;
};

TEST_F(PipelineTest, TheEditorsAnswerDecidesWhatIsWrittenAndCopied) {
    s.editSnapshots = s.copyToClipboard = s.notify = true;
    EditHost host(screen.get(), dir.str());
    const ScreenRect area{0, 0, 60, 50};
    // Save: the file is named after the editor (the name another capture took meanwhile is
    // not taken again) and written with its picture, which the clipboard gets too.
    host.meanwhile = dir.str() + "/Tess_1.png";
    SnapshotOutcome out = TakeSnapshot(host, s, 0, area);
    ASSERT_TRUE(out.ok) << out.message;
    const std::string path = dir.str() + "/Tess_2.png";
    EXPECT_EQ(host.log,
              (Log{"title", "edit60x50:0", "copy2:30", "shutter2", "status", "notify:" + path}));
    auto px = test::PixelsSized(path, 30, 20);
    EXPECT_EQ(std::count(px.begin(), px.end(), 0x112233u), 30 * 20);

    // Copy: the clipboard only. Cancel: nothing at all.
    host.kind = EditedPicture::Kind::Copied;
    host.log.clear();
    out = TakeSnapshot(host, s, 0, area);
    EXPECT_TRUE(!out.ok && out.copied && out.cancelled);
    EXPECT_EQ(host.log, (Log{"title", "edit60x50:2", "copy2:30", "status"}));
    EXPECT_EQ(host.status, kSnapshotCopiedMessage);
    host.kind = EditedPicture::Kind::Discarded;
    host.log.clear();
    out = TakeSnapshot(host, s, 0, area);
    EXPECT_TRUE(!out.ok && !out.copied && out.cancelled);
    EXPECT_EQ(host.log, (Log{"title", "edit60x50:2", "status"}));
    EXPECT_EQ(host.status, kSnapshotDiscardedMessage);

    // Save As...: the file chosen, in the format its name says.
    host.kind = EditedPicture::Kind::Save;
    host.path = dir.str() + "/chosen.bmp";
    out = TakeSnapshot(host, s, 0, area);
    EXPECT_EQ(out.path, host.path);
    EXPECT_EQ(ReadWholeFile(host.path).value_or("").substr(0, 2), "BM");

    // A host that may not edit (a control request), or the setting off: written at once.
    host.mayEdit = false;
    host.log.clear();
    out = TakeSnapshot(host, s, 0, area);
    EXPECT_EQ(out.path, dir.str() + "/Tess_3.png");
    host.mayEdit = true;
    s.editSnapshots = false;
    out = TakeSnapshot(host, s, 0, area);
    EXPECT_EQ(out.path, dir.str() + "/Tess_4.png");
    EXPECT_EQ(test::PixelsSized(out.path, 60, 50).size(), 60u * 50);
    EXPECT_TRUE(std::none_of(host.log.begin(), host.log.end(),
                             [](const std::string& step) { return step.rfind("edit", 0) == 0; }));
}

} // namespace
} // namespace tess
