#include "app/Headless.h"

#include <iostream>

#include "app/SettingsIO.h"
#include "capture/RecordCommand.h"
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
    return std::nullopt;
}

} // namespace tess
