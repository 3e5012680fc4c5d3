#pragma once
// What the "Event" dialog and the "Timer" page make of an event, apart from their windows:
// the time typed into a field, the texts of the list's row, the event "&New" starts from and
// the order of the list's column sort.
#include <string>

#include "schedule/Schedule.h"

namespace tess {

// A time typed into the event dialog: hours, then minutes after a colon or after two digits
// ("930" is 93 hours and 0 minutes, so 21:00), "a" turns 12 into 0, "p" adds 12 to other
// hours; everything else is ignored. The result is taken modulo 24 hours and 60 minutes.
struct EventTime {
    int hour = 0, minute = 0;
    bool operator==(const EventTime&) const = default;
};
EventTime ParseEventTime(const std::string& text);

// The texts of an event's row: "Program", "Time", "Files", "Action".
struct EventRow {
    std::string program, time, files, action;
};
EventRow EventRowTexts(const ScheduleEvent& e);
// The event "&New" starts from at `now`: today only, this hour to the next, keep all,
// record video.
ScheduleEvent NewEventAt(const ClockMinute& now);
// The comparison of the list's column sort (ascending): negative, 0 or positive.
int CompareEvents(const ScheduleEvent& a, const ScheduleEvent& b, int column);

} // namespace tess
