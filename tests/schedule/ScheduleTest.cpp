#include "schedule/Schedule.h"
#include "schedule/EventForm.h"

#include <gtest/gtest.h>

namespace tess {
namespace {

constexpr int kSunday = 0, kMonday = 1, kTuesday = 2;

ScheduleEvent Event(const std::string& name, uint32_t days, int sh, int sm, int eh, int em,
                    int action) {
    return {name, days, sh, sm, eh, em, -1, action};
}

EventList Morning() {
    EventList list;
    list.AddEvent(Event("Morning", 62, 9, 0, 10, 0, 2));
    return list;
}

TEST(ScheduleFiring, StartOnceInItsMinuteOnItsDaysEndOnceOnEveryDay) {
    auto list = Morning();
    ScheduleChecker checker; // the first tick after start-up already checks
    EXPECT_EQ(checker.Check(EventList{}, {kMonday, 0, 0}, true), 0);
    EXPECT_EQ(checker.Check(list, {kTuesday, 8, 59}, true), 0);
    EXPECT_EQ(checker.Check(list, {kTuesday, 9, 0}, true), 1);
    for (int tick = 0; tick < 5; ++tick)
        EXPECT_EQ(checker.Check(list, {kTuesday, 9, 0}, true), 0);
    EXPECT_EQ(checker.Check(list, {kTuesday, 9, 1}, true), 0);
    EXPECT_EQ(checker.Check(list, {kSunday, 9, 0}, true), 0); // not in the weekday mask
    for (int day : {kTuesday, kSunday}) {
        ScheduleChecker ends;
        EXPECT_EQ(ends.Check(list, {day, 10, 0}, true), -1);
        // A recording started by hand within the end minute is not stopped again.
        EXPECT_EQ(ends.Check(list, {day, 10, 0}, true), 0);
        EXPECT_EQ(ends.Check(list, {day, 10, 1}, true), 0);
    }
    // Disabled timers start nothing but still end.
    ScheduleChecker disabled;
    EXPECT_EQ(disabled.Check(list, {kTuesday, 9, 0}, false), 0);
    EXPECT_EQ(disabled.Check(list, {kTuesday, 10, 0}, false), -1);
}

TEST(ScheduleFiring, EarlierEventWinsStartBeatsEndAndNoActionEventsAreReported) {
    EventList list;
    list.AddEvent(Event("Ends", 127, 8, 0, 9, 0, 2));
    list.AddEvent(Event("First", 127, 9, 0, 10, 0, 2));
    list.AddEvent(Event("Second", 127, 9, 0, 11, 0, 3));
    list.AddEvent(Event("Idle", 127, 7, 0, 7, 30, 0));
    ScheduleChecker checker;
    EXPECT_EQ(checker.Check(list, {kMonday, 7, 0}, true), 4);
    EXPECT_EQ(checker.Check(list, {kMonday, 7, 30}, true), -4);
    EXPECT_EQ(checker.Check(list, {kMonday, 9, 0}, true), 2);
    EXPECT_EQ(checker.Check(list, {kMonday, 9, 0}, true), 0);
}

TEST(EventList, AddReplacesSameNameIgnoringCaseAndMovesItLast) {
    EventList list;
    list.AddEvent(Event("News", 1, 1, 0, 2, 0, 2));
    list.AddEvent(Event("Other", 1, 3, 0, 4, 0, 2));
    list.AddEvent(Event("news", 2, 5, 0, 6, 0, 3));
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.At(0).name + " " + list.At(1).name, "Other news");
    EXPECT_EQ(list.At(1).days, 2u);
    EXPECT_EQ(list.FindEvent("NEWS"), 1);
    EXPECT_EQ(list.FindEvent("absent"), -1);
    // Unnamed events are kept side by side.
    list.AddEvent(Event("", 1, 0, 0, 0, 0, 0));
    list.AddEvent(Event("", 1, 0, 0, 0, 0, 0));
    EXPECT_EQ(list.Count(), 4);
    list.RemoveEvent("OTHER");
    EXPECT_EQ(list.FindEvent("Other"), -1);
    list.SetEvent(7, Event("out of range", 0, 0, 0, 0, 0, 0));
    EXPECT_EQ(list.Count(), 3);
}

TEST(ScheduleTexts, DayMasksAndActions) {
    for (auto [mask, text] : {std::pair<uint32_t, const char*>{127, "daily"},
                              {62, "weekday"},
                              {65, "weekend"},
                              {1 | 4 | 16 | 64, "SuTuThSa"},
                              {2 | 8 | 32, "MWF"},
                              {0, ""}})
        EXPECT_EQ(DayMaskText(mask), text) << mask;
    EXPECT_EQ(ActionText(1) + ActionText(3) + ActionText(5),
              "Record AudioRecord Video+Audio<undefined>");
}

TEST(ScheduleConflicts, OverlapOnASharedDayNamesTheLaterEventFirstAndStaysBelowTheLimit) {
    constexpr uint32_t monday = 1u << kMonday;
    struct Case {
        ScheduleEvent second;
        const char* text;
    } cases[] = {
        {Event("Late", monday, 9, 30, 11, 0, 3),
         "\nSchedule conflict between events \"Late\" and \"Morning\"."},
        {Event("Noon", monday, 10, 0, 11, 0, 2), ""},         // touching
        {Event("Late", 1u << kTuesday, 9, 30, 11, 0, 2), ""}, // another day
        {Event("Late", monday, 9, 30, 11, 0, 0), ""},         // no action
    };
    for (const Case& c : cases) {
        EventList list;
        list.AddEvent(Event("Morning", monday, 9, 0, 10, 0, 2));
        list.AddEvent(c.second);
        EXPECT_EQ(ConflictText(list), c.text) << c.second.name;
    }
    EventList many;
    for (int i = 0; i < 40; ++i)
        many.AddEvent(Event("Event number " + std::to_string(i), 127, 9, 0, 10, 0, 2));
    const std::string text = ConflictText(many);
    EXPECT_LT(text.size(), 1999u);
    EXPECT_FALSE(text.empty());
}

TEST(EventForm, TimeParser) {
    struct Case {
        const char* text;
        EventTime want;
    } cases[] = {
        {"9:30", {9, 30}},    {"0930", {9, 30}},     {"930", {21, 0}},     {"12:15a", {0, 15}},
        {"1:05 pm", {13, 5}}, {"12p", {12, 0}},      {"", {0, 0}},         {"23:59:59", {23, 59}},
        {"25:61", {1, 1}},    {"11:00 PM", {23, 0}}, {"12:00 am", {0, 0}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseEventTime(c.text), c.want) << c.text;
}

TEST(EventForm, RowsNewEventAndOrder) {
    ScheduleEvent e{"news", 42, 9, 5, 10, 0, -1, 3};
    auto row = [](const ScheduleEvent& e) {
        EventRow r = EventRowTexts(e);
        return r.program + "|" + r.time + "|" + r.files + "|" + r.action;
    };
    EXPECT_EQ(row(e), "news      |9:05-10:00 MWF|All|Record Video+Audio");
    EXPECT_EQ(row({"news", 127, 9, 5, 10, 0, 5, 9}), "news      |9:05-10:00 daily|5|<undefined>");
    // "&New" at 23:40 on Wednesday: that day only, 23:00 to 0:00, keep all, record video.
    EXPECT_EQ(NewEventAt({3, 23, 40}), (ScheduleEvent{"", 1u << 3, 23, 0, 0, 0, -1, 2}));

    ScheduleEvent a{"Alpha", 1, 8, 0, 9, 0, -1, 1}, b{"beta", 1, 7, 30, 9, 0, 2, 0};
    EXPECT_LT(CompareEvents(a, b, 0), 0); // names without regard to case
    EXPECT_GT(CompareEvents(a, b, 1), 0);
    EXPECT_LT(CompareEvents(a, b, 2), 0); // -1 first
    EXPECT_GT(CompareEvents(a, b, 3), 0);
}

} // namespace
} // namespace tess
