// The program's map (docs/ARCHITECTURE.md, docs/FORMATS.md) names files that exist: every
// backticked path under one of the repository's top folders (a file, a folder, or a source
// pair named without its extension), and every bare source or document file name.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <vector>

namespace tess {
namespace {

namespace fs = std::filesystem;

bool IsPlaceholder(const std::string& path) {
    static const std::regex placeholder(R"((^|/)(NAME|FOLDER|DIR|OUTDIR|PID)([./]|$)|\*)");
    return std::regex_search(path, placeholder);
}

TEST(RepositoryMap, EveryPathTheDocumentsNameExists) {
    const fs::path root = TESS_SOURCE_DIR;
    std::set<std::string> topFolders, fileNames;
    for (const auto& e : fs::directory_iterator(root))
        if (e.is_directory())
            topFolders.insert(e.path().filename().string());
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
         ++it) {
        const std::string name = it->path().filename().string();
        if (it->is_directory() && (name.rfind("build", 0) == 0 || name[0] == '.'))
            it.disable_recursion_pending();
        else if (it->is_regular_file())
            fileNames.insert(name);
    }
    const std::regex sourceName(R"(^[\w.-]+\.(h|cpp|c|md|sh|py)$)");
    for (const char* doc : {"docs/ARCHITECTURE.md", "docs/FORMATS.md"}) {
        std::ifstream in(root / doc);
        ASSERT_TRUE(in) << doc;
        std::stringstream text;
        text << in.rdbuf();
        // The backticked texts outside fenced blocks.
        const std::string all = text.str();
        std::string body;
        for (size_t at = 0, n = 0;; ++n) {
            const size_t fence = all.find("```", at);
            if (n % 2 == 0)
                body += all.substr(at, fence - at) + "\n";
            if (fence == std::string::npos)
                break;
            at = fence + 3;
        }
        std::vector<std::string> quotes;
        const std::regex quote("`([^`\\n]+)`");
        for (std::sregex_iterator it(body.begin(), body.end(), quote), e; it != e; ++it)
            quotes.push_back((*it)[1]);
        int checked = 0;
        for (const std::string& quoted : quotes) {
            const std::string path = quoted.substr(0, quoted.find(' '));
            const auto slash = path.find('/');
            if (slash != std::string::npos) {
                // Install places, XDG folders and the like are no repository paths.
                if (!topFolders.count(path.substr(0, slash)) || IsPlaceholder(path))
                    continue;
                const fs::path p = root / path;
                EXPECT_TRUE(fs::exists(p) || fs::exists(p.string() + ".h") ||
                            fs::exists(p.string() + ".cpp"))
                    << doc << " names `" << quoted << "`, which is not in the repository";
                ++checked;
            } else if (std::regex_match(path, sourceName)) {
                EXPECT_TRUE(fileNames.count(path))
                    << doc << " names `" << quoted << "`, which is not in the repository";
                ++checked;
            }
        }
        EXPECT_GT(checked, 5) << doc;
    }
}

} // namespace
} // namespace tess
