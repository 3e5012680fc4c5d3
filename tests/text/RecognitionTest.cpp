// Text read off pictures of screen text drawn at test time, and the recogniser's missing parts.
#include "media/TextPrep.h"
#include "platform/TextRecognizer.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

#include "bench/TextPictures.h"
#include "support/TestSupport.h"

namespace tess {
namespace {

// Another library loaded the OpenMP runtime before the recogniser (as in the window program),
// so it read no thread limit: a page is still read on this thread alone. The limit is set too.
// First in the program, so that no reading has run before.
TEST(TextRecognizer, RecognitionAddsNoThreadsAndSetsTheThreadLimit) {
    auto threads = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/task"), {});
    };
    std::string page;
    for (int i = 1; i <= 30; ++i)
        page += "Line " + std::to_string(i) + " of a page that the recogniser reads in parts.\n";
    const auto before = threads();
    std::string text, error;
    ASSERT_TRUE(ReadScreenText(*bench::DrawTextPicture(page, {}), "eng", &text, &error)) << error;
    EXPECT_GE(bench::Accuracy(page, text + "\n"), 0.98);
    EXPECT_EQ(threads(), before);
    ASSERT_NE(std::getenv("OMP_THREAD_LIMIT"), nullptr);
    EXPECT_STREQ(std::getenv("OMP_THREAD_LIMIT"), "1");
}

// Each case read to its least accuracy (the table is printed); a gradient holds no text.
TEST(TextRecognition, ScreenTextIsReadToEachCasesAccuracyAndAGradientHasNone) {
    for (const bench::TextCase& c : bench::ScreenTextCases()) {
        std::string text, error;
        ASSERT_TRUE(ReadScreenText(*bench::DrawTextPicture(c.text, c.look), "eng", &text, &error))
            << c.name << ": " << error;
        const double accuracy = bench::Accuracy(c.text, text);
        std::printf("accuracy %-26s %6.2f %%\n", c.name, 100 * accuracy);
        EXPECT_GE(accuracy, c.least) << c.name << " read as:\n" << text;
    }
    std::string text, error;
    ASSERT_TRUE(ReadScreenText(*bench::DrawGradient(400, 120), "eng", &text, &error)) << error;
    EXPECT_EQ(text, "");
}

TEST(TextRecognizer, MissingLibraryAndLanguagesAreNamedWithTheirPackages) {
    test::TempDir empty, onlyEnglish;
    std::filesystem::create_symlink(LanguageDataFolder() + "/eng.traineddata",
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
    EXPECT_TRUE(TextRecognizer::create("eng", &error, onlyEnglish.str())) << error;
}

TEST(TextRecognizer, LocaleChoosesAnInstalledModelElseEnglish) {
    EXPECT_EQ(LanguageForLocale("de_DE.UTF-8") + LanguageForLocale("pt_BR.UTF-8@euro") +
                  LanguageForLocale("ja_JP") + LanguageForLocale("C.UTF-8"),
              "deuporjpn");
    EXPECT_EQ(LanguageForLocale("zh_CN.UTF-8") + LanguageForLocale("zh_TW"), "chi_simchi_tra");
    const std::vector<std::string> installed = {"deu", "eng"};
    EXPECT_EQ(ChosenTextLanguages("", "de_AT.UTF-8", installed), "deu");
    EXPECT_EQ(ChosenTextLanguages("", "fr_FR.UTF-8", installed), "eng");
    EXPECT_EQ(ChosenTextLanguages("eng+deu", "fr_FR.UTF-8", installed), "eng+deu");
}

} // namespace
} // namespace tess
