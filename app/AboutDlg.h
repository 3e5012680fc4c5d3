#pragma once
// AboutDlg: "About Tessaray", the program's name and version, its copyright and a link to
// the maker's home page, with context help on each of them.
#include "app/ProjectRCVersion.h"
#include "resources/HelpIds.h"

#include <array>
#include <wx/dialog.h>

class wxStaticText;

namespace tess {

class THotLink;
class DesktopServices;

namespace about_id {
inline constexpr int Dialog = 22000;
inline constexpr int Icon = 1003;
inline constexpr int Version = 22001;
inline constexpr int Copyright = 22002;
inline constexpr int HomePage = 22006;
} // namespace about_id

// The about box's help-id table.
inline constexpr std::array<HelpIdEntry, 4> kAboutHelpIds{
    {{about_id::Icon, about_id::Icon},
     {about_id::Version, about_id::Version},
     {about_id::Copyright, about_id::Copyright},
     {about_id::HomePage, about_id::HomePage}}};

class AboutDlg : public wxDialog {
public:
    // `version` is read for the labels (the program's own by default).
    // `desktop` opens the home page link.
    AboutDlg(wxWindow* parent, DesktopServices& desktop,
             const ProjectRCVersion& version = ProjectRCVersion());

    wxStaticText* versionLabel() const { return version_; }
    wxStaticText* copyrightLabel() const { return copyright_; }
    THotLink* homePageLink() const { return link_; }

private:
    wxStaticText* version_ = nullptr;
    wxStaticText* copyright_ = nullptr;
    THotLink* link_ = nullptr;
};

} // namespace tess
