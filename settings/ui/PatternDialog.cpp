#include "settings/ui/PatternDialog.h"

#include <wx/button.h>
#include <wx/choice.h>
#include <wx/intl.h>
#include <wx/radiobut.h>
#include <wx/sizer.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/validate.h>

#include "platform/DesktopServices.h"
#include "resources/ui/ContextHelp.h"
#include "settings/FileNames.h"

namespace tess {

namespace {

// The labels' ids, and the dialog's help-id table: each label shows the help of the control
// it names.
constexpr int kPatternLabel = 4202;
constexpr int kInstanceBox = 4206;
constexpr HelpIdEntry kPatternHelpIds[] = {
    {kPatternLabel, pattern_id::Pattern},
    {pattern_id::Pattern, 0},
    {pattern_id::Example, 0},
    {pattern_id::InsertCode, 0},
    {pattern_id::CodeList, 0},
    {kInstanceBox, pattern_id::AlwaysAppend},
    {pattern_id::AlwaysAppend, 0},
    {pattern_id::OnlyWhenRequired, 0},
};

void ShowRefusal(DesktopServices& desktop) {
    desktop.message(_("Invalid character in input").utf8_string(), "Tessaray",
                    MessageKind::Warning);
}

// Refuses typed characters of the excluded set, and refuses OK while the field holds one
// (pasted text passes the key filter).
class PatternFilter : public wxValidator {
public:
    explicit PatternFilter(DesktopServices& desktop) : desktop_(desktop) {
        Bind(wxEVT_CHAR, &PatternFilter::OnChar, this);
    }
    wxObject* Clone() const override { return new PatternFilter(desktop_); }
    bool TransferToWindow() override { return true; }
    bool TransferFromWindow() override { return true; }
    bool Validate(wxWindow*) override {
        auto* field = dynamic_cast<wxTextCtrl*>(GetWindow());
        if (!field || !HasExcludedChar(field->GetValue().utf8_string()))
            return true;
        ShowRefusal(desktop_);
        field->SetFocus();
        return false;
    }

private:
    void OnChar(wxKeyEvent& event) {
        const wxChar c = event.GetUnicodeKey();
        if (c != WXK_NONE && c < 128 &&
            kPatternExcludedChars.find(static_cast<char>(c)) != std::string_view::npos) {
            if (!wxValidator::IsSilent())
                wxBell();
            return; // swallowed
        }
        event.Skip();
    }

    DesktopServices& desktop_;
};

} // namespace

TPatternDialog::TPatternDialog(wxWindow* parent, DesktopServices& desktop, std::string* pattern,
                               int32_t formatIndex, int32_t* instanceMode)
    : wxDialog(parent, pattern_id::Dialog, _("File name pattern")), desktop_(desktop),
      buffer_(pattern), formatIndex_(formatIndex), instanceMode_(instanceMode) {
    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(new wxStaticText(this, kPatternLabel,
                              _("&File name pattern (with date/time abbreviation, no extension)")),
             0, wxLEFT | wxRIGHT | wxTOP, 10);
    pattern_ = new wxTextCtrl(this, pattern_id::Pattern, wxEmptyString, wxDefaultPosition,
                              wxSize(360, -1));
    pattern_->SetMaxLength(kPatternBufferSize - 1);
    if (formatIndex_ >= 0)
        pattern_->SetValidator(PatternFilter(desktop_));
    top->Add(pattern_, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, 10);
    example_ = new wxTextCtrl(this, pattern_id::Example, wxEmptyString, wxDefaultPosition,
                              wxDefaultSize, wxTE_READONLY);
    top->Add(example_, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, 10);

    auto* codeRow = new wxBoxSizer(wxHORIZONTAL);
    codes_ = new wxChoice(this, pattern_id::CodeList);
    for (const PatternCode* row = PatternCodes(); row->line[0]; ++row)
        codes_->Append(wxGetTranslation(wxString::FromUTF8(row->line)));
    codeRow->Add(codes_, 1, wxEXPAND | wxRIGHT, 8);
    codeRow->Add(new wxButton(this, pattern_id::InsertCode, _("&Insert code")));
    top->Add(codeRow, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, 10);

    instanceBox_ = new wxStaticBox(this, kInstanceBox, _("Instance"));
    auto* box = new wxStaticBoxSizer(instanceBox_, wxVERTICAL);
    always_ = new wxRadioButton(instanceBox_, pattern_id::AlwaysAppend,
                                _("&Always append filename instance number ( _1 )"),
                                wxDefaultPosition, wxDefaultSize, wxRB_GROUP);
    only_ = new wxRadioButton(instanceBox_, pattern_id::OnlyWhenRequired,
                              _("&Only append instance number when required."));
    box->Add(always_, 0, wxALL, 4);
    box->Add(only_, 0, wxALL, 4);
    top->Add(box, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, 10);

    top->Add(CreateStdDialogButtonSizer(wxOK | wxCANCEL), 0, wxEXPAND | wxALL, 10);
    SetSizerAndFit(top);

    // Set-up.
    codes_->SetSelection(0);
    pattern_->ChangeValue(wxString::FromUTF8(buffer_ ? *buffer_ : std::string()));
    if (instanceMode_) {
        if (*instanceMode_ & 1)
            only_->SetValue(true);
        else
            always_->SetValue(true);
    } else {
        always_->SetValue(true);
        always_->Hide();
        only_->Hide();
        instanceBox_->Hide();
        Layout();
        Fit();
    }
    UpdateExample();
    ContextHelpWin::Attach(this, kPatternHelpIds);

    Bind(wxEVT_TEXT, &TPatternDialog::OnText, this, pattern_id::Pattern);
    Bind(wxEVT_RADIOBUTTON, &TPatternDialog::OnInstance, this, pattern_id::AlwaysAppend);
    Bind(wxEVT_RADIOBUTTON, &TPatternDialog::OnInstance, this, pattern_id::OnlyWhenRequired);
    Bind(wxEVT_BUTTON, &TPatternDialog::OnInsert, this, pattern_id::InsertCode);
    Bind(wxEVT_BUTTON, &TPatternDialog::OnOk, this, wxID_OK);
    CentreOnParent();
}

void TPatternDialog::UpdateExample() {
    std::string text = pattern_->GetValue().utf8_string();
    const bool append = instanceMode_ && always_->GetValue();
    example_->ChangeValue(wxString::FromUTF8(PatternDialogExample(text, formatIndex_, append)));
}

void TPatternDialog::InsertCode() {
    int row = codes_->GetSelection();
    if (row < 1)
        return;
    long from = 0, to = 0;
    pattern_->GetSelection(&from, &to);
    if (from != to) {
        pattern_->Remove(from, to);
        pattern_->SetInsertionPoint(from);
    }
    pattern_->WriteText(wxString::FromUTF8(PatternCodes()[row].insert));
    UpdateExample();
}

bool TPatternDialog::Commit() {
    if (!Validate())
        return false;
    std::string text = pattern_->GetValue().utf8_string();
    if (text.size() > kPatternBufferSize - 1) {
        size_t n = kPatternBufferSize - 1;
        while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xc0) == 0x80)
            --n; // not inside a character
        text.resize(n);
    }
    if (buffer_)
        *buffer_ = text;
    if (instanceMode_) {
        if (always_->GetValue())
            *instanceMode_ &= ~1;
        else
            *instanceMode_ |= 1;
    }
    return true;
}

void TPatternDialog::OnOk(wxCommandEvent&) {
    if (Commit())
        EndModal(wxID_OK);
}

void TPatternDialog::OnText(wxCommandEvent&) {
    UpdateExample();
}

void TPatternDialog::OnInstance(wxCommandEvent&) {
    UpdateExample();
}

void TPatternDialog::OnInsert(wxCommandEvent&) {
    InsertCode();
}

} // namespace tess
