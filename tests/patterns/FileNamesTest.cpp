// Capture file names from patterns: instance numbers, the family stem, pruning by age, and
// names that never leave the capture directory.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

#include "settings/FileNames.h"
#include "settings/Settings.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace tess {
namespace {

class FileNamesTest : public ::testing::Test {
protected:
    std::string dir() const { return tmp_.str(); }
    std::string at(const std::string& name) const { return (tmp_.path() / name).string(); }
    void touch(const std::string& name) { std::ofstream(at(name)) << "x"; }
    // Files created one after another, with modification times in the same order.
    void touchInOrder(const std::vector<std::string>& names) {
        for (const auto& n : names) {
            touch(n);
            timespec times[2] = {{sec, 0}, {sec, 0}};
            utimensat(AT_FDCWD, at(n).c_str(), times, 0);
            sec += 10;
            std::this_thread::sleep_for(std::chrono::milliseconds(15));
        }
    }
    int64_t sec = 1'000'000'000; // the next file's modification time
    std::set<std::string> names() const {
        std::set<std::string> out;
        for (auto& e : fs::directory_iterator(tmp_.path()))
            out.insert(e.path().filename().string());
        return out;
    }
    std::string make(std::string_view pattern, std::string_view ext, int32_t keep = -1,
                     int32_t mode = 0) {
        auto r = MakeCaptureFileName(dir(), pattern, ext, keep, mode);
        EXPECT_TRUE(r.ok) << r.error;
        return r.path;
    }
    test::TempDir tmp_;
};

TEST_F(FileNamesTest, InstanceNumbersAndThePlainName) {
    EXPECT_EQ(make("Tess", "png"), at("Tess_1.png"));
    // One separator after a directory that ends in one.
    EXPECT_EQ(MakeCaptureFileName(dir() + "/", "Tess", "png", -1, 0).path, at("Tess_1.png"));
    touch("Tess_1.png");
    touch("Tess_2.png");
    EXPECT_EQ(make("Tess", "png"), at("Tess_3.png"));
    fs::remove(at("Tess_1.png"));
    EXPECT_EQ(make("Tess", "png"), at("Tess_1.png")); // not one past the highest
    EXPECT_EQ(make("Tess", "jpg"), at("Tess_1.jpg")); // another extension, another name
    // A dangling link is a name in use: nothing is written through it.
    fs::create_symlink(at("nowhere"), at("Tess_1.png"));
    EXPECT_EQ(make("Tess", "png"), at("Tess_3.png"));
    // Bit 0 of the mode: the plain name while it is free; other bits change nothing.
    EXPECT_EQ(make("Tess", "png", -1, 1), at("Tess.png"));
    touch("Tess.png");
    EXPECT_EQ(make("Tess", "png", -1, 1), at("Tess_3.png"));
    EXPECT_EQ(make("Tess", "gif", -1, 2), at("Tess_1.gif"));
    EXPECT_EQ(make("", "wmv"), at("rad_1.wmv"));
    EXPECT_EQ(JoinCaptureDirectory("/a/b", "c"), "/a/b/c");
    EXPECT_EQ(JoinCaptureDirectory("/a/b/", "c"), "/a/b/c");
}

TEST_F(FileNamesTest, FullFamilyAndUnusableDirectoriesFail) {
    for (int n = 1; n <= kMaxInstanceNumber; ++n)
        touch("Full_" + std::to_string(n) + ".bmp");
    auto r = MakeCaptureFileName(dir(), "Full", "bmp", -1, 0);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.path.empty());
    EXPECT_NE(r.error.find("9999"), std::string::npos) << r.error;
    EXPECT_EQ(make("Full", "bmp", -1, 1), at("Full.bmp")); // the plain name is still free
    touch("plain");
    for (auto [where, says] : {std::pair{at("missing"), "missing"},
                               {at("plain"), "not a directory"},
                               {std::string(), ""}}) {
        r = MakeCaptureFileName(where, "Tess", "png", -1, 0);
        EXPECT_FALSE(r.ok) << where;
        EXPECT_FALSE(r.error.empty());
        EXPECT_NE(r.error.find(says), std::string::npos) << r.error;
    }
}

TEST_F(FileNamesTest, NamesStayInTheDirectoryAndStemRules) {
    for (std::string pattern : {"../../etc/x", "/abs/path", "a\\b", "%D %T", "*?:.", ".."}) {
        std::string path = make(pattern, "png");
        fs::path p(path);
        EXPECT_EQ(p.parent_path(), tmp_.path()) << pattern;
        EXPECT_FALSE(HasExcludedChar(p.stem().string())) << pattern << " -> " << path;
    }
    EXPECT_EQ(make("../x", "png"), at("---x_1.png"));
    // A family stem with a slash does not prune outside either.
    fs::create_directory(at("sub"));
    std::ofstream(at("sub/y_1.png")) << "x";
    make("sub/y_%H", "png", 1);
    EXPECT_TRUE(fs::exists(at("sub/y_1.png")));
    // The underscore decides before the dot.
    for (auto [pattern, stem] : {std::pair{"Tess", "Tess"},
                                 {"Tess_%H%M", "Tess"},
                                 {"%Y%m%d", "%Y%m%d"},
                                 {"a.b_c", "a.b"},
                                 {"a.b.c", "a"},
                                 {"", ""},
                                 {"_x", ""}})
        EXPECT_EQ(FamilyStem(pattern), stem) << pattern;
}

TEST_F(FileNamesTest, PruningKeepsTheNewestOfTheFamily) {
    touchInOrder({"Tess_1.wmv", "Tess_2.wmv", "Tess_3.wmv", "Tess_4.wmv", "Tess_5.wmv"});
    touch("Other_1.wmv");
    touch("Tess_1.png");    // another extension, another family
    make("Tess", "wmv", 0); // keep 0 or less: nothing goes
    make("Tess", "wmv", -1);
    EXPECT_TRUE(PruneOldFiles(dir(), "Tess", "wmv", -1));
    EXPECT_EQ(names().size(), 7u);
    EXPECT_EQ(make("Tess", "wmv", 3), at("Tess_1.wmv"));
    EXPECT_EQ(names(),
              (std::set<std::string>{"Tess_4.wmv", "Tess_5.wmv", "Other_1.wmv", "Tess_1.png"}));
    // The family of "Tess_%H%M" is "Tess": the plain pattern's files go too.
    touchInOrder({"Tess_0910_1.wmv"});
    make("Tess_%H%M", "wmv", 2);
    EXPECT_EQ(names(), (std::set<std::string>{"Tess_0910_1.wmv", "Other_1.wmv", "Tess_1.png"}));
    // A stem of codes prunes nothing.
    std::string today = ExpandPattern("%Y%m%d");
    touchInOrder({today + "_1.wmv", today + "_2.wmv", today + "_3.wmv"});
    make("%Y%m%d", "wmv", 2);
    EXPECT_EQ(names().size(), 6u);
}

TEST_F(FileNamesTest, OldestByCreationTimeWhereKeptAndAFailedDeletionStopsPruning) {
    touchInOrder({"F_a.gif", "F_b.gif", "F_c.gif"});
    // Rewriting the first file makes it the newest by modification time.
    timespec later[2] = {{2'000'000'000, 0}, {2'000'000'000, 0}};
    utimensat(AT_FDCWD, at("F_a.gif").c_str(), later, 0);
    struct statx sx;
    ASSERT_EQ(statx(AT_FDCWD, at("F_a.gif").c_str(), 0, STATX_BTIME, &sx), 0);
    std::string oldest;
    EXPECT_EQ(FindOldestFile(dir(), "F", "gif", &oldest), 3);
    if (sx.stx_mask & STATX_BTIME)
        EXPECT_EQ(oldest, at("F_a.gif"));
    else
        EXPECT_EQ(oldest, at("F_b.gif"));
    EXPECT_EQ(FindOldestFile(at("missing"), "F", "gif", &oldest), 0);
    EXPECT_EQ(FindOldestFile(dir(), "G", "gif", &oldest), 0);
    // A failed deletion stops pruning, and the next name is still found.
    fs::create_directory(at("Tess_1.wmv")); // matches the mask, cannot be deleted as a file
    std::this_thread::sleep_for(std::chrono::milliseconds(15));
    touchInOrder({"Tess_2.wmv", "Tess_3.wmv"});
    timespec old[2] = {{1, 0}, {1, 0}};
    utimensat(AT_FDCWD, at("Tess_1.wmv").c_str(), old, 0);
    EXPECT_FALSE(PruneOldFiles(dir(), "Tess", "wmv", 1));
    EXPECT_EQ(names().size(), 6u); // the three pictures and the three videos
    EXPECT_EQ(make("Tess", "wmv", 2), at("Tess_4.wmv"));
}

TEST(PatternExpansionTest, CodesLimitsAndExtensions) {
    std::tm t{};
    t.tm_year = 108, t.tm_mon = 2, t.tm_mday = 14, t.tm_hour = 15, t.tm_min = 9, t.tm_sec = 26;
    t.tm_wday = 5, t.tm_yday = 73;
    EXPECT_EQ(ExpandPattern("%Y-%m-%d", 260, &t), "2008-03-14");
    EXPECT_EQ(ExpandPattern("Tess_%H%M%S", 260, &t), "Tess_150926");
    EXPECT_EQ(ExpandPattern("%j %w %y %I%p", 260, &t), "074 5 08 03PM");
    EXPECT_EQ(ExpandPattern("", 260, &t), "");
    // Longer than the destination: cut, never lost.
    std::string longPattern(300, 'a');
    EXPECT_EQ(ExpandPattern(longPattern, 260, &t).size(), 259u);
    EXPECT_EQ(ExpandPattern("%Y%Y%Y", 7, &t), "200820");
    // Every code of the list expands to something.
    const PatternCode* codes = PatternCodes();
    for (int row = 1; codes[row].line[0]; ++row) {
        EXPECT_FALSE(ExpandPattern(codes[row].insert, 260, &t).empty()) << codes[row].insert;
        EXPECT_EQ(std::string(codes[row].line).substr(0, 2), codes[row].insert);
    }
    const char* want[] = {"bmp", "png", "bmp", "bmp", "gif", "jpg"}; // formats -1..4
    for (int f = -1; f <= 4; ++f)
        EXPECT_EQ(ExtensionForImageFormat(f), want[f + 1]) << f;
}

TEST(PatternExampleTest, DialogAndFilePageExamplesAndExcludedCharacters) {
    EXPECT_EQ(PatternDialogExample("", 0, true), "Tess_1.png");
    EXPECT_EQ(PatternDialogExample("", 2, false), "Tess.wmv");
    EXPECT_EQ(PatternDialogExample("Shot", 1, true), "Shot_1.bmp");
    EXPECT_EQ(PatternDialogExample("Shot", 7, false), "Shot.bmp");
    EXPECT_EQ(PatternDialogExample("Shot", 4, false), "Shot.jpg");
    // The caption: no stem, no extension, "." and ":" kept.
    EXPECT_EQ(PatternDialogExample("", -1, false), "");
    EXPECT_EQ(PatternDialogExample("a.b: c", -1, false), "a.b: c");

    EXPECT_EQ(FilePageVideoExample("Tess", 0), "Tess_1.wmv");
    EXPECT_EQ(FilePageVideoExample("Tess", 1), "Tess.wmv");
    EXPECT_EQ(FilePageVideoExample("", 0), "Tess_1.wmv");
    EXPECT_EQ(FilePagePictureExample("", 0, 0), "_1.png");
    EXPECT_EQ(FilePagePictureExample("Tess", 2, 3), "Tess_1.gif");
    EXPECT_EQ(FilePagePictureExample("Tess", 1, 4), "Tess.jpg");
    EXPECT_EQ(FilePagePictureExample("Tess", 0, 1), "Tess_1.bmp");
    EXPECT_TRUE(HasExcludedChar("a.b"));
    EXPECT_FALSE(HasExcludedChar("Tess_%H %M"));
    EXPECT_EQ(CleanFileNamePart("12/06/26 16:41:50"), "12-06-26 16-41-50");
    EXPECT_EQ(CleanFileNamePart("a*b?c\\d.e"), "a-b-c-d-e");
}

TEST(GlobalNamingTest, UsesTheCaptureDirectoryAndInstanceMode) {
    test::TempDir tmp;
    Settings& s = GlobalSettings();
    const Settings saved = s;
    s.defaultDirectory = tmp.str();
    s.fileInstanceMode = 1;
    auto r = MakeCaptureFileName("Tess", "png", -1);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.path, (tmp.path() / "Tess.png").string());
    s = saved;
}

} // namespace
} // namespace tess
