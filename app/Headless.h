#pragma once
// Commands that run without any window (long options such as "--snapshot"): tried after
// the switches and before the application object exists.
#include "app/CommandLine.h"
#include "platform/x11/Screen.h"

#include <memory>
#include <optional>

namespace tess {

// The exit code of a headless command named on the command line, or nothing when the
// command line asks for the window program.
std::optional<int> RunHeadlessCommand(const CommandLine& cl, int argc, char** argv);

// The command-line snapshot alone. It needs neither the toolkit nor the sound code, so the
// launcher (app/Launcher.h) runs it in its own small process image. Nothing when the
// settings ask for a caption and this program cannot draw one (the launcher): the window
// program takes the snapshot then.
// With `endProcess` the process ends right after the path is printed, skipping its clean-up.
std::optional<int> RunSnapshotFromCommandLine(const CommandLine& cl, bool endProcess = false);

// The display (null when none can be opened), with the settings loaded against its size.
// Nothing is saved by the windowless commands.
std::unique_ptr<ScreenConnection> OpenScreenAndLoadSettings();

} // namespace tess
