#pragma once
// The window program's side of the screen back end: in the portal back end the process's
// screen source (platform/ScreenPixelSource.h) is the desktop portal's screen cast, started
// when the screen is first read and kept running while the process lives. Only the window
// program links this, so the launcher never loads the portal's libraries.
#include <optional>
#include <string>

#include "app/CommandLine.h"

namespace tess {

// Makes the chosen back end (ChosenScreenBackend) the process's; call with the settings
// loaded. True when the screen is read through the portal.
bool UseChosenScreenBackend(const CommandLine& cl);

// The same for a command-line command: an exit code (a message on stderr) when the command
// cannot run with the back end, such as a window capture through the portal.
std::optional<int> SetUpScreenBackendForCommand(const CommandLine& cl);

// What the portal's new restore token does to the settings: replaces the old one in the
// record and saves it at once. False when the save failed.
bool KeepRestoreToken(const std::string& token);

} // namespace tess
