#pragma once
// A layout check for dialogs and pages: every shown control lies inside its parent's client
// area, no two shown sibling controls overlap (a group box may hold its controls), and no
// button, check box, radio button or group box is smaller than its text needs. Each problem is one
// readable line naming the windows by class, id and label.
#include <string>
#include <vector>

class wxWindow;

namespace tess::test {

std::vector<std::string> LayoutProblems(wxWindow* top);

} // namespace tess::test
