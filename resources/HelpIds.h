#pragma once

// A dialog's context help: which pop-up text (help id) belongs to which control. A label
// usually maps to the help id of the control it names. The pop-up texts are numbered by
// help id in the help book's pop-up text file.
namespace tess {

struct HelpIdEntry {
    int controlId;
    int helpId; // 0: the control id itself is the help id
};

} // namespace tess
