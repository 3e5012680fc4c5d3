#pragma once
// The window code's translated texts as the UTF-8 strings the rest of the program passes
// around (message boxes, status texts, titles).
#include <string>
#include <type_traits>

#include <wx/string.h>
#include <wx/translation.h>

namespace tess {

namespace detail {
inline wxString ToWxArg(const std::string& s) {
    return wxString::FromUTF8(s);
}
inline wxString ToWxArg(const char* s) {
    return wxString::FromUTF8(s);
}
template <typename T>
requires std::is_arithmetic_v<T> T ToWxArg(T v) {
    return v;
}
} // namespace detail

// A translated text (`_("...")`) with its placeholders filled, the strings taken as UTF-8.
template <typename... Args> std::string FormatUtf8(const wxString& format, const Args&... args) {
    return wxString::Format(format, detail::ToWxArg(args)...).utf8_string();
}

} // namespace tess
