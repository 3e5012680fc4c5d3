#pragma once
// The help book: HTML topics with contents and index, read by the toolkit's HTML help
// viewer, and the pop-up text file that holds the short texts of the dialogs' controls,
// numbered by help id. The book is looked up beside the program first (the build copies it
// there), then where an installation puts it (share/tessaray/help). A book or a pop-up
// file that is missing shows nothing.
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class wxHtmlHelpController;

namespace tess {

inline constexpr const char* kHelpProjectFile = "tessaray.hhp";
inline constexpr const char* kPopupTextFile = "CSTessaray.txt";
// The topic the Help button of a dialog without a help context opens.
inline constexpr const char* kControlsTopic = "Controls.html";

// The directory that holds the book, with a trailing "/"; empty when there is none.
std::string HelpBookDir();
// The places searched, in order: beside the program (its directory's "help/"), then the
// installed share/tessaray/help relative to bin/ or libexec/tessaray/.
std::vector<std::string> HelpBookCandidates(const std::string& executableDir);
// The first of those that holds the book's project file; empty when none does.
std::string FindHelpBook(const std::string& executableDir);
// Tests: use this directory as the book ("" searches again).
void SetHelpBookDirForTesting(const std::string& dir);

// Help context numbers (a dialog's or page's number) and the topics they open.
struct HelpContextTopic {
    int context;
    const char* topic;
};
std::span<const HelpContextTopic> HelpContextTopics();
// The topic of a context number: the Controls topic for 0, empty for a number not known.
std::string HelpTopicForContext(int context);

// The pop-up texts: ".topic N" starts the text of help id N, the lines up to the next
// ".topic" are its text (blank lines keep paragraphs apart), lines starting with ";" are
// remarks.
class PopupTexts {
public:
    static PopupTexts Parse(std::string_view text);
    static PopupTexts Load(const std::string& path); // empty when unreadable
    std::optional<std::string> Text(int helpId) const;
    const std::map<int, std::string>& all() const { return texts_; }
    // Help ids given twice (the later text wins), for the book's checks.
    const std::vector<int>& duplicates() const { return duplicates_; }

private:
    std::map<int, std::string> texts_;
    std::vector<int> duplicates_;
};

// The book's pop-up texts, read once per book directory.
const PopupTexts& BookPopupTexts();

// Opening the book in the help window (made on first use, kept until ShutdownHelp).
// False, and nothing shown, when there is no book or no such topic.
bool ShowHelpContents();
bool ShowHelpTopic(const std::string& topic);
// The topic of a help context number (the Controls topic for 0, the contents for a number
// without a topic).
bool ShowHelpContext(int context);
// The help window's controller when it exists (tests, screenshots).
wxHtmlHelpController* OpenHelpController();
// Closes the help window; called when the main window closes.
void ShutdownHelp();

} // namespace tess
