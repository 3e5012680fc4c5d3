#pragma once
// The command line: one-letter switches "/M" and "/U" (also with "-", any case, anything
// after the letter ignored) and long options ("--name" or "--name=value"; a "--name"
// followed by an argument that does not begin with "-" takes it as its value).
#include "platform/Translate.h"

#include <string>
#include <utility>
#include <vector>

namespace tess {

struct CommandLine {
    bool startMinimized = false; // "/M"
    bool uninstall = false;      // "/U": remove the log-on start entry and exit 1
    // Long options in order, with their values (empty when none).
    std::vector<std::pair<std::string, std::string>> longOptions;
    // Arguments that name an existing file or directory, in order: these are never read as
    // switches ("/media/x.png" is a file, not "/M").
    std::vector<std::string> files;
    // Arguments that are neither switches, option values nor existing paths.
    std::vector<std::string> others;
};

// Scans argv[1..argc-1]. Values of long options are never read as switches; "--" ends
// the scan (the rest goes to `others`).
CommandLine ParseCommandLine(int argc, const char* const* argv);

// The arguments of `argv` that name existing paths relative to the working directory, made
// absolute in place (the launcher's step, before the window program changes directory).
// Values of long options are left alone.
void MakeFileArgumentsAbsolute(int argc, char** argv, std::vector<std::string>& storage);

} // namespace tess
