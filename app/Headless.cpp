#include "app/Headless.h"

#include <iostream>

#include "app/SettingsIO.h"
#include "capture/RecordCommand.h"
#include "capture/SnapshotCommand.h"
#include "settings/Settings.h"

namespace tess {

std::optional<int> RunHeadlessCommand(const CommandLine& cl, int argc, char** argv) {
    (void)argc;
    (void)argv;
    if (WantsRecordCommand(cl.longOptions)) {
        LoadSettings();
        auto screen = ScreenConnection::open();
        return RunRecordCommand(cl.longOptions, screen.get(), GlobalSettings(), std::cout,
                                std::cerr);
    }
    if (WantsSnapshotCommand(cl.longOptions)) {
        // No toolkit and no settings saved: the settings are only read.
        LoadSettings();
        auto screen = ScreenConnection::open();
        return RunSnapshotCommand(cl.longOptions, screen.get(), GlobalSettings(), std::cout,
                                  std::cerr);
    }
    return std::nullopt;
}

} // namespace tess
