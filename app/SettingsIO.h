#pragma once
// LoadSettings / SaveSettings: every settings group in its fixed order, from and to the
// default store or an ini file named by the user.
#include "settings/SettingsStore.h"

#include <functional>
#include <string>
#include <vector>

namespace tess {

struct SettingsResult {
    bool ok = true;                 // false: the store could not be written (save) / read
    bool registryMode = false;      // the store that was used
    bool damaged = false;           // the store was damaged (see SettingsStore::Open)
    bool volumeWriteFailed = false; // "can't save vol subkey"
    std::string path;               // the file behind the store
    std::vector<std::string> warnings;
};

// Loads every group: from `file` (ini mode) when non-empty, else from the default store.
// The record is cleared first. The sound level is loaded before the groups; the order of
// the groups is "Setup", the schedule events, "WMedia", "File",
// "Main", "Mixer", "Caption", "Image", "Effects", "Key", "Capture", "Display".
SettingsResult LoadSettings(const std::string& file = {});
// Saves every group: sound level, "Setup", "File", "Main", "Mixer", "WMedia", "Caption",
// "Image", "Effects", the schedule events, "Key", "Capture", "Display".
SettingsResult SaveSettings(const std::string& file = {});

// The schedule events group: the live schedule through schedule/ScheduleStore.h (values
// under the program's key, or the ini section "Schedule"). Tests may put other functions in
// its place; null restores the schedule's own.
using GroupFunction = std::function<void(SettingsAccess&)>;
void SetScheduleEventsGroup(GroupFunction load, GroupFunction save);

// Writes the portal's restore token of the record to the default store at once, leaving
// every other value as it is (the process that starts a screen cast owns the token).
SettingsResult SaveRestoreToken();
// The same for the rectangle chosen last, so that the command line's "--region last" reads
// it while the window program runs.
SettingsResult SaveLastRegion();
// Writes only the "Annotate" group (the picture editor's choices) to the default store: the
// command-line editor, which saves nothing else.
SettingsResult SaveAnnotateSettings();

// The screen size used to clamp the saved window place: the window program and the
// windowless commands set the display's size before loading; 0 x 0 stands for 1024 x 768.
void SetScreenSizeForSettings(int width, int height);

} // namespace tess
