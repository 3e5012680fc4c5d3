// "tessaray FILE" displays the file at start-up: an absolute path, a path relative to where
// the program was started (the window program changes its working directory), and paths
// under directories whose names begin with "u" or "m" (never read as "/U" or "/M").
#include "media/MemBm.h"
#include "media/WriteImageFile.h"
#include "playback/PlaybackSupport.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tess {
namespace {

class ProgramFile : public test::XdgTest {
protected:
    // Starts the program in `cwd` with `arg`; returns its pid.
    pid_t Start(const std::string& cwd, const std::string& arg) {
        pid_t pid = fork();
        if (pid == 0) {
            if (chdir(cwd.c_str()) != 0)
                _exit(126);
            std::string exe = test::ProgramPath();
            std::string a = arg;
            char* argv[] = {exe.data(), a.data(), nullptr};
            execv(exe.c_str(), argv);
            _exit(127);
        }
        return pid;
    }
    // Waits for a visible window of `pid` titled `title`.
    bool WaitForTitle(pid_t pid, const std::string& title) {
        for (int i = 0; i < 150; ++i) {
            std::string out;
            test::RunCommand("xdotool search --onlyvisible --pid " + std::to_string(pid) +
                                 " --name '^" + title + "$' 2>/dev/null | head -1",
                             &out);
            if (!out.empty())
                return true;
            int status = 0;
            if (waitpid(pid, &status, WNOHANG) == pid)
                return false; // it ended (a switch taken for the file would end it)
            usleep(100000);
        }
        return false;
    }
    void Stop(pid_t pid) {
        kill(pid, SIGTERM);
        for (int i = 0; i < 200; ++i) {
            if (waitpid(pid, nullptr, WNOHANG) == pid)
                return;
            usleep(50000);
        }
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
};

TEST_F(ProgramFile, AFileNamedOnTheCommandLineIsDisplayed) {
    if (test::ProgramPath().empty() || !test::HaveDisplay() || !test::HaveProgram("xdotool"))
        GTEST_SKIP() << "needs the program, an X display and xdotool";
    MemBm pic(120, 90);
    for (const char* sub : {"pics", "users", "media"}) {
        std::filesystem::create_directories(dir.path() / sub);
        ASSERT_EQ(WriteImageFile(pic, 0, (dir.path() / sub / "x.png").string(), -1), 0);
    }
    const std::string elsewhere = dir.str() + "/data"; // not where the files are
    std::filesystem::create_directories(elsewhere);
    struct Case {
        std::string cwd, arg;
    } cases[] = {
        {elsewhere, dir.str() + "/pics/x.png"}, // absolute
        {dir.str(), "pics/x.png"},              // relative to where it starts
        {dir.str() + "/users", "x.png"},
        {dir.str(), "users/x.png"},
        {dir.str(), dir.str() + "/media/x.png"},
    };
    for (const Case& c : cases) {
        pid_t pid = Start(c.cwd, c.arg);
        EXPECT_TRUE(WaitForTitle(pid, "x.png Tessaray")) << c.cwd << " " << c.arg;
        Stop(pid);
    }
    // An absolute path under /usr begins with "/u", which alone would be the switch "/U"
    // (remove the log-on entry and end).
    std::string usr;
    test::RunCommand("find /usr/share -name '[a-z]*.png' -size -200k 2>/dev/null | head -1", &usr);
    if (!usr.empty()) {
        usr.erase(usr.find_last_not_of('\n') + 1);
        pid_t pid = Start(elsewhere, usr);
        EXPECT_TRUE(WaitForTitle(pid, usr.substr(usr.rfind('/') + 1) + " Tessaray")) << usr;
        Stop(pid);
    }
}

// Under a window manager, "tessaray rec.wmv" shows the recording in a frame fitted to it
// (half size when it would not fit the screen), named in the title.
TEST_F(ProgramFile, ARecordingOnTheCommandLineGetsAFittedFrameUnderAWindowManager) {
    for (const char* p : {"xvfb-run", "openbox", "xdotool"})
        if (!test::HaveProgram(p))
            GTEST_SKIP() << "needs " << p;
    std::string why;
    const std::string& rec = test::TestRecording(&why);
    if (rec.empty())
        GTEST_SKIP() << "no recording: " << why;
    int vw = 0, vh = 0;
    std::string size;
    test::RunCommand("ffprobe -v error -select_streams v -show_entries stream=width,height "
                     "-of csv=p=0 '" +
                         rec + "'",
                     &size);
    ASSERT_EQ(sscanf(size.c_str(), "%d,%d", &vw, &vh), 2) << size;
    // Its own X server, so that the window manager meets no other test's windows.
    const std::string script = dir.str() + "/wm.sh";
    std::ofstream(script)
        // The window manager runs before the program starts, as on a desktop.
        << "openbox >/dev/null 2>&1 & wm=$!\n"
           "for i in $(seq 50); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | "
           "grep -q 'window id' && break; sleep 0.1; done\nsleep 0.5\n'"
        << test::ProgramPath() << "' '" << rec << "' & app=$!\n"
        << "for i in $(seq 60); do\n"
           "  w=$(xdotool search --onlyvisible --name '^rec.wmv Tessaray$' "
           "2>/dev/null | head -1)\n"
           "  [ -n \"$w\" ] && break; sleep 0.2\ndone\n"
           // The frame is fitted just after the title is set: wait for it.
           "for i in $(seq 50); do\n"
           "  g=$(xdotool getwindowgeometry \"$w\" | sed -n 's/.*Geometry: //p')\n"
           "  case $g in "
        << vw << "x*|" << vw / 2
        << "x*) break;; esac; sleep 0.2\ndone\necho \"$g\"\n"
           "kill $app $wm\n";
    std::string out;
    test::RunCommand("xvfb-run -a -s '-screen 0 1920x1080x24' sh '" + script + "' 2>/dev/null",
                     &out);
    int w = 0, h = 0;
    ASSERT_EQ(sscanf(out.c_str(), "%dx%d", &w, &h), 2) << out;
    EXPECT_TRUE(w == vw || w == vw / 2) << w << " for a video " << vw << " wide";
    EXPECT_GT(h, w == vw ? vh : vh / 2) << "the bars come on top of the video";
}

} // namespace
} // namespace tess
