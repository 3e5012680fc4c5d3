// The real program's command-line snapshot: a file whose pixels match the screen, the
// picture pattern in the capture directory when no output is named, no settings written,
// clear errors with a non-zero exit, and long options' values never read as switches.
#include "SnapshotTestSupport.h"
#include "platform/FileIo.h"

#include <X11/Xatom.h>
#include <sys/prctl.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

namespace tess {
namespace {

namespace fs = std::filesystem;

class ProgramSnapshotTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!test::HaveDisplay() || test::ProgramPath().empty() || !test::HaveProgram("convert"))
            GTEST_SKIP() << "no X display, program or ImageMagick";
        env = "XDG_CONFIG_HOME='" + dir.str() + "/config' XDG_DATA_HOME='" + dir.str() +
              "/data' HOME='" + dir.str() + "/home' ";
        fs::create_directories(dir.path() / "config");
        fs::create_directories(dir.path() / "data");
    }
    // Runs the program with `args` (TMPDIR: `tmp` under the test's directory); stdout, stderr.
    int Run(const std::string& args, std::string* out, std::string* err, const char* tmp = "") {
        out->clear();
        std::string errFile = dir.str() + "/stderr.txt";
        const std::string tmpDir = *tmp ? "TMPDIR='" + dir.str() + tmp + "' " : "";
        int rc = test::RunCommand(
            env + tmpDir + "'" + test::ProgramPath() + "' " + args + " 2>'" + errFile + "'", out);
        *err = ReadWholeFile(errFile).value_or("");
        return rc;
    }
    std::string StorePath() const { return dir.str() + "/config/Quorvanta/Tessaray.reg"; }
    std::string ReadStore() const { return ReadWholeFile(StorePath()).value_or(""); }
    // Writes `values` into the program's key of the store; returns the whole text.
    std::string WriteStore(const std::string& values) {
        fs::create_directories(dir.path() / "config/Quorvanta");
        const std::string text =
            "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quorvanta\\Tessaray]\n" + values;
        std::ofstream(StorePath()) << text;
        return text;
    }
    // The store is missing or holds no value (loading may make the empty key).
    bool NoValuesStored() const { return ReadStore().find('=') == std::string::npos; }

    test::TempDir dir;
    std::string env;
};

TEST_F(ProgramSnapshotTest, WritesTheScreenWithoutAWindow) {
    test::XTestDisplay x;
    Window win = x.create(600, 300, 80, 50, test::Pattern);
    const std::string file = dir.str() + "/shot.png";
    std::string out, err;
    EXPECT_EQ(Run("--snapshot --region 590,290,100,70 --output '" + file + "'", &out, &err), 0)
        << err;
    EXPECT_EQ(out, file + "\n");
    auto px = test::PixelsSized(file, 100, 70);
    ASSERT_FALSE(px.empty());
    EXPECT_EQ(test::PatternMismatches(px, 100, 10, 10, 80, 50), 0);

    // "--output -": the same picture on standard output, and nothing else; no file left behind.
    fs::create_directories(dir.path() / "tmp");
    EXPECT_EQ(Run("--snapshot --region 590,290,100,70 --output -", &out, &err, "/tmp"), 0) << err;
    EXPECT_TRUE(out == ReadWholeFile(file)) << out.size() << " bytes";
    EXPECT_TRUE(fs::is_empty(dir.path() / "tmp"));

    // The window by id, as BMP.
    const std::string bmp = dir.str() + "/win.bmp";
    char id[32];
    std::snprintf(id, sizeof id, "0x%lx", static_cast<unsigned long>(win));
    EXPECT_EQ(Run(std::string("--snapshot --window ") + id + " --format bmp --output '" + bmp + "'",
                  &out, &err),
              0)
        << err;
    px = test::PixelsSized(bmp, 80, 50);
    ASSERT_FALSE(px.empty());
    EXPECT_EQ(test::PatternMismatches(px, 80, 0, 0, 80, 50), 0);
    EXPECT_TRUE(NoValuesStored()); // no settings are written

    // "--region last": the stored rectangle gives the same picture; the store stays as it was.
    const std::string stored = WriteStore("\"LastRegion\"=\"590,290,100,70\"\n");
    const std::string last = dir.str() + "/last.png";
    EXPECT_EQ(Run("--snapshot --region last --output '" + last + "'", &out, &err), 0) << err;
    EXPECT_EQ(test::PixelsSized(last, 100, 70), test::PixelsSized(file, 100, 70));
    EXPECT_EQ(ReadStore(), stored);
    x.destroy(win);
}

// The process id (_NET_WM_PID) of the clipboard's owner, or 0.
pid_t ClipboardOwnerPid(Display* d) {
    const Window owner = XGetSelectionOwner(d, XInternAtom(d, "CLIPBOARD", False));
    Atom type;
    int format;
    unsigned long n = 0, left;
    unsigned char* data = nullptr;
    pid_t pid = 0;
    if (owner &&
        XGetWindowProperty(d, owner, XInternAtom(d, "_NET_WM_PID", False), 0, 1, False, XA_CARDINAL,
                           &type, &format, &n, &left, &data) == Success &&
        n == 1)
        pid = static_cast<pid_t>(*reinterpret_cast<long*>(data));
    XFree(data);
    return pid;
}

// Waits (at most 10 s) for a process that this one adopted to end.
bool Ended(pid_t pid) {
    for (int i = 0; i < 500; ++i, std::this_thread::sleep_for(std::chrono::milliseconds(20)))
        if (waitpid(pid, nullptr, WNOHANG) == pid)
            return true;
    return false;
}

TEST_F(ProgramSnapshotTest, ClipboardStaysServedAfterTheCommandUntilAnotherProgramTakesIt) {
    if (!test::HaveProgram("xclip"))
        GTEST_SKIP() << "no xclip";
    // The holder leaves the launcher's process tree; as a subreaper this test adopts it.
    prctl(PR_SET_CHILD_SUBREAPER, 1);
    test::XTestDisplay x;
    Window noise = x.create(0, 0, 1920, 1080, [](int px, int py) {
        return (px * 0x9E3779B1u ^ py) * 0x2C1B3C6Du >> 8;
    });
    struct Row {
        const char* args;
        const char* file;
    } rows[] = {
        {"--region 10,10,100,70", "small.png"}, // the file's bytes, in one piece
        {"--format bmp", "screen.bmp"},         // made into a PNG; 6 MB need INCR
    };
    pid_t before = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.args);
        const std::string file = dir.str() + "/" + row.file, clip = dir.str() + "/clip.png";
        std::string out, err;
        ASSERT_EQ(Run(std::string("--snapshot --clipboard ") + row.args + " --output " + file, &out,
                      &err),
                  0)
            << err;
        EXPECT_EQ(out + err, file + "\n");
        const pid_t holder = ClipboardOwnerPid(x.get());
        ASSERT_GT(holder, 0);
        EXPECT_TRUE(!before || Ended(before)); // the new holder took the clipboard from the old
        before = holder;
        ASSERT_EQ(test::RunCommand("xclip -selection clipboard -t image/png -o > " + clip), 0);
        if (std::string(row.file).ends_with(".png")) {
            EXPECT_TRUE(ReadWholeFile(clip) == ReadWholeFile(file));
            std::string targets;
            test::RunCommand("xclip -selection clipboard -t TARGETS -o", &targets);
            EXPECT_EQ(targets.rfind("image/png\n", 0), 0u) << targets;
        } else {
            int w = 0, h = 0;
            EXPECT_EQ(test::ReadPixels(clip, &w, &h), test::PixelsSized(file, 1920, 1080));
            EXPECT_GT(fs::file_size(clip), 1u << 18); // more than one request holds
        }
    }
    // Another program takes the clipboard: the holder ends.
    Window other = XCreateSimpleWindow(x.get(), x.root(), 0, 0, 1, 1, 0, 0, 0);
    XSetSelectionOwner(x.get(), XInternAtom(x.get(), "CLIPBOARD", False), other, CurrentTime);
    x.sync();
    EXPECT_TRUE(Ended(before));
    prctl(PR_SET_CHILD_SUBREAPER, 0);
    x.destroy(other);
    x.destroy(noise);
}

TEST_F(ProgramSnapshotTest, DelayWaitsItsSecondsAndCountsThemOnlyOnATerminal) {
    const std::string file = dir.str() + "/late.png";
    const std::string plain = " --snapshot --region 0,0,20,20 --output '" + file + "'";
    const std::string args = " --delay 2" + plain;
    std::string out, err;
    auto timed = [&](const std::string& a) {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(Run(a, &out, &err), 0) << err;
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    const double without = timed(plain);
    // Never shorter than asked (the whole run, as a slow run without the delay must not make
    // it look short); a loaded machine may start the second program more slowly, but not by
    // the second a default of three would add.
    const double whole = timed(args);
    EXPECT_GE(whole, 2.0);
    EXPECT_LT(whole - without, 2.75);
    EXPECT_EQ(out + err, file + "\n"); // standard error is a file here: no count
    // On a terminal (standard output and error both), the seconds left.
    if (!test::HaveProgram("script"))
        return;
    ASSERT_EQ(test::RunCommand("script -qec \"" + env + "'" + test::ProgramPath() + "'" + args +
                                   "\" /dev/null",
                               &out),
              0);
    EXPECT_NE(out.find("\r2"), std::string::npos) << out;
    EXPECT_LT(out.find("\r2"), out.find("\r1")) << out;
    EXPECT_NE(out.find(file), std::string::npos) << out;
}

TEST_F(ProgramSnapshotTest, NamesTheFileFromThePatternInTheCaptureDirectory) {
    std::string out, err;
    ASSERT_EQ(Run("--snapshot --region 0,0,32,32", &out, &err), 0) << err;
    const std::string first = dir.str() + "/home/Pictures/Tessaray/Tess_1.png";
    EXPECT_EQ(out, first + "\n");
    EXPECT_TRUE(fs::exists(first));
    ASSERT_EQ(Run("--snapshot --region 0,0,32,32", &out, &err), 0) << err;
    EXPECT_EQ(out, dir.str() + "/home/Pictures/Tessaray/Tess_2.png\n");
    EXPECT_TRUE(NoValuesStored());

    // The picture settings of the store are honoured, and the store is left as it was.
    fs::create_directories(dir.path() / "shots");
    const std::string store =
        WriteStore("\"DefaultDirectory\"=\"" + dir.str() +
                   "/shots\"\n\"FileSnapName\"=\"Shot\"\n\"ImageFormat\"=\"1\"\n");
    ASSERT_EQ(Run("--snapshot --region 0,0,32,32", &out, &err), 0) << err;
    EXPECT_EQ(out, dir.str() + "/shots/Shot_1.bmp\n");
    EXPECT_EQ(ReadStore(), store);
}

TEST_F(ProgramSnapshotTest, ACaptionedSnapshotIsTakenByTheWindowProgramWithItsCaption) {
    // The launcher draws no text; with a caption set, the snapshot still carries it.
    test::XTestDisplay x;
    Window win = x.createSolid(0, 0, 300, 80, 0x00ff00);
    const std::string plain = dir.str() + "/plain.png", captioned = dir.str() + "/cap.png";
    std::string out, err;
    ASSERT_EQ(Run("--snapshot --region 0,0,300,80 --output '" + plain + "'", &out, &err), 0) << err;
    WriteStore("\"CapEnable\"=\"1\"\n\"CapString\"=\"Caption here\"\n\"CapBackMode\"=\"1\"\n");
    ASSERT_EQ(Run("--snapshot --region 0,0,300,80 --output '" + captioned + "'", &out, &err), 0)
        << err;
    EXPECT_EQ(out, captioned + "\n");
    auto a = test::PixelsSized(plain, 300, 80), b = test::PixelsSized(captioned, 300, 80);
    ASSERT_FALSE(a.empty() || b.empty());
    size_t differ = 0;
    for (size_t i = 0; i < a.size(); ++i)
        differ += a[i] != b[i];
    EXPECT_GT(differ, 100u); // the caption's text and box
    EXPECT_LT(differ, a.size() / 2);
    x.destroy(win);
}

TEST_F(ProgramSnapshotTest, MonitorsAreListedAndTakenByNameOrNumber) {
    test::TwoMonitors monitors;
    if (!monitors.ok)
        GTEST_SKIP() << "no xrandr, or the server keeps no monitors";
    test::XTestDisplay x;
    Window win = x.create(900, 500, 120, 80, test::Pattern); // across the two
    std::string out, err;
    ASSERT_EQ(Run("--list-monitors", &out, &err), 0) << err;
    EXPECT_EQ(out, "0 TessLeft 960x1080+0+0 primary\n1 TessRight 960x1080+960+0\n");
    const std::string whole = dir.str() + "/whole.png";
    ASSERT_EQ(Run("--snapshot --output '" + whole + "'", &out, &err), 0) << err;
    const auto screen = test::PixelsSized(whole, 1920, 1080);
    for (auto [monitor, left] : {std::pair{"TessRight", 960}, {"0", 0}}) {
        const std::string file = dir.str() + "/" + monitor + ".png";
        Run(std::string("--snapshot --output '") + file + "' --monitor " + monitor, &out, &err);
        EXPECT_EQ(test::HalfMismatches(file, screen, left), 0) << monitor << err;
    }
    // An unknown one: a mistake on the command line that names the monitors there are.
    for (const char* command : {"--snapshot", "--record"}) {
        EXPECT_EQ(Run(std::string(command) + " --monitor 2", &out, &err), 2);
        EXPECT_NE(err.find("no monitor \"2\"; the monitors are (number, name, geometry):\n0 "
                           "TessLeft 960x1080+0+0 primary\n1 TessRight"),
                  std::string::npos)
            << err;
    }
    // Through the portal, whose dialog picks the monitor: refused; the list stays the X server's.
    EXPECT_EQ(Run("--backend portal --snapshot --monitor 0", &out, &err), 1);
    EXPECT_NE(err.find("--monitor is not available"), std::string::npos) << err;
    EXPECT_EQ(Run("--backend portal --list-monitors", &out, &err), 0);
    EXPECT_EQ(out, "0 TessLeft 960x1080+0+0 primary\n1 TessRight 960x1080+960+0\n");
    x.destroy(win);
}

TEST_F(ProgramSnapshotTest, ClearErrorsAndNonZeroExits) {
    std::string out, err;
    // A directory below a regular file cannot exist; a value that looks like the "/U" switch
    // is the option's value: the program does not uninstall (which would remove the log-on
    // entry and say nothing).
    std::ofstream(dir.str() + "/plain") << "x";
    fs::create_directories(dir.path() / "config/autostart");
    std::ofstream(dir.str() + "/config/autostart/tessaray.desktop") << "[Desktop Entry]\n";
    for (std::string output : {dir.str() + "/plain/x.png", std::string("/proc/tessaray-test.png"),
                               std::string("/Unwritable-tessaray/x.png")}) {
        EXPECT_EQ(Run("--snapshot --output '" + output + "'", &out, &err), 1) << output;
        EXPECT_TRUE(out.empty()) << output;
        EXPECT_EQ(err.rfind("tessaray: ", 0), 0u) << err;
        EXPECT_FALSE(fs::exists(output));
    }
    EXPECT_TRUE(fs::exists(dir.str() + "/config/autostart/tessaray.desktop"));
    EXPECT_EQ(Run("--snapshot --region 1,2,3", &out, &err), 2);
    EXPECT_NE(err.find("usage"), std::string::npos) << err;
    // No display.
    std::string saved = env;
    env += "DISPLAY=:9876 ";
    EXPECT_EQ(Run("--snapshot --output '" + dir.str() + "/none.png'", &out, &err), 1);
    EXPECT_NE(err.find("display"), std::string::npos) << err;
    env = saved;
}

} // namespace
} // namespace tess
