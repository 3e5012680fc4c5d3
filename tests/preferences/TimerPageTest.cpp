// The "Timer" page and the "Event" dialog on a real X server.
#include "app/AppTestSupport.h"
#include "schedule/ui/SchedDialog.h"
#include "support/FakeDesktop.h"

#include <wx/checkbox.h>
#include <wx/combobox.h>
#include <wx/frame.h>
#include <wx/listctrl.h>

namespace tess {
namespace {

class TimerPage : public ::testing::Test {
protected:
    void SetUp() override {
        if (!test::HaveDisplay() || !wxTheApp)
            GTEST_SKIP() << "no X display";
        live.AddEvent({"news", 62, 9, 0, 10, 0, 3, 2});
        live.AddEvent({"Alarm", 1, 7, 15, 7, 45, -1, 1});
        live.AddEvent({"late", 65, 22, 30, 23, 0, 1, 3});
        ctx.settings = &settings;
        ctx.schedule = &live;
        ctx.timerEnable = &enable;
        ctx.desktop = &desktop;
        parent = new wxFrame(nullptr, wxID_ANY, "timer", wxDefaultPosition, wxSize(520, 320));
        page = new TSchedDialog(parent, ctx);
        parent->Show();
        page->EnsureSetUp();
    }
    void TearDown() override {
        TSchedDialog::RunEventDialog() = [](TEventDialog& d) { return d.ShowModal(); };
        if (parent)
            parent->Destroy();
        test::Pump(20);
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> out;
        for (long r = 0; r < page->list()->GetItemCount(); ++r)
            out.push_back(page->list()->GetItemText(r, 0).utf8_string());
        return out;
    }
    void Select(std::initializer_list<long> rows) {
        for (long r = 0; r < page->list()->GetItemCount(); ++r)
            page->list()->SetItemState(r, 0, wxLIST_STATE_SELECTED);
        for (long r : rows)
            page->list()->SetItemState(r, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    }
    void ClickColumn(int column) {
        wxListEvent e(wxEVT_LIST_COL_CLICK, page->list()->GetId());
        e.SetEventObject(page->list());
        e.m_col = column;
        page->list()->GetEventHandler()->ProcessEvent(e);
    }

    Settings settings;
    EventList live;
    bool enable = true;
    PrefContext ctx;
    wxFrame* parent = nullptr;
    TSchedDialog* page = nullptr;
    test::FakeDesktop desktop;
    std::vector<std::string> Messages() const { return test::CaptionedMessages(desktop); }
};

TEST_F(TimerPage, RowsColumnsAndSorting) {
    wxListCtrl* list = page->list();
    EXPECT_TRUE(page->enableBox()->GetValue());
    ASSERT_EQ(list->GetItemCount(), 3);
    EXPECT_EQ(list->GetItemText(0, 0), "news      ");
    EXPECT_EQ(list->GetItemText(0, 1), "9:00-10:00 weekday");
    EXPECT_EQ(list->GetItemText(1, 2), "All");
    EXPECT_EQ(list->GetItemText(2, 3), "Record Video+Audio");

    ClickColumn(1); // "Time": ascending
    EXPECT_EQ(Names(), (std::vector<std::string>{"Alarm     ", "news      ", "late      "}));
    ClickColumn(1); // again: descending
    EXPECT_EQ(Names(), (std::vector<std::string>{"late      ", "news      ", "Alarm     "}));
    ClickColumn(0); // another column starts ascending; names without regard to case
    EXPECT_EQ(Names(), (std::vector<std::string>{"Alarm     ", "late      ", "news      "}));
    ClickColumn(2);
    EXPECT_EQ(Names().front(), "Alarm     "); // keep -1 first
}

TEST_F(TimerPage, DeleteEditAndNewWorkOnTheWorkingCopy) {
    Select({0, 1}); // two adjacent rows
    page->DeleteEvents();
    EXPECT_EQ(Names(), (std::vector<std::string>{"late      "}));
    EXPECT_EQ(page->working().Count(), 1);
    EXPECT_EQ(live.Count(), 3); // not before the sheet applies

    // "&New" at 23:40: 23:00 to 0:00 today, keep all, record video.
    desktop.setLocalTime(2026, 12, 8, 23, 40); // a Tuesday
    std::vector<std::string> seen;
    TSchedDialog::RunEventDialog() = [&](TEventDialog& d) {
        seen.push_back(d.startField()->GetValue().utf8_string() + "-" +
                       d.endField()->GetValue().utf8_string() + " " +
                       d.keepBox()->GetValue().utf8_string() + " " +
                       d.actionBox()->GetValue().utf8_string());
        EXPECT_TRUE(d.dayBox(2)->GetValue());
        d.nameField()->ChangeValue("night");
        return d.Commit() ? wxID_OK : wxID_CANCEL;
    };
    page->NewEvent();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], "23:00-0:00 All Record Video");
    EXPECT_EQ(page->list()->GetItemText(1, 1), "23:00-0:00 Tu");
    EXPECT_TRUE(desktop.messages.empty());

    // "&Edit" with several rows selected edits the first of them.
    TSchedDialog::RunEventDialog() = [&](TEventDialog& d) {
        seen.push_back(d.nameField()->GetValue().utf8_string());
        d.startField()->ChangeValue("10p");
        d.endField()->ChangeValue("11:30 pm");
        return d.Commit() ? wxID_OK : wxID_CANCEL;
    };
    Select({0, 1});
    page->EditEvent();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1], "late");
    EXPECT_EQ(page->list()->GetItemText(0, 1), "22:00-23:30 weekend");
    EXPECT_EQ(page->list()->GetItemText(1, 1), "23:00-0:00 Tu");
    // late (weekend, 22:00-23:30) and night (Tuesday) share no day: no conflict.
    EXPECT_TRUE(desktop.messages.empty());

    // A new event that overlaps "late" on Sunday is reported, and kept.
    desktop.setLocalTime(2026, 12, 6, 22, 5); // a Sunday
    TSchedDialog::RunEventDialog() = [&](TEventDialog& d) {
        d.nameField()->ChangeValue("sunday");
        return d.Commit() ? wxID_OK : wxID_CANCEL;
    };
    page->NewEvent();
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0], "Schedule conflict: Schedule conflict between events \"sunday\" and "
                             "\"late\".");
    EXPECT_EQ(page->working().Count(), 3);

    page->enableBox()->SetValue(false);
    wxCommandEvent click(wxEVT_CHECKBOX, sched_id::Enable);
    click.SetEventObject(page->enableBox());
    page->enableBox()->GetEventHandler()->ProcessEvent(click);
    EXPECT_TRUE(enable);
    std::vector<std::string> problems;
    page->Apply(problems); // the live schedule is replaced only now
    EXPECT_FALSE(enable);
    ASSERT_EQ(live.Count(), 3);
    EXPECT_EQ(live.At(0).startHour, 22);
    EXPECT_EQ(live.At(1).name, "night");
}

TEST_F(TimerPage, EventDialogSetUpAndRefusals) {
    ScheduleEvent e = live.At(0);
    TEventDialog d(parent, desktop, 0, &e, &page->working());
    EXPECT_EQ(d.nameField()->GetValue(), "news");
    EXPECT_EQ(d.startField()->GetValue(), "9:00");
    EXPECT_EQ(d.keepBox()->GetValue(), "3");
    EXPECT_EQ(d.actionBox()->GetValue(), "Record Video");
    EXPECT_TRUE(d.dayBox(1)->GetValue());
    EXPECT_FALSE(d.dayBox(0)->GetValue());

    d.nameField()->ChangeValue("   ");
    EXPECT_FALSE(d.Commit());
    d.nameField()->ChangeValue("ALARM "); // another event's name in another case
    EXPECT_FALSE(d.Commit());
    d.nameField()->ChangeValue("News"); // its own name is fine
    d.actionBox()->SetValue("record everything");
    EXPECT_FALSE(d.Commit());
    EXPECT_EQ(e, live.At(0)); // nothing written while refused
    ASSERT_EQ(Messages().size(), 3u);
    EXPECT_EQ(Messages()[0], "Event: The event name must not be empty.");
    EXPECT_EQ(Messages()[1], "Tessaray: The event name <ALARM> already exists.");
    EXPECT_EQ(Messages()[2], "Event: Must specify an event action.");

    d.actionBox()->SetValue("RECORD VIDEO+audio");
    d.keepBox()->SetValue("aLL");
    d.startField()->ChangeValue("930");
    d.dayBox(1)->SetValue(false);
    d.dayBox(6)->SetValue(true);
    EXPECT_TRUE(d.Commit());
    EXPECT_EQ(e, (ScheduleEvent{"News", 60 | 64, 21, 0, 10, 0, -1, 3}));
}

} // namespace
} // namespace tess
