#pragma once
// The program's texts in another language inside a test process: the catalogs of the build
// tree, switched as a start would switch them, and the mnemonic letters of menus and windows.
#include "app/App.h"
#include "platform/Translate.h"

#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>
#include <wx/control.h>
#include <wx/menu.h>
#include <wx/stockitem.h>
#include <wx/window.h>

namespace tess::test {

// The languages with a catalog (po/LINGUAS), as catalog names.
inline std::vector<std::string> CatalogLanguages() {
    std::vector<std::string> out;
    std::ifstream in(TESS_SOURCE_DIR "/po/LINGUAS");
    std::string line, word;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream words(line);
        while (words >> word)
            out.push_back(word);
    }
    return out;
}

// English ("") first, then German and Japanese where their catalogs are: the languages whose
// longer words and other script the layout checks try.
inline std::vector<std::string> LayoutLanguages() {
    std::vector<std::string> out = {""};
    for (const std::string& lang : CatalogLanguages())
        if (lang == "de" || lang == "ja")
            out.push_back(lang);
    return out;
}

// While it lives, the locale and message language are those of a start with LANG=`lang` and
// LANGUAGE=`language` (either may be empty); then English in C.UTF-8 again.
class LanguageScope {
public:
    LanguageScope(const std::string& lang, const std::string& language) {
        Use(lang.empty() ? "C.UTF-8" : lang, language);
    }
    ~LanguageScope() { Use("C.UTF-8", ""); }

private:
    static void Use(const std::string& lang, const std::string& language) {
        setenv("LANG", lang.c_str(), 1);
        if (language.empty())
            unsetenv("LANGUAGE");
        else
            setenv("LANGUAGE", language.c_str(), 1);
        UseTranslations(TESS_BINARY_DIR "/locale");
    }
};

// The letter after a label's "&" (lower case), 0 when it has none.
inline wchar_t MnemonicOf(const wxString& label) {
    for (size_t i = 0; i + 1 < label.length(); ++i) {
        if (label[i] != '&')
            continue;
        if (label[i + 1] == '&') {
            ++i;
            continue;
        }
        return wchar_t(wxTolower(label[i + 1]));
    }
    return 0;
}

// Labelled items of one menu (submenus are menus of their own) or one window's controls,
// by place: their labels as shown, with "&" and key text.
using Labels = std::map<int, wxString>;

inline void MenuLabels(wxMenu* menu, std::vector<Labels>& out) {
    Labels mine;
    for (wxMenuItem* item : menu->GetMenuItems()) {
        if (item->IsSeparator())
            continue;
        // By place: a submenu's item gets a new id each time the menu is made.
        mine[int(mine.size())] = item->GetItemLabel();
        if (item->IsSubMenu())
            MenuLabels(item->GetSubMenu(), out);
    }
    out.push_back(mine);
}

// A window's controls are keyed by their place in the window's tree (ids made by the toolkit
// differ from one construction to the next).
inline void ControlLabels(wxWindow* w, Labels& out) {
    for (wxWindow* child : w->GetChildren()) {
        // Hidden ones (a wizard's other pages) are not where the keys act.
        if (child->IsTopLevel() || !child->IsShown())
            continue;
        // The toolkit's stock buttons (OK, Cancel, Help, the wizard's Back and Next) come
        // with the toolkit's own translations and mnemonics, not ours.
        auto* c = dynamic_cast<wxControl*>(child);
        if (c && !wxIsStockID(c->GetId()) && c->GetId() != wxID_BACKWARD &&
            c->GetId() != wxID_FORWARD)
            out[int(out.size())] = c->GetLabel();
        ControlLabels(child, out);
    }
}

// The pairs of ids whose labels share a mnemonic letter.
inline std::set<std::pair<int, int>> MnemonicClashes(const Labels& labels) {
    std::set<std::pair<int, int>> out;
    for (auto a = labels.begin(); a != labels.end(); ++a)
        for (auto b = std::next(a); b != labels.end(); ++b)
            if (MnemonicOf(a->second) && MnemonicOf(a->second) == MnemonicOf(b->second))
                out.insert({a->first, b->first});
    return out;
}

// A translated menu or window keeps a mnemonic where the English has one and adds no clash
// the English does not have.
inline void ExpectMnemonicsKept(const Labels& english, const Labels& translated,
                                const std::string& where) {
    if (english.size() != translated.size()) {
        ADD_FAILURE() << where << ": " << english.size() << " labels in English, "
                      << translated.size() << " translated";
        return;
    }
    for (const auto& [key, label] : english)
        if ((MnemonicOf(label) != 0) != (MnemonicOf(translated.at(key)) != 0))
            ADD_FAILURE() << where << ": \"" << label.utf8_string() << "\" -> \""
                          << translated.at(key).utf8_string() << "\" loses or gains a mnemonic";
    const auto englishClashes = MnemonicClashes(english);
    for (const auto& clash : MnemonicClashes(translated))
        if (!englishClashes.count(clash))
            ADD_FAILURE() << where << ": \"" << translated.at(clash.first).utf8_string()
                          << "\" and \"" << translated.at(clash.second).utf8_string()
                          << "\" share a mnemonic";
}

} // namespace tess::test
