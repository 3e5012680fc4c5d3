// Command-line switches: "/M" and "/U" in either case and with "-", letters after the
// switch ignored, long options and their values never taken for switches.
#include <gtest/gtest.h>

#include "app/CommandLine.h"
#include "app/ControlCommand.h"
#include "app/LauncherOptions.h"
#include "capture/RecordCommand.h"
#include "capture/SnapshotCommand.h"
#include "support/TestSupport.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace tess {
namespace {

CommandLine Parse(std::vector<const char*> args) {
    args.insert(args.begin(), "tessaray");
    return ParseCommandLine(static_cast<int>(args.size()), args.data());
}

TEST(CommandLine, SwitchesAndLongOptions) {
    EXPECT_TRUE(Parse({"/M"}).startMinimized);
    EXPECT_TRUE(Parse({"-m"}).startMinimized);
    EXPECT_TRUE(Parse({"/Minimized"}).startMinimized); // letters after the switch ignored
    EXPECT_TRUE(Parse({"/u"}).uninstall);
    EXPECT_TRUE(Parse({"-U"}).uninstall);
    EXPECT_FALSE(Parse({"M"}).startMinimized); // no leading "/" or "-"
    EXPECT_FALSE(Parse({"U"}).uninstall);
    CommandLine other = Parse({"/x", "-q", "/", "-", "/1"});
    EXPECT_FALSE(other.startMinimized);
    EXPECT_FALSE(other.uninstall);
    // The program's own name is not scanned.
    const char* argv[] = {"-u"};
    EXPECT_FALSE(ParseCommandLine(1, argv).uninstall);

    // Long options keep their values.
    CommandLine cl = Parse(
        {"--snapshot", "/usr/out.png", "-m", "--record=/Users/x.wmv", "--flag", "--size", "10"});
    EXPECT_FALSE(cl.uninstall); // "/usr/out.png" is a value, not "/U"
    EXPECT_TRUE(cl.startMinimized);
    ASSERT_EQ(cl.longOptions.size(), 4u);
    EXPECT_EQ(cl.longOptions[0], (std::pair<std::string, std::string>{"snapshot", "/usr/out.png"}));
    EXPECT_EQ(cl.longOptions[1].second, "/Users/x.wmv");
    // An option followed by another option has no value.
    EXPECT_EQ(cl.longOptions[2], (std::pair<std::string, std::string>{"flag", ""}));
    EXPECT_EQ(cl.longOptions[3], (std::pair<std::string, std::string>{"size", "10"}));
    // A lone "-" is a value (standard output), "--" and "-m" are not.
    cl = Parse({"--output", "-", "--format", "--", "-m"});
    ASSERT_EQ(cl.longOptions.size(), 2u);
    EXPECT_EQ(cl.longOptions[0], (std::pair<std::string, std::string>{"output", "-"}));
    EXPECT_EQ(cl.longOptions[1], (std::pair<std::string, std::string>{"format", ""}));
    EXPECT_FALSE(cl.startMinimized);
    EXPECT_EQ(cl.others, std::vector<std::string>{"-m"});
    EXPECT_EQ(
        ParseSnapshotOptions(Parse({"--snapshot", "--output", "-"}).longOptions).request.outputPath,
        "-");
    cl = Parse({"--", "/u", "-m"});
    EXPECT_FALSE(cl.uninstall);
    EXPECT_FALSE(cl.startMinimized);
    EXPECT_EQ(cl.others.size(), 2u);
}

// "--help", "--version" and unknown long options: the first of them decides; known options,
// values and one-letter switches are left to the rest of the program.
TEST(CommandLine, HelpVersionAndUnknownLongOptions) {
    auto answer = [](std::vector<const char*> args, std::string* out, std::string* err) {
        std::ostringstream o, e;
        auto code = AnswerInformationalOptions(Parse(args), o, e);
        *out = o.str();
        *err = e.str();
        return code;
    };
    std::string out, err;
    EXPECT_EQ(answer({"-m", "--help"}, &out, &err), 0);
    EXPECT_EQ(out, UsageText());
    EXPECT_TRUE(err.empty());
    for (const char* text :
         {"-m", "-u", "FILE", "--snapshot", "--record", "--seconds", "--region", "--window",
          "--format", "--output", "--audio", "--backend", "--monitor", "--list-monitors", "--delay",
          "--clipboard", "--notify", "--audio-source"})
        EXPECT_NE(out.find(text), std::string::npos) << text;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);)
        EXPECT_LE(line.size(), 80u) << line; // a terminal's width
    EXPECT_EQ(answer({"--version", "--bogus"}, &out, &err), 0);
    EXPECT_EQ(out, VersionText() + "\n");
    EXPECT_EQ(out.rfind("tessaray ", 0), 0u);
    EXPECT_EQ(answer({"--bogus=1", "--help"}, &out, &err), kUsageExitCode);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(err.rfind("tessaray: unknown option --bogus\n", 0), 0u) << err;
    EXPECT_NE(err.find(UsageText()), std::string::npos);

    // Nothing to answer (and nothing printed): the commands' own options, switches of any
    // letter, files, "--help" after "--" (a file of that name), and a command's wrong option,
    // which the command tells with its own usage.
    auto nothing = [&](std::vector<const char*> args) {
        return !answer(args, &out, &err) && out.empty() && err.empty();
    };
    EXPECT_TRUE(nothing({"--record", "--seconds", "1", "--audio", "--output", "x.wma"}));
    EXPECT_TRUE(nothing({"--snapshot", "--region=-10,0,5,5", "--format", "png"}));
    EXPECT_TRUE(nothing({"-x", "/Q", "-Mfoo", "picture.png"}));
    EXPECT_TRUE(nothing({"--", "--help"}));
    EXPECT_TRUE(nothing({"--record", "--colour", "red"}));
    EXPECT_TRUE(nothing({"--bogus", "--snapshot"}));
    // Help still wins.
    EXPECT_EQ(answer({"--snapshot", "--bogus", "--help"}, &out, &err), 0);
}

// --control takes one known request; anything else is told with its usage line alone, before
// any bus is asked.
TEST(CommandLine, ControlTakesOneKnownRequest) {
    for (auto args : {std::vector<const char*>{"--control", "rewind"},
                      {"--control"},
                      {"--control", "stop", "--control", "record"}}) {
        std::ostringstream out, err;
        EXPECT_EQ(RunControlFromCommandLine(Parse(args), out, err), kUsageExitCode) << args[1];
        EXPECT_TRUE(out.str().empty());
        EXPECT_EQ(err.str().find(UsageText()), std::string::npos) << err.str();
        EXPECT_NE(err.str().find("\nusage: tessaray --control record|stop|pause|resume|snapshot\n"),
                  std::string::npos)
            << err.str();
    }
}

// --audio-source chooses the sound over the settings' and implies --audio.
TEST(CommandLine, AudioSourceChoosesTheSound) {
    EXPECT_FALSE(ParseRecordOptions(Parse({"--record", "--audio-source"}).longOptions).ok);
    const RecordOptions o =
        ParseRecordOptions(Parse({"--record", "--audio-source", "both"}).longOptions);
    EXPECT_TRUE(o.ok && o.audio);
    EXPECT_EQ(o.audioSource, "both");
    struct Row {
        const char* value;
        SoundSource source;
        const char* desktopSource;
    } rows[] = {{"mic", SoundSource::microphone, "hdmi.monitor"},
                {"desktop", SoundSource::desktop, "hdmi.monitor"},
                {"both", SoundSource::both, "hdmi.monitor"},
                {"usb.monitor", SoundSource::desktop, "usb.monitor"},
                {"", SoundSource::both, "hdmi.monitor"}}; // none given: the settings'
    for (const Row& row : rows) {
        SoundChoice sound{SoundSource::both, "hdmi.monitor", 64, 10};
        ApplyAudioSource(row.value, sound);
        EXPECT_EQ(sound.source, row.source) << row.value;
        EXPECT_EQ(sound.desktopSource, row.desktopSource) << row.value;
        EXPECT_EQ(sound.qualityKbps, 64);
    }
}

// --backend goes with the window program and with every command; its value is checked before
// anything runs, and the commands' own option checks let it pass.
TEST(CommandLine, BackendOption) {
    std::ostringstream o, e;
    for (const char* value : {"x11", "portal"}) {
        for (std::vector<const char*> args :
             {std::vector<const char*>{"--backend", value},
              {"--snapshot", "--backend", value, "--output", "x.png"},
              {"--record", "--seconds", "1", "--backend", value}}) {
            const CommandLine cl = Parse(args);
            EXPECT_FALSE(AnswerInformationalOptions(cl, o, e)) << value;
        }
        EXPECT_TRUE(ParseSnapshotOptions(Parse({"--snapshot", "--backend", value}).longOptions).ok);
        EXPECT_TRUE(ParseRecordOptions(Parse({"--record", "--backend", value}).longOptions).ok);
    }
    // "--region last" of a recording: the stored rectangle, a mistake when none is stored.
    const auto last = Parse({"--record", "--region", "last"}).longOptions;
    EXPECT_EQ(ParseRecordOptions(last, "8,9,40,30").area, (ScreenRect{8, 9, 48, 39}));
    EXPECT_FALSE(ParseRecordOptions(last, "").ok);
    EXPECT_TRUE(o.str().empty());
    EXPECT_TRUE(e.str().empty());
    for (std::vector<const char*> args : {std::vector<const char*>{"--backend", "wayland"},
                                          {"--snapshot", "--backend=X11"},
                                          {"--record", "--backend"}}) {
        std::ostringstream out, err;
        EXPECT_EQ(AnswerInformationalOptions(Parse(args), out, err), kUsageExitCode);
        EXPECT_EQ(err.str().rfind("tessaray: --backend must be x11 or portal\n", 0), 0u)
            << err.str();
    }
}

// An argument naming an existing path is a file, whatever its first letter: directories
// beginning with "u" or "m" under "/" would otherwise read as "/U" and "/M".
TEST(CommandLine, ExistingPathsAreFilesAndTheLauncherMakesThemAbsolute) {
    test::TempDir dir;
    std::filesystem::create_directories(dir.path() / "u");
    std::filesystem::create_directories(dir.path() / "m");
    const std::string u = (dir.path() / "u" / "x.png").string();
    std::ofstream(u) << "x";
    std::ofstream((dir.path() / "m" / "y.wmv").string()) << "y";
    CommandLine cl = Parse({u.c_str(), "/Missing", "--output", "/m/none.png"});
    EXPECT_FALSE(cl.uninstall);
    EXPECT_TRUE(cl.startMinimized); // "/Missing" names nothing: still the switch "/M"
    EXPECT_EQ(cl.files, (std::vector<std::string>{u}));
    const auto old = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    std::vector<std::string> args = {"tessaray", "-m", "m/y.wmv", "--output", "u/x.png", "u/x.png"};
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    std::vector<std::string> storage;
    MakeFileArgumentsAbsolute(static_cast<int>(argv.size()), argv.data(), storage);
    const std::string cwd = std::filesystem::current_path().string();
    std::filesystem::current_path(old);
    EXPECT_STREQ(argv[1], "-m");
    EXPECT_EQ(std::string(argv[2]), cwd + "/m/y.wmv");
    EXPECT_STREQ(argv[4], "u/x.png"); // an option's value stays as written
    EXPECT_EQ(std::string(argv[5]), cwd + "/u/x.png");
    CommandLine abs = ParseCommandLine(static_cast<int>(argv.size()), argv.data());
    EXPECT_TRUE(abs.startMinimized);
    EXPECT_FALSE(abs.uninstall);
    EXPECT_EQ(abs.files, (std::vector<std::string>{cwd + "/m/y.wmv", cwd + "/u/x.png"}));
}

} // namespace
} // namespace tess
