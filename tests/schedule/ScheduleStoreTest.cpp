#include "schedule/ScheduleStore.h"

#include <gtest/gtest.h>

namespace tess {
namespace {

ScheduleEvent Named(const std::string& name, int startHour) {
    return {name, 62, startHour, 0, startHour + 1, 0, 3, 2};
}

TEST(ScheduleStore, RegistryValuesSkipUnnamedEventsAndRoundTrip) {
    RegFile reg;
    SettingsAccess access(nullptr, &reg, "Schedule");
    EventList list;
    list.AddEvent(Named("Morning", 9));
    list.AddEvent(Named("", 12));
    list.AddEvent(Named("Evening", 18));
    SaveSchedule(access, list, false);

    const RegFile::Value* count = reg.Find(kProgramKey, "EventCount");
    ASSERT_NE(count, nullptr);
    EXPECT_EQ(count->type, RegFile::Type::Binary);
    EXPECT_EQ(count->data, std::string(1, '\x02'));
    ASSERT_NE(reg.Find(kProgramKey, "Event1"), nullptr);
    EXPECT_EQ(reg.Find(kProgramKey, "Event1")->data, "62 18 0 19 0 3 2");
    EXPECT_EQ(reg.Find(kProgramKey, "EventName1")->data, "Evening");
    EXPECT_EQ(reg.Find(kProgramKey, "Event2"), nullptr);

    EventList loaded;
    bool timers = true;
    ASSERT_TRUE(LoadSchedule(access, loaded, timers));
    EXPECT_FALSE(timers);
    ASSERT_EQ(loaded.Count(), 2);
    EXPECT_EQ(loaded.At(0), list.At(0));
    EXPECT_EQ(loaded.At(1), list.At(2));
}

TEST(ScheduleStore, LoadingStoredTextAndMissingValues) {
    RegFile reg;
    SettingsAccess access(nullptr, &reg, "Schedule");
    EventList list;
    bool timers = false;
    // An empty store: no events, timers on.
    ASSERT_TRUE(LoadSchedule(access, list, timers));
    EXPECT_EQ(list.Count(), 0);
    EXPECT_TRUE(timers);

    access.WriteByte("EventCount", 3);
    access.WriteString("Event0", "62 9 0 10 0 -1 2");
    access.WriteString("EventName0", "Morning");
    // Number 1 has only a name; number 2 only part of its numbers.
    access.WriteString("EventName1", "Bare");
    access.WriteString("Event2", "1 7 30");
    access.WriteString("EventName2", "Partial");
    ASSERT_TRUE(LoadSchedule(access, list, timers));
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.At(0), (ScheduleEvent{"Morning", 62, 9, 0, 10, 0, -1, 2}));
    EXPECT_EQ(list.At(1), (ScheduleEvent{"Bare", 0, 0, 0, 0, 0, 0, 5}));
    EXPECT_EQ(list.At(2), (ScheduleEvent{"Partial", 1, 7, 30, 0, 0, 0, 5}));
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
