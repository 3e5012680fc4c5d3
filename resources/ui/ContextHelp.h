#pragma once
// Context help of a dialog, a property page or the main window: F1 on a control, or the
// context menu (right click) over it, shows the control's short pop-up text at the mouse;
// the window's Help button opens its topic in the help book.
//
// The pop-up text is found through the window's help-id table: a control listed with help
// id 0 uses its own id, a control not listed gets no pop-up. Without a table every control
// uses its own id. A help id without a text in the book shows nothing.
#include "resources/HelpIds.h"

#include <optional>
#include <span>
#include <string>
#include <vector>
#include <wx/gdicmn.h>

class wxWindow;

namespace tess {

// The help id of a control: with a table, the entry's help id (the control id when the
// entry says 0) or nothing when the control is not in the table; without a table, the
// control id. A table may end with an entry whose control id is 0.
std::optional<int> LookUpHelpId(const std::vector<HelpIdEntry>* table, int controlId);

class ContextHelpWin {
public:
    // Attaches context help to `window` with a help-id table and a help context number
    // (0: the Help button opens the Controls topic). It lives as long as the window;
    // attaching again replaces the table and the number.
    static ContextHelpWin* Attach(wxWindow* window, std::span<const HelpIdEntry> table,
                                  int helpContext = 0);
    // The same without a table: every control's id is its help id.
    static ContextHelpWin* Attach(wxWindow* window, int helpContext = 0);
    // The context help attached to `window`, or null.
    static ContextHelpWin* Of(wxWindow* window);

    wxWindow* window() const { return window_; }
    int helpContext() const { return helpContext_; }
    std::optional<int> HelpIdFor(int controlId) const;

    // Shows the pop-up of `control` (a descendant of the window, or the window itself) at
    // `at` (screen coordinates). False when the control has no pop-up text.
    bool ShowPopupFor(wxWindow* control, const wxPoint& at);
    bool ShowPopupForId(int controlId, const wxPoint& at);
    // The control under a screen point (the smallest shown descendant that holds it).
    wxWindow* ControlAt(const wxPoint& screen) const;
    // What the Help button does: the topic of the help context.
    bool OpenTopic() const;
    // The topic of the context help of `window` or of the nearest window above it that has
    // one (the Controls topic when none has): what a property sheet's Help button opens for
    // the page shown.
    static bool OpenTopicFor(wxWindow* window);

    // The pop-up shown now (null when none) and its text; closing it.
    static wxWindow* CurrentPopup();
    static std::string CurrentPopupText();
    static void DismissPopup();

private:
    ContextHelpWin(wxWindow* window, std::optional<std::vector<HelpIdEntry>> table,
                   int helpContext);
    static ContextHelpWin* Make(wxWindow* window, std::optional<std::vector<HelpIdEntry>> table,
                                int helpContext);
    void Bind();

    wxWindow* window_;
    std::optional<std::vector<HelpIdEntry>> table_;
    int helpContext_;
};

} // namespace tess
