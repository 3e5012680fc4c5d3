#include "app/SettingsIO.h"

#include "capture/MainGroup.h"
#include "schedule/ScheduleStore.h"
#include "settings/Catalog.h"
#include "settings/Settings.h"

#include <unistd.h>

namespace tess {

namespace {

GroupFunction g_loadEvents, g_saveEvents;
int g_screenW = 0, g_screenH = 0;

void ScreenSize(int& w, int& h) {
    w = g_screenW;
    h = g_screenH;
    if (w <= 0 || h <= 0) {
        w = 1024;
        h = 768;
    }
}

std::string CurrentDirectory() {
    char buf[4096];
    return getcwd(buf, sizeof buf) ? std::string(buf) : std::string();
}

SettingsResult Finish(SettingsStore& store, bool closed) {
    SettingsResult r;
    r.ok = closed;
    r.registryMode = store.registryMode();
    r.damaged = store.damaged();
    r.path = store.path();
    r.warnings = store.warnings();
    return r;
}

} // namespace

void SetScheduleEventsGroup(GroupFunction load, GroupFunction save) {
    g_loadEvents = std::move(load);
    g_saveEvents = std::move(save);
}

void SetScreenSizeForSettings(int width, int height) {
    g_screenW = width;
    g_screenH = height;
}

SettingsResult LoadSettings(const std::string& file) {
    SettingsStore store;
    store.Open(file, SettingsStore::Purpose::Load);
    Settings& s = GlobalSettings();
    ClearSettingsRecord(s);
    int w, h;
    ScreenSize(w, h);
    {
        SettingsAccess a(store, "Setup");
        LoadSoundLevel(a, s);
    }
    {
        SettingsAccess a(store, "Setup");
        LoadSetupGroup(a, s);
    }
    {
        // In an ini file the schedule is the section "Schedule"; a file without one keeps
        // the live schedule.
        SettingsAccess a(store, "Schedule");
        if (g_loadEvents)
            g_loadEvents(a);
        else
            LoadSchedule(a, LiveSchedule(), TimerEnable());
    }
    {
        SettingsAccess a(store, "WMedia");
        LoadWMediaGroup(a, s);
    }
    {
        SettingsAccess a(store, "File");
        LoadFileGroup(a, s);
    }
    {
        SettingsAccess a(store, "Main");
        LoadMainGroup(a, s, w, h);
    }
    {
        SettingsAccess a(store, "Mixer");
        LoadMixerGroup(a, s);
    }
    {
        SettingsAccess a(store, "Caption");
        LoadCaptionGroup(a, s);
    }
    {
        SettingsAccess a(store, "Image");
        LoadImageGroup(a, s);
    }
    {
        SettingsAccess a(store, "Annotate");
        LoadAnnotateGroup(a, s);
    }
    {
        SettingsAccess a(store, "Effects");
        LoadEffectsGroup(a, s);
    }
    {
        SettingsAccess a(store, "Key");
        LoadKeyGroup(a, s);
    }
    {
        SettingsAccess a(store, "Capture");
        LoadCaptureGroup(a, s);
    }
    {
        SettingsAccess a(store, "Display");
        LoadDisplayGroup(a, s);
    }
    bool closed = store.Close();
    return Finish(store, closed);
}

SettingsResult SaveRestoreToken() {
    SettingsStore store;
    store.Open({}, SettingsStore::Purpose::Save);
    {
        SettingsAccess a(store, "Main");
        a.WriteString("PortalRestoreToken", GlobalSettings().portalRestoreToken);
    }
    bool closed = store.Close();
    return Finish(store, closed);
}

SettingsResult SaveLastRegion() {
    SettingsStore store;
    store.Open({}, SettingsStore::Purpose::Save);
    {
        SettingsAccess a(store, "Main");
        a.WriteString("LastRegion", GlobalSettings().lastRegion);
    }
    bool closed = store.Close();
    return Finish(store, closed);
}

SettingsResult SaveAnnotateSettings() {
    SettingsStore store;
    store.Open({}, SettingsStore::Purpose::Save);
    {
        SettingsAccess a(store, "Annotate");
        SaveAnnotateGroup(a, GlobalSettings());
    }
    bool closed = store.Close();
    return Finish(store, closed);
}

SettingsResult SaveSettings(const std::string& file) {
    SettingsStore store;
    store.Open(file, SettingsStore::Purpose::Save);
    const Settings& s = GlobalSettings();
    bool volumeFailed = false;
    {
        SettingsAccess a(store, "Setup");
        volumeFailed = !SaveSoundLevel(a, s);
        SaveSetupGroup(a, s);
    }
    {
        SettingsAccess a(store, "File");
        SaveFileGroup(a, s);
    }
    {
        SettingsAccess a(store, "Main");
        WindowGeometry g;
        bool haveFrame = CurrentFrameGeometry(g);
        SaveMainGroup(a, s, haveFrame ? &g : nullptr, CurrentDirectory());
    }
    {
        SettingsAccess a(store, "Mixer");
        SaveMixerGroup(a, s);
    }
    {
        SettingsAccess a(store, "WMedia");
        SaveWMediaGroup(a, s);
    }
    {
        SettingsAccess a(store, "Caption");
        SaveCaptionGroup(a, s);
    }
    {
        SettingsAccess a(store, "Image");
        SaveImageGroup(a, s);
    }
    {
        SettingsAccess a(store, "Annotate");
        SaveAnnotateGroup(a, s);
    }
    {
        SettingsAccess a(store, "Effects");
        SaveEffectsGroup(a, s);
    }
    {
        SettingsAccess a(store, "Schedule");
        if (g_saveEvents)
            g_saveEvents(a);
        else
            SaveSchedule(a, LiveSchedule(), TimerEnable());
    }
    {
        SettingsAccess a(store, "Key");
        SaveKeyGroup(a, s);
    }
    {
        SettingsAccess a(store, "Capture");
        SaveCaptureGroup(a, s);
    }
    {
        SettingsAccess a(store, "Display");
        SaveDisplayGroup(a, s);
    }
    bool closed = store.Close();
    SettingsResult r = Finish(store, closed);
    r.volumeWriteFailed = volumeFailed || (store.registryMode() && !closed);
    return r;
}

} // namespace tess
