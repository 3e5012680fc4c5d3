#include "platform/Translate.h"

#include <clocale>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <libintl.h>
#include <system_error>
#include <unistd.h>

namespace tess {

namespace {

std::string ExecutableDirectory() {
    char buf[4096];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return {};
    buf[n] = '\0';
    return std::filesystem::path(buf).parent_path().string() + "/";
}

const UiLanguage kLanguages[] = {
    {"de", "Deutsch"},
    {"es", "Español"},
    {"fr", "Français"},
    {"it", "Italiano"},
    {"pt_BR", "Português (Brasil)"},
    {"ru", "Русский"},
    {"ja", "日本語"},
    {"zh_CN", "简体中文"},
};

} // namespace

const char* Tr(const char* text) {
    return dgettext(kTextDomain, text);
}

const char* TrC(const char* context, const char* text) {
    // gettext keeps a text of a context under "CONTEXT\4TEXT".
    const std::string key = std::string(context) + '\004' + text;
    const char* found = dgettext(kTextDomain, key.c_str());
    return found == key.c_str() ? text : found;
}

const char* TrN(const char* one, const char* many, unsigned long n) {
    return dngettext(kTextDomain, one, many, n);
}

std::string FormatText(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int n = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string out(n > 0 ? static_cast<size_t>(n) : 0, '\0');
    if (n > 0)
        std::vsnprintf(out.data(), out.size() + 1, format, again);
    va_end(again);
    return out;
}

std::string LocaleDirectory() {
    const std::string exe = ExecutableDirectory();
    if (exe.empty())
        return {};
    for (const char* rel : {"locale", "../share/locale", "../../share/locale"}) {
        const std::filesystem::path dir = std::filesystem::path(exe) / rel;
        // One stat each, at every start: the build tree's locale/ beside the executable, the
        // launcher's ../share/locale, the window program's (libexec/tessaray) ../../share/locale.
        std::error_code ec;
        if (std::filesystem::is_directory(dir, ec))
            return std::filesystem::weakly_canonical(dir, ec).string();
    }
    return {};
}

void SetUpUserLocale(const std::string& language, const std::string& localeDir) {
    if (!language.empty()) {
        // The chosen language first, the desktop's after it (gettext takes the first it has).
        // (The window program, started by the launcher, finds it there already.)
        const std::string before = std::getenv("LANGUAGE") ? std::getenv("LANGUAGE") : "";
        if (before != language && before.rfind(language + ":", 0) != 0)
            setenv("LANGUAGE", (before.empty() ? language : language + ":" + before).c_str(), 1);
    }
    if (!std::setlocale(LC_ALL, ""))
        std::setlocale(LC_ALL, "C");
    // gettext reads LANGUAGE only when the message locale is not "C": a chosen language must
    // work on a desktop without a locale too.
    if (!language.empty()) {
        const char* messages = std::setlocale(LC_MESSAGES, nullptr);
        if (!messages || std::string(messages) == "C" || std::string(messages) == "POSIX")
            std::setlocale(LC_MESSAGES, "C.UTF-8");
    }
    std::setlocale(LC_NUMERIC, "C");
    if (!localeDir.empty())
        bindtextdomain(kTextDomain, localeDir.c_str());
    bind_textdomain_codeset(kTextDomain, "UTF-8");
}

const UiLanguage* UiLanguages(int& count) {
    count = int(std::size(kLanguages));
    return kLanguages;
}

} // namespace tess
