#pragma once
// Adds or replaces a text attribute in the header of a finished ASF file. The header is
// rebuilt with the attribute; when the header's padding can absorb the change the new header
// is written in place, otherwise the file is rewritten through a temporary file next to it
// and renamed over the original (the data and index objects are copied unchanged: they refer
// to packets by number, not by file offset).
#include <cstdint>
#include <string>

namespace tess::asf {

// Returns 0, or a negative errno (-EINVAL for a file that is not ASF).
int32_t SetTextAttribute(const std::string& path, const std::string& name,
                         const std::string& value);

} // namespace tess::asf
