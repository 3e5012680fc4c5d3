#pragma once
// The command-line snapshot for scripts and tests:
//   tessaray --snapshot [--window ID | --region X,Y,W,H|last | --monitor NAME|N]
//            [--format png|bmp|gif|jpg] [--output FILE] [--delay N] [--clipboard] [--notify]
// Runs the same grab, cursor, caption and writer code as the snapshot commands, without a
// window, the capture-start action or the display step, and saves no settings. The delay
// is the command line's own (none unless --delay is given).
// (A negative X or Y is written --region=-10,0,100,100, as a value may not start with "-".)
#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "capture/Snapshot.h"
#include "platform/DesktopServices.h"

namespace tess {

struct Settings;

// Exit codes of the command.
inline constexpr int kSnapshotExitOk = 0;
inline constexpr int kSnapshotExitFailed = 1;
inline constexpr int kSnapshotExitUsage = 2;

struct SnapshotOptions {
    bool ok = false;
    SnapshotRequest request;
    int delaySeconds = 0;   // --delay: seconds between the naming of the file and the grab
    std::string monitor;    // --monitor: a name or number, looked up once the display is open
    bool clipboard = false; // --clipboard: the picture also stays on the clipboard
    std::string error;      // what is wrong with the command line
};

// True when the long options ask for the command-line snapshot.
bool WantsSnapshotCommand(const std::vector<std::pair<std::string, std::string>>& longOptions);

// Reads --window (decimal or 0x hexadecimal), --region, --monitor, --format, --output,
// --delay (whole seconds, 0 to 60; 0 is none) and --clipboard; --notify is the caller's
// (app/Headless.h). Other options, a missing or malformed value, more than one of --window,
// --region and --monitor, and a region without area are errors. An output named .png, .bmp,
// .gif, .jpg or .jpeg chooses the format; a --format that says another is an error.
// "--region last" takes `lastRegion` (the stored "X,Y,W,H").
SnapshotOptions
ParseSnapshotOptions(const std::vector<std::pair<std::string, std::string>>& longOptions,
                     const std::string& lastRegion = {});

// Runs the command with the loaded `settings` (the cursor setting included): prints the
// path written on `out` and returns 0, or prints the reason on `err` and returns non-zero.
// With --clipboard the picture stays on the clipboard (HoldPictureFileOnClipboard); the path
// is printed once it is there (or a warning, and still 0).
// `screen` null means no display could be opened. During a delay, `countOnErr` (standard
// error is a terminal) shows the seconds left on `err`, one line rewritten each second.
// `result`, when given, receives what a notification of the snapshot says (not for a
// usage error, which captured nothing). `edit` (--edit: the mark-up editor) comes between the
// grab and the write: its Copy ends with 0 and writes nothing (the editor holds the clipboard),
// its Cancel with 1.
int RunSnapshotCommand(const std::vector<std::pair<std::string, std::string>>& longOptions,
                       ScreenConnection* screen, Settings& settings, std::ostream& out,
                       std::ostream& err, bool countOnErr = false, CaptureNotice* result = nullptr,
                       std::function<EditedPicture(const MemBm&)> edit = {});

// Keeps the picture file `path` on the clipboard as PNG after this process has ended, until
// another program copies something (platform/x11/ClipboardHolder.h): a PNG file's own bytes,
// any other picture decoded and made into a PNG. For any part of the program that has a
// picture file to copy without a window. False, with `error` set, when the file cannot be
// read or decoded, or the clipboard cannot be had.
bool HoldPictureFileOnClipboard(const std::string& path, std::string* error);
// The same for a picture in memory (the command line's editor's Copy).
bool HoldPictureOnClipboard(const MemBm& picture, std::string* error);

} // namespace tess
