#include "resources/ui/ContextHelp.h"

#include "resources/ui/HelpBook.h"

#include <map>
#include <wx/button.h>
#include <wx/popupwin.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/toolbar.h>
#include <wx/utils.h>
#include <wx/window.h>

namespace tess {

namespace {

// Pop-up colours and margins: dark text on light yellow, 5 pixels all round.
const wxColour kPopupBackground(0xFF, 0xFF, 0xD0);
const wxColour kPopupText(0, 0, 0);
constexpr int kPopupMargin = 5;
constexpr int kPopupWrapWidth = 360;

std::map<wxWindow*, ContextHelpWin*>& Attached() {
    static std::map<wxWindow*, ContextHelpWin*> attached;
    return attached;
}

class HelpPopup;
HelpPopup* g_popup = nullptr;

class HelpPopup : public wxPopupTransientWindow {
public:
    HelpPopup(wxWindow* parent, const std::string& text)
        : wxPopupTransientWindow(parent, wxBORDER_SIMPLE), text_(text) {
        SetBackgroundColour(kPopupBackground);
        auto* label = new wxStaticText(this, wxID_ANY, wxString::FromUTF8(text));
        label->SetForegroundColour(kPopupText);
        label->SetBackgroundColour(kPopupBackground);
        label->Wrap(kPopupWrapWidth);
        auto* sizer = new wxBoxSizer(wxVERTICAL);
        sizer->Add(label, 0, wxALL, kPopupMargin);
        SetSizerAndFit(sizer);
        // Any key or click closes it.
        auto close = [this](wxEvent&) { Dismiss(); };
        Bind(wxEVT_KEY_DOWN, close);
        Bind(wxEVT_LEFT_DOWN, close);
        label->Bind(wxEVT_LEFT_DOWN, close);
    }
    ~HelpPopup() override {
        if (g_popup == this)
            g_popup = nullptr;
    }
    const std::string& text() const { return text_; }

protected:
    void OnDismiss() override {
        if (g_popup == this)
            g_popup = nullptr;
        CallAfter([this] { Destroy(); });
    }

private:
    std::string text_;
};

bool IsSelfOrDescendant(const wxWindow* w, const wxWindow* ancestor) {
    for (; w; w = w->GetParent()) {
        if (w == ancestor)
            return true;
        if (w->IsTopLevel())
            return false;
    }
    return false;
}

wxWindow* SmallestAt(wxWindow* parent, const wxPoint& screen) {
    wxWindow* best = nullptr;
    long bestArea = 0;
    for (wxWindow* child : parent->GetChildren()) {
        if (child->IsTopLevel() || !child->IsShown())
            continue;
        wxRect r = child->GetScreenRect();
        if (!r.Contains(screen))
            continue;
        wxWindow* inner = SmallestAt(child, screen);
        wxWindow* found = inner ? inner : child;
        wxRect fr = found->GetScreenRect();
        long area = static_cast<long>(fr.width) * fr.height;
        if (!best || area < bestArea) {
            best = found;
            bestArea = area;
        }
    }
    return best;
}

} // namespace

std::optional<int> LookUpHelpId(const std::vector<HelpIdEntry>* table, int controlId) {
    if (!table)
        return controlId;
    for (const HelpIdEntry& e : *table) {
        if (e.controlId == 0)
            break;
        if (e.controlId == controlId)
            return e.helpId == 0 ? controlId : e.helpId;
    }
    return std::nullopt;
}

ContextHelpWin::ContextHelpWin(wxWindow* window, std::optional<std::vector<HelpIdEntry>> table,
                               int helpContext)
    : window_(window), table_(std::move(table)), helpContext_(helpContext) {}

ContextHelpWin* ContextHelpWin::Attach(wxWindow* window, std::span<const HelpIdEntry> table,
                                       int helpContext) {
    std::vector<HelpIdEntry> entries;
    for (const HelpIdEntry& e : table) {
        if (e.controlId == 0)
            break;
        entries.push_back(e);
    }
    return Make(window, std::move(entries), helpContext);
}

ContextHelpWin* ContextHelpWin::Attach(wxWindow* window, int helpContext) {
    return Make(window, std::nullopt, helpContext);
}

ContextHelpWin* ContextHelpWin::Make(wxWindow* window,
                                     std::optional<std::vector<HelpIdEntry>> table,
                                     int helpContext) {
    if (ContextHelpWin* help = Of(window)) { // attached again: the new table replaces the old
        help->table_ = std::move(table);
        help->helpContext_ = helpContext;
        return help;
    }
    auto* help = new ContextHelpWin(window, std::move(table), helpContext);
    help->Bind();
    return help;
}

ContextHelpWin* ContextHelpWin::Of(wxWindow* window) {
    auto it = Attached().find(window);
    return it == Attached().end() ? nullptr : it->second;
}

std::optional<int> ContextHelpWin::HelpIdFor(int controlId) const {
    return LookUpHelpId(table_ ? &*table_ : nullptr, controlId);
}

void ContextHelpWin::Bind() {
    Attached()[window_] = this;
    wxWindow* w = window_;

    w->Bind(wxEVT_HELP, [w](wxHelpEvent& e) {
        ContextHelpWin* self = Of(w);
        auto* control = dynamic_cast<wxWindow*>(e.GetEventObject());
        if (!self || !control || !IsSelfOrDescendant(control, w) ||
            !self->ShowPopupFor(control, wxGetMousePosition()))
            e.Skip();
    });
    w->Bind(wxEVT_CHAR_HOOK, [w](wxKeyEvent& e) {
        ContextHelpWin* self = Of(w);
        wxWindow* focus = wxWindow::FindFocus();
        if (self && e.GetKeyCode() == WXK_F1 && e.GetModifiers() == wxMOD_NONE && focus &&
            IsSelfOrDescendant(focus, w)) {
            // F1 is answered here (shown or not), so it never reaches a parent as well.
            self->ShowPopupFor(focus, wxGetMousePosition());
            return;
        }
        e.Skip();
    });
    w->Bind(wxEVT_CONTEXT_MENU, [w](wxContextMenuEvent& e) {
        ContextHelpWin* self = Of(w);
        if (!self) {
            e.Skip();
            return;
        }
        wxWindow* control = nullptr;
        wxPoint at = e.GetPosition();
        if (at == wxDefaultPosition) { // from the keyboard: the focused control
            control = wxWindow::FindFocus();
            at = wxGetMousePosition();
        } else {
            control = dynamic_cast<wxWindow*>(e.GetEventObject());
            if (control == w || !control)
                control = self->ControlAt(at);
        }
        if (!control || !IsSelfOrDescendant(control, w) || !self->ShowPopupFor(control, at))
            e.Skip();
    });
    w->Bind(
        wxEVT_BUTTON,
        [w](wxCommandEvent& e) {
            if (ContextHelpWin* self = Of(w))
                self->OpenTopic();
            else
                e.Skip();
        },
        wxID_HELP);
    w->Bind(wxEVT_DESTROY, [w](wxWindowDestroyEvent& e) {
        e.Skip();
        if (e.GetEventObject() != w)
            return;
        auto it = Attached().find(w);
        if (it != Attached().end()) {
            delete it->second;
            Attached().erase(it);
        }
    });
}

wxWindow* ContextHelpWin::ControlAt(const wxPoint& screen) const {
    return SmallestAt(window_, screen);
}

bool ContextHelpWin::ShowPopupFor(wxWindow* control, const wxPoint& at) {
    if (!control)
        return false;
    // A window without an id of its own (a part of a composite control) asks for the help
    // of the first window above it that has one.
    wxWindow* c = control;
    if (auto* bar = dynamic_cast<wxToolBar*>(control)) { // a tool of a tool bar: its command
        const wxToolBarToolBase* tool =
            bar->FindToolForPosition(bar->ScreenToClient(at).x, bar->ScreenToClient(at).y);
        if (tool && tool->IsButton())
            return ShowPopupForId(tool->GetId(), at);
    }
    while (c != window_ && c->GetId() < 0 && c->GetParent())
        c = c->GetParent();
    return ShowPopupForId(c->GetId(), at);
}

bool ContextHelpWin::ShowPopupForId(int controlId, const wxPoint& at) {
    std::optional<int> helpId = HelpIdFor(controlId);
    if (!helpId)
        return false;
    std::optional<std::string> text = BookPopupTexts().Text(*helpId);
    if (!text)
        return false;
    DismissPopup();
    auto* popup = new HelpPopup(wxGetTopLevelParent(window_), *text);
    g_popup = popup;
    popup->Position(at, wxSize(0, 0));
    popup->Popup();
    return true;
}

bool ContextHelpWin::OpenTopic() const {
    return ShowHelpContext(helpContext_);
}

bool ContextHelpWin::OpenTopicFor(wxWindow* window) {
    for (wxWindow* w = window; w; w = w->IsTopLevel() ? nullptr : w->GetParent())
        if (ContextHelpWin* help = Of(w))
            return help->OpenTopic();
    return ShowHelpContext(0);
}

wxWindow* ContextHelpWin::CurrentPopup() {
    return g_popup;
}

std::string ContextHelpWin::CurrentPopupText() {
    return g_popup ? g_popup->text() : std::string();
}

void ContextHelpWin::DismissPopup() {
    if (HelpPopup* p = g_popup) {
        g_popup = nullptr;
        p->Dismiss();
        p->Destroy();
    }
}

} // namespace tess
