#include "app/Launcher.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>
#include <unistd.h>
#include <vector>

#include "app/CommandLine.h"
#include "app/ControlCommand.h"
#include "app/Headless.h"
#include "app/LauncherOptions.h"
#include "capture/CommandOptions.h"
#include "capture/SnapshotCommand.h"
#include "platform/Translate.h"
#include "platform/x11/Screen.h"
#include "settings/Paths.h"
#include "settings/SettingsStore.h"

#ifndef TESS_WINDOW_PROGRAM_INSTALL_DIR
#define TESS_WINDOW_PROGRAM_INSTALL_DIR "../libexec/tessaray"
#endif

namespace tess {

namespace {

// Replaces this process with the window program: beside the launcher in the build tree,
// else in its installed place relative to the launcher. Returns only on failure.
int StartWindowProgram(const std::string& self, char** argv) {
    const std::string dir = std::filesystem::path(self).remove_filename().string();
    const std::string beside = dir + kWindowProgramName;
    const std::string installed = dir + TESS_WINDOW_PROGRAM_INSTALL_DIR + "/" + kWindowProgramName;
    std::fflush(nullptr);
    execv(beside.c_str(), argv);
    int error = errno;
    if (error == ENOENT) {
        execv(installed.c_str(), argv);
        if (errno != ENOENT)
            error = errno;
    }
    std::fprintf(stderr, "tessaray: %s\n",
                 FormatText(Tr("cannot start the window program %1$s (nor %2$s): %3$s"),
                            beside.c_str(), installed.c_str(), std::strerror(error))
                     .c_str());
    return 1;
}

} // namespace

int RunLauncher(int argc, char** argv) {
    // Messages, --help and usage errors in the user's language; numbers stay in the C form.
    SetUpUserLocale(PeekSetting("Display", "Language"), LocaleDirectory());
    // Before the command-line snapshot opens its display.
    InstallDisplayLostHandler();
    const CommandLine cl = ParseCommandLine(argc, argv);
    if (auto code = AnswerInformationalOptions(cl, std::cout, std::cerr))
        return *code;

    // This executable's own place, not one named by an inherited environment (a shell
    // started from another installation's window program): it is what the settings (an ini
    // file beside the program), the window program and its log-on entry go by.
    const std::string self = RunningExecutablePath();
    if (!self.empty())
        setenv(kLauncherPathVariable, self.c_str(), 1);
    else
        unsetenv(kLauncherPathVariable);

    if (auto code = ListMonitorsFromCommandLine(cl))
        return *code;
    if (auto code = RunControlFromCommandLine(cl, std::cout, std::cerr))
        return *code;
    // A notified snapshot goes to the window program, which has the notification code: it
    // starts a fresh process of itself to answer the notification's actions.
    // So does a snapshot that opens the mark-up editor.
    if (!cl.uninstall && WantsSnapshotCommand(cl.longOptions) &&
        !HasLongOption(cl.longOptions, "notify") && !HasLongOption(cl.longOptions, "edit")) {
        if (auto code = RunSnapshotFromCommandLine(cl, true))
            return *code;
        // A caption is wanted: the window program, which draws text, takes the snapshot.
    }

    // Files named relative to here stay found after the window program changes directory.
    std::vector<std::string> absolute;
    MakeFileArgumentsAbsolute(argc, argv, absolute);
    return StartWindowProgram(self, argv);
}

} // namespace tess
