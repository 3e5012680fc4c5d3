#pragma once
// The settings catalog: the load and save operation of every group of the global settings
// record (apart from "Main", which the main client window owns, and the schedule events),
// the shared sound level, the default capture directory and the log-on start entry.
#include "settings/Settings.h"
#include "settings/SettingsStore.h"

#include <string>

namespace tess {

// Clears every stored setting of the record to zero before a load (the runtime state kept
// with the record, the capture state, is left alone).
void ClearSettingsRecord(Settings& s);

// The sound level shared with the mixer. Registry mode: the one-byte value "Volume", 50
// when missing. Ini mode: "Setup"/"Sound Level", 128 when missing, and anything outside
// 0..127 becomes 0. `access` is a handle on the group "Setup".
void LoadSoundLevel(SettingsAccess& access, Settings& s);
// False when the registry write failed (the caller reports it).
bool SaveSoundLevel(SettingsAccess& access, const Settings& s);

void LoadSetupGroup(SettingsAccess& a, Settings& s);
// Also brings the log-on start entry in line with AlwaysStart / MinimizeOnStart.
void SaveSetupGroup(SettingsAccess& a, const Settings& s);
void LoadWMediaGroup(SettingsAccess& a, Settings& s);
void SaveWMediaGroup(SettingsAccess& a, const Settings& s);
// Applies the default-directory rule when DefaultDirectory is absent, empty or the default of
// earlier versions ($XDG_DATA_HOME/Tessaray/).
void LoadFileGroup(SettingsAccess& a, Settings& s);
void SaveFileGroup(SettingsAccess& a, const Settings& s);
void LoadMixerGroup(SettingsAccess& a, Settings& s);
void SaveMixerGroup(SettingsAccess& a, const Settings& s);
void LoadCaptionGroup(SettingsAccess& a, Settings& s);
void SaveCaptionGroup(SettingsAccess& a, const Settings& s);
void LoadImageGroup(SettingsAccess& a, Settings& s);
void SaveImageGroup(SettingsAccess& a, const Settings& s);
// Group "Annotate": the mark-up editor's tool, colour, width, text size, redaction style and
// text backdrop, each key named "Annotate..." (in registry mode all keys share one name space).
void LoadAnnotateGroup(SettingsAccess& a, Settings& s);
void SaveAnnotateGroup(SettingsAccess& a, const Settings& s);
void LoadEffectsGroup(SettingsAccess& a, Settings& s);
void SaveEffectsGroup(SettingsAccess& a, const Settings& s);
// Group "Key": the three hot-key values, cut to their low 16 bits.
void LoadKeyGroup(SettingsAccess& a, Settings& s);
void SaveKeyGroup(SettingsAccess& a, const Settings& s);
void LoadCaptureGroup(SettingsAccess& a, Settings& s);
void SaveCaptureGroup(SettingsAccess& a, const Settings& s);
void LoadDisplayGroup(SettingsAccess& a, Settings& s);
void SaveDisplayGroup(SettingsAccess& a, const Settings& s);

// The capture directory used when none is stored: "Tessaray" in the user's pictures folder
// (PicturesDirectory()), created; when it cannot be created, the current directory (else
// /tmp/) with a trailing "/".
std::string DefaultCaptureDirectory();
// The same folder's path alone (with a trailing "/"), whether or not it exists.
std::string DefaultCaptureDirectoryPath();

// The log-on start entry (an XDG autostart file). With `alwaysStart` it is written with
// Exec= the program's path (" -m" appended with `minimized`); without, it is removed.
// Failures are silent. Returns true when the entry is as asked afterwards.
bool UpdateLogOnStart(bool alwaysStart, bool minimized, const std::string& programPath);
// Removes the entry (the "/U" switch).
void RemoveLogOnStart();
// The entry's text for `programPath`.
std::string LogOnStartEntryText(const std::string& programPath, bool minimized);

} // namespace tess
