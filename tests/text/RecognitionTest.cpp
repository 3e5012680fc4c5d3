// Text read off pictures of screen text drawn at test time, and the recogniser's missing parts.
#include "media/TextPrep.h"
#include "platform/TextRecognizer.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

#include "support/TestSupport.h"
#include "text/TextPictures.h"

namespace tess {
namespace {

using test::Accuracy;
using test::DrawTextPicture;
using test::TextLook;

constexpr char kDialog[] = "The file could not be saved because the disk is full.\n"
                           "Free some space and try again, or choose another folder.\n"
                           "Error 0x80070070 at 14:32 on Tuesday, 8 December 2026";
constexpr char kTerminal[] = "user@host:~/src$ ls -l build/tessaray\n"
                             "-rwxr-xr-x 1 user user 4812064 Dec 8 22:14 build/tessaray\n"
                             "user@host:~/src$ make test 2>&1 | tail -n 3";

struct Case {
    const char* name;
    std::string text;
    TextLook look;
    double least; // the accuracy it must reach
};

// Reads each case's picture and checks its accuracy; prints the table.
void ExpectAccuracy(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        const auto picture = DrawTextPicture(c.text, c.look);
        std::string text, error;
        ASSERT_TRUE(ReadScreenText(*picture, "eng", &text, &error)) << c.name << ": " << error;
        const double accuracy = Accuracy(c.text, text);
        std::printf("accuracy %-26s %6.2f %%\n", c.name, 100 * accuracy);
        EXPECT_GE(accuracy, c.least) << c.name << " read as:\n" << text;
    }
}

TEST(TextRecognition, UiTextInLightAndDarkThemesAtThreeSizesWithAndWithoutSmoothing) {
    ExpectAccuracy({
        {"light 9 px", kDialog, {"DejaVu Sans 9px"}, 0.98},
        {"light 11 px", kDialog, {"DejaVu Sans 11px"}, 0.98},
        {"light 13 px", kDialog, {"DejaVu Sans 13px"}, 0.98},
        {"dark 11 px", kDialog, {"DejaVu Sans 11px", 0xEEEEEE, 0x2B2B2B}, 0.98},
        {"light 11 px not smoothed", kDialog, {"DejaVu Sans 11px", 0, 0xFFFFFF, false}, 0.98},
        {"dark 11 px not smoothed", kDialog, {"DejaVu Sans 11px", 0xEEEEEE, 0x2B2B2B, false}, 0.98},
    });
}

TEST(TextRecognition, TerminalsColoursAndAForm) {
    ExpectAccuracy({
        {"terminal light", kTerminal, {"DejaVu Sans Mono 12px", 0x202020, 0xFFFFFF}, 0.98},
        {"terminal dark", kTerminal, {"DejaVu Sans Mono 12px", 0xD0D0D0, 0x000000}, 0.98},
        {"grey on grey", kDialog, {"DejaVu Sans 11px", 0x404040, 0xB8B8B8}, 0.98},
        {"white on blue", kDialog, {"DejaVu Sans 11px", 0xFFFFFF, 0x1E5AA8}, 0.98},
        {"two-column form",
         "Name: Alice Smith\nStreet: 12 Garden Lane\nCity: Springfield\nPhone: 555 0134",
         {"DejaVu Sans 11px", 0, 0xF2F2F2, true, 8, false, 160},
         0.98},
    });
}

TEST(TextRecognition, IconsLeaveNoDebrisAndATightCropLosesNothing) {
    ExpectAccuracy({
        {"list with icons",
         "Documents\nDownloads\nMusic\nPictures\nVideos\nProjects 2026\nTrash",
         {"DejaVu Sans 11px", 0x202020, 0xFFFFFF, true, 8, true},
         0.95},
        {"tight crop",
         "Connection timed out. Retry in 30 seconds?",
         {"DejaVu Sans 11px", 0, 0xFFFFFF, true, 0},
         0.995},
    });
    const auto gradient = test::DrawGradient(400, 120);
    std::string text, error;
    ASSERT_TRUE(ReadScreenText(*gradient, "eng", &text, &error)) << error;
    EXPECT_EQ(text, "");
}

TEST(TextRecognizer, MissingLibraryAndLanguagesAreNamedWithTheirPackages) {
    test::TempDir empty, onlyEnglish;
    const std::string folder = LanguageDataFolder();
    std::filesystem::create_symlink(folder + "/eng.traineddata",
                                    onlyEnglish.path() / "eng.traineddata");
    std::string error;
    EXPECT_FALSE(TextRecognizer::create("eng", &error, empty.str()));
    EXPECT_EQ(error, "No language data for 'eng': install tesseract-ocr-eng.");
    EXPECT_FALSE(TextRecognizer::create("eng+deu", &error, onlyEnglish.str()));
    EXPECT_EQ(error, "No language data for 'deu': install tesseract-ocr-deu.");
    EXPECT_EQ(MissingLanguageMessage("eng+chi_sim", onlyEnglish.str()),
              "No language data for 'chi_sim': install tesseract-ocr-chi-sim.");
    EXPECT_EQ(MissingLanguageMessage("../eng", onlyEnglish.str()),
              "No language data for '../eng'.");
    EXPECT_EQ(InstalledLanguages(onlyEnglish.str()), std::vector<std::string>{"eng"});
    EXPECT_FALSE(TextRecognizer::create("eng", &error, onlyEnglish.str(), "libtesseract.so.0"));
    EXPECT_EQ(error, kNoRecognizerMessage);
    auto english = TextRecognizer::create("eng", &error, onlyEnglish.str());
    ASSERT_TRUE(english) << error;
    EXPECT_EQ(english->languages(), "eng");
}

TEST(TextRecognizer, LocaleChoosesAnInstalledModelElseEnglish) {
    EXPECT_EQ(LanguageForLocale("de_DE.UTF-8"), "deu");
    EXPECT_EQ(LanguageForLocale("pt_BR.UTF-8@euro"), "por");
    EXPECT_EQ(LanguageForLocale("zh_CN.UTF-8"), "chi_sim");
    EXPECT_EQ(LanguageForLocale("zh_TW"), "chi_tra");
    EXPECT_EQ(LanguageForLocale("ja_JP"), "jpn");
    EXPECT_EQ(LanguageForLocale("C.UTF-8"), "");
    const std::vector<std::string> installed = {"deu", "eng"};
    EXPECT_EQ(ChosenTextLanguages("", "de_AT.UTF-8", installed), "deu");
    EXPECT_EQ(ChosenTextLanguages("", "fr_FR.UTF-8", installed), "eng");
    EXPECT_EQ(ChosenTextLanguages("eng+deu", "fr_FR.UTF-8", installed), "eng+deu");
}

// The OpenMP runtime reads its thread limit when it loads, which in this program (as in the
// window program) another library made it do before the recogniser came: the recogniser's
// thread must still read a page alone, and the limit be set for the library's own loading.
// Checked in a fresh process of this test, whose threads are counted.
TEST(TextRecognizer, RecognitionAddsNoThreadsAndSetsTheThreadLimit) {
    if (!std::getenv("TESS_OPENMP_CHILD")) {
        const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
        std::string out;
        const int status = test::RunCommand(
            "env -u OMP_THREAD_LIMIT TESS_OPENMP_CHILD=1 '" + self +
                "' --gtest_filter=TextRecognizer.RecognitionAddsNoThreadsAndSetsTheThreadLimit"
                " 2>&1",
            &out);
        EXPECT_EQ(status, 0) << out;
        EXPECT_NE(out.find("[  PASSED  ] 1 test"), std::string::npos) << out;
        return;
    }
    auto threads = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/task"),
                             std::filesystem::directory_iterator());
    };
    std::string page;
    for (int i = 1; i <= 30; ++i)
        page += "Line " + std::to_string(i) + " of a page that the recogniser reads in parts.\n";
    const auto picture = DrawTextPicture(page, {"DejaVu Sans 11px"});
    const auto before = threads();
    std::string text, error;
    ASSERT_TRUE(ReadScreenText(*picture, "eng", &text, &error)) << error;
    EXPECT_GE(Accuracy(page, text + "\n"), 0.98);
    EXPECT_EQ(threads(), before);
    ASSERT_NE(std::getenv("OMP_THREAD_LIMIT"), nullptr);
    EXPECT_STREQ(std::getenv("OMP_THREAD_LIMIT"), "1");
}

} // namespace
} // namespace tess
