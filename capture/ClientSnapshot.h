#pragma once
// The snapshot commands of the main client window: one entry point runs the pipeline of
// capture/SnapshotPipeline.h with the frame around the client, the client's choosers of a
// window or a rectangle, the status bar and the display step; the waits, the beeps and the
// shutter clip come from the client's desktop services.
#include <memory>
#include <optional>
#include <string>

#include "capture/ClientLogic.h"
#include "capture/Snapshot.h"
#include "platform/ScreenRect.h"

namespace tess {

class MemBm;
class TClient;

// Waits `ms` while the toolkit repaints, so a window that just closed is off the screen.
void WaitRepainting(int ms);

// Runs one snapshot of `target` for the client window. A snapshot asked for while another
// runs (a hot key during the selection) is ignored. An output path names the file; without
// one the picture pattern gives the name. None when nothing was captured.
// `mayEdit` false keeps the mark-up editor shut whatever "EditSnapshots" says (a control
// request's snapshot).
std::optional<SnapshotOutcome> RunClientSnapshot(TClient& client, CaptureMode target,
                                                 const std::string& outputPath = {},
                                                 bool mayEdit = true);
// The same for a rectangle known beforehand (the last region).
void RunClientAreaSnapshot(TClient& client, const ScreenRect& area);

// "Copy Text from Region...": the rectangle the user chooses, grabbed for reading
// (GrabChosenRegion). Null when cancelled, or while a snapshot runs.
std::unique_ptr<MemBm> GrabClientRegionForText(TClient& client);

} // namespace tess
