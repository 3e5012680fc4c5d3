#include "schedule/ui/SchedDialog.h"

#include "resources/ui/ContextHelp.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/combobox.h>
#include <wx/intl.h>
#include <wx/listctrl.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/valtext.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <strings.h>

namespace tess {

namespace {

bool SameText(const std::string& a, const char* b) {
    return strcasecmp(a.c_str(), b) == 0;
}

std::string Trimmed(std::string text) {
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

std::string TimeText(int hour, int minute) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%d:%2.2d", hour, minute);
    return buf;
}

constexpr HelpIdEntry kEventHelp[] = {{sched_id::Name, 0},
                                      {sched_id::NameLabel, sched_id::Name},
                                      {sched_id::StartTime, 0},
                                      {sched_id::StartLabel, sched_id::StartTime},
                                      {sched_id::EndTime, 0},
                                      {sched_id::EndLabel, sched_id::EndTime},
                                      {sched_id::Sunday, 0},
                                      {sched_id::Monday, sched_id::Sunday},
                                      {sched_id::Tuesday, sched_id::Sunday},
                                      {sched_id::Wednesday, sched_id::Sunday},
                                      {sched_id::Thursday, sched_id::Sunday},
                                      {sched_id::Friday, sched_id::Sunday},
                                      {sched_id::Saturday, sched_id::Sunday},
                                      {sched_id::Keep, 0},
                                      {sched_id::KeepLabel, sched_id::Keep},
                                      {sched_id::Action, 0},
                                      {sched_id::ActionLabel, sched_id::Action}};
constexpr HelpIdEntry kTimerHelp[] = {{sched_id::List, 0},
                                      {sched_id::New, 0},
                                      {sched_id::Edit, 0},
                                      {sched_id::Delete, 0},
                                      {sched_id::Enable, 0}};

} // namespace

// --- TEventDialog ---

TEventDialog::TEventDialog(wxWindow* parent, DesktopServices& desktop, int index,
                           ScheduleEvent* event, const EventList* working)
    : wxDialog(parent, sched_id::EventDialog, _("Event")), desktop_(desktop), index_(index),
      event_(event), working_(working) {
    auto* top = new wxBoxSizer(wxVERTICAL);
    auto* grid = new wxFlexGridSizer(2, 8, 10);
    grid->AddGrowableCol(1);

    grid->Add(new wxStaticText(this, sched_id::NameLabel, _("Event &name")), 0,
              wxALIGN_CENTER_VERTICAL);
    wxTextValidator nameFilter(wxFILTER_EXCLUDE_CHAR_LIST);
    nameFilter.SetCharExcludes("_./:*?\\");
    name_ =
        new wxTextCtrl(this, sched_id::Name, "", wxDefaultPosition, wxSize(240, -1), 0, nameFilter);
    name_->SetMaxLength(255);
    grid->Add(name_, 1, wxEXPAND);

    auto* station = new wxComboBox(this, sched_id::Station, "");
    station->Hide();

    wxTextValidator timeFilter(wxFILTER_INCLUDE_CHAR_LIST);
    timeFilter.SetCharIncludes("0123456789:apmAPM ");
    grid->Add(new wxStaticText(this, sched_id::StartLabel, _("Start &time")), 0,
              wxALIGN_CENTER_VERTICAL);
    start_ = new wxTextCtrl(this, sched_id::StartTime, "", wxDefaultPosition, wxSize(100, -1), 0,
                            timeFilter);
    grid->Add(start_);
    grid->Add(new wxStaticText(this, sched_id::EndLabel, _("&End time")), 0,
              wxALIGN_CENTER_VERTICAL);
    end_ = new wxTextCtrl(this, sched_id::EndTime, "", wxDefaultPosition, wxSize(100, -1), 0,
                          timeFilter);
    grid->Add(end_);
    top->Add(grid, 0, wxEXPAND | wxALL, 10);

    static const int dayIds[7] = {sched_id::Sunday,    sched_id::Monday,   sched_id::Tuesday,
                                  sched_id::Wednesday, sched_id::Thursday, sched_id::Friday,
                                  sched_id::Saturday};
    auto* days = new wxBoxSizer(wxHORIZONTAL);
    for (int d = 0; d < 7; ++d) {
        days_[d] = new wxCheckBox(this, dayIds[d], wxGetTranslation(kDayAbbreviations[d]));
        days->Add(days_[d], 0, wxRIGHT, 8);
    }
    top->Add(days, 0, wxLEFT | wxRIGHT, 10);

    auto* grid2 = new wxFlexGridSizer(2, 8, 10);
    grid2->AddGrowableCol(1);
    grid2->Add(new wxStaticText(this, sched_id::ActionLabel, _("Event &action")), 0,
               wxALIGN_CENTER_VERTICAL);
    const wxString actions[] = {_("Record Video"), _("Record Video+Audio"),
                                // TRANSLATORS: a scheduled event's action: record sound only
                                wxGETTEXT_IN_CONTEXT("schedule action", "Record"), _("no action")};
    // At least as wide as the longest entry (translations are longer).
    auto atLeast = [](wxComboBox* box, int width) {
        box->SetMinSize(wxSize(std::max(width, box->GetBestSize().x), -1));
    };
    action_ =
        new wxComboBox(this, sched_id::Action, "", wxDefaultPosition, wxDefaultSize, 4, actions);
    atLeast(action_, 180);
    grid2->Add(action_, 1, wxEXPAND);
    grid2->Add(new wxStaticText(this, sched_id::KeepLabel, _("How many event recordings to &keep")),
               0, wxALIGN_CENTER_VERTICAL);
    const wxString keeps[] = {_("All"), "1", "2", "5", "10"};
    keep_ = new wxComboBox(this, sched_id::Keep, "", wxDefaultPosition, wxDefaultSize, 5, keeps);
    atLeast(keep_, 80);
    keep_->SetMaxLength(255);
    grid2->Add(keep_);
    top->Add(grid2, 0, wxEXPAND | wxALL, 10);

    auto* buttons = new wxStdDialogButtonSizer();
    buttons->AddButton(new wxButton(this, wxID_OK, _("OK")));
    buttons->AddButton(new wxButton(this, wxID_CANCEL, _("Cancel")));
    buttons->AddButton(new wxButton(this, wxID_HELP, _("Help")));
    buttons->Realize();
    top->Add(buttons, 0, wxEXPAND | wxALL, 10);
    SetSizerAndFit(top);
    ContextHelpWin::Attach(this, HelpIds(), 400);

    // Set-up.
    name_->ChangeValue(wxString::FromUTF8(event_->name));
    start_->ChangeValue(TimeText(event_->startHour, event_->startMinute));
    end_->ChangeValue(TimeText(event_->endHour, event_->endMinute));
    keep_->SetValue(event_->keep < 0 ? _("All") : wxString::Format("%d", event_->keep));
    for (int d = 0; d < 7; ++d)
        days_[d]->SetValue((event_->days >> d) & 1);
    static const int actionItem[4] = {3, 2, 0, 1}; // action 0..3 -> list item
    if (event_->action >= 0 && event_->action <= 3)
        action_->SetSelection(actionItem[event_->action]);

    Bind(
        wxEVT_BUTTON,
        [this](wxCommandEvent&) {
            if (Commit())
                EndModal(wxID_OK);
        },
        wxID_OK);
    CentreOnParent();
}

bool TEventDialog::Commit() {
    ScheduleEvent e = *event_;
    std::string name = name_->GetValue().utf8_string();
    if (name.size() > 259)
        name.resize(259);
    name = Trimmed(name);
    if (name.empty()) {
        desktop_.message(_("The event name must not be empty.").utf8_string(),
                         _("Event").utf8_string(), MessageKind::Error);
        name_->SetFocus();
        return false;
    }
    e.name = name;
    EventTime start = ParseEventTime(start_->GetValue().utf8_string());
    EventTime end = ParseEventTime(end_->GetValue().utf8_string());
    e.startHour = start.hour;
    e.startMinute = start.minute;
    e.endHour = end.hour;
    e.endMinute = end.minute;
    e.days = 0;
    for (int d = 0; d < 7; ++d)
        if (days_[d]->GetValue())
            e.days |= 1u << d;
    std::string keep = keep_->GetValue().utf8_string();
    // The list's texts are shown translated; the English ones are taken too.
    auto is = [](const std::string& text, const char* english) {
        return SameText(text, english) ||
               SameText(text, wxGetTranslation(english).utf8_string().c_str());
    };
    e.keep = is(keep, "All") ? -1 : static_cast<int32_t>(std::atol(keep.c_str()));
    std::string action = action_->GetValue().utf8_string();
    if (is(action, "Record Video"))
        e.action = 2;
    else if (is(action, "no action"))
        e.action = 0;
    else if (SameText(action, "Record") ||
             SameText(action,
                      wxGETTEXT_IN_CONTEXT("schedule action", "Record").utf8_string().c_str()))
        e.action = 1;
    else if (is(action, "Record Video+Audio"))
        e.action = 3;
    else {
        desktop_.message(_("Must specify an event action.").utf8_string(), _("Event").utf8_string(),
                         MessageKind::Error);
        action_->SetFocus();
        return false;
    }
    if (working_) {
        int found = working_->FindEvent(name);
        if (found >= 0 && found != index_) {
            desktop_.message(
                wxString::Format(_("The event name <%s> already exists."), wxString::FromUTF8(name))
                    .utf8_string(),
                "Tessaray", MessageKind::Error);
            name_->SetFocus();
            return false;
        }
    }
    *event_ = e;
    return true;
}

std::span<const HelpIdEntry> TEventDialog::HelpIds() {
    return kEventHelp;
}

// --- TSchedDialog ---

std::function<int(TEventDialog&)>& TSchedDialog::RunEventDialog() {
    static std::function<int(TEventDialog&)> run = [](TEventDialog& d) { return d.ShowModal(); };
    return run;
}

TSchedDialog::TSchedDialog(wxWindow* parent, PrefContext& ctx)
    : TSetPage(parent, sched_id::Page, ctx, kTimerHelp) {
    auto* s = new wxBoxSizer(wxVERTICAL);
    list_ = new wxListCtrl(this, sched_id::List, wxDefaultPosition, wxSize(380, 160),
                           wxLC_REPORT | wxBORDER_SUNKEN); // rows are selected whole
    s->Add(list_, 1, wxEXPAND);
    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    buttons->Add(new wxButton(this, sched_id::New, _("&New")));
    buttons->Add(new wxButton(this, sched_id::Edit, _("&Edit")), 0, wxLEFT, 6);
    buttons->Add(new wxButton(this, sched_id::Delete, _("&Delete")), 0, wxLEFT, 6);
    buttons->AddStretchSpacer();
    enable_ = new wxCheckBox(this, sched_id::Enable, _("Enable &timers"));
    buttons->Add(enable_, 0, wxALIGN_CENTER_VERTICAL | wxLEFT, 12);
    s->Add(buttons, 0, wxEXPAND | wxTOP, 8);
    auto* outer = new wxBoxSizer(wxVERTICAL);
    outer->Add(s, 1, wxEXPAND | wxALL, 10);
    SetSizer(outer);
    ContextHelpWin::Attach(this, HelpIds(), 600);

    // TRANSLATORS: the column of the scheduled events' names
    list_->InsertColumn(0, _("Program"), wxLIST_FORMAT_LEFT, 100);
    // Wide enough for "22:30-23:00 weekday" and "Record Video+Audio" in this font.
    list_->InsertColumn(1, _("Time"), wxLIST_FORMAT_LEFT, 150);
    // TRANSLATORS: the column of how many recordings an event keeps
    list_->InsertColumn(2, _("Files"), wxLIST_FORMAT_LEFT, 45);
    list_->InsertColumn(3, _("Action"), wxLIST_FORMAT_LEFT, 150);

    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { NewEvent(); }, sched_id::New);
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { EditEvent(); }, sched_id::Edit);
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { DeleteEvents(); }, sched_id::Delete);
    Bind(
        wxEVT_CHECKBOX, [this](wxCommandEvent&) { enableBuffer_ = enable_->GetValue(); },
        sched_id::Enable);
    list_->Bind(wxEVT_LIST_COL_CLICK, &TSchedDialog::OnColumn, this);
}

void TSchedDialog::SetUpPage() {
    enableBuffer_ = ctx_.timerEnable && *ctx_.timerEnable;
    working_.Clear();
    if (ctx_.schedule)
        for (int i = 0; i < ctx_.schedule->Count(); ++i)
            working_.AddEvent(ctx_.schedule->At(i));
    rows_.clear();
    for (int i = 0; i < working_.Count(); ++i)
        rows_.push_back(working_.At(i));
    Fill();
    enable_->SetValue(enableBuffer_);
}

void TSchedDialog::SetRow(long row, const ScheduleEvent& e, bool insert) {
    EventRow texts = EventRowTexts(e);
    if (insert)
        list_->InsertItem(row, wxString::FromUTF8(texts.program));
    else
        list_->SetItem(row, 0, wxString::FromUTF8(texts.program));
    list_->SetItem(row, 1, wxString::FromUTF8(texts.time));
    list_->SetItem(row, 2, wxString::FromUTF8(texts.files));
    list_->SetItem(row, 3, wxString::FromUTF8(texts.action));
}

void TSchedDialog::Fill() {
    list_->DeleteAllItems();
    for (size_t i = 0; i < rows_.size(); ++i)
        SetRow(static_cast<long>(i), rows_[i], true);
}

void TSchedDialog::CheckConflicts() {
    std::string text = ConflictText(working_);
    if (!text.empty())
        ctx_.desktop->message(text.substr(1), _("Schedule conflict").utf8_string(),
                              MessageKind::Warning);
}

void TSchedDialog::NewEvent() {
    ScheduleEvent e = NewEventAt(LocalClockMinute(ctx_.desktop->now()));
    TEventDialog dlg(this, *ctx_.desktop, -1, &e, &working_);
    if (RunEventDialog()(dlg) != wxID_OK)
        return;
    rows_.push_back(e);
    SetRow(static_cast<long>(rows_.size()) - 1, e, true);
    working_.AddEvent(e);
    CheckConflicts();
}

void TSchedDialog::EditEvent() {
    long row = list_->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED);
    if (row < 0)
        return;
    int index = working_.FindEvent(Trimmed(list_->GetItemText(row, 0).utf8_string()));
    if (index < 0)
        return;
    ScheduleEvent copy = working_.At(index);
    TEventDialog dlg(this, *ctx_.desktop, index, &copy, &working_);
    if (RunEventDialog()(dlg) != wxID_OK)
        return;
    rows_[static_cast<size_t>(row)] = copy;
    SetRow(row, copy, false);
    working_.SetEvent(index, copy);
    CheckConflicts();
}

void TSchedDialog::DeleteEvents() {
    std::vector<long> selected;
    for (long row = list_->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED); row >= 0;
         row = list_->GetNextItem(row, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED))
        selected.push_back(row);
    // From the bottom, so the rows above keep their numbers.
    for (auto it = selected.rbegin(); it != selected.rend(); ++it) {
        std::string name = Trimmed(list_->GetItemText(*it, 0).utf8_string());
        list_->DeleteItem(*it);
        rows_.erase(rows_.begin() + *it);
        working_.RemoveEvent(name);
    }
}

void TSchedDialog::SortBy(int column) {
    if (column == sortColumn_)
        ascending_ = !ascending_;
    else
        ascending_ = true;
    sortColumn_ = column;
    std::stable_sort(rows_.begin(), rows_.end(),
                     [this, column](const ScheduleEvent& a, const ScheduleEvent& b) {
                         int c = CompareEvents(a, b, column);
                         return ascending_ ? c < 0 : c > 0;
                     });
    Fill();
}

void TSchedDialog::OnColumn(wxListEvent& e) {
    SortBy(e.GetColumn());
}

void TSchedDialog::Apply(std::vector<std::string>&) {
    if (ctx_.timerEnable)
        *ctx_.timerEnable = enableBuffer_;
    if (ctx_.schedule) {
        ctx_.schedule->Clear();
        for (int i = 0; i < working_.Count(); ++i)
            ctx_.schedule->AddEvent(working_.At(i));
    }
}

std::span<const HelpIdEntry> TSchedDialog::HelpIds() {
    return kTimerHelp;
}

} // namespace tess
