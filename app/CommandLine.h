#pragma once
// The command line: one-letter switches "/M" and "/U" (also with "-", any case, anything
// after the letter ignored) and long options ("--name" or "--name=value"; a "--name"
// followed by an argument that does not begin with "-" takes it as its value).
#include <string>
#include <utility>
#include <vector>

namespace tess {

struct CommandLine {
    bool startMinimized = false; // "/M"
    bool uninstall = false;      // "/U": remove the log-on start entry and exit 1
    // Long options in order, with their values (empty when none).
    std::vector<std::pair<std::string, std::string>> longOptions;
    // Arguments that are neither switches nor option values.
    std::vector<std::string> others;
};

// Scans argv[1..argc-1]. Values of long options are never read as switches; "--" ends
// the scan (the rest goes to `others`).
CommandLine ParseCommandLine(int argc, const char* const* argv);

} // namespace tess
