#pragma once
// Named daily schedule events that start and stop recordings, the list that holds them,
// the firing rule checked on every tick of the main window's timer, and the conflict check.
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace tess {

struct ScheduleEvent {
    std::string name;  // also the file-name pattern of the event's recordings
    uint32_t days = 0; // bit 0 Sunday .. bit 6 Saturday
    int32_t startHour = 0;
    int32_t startMinute = 0;
    int32_t endHour = 0;
    int32_t endMinute = 0;
    int32_t keep = -1;  // recordings to keep, -1 all
    int32_t action = 0; // bit 0 sound, bit 1 video

    bool operator==(const ScheduleEvent&) const = default;
};

// Texts the event list shows.
std::string DayMaskText(uint32_t days);
// The days' abbreviations, Sunday first (marked for translation; Tr() at use).
extern const char* const kDayAbbreviations[7];
std::string ActionText(int32_t action);

class EventList {
public:
    // Replaces every event of the same name (ignoring case) and appends the event last.
    void AddEvent(const ScheduleEvent& event);
    int FindEvent(const std::string& name) const;
    void RemoveEvent(const std::string& name);
    void SetEvent(int index, const ScheduleEvent& event);

    int Count() const { return static_cast<int>(events_.size()); }
    const ScheduleEvent& At(int index) const { return events_.at(static_cast<size_t>(index)); }
    void Clear() { events_.clear(); }
    bool operator==(const EventList&) const = default;

private:
    std::vector<ScheduleEvent> events_;
};

// The live schedule of the process and its "Enable timers" switch.
EventList& LiveSchedule();
bool& TimerEnable();

// Local wall-clock time as the firing rule needs it.
struct ClockMinute {
    int dayOfWeek = 0; // 0 Sunday
    int hour = 0;
    int minute = 0;
};
// `t` in local time.
ClockMinute LocalClockMinute(std::chrono::system_clock::time_point t);

// Remembers the minute of the last check so each start and each end is reported once in
// its minute. The process keeps one (see CheckSchedule); tests make their own.
class ScheduleChecker {
public:
    // 0 nothing due; i + 1 event i starts; -(i + 1) event i ends. Starts are reported only
    // while `timersEnabled`; ends always, so a running scheduled recording still stops.
    int Check(const EventList& list, const ClockMinute& now, bool timersEnabled);

private:
    int lastHour_ = -1;
    int lastMinute_ = -1;
};

// The process's check against the live schedule at `now`.
int CheckSchedule(std::chrono::system_clock::time_point now);

// The conflict report of a list: one line per overlapping pair, empty when none.
std::string ConflictText(const EventList& list);

} // namespace tess
