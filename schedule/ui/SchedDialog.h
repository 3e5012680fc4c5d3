#pragma once
// The "Timer" page of the "Options" sheet (TSchedDialog), which edits a working copy of the
// schedule in a four-column list, and the "Event" dialog (TEventDialog), which edits one
// event. The live schedule is replaced by the working copy only when the sheet closes with
// OK.
#include "schedule/EventForm.h"
#include "settings/ui/PrefSheet.h"

#include <wx/dialog.h>

class wxButton;
class wxCheckBox;
class wxComboBox;
class wxListCtrl;
class wxListEvent;
class wxTextCtrl;

namespace tess {

namespace sched_id {
inline constexpr int Page = 600, Delete = 602, List = 601, New = 603, Edit = 604, Enable = 605;
inline constexpr int EventDialog = 400, Name = 401, NameLabel = 402, Station = 403, StartTime = 411,
                     StartLabel = 412, EndTime = 413, EndLabel = 414, Sunday = 415, Monday = 416,
                     Tuesday = 417, Wednesday = 418, Thursday = 104, Friday = 420, Saturday = 421,
                     Keep = 422, KeepLabel = 423, Action = 424, ActionLabel = 425, Help = 9;
} // namespace sched_id

class TEventDialog : public wxDialog {
public:
    // `index`: the event's place in `working`, -1 for a new event. On OK the record is
    // written. `desktop` shows why a field is refused.
    TEventDialog(wxWindow* parent, DesktopServices& desktop, int index, ScheduleEvent* event,
                 const EventList* working);

    // What OK does: false (and the message shown) when a field is refused.
    bool Commit();

    wxTextCtrl* nameField() const { return name_; }
    wxTextCtrl* startField() const { return start_; }
    wxTextCtrl* endField() const { return end_; }
    wxComboBox* keepBox() const { return keep_; }
    wxComboBox* actionBox() const { return action_; }
    wxCheckBox* dayBox(int day) const { return days_[day]; }
    static std::span<const HelpIdEntry> HelpIds();

private:
    DesktopServices& desktop_;
    int index_;
    ScheduleEvent* event_;
    const EventList* working_;
    wxTextCtrl *name_, *start_, *end_;
    wxComboBox *keep_, *action_;
    wxCheckBox* days_[7];
};

class TSchedDialog : public TSetPage {
public:
    TSchedDialog(wxWindow* parent, PrefContext& ctx);

    void Apply(std::vector<std::string>& messages) override;
    static std::span<const HelpIdEntry> HelpIds();

    // The buttons' work.
    void NewEvent();
    void EditEvent();
    void DeleteEvents();
    void SortBy(int column);

    const EventList& working() const { return working_; }
    wxListCtrl* list() const { return list_; }
    wxCheckBox* enableBox() const { return enable_; }
    // The events of the rows, in row order.
    const std::vector<ScheduleEvent>& rows() const { return rows_; }

    // Replaceable for tests: how an event dialog is run (returns wxID_OK or wxID_CANCEL).
    static std::function<int(TEventDialog&)>& RunEventDialog();

protected:
    void SetUpPage() override;

private:
    void Fill();
    void SetRow(long row, const ScheduleEvent& e, bool insert);
    void CheckConflicts();
    void OnColumn(wxListEvent& e);

    EventList working_;
    std::vector<ScheduleEvent> rows_;
    bool enableBuffer_ = false;
    int sortColumn_ = -1;
    bool ascending_ = true;
    wxListCtrl* list_;
    wxCheckBox* enable_;
};

} // namespace tess
