// The windowless snapshot, kept apart from the other headless commands so that linking it
// pulls in neither the toolkit nor the sound code (the launcher links only this).
#include "app/Headless.h"

#include <cstdio>
#include <iostream>
#include <unistd.h>

#include "app/SettingsIO.h"
#include "capture/CommandOptions.h"
#include "capture/Snapshot.h"
#include "capture/SnapshotCommand.h"
#include "platform/PictureMemory.h"
#include "platform/Session.h"
#include "platform/Translate.h"
#include "platform/x11/Monitors.h"
#include "settings/Settings.h"

namespace tess {

std::unique_ptr<ScreenConnection> OpenScreenAndLoadSettings() {
    auto screen = ScreenConnection::open();
    if (screen) {
        const ScreenRect r = screen->screenRect();
        SetScreenSizeForSettings(r.width(), r.height());
    }
    LoadSettings();
    return screen;
}

std::optional<int> ListMonitorsFromCommandLine(const CommandLine& cl) {
    if (!HasLongOption(cl.longOptions, "list-monitors"))
        return std::nullopt;
    auto screen = ScreenConnection::open();
    if (!screen) {
        std::cerr << "tessaray: " << Tr(kNoDisplayMessage) << "\n";
        return 1;
    }
    std::cout << MonitorListText(ListMonitors(*screen));
    return 0;
}

ScreenBackend ChosenScreenBackend(const CommandLine& cl) {
    std::string option;
    for (const auto& [name, value] : cl.longOptions)
        if (name == "backend")
            option = value;
    return ChooseScreenBackend(option, GlobalSettings().screenBackend, IsWaylandSession())
        .value_or(ScreenBackend::X11);
}

std::optional<int> RunSnapshotFromCommandLine(const CommandLine& cl, bool endProcess,
                                              ScreenBackendSetUp setUp, CaptureNotice* result) {
    auto screen = OpenScreenAndLoadSettings();
    if (SnapshotHasCaption(GlobalSettings()) && !SnapshotCaptionsAvailable())
        return std::nullopt;
    if (setUp) {
        if (auto code = setUp(cl))
            return code;
    } else if (ChosenScreenBackend(cl) == ScreenBackend::Portal) {
        return std::nullopt; // the portal's code lives in the window program
    }
    // One picture in a fresh process: its memory faulted in with one call, and the pixels
    // fetched in small strips over the connection rather than through a fresh shared segment
    // whose every page the server would fault in on its side.
    UsePrefaultedPictureMemory(true);
    if (screen)
        screen->setUseShm(false);
    const int code = RunSnapshotCommand(cl.longOptions, screen.get(), GlobalSettings(), std::cout,
                                        std::cerr, isatty(STDERR_FILENO) != 0, result);
#if !defined(__SANITIZE_ADDRESS__)
    // The file is in place and its path printed: the system closes the display connection
    // and frees the picture sooner than the process would (the leak checker of the test
    // build wants the orderly way).
    if (endProcess) {
        std::cout.flush();
        std::cerr.flush();
        std::fflush(nullptr);
        _exit(code);
    }
#else
    (void)endProcess;
#endif
    return code;
}

} // namespace tess
