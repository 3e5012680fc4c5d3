#pragma once
// The program's log. Two channels, one prefix ("tessaray: " on standard error):
// - LogNotice: a line on standard error, for whoever started the program from a terminal
//   (a display that went away, an X error, a settings file that could not be read).
// - LogWarning: the warning log, a file of time-stamped warnings written rather than shown
//   (failures of the sound capture, of the tray, of the hot keys...).
// The warning log's file is the program's path with ".log" in place of its extension; for
// an installed copy (in libexec/tessaray/), or where that cannot be written,
// $XDG_STATE_HOME/Tessaray/tessaray.log (~/.local/state/... without the variable). At most 200
// warnings are written per run; the 200th is replaced by a line that says so. A log longer than
// 10000 bytes is emptied on the first warning of a run.
#include <string>

namespace tess {

// Writes "tessaray: " and the formatted text as one line on standard error (printf-style).
// Safe from any thread and from the display's error handlers.
void LogNotice(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Writes one time-stamped warning (printf-style). Safe from any thread.
void LogWarning(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The path the next warning goes to (the program's log, or the fallback).
std::string WarningLogPath();

// From now on the sound library's own messages (ALSA's, printed on standard error by
// default) are written here as warnings.
void RouteSoundLibraryMessagesToWarningLog();

// For tests: use `path` instead of the program's log ("" restores the program's), and
// start counting again as if the program had just started.
void SetWarningLogPathForTesting(const std::string& path);

// For tests: take `exePath` as the program's path ("" restores the real one) and start
// counting again.
void SetProgramPathForTesting(const std::string& exePath);

// The program's own log path: `exePath` with its extension replaced by ".log".
std::string LogPathForProgram(const std::string& exePath);

} // namespace tess
