// `cmake --install` into a temporary DESTDIR: every file of the installed layout is there and
// accepted by the desktop's own checkers, and the installed launcher starts the installed
// window program.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <unistd.h>

#include "support/TestSupport.h"

namespace tess {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string Quote(const fs::path& p) {
    return "'" + p.string() + "'";
}

// A shell command's exit status and standard output.
struct Shell {
    int code;
    std::string out;
    explicit Shell(const std::string& cmd) { code = test::RunCommand(cmd, &out); }
};

// One installation shared by the tests below (installing takes a few seconds).
class Installed : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        root_ = new test::TempDir();
        install_ = new Shell("DESTDIR=" + Quote(root_->path()) + " cmake --install " +
                             Quote(TESS_BINARY_DIR) + " --prefix /usr 2>&1");
    }
    static void TearDownTestSuite() {
        delete root_;
        delete install_;
    }
    void SetUp() override { ASSERT_EQ(install_->code, 0) << install_->out; }
    static fs::path Usr() { return root_->path() / "usr"; }
    static fs::path Launcher() { return Usr() / "bin/tessaray"; }
    static inline test::TempDir* root_ = nullptr;
    static inline Shell* install_ = nullptr;
};

TEST_F(Installed, EveryFileIsInItsPlaceAndPassesTheDesktopCheckers) {
    const fs::path usr = Usr();
    for (const char* file : {"bin/tessaray", "libexec/tessaray/tessaray-window"})
        EXPECT_EQ(access((usr / file).c_str(), X_OK), 0) << file;
    EXPECT_FALSE(fs::exists(usr / "bin/tessaray-window"));
    // Icons of every usual size, each a PNG of its size with an alpha channel ("True" or
    // "Blend", by ImageMagick's version).
    for (const char* n : {"16", "22", "24", "32", "48", "64", "128", "256"}) {
        const fs::path icon =
            usr / "share/icons/hicolor" / (std::string(n) + "x" + n) / "apps/tessaray.png";
        Shell info("identify -format '%m %w %h %A' " + Quote(icon));
        ASSERT_EQ(info.code, 0) << icon;
        const std::string size = std::string("PNG ") + n + " " + n + " ";
        EXPECT_TRUE(info.out == size + "True" || info.out == size + "Blend") << info.out;
    }
    const fs::path desktop = usr / "share/applications/tessaray.desktop";
    const std::string entry = ReadAll(desktop);
    for (const char* line :
         {"\nExec=tessaray %f\n", "\nIcon=tessaray\n", "AudioVideo;Recorder;Utility;"})
        EXPECT_NE(entry.find(line), std::string::npos) << entry;
    const fs::path metainfo = usr / "share/metainfo/tessaray.metainfo.xml";
    EXPECT_NE(ReadAll(metainfo).find("tessaray.desktop</launchable>"), std::string::npos);
    // The translations: merged into both, and each catalog installed.
    for (const std::string lang : {"de", "ja"}) {
        EXPECT_NE(entry.find("\nComment[" + lang + "]="), std::string::npos) << entry;
        EXPECT_NE(entry.find("\nKeywords[" + lang + "]="), std::string::npos) << entry;
        EXPECT_NE(ReadAll(metainfo).find("<summary xml:lang=\"" + lang + "\">"), std::string::npos);
        EXPECT_TRUE(fs::exists(usr / "share/locale" / lang / "LC_MESSAGES/tessaray.mo")) << lang;
    }
    for (auto [checker, file] : {std::pair{"desktop-file-validate", desktop},
                                 {"appstreamcli validate --no-net", metainfo}}) {
        Shell check(std::string(checker) + " " + Quote(file) + " 2>&1");
        EXPECT_EQ(check.code, 0) << checker << " (desktop-file-utils, appstream)\n" << check.out;
    }
    // The manual page formats without a warning, and documents the switches.
    const std::string page = Quote(usr / "share/man/man1/tessaray.1");
    Shell warnings("LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l " + page + " 2>&1 >/dev/null");
    EXPECT_EQ(warnings.code, 0);
    EXPECT_EQ(warnings.out, "");
    Shell text("LC_ALL=C.UTF-8 MANWIDTH=80 man -l " + page + " 2>/dev/null");
    for (const char* switch_ :
         {"--snapshot", "--record", "--help", "--version", "-m, /m", "-u, /u"})
        EXPECT_NE(text.out.find(switch_), std::string::npos) << switch_;
    // The help book, when there is one.
    EXPECT_EQ(fs::is_directory(usr / "share/tessaray/help"),
              fs::exists(fs::path(TESS_SOURCE_DIR) / "resources/help"));
}

TEST_F(Installed, TheInstalledLauncherRunsTheInstalledWindowProgram) {
    Shell version("env -u DISPLAY " + Quote(Launcher()) + " --version");
    EXPECT_EQ(version.code, 0);
    EXPECT_EQ(version.out.rfind("tessaray ", 0), 0u) << version.out;
    if (!test::HaveDisplay() || !test::HaveProgram("xdotool") || !test::HaveProgram("ffprobe"))
        GTEST_SKIP() << "needs an X display, xdotool and ffprobe";
    // A client that stays connected, so the X server does not reset between the programs
    // below (a server that resets as its last client leaves refuses the next one for a moment).
    Shell keeper("xprop -root -spy >/dev/null 2>&1 & echo $!");
    const pid_t keeperPid = atoi(keeper.out.c_str());
    std::shared_ptr<void> stopKeeper(nullptr, [keeperPid](void*) {
        if (keeperPid > 0)
            kill(keeperPid, SIGTERM);
    });
    test::TempDir home;
    const std::string env = "XDG_CONFIG_HOME=" + Quote(home.path() / "config") +
                            " XDG_DATA_HOME=" + Quote(home.path() / "data") +
                            " XDG_STATE_HOME=" + Quote(home.path() / "state") + " ";
    // A recording through the window program's windowless command.
    const fs::path movie = home.path() / "one.wmv";
    Shell record(env + "timeout 60 " + Quote(Launcher()) +
                 " --record --seconds 1 --region 0,0,320,240 --output " + Quote(movie));
    ASSERT_EQ(record.code, 0) << record.out;
    EXPECT_EQ(record.out, movie.string() + "\n");
    Shell probe("ffprobe -v error -select_streams v:0 -count_frames -show_entries "
                "stream=width,height,nb_read_frames -of csv=p=0 " +
                Quote(movie));
    EXPECT_EQ(probe.out.rfind("320,240,", 0), 0u) << probe.out;
    EXPECT_GT(atoi(probe.out.c_str() + 8), 0) << probe.out;

    // The main window, with the log-on start asked for in the settings.
    fs::create_directories(home.path() / "config/Quorvanta");
    std::ofstream(home.path() / "config/Quorvanta/Tessaray.reg")
        << "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quorvanta\\Tessaray]\n"
           "\"AlwaysStart\"=\"1\"\n";
    // Shown (within a minute: a loaded machine's sanitizer build can take 20 s), then ended by
    // SIGTERM with status 0 (killed after 20 s if it does not end).
    const fs::path log = home.path() / "window.log";
    Shell window(env + Quote(Launcher()) + " >" + Quote(log) +
                 " 2>&1 & p=$!; for i in $(seq 600); do "
                 "xdotool search --onlyvisible --pid $p --class '^Tessaray$' >/dev/null 2>&1 && "
                 "echo shown && break; kill -0 $p 2>/dev/null || break; sleep 0.1; done; kill $p; "
                 "(sleep 20; kill -9 $p) >/dev/null 2>&1 & wait $p; echo exit $?");
    EXPECT_EQ(window.out, "shown\nexit 0\n") << ReadAll(log);
    // The log-on entry names the installed launcher; nothing was written beside the programs.
    const std::string entry = ReadAll(home.path() / "config/autostart/tessaray.desktop");
    EXPECT_NE(entry.find("Exec=" + Launcher().string() + "\n"), std::string::npos) << entry;
    for (const auto& f : fs::recursive_directory_iterator(Usr()))
        EXPECT_NE(f.path().extension(), ".log") << f.path();
}

} // namespace
} // namespace tess
