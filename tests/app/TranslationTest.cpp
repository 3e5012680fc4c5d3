// The program in other languages: the catalog chosen from the environment and from the
// Language setting, menus that keep their keys and gain no mnemonic clash, numbers that read
// the same in every locale, and the launcher's texts.
#include "app/AboutDlg.h"
#include "app/AppTestSupport.h"
#include "app/Menus.h"
#include "capture/ExportControl.h"
#include "capture/TextCapture.h"
#include "media/Trim.h"
#include "schedule/ui/SchedDialog.h"
#include "settings/ui/PatternDialog.h"
#include "support/Languages.h"
#include "support/LayoutCheck.h"

#include <clocale>
#include <wx/menu.h>
#include <wx/statusbr.h>
#include <wx/toolbar.h>
#include <wx/translation.h>

namespace tess {
namespace {

class Translations : public test::FrameFixture {
protected:
    // Every menu the program builds, in the current language.
    static std::vector<test::Labels> AllMenus() {
        std::vector<test::Labels> out;
        std::unique_ptr<wxMenuBar> bar(BuildMainMenu());
        for (size_t i = 0; i < bar->GetMenuCount(); ++i) {
            test::Labels title{{-1, bar->GetMenuLabel(i)}};
            out.push_back(title);
            test::MenuLabels(bar->GetMenu(i), out);
        }
        std::unique_ptr<wxMenu> popup(BuildPopupMenu()), tray(BuildTrayMenu());
        test::MenuLabels(popup.get(), out);
        test::MenuLabels(tray.get(), out);
        return out;
    }
    static std::string FileMenuTitle() {
        std::unique_ptr<wxMenuBar> bar(BuildMainMenu());
        return bar->GetMenuLabel(0).utf8_string();
    }
};

TEST_F(Translations, MenusKeepTheirKeysAndMnemonicsAndGainNoClash) {
    const std::vector<test::Labels> english = AllMenus();
    // The menu bar's titles are one menu of their own.
    test::Labels titles;
    std::unique_ptr<wxMenuBar> bar(BuildMainMenu());
    for (size_t i = 0; i < bar->GetMenuCount(); ++i)
        titles[int(i)] = bar->GetMenuLabel(i);
    const auto englishTitleClashes = test::MnemonicClashes(titles);
    ASSERT_FALSE(test::CatalogLanguages().empty());
    for (const std::string& lang : test::CatalogLanguages()) {
        SCOPED_TRACE(lang);
        test::LanguageScope scope("", lang);
        const std::vector<test::Labels> translated = AllMenus();
        ASSERT_EQ(translated.size(), english.size());
        size_t changed = 0;
        for (size_t m = 0; m < english.size(); ++m) {
            ASSERT_EQ(translated[m].size(), english[m].size());
            for (const auto& [id, label] : english[m]) {
                const wxString& t = translated[m].at(id);
                SCOPED_TRACE(label.utf8_string() + " -> " + t.utf8_string());
                changed += t != label;
                // The key text after the tab stays as it is.
                EXPECT_EQ(t.AfterFirst('\t'), label.AfterFirst('\t'));
                EXPECT_EQ(test::MnemonicOf(t) != 0, test::MnemonicOf(label) != 0);
            }
            for (const auto& clash : test::MnemonicClashes(translated[m])) {
                if (!test::MnemonicClashes(english[m]).count(clash))
                    ADD_FAILURE() << "\"" << translated[m].at(clash.first).utf8_string()
                                  << "\" and \"" << translated[m].at(clash.second).utf8_string()
                                  << "\" share a mnemonic";
            }
        }
        EXPECT_GT(changed, english.size()) << "the menus are still in English";
        test::Labels translatedTitles;
        std::unique_ptr<wxMenuBar> tbar(BuildMainMenu());
        for (size_t i = 0; i < tbar->GetMenuCount(); ++i)
            translatedTitles[int(i)] = tbar->GetMenuLabel(i);
        for (const auto& clash : test::MnemonicClashes(translatedTitles))
            EXPECT_TRUE(englishTitleClashes.count(clash))
                << translatedTitles[clash.first].utf8_string() << " / "
                << translatedTitles[clash.second].utf8_string();
    }
}

TEST_F(Translations, TheLanguageComesFromTheEnvironmentOrTheSettingAndNumbersStayC) {
    {
        test::LanguageScope scope("de_DE.UTF-8", "");
        EXPECT_EQ(FileMenuTitle(), "&Datei");
        // Numbers keep their C form under a locale that writes "1,5": times on the command line
        // and values in settings files read alike everywhere.
        EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
        EXPECT_EQ(ParseTrimTime("1.5"), 1500);
        EXPECT_EQ(wxString::Format("%.1f", 1.5), "1.5");
        EXPECT_EQ(std::strtod("1.5", nullptr), 1.5);
        // The messages of the toolkit-free code follow too.
        EXPECT_STRNE(Tr("Stop Recording"), "Stop Recording");
        // Time names follow the user's locale.
        std::tm t{};
        t.tm_year = 126, t.tm_mon = 2, t.tm_mday = 1;
        char month[32];
        std::strftime(month, sizeof month, "%B", &t);
        EXPECT_STREQ(month, "März");
    }
    {
        test::LanguageScope scope("ja_JP.UTF-8", "");
        EXPECT_EQ(FileMenuTitle(), "ファイル(&F)");
    }
    {
        // LANGUAGE before LANG, its first language with a catalog, as gettext reads it.
        test::LanguageScope scope("de_DE.UTF-8", "nl:ja:de");
        EXPECT_EQ(FileMenuTitle(), "ファイル(&F)");
        EXPECT_STREQ(Tr("&File"), "ファイル(&F)");
    }
    {
        // A language without a catalog: English.
        test::LanguageScope scope("sw_KE.UTF-8", "");
        EXPECT_EQ(FileMenuTitle(), "&File");
    }
    {
        // The Language setting goes before the environment.
        GlobalSettings().language = "ja";
        ASSERT_TRUE(SaveSettings().ok);
        // Before a desktop's LANGUAGE too, and on a desktop in the C locale (where gettext
        // reads no LANGUAGE), for the windows' texts and the toolkit-free code's alike.
        for (auto [lang, language] :
             {std::pair{"de_DE.UTF-8", ""}, {"de_DE.UTF-8", "de"}, {"C", ""}}) {
            test::LanguageScope scope(lang, language);
            EXPECT_EQ(FileMenuTitle(), "ファイル(&F)") << lang << " " << language;
            EXPECT_STREQ(Tr("&File"), "ファイル(&F)") << lang << " " << language;
        }
        GlobalSettings().language.clear();
        ASSERT_TRUE(SaveSettings().ok);
        test::LanguageScope("", ""); // English again, now that nothing is chosen
    }
    EXPECT_EQ(FileMenuTitle(), "&File");
    EXPECT_STREQ(Tr("Stop Recording"), "Stop Recording");
}

TEST_F(Translations, TheFrameShowsItsMenusAndStatusInTheLanguage) {
    test::LanguageScope scope("de_DE.UTF-8", "");
    MakeFrame();
    EXPECT_EQ(frame->GetMenuBar()->GetMenuLabel(0), "&Datei");
    // A tool's hint, shown in the status bar while the pointer is over it, and its tip.
    const wxToolBarToolBase* tool = frame->toolBar().bar->FindById(id::StopRecording);
    ASSERT_NE(tool, nullptr);
    frame->DoGiveHelp(tool->GetLongHelp(), true);
    EXPECT_EQ(frame->GetStatusBar()->GetStatusText(0), "Aufzeichnung stoppen");
    EXPECT_EQ(tool->GetShortHelp(), "Aufzeichnung stoppen");
    // The German tool bar fits the frame, which grows to hold it.
    frame->SetUp();
    test::Pump(100);
    EXPECT_EQ(test::LayoutProblems(frame->toolBar().bar), std::vector<std::string>{});
}

// The dialogs not checked with their pages elsewhere, in English, German and Japanese: laid out
// cleanly, mnemonics apart.
TEST_F(Translations, DialogsAreLaidOutCleanlyInGermanAndJapanese) {
    MakeFrame();
    std::vector<std::function<wxDialog*()>> makers = {
        [&] { return new AboutDlg(frame, desktop); },
        [&] {
            return new ExportOptionsDialog(frame, ExportFormat::Gif, 15, {{0, 1000}});
        },
        [&] {
            return new ExportProgressDialog(frame, "/home/user/Videos/Recording 1.webm", [] {});
        },
        [&] { return new TextProgressDialog(frame, [] {}); },
        [&] {
            static std::string pattern = "Tess %Y-%m-%d";
            static int32_t instance = 1;
            return new TPatternDialog(frame, desktop, &pattern, 0, &instance);
        },
        [&] {
            static ScheduleEvent event;
            static EventList none;
            return new TEventDialog(frame, desktop, -1, &event, &none);
        },
    };
    std::vector<test::Labels> english(makers.size());
    const std::vector<std::string> langs = test::LayoutLanguages();
    for (const std::string& lang : langs) {
        test::LanguageScope scope("", lang);
        for (size_t i = 0; i < makers.size(); ++i) {
            wxDialog* d = makers[i]();
            d->Show();
            test::Pump(100);
            const std::string where = lang + " " + d->GetTitle().utf8_string();
            for (const std::string& p : test::LayoutProblems(d))
                ADD_FAILURE() << where << ": " << p;
            test::Labels labels;
            test::ControlLabels(d, labels);
            if (lang.empty())
                english[i] = labels;
            else
                test::ExpectMnemonicsKept(english[i], labels, where);
            d->Destroy();
            test::Pump(20);
        }
    }
}

// The launcher: --help and a usage error in the language, the printed path as it is.
TEST(TranslatedLauncher, HelpAndUsageErrorsAreTranslatedAndPathsAreNot) {
    const std::string exe = TESS_BINARY_DIR "/tessaray";
    std::string help, bad;
    EXPECT_EQ(test::RunCommand("LANG=de_DE.UTF-8 LANGUAGE= " + exe + " --help", &help), 0);
    EXPECT_NE(help.find("Aufruf"), std::string::npos) << help;
    EXPECT_EQ(test::RunCommand("LANG=de_DE.UTF-8 LANGUAGE= " + exe + " --bogus 2>&1", &bad), 2);
    EXPECT_EQ(bad.find("unknown option"), std::string::npos) << bad;
    // What scripts read stays as it is: the written file's path.
    const std::string file = ::testing::TempDir() + "/translated-launcher.png";
    std::string printed;
    EXPECT_EQ(test::RunCommand("LANG=de_DE.UTF-8 LANGUAGE= " + exe +
                                   " --snapshot --region 0,0,16,16 --output " + file,
                               &printed),
              0);
    EXPECT_EQ(printed, file + "\n");
    std::filesystem::remove(file);
}

} // namespace
} // namespace tess
