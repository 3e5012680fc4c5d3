#pragma once
// Commands that run without any window (long options such as "--snapshot"): tried after
// the switches and before the application object exists.
#include "app/CommandLine.h"

#include <optional>

namespace tess {

// The exit code of a headless command named on the command line, or nothing when the
// command line asks for the window program.
std::optional<int> RunHeadlessCommand(const CommandLine& cl, int argc, char** argv);

} // namespace tess
