#include "settings/ui/PrefSheet.h"

#include "resources/ui/ContextHelp.h"

#include <wx/bookctrl.h>
#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/treebook.h>

namespace tess {

TSetPage::TSetPage(wxWindow* parent, int resourceId, PrefContext& ctx,
                   std::span<const HelpIdEntry> helpIds)
    : wxPanel(parent, resourceId), ctx_(ctx), resourceId_(resourceId), helpIds_(helpIds) {}

void TSetPage::EnsureSetUp() {
    if (setUp_)
        return;
    setUp_ = true;
    SetUpPage();
}

TPrefSheet::TPrefSheet(wxWindow* parent, const std::string& title, PrefContext& ctx) : ctx_(ctx) {
    // Eleven pages do not fit as tabs in a row: their titles are listed beside them.
    SetSheetStyle(wxPROPSHEET_TREEBOOK);
    Create(parent, wxID_ANY, wxString::FromUTF8(title), wxDefaultPosition, wxDefaultSize,
           wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER);
}

wxWindow* TPrefSheet::bookParent() {
    return GetBookCtrl();
}

void TPrefSheet::AddPage(TSetPage* page, const std::string& title) {
    pages_.push_back(page);
    GetBookCtrl()->AddPage(page, wxString::FromUTF8(title), pages_.size() == 1);
}

void TPrefSheet::Finish() {
    CreateButtons(wxOK | wxCANCEL | wxHELP);
    LayoutDialog();
    Bind(wxEVT_TREEBOOK_PAGE_CHANGED, &TPrefSheet::OnPageChanged, this);
    Bind(wxEVT_BUTTON, &TPrefSheet::OnOk, this, wxID_OK);
    Bind(wxEVT_BUTTON, &TPrefSheet::OnHelp, this, wxID_HELP);
    if (!pages_.empty()) {
        pages_[0]->EnsureSetUp();
        pages_[0]->PageShown();
    }
}

TSetPage* TPrefSheet::currentPage() const {
    int sel = GetBookCtrl()->GetSelection();
    return sel >= 0 && static_cast<size_t>(sel) < pages_.size() ? pages_[sel] : nullptr;
}

void TPrefSheet::SelectPage(size_t index) {
    // ChangeSelection sends no event, so the page is set up here as the event would.
    GetBookCtrl()->ChangeSelection(index);
    pages_.at(index)->EnsureSetUp();
    pages_.at(index)->PageShown();
}

void TPrefSheet::OnPageChanged(wxBookCtrlEvent& e) {
    e.Skip();
    if (TSetPage* p = currentPage()) {
        p->EnsureSetUp();
        p->PageShown();
    }
}

bool TPrefSheet::ApplyPages() {
    for (size_t i = 0; i < pages_.size(); ++i)
        if (pages_[i]->isSetUp() && !pages_[i]->CanClose()) {
            if (currentPage() != pages_[i])
                SelectPage(i);
            return false;
        }
    messages_.clear();
    for (TSetPage* p : pages_)
        if (p->isSetUp())
            p->Apply(messages_);
    return true;
}

void TPrefSheet::OnOk(wxCommandEvent&) {
    if (ApplyPages())
        EndModal(wxID_OK);
}

void TPrefSheet::OnHelp(wxCommandEvent&) {
    ContextHelpWin::OpenTopicFor(GetBookCtrl()->GetCurrentPage());
}

} // namespace tess
