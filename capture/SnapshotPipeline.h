#pragma once
// The snapshot commands: the capture-start action (hide or minimize the main frame), the
// choice of window or rectangle, the delay of N seconds with its beeps, the grab and write,
// the copy to the clipboard, the shutter sound, the path (or the failure) in the status bar
// and the display of the file. The steps that touch windows, sound and time go through a
// `SnapshotHost`, so the order can be followed without a toolkit; the main window supplies
// the real one.
#include <memory>
#include <optional>
#include <string>

#include "capture/Snapshot.h"
#include "platform/DesktopServices.h"

namespace tess {

struct Settings;

inline constexpr char kPromptSnapWindow[] = N_("Click the window that you wish to snap...");
inline constexpr char kPromptSnapRegion[] = N_("Click and drag the rectangle you wish to snap...");

// Milliseconds between the selection and the grab (the selection window must be gone).
inline constexpr int kAfterSelectionMs = 100;
// The delay: `SnapshotDelay` waits of one second, each followed by a beep, with the
// countdown window showing the seconds left; then the window is unmapped and the screen
// given kCountdownGoneMs to show what it covered before the grab.
inline constexpr int kDelayStepMs = 1000;
inline constexpr int kCountdownGoneMs = 100;
// When the screen is read from a desktop's cast, the grab after the countdown waits up to this
// long for a picture the desktop made after the window went.
inline constexpr int kCountdownFreshPictureMs = 1000;

class SnapshotHost {
public:
    virtual ~SnapshotHost() = default;
    // The main frame: hidden, minimized, or shown again in its normal state.
    virtual void HideFrame() = 0;
    virtual void MinimizeFrame() = 0;
    virtual void ShowFrameNormal() = 0;
    // The frame's title: a selection prompt, or the title rebuilt for what is displayed.
    virtual void ShowPrompt(const std::string& text) = 0;
    virtual void RebuildTitle() = 0;
    // The selection window; true when the user chose (OK), false on cancel.
    virtual bool SelectWindow(WindowId* window) = 0;
    virtual bool SelectRectangle(ScreenRect* rect) = 0;
    virtual void Wait(int ms) = 0;
    // The countdown window: shows `secondsLeft` near a corner of the monitor that holds the
    // middle of `area` (the pointer's monitor without one); unmapped by HideCountdown.
    // CountdownCancelled: Escape was pressed during this snapshot's countdown.
    virtual void ShowCountdown(int secondsLeft, std::optional<ScreenRect> area) = 0;
    virtual void HideCountdown() = 0;
    virtual bool CountdownCancelled() = 0;
    virtual void Beep() = 0;
    // Puts a written snapshot's picture on the clipboard.
    virtual void CopyPicture(const MemBm& picture) = 0;
    // Starts the shutter sound and returns at once.
    virtual void PlayShutter() = 0;
    virtual void ShowStatus(const std::string& text) = 0;
    // The desktop's notification of a written or failed snapshot.
    virtual void NotifyCapture(const CaptureNotice& notice) = 0;
    // Shows a written file (the display step).
    virtual void DisplayFile(const std::string& path) = 0;
    // The window thread's screen; null when there is no display.
    virtual ScreenConnection* Screen() = 0;
    // The mark-up editor on a grabbed picture; its answer decides what is written. Asked for
    // only when the setting "EditSnapshots" is on and MayEdit() (hosts without an editor, and
    // the control requests, which must never wait for a window, say false).
    virtual bool MayEdit() { return false; }
    virtual EditedPicture EditPicture(const MemBm&) { return {}; }
};

// The capture-start action of `CaptureAction` (1 hide, 2 minimize, 0 nothing) and its
// undo (the frame shown normally unless the action is 0; the title rebuilt either way).
void ApplyCaptureStart(SnapshotHost& host, const Settings& settings);
void UndoCaptureStart(SnapshotHost& host, const Settings& settings);

// One snapshot of a window, a rectangle or (neither) the whole desktop: the name, the
// delay, the grab with cursor and caption, the write; then, only when a file was written,
// its picture onto the clipboard (when `CopyToClipboard` is on), the shutter sound, the path in the
// status bar, the notification (when `Notify` is on) and the display step. With `EditSnapshots`
// on, the editor comes between the grab and the write: Save writes its picture (the clipboard
// gets that one), Copy puts it on the clipboard and writes nothing, Cancel writes nothing. A
// failure shows its message in the status bar and notifies it instead; a cancelled one does
// neither. Format -1 is `ImageFormat`. An output path names the file (replaced when it exists);
// without one the picture pattern gives a free name.
SnapshotOutcome TakeSnapshot(SnapshotHost& host, Settings& settings, WindowId window,
                             std::optional<ScreenRect> area, int32_t format = -1,
                             int32_t quality = -1, const std::string& outputPath = {});

// "Snapshot Screen" (1842), "Snapshot Window" (1835), "Snapshot Region" (1836). The window
// and region commands show the prompt, let the user choose, wait 100 ms and snap; a
// cancelled choice captures nothing. The capture-start action is undone in every case.
// None returns an outcome when nothing was captured. `outputPath` as for TakeSnapshot.
std::optional<SnapshotOutcome> SnapshotScreenCommand(SnapshotHost& host, Settings& settings,
                                                     const std::string& outputPath = {});
std::optional<SnapshotOutcome> SnapshotWindowCommand(SnapshotHost& host, Settings& settings,
                                                     const std::string& outputPath = {});
std::optional<SnapshotOutcome> SnapshotRegionCommand(SnapshotHost& host, Settings& settings,
                                                     const std::string& outputPath = {});

// The snapshot of a rectangle known beforehand (the last region, the monitor under the
// pointer): the capture-start action, the snapshot, the undo; no prompt and no selection.
SnapshotOutcome SnapshotAreaCommand(SnapshotHost& host, Settings& settings, const ScreenRect& area,
                                    const std::string& outputPath = {});

inline constexpr char kPromptTextRegion[] =
    N_("Click and drag the rectangle whose text you wish to copy...");

// "Copy Text from Region...": the capture-start action, the prompt, the user's rectangle,
// 100 ms, the rectangle's picture without the cursor, the undo. Null when the choice was
// cancelled or the screen gave no picture.
std::unique_ptr<MemBm> GrabChosenRegion(SnapshotHost& host, const Settings& settings);

// The status-bar text of a snapshot: the path, or the reason it failed.
std::string SnapshotStatusText(const SnapshotOutcome& outcome);

} // namespace tess
