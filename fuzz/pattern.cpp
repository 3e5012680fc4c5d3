// File-name pattern expansion on arbitrary patterns: the result fits its buffer, a cleaned
// name holds none of the refused characters, and the examples are built without trouble.
#include <ctime>
#include <string>
#include <string_view>

#include "fuzz/FuzzTarget.h"
#include "settings/FileNames.h"

TESS_FUZZ_TARGET(pattern) {
    if (size < 1)
        return 0;
    const size_t destSize = 1 + data[0] % tess::kPatternBufferSize;
    const std::string_view pattern(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::tm when{};
    when.tm_year = 126;
    when.tm_mon = 11;
    when.tm_mday = 7;
    when.tm_hour = 3;
    when.tm_min = 4;
    when.tm_sec = 5;
    when.tm_wday = 1;
    when.tm_yday = 340;
    const std::string expanded = tess::ExpandPattern(pattern, destSize, &when);
    if (expanded.size() > destSize - 1)
        tess::fuzz::Fail("an expansion longer than its buffer");
    if (tess::HasExcludedChar(tess::CleanFileNamePart(expanded)))
        tess::fuzz::Fail("a cleaned name with a refused character");
    tess::FamilyStem(pattern);
    tess::PatternDialogExample(pattern, data[0] % 6 - 1, data[0] & 0x80);
    tess::FilePageVideoExample(pattern, data[0] & 1);
    tess::FilePagePictureExample(pattern, data[0] & 1, data[0] % 5);
    return 0;
}
