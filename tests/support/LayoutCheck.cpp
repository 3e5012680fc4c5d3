#include "support/LayoutCheck.h"

#include <wx/anybutton.h>
#include <wx/bookctrl.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/control.h>
#include <wx/radiobut.h>
#include <wx/statbox.h>
#include <wx/toplevel.h>
#include <wx/window.h>

namespace tess::test {

namespace {

std::string Name(const wxWindow* w) {
    std::string text = wxString(w->GetClassInfo()->GetClassName()).utf8_string();
    text += " " + std::to_string(w->GetId());
    wxString label = w->GetLabel();
    if (!label.empty())
        text += " \"" + label.utf8_string() + "\"";
    return text;
}

std::string RectText(const wxRect& r) {
    return "(" + std::to_string(r.x) + "," + std::to_string(r.y) + " " + std::to_string(r.width) +
           "x" + std::to_string(r.height) + ")";
}

bool NeedsItsText(const wxWindow* w) {
    return dynamic_cast<const wxAnyButton*>(w) || dynamic_cast<const wxCheckBox*>(w) ||
           dynamic_cast<const wxRadioButton*>(w) || dynamic_cast<const wxStaticBox*>(w) ||
           dynamic_cast<const wxChoice*>(w);
}

// The size a control needs to show its text. A group box's best size is that of its
// contents, so its title is measured.
wxSize NeededSize(const wxWindow* w) {
    if (dynamic_cast<const wxStaticBox*>(w))
        return wxSize(w->GetTextExtent(wxControl::RemoveMnemonics(w->GetLabel())).x + 16, 0);
    return w->GetBestSize();
}

void Check(wxWindow* parent, std::vector<std::string>& out) {
    const wxSize area = parent->GetClientSize();
    // A book control's pages are placed by the toolkit (their reported place on GTK is not
    // in the book's client coordinates); what is checked is what lies on them.
    const bool book = dynamic_cast<wxBookCtrlBase*>(parent) != nullptr;
    std::vector<wxWindow*> shown;
    for (wxWindow* child : parent->GetChildren()) {
        if (!child->IsShown() || child->IsTopLevel())
            continue;
        shown.push_back(child);
        const wxRect r = child->GetRect();
        if (!book && (r.x < 0 || r.y < 0 || r.GetRight() >= area.x || r.GetBottom() >= area.y))
            out.push_back(Name(child) + " " + RectText(r) + " reaches outside " + Name(parent) +
                          " (" + std::to_string(area.x) + "x" + std::to_string(area.y) + ")");
        if (NeedsItsText(child)) {
            const wxSize best = NeededSize(child);
            if (r.width < best.x || r.height < best.y)
                out.push_back(Name(child) + " " + RectText(r) + " is smaller than its text (" +
                              std::to_string(best.x) + "x" + std::to_string(best.y) + ")");
        }
    }
    for (size_t i = 0; i < shown.size(); ++i)
        for (size_t j = i + 1; j < shown.size(); ++j) {
            const wxRect a = shown[i]->GetRect(), b = shown[j]->GetRect();
            if (!a.Intersects(b))
                continue;
            // A group box drawn around its controls.
            if ((dynamic_cast<wxStaticBox*>(shown[i]) && a.Contains(b)) ||
                (dynamic_cast<wxStaticBox*>(shown[j]) && b.Contains(a)))
                continue;
            out.push_back(Name(shown[i]) + " " + RectText(a) + " overlaps " + Name(shown[j]) + " " +
                          RectText(b));
        }
    for (wxWindow* child : shown)
        Check(child, out);
}

} // namespace

std::vector<std::string> LayoutProblems(wxWindow* top) {
    std::vector<std::string> out;
    if (top)
        Check(top, out);
    return out;
}

} // namespace tess::test
