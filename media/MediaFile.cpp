#include "media/MediaFile.h"

#include <filesystem>

namespace tess {

std::string MediaFile::GetDisplayName() const {
    if (!IsValid())
        return {};
    return std::filesystem::path(fileName_).filename().string();
}

} // namespace tess
