#include "schedule/Schedule.h"

#include "platform/Translate.h"

#include <algorithm>
#include <cctype>
#include <ctime>

namespace tess {

namespace {

bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

int StartOf(const ScheduleEvent& e) {
    return e.startHour * 60 + e.startMinute;
}
int EndOf(const ScheduleEvent& e) {
    return e.endHour * 60 + e.endMinute;
}

} // namespace

// TRANSLATORS: the days' abbreviations, Sunday to Saturday: Su M Tu W Th F Sa
const char* const kDayAbbreviations[7] = {N_("Su"), N_("M"), N_("Tu"), N_("W"),
                                          N_("Th"), N_("F"), N_("Sa")};

std::string DayMaskText(uint32_t days) {
    switch (days) {
    case 127:
        // TRANSLATORS: a scheduled event's days: every day
        return Tr("daily");
    case 62:
        // TRANSLATORS: a scheduled event's days: Monday to Friday
        return Tr("weekday");
    case 65:
        // TRANSLATORS: a scheduled event's days: Saturday and Sunday
        return Tr("weekend");
    default:
        break;
    }
    std::string text;
    for (int d = 0; d < 7; ++d)
        if (days & (1u << d))
            text += Tr(kDayAbbreviations[d]);
    return text;
}

std::string ActionText(int32_t action) {
    switch (action) {
    case 0:
        // TRANSLATORS: a scheduled event's action: nothing is recorded
        return Tr("no action");
    case 1:
        return Tr("Record Audio");
    case 2:
        return Tr("Record Video");
    case 3:
        return Tr("Record Video+Audio");
    default:
        return Tr("<undefined>");
    }
}

void EventList::AddEvent(const ScheduleEvent& event) {
    if (!event.name.empty())
        RemoveEvent(event.name);
    events_.push_back(event);
}

int EventList::FindEvent(const std::string& name) const {
    for (size_t i = 0; i < events_.size(); ++i)
        if (SameName(events_[i].name, name))
            return static_cast<int>(i);
    return -1;
}

void EventList::RemoveEvent(const std::string& name) {
    std::erase_if(events_, [&](const ScheduleEvent& e) { return SameName(e.name, name); });
}

void EventList::SetEvent(int index, const ScheduleEvent& event) {
    if (index >= 0 && index < Count())
        events_[static_cast<size_t>(index)] = event;
}

EventList& LiveSchedule() {
    static EventList list;
    return list;
}

bool& TimerEnable() {
    static bool enabled = true;
    return enabled;
}

ClockMinute LocalClockMinute(std::chrono::system_clock::time_point at) {
    std::time_t t = std::chrono::system_clock::to_time_t(at);
    std::tm tm{};
    localtime_r(&t, &tm);
    return {tm.tm_wday, tm.tm_hour, tm.tm_min};
}

int ScheduleChecker::Check(const EventList& list, const ClockMinute& now, bool timersEnabled) {
    if (now.hour == lastHour_ && now.minute == lastMinute_)
        return 0;
    lastHour_ = now.hour;
    lastMinute_ = now.minute;
    if (timersEnabled) {
        for (int i = 0; i < list.Count(); ++i) {
            const auto& e = list.At(i);
            if ((e.days & (1u << now.dayOfWeek)) && e.startHour == now.hour &&
                e.startMinute == now.minute)
                return i + 1;
        }
    }
    // An end is acted on every day, whatever the event's days, and once in its minute.
    for (int i = 0; i < list.Count(); ++i) {
        const auto& e = list.At(i);
        if (e.endHour == now.hour && e.endMinute == now.minute)
            return -(i + 1);
    }
    return 0;
}

int CheckSchedule(std::chrono::system_clock::time_point now) {
    static ScheduleChecker checker;
    return checker.Check(LiveSchedule(), LocalClockMinute(now), TimerEnable());
}

std::string ConflictText(const EventList& list) {
    std::string text;
    for (int i = 0; i < list.Count(); ++i) {
        const auto& a = list.At(i);
        for (int j = 0; j < i; ++j) {
            const auto& b = list.At(j);
            if (a.action == 0 || b.action == 0 || a.name.empty() || b.name.empty())
                continue;
            if ((a.days & b.days) == 0)
                continue;
            if (!(StartOf(a) < EndOf(b) && StartOf(b) < EndOf(a)))
                continue;
            std::string line =
                "\n" + FormatText(Tr("Schedule conflict between events \"%1$s\" and \"%2$s\"."),
                                  a.name.c_str(), b.name.c_str());
            if (text.size() + line.size() < 1999)
                text += line;
        }
    }
    return text;
}

} // namespace tess
