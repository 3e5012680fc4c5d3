#pragma once
// "File name pattern": edits a file-name pattern (or the caption text, whose codes are the
// same) with a live example of what it expands to, a list of date and time codes to insert,
// and, for file names, the choice between always appending an instance number and
// appending one only when needed.
#include <wx/dialog.h>

#include <cstdint>
#include <functional>
#include <string>

class wxChoice;
class wxRadioButton;
class wxStaticBox;
class wxTextCtrl;

namespace tess {

class DesktopServices;

// Dialog and control ids.
namespace pattern_id {
inline constexpr int Dialog = 4200;
inline constexpr int Pattern = 4201;
inline constexpr int Example = 4203;
inline constexpr int InsertCode = 4204;
inline constexpr int CodeList = 4205;
inline constexpr int AlwaysAppend = 4207;
inline constexpr int OnlyWhenRequired = 4209;
} // namespace pattern_id

class TPatternDialog : public wxDialog {
public:
    // `pattern` is read now and written on OK (at most 259 characters). formatIndex: an image
    // format value, 2 for video, negative when the text is no file name (the caption): then
    // no character filter, and the example shows no stem and no extension. `instanceMode`,
    // when given, gets bit 0 set or cleared on OK (other bits kept); without it the
    // "Instance" group is hidden.
    // `desktop` shows the refusal of a character.
    TPatternDialog(wxWindow* parent, DesktopServices& desktop, std::string* pattern,
                   int32_t formatIndex, int32_t* instanceMode);

    // What the buttons do, callable directly.
    void UpdateExample();
    void InsertCode();
    // OK: false (and the message shown) when the field holds a refused character.
    bool Commit();

    wxTextCtrl* patternField() const { return pattern_; }
    wxTextCtrl* exampleField() const { return example_; }
    wxChoice* codeList() const { return codes_; }
    wxRadioButton* alwaysButton() const { return always_; }
    wxRadioButton* onlyButton() const { return only_; }
    wxStaticBox* instanceBox() const { return instanceBox_; }

private:
    void OnOk(wxCommandEvent&);
    void OnText(wxCommandEvent&);
    void OnInstance(wxCommandEvent&);
    void OnInsert(wxCommandEvent&);

    DesktopServices& desktop_;
    std::string* buffer_;
    int32_t formatIndex_;
    int32_t* instanceMode_;
    wxTextCtrl* pattern_ = nullptr;
    wxTextCtrl* example_ = nullptr;
    wxChoice* codes_ = nullptr;
    wxRadioButton* always_ = nullptr;
    wxRadioButton* only_ = nullptr;
    wxStaticBox* instanceBox_ = nullptr;
};

} // namespace tess
