#include "schedule/ScheduleStore.h"

#include <gtest/gtest.h>

namespace tess {
namespace {

ScheduleEvent Named(const std::string& name, int startHour) {
    return {name, 62, startHour, 0, startHour + 1, 0, 3, 2};
}

TEST(ScheduleStore, RegistryValuesSkipUnnamedEventsRoundTripAndLoadWhatIsStored) {
    RegFile reg;
    SettingsAccess access(nullptr, &reg, "Schedule");
    EventList list, loaded;
    bool timers = false;
    ASSERT_TRUE(LoadSchedule(access, loaded, timers)); // an empty store: no events, timers on
    EXPECT_EQ(loaded.Count(), 0);
    EXPECT_TRUE(timers);
    list.AddEvent(Named("Morning", 9));
    list.AddEvent(Named("", 12));
    list.AddEvent(Named("Evening", 18));
    SaveSchedule(access, list, false);
    auto value = [&](const char* name) {
        const RegFile::Value* v = reg.Find(kProgramKey, name);
        return !v ? "missing" : (v->type == RegFile::Type::Binary ? "hex:" : "") + v->data;
    };
    EXPECT_EQ(value("EventCount"), "hex:\x02");
    EXPECT_EQ(value("Event1"), "62 18 0 19 0 3 2");
    EXPECT_EQ(value("EventName1"), "Evening");
    EXPECT_EQ(value("Event2"), "missing");
    ASSERT_TRUE(LoadSchedule(access, loaded, timers));
    EXPECT_FALSE(timers);
    EXPECT_EQ(loaded.Count(), 2);
    EXPECT_EQ(loaded.At(0), list.At(0));
    EXPECT_EQ(loaded.At(1), list.At(2));

    access.WriteByte("EventCount", 3);
    access.WriteString("Event0", "62 9 0 10 0 -1 2");
    // Number 1 has only a name; number 2 only part of its numbers.
    reg.Remove(kProgramKey, "Event1");
    access.WriteString("EventName1", "Bare");
    access.WriteString("Event2", "1 7 30");
    access.WriteString("EventName2", "Partial");
    ASSERT_TRUE(LoadSchedule(access, loaded, timers));
    ASSERT_EQ(loaded.Count(), 3);
    EXPECT_EQ(loaded.At(0), (ScheduleEvent{"Morning", 62, 9, 0, 10, 0, -1, 2}));
    EXPECT_EQ(loaded.At(1), (ScheduleEvent{"Bare", 0, 0, 0, 0, 0, 0, 5}));
    EXPECT_EQ(loaded.At(2), (ScheduleEvent{"Partial", 1, 7, 30, 0, 0, 0, 5}));
}

TEST(ScheduleStore, IniFileCarriesTheScheduleAndAFileWithoutOneKeepsTheLiveList) {
    IniFile ini;
    SettingsAccess access(&ini, nullptr, "Schedule");
    EventList live;
    live.AddEvent(Named("Morning", 9));
    bool timers = true;
    EXPECT_FALSE(LoadSchedule(access, live, timers));
    EXPECT_EQ(live.Count(), 1);

    SaveSchedule(access, live, true);
    EXPECT_EQ(ini.Get("Schedule", "Event0").value_or(""), "62 9 0 10 0 3 2");
    EXPECT_EQ(ini.Get("Schedule", "EventCount").value_or(""), "1");

    EventList loaded;
    ASSERT_TRUE(LoadSchedule(access, loaded, timers));
    EXPECT_EQ(loaded, live);
}

} // namespace
} // namespace tess
