#pragma once
// Commands that run without any window (long options such as "--snapshot"): tried after
// the switches and before the application object exists.
#include "app/CommandLine.h"
#include "platform/DesktopServices.h"
#include "platform/ScreenPixelSource.h"
#include "platform/x11/Screen.h"

#include <memory>
#include <optional>

namespace tess {

// The exit code of a headless command named on the command line, or nothing when the
// command line asks for the window program.
std::optional<int> RunHeadlessCommand(const CommandLine& cl, int argc, char** argv);

// Sets up the chosen screen back end once the settings are loaded (the window program's
// app/ScreenBackendSetup.h); an exit code when the command cannot run with it.
using ScreenBackendSetUp = std::optional<int> (*)(const CommandLine& cl);

// The command-line snapshot alone. It needs neither the toolkit nor the sound code, so the
// launcher (app/Launcher.h) runs it in its own small process image. Nothing when this
// program cannot take it and the window program should: the settings ask for a caption and
// this program cannot draw one, or the screen is read through the portal and no `setUp`
// (the launcher's case) was given.
// With `endProcess` the process ends right after the path is printed, skipping its clean-up.
// `result` as for RunSnapshotCommand.
std::optional<int> RunSnapshotFromCommandLine(const CommandLine& cl, bool endProcess = false,
                                              ScreenBackendSetUp setUp = nullptr,
                                              CaptureNotice* result = nullptr);

// The notification of a command-line capture (--notify), answered until it closes or ten
// minutes pass: "Open" starts the program on the file, "Show in folder" asks the file
// manager, "Copy" leaves the picture with a clipboard holder (HoldPictureFileOnClipboard)
// that serves it until another program takes the clipboard. Returns at once without a
// notification service.
void NotifyAndAnswer(const CaptureNotice& notice);

// The window program's own mode for that: `tessaray-window --answer-notification KIND FILE
// MESSAGE` (KIND snapshot, recording, failed, exported, text-copied or text-read) runs
// NotifyAndAnswer and ends.
inline constexpr char kAnswerNotificationMode[] = "--answer-notification";

// Starts this program afresh in that mode, in a session of its own that keeps none of this
// process's descriptors, so that the command's path and exit status wait for no notification
// (and a fresh process, not a fork of one that runs the toolkit's and the bus's threads,
// answers it). False, with the reason, when it could not be started.
bool StartNotificationAnswerer(const CaptureNotice& notice, std::string* why);

// The exit code of that mode when `argv` asks for it (2 for arguments it cannot take), else
// nothing.
std::optional<int> RunNotificationAnswerer(int argc, char** argv);

// --list-monitors: prints the X display's monitors, one a line (platform/x11/Monitors.h), and
// gives the exit code; nothing when the command line does not ask for them. In a Wayland
// session they are Xwayland's.
std::optional<int> ListMonitorsFromCommandLine(const CommandLine& cl);

// The back end that reads the screen: --backend, else the "ScreenBackend" setting, else the
// portal in a Wayland session (ChooseScreenBackend). Call with the settings loaded.
ScreenBackend ChosenScreenBackend(const CommandLine& cl);

// The display (null when none can be opened), with the settings loaded against its size.
// Nothing is saved by the windowless commands.
std::unique_ptr<ScreenConnection> OpenScreenAndLoadSettings();

} // namespace tess
