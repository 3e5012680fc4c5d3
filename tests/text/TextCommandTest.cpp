// `tessaray --text` as a program: picture files, standard input, the screen, the clipboard.
#include <gtest/gtest.h>

#include "bench/TextPictures.h"
#include "capture/TextCommand.h"
#include "media/WriteImageFile.h"
#include "platform/FileIo.h"
#include "support/TestSupport.h"
#include "support/XTestWindows.h"

namespace tess {
namespace {

constexpr char kText[] = "Disk almost full: 312 MB left on /home.\n"
                         "Delete old snapshots or move them to another disk.";

std::string Quote(const std::string& s) {
    return "'" + s + "'";
}

// Runs the program with `args`; its standard output in `out`, standard error in `err`.
int RunProgram(const std::string& args, std::string* out, std::string* err,
               const test::TempDir& dir) {
    const std::string errFile = dir.str() + "/err.txt";
    const int status =
        test::RunCommand(Quote(test::ProgramPath()) + " " + args + " 2>" + Quote(errFile), out);
    *err = ReadWholeFile(errFile).value_or("");
    return status;
}

TEST(TextCommand, PictureFilesStandardInputAndExitCodes) {
    test::TempDir dir;
    const std::string png = dir.str() + "/text.png", bmp = dir.str() + "/none.bmp";
    const auto picture = bench::DrawTextPicture(kText, {"DejaVu Sans 12px"});
    ASSERT_EQ(WriteImageFile(*picture, ImageFormat::kPng, png, -1), 0);
    ASSERT_EQ(WriteImageFile(*bench::DrawGradient(300, 80), ImageFormat::kBmp, bmp, -1), 0);
    struct Row {
        std::string args;
        int status;
        std::string err; // the start of standard error
    } rows[] = {
        {"--text --input " + Quote(png), 0, ""},
        {"--text --lang eng --input - < " + Quote(png), 0, ""},
        {"--text --input " + Quote(bmp), 1, "tessaray: No text found\n"},
        {"--text --lang eng+xyz --input " + Quote(png), 1,
         "tessaray: No language data for 'xyz': install tesseract-ocr-xyz.\n"},
        {"--text --input " + Quote(png) + " --region 0,0,10,10", 2, "tessaray: --input cannot"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.args);
        std::string out, err;
        EXPECT_EQ(RunProgram(row.args, &out, &err, dir), row.status) << err;
        EXPECT_EQ(err.rfind(row.err, 0), 0u) << err;
        if (row.status == 0)
            EXPECT_GE(bench::Accuracy(std::string(kText) + "\n", out), 0.98) << out;
        else
            EXPECT_EQ(out, "");
    }
}

TEST(TextCommand, OptionsTakeOneSourceAndTheSnapshotsTargets) {
    TextOptions o = ParseTextOptions(
        {{"text", ""}, {"region", "last"}, {"lang", "deu"}, {"clipboard", ""}}, "5,6,70,80");
    ASSERT_TRUE(o.ok) << o.error;
    EXPECT_TRUE(o.area && o.area->width() == 70 && o.clipboard && o.languages == "deu");
    o = ParseTextOptions({{"text", ""}, {"input", "-"}, {"notify", ""}});
    EXPECT_TRUE(o.ok && o.input == "-" && !o.area && !o.window);
    const LongOptions wrong[] = {{{"text", "x"}},
                                 {{"text", ""}, {"input", ""}},
                                 {{"text", ""}, {"lang", ""}},
                                 {{"text", ""}, {"format", "png"}},
                                 {{"text", ""}, {"output", "a.png"}},
                                 {{"text", ""}, {"window", "0x1"}, {"monitor", "0"}},
                                 {{"text", ""}, {"monitor", "0"}, {"input", "a.png"}}};
    for (const LongOptions& options : wrong)
        EXPECT_FALSE(ParseTextOptions(options).ok) << options.back().first;
}

TEST(TextCommand, RegionOfTheScreenGoesToStandardOutputAndStaysOnTheClipboard) {
    if (!test::HaveDisplay() || !test::HaveProgram("xclip"))
        GTEST_SKIP() << "needs a display and xclip";
    test::TempDir dir;
    test::XTestDisplay x;
    const auto picture = bench::DrawTextPicture(kText, {"DejaVu Sans 12px", 0xE0E0E0, 0x303030});
    const Window w = x.create(100, 200, picture->width(), picture->height(),
                              [&](int px, int py) { return test::PixelAt(*picture, px, py); });
    x.sync();
    const std::string region =
        "100,200," + std::to_string(picture->width()) + "," + std::to_string(picture->height());
    std::string out, err;
    ASSERT_EQ(RunProgram("--text --clipboard --region " + region, &out, &err, dir), 0) << err;
    EXPECT_EQ(err, "");
    EXPECT_GE(bench::Accuracy(std::string(kText) + "\n", out), 0.98) << out;
    out.pop_back(); // the line break after the text
    for (const char* target : {"UTF8_STRING", "text/plain;charset=utf-8", "STRING"}) {
        std::string clip;
        EXPECT_EQ(test::RunCommand(std::string("xclip -selection clipboard -o -t '") + target + "'",
                                   &clip),
                  0);
        EXPECT_EQ(clip, out) << target;
    }
    // Another program takes the clipboard, and the holder ends.
    test::RunCommand("echo x | timeout 0.5 xclip -quiet -selection clipboard -i >/dev/null 2>&1");
    x.destroy(w);
}

} // namespace
} // namespace tess
