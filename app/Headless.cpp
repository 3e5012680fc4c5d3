#include "app/Headless.h"

#include <iostream>

#include "app/ScreenBackendSetup.h"
#include "capture/RecordCommand.h"
#include "capture/SnapshotCommand.h"
#include "settings/Settings.h"

namespace tess {

std::optional<int> RunHeadlessCommand(const CommandLine& cl, int argc, char** argv) {
    (void)argc;
    (void)argv;
    if (auto code = ListMonitorsFromCommandLine(cl))
        return code;
    if (WantsRecordCommand(cl.longOptions)) {
        auto screen = OpenScreenAndLoadSettings();
        if (auto code = SetUpScreenBackendForCommand(cl))
            return code;
        return RunRecordCommand(cl.longOptions, screen.get(), GlobalSettings(), std::cout,
                                std::cerr);
    }
    if (WantsSnapshotCommand(cl.longOptions))
        return RunSnapshotFromCommandLine(cl, false, &SetUpScreenBackendForCommand);
    return std::nullopt;
}

} // namespace tess
