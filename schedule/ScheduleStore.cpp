#include "schedule/ScheduleStore.h"

#include <cstdio>

namespace tess {

namespace {
constexpr int kMaxStoredEvents = 255;
}

std::string EventValueText(const ScheduleEvent& e) {
    char buf[128];
    std::snprintf(buf, sizeof buf, "%d %d %d %d %d %d %d", static_cast<int>(e.days), e.startHour,
                  e.startMinute, e.endHour, e.endMinute, e.keep, e.action);
    return buf;
}

void ScanEventValueText(const std::string& text, ScheduleEvent& e) {
    int days = static_cast<int>(e.days);
    int v[6] = {e.startHour, e.startMinute, e.endHour, e.endMinute, e.keep, e.action};
    std::sscanf(text.c_str(), "%d %d %d %d %d %d %d", &days, &v[0], &v[1], &v[2], &v[3], &v[4],
                &v[5]);
    e.days = static_cast<uint32_t>(days);
    e.startHour = v[0];
    e.startMinute = v[1];
    e.endHour = v[2];
    e.endMinute = v[3];
    e.keep = v[4];
    e.action = v[5];
}

bool LoadSchedule(SettingsAccess& access, EventList& list, bool& timerEnable) {
    std::string probe;
    if (!access.registryMode() && !access.ReadString("EventCount", probe, nullptr))
        return false;
    list.Clear();
    timerEnable = access.ReadByte("TimerEnable", 1) != 0;
    const int count = access.ReadByte("EventCount", 0);
    for (int i = 0; i < count; ++i) {
        ScheduleEvent e;
        e.keep = 0;
        e.action = 5;
        std::string text;
        if (access.ReadString("Event" + std::to_string(i), text, nullptr))
            ScanEventValueText(text, e);
        std::string name;
        if (access.ReadString("EventName" + std::to_string(i), name, nullptr))
            e.name = name;
        list.AddEvent(e);
    }
    return true;
}

void SaveSchedule(SettingsAccess& access, const EventList& list, bool timerEnable) {
    access.WriteByte("TimerEnable", timerEnable ? 1 : 0);
    int n = 0;
    for (int i = 0; i < list.Count() && n < kMaxStoredEvents; ++i) {
        const auto& e = list.At(i);
        if (e.name.empty())
            continue;
        access.WriteString("Event" + std::to_string(n), EventValueText(e));
        access.WriteString("EventName" + std::to_string(n), e.name);
        ++n;
    }
    access.WriteByte("EventCount", static_cast<uint8_t>(n));
}

} // namespace tess
