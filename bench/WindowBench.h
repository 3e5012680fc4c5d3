#pragma once
// What the benchmarks of the program's windows share: the toolkit started with the program's
// application object and settings, and the process's resident memory.
#include <cstdio>
#include <fstream>
#include <string>
#include <wx/init.h>

#include "app/App.h"
#include "app/SettingsIO.h"

namespace tess::bench {

// Starts the toolkit as the window program does and loads the settings; false (said on
// standard error) without a display.
inline bool StartToolkit(char** argv) {
    wxApp::SetInstance(new tess::App());
    int wxArgc = 1;
    if (!wxEntryStart(wxArgc, argv)) {
        std::fprintf(stderr, "no display\n");
        return false;
    }
    tess::LoadSettings();
    return true;
}

// The process's resident memory now, in KB (-1 where /proc cannot tell).
inline long ResidentKb() {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

} // namespace tess::bench
