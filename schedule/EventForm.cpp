#include "schedule/EventForm.h"

#include "platform/Translate.h"

#include <cstdio>
#include <strings.h>

namespace tess {

EventTime ParseEventTime(const std::string& text) {
    long fields[3] = {0, 0, 0};
    int field = 0, digits = 0;
    for (char c : text) {
        if (c == ':') {
            ++field;
            digits = 0;
        } else if (c >= '0' && c <= '9') {
            if (++digits == 3) {
                ++field;
                digits = 1;
            }
            if (field <= 2 && fields[field] < 100000000)
                fields[field] = fields[field] * 10 + (c - '0');
        } else if (c == 'a' || c == 'A') {
            if (fields[0] == 12)
                fields[0] = 0;
        } else if (c == 'p' || c == 'P') {
            if (fields[0] != 12)
                fields[0] += 12;
        }
    }
    return {static_cast<int>(fields[0] % 24), static_cast<int>(fields[1] % 60)};
}

EventRow EventRowTexts(const ScheduleEvent& e) {
    EventRow r;
    char buf[300];
    std::snprintf(buf, sizeof buf, "%-10s", e.name.c_str());
    r.program = buf;
    std::snprintf(buf, sizeof buf, "%d:%2.2d-%d:%2.2d ", e.startHour, e.startMinute, e.endHour,
                  e.endMinute);
    r.time = buf + DayMaskText(e.days);
    // TRANSLATORS: keep all of a scheduled event's recordings
    r.files = e.keep < 0 ? Tr("All") : std::to_string(e.keep);
    r.action = ActionText(e.action);
    return r;
}

ScheduleEvent NewEventAt(const ClockMinute& now) {
    ScheduleEvent e;
    e.days = 1u << (now.dayOfWeek % 7);
    e.startHour = now.hour;
    e.startMinute = 0;
    e.endHour = (now.hour + 1) % 24;
    e.endMinute = 0;
    e.keep = -1;
    e.action = 2;
    return e;
}

int CompareEvents(const ScheduleEvent& a, const ScheduleEvent& b, int column) {
    auto cmp = [](auto x, auto y) { return x < y ? -1 : y < x ? 1 : 0; };
    switch (column) {
    case 0:
        return strcasecmp(a.name.c_str(), b.name.c_str());
    case 1:
        return cmp(a.startHour * 60 + a.startMinute, b.startHour * 60 + b.startMinute);
    case 2:
        return cmp(a.keep, b.keep);
    case 3:
        return cmp(a.action, b.action);
    default:
        return 0;
    }
}

} // namespace tess
