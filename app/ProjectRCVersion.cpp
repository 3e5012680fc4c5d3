#include "app/ProjectRCVersion.h"

#include "version.h"

#include <cstdio>

namespace tess {

namespace {

// US English, Windows Latin-1: the language and code page the strings are kept under.
constexpr uint32_t kTranslation = 0x0409u << 16 | 0x04E4u;

} // namespace

ProjectRCVersion::ProjectRCVersion(std::string_view module) {
    if (!module.empty() && module != "tessaray")
        return;
    translation_ = kTranslation;
    block_[SubBlockPath(kTranslation, "ProductName")] = TESS_PRODUCT_NAME;
    block_[SubBlockPath(kTranslation, "ProductVersion")] = TESS_VERSION_STRING;
    block_[SubBlockPath(kTranslation, "FileVersion")] = TESS_VERSION_STRING;
    block_[SubBlockPath(kTranslation, "LegalCopyright")] = TESS_LEGAL_COPYRIGHT;
    block_[SubBlockPath(kTranslation, "CompanyName")] = "Quorvanta";
}

ProjectRCVersion::ProjectRCVersion(std::map<std::string, std::string> block, uint32_t translation)
    : block_(std::move(block)), translation_(translation) {}

std::string ProjectRCVersion::SubBlockPath(uint32_t translation, std::string_view name) {
    char key[16];
    std::snprintf(key, sizeof key, "%08lx", static_cast<unsigned long>(translation));
    return std::string("\\StringFileInfo\\") + key + "\\" + std::string(name);
}

std::optional<std::string> ProjectRCVersion::Query(std::string_view name) const {
    if (!translation_)
        return std::nullopt;
    auto it = block_.find(SubBlockPath(*translation_, name));
    if (it == block_.end())
        return std::nullopt;
    return it->second;
}

std::string AboutVersionLabel(const ProjectRCVersion& version, const std::string& labelText) {
    auto name = version.ProductName();
    auto number = version.ProductVersion();
    if (!name || !number)
        return labelText;
    return *name + " " + labelText.substr(0, 127) + " " + *number;
}

} // namespace tess
