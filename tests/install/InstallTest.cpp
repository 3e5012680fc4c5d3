// `cmake --install` into a temporary DESTDIR: every file of the installed layout is there and
// accepted by the desktop's own checkers, and the installed launcher starts the installed
// window program.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

#include "support/TestSupport.h"

namespace tess {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Runs a shell command; `out` gets its standard output alone.
int Shell(const std::string& cmd, std::string* out) {
    out->clear();
    return test::RunCommand(cmd, out);
}

std::string Quote(const fs::path& p) {
    return "'" + p.string() + "'";
}

// One installation shared by the tests below (installing takes a few seconds).
class Installed : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        root_ = new test::TempDir();
        installOutput_ = new std::string();
        installCode_ = test::RunCommand("DESTDIR=" + Quote(root_->path()) + " cmake --install " +
                                            Quote(TESS_BINARY_DIR) + " --prefix /usr 2>&1",
                                        installOutput_);
    }
    static void TearDownTestSuite() {
        delete root_;
        delete installOutput_;
    }
    void SetUp() override { ASSERT_EQ(installCode_, 0) << *installOutput_; }

    static fs::path Usr() { return root_->path() / "usr"; }
    static fs::path Launcher() { return Usr() / "bin/tessaray"; }

    static test::TempDir* root_;
    static std::string* installOutput_;
    static int installCode_;
};
test::TempDir* Installed::root_ = nullptr;
std::string* Installed::installOutput_ = nullptr;
int Installed::installCode_ = -1;

TEST_F(Installed, EveryFileIsInItsPlaceAndPassesTheDesktopCheckers) {
    const fs::path usr = Usr();
    for (const char* file : {"bin/tessaray", "libexec/tessaray/tessaray-window"}) {
        EXPECT_TRUE(fs::is_regular_file(usr / file)) << file;
        EXPECT_EQ(access((usr / file).c_str(), X_OK), 0) << file;
    }
    EXPECT_FALSE(fs::exists(usr / "bin/tessaray-window"));

    // Icons of every usual size, each a PNG of its size with transparency.
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const std::string n = std::to_string(size);
        const fs::path icon = usr / "share/icons/hicolor" / (n + "x" + n) / "apps/tessaray.png";
        std::string info;
        ASSERT_EQ(Shell("identify -format '%m %w %h %A' " + Quote(icon), &info), 0) << icon;
        EXPECT_EQ(info.substr(0, info.find_last_of(' ')), "PNG " + n + " " + n) << info;
        // An alpha channel ("True" or "Blend", by ImageMagick's version).
        const std::string alpha = info.substr(info.find_last_of(' ') + 1);
        EXPECT_TRUE(alpha == "True" || alpha == "Blend") << info;
    }

    const fs::path desktop = usr / "share/applications/tessaray.desktop";
    const std::string entry = ReadAll(desktop);
    EXPECT_NE(entry.find("\nExec=tessaray %f\n"), std::string::npos) << entry;
    EXPECT_NE(entry.find("\nIcon=tessaray\n"), std::string::npos) << entry;
    EXPECT_NE(entry.find("AudioVideo;Recorder;Utility;"), std::string::npos) << entry;
    std::string out;
    if (test::HaveProgram("desktop-file-validate")) {
        EXPECT_EQ(Shell("desktop-file-validate " + Quote(desktop) + " 2>&1", &out), 0) << out;
    } else {
        ADD_FAILURE() << "desktop-file-validate is missing (desktop-file-utils)";
    }

    const fs::path metainfo = usr / "share/metainfo/tessaray.metainfo.xml";
    EXPECT_NE(ReadAll(metainfo).find("tessaray.desktop</launchable>"), std::string::npos);
    if (test::HaveProgram("appstreamcli")) {
        EXPECT_EQ(Shell("appstreamcli validate --no-net " + Quote(metainfo) + " 2>&1", &out), 0)
            << out;
    } else {
        ADD_FAILURE() << "appstreamcli is missing (appstream)";
    }

    // The manual page formats without a warning, and documents the switches.
    const fs::path page = usr / "share/man/man1/tessaray.1";
    ASSERT_TRUE(fs::is_regular_file(page));
    EXPECT_EQ(
        Shell("LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l " + Quote(page) + " 2>&1 >/dev/null",
              &out),
        0);
    EXPECT_EQ(out, "");
    Shell("LC_ALL=C.UTF-8 MANWIDTH=80 man -l " + Quote(page) + " 2>/dev/null", &out);
    for (const char* text : {"--snapshot", "--record", "--help", "--version", "-m, /m", "-u, /u"})
        EXPECT_NE(out.find(text), std::string::npos) << text;

    // The help book, when there is one.
    EXPECT_EQ(fs::is_directory(usr / "share/tessaray/help"),
              fs::exists(fs::path(TESS_SOURCE_DIR) / "resources/help"));
}

TEST_F(Installed, TheInstalledLauncherRunsTheInstalledWindowProgram) {
    std::string out;
    EXPECT_EQ(Shell("env -u DISPLAY " + Quote(Launcher()) + " --version", &out), 0);
    EXPECT_EQ(out.rfind("tessaray ", 0), 0u) << out;
    if (!test::HaveDisplay() || !test::HaveProgram("xdotool") || !test::HaveProgram("ffprobe"))
        GTEST_SKIP() << "needs an X display, xdotool and ffprobe";

    test::TempDir home;
    const std::string env = "XDG_CONFIG_HOME=" + Quote(home.path() / "config") +
                            " XDG_DATA_HOME=" + Quote(home.path() / "data") +
                            " XDG_STATE_HOME=" + Quote(home.path() / "state") + " ";
    // A recording through the window program's windowless command.
    const fs::path movie = home.path() / "one.wmv";
    ASSERT_EQ(Shell(env + "timeout 60 " + Quote(Launcher()) +
                        " --record --seconds 1 --region 0,0,320,240 --output " + Quote(movie),
                    &out),
              0)
        << out;
    EXPECT_EQ(out, movie.string() + "\n");
    std::string probe;
    ASSERT_EQ(Shell("ffprobe -v error -select_streams v:0 -count_frames -show_entries "
                    "stream=width,height,nb_read_frames -of csv=p=0 " +
                        Quote(movie),
                    &probe),
              0);
    int w = 0, h = 0, frames = 0;
    ASSERT_EQ(sscanf(probe.c_str(), "%d,%d,%d", &w, &h, &frames), 3) << probe;
    EXPECT_EQ(w, 320);
    EXPECT_EQ(h, 240);
    EXPECT_GT(frames, 0);

    // The main window, with the log-on start asked for in the settings.
    fs::create_directories(home.path() / "config/Quorvanta");
    std::ofstream(home.path() / "config/Quorvanta/Tessaray.reg")
        << "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quorvanta\\Tessaray]\n"
           "\"AlwaysStart\"=\"1\"\n";
    const pid_t pid = fork();
    if (pid == 0) {
        const std::string cmd =
            env + "exec " + Quote(Launcher()) + " >" + Quote(home.path() / "window.log") + " 2>&1";
        execl("/bin/sh", "sh", "-c", cmd.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    std::string windows;
    for (int i = 0; i < 200 && windows.empty(); ++i) {
        Shell("xdotool search --onlyvisible --pid " + std::to_string(pid) +
                  " --class '^Tessaray$' 2>/dev/null",
              &windows);
        if (windows.empty())
            usleep(100000);
    }
    EXPECT_FALSE(windows.empty()) << ReadAll(home.path() / "window.log");
    kill(pid, SIGTERM);
    int status = 0;
    for (int i = 0; i < 200 && waitpid(pid, &status, WNOHANG) != pid; ++i)
        usleep(100000);
    if (waitpid(pid, &status, WNOHANG) == 0) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        ADD_FAILURE() << "the program did not end on SIGTERM";
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << status << "\n"
        << ReadAll(home.path() / "window.log");
    // The log-on entry names the installed launcher, and nothing was written beside the
    // installed programs.
    const std::string entry = ReadAll(home.path() / "config/autostart/tessaray.desktop");
    EXPECT_NE(entry.find("Exec=" + Launcher().string() + "\n"), std::string::npos) << entry;
    for (const auto& f : fs::recursive_directory_iterator(Usr()))
        EXPECT_NE(f.path().extension(), ".log") << f.path();
}

} // namespace
} // namespace tess
