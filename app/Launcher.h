#pragma once
// The program's front door (the `tessaray` executable). "--help", "--version" and unknown
// long options are answered here (app/LauncherOptions.h). A command-line snapshot runs right
// here, in a process that loads only the X, picture and settings code, so a script's
// snapshot does not wait for the toolkit's or the text drawing's libraries to load (one
// with a caption goes on to the window program). Everything else (the window
// program, the other switches and windowless commands) replaces this process image with the
// window program, with the same arguments and the same process id: `tessaray-window` beside
// this executable (the build tree), else in libexec/tessaray/ of the installation.

namespace tess {

// The environment variable through which the window program learns the launcher's path
// (for the log-on entry and "New instance", see ExecutablePath()).
inline constexpr const char* kLauncherPathVariable = "TESSARAY_LAUNCHER";

// The window program's file name, beside the launcher.
inline constexpr const char* kWindowProgramName = "tessaray-window";

// Runs the launcher; returns the exit code (only when the window program could not start,
// or for the snapshot).
int RunLauncher(int argc, char** argv);

} // namespace tess
