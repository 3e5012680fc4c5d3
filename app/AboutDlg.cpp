#include "app/AboutDlg.h"

#include "app/HotLink.h"
#include "resources/Ids.h"
#include "resources/ui/Art.h"
#include "resources/ui/ContextHelp.h"
#include "version.h"

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

namespace tess {

AboutDlg::AboutDlg(wxWindow* parent, DesktopServices& desktop, const ProjectRCVersion& version)
    : wxDialog(parent, about_id::Dialog, _("About Tessaray")) {
    auto* icon = new wxStaticBitmap(this, about_id::Icon, ProgramIcon(id::IconIdleLarge));
    // TRANSLATORS: the about box's version line is the program's name, this text and the
    // version number: "Tessaray Version  1.2.0"
    version_ = new wxStaticText(this, about_id::Version, _("Version "));
    copyright_ = new wxStaticText(this, about_id::Copyright, "");
    link_ = new THotLink(this, about_id::HomePage, TESS_HOMEPAGE_URL, desktop);

    // The version label: product name, the label's own text and the version number.
    version_->SetLabel(
        wxString::FromUTF8(AboutVersionLabel(version, version_->GetLabel().utf8_string())));
    if (auto copyright = version.LegalCopyright())
        copyright_->SetLabel(wxString::FromUTF8(*copyright));

    auto* texts = new wxBoxSizer(wxVERTICAL);
    texts->Add(version_, 0, wxBOTTOM, 8);
    texts->Add(copyright_, 0, wxBOTTOM, 8);
    texts->Add(link_, 0, wxLEFT, -4); // the link's focus margin lines up with the texts
    auto* row = new wxBoxSizer(wxHORIZONTAL);
    row->Add(icon, 0, wxRIGHT, 16);
    row->Add(texts, 1);
    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(row, 1, wxEXPAND | wxALL, 16);
    auto* ok = new wxButton(this, wxID_OK, _("&OK"));
    ok->SetDefault();
    top->Add(ok, 0, wxALIGN_CENTER_HORIZONTAL | wxLEFT | wxRIGHT | wxBOTTOM, 12);
    SetSizerAndFit(top);
    SetEscapeId(wxID_OK);
    ok->SetFocus();
    CentreOnParent();

    ContextHelpWin::Attach(this, kAboutHelpIds);
}

} // namespace tess
