#include "app/Launcher.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

#include "app/CommandLine.h"
#include "app/Headless.h"
#include "capture/SnapshotCommand.h"
#include "settings/Paths.h"

namespace tess {

int RunLauncher(int argc, char** argv) {
    // This executable's own place, not one named by an inherited environment (a shell
    // started from another installation's window program): it is what the settings (an ini
    // file beside the program), the window program and its log-on entry go by.
    const std::string self = RunningExecutablePath();
    if (!self.empty())
        setenv(kLauncherPathVariable, self.c_str(), 1);
    else
        unsetenv(kLauncherPathVariable);

    const CommandLine cl = ParseCommandLine(argc, argv);
    if (!cl.uninstall && WantsSnapshotCommand(cl.longOptions)) {
        if (auto code = RunSnapshotFromCommandLine(cl, true))
            return *code;
        // A caption is wanted: the window program, which draws text, takes the snapshot.
    }

    // Files named relative to here stay found after the window program changes directory.
    std::vector<std::string> absolute;
    MakeFileArgumentsAbsolute(argc, argv, absolute);
    const std::string window = self.substr(0, self.rfind('/') + 1) + kWindowProgramName;
    std::fflush(nullptr);
    execv(window.c_str(), argv);
    std::fprintf(stderr,
                 "tessaray: cannot start the window program %s: %s. Build or install it "
                 "beside %s.\n",
                 window.c_str(), std::strerror(errno), self.empty() ? "tessaray" : self.c_str());
    return 1;
}

} // namespace tess
