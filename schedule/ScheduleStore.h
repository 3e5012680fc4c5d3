#pragma once
// Storage of the schedule: "TimerEnable", "EventCount", and per event "Event%d" (seven
// decimal numbers: days, start hour, start minute, end hour, end minute, keep, action) and
// "EventName%d". In the registry-style store the values lie under the program's key; in
// an ini file they form the section "Schedule", so a settings file carries the schedule.
#include "schedule/Schedule.h"
#include "settings/SettingsStore.h"

namespace tess {

// Loads the list and the timers switch. Returns false, leaving both as they were, when the
// store is an ini file without a schedule (so opening such a file keeps the live schedule).
// In the registry-style store missing values give the defaults (no events, timers on).
bool LoadSchedule(SettingsAccess& access, EventList& list, bool& timerEnable);
// Writes the named events (numbered from 0, unnamed ones skipped), at most 255, and the
// count. Values of higher numbers left by an earlier, longer list stay and are ignored.
void SaveSchedule(SettingsAccess& access, const EventList& list, bool timerEnable);

// The event text "%d %d %d %d %d %d %d" and its reverse (numbers missing from the text
// leave the fields as they are).
std::string EventValueText(const ScheduleEvent& event);
void ScanEventValueText(const std::string& text, ScheduleEvent& event);

} // namespace tess
