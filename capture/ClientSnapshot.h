#pragma once
// The snapshot commands of the main client window: TClient's snapshot handlers run the
// pipeline of capture/SnapshotPipeline.h with the frame around the client, the selection
// window, the shutter clip, the status bar and the display step. Tests replace the parts
// that would wait, sound or start other programs.
#include <functional>
#include <string>

#include "capture/SnapshotPipeline.h"

class wxWindow;

namespace tess {

struct SnapshotHooks {
    std::function<void(int ms)> wait;                     // default: sleep, repainting
    std::function<void()> beep;                           // default: wxBell
    std::function<void()> shutter;                        // default: the shutter clip
    std::function<void(const std::string& path)> display; // default: the system's viewer
};

// The process-wide hooks; empty members mean the real behaviour.
SnapshotHooks& SnapshotHooksForTesting();

// Waits `ms` while the toolkit repaints, so a window that just closed is off the screen.
void WaitRepainting(int ms);

// Runs one snapshot command (1842, 1835 or 1836) for the client window `client`. A command
// that arrives while another snapshot runs (a hot key during the selection) is ignored.
// An output path names the file; without one the picture pattern gives the name.
void RunClientSnapshot(wxWindow* client, int command, const std::string& outputPath = {});

} // namespace tess
