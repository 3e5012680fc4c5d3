#pragma once
// The program's version information: product name, version and copyright, compiled in from
// the build's project version and kept as a block of named strings under a language and
// code page, read with queries that name a value by its sub-block path
// ("\StringFileInfo\040904e4\ProductVersion").
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace tess {

class ProjectRCVersion {
public:
    // The block of a module: the program's own ("" or "tessaray") has one; any other
    // module has none, and every query fails.
    explicit ProjectRCVersion(std::string_view module = {});
    // A given block and translation key (language << 16 | code page).
    ProjectRCVersion(std::map<std::string, std::string> block, uint32_t translation);

    bool valid() const { return translation_.has_value(); }
    std::optional<uint32_t> translation() const { return translation_; }

    std::optional<std::string> ProductName() const { return Query("ProductName"); }
    std::optional<std::string> ProductVersion() const { return Query("ProductVersion"); }
    std::optional<std::string> LegalCopyright() const { return Query("LegalCopyright"); }
    std::optional<std::string> Query(std::string_view name) const;

    // "\StringFileInfo\%08lx\%s": the key in eight lower-case hexadecimal digits.
    static std::string SubBlockPath(uint32_t translation, std::string_view name);

private:
    std::map<std::string, std::string> block_; // by sub-block path
    std::optional<uint32_t> translation_;
};

// The about box's version label: "%s %s %s" of the product name, the label's own text
// ("Version ") and the product version; the label's text unchanged when either is missing.
std::string AboutVersionLabel(const ProjectRCVersion& version, const std::string& labelText);

} // namespace tess
