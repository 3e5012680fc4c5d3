#pragma once
// Where the program keeps its files: the per-user configuration and data directories
// (XDG base directories), the directory of the running executable, and the fixed names
// inside them.
#include <string>

namespace tess {

// $XDG_CONFIG_HOME, else $HOME/.config (no trailing "/").
std::string ConfigHome();
// $XDG_DATA_HOME, else $HOME/.local/share (no trailing "/").
std::string DataHome();
// $HOME, else /tmp.
std::string HomeDirectory();
// The user's pictures folder as the desktop names it: XDG_PICTURES_DIR of
// $XDG_CONFIG_HOME/user-dirs.dirs ("$HOME/..." or an absolute path), else $HOME/Pictures (no
// trailing "/"). Read at each call.
std::string PicturesDirectory();
// Full path of the program users start: the launcher that started this window program
// ($TESSARAY_LAUNCHER), else the running executable (/proc/self/exe); empty when unknown.
std::string ExecutablePath();
// The running executable itself (/proc/self/exe), whatever the environment says.
std::string RunningExecutablePath();
// Directory of the executable with a trailing "/".
std::string ExecutableDir();

// The registry-style store: $XDG_CONFIG_HOME/Quorvanta/Tessaray.reg.
std::string RegistryStorePath();
// The ini store used when the registry-style store cannot be opened: "tessaray.ini" next to
// the executable.
std::string DefaultIniPath();
// Directory in which an ini file named without a directory is placed
// ($XDG_CONFIG_HOME/Quorvanta/).
std::string ProfileDirectory();
// The log-on start entry: $XDG_CONFIG_HOME/autostart/tessaray.desktop.
std::string AutostartEntryPath();

// Test hooks: replace the store paths (empty restores the computed ones).
void SetRegistryStorePathForTesting(const std::string& path);
void SetDefaultIniPathForTesting(const std::string& path);

} // namespace tess
