#pragma once
// Filling in the placeholders of a translated text. A translation may change the order of the
// values, so the texts use numbered placeholders ("%1$s ... %2$s") where there are two or more.
#include <string>

namespace tess {

// printf's formatting into a string as long as the result (libc's printf, so numbered
// placeholders work). The toolkit-free code's texts: FormatText(Tr("..."), ...).
std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));

} // namespace tess
