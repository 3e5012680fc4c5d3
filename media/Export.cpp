#include "media/Export.h"

#include <algorithm>
#include <cctype>

namespace tess {

namespace {
std::string Lower(std::string_view text) {
    std::string s(text);
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}
} // namespace

std::optional<ExportFormat> ExportFormatOfText(std::string_view text) {
    const std::string s = Lower(text);
    if (s == "webm") return ExportFormat::WebM;
    if (s == "mp4") return ExportFormat::Mp4;
    if (s == "gif") return ExportFormat::Gif;
    return std::nullopt;
}

std::optional<ExportFormat> ExportFormatOfName(const std::filesystem::path& path) {
    const std::string ext = path.extension().string();
    if (ext.size() < 2) return std::nullopt;
    return ExportFormatOfText(std::string_view(ext).substr(1));
}

struct Export::Impl {
    ExportStatus status;
};

Export::Export() : impl_(std::make_unique<Impl>()) {}
Export::~Export() = default;

bool Export::Start(const std::filesystem::path&, const std::filesystem::path&, const ExportOptions&,
                   std::string* error) {
    if (error) *error = "Export is not yet available.";
    return false;
}

void Export::Cancel() {}
ExportStatus Export::Status() const { return impl_->status; }
bool Export::Wait(int) { return true; }

} // namespace tess
