#pragma once
// The program's texts in the user's language: one gettext text domain, "tessaray", read by
// libc's gettext here (the launcher and the toolkit-free code) and by wxWidgets' translations
// in the window program (`_()`); both load the same catalog, share/locale/LANG/LC_MESSAGES/
// tessaray.mo. English texts are the message ids, so a missing catalog shows English.
//
// Marking, which `xgettext` reads (po/CMakeLists.txt lists the keywords):
//   Tr("text")               translated now (toolkit-free code)
//   TrN("one", "many", n)    translated with the language's plural form for n
//   TrC("context", "text")   translated in a context (wxGETTEXT_IN_CONTEXT in window code)
//   N_("text")               marked only, for tables; translate at use with Tr()
//   _("text"), wxPLURAL      the window program's marking (wxWidgets)
// A comment starting with "TRANSLATORS:" right before a marked text goes into the catalog.
#include <string>

#ifndef N_
#define N_(text) text
#endif

namespace tess {

inline constexpr const char* kTextDomain = "tessaray";

// The text's translation in the message language, or the text itself.
[[gnu::format_arg(1)]] const char* Tr(const char* text);
// The translation of `text` in `context`, for a text that means different things in different
// places (msgctxt; "M" a line width, "M" Monday).
[[gnu::format_arg(2)]] const char* TrC(const char* context, const char* text);
// The plural form of `one` / `many` for `n`.
[[gnu::format_arg(1), gnu::format_arg(2)]] const char* TrN(const char* one, const char* many,
                                                           unsigned long n);
// printf into a string, for a translated text with placeholders: FormatText(Tr("Saved %s"),
// name). Translations may number the placeholders ("%2$s ... %1$s") to change their order.
[[gnu::format(printf, 1, 2)]] std::string FormatText(const char* format, ...);

// Sets the user's locale for messages, character type, time and the rest, keeping numbers in
// the "C" form (settings files and the command line read "1.5" the same everywhere), and
// points gettext at the program's catalogs. `language` is the Language setting: a catalog
// name ("de", "pt_BR") put first in LANGUAGE, or "" for the desktop's choice.
// `localeDir` is where the catalogs are (LocaleDirectory()).
void SetUpUserLocale(const std::string& language, const std::string& localeDir);

// Where the catalogs are: beside the executable in the build tree ("locale/"), else the
// installed share/locale; "" when there is neither.
std::string LocaleDirectory();

// The languages the program has catalogs for, as catalog names ("de", "ja", "pt_BR"), in the
// order of the Language setting's list, and each one's own name.
struct UiLanguage {
    const char* code;
    const char* ownName;
};
const UiLanguage* UiLanguages(int& count);

} // namespace tess
