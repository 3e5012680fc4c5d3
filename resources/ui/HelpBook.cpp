#include "resources/ui/HelpBook.h"

#include <fstream>
#include <memory>
#include <sstream>
#include <sys/stat.h>
#include <wx/app.h>
#include <wx/filename.h>
#include <wx/html/helpctrl.h>
#include <wx/log.h>
#include <wx/stdpaths.h>

namespace tess {

namespace {

std::string g_testDir;
bool g_testDirSet = false;

bool IsFile(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string RunningExecutableDir() {
    wxFileName exe(wxStandardPaths::Get().GetExecutablePath());
    std::string dir = exe.GetPath().utf8_string();
    return dir.empty() ? std::string("./") : dir + "/";
}

constexpr HelpContextTopic kContextTopics[] = {
    {300, "PageGeneral.html"},    {27200, "PageDisplay.html"},  {27300, "PageCapture.html"},
    {2200, "PageWMV.html"},       {9100, "PageImage.html"},     {1300, "PageFile.html"},
    {2300, "PageSound.html"},     {2700, "PageCaption.html"},   {9000, "PageHotKey.html"},
    {600, "PageTimer.html"},      {3200, "PageEffects.html"},   {400, "EventDialog.html"},
    {4200, "PatternDialog.html"}, {22000, "About.html"},        {28100, "RecordWizard.html"},
    {28200, "RecordWizard.html"}, {28300, "RecordWizard.html"}, {28400, "RecordWizard.html"},
    {29000, "Annotate.html"},
};

std::string Trim(std::string s) {
    while (!s.empty() && (s.back() == '\r' || s.back() == ' ' || s.back() == '\t'))
        s.pop_back();
    return s;
}

std::unique_ptr<wxHtmlHelpController> g_help;
std::string g_helpBook; // the project file g_help has loaded

} // namespace

std::vector<std::string> HelpBookCandidates(const std::string& executableDir) {
    return {executableDir + "help/", executableDir + "../share/tessaray/help/",
            executableDir + "../../share/tessaray/help/"};
}

std::string FindHelpBook(const std::string& executableDir) {
    for (const std::string& dir : HelpBookCandidates(executableDir))
        if (IsFile(dir + kHelpProjectFile))
            return dir;
    return {};
}

std::string HelpBookDir() {
    return g_testDirSet ? g_testDir : FindHelpBook(RunningExecutableDir());
}

void SetHelpBookDirForTesting(const std::string& dir) {
    g_testDirSet = !dir.empty();
    g_testDir = dir.empty() || dir.back() == '/' ? dir : dir + "/";
}

std::span<const HelpContextTopic> HelpContextTopics() {
    return kContextTopics;
}

std::string HelpTopicForContext(int context) {
    if (context == 0)
        return kControlsTopic;
    for (const auto& t : kContextTopics)
        if (t.context == context)
            return t.topic;
    return {};
}

PopupTexts PopupTexts::Parse(std::string_view text) {
    PopupTexts out;
    std::istringstream in{std::string(text)};
    std::string line;
    int current = 0;
    bool inTopic = false;
    std::string body;
    auto finish = [&] {
        if (!inTopic)
            return;
        while (!body.empty() && body.back() == '\n')
            body.pop_back();
        if (out.texts_.count(current))
            out.duplicates_.push_back(current);
        out.texts_[current] = body;
    };
    while (std::getline(in, line)) {
        line = Trim(line);
        if (!line.empty() && line[0] == ';')
            continue;
        if (line.rfind(".topic", 0) == 0) {
            finish();
            body.clear();
            char* end = nullptr;
            long id = std::strtol(line.c_str() + 6, &end, 10);
            inTopic = end != line.c_str() + 6 && id > 0;
            current = static_cast<int>(id);
            continue;
        }
        if (!inTopic)
            continue;
        if (line.empty()) {
            if (!body.empty() && body.back() != '\n')
                body += "\n\n";
            continue;
        }
        if (!body.empty() && body.back() != '\n')
            body += ' ';
        body += line;
    }
    finish();
    return out;
}

PopupTexts PopupTexts::Load(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    if (!f)
        return {};
    std::stringstream ss;
    ss << f.rdbuf();
    return Parse(ss.str());
}

std::optional<std::string> PopupTexts::Text(int helpId) const {
    auto it = texts_.find(helpId);
    if (it == texts_.end())
        return std::nullopt;
    return it->second;
}

const PopupTexts& BookPopupTexts() {
    static std::string loadedFrom;
    static PopupTexts texts;
    std::string dir = HelpBookDir();
    if (dir != loadedFrom) {
        texts = dir.empty() ? PopupTexts{} : PopupTexts::Load(dir + kPopupTextFile);
        loadedFrom = dir;
    }
    return texts;
}

wxHtmlHelpController* OpenHelpController() {
    return g_help.get();
}

namespace {

// The controller for the current book, made on first use; null when there is no book.
wxHtmlHelpController* Controller() {
    std::string dir = HelpBookDir();
    if (dir.empty())
        return nullptr;
    std::string project = dir + kHelpProjectFile;
    if (g_help && g_helpBook == project)
        return g_help.get();
    ShutdownHelp();
    wxLogNull quiet; // a damaged book shows nothing rather than an error box
    wxWindow* parent = wxTheApp ? wxTheApp->GetTopWindow() : nullptr;
    auto help =
        std::make_unique<wxHtmlHelpController>(wxHF_DEFAULT_STYLE & ~wxHF_BOOKMARKS, parent);
    // TRANSLATORS: the help window's title; %s is the title of the page shown
    help->SetFrameParameters(_("Tessaray Help: %s"), wxSize(900, 640));
    if (!help->AddBook(wxFileName(wxString::FromUTF8(project)), false))
        return nullptr;
    g_help = std::move(help);
    g_helpBook = project;
    return g_help.get();
}

} // namespace

bool ShowHelpContents() {
    wxHtmlHelpController* help = Controller();
    if (!help)
        return false;
    wxLogNull quiet;
    return help->DisplayContents();
}

bool ShowHelpTopic(const std::string& topic) {
    wxHtmlHelpController* help = Controller();
    if (!help || topic.empty())
        return false;
    if (!IsFile(HelpBookDir() + topic))
        return false;
    wxLogNull quiet;
    return help->Display(wxString::FromUTF8(topic));
}

bool ShowHelpContext(int context) {
    std::string topic = HelpTopicForContext(context);
    return topic.empty() ? ShowHelpContents() : ShowHelpTopic(topic);
}

void ShutdownHelp() {
    g_help.reset();
    g_helpBook.clear();
}

} // namespace tess
