#include "media/MediaFile.h"

namespace tess {

std::string MediaFile::GetDisplayName() const {
    if (!IsValid())
        return {};
    auto pos = fileName_.find_last_of('/');
    return pos == std::string::npos ? fileName_ : fileName_.substr(pos + 1);
}

} // namespace tess
