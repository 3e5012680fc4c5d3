// "Copy Text from Region..." (the fourth hot key's message) over a terminal and "Copy Text" of
// a picture in a frame on a real X server: clipboard (xclip), status, notification, Escape.
#include "capture/TextCapture.h"
#include "capture/SelectR.h"
#include "capture/TClient.h"
#include "capture/WxDesktopServices.h"
#include "media/TextPrep.h"
#include "media/WriteImageFile.h"
#include "resources/Ids.h"
#include "resources/ui/Messages.h"

#include "ClientFrameFixture.h"
#include "SnapshotTestSupport.h"
#include "bench/TextPictures.h"
#include "support/LayoutCheck.h"

#include <csignal>
#include <fstream>
#include <future>

namespace tess {
namespace {

constexpr char kTerminalText[] = "cp: cannot open 'notes.txt' for reading\n"
                                 "Permission denied (error 13)";

class TextCaptureTest : public test::ClientFrameFixture {
protected:
    void BeforeClient() override {
        GlobalSettings().notify = true;
        GlobalSettings().ocrLanguage = "eng";
        real = std::make_unique<WxDesktopServices>(frame);
        desktop.clipboard = real.get();
    }
    bool ReadingEnds() {
        return test::PumpUntil([&] { return !client->text().running(); }, 30000);
    }

    std::unique_ptr<WxDesktopServices> real;
};

TEST_F(TextCaptureTest, HotKeyRegionOverATerminalPutsItsTextOnTheClipboard) {
    if (!test::HaveProgram("xterm") || !test::HaveProgram("xclip"))
        GTEST_SKIP() << "needs xterm and xclip";
    // A terminal at (100, 100), dark on light, without a cursor; the drag takes it whole.
    std::ofstream(dir.str() + "/text.txt") << kTerminalText;
    std::string size;
    test::RunCommand(
        "xterm -T tess-text -geometry 44x2+100+100 -bg white -fg black -fa "
        "'DejaVu Sans Mono' -fs 11 -e sh -c \"printf '\\033[?25l'; cat " +
            dir.str() +
            "/text.txt; exec sleep 60\" >/dev/null 2>&1 & pid=$!; "
            "for i in $(seq 50); do xwininfo -name tess-text 2>/dev/null | grep -q "
            "IsViewable && break; sleep 0.1; done; sleep 0.5; xwininfo -name "
            "tess-text | awk -v p=$pid '/Width:/ {w=$2} /Height:/ {h=$2} END {print p, w, h}'",
        &size);
    int terminal = 0, w = 0, h = 0;
    ASSERT_EQ(std::sscanf(size.c_str(), "%d %d %d", &terminal, &w, &h), 3) << size;
    test::Script drag(
        {[] { return SelectR::Active() && SelectR::Active()->IsShown(); }, test::Do([w, h] {
             SelectR& dlg = *SelectR::Active();
             test::SendMouse(dlg, wxEVT_LEFT_DOWN, {100, 100});
             test::SendMouse(dlg, wxEVT_MOTION, {100 + w, 100 + h}, false, true);
             test::SendMouse(dlg, wxEVT_LEFT_UP, {100 + w, 100 + h});
         })},
        [] {});
    PostMessage(client, msg::HotKeyText);
    ASSERT_TRUE(test::PumpUntil([&] { return drag.finished() && !SelectR::Active(); }, 15000));
    ASSERT_TRUE(ReadingEnds());
    kill(terminal, SIGTERM);
    ASSERT_EQ(desktop.copiedTexts.size(), 1u) << StatusText();
    const std::string text = desktop.copiedTexts[0];
    EXPECT_GE(bench::Accuracy(kTerminalText, text), 0.98) << text;
    EXPECT_EQ(StatusText(), "Text copied: " + std::to_string(CharacterCount(text)) + " characters");
    ASSERT_EQ(desktop.notices.size(), 1u);
    EXPECT_EQ(desktop.notices[0].kind, CaptureNotice::Kind::TextCopied);
    EXPECT_EQ(desktop.notices[0].message, FirstLine(text));
    // Read while this program pumps its events to serve the clipboard.
    std::string clip;
    auto reader = std::async(std::launch::async, [&] {
        test::RunCommand("xclip -selection clipboard -o -t UTF8_STRING", &clip);
    });
    EXPECT_TRUE(test::PumpUntil(
        [&] { return reader.wait_for(std::chrono::seconds(0)) == std::future_status::ready; },
        15000));
    reader.wait();
    EXPECT_EQ(clip, text);
    EXPECT_FALSE(GlobalSettings().lastRegion.empty());

    // Escape in the selection window: nothing read, nothing copied.
    test::Script escape({[] { return SelectR::Active() && SelectR::Active()->IsShown(); },
                         test::Do([] { test::SendKey(*SelectR::Active(), WXK_ESCAPE); })},
                        [] {});
    client->RunCommand(id::CopyTextFromRegion);
    EXPECT_TRUE(escape.finished());
    EXPECT_FALSE(client->text().running());
    EXPECT_EQ(desktop.copiedTexts.size(), 1u);
}

TEST_F(TextCaptureTest, CopyTextReadsTheDisplayedPictureAndCancelStopsIt) {
    const std::string page = dir.str() + "/page.png", blank = dir.str() + "/blank.png";
    std::string lines;
    for (int i = 1; i <= 40; ++i)
        lines += "Line " + std::to_string(i) + " of a long page, read in one piece.\n";
    ASSERT_EQ(WriteImageFile(*bench::DrawTextPicture(kTerminalText, {"DejaVu Sans 12px"}),
                             ImageFormat::kPng, page, -1),
              0);
    ASSERT_EQ(WriteImageFile(*bench::DrawGradient(300, 100), ImageFormat::kPng, blank, -1), 0);
    EXPECT_FALSE(CommandUiFor(id::FileCopyText, client->View()).enabled);
    client->DisplayFile(page);
    ASSERT_TRUE(CommandUiFor(id::FileCopyText, client->View()).enabled);
    client->RunCommand(id::FileCopyText);
    EXPECT_FALSE(CommandUiFor(id::FileCopyText, client->View()).enabled); // while reading
    ASSERT_TRUE(ReadingEnds());
    ASSERT_EQ(desktop.copiedTexts.size(), 1u) << StatusText();
    EXPECT_GE(bench::Accuracy(kTerminalText, desktop.copiedTexts[0]), 0.98);

    // No text: said, and the clipboard left as it was.
    client->DisplayFile(blank);
    client->RunCommand(id::FileCopyText);
    ASSERT_TRUE(ReadingEnds());
    EXPECT_EQ(StatusText(), Tr(kNoTextFoundMessage)); // the screenshot runs are translated
    EXPECT_EQ(desktop.copiedTexts.size(), 1u);

    // A long page: its dialog shows, and Escape there cancels it.
    const std::string longPage = dir.str() + "/long.png";
    ASSERT_EQ(WriteImageFile(*bench::DrawTextPicture(lines, {"DejaVu Sans 12px"}),
                             ImageFormat::kPng, longPage, -1),
              0);
    client->DisplayFile(longPage);
    client->RunCommand(id::FileCopyText);
    ASSERT_TRUE(test::PumpUntil([&] { return client->text().progressDialog(); }, 5000));
    TextProgressDialog* dialog = client->text().progressDialog();
    EXPECT_EQ(test::LayoutProblems(dialog), std::vector<std::string>{});
    if (const char* out = std::getenv("TESS_SCREENSHOT_DIR")) { // tools/screenshots/text.sh
        test::Pump(300);
        const wxRect r = dialog->GetScreenRect().Inflate(8, 20);
        test::RunCommand("import -window root -crop " + std::to_string(r.width) + "x" +
                         std::to_string(r.height) + "+" + std::to_string(r.x) + "+" +
                         std::to_string(r.y - 12) + " +repage '" + out + "/text-progress.png'");
    }
    test::SendKey(*dialog, WXK_ESCAPE);
    ASSERT_TRUE(ReadingEnds());
    EXPECT_EQ(StatusText(), kRecognitionCancelledMessage);
    EXPECT_EQ(desktop.copiedTexts.size(), 1u);
    EXPECT_TRUE(desktop.messages.empty());
}

} // namespace
} // namespace tess
